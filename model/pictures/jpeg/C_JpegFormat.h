#pragma once
// JPEG's entry in the format registry. A JPEG picture's record lives in its quantised DCT
// coefficients, which its document keeps; its pixels are for viewing, gray scale, compare and
// the detection check.

#include "model/pictures/S_FormatEntry.h"

class C_JpegFormat {
public:
    static S_FormatEntry Entry();
};
