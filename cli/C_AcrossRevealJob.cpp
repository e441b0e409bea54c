#include "cli/C_AcrossRevealJob.h"

#include "cli/C_CliError.h"
#include "cli/C_PassphraseSource.h"
#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_AcrossService.h"
#include "model/C_Carrier.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SecretBytes.h"
#include "model/vmk_texts.h"

#include <memory>

namespace {

std::string Shares(unsigned n)
{
    return std::to_string(n) + (n == 1 ? " share" : " shares");
}

}  // namespace

C_AcrossRevealJob::C_AcrossRevealJob(std::vector<std::string> pictures)
    : m_pictures(std::move(pictures))
{ }

std::string C_AcrossRevealJob::DescribeShare(const uint8_t* pBody, size_t nBytes)
{
    C_ShareSet::S_Share share;
    if (!C_ShareSet::Parse(pBody, nBytes, share))
        return {};
    return "This picture holds share " + std::to_string(share.index + 1) + " of " + std::to_string(share.n)
        + " of a file hidden across pictures (set " + C_AcrossService::SetLabel(share.setId) + "); any "
        + std::to_string(share.k) + " of the " + std::to_string(share.n)
        + " restore it: give reveal at least that many of them. Nothing was saved.";
}

void C_AcrossRevealJob::Run(const C_CliContext& context, const C_PassphraseSource& passphrase, std::ostream& report,
    C_SealedContent& content, uint64_t& nFileBytes) const
{
    const size_t n = m_pictures.size();
    if (n > C_AcrossService::kMaxPictures)
        throw C_CliError(E_ExitCode::Refused,
            "reveal takes at most " + std::to_string(C_AcrossService::kMaxPictures) + " pictures; " + std::to_string(n)
                + " were given.");
    // Every picture opened first: one that cannot hold a share is refused by name before the pass
    // phrase is asked for.
    std::vector<std::unique_ptr<C_Carrier>> carriers;
    nFileBytes = 0;
    for (const std::string& strPicture : m_pictures) {
        carriers.push_back(std::make_unique<C_Carrier>());
        C_PictureIo::Open(context, *carriers.back(), strPicture);
        nFileBytes += carriers.back()->GetFileBytes();
    }
    std::string strRefused;
    size_t nRefused = 0;
    for (size_t i = 0; i < n; ++i)
        if (!carriers[i]->SealsSpread()) {
            strRefused += (strRefused.empty() ? "" : ", ") + C_Text::Printable(m_pictures[i]);
            ++nRefused;
        }
    if (nRefused)
        throw C_CliError(E_ExitCode::Refused,
            strRefused + (nRefused == 1 ? " cannot" : " cannot each")
                + " hold a share: palette pictures and gray pictures below 8 bits take no sealed record spread "
                  "over the picture. Reveal it alone, or leave it out.");

    std::string strPassphrase = passphrase.Get(context, false, C_PassphraseSource::E_Rules::Either);
    std::vector<C_ShareSet::S_Share> shares;
    unsigned nDamaged = 0, nFiles = 0;
    bool bNoMemory = false;
    for (size_t i = 0; i < n; ++i) {
        C_ShareSet::S_Share share;
        const C_AcrossService::S_Picture picture = C_AcrossService::Examine(*carriers[i], strPassphrase, &share);
        carriers[i].reset();  // one picture's pixels at a time from here
        report << C_Text::Printable(m_pictures[i]) << ": ";
        switch (picture.eHolds) {
        case C_AcrossService::E_Holds::Share:
            report << "share " << picture.index + 1 << " of " << picture.n << " (set "
                   << C_AcrossService::SetLabel(picture.setId) << ", any " << picture.k << " restore it)\n";
            shares.push_back(std::move(share));
            break;
        case C_AcrossService::E_Holds::File:
            ++nFiles;
            report << "a hidden file of its own, not a share (reveal it alone)\n";
            break;
        case C_AcrossService::E_Holds::Damaged:
            ++nDamaged;
            report << "a record that was changed or damaged; skipped\n";
            break;
        case C_AcrossService::E_Holds::NoMemory:
            bNoMemory = true;
            report << "not searched: " << vmk::kStrSealedNoMemory << "\n";
            break;
        case C_AcrossService::E_Holds::Nothing:
        case C_AcrossService::E_Holds::Unsupported: report << "nothing under this pass phrase\n"; break;
        }
    }
    C_SecretBytes::WipeString(strPassphrase);

    const C_AcrossService::S_Restore restore = C_AcrossService::Restore(shares, content);
    const std::string strSet = "set " + C_AcrossService::SetLabel(restore.setId);
    switch (restore.eRestore) {
    case C_AcrossService::E_Restore::Restored:
        if (restore.nSets > 1)
            report << "The shares belong to " << restore.nSets << " sets; " << strSet << " was restored from "
                   << Shares(restore.nFound) << " (it needs " << restore.nNeeded << ").\n";
        return;
    case C_AcrossService::E_Restore::Damaged:
        throw C_CliError(E_ExitCode::Damaged,
            "The shares of " + strSet + " do not give a file back (one was changed); nothing was saved.");
    case C_AcrossService::E_Restore::TooFew:
        throw C_CliError(E_ExitCode::NotFound,
            "Found " + std::to_string(restore.nFound) + " of the " + std::to_string(restore.nNeeded)
                + " shares this file needs (" + strSet + "); nothing was saved."
                + (restore.nSets > 1 ? " Shares of " + std::to_string(restore.nSets) + " sets were found." : ""));
    case C_AcrossService::E_Restore::NoShares: break;
    }
    if (bNoMemory)
        throw C_CliError(E_ExitCode::Failed, vmk::kStrSealedNoMemory);
    if (nDamaged)
        throw C_CliError(E_ExitCode::Damaged, vmk::kStrRecordDamaged);
    throw C_CliError(E_ExitCode::NotFound,
        nFiles ? "No shares were found; a picture that holds a file of its own reveals it alone."
               : std::string(vmk::kStrNothingFound));
}
