#pragma once
// veilmark-cli compose PICTURE --subject SUBJECT (--text TEXT | --text-file FILE) -o OUTPUT
//   [--force] [--seal] [--passphrase-file FILE]: hides a text under the name SUBJECT + ".txt".

#include "cli/C_Command.h"
#include "cli/C_HideJob.h"
#include "model/vmk_texts.h"

#include <string>

class C_CliComposeCommand : public C_Command {
public:
    static constexpr const char* kWillNotFit = vmk::kStrTextWontFit;
    static constexpr const char* kBothNeeded = vmk::kStrComposeEmpty;

    explicit C_CliComposeCommand(CLI::App& root);
    E_ExitCode Run(const C_CliContext& context) override;

private:
    C_HideJob m_job;
    std::string m_strSubject;
    std::string m_strText;
    std::string m_strTextFile;
    CLI::Option* m_pTextOption = nullptr;      // owned by the sub-command
    CLI::Option* m_pTextFileOption = nullptr;  // owned by the sub-command
};
