#pragma once
// veilmark-cli reveal PICTURE (-o FILE | -d DIR) [--force] [--passphrase-file FILE]
//
// The hidden name is data from the picture, so with -d only its final path component is used,
// inside DIR, and an existing file is never replaced without --force. Either kind of record is
// found; a sealed one that no longer authenticates is reported as damaged and nothing is written.
// A sealed payload is decompressed as it is written; one that declares more than 64 MiB and 256
// times the picture's file needs --allow-large.

#include "cli/C_Command.h"
#include "cli/C_PassphraseSource.h"
#include "model/vmk_texts.h"

#include <string>

class C_CliRevealCommand : public C_Command {
public:
    static constexpr const char* kNotFound = vmk::kStrNothingFound;
    static constexpr const char* kDamaged = vmk::kStrRecordDamaged;
    static constexpr const char* kNoMemory = vmk::kStrSealedNoMemory;
    static constexpr const char* kFallbackName = "message.bin";

    explicit C_CliRevealCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

    // The file name that -d uses for a hidden name: the part after its last "/", "\" or ":",
    // with control bytes replaced; kFallbackName when that leaves nothing usable.
    static std::string SafeFileName(const std::string& strHiddenName);

private:
    [[noreturn]] void RefuseExisting(const std::string& strTarget) const;

    std::string m_strPicture;
    std::string m_strFile;
    std::string m_strDirectory;
    bool m_bForce = false;
    C_PassphraseSource m_passphrase;
    CLI::Option* m_pFileOption = nullptr;       // owned by the sub-command
    CLI::Option* m_pDirectoryOption = nullptr;  // owned by the sub-command
};
