#include "commands/C_PropertiesCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "model/C_Carrier.h"
#include "model/C_CarrierInfo.h"
#include "model/analysis/C_DetectionCheck.h"

void C_PropertiesCommand::Run(const C_Carrier& carrier, C_Prompts& prompts)
{
    C_CarrierInfo info;
    carrier.GetCarrierInfo(info);
    info.m_nSealedCapacity = carrier.CapacityOf(C_Carrier::SealedKind(), 0);
    info.m_bCoefficients = carrier.HidesInCoefficients();
    if (carrier.SealsSpread())
        info.m_nSealedUnlimited = carrier.CapacityOf(C_Carrier::SealedUnlimitedKind(), 0);
    // A plain record has no place in a JPEG: nothing to recommend, nothing to analyse for it.
    const BTCImageData* pData = carrier.HidesInCoefficients() ? nullptr : carrier.GetObjectDataPtr();
    if (pData) {
        C_BusyScope busy(prompts);  // the analysis reads every pixel
        info.m_nRecommendedPayload =
            C_DetectionCheck::Run(*pData).RecommendedPayload(carrier.GetUsableBytes(), carrier.GetCapacity());
    }
    prompts.ShowProperties(info);
}
