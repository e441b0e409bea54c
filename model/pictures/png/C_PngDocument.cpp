#include "model/pictures/png/C_PngDocument.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// PNG's own ancillary chunks, kept on save whatever their copy bit says: they describe the
// picture, not its pixel bytes.
constexpr const char* kKnownChunks[] = {"bKGD", "cHRM", "cICP", "eXIf", "gAMA", "hIST", "iCCP", "iTXt", "mDCv", "cLLi",
    "oFFs", "pCAL", "pHYs", "sBIT", "sCAL", "sPLT", "sRGB", "sTER", "tEXt", "tIME", "tRNS", "zTXt",
    // Animation: frame controls and the further frames' data, which no save changes.
    "acTL", "fcTL", "fdAT"};

// Chunks whose content is defined by the colour type.
constexpr const char* kColourTypeChunks[] = {"tRNS", "bKGD", "sBIT", "iCCP", "cICP"};

void PutBigEndian(std::vector<uint8_t>& out, uint32_t nValue)
{
    for (int nShift = 24; nShift >= 0; nShift -= 8)
        out.push_back(static_cast<uint8_t>(nValue >> nShift));
}

uint32_t GetBigEndian(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8
        | p[3];
}

}  // namespace

bool S_PngChunk::Is(const char* pName) const
{
    return std::memcmp(aName.data(), pName, aName.size()) == 0;
}

int C_PngDocument::Channels(int nColourType)
{
    switch (nColourType) {
    case kGray:
    case kPalette: return 1;
    case kGrayAlpha: return 2;
    case kRgb: return 3;
    case kRgbAlpha: return 4;
    default: return 0;
    }
}

bool C_PngDocument::IsValidDepth(int nColourType, int nBitDepth)
{
    switch (nColourType) {
    case kGray: return nBitDepth == 1 || nBitDepth == 2 || nBitDepth == 4 || nBitDepth == 8 || nBitDepth == 16;
    case kPalette: return nBitDepth == 1 || nBitDepth == 2 || nBitDepth == 4 || nBitDepth == 8;
    case kRgb:
    case kGrayAlpha:
    case kRgbAlpha: return nBitDepth == 8 || nBitDepth == 16;
    default: return false;
    }
}

bool C_PngDocument::IsAnimated() const
{
    return std::any_of(m_aChunks.begin(), m_aChunks.end(), [](const S_PngChunk& c) { return c.Is("acTL"); });
}

bool C_PngDocument::KeepsOnSave(const S_PngChunk& chunk) const
{
    for (const char* pName : kKnownChunks)
        if (chunk.Is(pName))
            return true;
    // Bit 5 of the fourth letter (lower case) marks a chunk safe to copy.
    return (chunk.aName[3] & 0x20) != 0;
}

void C_PngDocument::ChangeColourType(int nColourType, int nBitDepth)
{
    if (nColourType == m_nColourType && nBitDepth == m_nBitDepth)
        return;
    std::erase_if(m_aChunks, [](const S_PngChunk& c) {
        return std::any_of(std::begin(kColourTypeChunks), std::end(kColourTypeChunks),
            [&c](const char* pName) { return c.Is(pName); });
    });
    // Gray pictures may not carry a suggested palette, nor its histogram.
    if (nColourType == kGray || nColourType == kGrayAlpha) {
        m_aSuggestedPalette.clear();
        std::erase_if(m_aChunks, [](const S_PngChunk& c) { return c.Is("hIST"); });
    }
    m_nColourType = nColourType;
    m_nBitDepth = nBitDepth;
}

void C_PngDocument::Resolution(int32_t& nX, int32_t& nY) const
{
    nX = nY = 0;
    for (const S_PngChunk& c : m_aChunks) {
        if (!c.Is("pHYs") || c.aData.size() != 9 || c.aData[8] != 1)
            continue;
        const uint32_t x = GetBigEndian(c.aData.data());
        const uint32_t y = GetBigEndian(c.aData.data() + 4);
        if (x <= INT32_MAX && y <= INT32_MAX) {
            nX = static_cast<int32_t>(x);
            nY = static_cast<int32_t>(y);
        }
        return;
    }
}

void C_PngDocument::SetResolution(int32_t nX, int32_t nY)
{
    if (nX <= 0 || nY <= 0)
        return;
    S_PngChunk chunk;
    std::memcpy(chunk.aName.data(), "pHYs", 4);
    PutBigEndian(chunk.aData, static_cast<uint32_t>(nX));
    PutBigEndian(chunk.aData, static_cast<uint32_t>(nY));
    chunk.aData.push_back(1);  // metres
    m_aChunks.push_back(std::move(chunk));
}

bool C_PngDocument::AssignFrom(const C_PictureDocument& other)
{
    const auto* pOther = dynamic_cast<const C_PngDocument*>(&other);
    if (!pOther)
        return false;
    *this = *pOther;
    return true;
}

void C_PngDocument::Describe(const BTCImageData& data, S_PixelLayout& layout) const
{
    if (!IsValidDepth(m_nColourType, m_nBitDepth) || BitsPerPixel() != data.m_nBitsPerPixel || data.m_bBottomUp)
        return;
    layout.nChannels = Channels(m_nColourType);
    layout.nBitsPerSample = m_nBitDepth;
    layout.bBigEndian16 = true;
    const S_PngChunk* pTrns = nullptr;
    for (const S_PngChunk& chunk : m_aChunks)
        if (chunk.Is("tRNS"))
            pTrns = &chunk;
    switch (m_nColourType) {
    case kPalette:
        layout.eChannels = E_PixelChannels::Index;
        layout.bPartnerBeyondPalette = true;  // a save grows the palette to cover every index
        if (pTrns)
            layout.aIndexAlpha = pTrns->aData;
        break;
    case kGray: layout.eChannels = E_PixelChannels::Gray; break;
    case kRgb: layout.eChannels = E_PixelChannels::Rgb; break;
    case kGrayAlpha:
        layout.eChannels = E_PixelChannels::GrayAlpha;
        layout.nAlphaChannel = 1;
        break;
    default:
        layout.eChannels = E_PixelChannels::Rgba;
        layout.nAlphaChannel = 3;
        break;
    }
    // A gray or true-colour key: two bytes a sample, most significant first, whatever the depth.
    if ((m_nColourType == kGray || m_nColourType == kRgb) && pTrns
        && pTrns->aData.size() >= 2 * static_cast<size_t>(layout.nChannels)) {
        for (int c = 0; c < layout.nChannels; ++c)
            layout.aColourKey[c] = static_cast<uint16_t>(
                pTrns->aData[2 * static_cast<size_t>(c)] << 8 | pTrns->aData[2 * static_cast<size_t>(c) + 1]);
        layout.bColourKey = true;
    }
    layout.bFurtherFrames = IsAnimated();
    layout.bKnown = true;
}

bool C_PngDocument::CanRenumberPalette(const BTCImageData&) const
{
    return !IsAnimated();
}

// The chunks that list or name palette entries. A tRNS shorter than the palette leaves the rest
// opaque, so it is completed before reordering and trimmed of opaque entries after. A histogram
// too short to reorder is dropped: it no longer described the palette anyway.
void C_PngDocument::RenumberPalette(
    const std::vector<S_Rgb>&, const std::vector<uint32_t>& aOrder, const std::vector<uint8_t>& aRemap)
{
    const size_t nEntries = aOrder.size();
    std::erase_if(m_aChunks, [&](const S_PngChunk& c) { return c.Is("hIST") && c.aData.size() < 2 * nEntries; });
    for (S_PngChunk& chunk : m_aChunks) {
        if (chunk.Is("tRNS")) {
            std::vector<uint8_t> aOld = chunk.aData;
            if (aOld.size() < nEntries)
                aOld.resize(nEntries, 255);
            std::vector<uint8_t> aNew = aOld;
            for (size_t k = 0; k < nEntries; ++k)
                aNew[k] = aOld[aOrder[k]];
            while (aNew.size() > 1 && aNew.back() == 255)
                aNew.pop_back();
            chunk.aData = std::move(aNew);
        } else if (chunk.Is("bKGD") && chunk.aData.size() == 1) {
            chunk.aData[0] = aRemap[chunk.aData[0]];
        } else if (chunk.Is("hIST")) {
            const std::vector<uint8_t> aOld = chunk.aData;
            for (size_t k = 0; k < nEntries; ++k) {
                chunk.aData[2 * k] = aOld[2 * aOrder[k]];
                chunk.aData[2 * k + 1] = aOld[2 * aOrder[k] + 1];
            }
        }
    }
}

void C_PngDocument::BecameGray(bool bSamples, const S_PixelLayout& layout)
{
    if (bSamples)
        ChangeColourType(layout.eChannels == E_PixelChannels::GrayAlpha ? kGrayAlpha : kGray, layout.nBitsPerSample);
}
