#include "cli/C_PassphraseSource.h"

#include "cli/C_CliError.h"
#include "cli/C_TerminalPrompt.h"
#include "cli/C_Text.h"
#include "model/C_FileException.h"
#include "model/C_TextRules.h"
#include "model/vmk_texts.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <optional>
#include <utility>
#include <cstring>
#include <fstream>

namespace {

const std::string kTooLong =
    C_Text::Format(vmk::kStrTooManyChars, std::to_string(C_TextRules::kMaxPassphraseCharacters));
const std::string kNoPassphrase =
    "No pass phrase: there is no terminal to ask on. Give one with --passphrase-file FILE "
    "or the environment variable VEILMARK_PASSPHRASE.";

}  // namespace

void C_PassphraseSource::AddOption(CLI::App& command)
{
    m_pFileOption = command
                        .add_option("--passphrase-file", m_strFile,
                            "Read the pass phrase from FILE (its content less one final line break); otherwise "
                            "from $VEILMARK_PASSPHRASE, otherwise from the terminal")
                        ->option_text("FILE");
}

void C_PassphraseSource::Check(const std::string& strPassphrase, const std::string& strSource)
{
    // The dialogs count by the same rule, so a pass phrase works in both programs or in neither.
    switch (C_TextRules::CheckPassphrase(strPassphrase)) {
    case C_TextRules::E_Passphrase::Valid: return;
    case C_TextRules::E_Passphrase::TooLong:
        throw C_CliError(E_ExitCode::Refused, "The pass phrase from " + strSource + " is too long. " + kTooLong);
    case C_TextRules::E_Passphrase::HasNul:
        throw C_CliError(E_ExitCode::Refused,
            "The pass phrase from " + strSource + " holds a NUL byte, which no one can type; give it as text.");
    case C_TextRules::E_Passphrase::NotUtf8:
        throw C_CliError(E_ExitCode::Refused,
            "The pass phrase from " + strSource
                + " is not UTF-8 text; give it in UTF-8, as it is typed in the application.");
    }
}

void C_PassphraseSource::FailReading(int nErrno) const
{
    // The file error text as for any other file, then the system's reason.
    const C_FileException error(C_FileException::OsErrorToCause(nErrno), m_strFile, nErrno);
    throw C_CliError(E_ExitCode::Failed,
        C_Text::Printable(error.GetErrorMessage()) + "\n" + C_Text::Printable(m_strFile) + ": "
            + std::strerror(nErrno));
}

std::string C_PassphraseSource::ReadFile() const
{
    std::ifstream file(m_strFile, std::ios::binary);
    if (!file)
        FailReading(errno);
    // Far more than 15 characters can hold; whatever is longer is refused anyway.
    constexpr std::streamsize kMaxRead = 4096;
    std::string strText(kMaxRead + 1, '\0');
    file.read(strText.data(), kMaxRead + 1);
    if (file.bad())
        FailReading(errno);
    strText.resize(static_cast<size_t>(file.gcount()));
    // Editors end a file with a line break; it is not part of the pass phrase.
    if (strText.ends_with("\r\n"))
        strText.resize(strText.size() - 2);
    else if (strText.ends_with('\n'))
        strText.pop_back();
    return strText;
}

std::string C_PassphraseSource::AskTerminal(const C_CliContext& context, bool bConfirm)
{
    if (!context.MayUseTerminal())
        throw C_CliError(E_ExitCode::Refused, kNoPassphrase);
    C_TerminalPrompt terminal;
    if (!terminal.IsOpen())
        throw C_CliError(E_ExitCode::Refused, kNoPassphrase);
    terminal.Say(vmk::kStrPasswordIntro);
    for (;;) {
        std::string strFirst;
        std::string strSecond;
        if (!terminal.ReadHidden("Password: ", strFirst))
            throw C_CliError(E_ExitCode::Refused, "No pass phrase was entered.");
        Check(strFirst, "the terminal");
        if (!bConfirm)
            return strFirst;
        if (!terminal.ReadHidden("Password Again: ", strSecond))
            throw C_CliError(E_ExitCode::Refused, "No pass phrase was entered.");
        if (strFirst == strSecond)
            return strFirst;
        terminal.Say(vmk::kStrPasswordsDiffer);
    }
}

std::string C_PassphraseSource::Get(const C_CliContext& context, bool bConfirm) const
{
    if (m_pFileOption != nullptr && m_pFileOption->count() > 0) {
        std::string strPassphrase = ReadFile();
        Check(strPassphrase, "the file " + C_Text::Printable(m_strFile));
        return strPassphrase;
    }
    if (std::optional<std::string> value = context.GetEnv(kEnvironmentVariable)) {
        std::string strPassphrase = std::move(*value);
        Check(strPassphrase, std::string("the environment variable ") + kEnvironmentVariable);
        return strPassphrase;
    }
    return AskTerminal(context, bConfirm);
}
