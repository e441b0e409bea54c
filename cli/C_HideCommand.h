#pragma once
// veilmark-cli hide PICTURE PAYLOAD -o OUTPUT [--force] [--passphrase-file FILE]

#include "cli/C_Command.h"
#include "cli/C_HideJob.h"

#include <string>

class C_HideCommand : public C_Command {
public:
    static constexpr const char* kWillNotFit =
        "This Message will not fit into the selected Picture!\nChoose a smaller Message or a Larger Picture.";

    explicit C_HideCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    C_HideJob m_job;
    std::string m_strPayload;
};
