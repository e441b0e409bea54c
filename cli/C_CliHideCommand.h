#pragma once
// veilmark-cli hide PICTURE PAYLOAD -o OUTPUT [--force] [--seal] [--passphrase-file FILE]
// veilmark-cli hide --seal --across K PICTURE... PAYLOAD -o DIR (C_AcrossHideJob)

#include "cli/C_Command.h"
#include "cli/C_HideJob.h"
#include "model/vmk_texts.h"

#include <string>
#include <vector>

class C_CliHideCommand : public C_Command {
public:
    static constexpr const char* kWillNotFit = vmk::kStrFileWontFit;

    explicit C_CliHideCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    C_HideJob m_job;
    std::string m_strPayload;
    // With --across: the pictures after the second, and the payload last.
    std::vector<std::string> m_more;
    unsigned m_nAcross = 0;
    CLI::Option* m_pAcrossOption = nullptr;  // owned by the sub-command
};
