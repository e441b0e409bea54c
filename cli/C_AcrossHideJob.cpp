#include "cli/C_AcrossHideJob.h"

#include "cli/C_CliError.h"
#include "cli/C_HideJob.h"
#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_AcrossService.h"
#include "model/C_Carrier.h"
#include "model/C_HideService.h"
#include "model/files/C_AtomicFileWriter.h"
#include "model/files/C_FileException.h"
#include "model/pictures/BTCImageData.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"
#include "model/vmk_texts.h"

#include <cerrno>
#include <memory>
#include <ostream>
#include <set>
#include <sys/stat.h>

namespace {

std::string Bytes(uint64_t n)
{
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

}  // namespace

C_AcrossHideJob::C_AcrossHideJob(
    const C_HideJob& job, std::vector<std::string> pictures, std::string strPayload, unsigned k)
    : m_job(job)
    , m_pictures(std::move(pictures))
    , m_strPayload(std::move(strPayload))
    , m_nNeeded(k)
{ }

std::string C_AcrossHideJob::FileNameOf(const std::string& strPath)
{
    const size_t nSlash = strPath.find_last_of('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

void C_AcrossHideJob::Run(const C_CliContext& context)
{
    const size_t n = m_pictures.size();
    if (!m_job.Sealed())
        throw C_CliError(E_ExitCode::Refused, "--across hides a sealed record: give --seal with it.");
    if (n < 2)
        throw C_CliError(E_ExitCode::Refused,
            "--across needs at least two pictures before the file to hide: hide --seal --across K PICTURE... "
            "PAYLOAD -o DIR.");
    if (n > C_AcrossService::kMaxPictures)
        throw C_CliError(E_ExitCode::Refused,
            "--across takes at most " + std::to_string(C_AcrossService::kMaxPictures) + " pictures; "
                + std::to_string(n) + " were given. Nothing was written.");
    if (m_nNeeded < 1 || m_nNeeded > n)
        throw C_CliError(E_ExitCode::Refused,
            "--across K: K is how many of the pictures restore the file, from 1 to their number (" + std::to_string(n)
                + "); " + std::to_string(m_nNeeded) + " was given.");
    if (m_job.PairsPalette())
        throw C_CliError(
            E_ExitCode::Refused, "--pair-palette does not go with --across: palette pictures cannot hold a share.");
    const std::string& strDirectory = m_job.Output();
    struct stat st { };
    if (::stat(strDirectory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw C_CliError(E_ExitCode::Refused,
            "With --across, -o names the folder the pictures are written into; " + C_Text::Printable(strDirectory)
                + " is not a folder.");

    // The targets: DIR/name, one a picture, in the picture's own format.
    std::vector<std::string> targets;
    std::set<std::string> names;
    for (const std::string& strPicture : m_pictures) {
        const std::string strName = FileNameOf(strPicture);
        if (!names.insert(strName).second)
            throw C_CliError(E_ExitCode::Refused,
                "Two pictures are named " + C_Text::Printable(strName) + ": each is written into "
                    + C_Text::Printable(strDirectory) + " under its own name. Nothing was written.");
        targets.push_back(strDirectory + (strDirectory.ends_with('/') ? "" : "/") + strName);
        C_PictureIo::RequireOutputFormat(targets.back());
        C_PictureIo::RequireWritable(targets.back(), m_job.Force());
    }

    // Every picture opened and looked at before anything else.
    std::vector<std::unique_ptr<C_Carrier>> owned;
    std::vector<C_Carrier*> carriers;
    for (size_t i = 0; i < n; ++i) {
        owned.push_back(std::make_unique<C_Carrier>());
        C_PictureIo::Open(context, *owned.back(), m_pictures[i]);
        carriers.push_back(owned.back().get());
        const E_ImageFormat eSource = carriers.back()->GetObjectDataPtr()->GetSourceFormat();
        if (C_Carrier::FormatForPath(targets[i]) != eSource)
            throw C_CliError(E_ExitCode::Refused,
                C_Text::Printable(m_pictures[i]) + " is a " + C_PictureIo::FormatName(eSource)
                    + " picture, but its name would write it as "
                    + C_PictureIo::FormatName(C_Carrier::FormatForPath(targets[i]))
                    + ": the share would not survive. Give it a name of its own format. Nothing was written.");
        C_PictureIo::RequireConvertible(*carriers.back(), eSource, m_pictures[i]);
    }
    const std::vector<size_t> refused = C_AcrossService::Unsupported(carriers);
    if (!refused.empty()) {
        std::string strList;
        for (const size_t i : refused)
            strList += (strList.empty() ? "" : ", ") + C_Text::Printable(m_pictures[i]);
        throw C_CliError(E_ExitCode::Refused,
            strList + (refused.size() == 1 ? " cannot" : " cannot each")
                + " hold a share: palette pictures and gray pictures below 8 bits take no sealed record spread "
                  "over the picture. Nothing was written.");
    }

    // The payload, read up to what fits (or the sealed read limit, to see whether it compresses).
    const C_AcrossService service(m_job.RateLimited());
    if (C_PassphraseSource::IsStandardInput(m_strPayload) && m_job.Passphrase().ReadsStandardInput())
        throw C_CliError(E_ExitCode::Refused,
            "The payload and the pass phrase cannot both be read from standard input: give the pass phrase in "
            "a file of its own or at the terminal. Nothing was written.");
    const std::string strHidden =
        m_strPayload == "-" ? std::string(C_HideJob::kStdinName) : C_Message::NameFromPath(m_strPayload);
    const uint64_t nLargest = service.LargestPayload(carriers, m_nNeeded, strHidden.size());
    const auto TooLarge = [&](uint64_t nLargestFits) {
        return C_CliError(E_ExitCode::Refused,
            "The file will not fit across these " + std::to_string(n) + " pictures with any "
                + std::to_string(m_nNeeded) + " of them restoring it: at most " + Bytes(nLargestFits)
                + " fit (counted as stored, compressed where that is smaller)"
                + (m_job.RateLimited() ? " at the safe rate" : "")
                + ". Larger pictures hold more, and so does a larger K (more of them needed to restore it). Nothing was "
                  "written.");
    };
    C_Message message;
    const auto nLimit = static_cast<uint32_t>(
        std::min<uint64_t>(std::max<uint64_t>(nLargest, C_HideJob::kSealedReadLimit), C_Message::kMaxSize));
    try {
        if (m_strPayload == "-") {
            message.LoadFromStream(context.In(), strHidden, nLimit);
        } else {
            C_FileException error;
            if (!message.LoadFromFile(m_strPayload, &error, nLimit)) {
                if (error.GetOsError() == EISDIR)
                    throw C_CliError(E_ExitCode::Failed, C_Text::Printable(m_strPayload) + " is a folder, not a file.");
                throw C_CliError(E_ExitCode::Failed, C_Text::Printable(error.GetErrorMessage()));
            }
            message.m_strName = strHidden;
        }
    } catch (const C_FileException& e) {
        if (e.GetCause() == C_FileException::fileTooLarge)
            throw TooLarge(nLargest);
        throw;
    }
    const C_AcrossService::S_Check check = service.Check(carriers, m_nNeeded, message);
    if (check.eCheck == C_AcrossService::E_Check::TooLarge)
        throw TooLarge(check.nLargest);
    if (check.eCheck != C_AcrossService::E_Check::Ready)
        throw C_CliError(E_ExitCode::Refused, "The file cannot be hidden across these pictures. Nothing was written.");

    // One pass phrase for every picture.
    std::string strPassphrase = m_job.Passphrase().Get(context, true, C_PassphraseSource::E_Rules::Sealed);
    C_PassphraseSource::WarnIfWeak(context, strPassphrase);
    if (m_job.EmbedOption() == "replace")
        context.Err() << "Note: a share is written by adding or subtracting 1 where each picture hides it best; "
                         "--embed replace applies to plain records and palette pictures.\n";
    for (C_Carrier* pCarrier : carriers)
        pCarrier->KeepBeforeHide();
    const C_AcrossService::S_Hidden hidden = service.Hide(carriers, m_nNeeded, message, strPassphrase);
    if (hidden.eOutcome == E_RecordOutcome::TooLarge)
        throw TooLarge(service.LargestPayload(carriers, m_nNeeded, strHidden.size()));
    if (hidden.eOutcome != E_RecordOutcome::Hidden)
        throw C_CliError(E_ExitCode::Failed,
            "The share for " + C_Text::Printable(m_pictures[hidden.nPicture])
                + " could not be sealed: the key derivation found too little memory (it needs "
                + std::to_string(C_SealedRecord::kMemLimit >> 20) + " MiB). Nothing was written.");
    for (size_t i = 0; i < n; ++i) {
        const uint64_t nChanged = carriers[i]->TransparencyChanges();
        carriers[i]->ReleaseKept(false);
        if (nChanged == 0)
            continue;
        if (!m_job.Force())
            throw C_CliError(E_ExitCode::Refused,
                "Hiding this would change whether " + std::to_string(nChanged) + " pixels of "
                    + C_Text::Printable(m_pictures[i])
                    + " are transparent. Nothing was written. Give --force to hide anyway.");
        context.Err() << "Warning: the hide changed whether " << nChanged << " pixels of "
                      << C_Text::Printable(m_pictures[i]) << " are transparent.\n";
    }

    // Each picture into a temporary file, read back (it must give its share and the same
    // pixels); only when all have passed are they renamed into place.
    std::vector<std::unique_ptr<C_AtomicFileWriter>> outputs;
    for (size_t i = 0; i < n; ++i) {
        outputs.push_back(std::make_unique<C_AtomicFileWriter>());
        std::string strReason;
        const std::string strNotWritten = " Nothing was written.";
        switch (C_AcrossService::WriteShare(*carriers[i], targets[i], hidden, static_cast<unsigned>(i), m_nNeeded,
            static_cast<unsigned>(n), strPassphrase, *outputs.back(), strReason)) {
        case C_AcrossService::E_Written::Written: break;
        case C_AcrossService::E_Written::OpenFailed:
            throw C_CliError(E_ExitCode::Failed, std::string(C_PictureIo::kSaveFailed) + "\n" + strReason);
        case C_AcrossService::E_Written::SaveFailed:
            throw C_CliError(E_ExitCode::Failed,
                std::string(C_PictureIo::kSaveFailed) + "\n" + C_PictureIo::Reason(targets[i], strReason));
        case C_AcrossService::E_Written::NotReadBack:
            throw C_CliError(E_ExitCode::Failed,
                strReason.empty() ? "The picture as written does not give its share back ("
                        + C_Text::Printable(targets[i]) + ")." + strNotWritten
                                  : "The picture as written could not be read back;" + strNotWritten + "\n"
                        + C_PictureIo::Reason(targets[i], strReason));
        }
    }
    C_SecretBytes::WipeString(strPassphrase);
    for (size_t i = 0; i < n; ++i)
        if (!outputs[i]->Commit())
            throw C_CliError(E_ExitCode::Failed,
                std::string(C_PictureIo::kSaveFailed) + "\n" + outputs[i]->GetError()
                    + (i ? "\nThe pictures before it were written; those after it were not." : ""));
    context.Out() << "Hidden: " << C_Text::Printable(message.m_strName) << " (" << message.m_nSize << " bytes) across "
                  << n << " pictures; any " << m_nNeeded << " of them restore it.\n";
    for (size_t i = 0; i < n; ++i)
        context.Out() << "Share " << i + 1 << " of " << n << ": " << C_Text::Printable(targets[i]) << "\n";
}
