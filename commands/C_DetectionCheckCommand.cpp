#include "commands/C_DetectionCheckCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "model/C_Carrier.h"
#include "model/analysis/C_DetectionCheck.h"
#include "model/analysis/C_JpegDetectionCheck.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"

void C_DetectionCheckCommand::Run(const C_Carrier& carrier, C_Prompts& prompts)
{
    const BTCImageData* pData = carrier.GetObjectDataPtr();
    if (!pData)
        return;
    // A JPEG's hidden data would be in its coefficients: the attacks on those, in a box.
    if (const C_JpegCoefficients* pJpeg = pData->m_pDocument ? pData->m_pDocument->Coefficients() : nullptr) {
        S_JpegDetectionResult jpeg;
        {
            C_BusyScope busy(prompts);
            jpeg = C_JpegDetectionCheck::Run(*pJpeg);
        }
        prompts.ShowMessage(C_JpegDetectionCheck::TextLines(jpeg));
        return;
    }
    S_DetectionResult result;
    {
        C_BusyScope busy(prompts);  // every pixel is read several times
        result = C_DetectionCheck::Run(*pData);
    }
    prompts.ShowDetectionCheck(
        result, result.RecommendedPayload(carrier.GetUsableBytes(), carrier.GetCapacity()), carrier.GetCapacity());
}
