#include "cli/C_CliComposeCommand.h"

#include "cli/C_Text.h"
#include "model/records/C_Message.h"
#include "model/C_TextRules.h"
#include "model/vmk_texts.h"

C_CliComposeCommand::C_CliComposeCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("compose", "Hide a text under a subject; it is revealed as SUBJECT.txt");
    m_job.AddOptions(*m_pCommand);
    m_pCommand->add_option("--subject", m_strSubject, "The subject; the hidden name is SUBJECT.txt")
        ->required()
        ->option_text("SUBJECT");
    // Plain options rather than an option group: CLI11 2.1's groups loop forever on an empty
    // argument followed by an unknown option. Run() asks for one of the two.
    m_pTextOption =
        m_pCommand->add_option("--text", m_strText, "The text itself (this or --text-file)")->option_text("TEXT");
    m_pTextFileOption = m_pCommand
                            ->add_option("--text-file", m_strTextFile,
                                "A file holding the text, stored byte for byte; - for standard input")
                            ->option_text("FILE");
    m_pTextOption->excludes(m_pTextFileOption);
    m_pCommand->footer(std::string("Example:\n  ") + vmk::kStrCliExampleCompose);
}

E_ExitCode C_CliComposeCommand::Run(const C_CliContext& context)
{
    const bool bInline = m_pTextOption->count() > 0;
    if (!bInline && m_pTextFileOption->count() == 0)
        throw C_CliError(E_ExitCode::Refused, "compose: give the text with --text TEXT or --text-file FILE.");
    if ((bInline && m_strText.empty()) || m_strSubject.empty())
        throw C_CliError(E_ExitCode::Refused, kBothNeeded);
    const std::string strName = m_strSubject + ".txt";
    if (C_TextRules::CountCharacters(strName) > C_Message::kMaxNameCharacters)
        throw C_CliError(E_ExitCode::Refused, "The subject is too long: a hidden name holds at most 255 characters.");
    m_job.Prepare(context);

    C_Message message;
    if (bInline) {
        if (m_strText.size() > UINT32_MAX - 1
            || message.SetFromText(static_cast<uint32_t>(m_strText.size()), m_strText.data()) != m_strText.size())
            throw C_CliError(E_ExitCode::Refused, "The text is too long.");
    } else {
        m_job.LoadPayload(context, message, m_strTextFile, kWillNotFit, strName);
        if (message.m_nSize == 0)
            throw C_CliError(E_ExitCode::Refused, kBothNeeded);
    }
    message.m_strName = strName;
    m_job.Run(context, message, kWillNotFit);
    return E_ExitCode::Done;
}
