#include "model/analysis/C_JpegDetectionCheck.h"

#include "model/analysis/C_ChiSquareAttack.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <locale>
#include <numbers>
#include <sstream>
#include <utility>

namespace {

constexpr int kBlock = 64;
// The calibrated picture is the decoded one without its first 4 rows and columns: half a block,
// the shift that lines its grid up least with the source's.
constexpr uint32_t kCrop = 4;
// A low-pass filter on the cropped picture before it is quantised again (centre 1 - 4e, its four
// neighbours e), as in the paper: it brought clean covers' estimates closer to zero here.
constexpr float kBlur = 0.05f;
// A category's expected count must exceed this for the chi-square approximation to hold;
// pairs below it are merged with their neighbours, as the paper does.
constexpr double kMinExpected = 4.0;
constexpr double kPStaysAbove = 0.5;
constexpr int kValues = 65536;  // every int16 coefficient, offset by 32768
constexpr int kZero = 32768;    // offset of the value 0 (even, so pairs start at even offsets)

// Natural-order index of the k-th coefficient in zig-zag order.
constexpr std::array<uint8_t, kBlock> kZigZag = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33,
    40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58,
    59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The low-frequency modes the calibrated estimate compares, natural order: (0, 1), (1, 0), (1, 1).
constexpr std::array<int, 3> kModes = {1, 8, 9};

// The DCT basis: kBasis[x][u] = C(u) / 2 cos((2x + 1) u pi / 16), C(0) = 1 / sqrt 2, else 1; the
// samples are kBasis F kBasis^T and the coefficients kBasis^T f kBasis.
struct S_Basis {
    float a[8][8];
    float t[8][8];  // transposed: t[u][x] = a[x][u]
    S_Basis()
    {
        for (int x = 0; x < 8; ++x)
            for (int u = 0; u < 8; ++u) {
                a[x][u] = static_cast<float>(
                    (u == 0 ? std::numbers::sqrt2 / 4.0 : 0.5) * std::cos((2 * x + 1) * u * std::numbers::pi / 16.0));
                t[u][x] = a[x][u];
            }
    }
};
const S_Basis kBasis;

const char* NameOf(size_t nComponent, size_t nCount)
{
    static const char* const aColour[3] = {"Luma", "Cb", "Cr"};
    if (nCount == 1)
        return "Gray";
    return nComponent < 3 ? aColour[nComponent] : nullptr;
}

// Whether the component's fields describe its coefficients and name a usable table; the
// component's samples (before padding to whole blocks) are nWidth x nHeight.
bool Describes(const C_JpegCoefficients& jpeg, const C_JpegCoefficients::S_Component& component, int nMaxH, int nMaxV,
    uint32_t& nWidth, uint32_t& nHeight)
{
    const auto& tables = jpeg.QuantTables();
    if (component.nHorizontal < 1 || component.nVertical < 1 || component.nQuantTable < 0
        || static_cast<size_t>(component.nQuantTable) >= tables.size())
        return false;
    const auto& table = tables[static_cast<size_t>(component.nQuantTable)];
    if (table.size() != kBlock || std::find(table.begin(), table.end(), 0) != table.end())
        return false;
    const uint64_t nBlocks = uint64_t{component.nBlocksWide} * component.nBlocksHigh;
    if (nBlocks == 0 || component.coefficients.size() / kBlock != nBlocks || component.coefficients.size() % kBlock)
        return false;
    // ceil(picture size x factor / largest factor), as the frame defines a component's size.
    const uint64_t w = (uint64_t{jpeg.Width()} * component.nHorizontal + nMaxH - 1) / nMaxH;
    const uint64_t h = (uint64_t{jpeg.Height()} * component.nVertical + nMaxV - 1) / nMaxV;
    nWidth = static_cast<uint32_t>(std::min<uint64_t>(w, uint64_t{component.nBlocksWide} * 8));
    nHeight = static_cast<uint32_t>(std::min<uint64_t>(h, uint64_t{component.nBlocksHigh} * 8));
    return nWidth > 0 && nHeight > 0;
}

// The chi-square attack over the AC coefficients other than 0 and 1, block by block.
C_ChiSquareAttack::S_Result ChiSquare(const std::vector<int16_t>& coefficients)
{
    C_ChiSquareAttack::S_Result result;
    const auto Usable = [](int16_t v) { return v != 0 && v != 1; };
    size_t nUsable = 0;
    int nLowest = kValues;
    int nHighest = 0;
    for (size_t b = 0; b < coefficients.size(); b += kBlock)
        for (int k = 1; k < kBlock; ++k) {
            const int16_t v = coefficients[b + k];
            if (Usable(v)) {
                ++nUsable;
                nLowest = std::min(nLowest, v + kZero);
                nHighest = std::max(nHighest, v + kZero);
            }
        }
    if (nUsable == 0)
        return result;
    nLowest &= ~1;  // the pair's even member

    std::vector<uint64_t> aHistogram(kValues, 0);
    result.aPValues.reserve(C_ChiSquareAttack::kPoints);
    size_t nBlockStart = 0;
    int nNext = 1;  // zig-zag position within the block at nBlockStart
    size_t nDone = 0;
    bool bStillAbove = true;
    for (int nPoint = 1; nPoint <= C_ChiSquareAttack::kPoints; ++nPoint) {
        const size_t nEnd = nUsable * static_cast<size_t>(nPoint) / C_ChiSquareAttack::kPoints;
        while (nDone < nEnd) {
            const int16_t v = coefficients[nBlockStart + kZigZag[static_cast<size_t>(nNext)]];
            if (Usable(v)) {
                ++aHistogram[static_cast<size_t>(v + kZero)];
                ++nDone;
            }
            if (++nNext == kBlock) {
                nNext = 1;
                nBlockStart += kBlock;
            }
        }

        double dChi = 0.0;
        int nCategories = 0;
        double dObserved = 0.0;
        double dExpected = 0.0;
        for (int k = nLowest; k <= nHighest; k += 2) {
            if (k == kZero)
                continue;  // 0 and 1 are never carriers
            const uint64_t nEven = aHistogram[static_cast<size_t>(k)];
            const uint64_t nOdd = aHistogram[static_cast<size_t>(k + 1)];
            dObserved += static_cast<double>(nEven);
            dExpected += static_cast<double>(nEven + nOdd) / 2.0;
            if (dExpected > kMinExpected) {
                dChi += (dObserved - dExpected) * (dObserved - dExpected) / dExpected;
                ++nCategories;
                dObserved = 0.0;
                dExpected = 0.0;
            }
        }
        const double p = nCategories < 2 ? 0.0 : C_ChiSquareAttack::PValue(dChi, nCategories - 1);
        result.aPValues.push_back(p);
        if (bStillAbove && p > kPStaysAbove)
            result.dEstimate = static_cast<double>(nPoint) / C_ChiSquareAttack::kPoints;
        else
            bStillAbove = false;
    }
    return result;
}

// Decodes one block's dequantised coefficients to samples 0..255 at pOut (row stride nStride).
// Zero coefficients, most of a block's, are skipped; the inner loops run along a row of 8.
void DecodeBlock(const int16_t* pCoefficients, const uint16_t* pSteps, uint8_t* pOut, size_t nStride)
{
    float aRows[8][8] = {};  // each row of coefficients through the horizontal basis
    unsigned nRowsUsed = 0;  // bit v: row v holds a coefficient
    for (int v = 0; v < 8; ++v)
        for (int u = 0; u < 8; ++u) {
            const int16_t c = pCoefficients[8 * v + u];
            if (c == 0)
                continue;
            nRowsUsed |= 1u << v;
            const float d = static_cast<float>(c) * pSteps[8 * v + u];
            for (int x = 0; x < 8; ++x)
                aRows[v][x] += d * kBasis.t[u][x];
        }
    for (int y = 0; y < 8; ++y) {
        float aOut[8] = {128.5f, 128.5f, 128.5f, 128.5f, 128.5f, 128.5f, 128.5f, 128.5f};  // level shift, rounding
        for (int v = 0; v < 8; ++v) {
            if (!(nRowsUsed >> v & 1u))
                continue;
            const float w = kBasis.a[y][v];
            for (int x = 0; x < 8; ++x)
                aOut[x] += w * aRows[v][x];
        }
        uint8_t* pRow = pOut + static_cast<size_t>(y) * nStride;
        for (int x = 0; x < 8; ++x)
            pRow[x] = static_cast<uint8_t>(std::clamp(std::floor(aOut[x]), 0.0f, 255.0f));
    }
}

// Counts of |c| = 0, 1, 2 in each of the three modes.
using T_ModeCounts = std::array<std::array<double, 3>, 3>;

// The calibrated estimate of one component: beta in [0, 1].
double Calibrated(
    const C_JpegCoefficients::S_Component& component, const uint16_t* pSteps, uint32_t nWidth, uint32_t nHeight)
{
    const size_t nStride = size_t{component.nBlocksWide} * 8;
    T_ModeCounts stego{};
    for (size_t b = 0; b < component.coefficients.size(); b += kBlock)
        for (size_t m = 0; m < kModes.size(); ++m) {
            const int a = std::abs(static_cast<int>(component.coefficients[b + static_cast<size_t>(kModes[m])]));
            if (a <= 2)
                stego[m][static_cast<size_t>(a)] += 1.0;
        }

    // Whole blocks of the cropped picture that lie within the component's samples.
    const uint32_t nCalWide = nWidth >= kCrop + 8 ? (nWidth - kCrop) / 8 : 0;
    const uint32_t nCalHigh = nHeight >= kCrop + 8 ? (nHeight - kCrop) / 8 : 0;
    if (nCalWide == 0 || nCalHigh == 0)
        return 0.0;

    // Decoded a band of two block rows at a time, as a cropped block spans two source block
    // rows: the lower one moves up for the next band.
    std::vector<uint8_t> aBand(nStride * 16);
    const auto DecodeRow = [&](uint32_t nBlockRow, size_t nBandRow) {
        const size_t nRow = size_t{nBlockRow} * component.nBlocksWide * kBlock;
        for (uint32_t bx = 0; bx < component.nBlocksWide; ++bx)
            DecodeBlock(component.coefficients.data() + nRow + size_t{bx} * kBlock, pSteps,
                aBand.data() + nBandRow * 8 * nStride + size_t{bx} * 8, nStride);
    };
    DecodeRow(0, 1);
    T_ModeCounts calibrated{};
    for (uint32_t by = 0; by < nCalHigh; ++by) {
        std::copy(aBand.begin() + static_cast<std::ptrdiff_t>(8 * nStride), aBand.end(), aBand.begin());
        DecodeRow(by + 1, 1);
        for (uint32_t bx = 0; bx < nCalWide; ++bx) {
            // The cropped block, low-pass filtered; then column sums through the vertical basis
            // for v = 0 and 1, and those through the horizontal one.
            const size_t nLeft = kCrop + size_t{bx} * 8;
            const auto At = [&](size_t y, size_t x) {
                return static_cast<float>(aBand[y * nStride + std::min<size_t>(x, nWidth - 1)]);
            };
            float aV0[8];
            float aV1[8];
            for (size_t x = 0; x < 8; ++x) {
                float s0 = 0.0f;
                float s1 = 0.0f;
                for (size_t y = 0; y < 8; ++y) {
                    const size_t r = kCrop + y;
                    const size_t c = nLeft + x;
                    const float p = (1.0f - 4.0f * kBlur) * At(r, c)
                        + kBlur * (At(r - 1, c) + At(r + 1, c) + At(r, c - 1) + At(r, c + 1)) - 128.0f;
                    s0 += p * kBasis.a[y][0];
                    s1 += p * kBasis.a[y][1];
                }
                aV0[x] = s0;
                aV1[x] = s1;
            }
            float aMode[3] = {0.0f, 0.0f, 0.0f};  // (0, 1), (1, 0), (1, 1)
            for (int x = 0; x < 8; ++x) {
                aMode[0] += aV0[x] * kBasis.a[x][1];
                aMode[1] += aV1[x] * kBasis.a[x][0];
                aMode[2] += aV1[x] * kBasis.a[x][1];
            }
            for (size_t m = 0; m < kModes.size(); ++m) {
                const float q = std::abs(std::nearbyint(aMode[m] / pSteps[kModes[m]]));
                if (q <= 2.0f)
                    calibrated[m][static_cast<size_t>(q)] += 1.0;
            }
        }
    }

    // The calibrated counts scaled to the source's number of blocks, then per mode the beta that
    // best explains the source's counts of 0 and 1 as the calibrated ones after shrinkage:
    // H(0) = h(0) + beta h(1), H(1) = (1 - beta) h(1) + beta h(2).
    const double dScale =
        static_cast<double>(component.coefficients.size() / kBlock) / (static_cast<double>(nCalWide) * nCalHigh);
    double dSum = 0.0;
    int nUsed = 0;
    for (size_t m = 0; m < kModes.size(); ++m) {
        const double h0 = calibrated[m][0] * dScale;
        const double h1 = calibrated[m][1] * dScale;
        const double h2 = calibrated[m][2] * dScale;
        const double dDenominator = h1 * h1 + (h2 - h1) * (h2 - h1);
        if (!(dDenominator > 0.0))
            continue;
        dSum += (h1 * (stego[m][0] - h0) + (stego[m][1] - h1) * (h2 - h1)) / dDenominator;
        ++nUsed;
    }
    return nUsed == 0 ? 0.0 : std::clamp(dSum / nUsed, 0.0, 1.0);
}

std::string Fixed(double dValue)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << std::fixed << std::setprecision(3) << dValue;
    return text.str();
}

}  // namespace

S_JpegDetectionResult C_JpegDetectionCheck::Run(const C_JpegCoefficients& jpeg)
{
    S_JpegDetectionResult result;
    const auto& components = jpeg.Components();
    int nMaxH = 0;
    int nMaxV = 0;
    for (const auto& component : components) {
        nMaxH = std::max(nMaxH, component.nHorizontal);
        nMaxV = std::max(nMaxV, component.nVertical);
    }
    std::vector<std::pair<uint32_t, uint32_t>> aSizes(components.size());
    for (size_t c = 0; c < components.size(); ++c)
        if (!Describes(jpeg, components[c], nMaxH, nMaxV, aSizes[c].first, aSizes[c].second))
            return result;

    for (size_t c = 0; c < components.size(); ++c) {
        const auto& component = components[c];
        S_ComponentFindings findings;
        const char* pName = NameOf(c, components.size());
        findings.strName = pName ? pName : "Component " + std::to_string(c + 1);
        C_ChiSquareAttack::S_Result chi = ChiSquare(component.coefficients);
        findings.dChiSquare = chi.dEstimate;
        findings.aChiSquareCurve = std::move(chi.aPValues);
        findings.dCalibrated = Calibrated(component,
            jpeg.QuantTables()[static_cast<size_t>(component.nQuantTable)].data(), aSizes[c].first, aSizes[c].second);
        findings.eChiSquare = C_DetectionCheck::VerdictOf(findings.dChiSquare);
        findings.eCalibrated = C_DetectionCheck::VerdictOf(findings.dCalibrated);
        result.eOverall = std::max(result.eOverall, findings.eChiSquare);
        if (c == 0)
            result.eOverall = std::max(result.eOverall, findings.eCalibrated);
        result.aComponents.push_back(std::move(findings));
    }
    return result;
}

std::string C_JpegDetectionCheck::TextLines(const S_JpegDetectionResult& result)
{
    std::string strText;
    if (result.aComponents.empty())
        strText += "No component of this picture could be analysed.\n";
    for (const S_ComponentFindings& component : result.aComponents) {
        strText += component.strName + " chi-square attack: " + Fixed(component.dChiSquare) + " "
            + C_DetectionCheck::VerdictText(component.eChiSquare) + "\n";
        strText += component.strName + " calibrated histogram: " + Fixed(component.dCalibrated) + " "
            + C_DetectionCheck::VerdictText(component.eCalibrated) + "\n";
    }
    strText += std::string("Overall: ") + C_DetectionCheck::VerdictText(result.eOverall) + "\n";
    return strText;
}

std::string C_JpegDetectionCheck::JsonFields(const S_JpegDetectionResult& result)
{
    // Names and verdict texts are fixed ASCII without quotes or backslashes: nothing to escape.
    std::string strText = "\"components\": [";
    const char* pSeparator = "";
    for (const S_ComponentFindings& component : result.aComponents) {
        strText += std::string(pSeparator) + "{\"name\": \"" + component.strName
            + "\", \"chi_square\": " + Fixed(component.dChiSquare) + ", \"calibrated\": " + Fixed(component.dCalibrated)
            + ", \"verdicts\": {\"chi_square\": \"" + C_DetectionCheck::VerdictText(component.eChiSquare)
            + "\", \"calibrated\": \"" + C_DetectionCheck::VerdictText(component.eCalibrated) + "\"}}";
        pSeparator = ", ";
    }
    strText += std::string("], \"overall\": \"") + C_DetectionCheck::VerdictText(result.eOverall) + "\"";
    return strText;
}
