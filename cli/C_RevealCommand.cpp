#include "cli/C_RevealCommand.h"

#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"
#include "model/C_FileException.h"
#include "model/C_Message.h"
#include "model/C_AtomicFileWriter.h"

#include <cerrno>
#include <ostream>
#include <span>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& strPath)
{
    struct stat st { };
    return ::lstat(strPath.c_str(), &st) == 0;  // a dangling link counts: it would create a file
}

// A terminal or a pipe (/dev/stdout, /dev/tty, a FIFO) takes what is written; nothing is replaced.
bool IsStream(const std::string& strPath)
{
    struct stat st { };
    return C_AtomicFileWriter::OwnDescriptor(strPath) >= 0
        || (::stat(strPath.c_str(), &st) == 0 && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)));
}

}  // namespace

C_RevealCommand::C_RevealCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("reveal", "Find the file hidden in a picture and save it");
    m_pCommand->add_option("PICTURE", m_strPicture, "The picture that holds the hidden file")->required();
    // Plain options rather than an option group: CLI11 2.1's groups loop forever on an empty
    // argument followed by an unknown option. Run() asks for one of the two.
    m_pFileOption =
        m_pCommand->add_option("-o,--output", m_strFile, "Save it as FILE (this or -d); - for standard output")
            ->option_text("FILE");
    m_pDirectoryOption = m_pCommand
                             ->add_option("-d,--directory", m_strDirectory,
                                 "Save it in DIR under its hidden name (only the name's last component is used)")
                             ->option_text("DIR");
    m_pFileOption->excludes(m_pDirectoryOption);
    m_pCommand->add_flag("--force", m_bForce, "Replace a file that exists already");
    m_passphrase.AddOption(*m_pCommand);
    m_pCommand->footer("Example:\n  veilmark-cli reveal photo-notes.bmp -d received/ --passphrase-file key.txt");
}

std::string C_RevealCommand::SafeFileName(const std::string& strHiddenName)
{
    // The separators of every platform the name may come from: "a\b" and "C:x" as well as "../x".
    const size_t nSeparator = strHiddenName.find_last_of("/\\:");
    std::string strName = nSeparator == std::string::npos ? strHiddenName : strHiddenName.substr(nSeparator + 1);
    // 255 bytes is the longest file name common file systems take.
    if (strName.empty() || strName == "." || strName == ".." || strName.size() > 255)
        return kFallbackName;
    for (char& c : strName)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return strName;
}

void C_RevealCommand::RefuseExisting(const std::string& strTarget) const
{
    throw C_CliError(E_ExitCode::Refused,
        C_Text::Printable(strTarget) + " exists already; nothing was written. Give --force to replace it.");
}

E_ExitCode C_RevealCommand::Run(const C_CliContext& context)
{
    const bool bToDirectory = m_pDirectoryOption->count() > 0;
    if (!bToDirectory && m_pFileOption->count() == 0)
        throw C_CliError(E_ExitCode::Refused, "reveal: say where the hidden file goes, with -o FILE or -d DIR.");
    const bool bToOutput = !bToDirectory && m_strFile == "-";
    if (bToDirectory) {
        struct stat st { };
        if (::stat(m_strDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            throw C_CliError(E_ExitCode::Refused, C_Text::Printable(m_strDirectory) + " is not a folder.");
    } else if (!bToOutput && !m_bForce && Exists(m_strFile) && !IsStream(m_strFile)) {
        RefuseExisting(m_strFile);
    }

    C_Carrier carrier;
    C_PictureIo::Open(context, carrier, m_strPicture);
    C_Message message;
    // The plain record first, then the sealed one; a pass phrase either kind accepts will do.
    switch (carrier.RevealAny(message, m_passphrase.Get(context, false, C_PassphraseSource::E_Rules::Either))) {
    case E_RevealOutcome::Found: break;
    case E_RevealOutcome::NotFound: throw C_CliError(E_ExitCode::NotFound, kNotFound);
    case E_RevealOutcome::Damaged: throw C_CliError(E_ExitCode::Damaged, kDamaged);
    }
    // With the payload on standard output, what is said goes to standard error.
    std::ostream& report =
        bToOutput || C_AtomicFileWriter::OwnDescriptor(m_strFile) == 1 ? context.Err() : context.Out();
    report << "Hidden message found: " << C_Text::Printable(message.m_strName) << " (" << message.m_nSize << " bytes)"
           << std::endl;
    if (bToOutput) {
        context.Out().write(reinterpret_cast<const char*>(message.GetData()), message.m_nSize);
        context.Out().flush();
        if (!context.Out())
            throw C_CliError(E_ExitCode::Failed, "The hidden file could not be written to standard output.");
        return E_ExitCode::Done;
    }

    std::string strTarget = m_strFile;
    if (bToDirectory) {
        strTarget = m_strDirectory;
        if (!strTarget.ends_with('/'))
            strTarget += '/';
        strTarget += SafeFileName(message.m_strName);
        if (!m_bForce && Exists(strTarget))
            RefuseExisting(strTarget);
    }
    // An existing file is replaced only with --force, and then atomically; a terminal or pipe
    // is written directly. A link named by -o is written through; one in DIR is replaced
    // itself, since the name came from the picture and must not lead the file out of DIR.
    C_AtomicFileWriter output;
    const bool bWritten = output.Open(strTarget, !bToDirectory) && output.Write(message.GetData(), message.m_nSize)
        && output.Commit(m_bForce || IsStream(strTarget));
    if (!bWritten) {
        if (output.GetErrno() == EEXIST && !m_bForce)
            RefuseExisting(strTarget);
        const C_FileException error(C_FileException::OsErrorToCause(output.GetErrno()), strTarget, output.GetErrno());
        throw C_CliError(E_ExitCode::Failed, C_Text::Printable(error.GetErrorMessage()) + "\n" + output.GetError());
    }
    report << "Saved to: " << C_Text::Printable(strTarget) << "\n";
    return E_ExitCode::Done;
}
