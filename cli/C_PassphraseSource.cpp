#include "cli/C_PassphraseSource.h"

#include "cli/C_CliError.h"
#include "cli/C_TerminalPrompt.h"
#include "cli/C_Text.h"
#include "model/files/C_FileException.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"
#include "model/records/C_StrengthEstimate.h"
#include "model/C_TextFormat.h"
#include "model/C_TextRules.h"
#include "model/vmk_texts.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <optional>
#include <utility>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace {

const std::string kTooLong =
    C_TextFormat::Substitute(vmk::kStrTooManyChars, std::to_string(C_TextRules::kMaxPassphraseCharacters));
const std::string kSealedBytes = std::to_string(C_SealedRecord::kMaxPassphraseBytes) + " bytes";
const std::string kSealedTooLong = "A sealed record's pass phrase holds at most " + kSealedBytes + " of UTF-8.";
const std::string kEitherTooLong = kTooLong + " A sealed record's pass phrase may hold up to " + kSealedBytes + ".";
const std::string kSealedIntro = "Enter a pass phrase of up to " + kSealedBytes + ".";
const std::string kEitherIntro = "Enter the pass phrase the message was hidden under.";
const std::string kNoPassphrase =
    "No pass phrase: there is no terminal to ask on. Give one with --passphrase-file FILE "
    "or the environment variable VEILMARK_PASSPHRASE.";

C_TextRules::E_Passphrase AsPlainVerdict(C_SealedRecord::E_Passphrase eVerdict)
{
    switch (eVerdict) {
    case C_SealedRecord::E_Passphrase::Valid: return C_TextRules::E_Passphrase::Valid;
    case C_SealedRecord::E_Passphrase::TooLong: return C_TextRules::E_Passphrase::TooLong;
    case C_SealedRecord::E_Passphrase::HasNul: return C_TextRules::E_Passphrase::HasNul;
    case C_SealedRecord::E_Passphrase::NotUtf8: return C_TextRules::E_Passphrase::NotUtf8;
    }
    return C_TextRules::E_Passphrase::NotUtf8;
}

}  // namespace

void C_PassphraseSource::AddOption(CLI::App& command)
{
    m_pFileOption = command
                        .add_option("--passphrase-file", m_strFile,
                            "Read the pass phrase from FILE (its content less one final line break; - for standard "
                            "input); otherwise from $VEILMARK_PASSPHRASE, otherwise from the terminal")
                        ->option_text("FILE");
}

void C_PassphraseSource::Check(const std::string& strPassphrase, const std::string& strSource, E_Rules eRules)
{
    // The dialogs count by the same rules, so a pass phrase works in both programs or in neither.
    const C_TextRules::E_Passphrase ePlain = C_TextRules::CheckPassphrase(strPassphrase);
    const C_TextRules::E_Passphrase eSealed = AsPlainVerdict(C_SealedRecord::CheckPassphrase(strPassphrase));
    C_TextRules::E_Passphrase eVerdict = eRules == E_Rules::Plain ? ePlain : eSealed;
    // Fifteen characters may take more than 1,024 bytes (combining marks): either kind will do.
    if (eRules == E_Rules::Either && ePlain == C_TextRules::E_Passphrase::Valid)
        eVerdict = ePlain;
    switch (eVerdict) {
    case C_TextRules::E_Passphrase::Valid: return;
    case C_TextRules::E_Passphrase::TooLong:
        throw C_CliError(E_ExitCode::Refused,
            "The pass phrase from " + strSource + " is too long. "
                + (eRules == E_Rules::Plain         ? kTooLong
                        : eRules == E_Rules::Sealed ? kSealedTooLong
                                                    : kEitherTooLong));
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

void C_PassphraseSource::WarnIfWeak(const C_CliContext& context, const std::string& strPassphrase)
{
    if (strPassphrase.empty())
        context.Err() << "Warning: the pass phrase is empty: anyone who tries none reveals the message at once. "
                         "It is sealed anyway.\n";
    else if (C_StrengthEstimate::IsWeak(strPassphrase))
        context.Err() << "Warning: a weak pass phrase: "
                      << C_StrengthEstimate::Describe(C_StrengthEstimate::EstimateBits(strPassphrase))
                      << " It is sealed anyway; more words, and words a dictionary does not hold, make it "
                         "stronger.\n";
}

bool C_PassphraseSource::IsStandardInput(const std::string& strPath)
{
    if (strPath == "-")
        return true;
    // /dev/stdin, /dev/fd/0, /proc/self/fd/0 or any other name of the same file or pipe.
    struct stat input = {};
    struct stat named = {};
    return ::fstat(0, &input) == 0 && ::stat(strPath.c_str(), &named) == 0 && input.st_dev == named.st_dev
        && input.st_ino == named.st_ino;
}

bool C_PassphraseSource::ReadsStandardInput() const
{
    return m_pFileOption != nullptr && m_pFileOption->count() > 0 && IsStandardInput(m_strFile);
}

std::string C_PassphraseSource::ReadFile(const C_CliContext& context) const
{
    // Far more than either kind of pass phrase holds; whatever is longer is refused anyway.
    constexpr std::streamsize kMaxRead = 4096;
    std::string strText(kMaxRead + 1, '\0');
    bool bStream = true;
    if (m_strFile == "-") {
        context.In().read(strText.data(), kMaxRead + 1);
        if (context.In().bad())
            FailReading(EIO);
        strText.resize(static_cast<size_t>(context.In().gcount()));
    } else {
        // Unbuffered, so the pass phrase lands only in strText, which the caller owns and wipes.
        std::ifstream file;
        file.rdbuf()->pubsetbuf(nullptr, 0);
        file.open(m_strFile, std::ios::binary);
        if (!file)
            FailReading(errno);
        struct stat status = {};
        bStream = ::stat(m_strFile.c_str(), &status) != 0 || !S_ISREG(status.st_mode);
        file.read(strText.data(), kMaxRead + 1);
        if (file.bad())
            FailReading(errno);
        strText.resize(static_cast<size_t>(file.gcount()));
    }
    // An empty file is the empty pass phrase, but a pipe or device with nothing left in it has
    // been read already (or never written to): hiding under "" then would store the secret readable.
    if (strText.empty() && bStream)
        throw C_CliError(E_ExitCode::Refused,
            "The pass phrase file " + C_Text::Printable(m_strFile)
                + " is a stream that was already at its end: no pass phrase was read from it. Nothing was written.");
    // Editors end a file with a line break; it is not part of the pass phrase.
    if (strText.ends_with("\r\n"))
        strText.resize(strText.size() - 2);
    else if (strText.ends_with('\n'))
        strText.pop_back();
    return strText;
}

std::string C_PassphraseSource::AskTerminal(const C_CliContext& context, bool bConfirm, E_Rules eRules)
{
    if (!context.MayUseTerminal())
        throw C_CliError(E_ExitCode::Refused, kNoPassphrase);
    C_TerminalPrompt terminal;
    if (!terminal.IsOpen())
        throw C_CliError(E_ExitCode::Refused, kNoPassphrase);
    terminal.Say(eRules == E_Rules::Plain ? vmk::kStrPasswordIntro
            : eRules == E_Rules::Sealed   ? kSealedIntro
                                          : kEitherIntro);
    for (;;) {
        std::string strFirst;
        std::string strSecond;
        if (!terminal.ReadHidden("Password: ", strFirst))
            throw C_CliError(E_ExitCode::Refused, "No pass phrase was entered.");
        Check(strFirst, "the terminal", eRules);
        if (!bConfirm)
            return strFirst;
        if (!terminal.ReadHidden("Password Again: ", strSecond))
            throw C_CliError(E_ExitCode::Refused, "No pass phrase was entered.");
        const bool bSame = strFirst == strSecond;
        C_SecretBytes::WipeString(strSecond);
        if (bSame)
            return strFirst;
        C_SecretBytes::WipeString(strFirst);
        terminal.Say(vmk::kStrPasswordsDiffer);
    }
}

std::string C_PassphraseSource::Get(const C_CliContext& context, bool bConfirm, E_Rules eRules) const
{
    if (m_pFileOption != nullptr && m_pFileOption->count() > 0) {
        std::string strPassphrase = ReadFile(context);
        Check(strPassphrase, "the file " + C_Text::Printable(m_strFile), eRules);
        return strPassphrase;
    }
    if (std::optional<std::string> value = context.GetEnv(kEnvironmentVariable)) {
        std::string strPassphrase = std::move(*value);
        Check(strPassphrase, std::string("the environment variable ") + kEnvironmentVariable, eRules);
        return strPassphrase;
    }
    return AskTerminal(context, bConfirm, eRules);
}
