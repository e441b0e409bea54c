#pragma once
// What saving a picture in a format that has to convert it loses: transparency (no conversion
// writes an alpha channel, a tRNS chunk or a GIF's transparent index), the precision of 16-bit
// samples (conversions write 8 bits a sample) and colours (true colour saved as GIF is quantised
// to 256). Both front ends tell the user the same facts from here.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ImageFormat.h"

#include <string>
#include <vector>

class C_ConversionLoss {
public:
    // What a save of data as eTarget loses; nothing when eTarget writes the pixel bytes as they are.
    static C_ConversionLoss Of(const BTCImageData& data, E_ImageFormat eTarget);

    bool Any() const { return m_bTransparency || m_bPrecision || m_bColours || m_bRecord; }
    // One line per loss, in the order transparency, precision, colours, record; empty when
    // nothing is lost.
    std::vector<std::string> Lines() const;

    bool m_bTransparency = false;  // some pixels are not fully opaque, and will be
    bool m_bPrecision = false;     // 16-bit samples become 8-bit ones
    bool m_bColours = false;       // true colour becomes at most 256 colours
    // A hidden record cannot come along: a JPEG's coefficients go into another format's pixel
    // bytes, or pixels are compressed into a new JPEG.
    bool m_bRecord = false;
    bool m_bFromJpeg = false;  // which of the two

private:
    static bool HasTransparency(const BTCImageData& data);
};
