#pragma once
// How detectable a picture's lowest bits make hidden data: sample pair analysis, RS analysis and
// the chi-square attack on each colour channel of the decoded pixel bytes, a verdict for each
// estimate and one for the picture, and the picture's lowest bits as an image to look at.
//
// Channels: BMP and PCX true colour give Red, Green, Blue (alpha is passed over); BMP 16- and
// 32-bit pictures read through their masks. PNG gray, gray-alpha, RGB and RGBA give Gray or
// Red, Green, Blue, 16-bit samples as their 16-bit values. Palette pictures (GIF, PCX, BMP and PNG
// palettes, packed depths too) give their indices as one channel, Index, or Gray when the
// palette is the gray ramp (entry i is i, i, i), as are PNG gray pictures below 16 bits.
//
// An estimate is the share of a channel's samples whose lowest bit looks replaced: below 0.05
// reads clean, below 0.15 possible, else likely.

#include "model/pictures/BTCImageData.h"

#include <cstdint>
#include <string>
#include <vector>

enum class E_Verdict { Clean, Possible, Likely };

struct S_ChannelFindings {
    std::string strName;  // "Red", "Green", "Blue", "Gray" or "Index"
    // Estimated share of replaced lowest bits, each in [0, 1].
    double dSpa = 0.0;
    double dRs = 0.0;
    double dChiSquare = 0.0;
    E_Verdict eSpa = E_Verdict::Clean;
    E_Verdict eRs = E_Verdict::Clean;
    E_Verdict eChiSquare = E_Verdict::Clean;
    // The chi-square attack's p-value over the first 1/100, 2/100, ... of the channel's samples
    // in carrier order (C_ChiSquareAttack::kPoints values).
    std::vector<double> aChiSquareCurve;
};

struct S_DetectionResult {
    // One entry per analysed channel; empty when the picture's layout cannot be read.
    std::vector<S_ChannelFindings> aChannels;
    // The worst sample pair or RS verdict of any channel. The chi-square attack stays out of it:
    // a histogram that is smooth at the scale of single levels (heavy noise, some renders) has
    // even pairs without any hidden bit and reads to it as filled, while data hidden from the
    // start raises the other two estimates as well.
    E_Verdict eOverall = E_Verdict::Clean;
    // The lowest bits as a picture: nPlaneWidth x nPlaneHeight pixels, 3 bytes each (red, green,
    // blue), top row first; each channel's byte is 255 where its sample's lowest bit is 1. Gray
    // and index pictures have the same byte in all three.
    uint32_t nPlaneWidth = 0;
    uint32_t nPlaneHeight = 0;
    std::vector<uint8_t> aLsbPlane;

    // The largest payload in bytes that should leave this picture's figures in the clean range,
    // for a carrier of nUsableBytes (C_Carrier::GetUsableBytes). A hide that replaces the lowest
    // bit of a share r of the bytes raises the sample pair and RS estimates by about r (that is
    // what they measure), so the room left is r = max(0, 0.05 - the largest of those estimates
    // over all channels); r x N bits, less the record's 9-byte header, is the payload (0 when
    // that is negative, or when the picture already reads above clean).
    // Never more than nCapacity, what the carrier can hold at all (C_Carrier::GetCapacity): some
    // byte counts hold far less than the clean range would allow.
    uint32_t RecommendedPayload(uint32_t nUsableBytes, uint32_t nCapacity = UINT32_MAX) const;
};

class C_DetectionCheck {
public:
    static constexpr double kCleanBelow = 0.05;
    static constexpr double kPossibleBelow = 0.15;

    // Analyses the decoded picture; a picture whose fields do not describe its bytes gives a
    // result without channels. Takes well under a second for a 12-megapixel picture.
    static S_DetectionResult Run(const BTCImageData& data);

    static E_Verdict VerdictOf(double dEstimate);
    // The shared text of a verdict (vmk_texts.h).
    static const char* VerdictText(E_Verdict eVerdict);
};
