#pragma once
// How detectable hidden data in a JPEG's quantised DCT coefficients would be: two classic attacks
// on each component, with the pixel check's verdict scale (C_DetectionCheck::VerdictOf).
//
// The chi-square attack (Westfeld and Pfitzmann) on pairs of coefficient values (2i, 2i + 1):
// replacing the lowest bits of the AC coefficients other than 0 and 1, as the first JPEG hiders
// did, evens out each pair's counts. Its estimate is the share of those coefficients, taken block
// by block row by row and in zig-zag order within a block, over which the p-value stays above
// 0.5 from the start (as C_ChiSquareAttack defines it for pixels): it sees embedding that fills
// the coefficients from the start. (An interleaved scan visits a subsampled picture's luma
// blocks by MCU, which differs from row order by at most one MCU row.)
//
// The calibrated histogram estimate (Fridrich, Goljan and Hogea, "Steganalysis of JPEG images:
// breaking the F5 algorithm", 2002): the component decoded to samples, cropped by 4 rows and 4
// columns and quantised again with its own table has nearly the cover's coefficient histograms,
// since the block grid no longer lines up with the changes. Embedding that moves coefficients
// toward zero (F5's shrinkage) is measured against it in the low-frequency modes (0, 1), (1, 0)
// and (1, 1): beta, the share of nonzero AC coefficients changed, by least squares.

#include "model/analysis/C_DetectionCheck.h"

#include <string>
#include <vector>

class C_JpegCoefficients;

struct S_ComponentFindings {
    std::string strName;  // "Luma", "Cb", "Cr", or "Gray"; "Component n" beyond three
    // Each in [0, 1]: the share of the usable coefficients from the start that reads as filled,
    // and the calibrated share of changed nonzero AC coefficients.
    double dChiSquare = 0.0;
    double dCalibrated = 0.0;
    E_Verdict eChiSquare = E_Verdict::Clean;
    E_Verdict eCalibrated = E_Verdict::Clean;
    // The chi-square p-value over the first 1/100, 2/100, ... of the usable coefficients
    // (C_ChiSquareAttack::kPoints values; empty when the component has none).
    std::vector<double> aChiSquareCurve;
};

struct S_JpegDetectionResult {
    // One entry per component; empty when the coefficients do not describe a picture.
    std::vector<S_ComponentFindings> aComponents;
    // The worst of the first component's calibrated verdict (luma, or gray) and every chi-square
    // verdict. The calibrated estimate of the chroma stays out: the paper made it for luminance,
    // and subsampled chroma under coarser steps holds so few coefficients of 1 and 2 in the low
    // modes that calibration misses their counts by enough to read possible, even likely, on
    // clean covers. The chi-square attack joins, unlike in the pixel check: a JPEG's coefficient
    // histogram falls steeply from zero, so the counts of 2i and 2i + 1 differ plainly in any
    // cover and an even prefix is no accident of a smooth histogram; and lowest bits replaced
    // from the start, which it catches, leave the calibrated estimate (made for shrinkage) unmoved.
    E_Verdict eOverall = E_Verdict::Clean;
};

class C_JpegDetectionCheck {
public:
    // Analyses the coefficients as they are held (a file C_JpegCoefficients::Read accepted, or
    // one changed since); coefficients whose sizes or tables do not agree give a result without
    // components. A 12-megapixel JPEG takes a fraction of a second.
    static S_JpegDetectionResult Run(const C_JpegCoefficients& jpeg);

    // The findings as `veilmark-cli analyze` prints a picture's: a line per estimate
    // ("Luma chi-square attack: 0.000 No sign of hidden data") and the overall verdict line, each
    // ending in a newline; or, for JSON, the fields `"components": [...], "overall": "..."`
    // without braces, to sit between the path and the other fields.
    static std::string TextLines(const S_JpegDetectionResult& result);
    static std::string JsonFields(const S_JpegDetectionResult& result);
};
