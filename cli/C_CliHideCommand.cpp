#include "cli/C_CliHideCommand.h"

#include "model/records/C_Message.h"
#include "model/vmk_texts.h"

C_CliHideCommand::C_CliHideCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("hide", "Hide a file in a picture under a pass phrase");
    m_job.AddOptions(*m_pCommand);
    // Registered after PICTURE, so it is the second positional argument.
    m_pCommand
        ->add_option("PAYLOAD", m_strPayload,
            "The file to hide, hidden with its name; any file that reads to an end (a pipe, <(cmd)), or - for standard input (hidden as \"stdin\")")
        ->required();
    m_pCommand->footer(std::string("Example:\n  ") + vmk::kStrCliExampleHide);
}

E_ExitCode C_CliHideCommand::Run(const C_CliContext& context)
{
    m_job.Prepare(context);
    C_Message message;
    m_job.LoadPayload(context, message, m_strPayload, kWillNotFit);
    m_job.Run(context, message, kWillNotFit);
    return E_ExitCode::Done;
}
