#include "model/image/C_FormatDetector.h"

#include "model/image/C_BmpCodec.h"
#include "model/image/C_GifDecoder.h"
#include "model/image/C_PcxCodec.h"
#include "model/image/C_PngCodec.h"

E_ImageFormat C_FormatDetector::Detect(std::span<const uint8_t> head)
{
    if (C_BmpCodec::IsBmp(head))
        return E_ImageFormat::Bmp;
    if (C_GifDecoder::IsGif(head))
        return E_ImageFormat::Gif;
    if (C_PngCodec::IsPng(head))
        return E_ImageFormat::Png;
    if (C_PcxCodec::IsPcx(head))
        return E_ImageFormat::Pcx;
    return E_ImageFormat::None;
}

bool C_FormatDetector::IsJpeg(std::span<const uint8_t> head)
{
    // Start of image, then the first marker's prefix.
    return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}
