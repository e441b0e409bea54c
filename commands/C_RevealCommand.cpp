#include "commands/C_RevealCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/files/C_FileException.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SecretBytes.h"
#include "model/C_TextFormat.h"

#include <new>
#include <string>

C_FileDialogArgs C_RevealCommand::SaveDialogArgs(const std::string& strName)
{
    // Searching bytes is safe for UTF-8: no byte of a multibyte character equals '.'.
    const size_t nDot = strName.find('.');
    const std::string strExt = nDot == std::string::npos ? strName : strName.substr(nDot + 1);
    const std::string strBase = nDot == std::string::npos ? std::string() : strName.substr(0, nDot);

    C_FileDialogArgs args;
    args.m_strFilter = strExt + " Files(*." + strExt + ")|*." + strExt + "|";
    args.m_strDefaultExt = vmk::kStrRevealDefaultExt;
    args.m_strInitialName = strBase;
    return args;
}

void C_RevealCommand::Run(C_Carrier& carrier, C_Prompts& prompts)
{
    std::string strPassword;
    if (prompts.RunPasswordLoop(strPassword))
        RevealAndSave(carrier, prompts, strPassword);
    C_SecretBytes::WipeString(strPassword);
}

void C_RevealCommand::RunSealed(C_Carrier& carrier, C_Prompts& prompts)
{
    std::string strPassphrase;
    if (prompts.RunSealedPassphraseLoop(strPassphrase, false))
        RevealAndSave(carrier, prompts, strPassphrase);
    C_SecretBytes::WipeString(strPassphrase);
}

void C_RevealCommand::RevealAndSave(C_Carrier& carrier, C_Prompts& prompts, const std::string& strPassphrase)
{
    C_Message message;
    C_SealedContent sealed;
    const C_Record* pKind = nullptr;
    E_RecordOutcome eOutcome = E_RecordOutcome::NotFound;
    {
        C_BusyScope busy(prompts);
        // A sealed record stays opened in sealed, its payload not yet extracted.
        eOutcome = carrier.Reveal(message, strPassphrase, &sealed, &pKind);
    }
    switch (eOutcome) {
    case E_RecordOutcome::Found: break;
    case E_RecordOutcome::Damaged: prompts.ShowMessage(vmk::kStrRecordDamaged); return;
    case E_RecordOutcome::NoMemory: prompts.ShowMessage(vmk::kStrSealedNoMemory); return;
    default: prompts.ShowMessage(vmk::kStrNothingFound); return;
    }
    const bool bSealed = pKind && pKind->IsSealed();
    if (bSealed) {
        // A small picture can declare a payload of gigabytes: the user decides, as for pictures.
        if (carrier.PayloadNeedsConsent(sealed.GetSize())) {
            if (!prompts.AskYesNo(
                    C_TextFormat::Substitute(vmk::kStrLargePayload, std::to_string(sealed.GetSize() >> 20))))
                return;
        }
        C_SealedContent::E_Extract eExtract = C_SealedContent::E_Extract::Damaged;
        try {
            C_BusyScope busy(prompts);
            eExtract = sealed.ExtractTo(message);
        } catch (const std::bad_alloc&) {
            prompts.ShowMessage(vmk::kStrRevealNoMemory);
            return;
        }
        sealed.Clear();
        if (eExtract != C_SealedContent::E_Extract::Done) {
            prompts.ShowMessage(vmk::kStrRecordDamaged);
            return;
        }
    }
    OfferToSave(prompts, message);
}

void C_RevealCommand::OfferToSave(C_Prompts& prompts, C_Message& message)
{
    if (!prompts.ShowFound(message.m_strName, message.m_nSize))
        return;

    const std::string strPath = prompts.ChooseSaveFile(SaveDialogArgs(message.m_strName));
    if (strPath.empty())
        return;
    // A file that cannot be written is reported with its reason; the command then ends.
    try {
        C_BusyScope busy(prompts);
        message.SaveToFile(strPath);
    } catch (const C_FileException& error) {
        prompts.ShowMessage(error.GetErrorMessage());
    }
}
