#include "commands/C_AcrossCommand.h"

#include "commands/C_AcrossPictures.h"
#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/C_RevealCommand.h"
#include "commands/vmk_command_texts.h"
#include "model/C_AcrossService.h"
#include "model/C_Carrier.h"
#include "model/C_HideService.h"
#include "model/C_TextFormat.h"
#include "model/files/C_AtomicFileWriter.h"
#include "model/files/C_FileException.h"
#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <new>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string Count(uint64_t n)
{
    return std::to_string(n);
}

// Names joined by ", ", the way the messages list pictures.
std::string NameList(const std::vector<std::string>& names)
{
    std::string str;
    for (const std::string& strName : names)
        str += (str.empty() ? "" : ", ") + strName;
    return str;
}

std::string PathIn(const std::string& strFolder, const std::string& strName)
{
    return strFolder + (strFolder.ends_with('/') ? "" : "/") + strName;
}

// "Error Opening Image!" with the picture and the reason, as opening a picture says it.
std::string OpenFailed(const std::string& strPath, const std::string& strReason)
{
    return std::string(vmk::kStrOpenFailed) + "\n" + strPath + ": "
        + (strReason.empty() ? "unknown reason" : strReason);
}

// The pictures that hold no share at all at the safe rate, which leave no room for any file.
std::string NoRoom(const std::vector<C_Carrier*>& carriers, const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    const C_AcrossService service;
    for (size_t i = 0; i < carriers.size() && i < paths.size(); ++i) {
        C_Carrier* const one[] = {carriers[i]};
        if (service.LargestPayload(one, 1, 0) == 0)
            names.push_back(C_AcrossCommand::FileNameOf(paths[i]));
    }
    return names.empty() ? std::string() : C_TextFormat::Substitute(vmk::kStrAcrossNoRoom, NameList(names));
}

C_FileDialogArgs PicturesArgs()
{
    C_FileDialogArgs args;
    args.m_strTitle = vmk::kStrAcrossChooseTitle;
    args.m_strFilter = vmk::CompareFilter();
    args.m_bMustExist = true;
    args.m_bStartInCurrentDir = false;
    return args;
}

}  // namespace

std::string C_AcrossCommand::FileNameOf(const std::string& strPath)
{
    const size_t nSlash = strPath.find_last_of('/');
    return nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
}

std::string C_AcrossCommand::Weigh(
    C_AcrossPictures& pictures, const std::vector<std::string>& paths, unsigned nNeeded, const std::string& strFile)
{
    if (paths.size() < 2)
        return vmk::kStrAcrossTooFew;
    if (paths.size() > C_AcrossService::kMaxPictures)
        return C_TextFormat::Substitute(vmk::kStrAcrossTooMany, Count(C_AcrossService::kMaxPictures));
    std::vector<C_Carrier*> carriers;
    for (const std::string& strPath : paths) {
        E_ImageError eError = E_ImageError::None;
        std::string strError;
        C_Carrier* pCarrier = pictures.Get(strPath, false, eError, strError);
        if (!pCarrier)
            return OpenFailed(FileNameOf(strPath), strError);
        carriers.push_back(pCarrier);
    }
    const std::vector<size_t> refused = C_AcrossService::Unsupported(carriers);
    if (!refused.empty()) {
        std::vector<std::string> names;
        for (const size_t i : refused)
            names.push_back(FileNameOf(paths[i]));
        return C_TextFormat::Substitute(
            refused.size() == 1 ? vmk::kStrAcrossUnsupported : vmk::kStrAcrossUnsupportedMany, NameList(names));
    }
    const std::string strName = strFile.empty() ? std::string() : C_Message::NameFromPath(strFile);
    const uint64_t nLargest = C_AcrossService().LargestPayload(carriers, nNeeded, strName.size());
    if (nLargest == 0) {
        const std::string strNoRoom = NoRoom(carriers, paths);
        return strNoRoom.empty() ? C_TextFormat::Substitute(vmk::kStrAcrossNoneFits, Count(nNeeded)) : strNoRoom;
    }
    std::string strLine =
        C_TextFormat::Substitute(vmk::kStrAcrossLargest, {Count(paths.size()), Count(nNeeded), Count(nLargest)});
    std::error_code error;
    const uintmax_t nFile = strFile.empty() ? 0 : fs::file_size(strFile, error);
    if (!strFile.empty() && !error)
        strLine += " "
            + C_TextFormat::Substitute(
                nFile <= nLargest ? vmk::kStrAcrossFileFits : vmk::kStrAcrossFileLarger, Count(nFile));
    return strLine;
}

void C_AcrossCommand::RunHide(C_Prompts& prompts)
{
    C_FileDialogArgs args = PicturesArgs();
    args.m_strTitle = vmk::kStrAcrossHideTitle;
    C_AcrossChoice choice;
    choice.m_pictures = prompts.ChooseOpenFiles(args);
    if (choice.m_pictures.empty())
        return;
    choice.m_nNeeded = C_AcrossChoice::DefaultNeeded(choice.m_pictures.size());
    C_AcrossPictures pictures;
    const C_AcrossChoice::T_Weigh fnWeigh = [&pictures](const std::vector<std::string>& paths, unsigned nNeeded,
                                                const std::string& strFile) {
        return Weigh(pictures, paths, nNeeded, strFile);
    };
    while (prompts.ShowHideAcross(choice, fnWeigh) && HideChosen(prompts, pictures, choice)) { }
}

bool C_AcrossCommand::HideChosen(C_Prompts& prompts, C_AcrossPictures& pictures, const C_AcrossChoice& choice)
{
    const std::vector<std::string>& paths = choice.m_pictures;
    const size_t n = paths.size();
    const unsigned k = choice.m_nNeeded;
    // The dialog checks these as well; scripted prompts and later changes to the files do not.
    if (n < 2) {
        prompts.ShowMessage(vmk::kStrAcrossTooFew);
        return true;
    }
    if (n > C_AcrossService::kMaxPictures) {
        prompts.ShowMessage(C_TextFormat::Substitute(vmk::kStrAcrossTooMany, Count(C_AcrossService::kMaxPictures)));
        return true;
    }
    if (k < 1 || k > n) {
        prompts.ShowMessage(C_TextFormat::Substitute(vmk::kStrIntegerRange, {"1", Count(n)}));
        return true;
    }
    if (choice.m_strFile.empty()) {
        prompts.ShowMessage(vmk::kStrAcrossNoFile);
        return true;
    }
    std::error_code error;
    if (choice.m_strFolder.empty() || !fs::is_directory(choice.m_strFolder, error)) {
        prompts.ShowMessage(C_TextFormat::Substitute(vmk::kStrAcrossNoFolder, choice.m_strFolder));
        return true;
    }
    if (C_SealedRecord::CheckPassphrase(choice.m_strPassphrase) != C_SealedRecord::E_Passphrase::Valid) {
        prompts.ShowMessage(vmk::kStrSealedPassphraseNotText);
        return true;
    }
    if (choice.m_strPassphrase != choice.m_strAgain) {
        prompts.ShowMessage(vmk::kStrPasswordsDiffer);
        return true;
    }
    // Each picture goes into the folder under its own name, so two of one name cannot.
    std::vector<std::string> targets;
    std::set<std::string> names;
    for (const std::string& strPath : paths) {
        const std::string strName = FileNameOf(strPath);
        if (!names.insert(strName).second) {
            prompts.ShowMessage(C_TextFormat::Substitute(vmk::kStrAcrossSameName, strName));
            return true;
        }
        targets.push_back(PathIn(choice.m_strFolder, strName));
    }

    // Every picture read and looked at before anything is asked or written.
    std::vector<C_Carrier*> carriers;
    for (const std::string& strPath : paths) {
        E_ImageError eError = E_ImageError::None;
        std::string strError;
        C_Carrier* pCarrier = nullptr;
        {
            C_BusyScope busy(prompts);
            pCarrier = pictures.Get(strPath, false, eError, strError);
        }
        if (!pCarrier && eError == E_ImageError::NeedsConsent
            && prompts.AskYesNo(C_TextFormat::Substitute(vmk::kStrAcrossLargePicture, FileNameOf(strPath)))) {
            C_BusyScope busy(prompts);
            pCarrier = pictures.Get(strPath, true, eError, strError);
        }
        if (!pCarrier) {
            if (eError != E_ImageError::NeedsConsent)
                prompts.ShowMessage(OpenFailed(strPath, strError));
            return true;
        }
        carriers.push_back(pCarrier);
    }
    const std::vector<size_t> refused = C_AcrossService::Unsupported(carriers);
    if (!refused.empty()) {
        std::vector<std::string> refusedNames;
        for (const size_t i : refused)
            refusedNames.push_back(FileNameOf(paths[i]));
        prompts.ShowMessage(
            C_TextFormat::Substitute(refused.size() == 1 ? vmk::kStrAcrossUnsupported : vmk::kStrAcrossUnsupportedMany,
                NameList(refusedNames))
            + " " + vmk::kStrAcrossNotWritten);
        return true;
    }
    for (size_t i = 0; i < n; ++i) {
        const E_ImageFormat eSource = carriers[i]->GetObjectDataPtr()->GetSourceFormat();
        if (C_Carrier::FormatForPath(targets[i]) != eSource) {
            const char* pszFormat = C_FormatRegistry::Name(eSource);
            prompts.ShowMessage(C_TextFormat::Substitute(
                vmk::kStrAcrossWrongFormat, {FileNameOf(paths[i]), pszFormat ? pszFormat : "?"}));
            return true;
        }
    }

    // The file, read no further than could fit: as stored it must pass the largest payload,
    // and it may compress to a tenth, but no further than the pictures' bytes could hold.
    const C_AcrossService service;
    const std::string strName = C_Message::NameFromPath(choice.m_strFile);
    uint64_t nLargest = 0;
    uint64_t nBound = 0;
    {
        C_BusyScope busy(prompts);
        nLargest = service.LargestPayload(carriers, k, strName.size());
        for (const C_Carrier* pCarrier : carriers)
            nBound += pCarrier->GetUsableBytes();
    }
    const std::string strWontFit =
        C_TextFormat::Substitute(vmk::kStrAcrossWontFit, {Count(n), Count(k), Count(nLargest)});
    C_Message message;
    {
        C_FileException fileError;
        bool bLoaded = false;
        try {
            C_BusyScope busy(prompts);
            bLoaded = message.LoadFromFile(choice.m_strFile, &fileError,
                static_cast<uint32_t>(std::min<uint64_t>(std::max(nLargest, nBound), C_Message::kMaxSize)));
        } catch (const C_FileException& thrown) {
            fileError = thrown;
        }
        if (!bLoaded) {
            prompts.ShowMessage(
                fileError.GetCause() == C_FileException::fileTooLarge ? strWontFit : fileError.GetErrorMessage());
            return true;
        }
    }
    C_AcrossService::S_Check check;
    {
        C_BusyScope busy(prompts);
        check = service.Check(carriers, k, message);
    }
    if (check.eCheck != C_AcrossService::E_Check::Ready) {
        std::string strText = check.eCheck == C_AcrossService::E_Check::TooLarge
            ? C_TextFormat::Substitute(vmk::kStrAcrossWontFit, {Count(n), Count(k), Count(check.nLargest)})
            : strWontFit;
        if (check.nLargest == 0) {
            C_BusyScope busy(prompts);
            const std::string strNoRoom = NoRoom(carriers, paths);
            if (!strNoRoom.empty())
                strText.append("\n\n").append(strNoRoom);
        }
        prompts.ShowMessage(strText);
        return true;
    }

    // Pictures of those names already in the folder are replaced only when the user agrees.
    std::vector<bool> existed(n, false);
    std::vector<std::string> present;
    for (size_t i = 0; i < n; ++i) {
        existed[i] = fs::exists(fs::symlink_status(targets[i], error));
        if (existed[i])
            present.push_back(FileNameOf(targets[i]));
    }
    if (!present.empty()
        && !prompts.AskYesNo(C_TextFormat::Substitute(
            vmk::kStrAcrossReplace, {Count(present.size()), choice.m_strFolder, NameList(present)})))
        return true;

    // From here the carriers change: whatever happens, they are read afresh next time.
    struct S_Forget {
        C_AcrossPictures& pictures;
        ~S_Forget() { pictures.Forget(); }
    } forget{pictures};

    C_AcrossService::S_Hidden hidden;
    const bool bHidden = prompts.RunSteps(
        C_TextFormat::Substitute(vmk::kStrAcrossHiding, {strName, Count(n)}), n, [&](const C_Prompts::T_Step& fnStep) {
            for (C_Carrier* pCarrier : carriers)
                pCarrier->KeepBeforeHide();
            hidden = service.Hide(carriers, k, message, choice.m_strPassphrase,
                [&fnStep](size_t nDone, size_t) { return fnStep(nDone); });
        });
    if (!bHidden || hidden.bStopped)
        return false;
    if (hidden.eOutcome != E_RecordOutcome::Hidden) {
        const std::string strPicture = FileNameOf(paths[std::min(hidden.nPicture, n - 1)]);
        prompts.ShowMessage(hidden.eOutcome == E_RecordOutcome::TooLarge
                ? strWontFit
                : C_TextFormat::Substitute(vmk::kStrAcrossSealFailed, strPicture));
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint64_t nChanged = carriers[i]->TransparencyChanges();
        carriers[i]->ReleaseKept(false);
        if (nChanged != 0
            && !prompts.AskYesNo(
                C_TextFormat::Substitute(vmk::kStrAcrossTransparency, {Count(nChanged), FileNameOf(paths[i])})))
            return false;
    }

    // Each picture into a temporary file beside its target and read back as a stranger would
    // (its share and the same pixels); only when all have passed are they renamed into place.
    std::vector<std::unique_ptr<C_AtomicFileWriter>> outputs;
    std::string strFailure;
    const bool bWritten = prompts.RunSteps(
        C_TextFormat::Substitute(vmk::kStrAcrossWriting, choice.m_strFolder), n, [&](const C_Prompts::T_Step& fnStep) {
            for (size_t i = 0; i < n; ++i) {
                outputs.push_back(std::make_unique<C_AtomicFileWriter>());
                std::string strReason;
                switch (C_AcrossService::WriteShare(*carriers[i], targets[i], hidden, static_cast<unsigned>(i), k,
                    static_cast<unsigned>(n), choice.m_strPassphrase, *outputs.back(), strReason)) {
                case C_AcrossService::E_Written::Written: break;
                case C_AcrossService::E_Written::OpenFailed:
                case C_AcrossService::E_Written::SaveFailed:
                    strFailure = std::string(vmk::kStrSaveFailed) + "\n" + targets[i] + ": " + strReason;
                    return;
                case C_AcrossService::E_Written::NotReadBack:
                    strFailure = C_TextFormat::Substitute(vmk::kStrAcrossReadBack, FileNameOf(targets[i]));
                    return;
                }
                if (!fnStep(i + 1))
                    return;
            }
        });
    if (!bWritten)
        return false;  // the temporary files go with their writers
    if (!strFailure.empty()) {
        prompts.ShowMessage(strFailure.find(vmk::kStrAcrossNotWritten) == std::string::npos
                ? strFailure + "\n" + vmk::kStrAcrossNotWritten
                : strFailure);
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        if (outputs[i]->Commit(existed[i]))
            continue;
        // Renames rarely fail where the temporary files could be written; should one, the
        // new pictures before it go again, so no part of the set is left to look complete.
        std::string strMessage = std::string(vmk::kStrSaveFailed) + "\n" + targets[i] + ": " + outputs[i]->GetError();
        bool bReplaced = false;
        for (size_t j = 0; j < i; ++j) {
            if (existed[j])
                bReplaced = true;
            else
                fs::remove(targets[j], error);
        }
        prompts.ShowMessage(strMessage + "\n" + (bReplaced ? vmk::kStrAcrossPartlyWritten : vmk::kStrAcrossNotWritten));
        return false;
    }
    std::vector<std::string> written;
    for (const std::string& strTarget : targets)
        written.push_back(FileNameOf(strTarget));
    prompts.ShowHidden(message.m_strName, message.m_nSize,
        C_TextFormat::Substitute(vmk::kStrAcrossHidden, {choice.m_strFolder, NameList(written), Count(k), Count(n)}));
    return false;
}

void C_AcrossCommand::RunReveal(C_Prompts& prompts)
{
    C_FileDialogArgs args = PicturesArgs();
    args.m_strTitle = vmk::kStrAcrossRevealTitle;
    const std::vector<std::string> paths = prompts.ChooseOpenFiles(args);
    if (paths.empty())
        return;
    std::string strPassphrase;
    if (!prompts.RunSealedPassphraseLoop(strPassphrase, false))
        return;
    struct S_Wipe {
        std::string& str;
        ~S_Wipe() { C_SecretBytes::WipeString(str); }
    } wipe{strPassphrase};

    // Each picture read, looked in and let go in turn: only the shares stay.
    const size_t n = paths.size();
    std::vector<C_AcrossService::S_Picture> found(n);
    std::vector<std::string> unreadable;
    std::vector<C_ShareSet::S_Share> shares;
    uint64_t nFileBytes = 0;
    const bool bDone = prompts.RunSteps(
        C_TextFormat::Substitute(vmk::kStrAcrossLooking, Count(n)), n, [&](const C_Prompts::T_Step& fnStep) {
            for (size_t i = 0; i < n; ++i) {
                C_Carrier carrier;
                if (!carrier.OpenImage(paths[i])) {
                    unreadable.push_back(FileNameOf(paths[i]));
                    found[i].eHolds = C_AcrossService::E_Holds::Nothing;
                } else {
                    nFileBytes += carrier.GetFileBytes();
                    C_ShareSet::S_Share share;
                    found[i] = C_AcrossService::Examine(carrier, strPassphrase, &share);
                    if (found[i].eHolds == C_AcrossService::E_Holds::Share)
                        shares.push_back(std::move(share));
                }
                if (!fnStep(i + 1))
                    return;
            }
        });
    if (!bDone)
        return;

    C_SealedContent content;
    C_AcrossService::S_Restore restore;
    {
        C_BusyScope busy(prompts);
        restore = C_AcrossService::Restore(shares, content);
    }
    if (restore.eRestore == C_AcrossService::E_Restore::Restored) {
        // A file that declares far more than its pictures hold asks first, by the rule a single
        // picture's reveal follows.
        const uint64_t nSize = content.GetSize();
        if (nSize > C_DecodeLimit::kConsentBytes
            && nSize / C_DecodeLimit::kConsentRatio >= std::max<uint64_t>(nFileBytes, 1)
            && !prompts.AskYesNo(C_TextFormat::Substitute(vmk::kStrLargePayload, Count(nSize >> 20))))
            return;
        C_Message message;
        C_SealedContent::E_Extract eExtract = C_SealedContent::E_Extract::Damaged;
        try {
            C_BusyScope busy(prompts);
            eExtract = content.ExtractTo(message);
        } catch (const std::bad_alloc&) {
            prompts.ShowMessage(vmk::kStrRevealNoMemory);
            return;
        }
        content.Clear();
        if (eExtract != C_SealedContent::E_Extract::Done) {
            prompts.ShowMessage(vmk::kStrRecordDamaged);
            return;
        }
        C_RevealCommand::OfferToSave(prompts, message);
        return;
    }

    // What was found, and what each picture that gave nothing held.
    std::string strText;
    const std::string strSet = C_AcrossService::SetLabel(restore.setId);
    switch (restore.eRestore) {
    case C_AcrossService::E_Restore::TooFew:
        strText = C_TextFormat::Substitute(
            vmk::kStrAcrossFoundTooFew, {Count(restore.nFound), strSet, Count(restore.nNeeded)});
        break;
    case C_AcrossService::E_Restore::Damaged:
        strText = C_TextFormat::Substitute(vmk::kStrAcrossSetDamaged, {Count(restore.nFound), strSet});
        break;
    default: strText = vmk::kStrAcrossNoShares; break;
    }
    if (restore.nSets > 1)
        strText.append("\n").append(C_TextFormat::Substitute(vmk::kStrAcrossOtherSets, Count(restore.nSets - 1)));
    std::vector<std::string> damaged, ownFile, noRoom, noMemory;
    for (size_t i = 0; i < n; ++i) {
        switch (found[i].eHolds) {
        case C_AcrossService::E_Holds::Damaged: damaged.push_back(FileNameOf(paths[i])); break;
        case C_AcrossService::E_Holds::File: ownFile.push_back(FileNameOf(paths[i])); break;
        case C_AcrossService::E_Holds::Unsupported: noRoom.push_back(FileNameOf(paths[i])); break;
        case C_AcrossService::E_Holds::NoMemory: noMemory.push_back(FileNameOf(paths[i])); break;
        default: break;
        }
    }
    // The pictures' lines below the finding, apart from it.
    bool bFirst = true;
    const auto Add = [&strText, &bFirst](const char* pszPattern, const std::vector<std::string>& names) {
        if (names.empty())
            return;
        strText.append(bFirst ? "\n\n" : "\n").append(C_TextFormat::Substitute(pszPattern, NameList(names)));
        bFirst = false;
    };
    Add(vmk::kStrAcrossSkippedDamaged, damaged);
    Add(vmk::kStrAcrossOwnFile, ownFile);
    Add(vmk::kStrAcrossNoShareRoom, noRoom);
    Add(vmk::kStrAcrossNoMemory, noMemory);
    Add(vmk::kStrAcrossUnreadable, unreadable);
    prompts.ShowMessage(strText);
}
