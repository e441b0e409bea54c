#include "model/pictures/C_FormatDetector.h"

#include "model/pictures/C_FormatRegistry.h"

E_ImageFormat C_FormatDetector::Detect(std::span<const uint8_t> head)
{
    return C_FormatRegistry::Detect(head);
}

bool C_FormatDetector::IsJpeg(std::span<const uint8_t> head)
{
    // Start of image, then the first marker's prefix.
    return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
}
