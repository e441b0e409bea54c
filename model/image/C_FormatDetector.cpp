#include "model/image/C_FormatDetector.h"

#include "model/image/C_BmpCodec.h"
#include "model/image/C_GifDecoder.h"
#include "model/image/C_PcxCodec.h"

E_ImageFormat C_FormatDetector::Detect(std::span<const uint8_t> head)
{
    if (C_BmpCodec::IsBmp(head))
        return E_ImageFormat::Bmp;
    if (C_GifDecoder::IsGif(head))
        return E_ImageFormat::Gif;
    if (C_PcxCodec::IsPcx(head))
        return E_ImageFormat::Pcx;
    return E_ImageFormat::None;
}
