#include "commands/C_DetectionCheckCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "model/C_Carrier.h"
#include "model/analysis/C_DetectionCheck.h"

void C_DetectionCheckCommand::Run(const C_Carrier& carrier, C_Prompts& prompts)
{
    const BTCImageData* pData = carrier.GetObjectDataPtr();
    if (!pData)
        return;
    S_DetectionResult result;
    {
        C_BusyScope busy(prompts);  // every pixel is read several times
        result = C_DetectionCheck::Run(*pData);
    }
    prompts.ShowDetectionCheck(result, result.RecommendedPayload(carrier.GetUsableBytes()), carrier.GetCapacity());
}
