#pragma once
// veilmark-cli reveal PICTURE (-o FILE | -d DIR) [--force] [--passphrase-file FILE]
// veilmark-cli reveal PICTURE... [-o FILE | -d DIR]: a file hidden across pictures
// (C_AcrossRevealJob), saved in the current folder when neither is given.
//
// The hidden name is data from the picture, so with -d only its final path component is used,
// inside DIR, and an existing file is never replaced without --force. Either kind of record is
// found; a sealed one that no longer authenticates is reported as damaged and nothing is written.
// A sealed payload is decompressed as it is written; one that declares more than 64 MiB and 256
// times the picture's file needs --allow-large.

#include "cli/C_Command.h"
#include "cli/C_PassphraseSource.h"
#include "model/vmk_texts.h"

#include "model/records/C_SealedContent.h"

#include <functional>
#include <string>
#include <vector>

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
    // Writes the payload (fnExtract hands it out) where -o or -d says, under strName.
    using T_Extract = std::function<C_SealedContent::E_Extract(const C_SealedContent::T_Sink&)>;
    E_ExitCode Save(const C_CliContext& context, const std::string& strName, uint64_t nSize, bool bSealed,
        const T_Extract& fnExtract) const;

    std::string m_strPicture;
    std::vector<std::string> m_more;  // more pictures: the shares of a file hidden across them
    std::string m_strFile;
    std::string m_strDirectory;
    bool m_bForce = false;
    C_PassphraseSource m_passphrase;
    CLI::Option* m_pFileOption = nullptr;       // owned by the sub-command
    CLI::Option* m_pDirectoryOption = nullptr;  // owned by the sub-command
};
