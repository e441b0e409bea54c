#include "cli/C_CliHideCommand.h"

#include "cli/C_AcrossHideJob.h"
#include "cli/C_CliError.h"

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
    m_pCommand->add_option("MORE", m_more, "With --across: more pictures, and the file to hide last");
    m_pAcrossOption = m_pCommand
                          ->add_option("--across", m_nAcross,
                              "With --seal: hide the file across every PICTURE given (PICTURE... PAYLOAD -o DIR), "
                              "so that any K of them restore it and fewer tell nothing; each picture is written "
                              "into the folder DIR under its own name")
                          ->option_text("K");
    m_pCommand->footer(std::string("Example:\n  ") + vmk::kStrCliExampleHide);
}

E_ExitCode C_CliHideCommand::Run(const C_CliContext& context)
{
    if (m_pAcrossOption->count() > 0) {
        // PICTURE and PAYLOAD took the first two arguments: all but the last are pictures.
        std::vector<std::string> pictures = {m_job.Picture()};
        std::string strPayload = m_strPayload;
        if (!m_more.empty()) {
            pictures.push_back(m_strPayload);
            pictures.insert(pictures.end(), m_more.begin(), m_more.end() - 1);
            strPayload = m_more.back();
        }
        C_AcrossHideJob(m_job, std::move(pictures), strPayload, m_nAcross).Run(context);
        return E_ExitCode::Done;
    }
    if (!m_more.empty())
        throw C_CliError(E_ExitCode::Refused,
            "hide takes one picture and one file to hide; give --seal --across K to hide a file across several "
            "pictures.");
    m_job.Prepare(context);
    C_Message message;
    m_job.LoadPayload(context, message, m_strPayload, kWillNotFit);
    m_job.Run(context, message, kWillNotFit);
    return E_ExitCode::Done;
}
