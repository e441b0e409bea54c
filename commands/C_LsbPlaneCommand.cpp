#include "commands/C_LsbPlaneCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/analysis/C_DetectionCheck.h"

void C_LsbPlaneCommand::Run(const C_Carrier& carrier, C_Prompts& prompts)
{
    const BTCImageData* pData = carrier.GetObjectDataPtr();
    if (!pData)
        return;
    S_DetectionResult result;
    {
        C_BusyScope busy(prompts);  // the check reads every pixel
        result = C_DetectionCheck::Run(*pData);
    }
    if (result.aLsbPlane.empty() || result.nPlaneWidth == 0 || result.nPlaneHeight == 0) {
        prompts.ShowMessage(vmk::kStrLsbPlaneUnreadable);
        return;
    }
    prompts.ShowPicture(
        vmk::kStrLsbPlaneTitle, vmk::kStrLsbPlaneText, result.aLsbPlane, result.nPlaneWidth, result.nPlaneHeight);
}
