#include "commands/C_HideCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/files/C_FileException.h"
#include "model/C_HideService.h"
#include "model/records/C_Message.h"
#include "model/C_TextFormat.h"
#include "model/effects/C_PalettePairing.h"

#include <cstdio>
#include <string>

void C_HideCommand::Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
    const HiddenFn& fnHidden, const C_HideOptions& options, const std::string& strChosenPath)
{
    // Said before a file is chosen: a JPEG takes sealed messages only.
    if (carrier.HidesInCoefficients()) {
        prompts.ShowMessage(vmk::kStrJpegNeedsSeal);
        return;
    }
    C_Message message;
    if (!LoadChosenFile(
            prompts, message, [&carrier](size_t nNameBytes) { return carrier.GetLargestPayload(nNameBytes); },
            strChosenPath))
        return;
    if (!C_HideService::For(false).Fits(carrier, message)) {
        prompts.ShowMessage(vmk::kStrFileWontFit);
        return;
    }
    HidePayload(carrier, prompts, fnRedraw, message, vmk::kStrFileWontFit, fnHidden, options);
}

bool C_HideCommand::LoadChosenFile(C_Prompts& prompts, C_Message& message,
    const std::function<uint32_t(size_t nNameBytes)>& fnLimit, const std::string& strChosenPath)
{
    const std::string strPath = !strChosenPath.empty()
        ? strChosenPath
        : prompts.ChooseOpenFile({"", vmk::kStrHideFilter, vmk::kStrHideDefaultExt, ""});
    if (strPath.empty())
        return false;

    // A file that cannot be read stops here, instead of hiding an empty record; one too large
    // for the picture stops before more than fits of it is read.
    C_FileException error;
    bool bLoaded = false;
    try {
        C_BusyScope busy(prompts);
        bLoaded = message.LoadFromFile(strPath, &error, fnLimit(C_Message::NameFromPath(strPath).size()));
    } catch (const C_FileException& readError) {
        prompts.ShowMessage(
            readError.GetCause() == C_FileException::fileTooLarge ? vmk::kStrFileWontFit : readError.GetErrorMessage());
        return false;
    }
    if (!bLoaded) {
        prompts.ShowMessage(error.GetErrorMessage());
        return false;
    }
    return true;
}

std::string C_HideCommand::PairPaletteIfAsked(C_Carrier& carrier, const C_HideOptions& options)
{
    // The look stays the same, so nothing is asked: a picture that is no palette picture (or one
    // the pairing cannot rewrite) is hidden into as it is.
    BTCImageData* pData = carrier.GetObjectDataPtr();
    if (!options.m_bPairPalette || !pData)
        return {};
    const double dBefore = C_PalettePairing::MeanFlipDistance(*pData);
    if (C_PalettePairing::Apply(*pData) != E_PairingOutcome::Paired)
        return {};
    char aLine[160];
    std::snprintf(aLine, sizeof aLine, vmk::kStrPalettePaired, C_PalettePairing::MeanFlipDistance(*pData), dBefore);
    return aLine;
}

std::string C_HideCommand::HowText(const std::string& strPairing, bool bMatched)
{
    std::string strHow = strPairing;
    if (bMatched)
        strHow += (strHow.empty() ? "" : "\n") + std::string(vmk::kStrEmbeddedMatch);
    return strHow;
}

bool C_HideCommand::ConfirmTransparency(C_Carrier& carrier, C_Prompts& prompts)
{
    const uint64_t nChanged = carrier.TransparencyChanges();
    if (nChanged == 0)
        return true;
    if (prompts.AskYesNo(C_TextFormat::Substitute(vmk::kStrTransparencyChanged, std::to_string(nChanged))))
        return true;
    carrier.ReleaseKept(true);
    return false;
}

void C_HideCommand::HidePayload(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
    const C_Message& message, const char* pszFitMessage, const HiddenFn& fnHidden, const C_HideOptions& options)
{
    std::string strPassword;
    if (!prompts.RunPasswordLoop(strPassword))
        return;

    // A refused hide leaves the carrier's bytes and its kept pass phrase as they were.
    bool bHidden = false;
    std::string strPairing;
    {
        C_BusyScope busy(prompts);
        carrier.KeepBeforeHide();
        strPairing = PairPaletteIfAsked(carrier, options);
        bHidden = C_HideService::For(false).Hide(carrier, message, strPassword,
                      options.m_bMatchEmbedding ? E_Embedding::Match : E_Embedding::Replace)
            == E_RecordOutcome::Hidden;
    }
    if (bHidden && !ConfirmTransparency(carrier, prompts))
        return;
    carrier.ReleaseKept(false);
    if (!bHidden) {
        // Positions would repeat under this pass phrase: say how much does fit under it.
        const uint32_t nLargest = carrier.LargestPayloadFor(strPassword, message.m_strName.size());
        prompts.ShowMessage(std::string(pszFitMessage) + "\n\n"
            + C_TextFormat::Substitute(vmk::kStrLargestForPassword, std::to_string(nLargest)));
        return;
    }
    if (fnRedraw)
        fnRedraw();
    if (fnHidden) {
        const uint8_t* pData = message.GetData();
        fnHidden(C_HiddenRecord{message.m_strName,
            pData ? std::vector<uint8_t>(pData, pData + message.m_nSize) : std::vector<uint8_t>(), strPassword});
    }
    prompts.ShowHidden(
        message.m_strName, message.m_nSize, HowText(strPairing, options.m_bMatchEmbedding && carrier.CanEmbedMatch()));
}
