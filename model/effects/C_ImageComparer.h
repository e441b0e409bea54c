#pragma once
// Compares two decoded pictures, apart from the picture data so that the data knows no effect.

#include "model/pictures/BTCImageData.h"

class C_ImageComparer {
public:
    // 0 when alike (width, height, bits per pixel, palette colours and pixel bytes); otherwise
    // the count of differing pixel bytes, at least 1; 1 when the geometry differs.
    static int Compare(const BTCImageData& a, const BTCImageData& b);
};
