#include "model/analysis/C_DetectionCheck.h"

#include "model/analysis/C_ChiSquareAttack.h"
#include "model/analysis/C_RsAnalysis.h"
#include "model/analysis/C_SamplePairAnalysis.h"
#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/C_PixelReader.h"
#include "model/vmk_texts.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr uint32_t kRecordHeaderBytes = 9;  // what a plain record holds besides its payload

enum class E_Source {
    Bytes,    // 1 or 2 bytes (most significant first) at an offset in each pixel
    Indices,  // packed palette or gray indices, through the pixel reader
    Masked,   // a little-endian 16- or 32-bit pixel through a channel mask
};

struct S_Channel {
    const char* pName = "";
    uint32_t nOffset = 0;  // Bytes: the sample's first byte within the pixel
    uint32_t nMask = 0;    // Masked
    uint32_t nShift = 0;
    uint32_t nMaxValue = 255;
    int nTarget = -1;  // the LSB plane's byte it fills: 0 red, 1 green, 2 blue, -1 all three
};

struct S_Layout {
    E_Source eSource = E_Source::Bytes;
    uint32_t nPixelBytes = 1;
    uint32_t nSampleBytes = 1;
    bool bBigEndian16 = false;  // a 16-bit sample's more significant byte comes first
    std::vector<S_Channel> aChannels;
};

S_Layout IndexedLayout(const C_PixelReader& reader)
{
    S_Layout layout;
    const int nBits = reader.Layout().nBitsPerSample;
    const bool bGray =
        reader.Layout().eChannels == E_PixelChannels::Gray || C_DefaultColours::IsGrayRamp(reader.Palette());
    layout.eSource = nBits == 8 ? E_Source::Bytes : E_Source::Indices;
    S_Channel channel;
    channel.pName = bGray ? "Gray" : "Index";
    channel.nMaxValue = (1u << nBits) - 1u;
    layout.aChannels.push_back(channel);
    return layout;
}

// Whole-byte samples: gray (alone or with alpha), or red, green and blue in the layout's order.
S_Layout SampleLayout(const C_PixelReader& reader)
{
    S_Layout layout;
    layout.nSampleBytes = reader.SampleBytes();
    layout.nPixelBytes = reader.PixelBytes();
    layout.bBigEndian16 = reader.Layout().bBigEndian16;
    const uint32_t nMax = layout.nSampleBytes == 2 ? 65535u : 255u;
    const E_PixelChannels eChannels = reader.Layout().eChannels;
    if (eChannels == E_PixelChannels::Gray || eChannels == E_PixelChannels::GrayAlpha) {
        layout.aChannels.push_back(S_Channel{"Gray", 0, 0, 0, nMax, -1});
    } else {
        const char* aNames[3] = {"Red", "Green", "Blue"};
        for (int i = 0; i < 3; ++i) {
            const auto nOffset = static_cast<uint32_t>(reader.SampleOfColour(i)) * layout.nSampleBytes;
            layout.aChannels.push_back(S_Channel{aNames[i], nOffset, 0, 0, nMax, i});
        }
    }
    return layout;
}

S_Layout MaskedLayout(const C_PixelReader& reader)
{
    // Raw channel values rather than the reader's 8-bit scaling, so the lowest bit is the
    // stored one.
    S_Layout layout;
    layout.eSource = E_Source::Masked;
    layout.nPixelBytes = static_cast<uint32_t>(reader.Layout().nBitsPerSample) / 8;
    const uint32_t* pMasks = reader.Masks();
    const char* aNames[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i) {
        const uint32_t nMask = pMasks[i];
        if (nMask == 0)
            continue;
        const auto nShift = static_cast<uint32_t>(std::countr_zero(nMask));
        const uint32_t nMax = nMask >> nShift;
        if (nMax > 65535u)
            continue;  // wider than the estimators' samples: a hostile or exotic mask
        layout.aChannels.push_back(S_Channel{aNames[i], 0, nMask, nShift, nMax, i});
    }
    return layout;
}

// The channels of a picture the reader has accepted.
S_Layout LayoutOf(const C_PixelReader& reader)
{
    if (reader.IsIndexed())
        return IndexedLayout(reader);
    if (reader.Layout().eChannels == E_PixelChannels::Masked)
        return MaskedLayout(reader);
    return SampleLayout(reader);
}

// Fills aPlane with one channel's samples in stored order and writes their lowest bits into
// the LSB picture. aRow is scratch for a row of indices.
void Extract(const BTCImageData& data, const C_PixelReader& reader, const S_Layout& layout, const S_Channel& channel,
    std::vector<uint16_t>& aPlane, std::vector<uint8_t>& aRow, S_DetectionResult& result)
{
    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    const uint32_t nStride = data.GetStride();
    const uint8_t* pBits = data.GetBits();
    for (uint32_t r = 0; r < nHeight; ++r) {
        uint16_t* pOut = aPlane.data() + static_cast<size_t>(r) * nWidth;
        const uint8_t* pRow = pBits + static_cast<size_t>(r) * nStride;
        switch (layout.eSource) {
        case E_Source::Bytes: {
            const uint8_t* p = pRow + channel.nOffset;
            if (layout.nSampleBytes == 2) {
                const int nHigh = layout.bBigEndian16 ? 0 : 1;
                for (uint32_t x = 0; x < nWidth; ++x, p += layout.nPixelBytes)
                    pOut[x] = static_cast<uint16_t>(p[nHigh] << 8 | p[1 - nHigh]);
            } else {
                for (uint32_t x = 0; x < nWidth; ++x, p += layout.nPixelBytes)
                    pOut[x] = *p;
            }
            break;
        }
        case E_Source::Indices:
            reader.IndicesOfStoredRow(r, aRow.data());
            for (uint32_t x = 0; x < nWidth; ++x)
                pOut[x] = aRow[x];
            break;
        case E_Source::Masked: {
            const uint8_t* p = pRow;
            for (uint32_t x = 0; x < nWidth; ++x, p += layout.nPixelBytes) {
                uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
                if (layout.nPixelBytes == 4)
                    v |= static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
                pOut[x] = static_cast<uint16_t>((v & channel.nMask) >> channel.nShift);
            }
            break;
        }
        }

        uint8_t* pLsb = result.aLsbPlane.data() + static_cast<size_t>(reader.StoredRowOf(r)) * nWidth * 3;
        if (channel.nTarget < 0) {
            for (uint32_t x = 0; x < nWidth; ++x) {
                const uint8_t b = (pOut[x] & 1) ? 255 : 0;
                pLsb[3 * x] = pLsb[3 * x + 1] = pLsb[3 * x + 2] = b;
            }
        } else {
            uint8_t* p = pLsb + channel.nTarget;
            for (uint32_t x = 0; x < nWidth; ++x)
                p[3 * x] = (pOut[x] & 1) ? 255 : 0;
        }
    }
}

}  // namespace

E_Verdict C_DetectionCheck::VerdictOf(double dEstimate)
{
    if (!(dEstimate >= kCleanBelow))
        return E_Verdict::Clean;  // NaN reads clean too: no evidence
    return dEstimate < kPossibleBelow ? E_Verdict::Possible : E_Verdict::Likely;
}

const char* C_DetectionCheck::VerdictText(E_Verdict eVerdict)
{
    switch (eVerdict) {
    case E_Verdict::Clean: return vmk::kStrVerdictClean;
    case E_Verdict::Possible: return vmk::kStrVerdictPossible;
    case E_Verdict::Likely: return vmk::kStrVerdictLikely;
    }
    return vmk::kStrVerdictClean;
}

S_DetectionResult C_DetectionCheck::Run(const BTCImageData& data)
{
    S_DetectionResult result;
    const C_PixelReader reader(data);
    if (!reader.IsValid())
        return result;
    const S_Layout layout = LayoutOf(reader);
    if (layout.aChannels.empty())
        return result;
    // Byte-sample layouts must fit their stride; the reader checked the pixel size against it.
    if (layout.eSource == E_Source::Bytes
        && static_cast<uint64_t>(layout.nPixelBytes) * reader.GetWidth() > data.GetStride())
        return result;

    const uint32_t nWidth = reader.GetWidth();
    const uint32_t nHeight = reader.GetHeight();
    result.nPlaneWidth = nWidth;
    result.nPlaneHeight = nHeight;
    result.aLsbPlane.assign(static_cast<size_t>(nWidth) * nHeight * 3, 0);
    std::vector<uint16_t> aPlane(static_cast<size_t>(nWidth) * nHeight);
    std::vector<uint8_t> aRow(layout.eSource == E_Source::Indices ? nWidth : 0);

    for (const S_Channel& channel : layout.aChannels) {
        Extract(data, reader, layout, channel, aPlane, aRow, result);
        const S_SamplePlane plane{aPlane.data(), nWidth, nHeight, channel.nMaxValue};
        S_ChannelFindings findings;
        findings.strName = channel.pName;
        findings.dSpa = C_SamplePairAnalysis::Estimate(plane);
        findings.dRs = C_RsAnalysis::Estimate(plane);
        C_ChiSquareAttack::S_Result chi = C_ChiSquareAttack::Run(plane);
        findings.dChiSquare = chi.dEstimate;
        findings.aChiSquareCurve = std::move(chi.aPValues);
        findings.eSpa = VerdictOf(findings.dSpa);
        findings.eRs = VerdictOf(findings.dRs);
        findings.eChiSquare = VerdictOf(findings.dChiSquare);
        result.eOverall = std::max({result.eOverall, findings.eSpa, findings.eRs});
        result.aChannels.push_back(std::move(findings));
    }
    return result;
}

uint32_t S_DetectionResult::RecommendedPayload(uint32_t nUsableBytes, uint32_t nCapacity) const
{
    if (aChannels.empty())
        return 0;
    double dHighest = 0.0;
    for (const S_ChannelFindings& channel : aChannels)
        dHighest = std::max({dHighest, channel.dSpa, channel.dRs});
    const double dRoom = std::max(0.0, C_DetectionCheck::kCleanBelow - dHighest);
    const auto nBytes = static_cast<uint64_t>(std::floor(dRoom * nUsableBytes / 8.0));
    const uint64_t nPayload = nBytes > kRecordHeaderBytes ? nBytes - kRecordHeaderBytes : 0;
    return static_cast<uint32_t>(std::min<uint64_t>(nPayload, nCapacity));
}
