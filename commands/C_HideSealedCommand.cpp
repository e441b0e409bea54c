#include "commands/C_HideSealedCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/C_HideService.h"
#include "model/pictures/BTCImageData.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedRecord.h"

#include <algorithm>
#include <cstdint>

void C_HideSealedCommand::Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
    const C_HideCommand::HiddenFn& fnHidden, const C_HideOptions& options)
{
    // A payload that compresses may fit beyond the sealed capacity, so that cannot bound the
    // read; the picture's own byte count does, which keeps the reading and the memory in
    // proportion to the picture. A JPEG has no usable pixel bytes (its record lives in its
    // coefficients): the pixels decoded from it count instead.
    const BTCImageData* pData = carrier.GetObjectDataPtr();
    const uint32_t nBound = carrier.HidesInCoefficients() && pData ? pData->GetImageSize() : carrier.GetUsableBytes();
    C_Message message;
    if (!C_HideCommand::LoadChosenFile(
            prompts, message, [nBound](size_t) { return std::min(nBound, C_Message::kMaxSize); }))
        return;
    bool bFits = false;
    {
        C_BusyScope busy(prompts);
        bFits = C_HideService::For(true).Fits(carrier, message);
    }
    if (!bFits) {
        prompts.ShowMessage(vmk::kStrFileWontFit);
        return;
    }
    HidePayload(carrier, prompts, fnRedraw, message, vmk::kStrFileWontFit, fnHidden, options);
}

void C_HideSealedCommand::HidePayload(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
    const C_Message& message, const char* pszFitMessage, const C_HideCommand::HiddenFn& fnHidden,
    const C_HideOptions& options)
{
    std::string strPassphrase;
    if (!prompts.RunSealedPassphraseLoop(strPassphrase, true))
        return;
    E_RecordOutcome eOutcome = E_RecordOutcome::Refused;
    std::string strPairing;
    {
        C_BusyScope busy(prompts);  // the key derivation takes about a third of a second
        carrier.KeepBeforeHide();
        strPairing = C_HideCommand::PairPaletteIfAsked(carrier, options);
        eOutcome = C_HideService::For(true).Hide(carrier, message, strPassphrase, E_Embedding::Match);
    }
    if (eOutcome == E_RecordOutcome::Hidden && !C_HideCommand::ConfirmTransparency(carrier, prompts))
        return;
    carrier.ReleaseKept(false);
    if (eOutcome == E_RecordOutcome::TooLarge) {
        prompts.ShowMessage(pszFitMessage);
        return;
    }
    if (eOutcome != E_RecordOutcome::Hidden) {
        prompts.ShowMessage(vmk::kStrSealFailed);
        return;
    }
    if (fnRedraw)
        fnRedraw();
    if (fnHidden) {
        const uint8_t* pData = message.GetData();
        fnHidden(C_HiddenRecord{message.m_strName,
            pData ? std::vector<uint8_t>(pData, pData + message.m_nSize) : std::vector<uint8_t>(), strPassphrase,
            true});
    }
    // A seal embeds by plus or minus one wherever the picture allows.
    prompts.ShowHidden(message.m_strName, message.m_nSize, C_HideCommand::HowText(strPairing, carrier.CanEmbedMatch()));
}
