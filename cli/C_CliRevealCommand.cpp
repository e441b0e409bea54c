#include "cli/C_CliRevealCommand.h"

#include "cli/C_AcrossRevealJob.h"

#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/files/C_FileException.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SecretBytes.h"
#include "model/files/C_AtomicFileWriter.h"
#include "model/vmk_texts.h"

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

C_CliRevealCommand::C_CliRevealCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("reveal", "Find the file hidden in a picture and save it");
    m_pCommand->add_option("PICTURE", m_strPicture, "The picture that holds the hidden file")->required();
    m_pCommand->add_option("MORE", m_more,
        "More pictures: a file hidden across pictures (hide --across) is restored from the shares they hold, "
        "into the current folder unless -o or -d says where");
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
    m_pCommand->footer(std::string("Example:\n  ") + vmk::kStrCliExampleReveal);
}

std::string C_CliRevealCommand::SafeFileName(const std::string& strHiddenName)
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

void C_CliRevealCommand::RefuseExisting(const std::string& strTarget) const
{
    throw C_CliError(E_ExitCode::Refused,
        C_Text::Printable(strTarget) + " exists already; nothing was written. Give --force to replace it.");
}

E_ExitCode C_CliRevealCommand::Run(const C_CliContext& context)
{
    const bool bAcross = !m_more.empty();
    // Shares restore a file under its hidden name: the current folder unless told otherwise.
    if (bAcross && m_pDirectoryOption->count() == 0 && m_pFileOption->count() == 0)
        m_strDirectory = ".";
    const bool bToDirectory = m_pDirectoryOption->count() > 0 || (bAcross && m_pFileOption->count() == 0);
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

    if (bAcross) {
        std::vector<std::string> pictures = {m_strPicture};
        pictures.insert(pictures.end(), m_more.begin(), m_more.end());
        std::ostream& report =
            bToOutput || C_AtomicFileWriter::OwnDescriptor(m_strFile) == 1 ? context.Err() : context.Out();
        C_SealedContent sealed;
        uint64_t nFileBytes = 0;
        C_AcrossRevealJob(std::move(pictures)).Run(context, m_passphrase, report, sealed, nFileBytes);
        // The pictures' consent rule, over their files together.
        if (!context.AllowLarge() && sealed.GetSize() > C_DecodeLimit::kConsentBytes
            && sealed.GetSize() / C_DecodeLimit::kConsentRatio >= std::max<uint64_t>(nFileBytes, 1))
            throw C_CliError(E_ExitCode::Refused,
                "The hidden file would be " + std::to_string(sealed.GetSize() >> 20) + " MiB from pictures of "
                    + std::to_string(nFileBytes)
                    + " bytes; nothing was written. Give --allow-large to reveal it anyway.");
        return Save(context, sealed.GetName(), sealed.GetSize(), true,
            [&](const C_SealedContent::T_Sink& fnSink) { return sealed.Extract(fnSink); });
    }

    C_Carrier carrier;
    C_PictureIo::Open(context, carrier, m_strPicture);
    C_Message message;
    C_SealedContent sealed;
    // The plain record first, then the sealed one; a pass phrase either kind accepts will do.
    // A sealed record stays opened in sealed, its payload not yet extracted.
    std::string strPassphrase = m_passphrase.Get(context, false, C_PassphraseSource::E_Rules::Either);
    const C_Record* pKind = nullptr;
    const E_RecordOutcome eOutcome = carrier.Reveal(message, strPassphrase, &sealed, &pKind);
    C_SecretBytes::WipeString(strPassphrase);
    switch (eOutcome) {
    case E_RecordOutcome::Found: break;
    case E_RecordOutcome::Damaged:
        // A share of a file hidden across pictures is whole, but no file by itself.
        if (sealed.HasShare()) {
            const std::string strShare =
                C_AcrossRevealJob::DescribeShare(sealed.ShareBody().Data(), sealed.ShareBody().Size());
            if (!strShare.empty())
                throw C_CliError(E_ExitCode::NotFound, strShare);
        }
        throw C_CliError(E_ExitCode::Damaged, kDamaged);
    case E_RecordOutcome::NoMemory: throw C_CliError(E_ExitCode::Failed, kNoMemory);
    default: throw C_CliError(E_ExitCode::NotFound, kNotFound);
    }
    const bool bSealed = pKind && pKind->IsSealed();
    const std::string strName = bSealed ? sealed.GetName() : message.m_strName;
    const uint64_t nSize = bSealed ? sealed.GetSize() : message.m_nSize;
    // A small picture can declare a payload of gigabytes: the picture's own consent rule.
    if (bSealed && carrier.PayloadNeedsConsent(nSize))
        throw C_CliError(E_ExitCode::Refused,
            "The hidden file would be " + std::to_string(nSize >> 20) + " MiB from a picture of "
                + std::to_string(carrier.GetFileBytes())
                + " bytes; nothing was written. Give --allow-large to reveal it anyway.");
    // The payload piece by piece: a sealed one is decompressed as it is written, never held whole.
    return Save(context, strName, nSize, bSealed, [&](const C_SealedContent::T_Sink& fnSink) {
        if (bSealed)
            return sealed.Extract(fnSink);
        return message.m_nSize == 0 || fnSink(message.GetData(), message.m_nSize)
            ? C_SealedContent::E_Extract::Done
            : C_SealedContent::E_Extract::SinkFailed;
    });
}

E_ExitCode C_CliRevealCommand::Save(const C_CliContext& context, const std::string& strName, uint64_t nSize,
    bool bSealed, const T_Extract& fnExtract) const
{
    const bool bToDirectory = m_pDirectoryOption->count() > 0 || !m_strDirectory.empty();
    const bool bToOutput = !bToDirectory && m_strFile == "-";
    // With the payload on standard output, what is said goes to standard error.
    std::ostream& report =
        bToOutput || C_AtomicFileWriter::OwnDescriptor(m_strFile) == 1 ? context.Err() : context.Out();
    const auto ReportFound = [&] {
        report << "Hidden message found: " << C_Text::Printable(strName) << " (" << nSize << " bytes)" << std::endl;
    };
    if (bToOutput) {
        // Standard output cannot take back what it was given: a damaged payload is found by a
        // first pass that writes nothing.
        if (bSealed && fnExtract([](const uint8_t*, size_t) { return true; }) != C_SealedContent::E_Extract::Done)
            throw C_CliError(E_ExitCode::Damaged, kDamaged);
        ReportFound();
        const bool bWritten = fnExtract([&](const uint8_t* pBytes, size_t nCount) {
            context.Out().write(reinterpret_cast<const char*>(pBytes), static_cast<std::streamsize>(nCount));
            return static_cast<bool>(context.Out());
        }) == C_SealedContent::E_Extract::Done;
        context.Out().flush();
        if (!bWritten || !context.Out())
            throw C_CliError(E_ExitCode::Failed, "The hidden file could not be written to standard output.");
        return E_ExitCode::Done;
    }

    std::string strTarget = m_strFile;
    if (bToDirectory) {
        strTarget = m_strDirectory;
        if (!strTarget.ends_with('/'))
            strTarget += '/';
        strTarget += SafeFileName(strName);
        if (!m_bForce && Exists(strTarget))
            RefuseExisting(strTarget);
    }
    // An existing file is replaced only with --force, and then atomically; a terminal or pipe
    // is written directly. A link named by -o is written through; one in DIR is replaced
    // itself, since the name came from the picture and must not lead the file out of DIR.
    // A damaged payload is found before the commit, so nothing is written then.
    C_AtomicFileWriter output;
    bool bWritten = output.Open(strTarget, !bToDirectory);
    if (bWritten) {
        const C_SealedContent::E_Extract eExtract =
            fnExtract([&](const uint8_t* pBytes, size_t nCount) { return output.Write(pBytes, nCount); });
        if (eExtract == C_SealedContent::E_Extract::Damaged)
            throw C_CliError(E_ExitCode::Damaged, kDamaged);
        bWritten = eExtract == C_SealedContent::E_Extract::Done;
    }
    if (bWritten) {
        ReportFound();
        bWritten = output.Commit(m_bForce || IsStream(strTarget));
    }
    if (!bWritten) {
        if (output.GetErrno() == EEXIST && !m_bForce)
            RefuseExisting(strTarget);
        const C_FileException error(C_FileException::OsErrorToCause(output.GetErrno()), strTarget, output.GetErrno());
        throw C_CliError(E_ExitCode::Failed, C_Text::Printable(error.GetErrorMessage()) + "\n" + output.GetError());
    }
    report << "Saved to: " << C_Text::Printable(strTarget) << "\n";
    return E_ExitCode::Done;
}
