#include "commands/C_CompareCommand.h"

#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"

void C_CompareCommand::Run(const C_Carrier& carrier, C_Prompts& prompts)
{
    const std::string strPath = prompts.ChooseOpenFile({"", vmk::kStrCompareFilter, vmk::kStrCompareDefaultExt, ""});
    if (strPath.empty())
        return;

    // Belongs to no document: never shown, gone when the command returns.
    C_Carrier second;
    if (!second.OpenImage(strPath)) {
        prompts.ShowMessage(vmk::kStrSecondOpenFailed);
        return;
    }
    prompts.ShowMessage(carrier.CompareImage(second) > 0 ? vmk::kStrImagesDiffer : vmk::kStrImagesAlike);
}
