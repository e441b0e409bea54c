#pragma once
// veilmark-cli hide PICTURE PAYLOAD -o OUTPUT [--force] [--seal] [--passphrase-file FILE]

#include "cli/C_Command.h"
#include "cli/C_HideJob.h"
#include "model/vmk_texts.h"

#include <string>

class C_CliHideCommand : public C_Command {
public:
    static constexpr const char* kWillNotFit = vmk::kStrFileWontFit;

    explicit C_CliHideCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    C_HideJob m_job;
    std::string m_strPayload;
};
