#include "model/effects/C_ColourComparer.h"

#include "model/pictures/C_DefaultColours.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/pictures/C_PixelReader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Gray samples or red first, rather than indices or blue first: bytes that mean something else
// at the same depth.
bool HoldsGrayOrRedFirst(const BTCImageData& data)
{
    const S_PixelLayout layout = data.Layout();
    return layout.bKnown && layout.eChannels != E_PixelChannels::Index && layout.eChannels != E_PixelChannels::Bgr
        && layout.eChannels != E_PixelChannels::Masked;
}

const uint32_t* MasksOf(const BTCImageData& data)
{
    const bool bNoMasks = data.m_aMasks[0] == 0 && data.m_aMasks[1] == 0 && data.m_aMasks[2] == 0;
    return bNoMasks ? C_DefaultColours::RgbMasks(data.m_nBitsPerPixel) : data.m_aMasks;
}

const char* FormatName(E_ImageFormat eFormat)
{
    const char* pszName = C_FormatRegistry::Name(eFormat);
    return pszName ? pszName : "picture";
}

// Each pixel's alpha, row by row in stored order; empty when the picture is opaque throughout.
class C_Alpha {
public:
    C_Alpha(const BTCImageData& data, const C_PixelReader& reader)
        : m_data(data)
        , m_reader(reader)
    {
        const S_PixelLayout& layout = reader.Layout();
        if (layout.HasAlphaSample())
            SetUpChannel(layout);
        else if (layout.HasIndexTransparency())
            SetUpIndices(layout);
        else if (layout.bColourKey)
            SetUpKey(layout);
        else if (layout.eChannels == E_PixelChannels::Masked && layout.nBitsPerSample == 32 && data.m_aMasks[3] != 0)
            SetUpMask();
    }

    bool Any() const { return m_eKind != E_Kind::None; }

    // Width alpha values of stored row r.
    void OfStoredRow(uint32_t nRow, uint8_t* pOut) const
    {
        const uint32_t w = m_reader.GetWidth();
        const uint8_t* pRow = m_data.m_aBits.data() + static_cast<size_t>(nRow) * m_data.m_nStride;
        std::memset(pOut, 255, w);
        switch (m_eKind) {
        case E_Kind::None: break;
        case E_Kind::Channel:
            for (uint32_t x = 0; x < w; ++x)
                pOut[x] = pRow[x * m_nStep + m_nAlphaAt];
            break;
        case E_Kind::Indexed: {
            m_aIndices.resize(w);
            m_reader.IndicesOfStoredRow(nRow, m_aIndices.data());
            for (uint32_t x = 0; x < w; ++x)
                if (m_aIndices[x] < m_aTable.size())
                    pOut[x] = m_aTable[m_aIndices[x]];
            break;
        }
        case E_Kind::Key:
            for (uint32_t x = 0; x < w; ++x)
                if (std::memcmp(pRow + x * m_nStep, m_aKey.data(), m_nStep) == 0)
                    pOut[x] = 0;
            break;
        case E_Kind::Mask:
            for (uint32_t x = 0; x < w; ++x) {
                const uint8_t* p = pRow + 4 * x;
                const uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
                const uint64_t nValue = (v & m_nMask) >> m_nShift;
                pOut[x] = static_cast<uint8_t>((nValue * 255 + m_nMax / 2) / m_nMax);
            }
            break;
        }
    }

private:
    enum class E_Kind { None, Channel, Indexed, Key, Mask };

    void SetUpChannel(const S_PixelLayout& layout)
    {
        if (m_reader.PixelBytes() == 0)
            return;
        m_eKind = E_Kind::Channel;
        m_nStep = m_reader.PixelBytes();
        m_nAlphaAt = m_reader.HighByteOf(layout.nAlphaChannel);
    }

    void SetUpIndices(const S_PixelLayout& layout)
    {
        // Alpha per index, and none for the transparent index.
        m_eKind = E_Kind::Indexed;
        m_aTable = layout.aIndexAlpha;
        if (layout.nTransparentIndex >= 0) {
            const auto nIndex = static_cast<size_t>(layout.nTransparentIndex);
            m_aTable.resize(std::max<size_t>({m_aTable.size(), 256, nIndex + 1}), 255);
            m_aTable[nIndex] = 0;
        }
    }

    void SetUpKey(const S_PixelLayout& layout)
    {
        if (m_reader.IsIndexed()) {
            // Gray read as indices into its levels: the key is an index.
            m_eKind = E_Kind::Indexed;
            m_aTable.assign(256, 255);
            if (layout.aColourKey[0] < m_aTable.size())
                m_aTable[layout.aColourKey[0]] = 0;
            return;
        }
        if (m_reader.PixelBytes() == 0 || layout.HasAlphaSample())
            return;
        // The key's samples as the row stores them: two bytes each at 16 bits, one at 8.
        m_eKind = E_Kind::Key;
        m_nStep = m_reader.PixelBytes();
        m_aKey.assign(m_nStep, 0);
        const int nColours = layout.eChannels == E_PixelChannels::Gray ? 1 : 3;
        for (int c = 0; c < nColours; ++c) {
            const uint16_t nKey = layout.aColourKey[c];
            const size_t nAt = static_cast<size_t>(m_reader.SampleOfColour(c)) * m_reader.SampleBytes();
            if (m_reader.SampleBytes() == 2) {
                m_aKey[nAt + m_reader.HighByteOf(0)] = static_cast<uint8_t>(nKey >> 8);
                m_aKey[nAt + 1 - m_reader.HighByteOf(0)] = static_cast<uint8_t>(nKey);
            } else if (nKey > 0xFF) {
                m_eKind = E_Kind::None;  // beyond the depth: no sample matches
            } else {
                m_aKey[nAt] = static_cast<uint8_t>(nKey);
            }
        }
    }

    void SetUpMask()
    {
        m_nMask = m_data.m_aMasks[3];
        m_nShift = static_cast<uint32_t>(__builtin_ctz(m_nMask));
        m_nMax = m_nMask >> m_nShift;
        // A mask whose alpha is 0 everywhere is the common mark of an opaque picture.
        const uint8_t* p = m_data.m_aBits.data();
        for (size_t i = 0; i + 4 <= m_data.m_aBits.size(); i += 4) {
            const uint32_t v =
                uint32_t{p[i]} | uint32_t{p[i + 1]} << 8 | uint32_t{p[i + 2]} << 16 | uint32_t{p[i + 3]} << 24;
            if ((v & m_nMask) != 0) {
                m_eKind = E_Kind::Mask;
                return;
            }
        }
    }

    const BTCImageData& m_data;
    const C_PixelReader& m_reader;
    E_Kind m_eKind = E_Kind::None;
    uint32_t m_nStep = 0;                            // bytes per pixel (Channel, Key)
    uint32_t m_nAlphaAt = 0;                         // the alpha byte within a pixel (Channel)
    std::vector<uint8_t> m_aTable;                   // alpha per index (Indexed); 255 past its end
    std::vector<uint8_t> m_aKey;                     // the transparent colour's bytes (Key)
    uint32_t m_nMask = 0, m_nShift = 0, m_nMax = 0;  // Mask
    mutable std::vector<uint8_t> m_aIndices;
};

}  // namespace

bool C_ColourComparer::SameLayout(const BTCImageData& a, const BTCImageData& b)
{
    if (a.m_nWidth != b.m_nWidth || a.m_nHeight != b.m_nHeight || a.m_nBitsPerPixel != b.m_nBitsPerPixel
        || a.m_nStride != b.m_nStride || a.m_bBottomUp != b.m_bBottomUp || a.m_aBits.size() != b.m_aBits.size()
        || HoldsGrayOrRedFirst(a) != HoldsGrayOrRedFirst(b))
        return false;
    if (HoldsGrayOrRedFirst(a) || (a.m_nBitsPerPixel != 16 && a.m_nBitsPerPixel != 32))
        return true;
    const uint32_t* pA = MasksOf(a);
    const uint32_t* pB = MasksOf(b);
    return pA != nullptr && pB != nullptr && std::memcmp(pA, pB, 3 * sizeof(uint32_t)) == 0;
}

bool C_ColourComparer::StoredDifferently(const BTCImageData& a, const BTCImageData& b)
{
    return !SameLayout(a, b) || (a.m_aPalette != b.m_aPalette && a.m_aBits == b.m_aBits);
}

std::optional<uint64_t> C_ColourComparer::DifferingPixels(const BTCImageData& a, const BTCImageData& b)
{
    const C_PixelReader readerA(a);
    const C_PixelReader readerB(b);
    if (!readerA.IsValid() || !readerB.IsValid() || readerA.GetWidth() != readerB.GetWidth()
        || readerA.GetHeight() != readerB.GetHeight())
        return std::nullopt;
    const C_Alpha alphaA(a, readerA);
    const C_Alpha alphaB(b, readerB);
    const bool bAlpha = alphaA.Any() || alphaB.Any();
    const uint32_t w = readerA.GetWidth();
    // One row of each at a time: the readers have proved that width x 3 fits the buffers.
    std::vector<uint8_t> rowA(size_t{w} * 3), rowB(size_t{w} * 3), opacityA(w), opacityB(w);
    uint64_t nDiffering = 0;
    for (uint32_t y = 0; y < readerA.GetHeight(); ++y) {
        const uint32_t nRowA = readerA.StoredRowOf(y);
        const uint32_t nRowB = readerB.StoredRowOf(y);
        readerA.BgrOfStoredRow(nRowA, rowA.data());
        readerB.BgrOfStoredRow(nRowB, rowB.data());
        if (bAlpha) {
            alphaA.OfStoredRow(nRowA, opacityA.data());
            alphaB.OfStoredRow(nRowB, opacityB.data());
        }
        for (uint32_t x = 0; x < w; ++x) {
            if (bAlpha && opacityA[x] == 0 && opacityB[x] == 0)
                continue;  // nothing of either shows
            nDiffering += (bAlpha && opacityA[x] != opacityB[x]) || std::memcmp(&rowA[3 * x], &rowB[3 * x], 3) != 0;
        }
    }
    return nDiffering;
}

std::string C_ColourComparer::Describe(const BTCImageData& a, const BTCImageData& b, uint64_t nDiffering)
{
    const auto name = [](const BTCImageData& data) {
        return std::to_string(data.m_nBitsPerPixel) + "-bit " + FormatName(data.m_eSourceFormat);
    };
    std::string strText = "The pictures are stored differently (" + name(a) + " and " + name(b) + "); ";
    if (nDiffering == 0)
        return strText + "their pixels show the same colours.";
    if (nDiffering == 1)
        return strText + "1 pixel shows a different colour.";
    return strText + std::to_string(nDiffering) + " pixels show different colours.";
}
