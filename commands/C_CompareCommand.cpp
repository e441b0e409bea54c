#include "commands/C_CompareCommand.h"

#include "commands/C_BusyScope.h"
#include "commands/C_Prompts.h"
#include "commands/vmk_command_texts.h"
#include "model/C_Carrier.h"
#include "model/C_TextFormat.h"
#include "model/effects/C_ColourComparer.h"
#include "model/effects/C_DifferenceMap.h"

#include <optional>
#include <string>

void C_CompareCommand::Run(const C_Carrier& carrier, C_Prompts& prompts)
{
    const std::string strPath = prompts.ChooseOpenFile({"", vmk::CompareFilter(), vmk::kStrCompareDefaultExt, ""});
    if (strPath.empty())
        return;

    // Belongs to no document: never shown, gone when the command returns.
    C_Carrier second;
    if (!second.OpenImage(strPath)) {
        prompts.ShowMessage(vmk::kStrSecondOpenFailed);
        return;
    }
    const BTCImageData* pFirst = carrier.GetObjectDataPtr();
    const BTCImageData* pSecond = second.GetObjectDataPtr();
    // The same pixels stored another way (as BMP and as PNG) differ in every byte: what they
    // show is compared instead, and said so.
    if (pFirst && pSecond && C_ColourComparer::StoredDifferently(*pFirst, *pSecond))
        if (const std::optional<uint64_t> nPixels = C_ColourComparer::DifferingPixels(*pFirst, *pSecond)) {
            const std::string strStored = C_ColourComparer::Describe(*pFirst, *pSecond, *nPixels);
            prompts.ShowMessage(*nPixels == 0 ? strStored : std::string(vmk::kStrImagesDiffer) + "\n\n" + strStored);
            return;
        }
    if (carrier.CompareImage(second) == 0) {
        prompts.ShowMessage(vmk::kStrImagesAlike);
        return;
    }
    // Where the two are laid out alike, the differences can be shown pixel by pixel.
    if (!pFirst || !pSecond || !C_DifferenceMap::SameLayout(*pFirst, *pSecond)) {
        prompts.ShowMessage(vmk::kStrImagesDiffer);
        return;
    }
    if (!prompts.ShowMessageOffering(vmk::kStrImagesDiffer, vmk::kStrShowDifferences))
        return;
    C_DifferenceMap map;
    {
        C_BusyScope busy(prompts);
        if (!map.Build(*pFirst, *pSecond))
            return;
    }
    const auto n = [](uint64_t nCount) { return std::to_string(nCount); };
    const std::string strText = C_TextFormat::Substitute(vmk::kStrDifferencesText,
        {n(map.GetDifferingPixels()), n(map.GetLsbOnlyPixels()), n(map.GetDifferingBytes()), n(map.GetLsbOnlyBytes())});
    prompts.ShowPicture(vmk::kStrDifferencesTitle, strText, map.GetRgb(), map.GetWidth(), map.GetHeight());
}
