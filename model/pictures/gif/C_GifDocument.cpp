#include "model/pictures/gif/C_GifDocument.h"

#include <utility>

namespace {

constexpr int kGraphicControlLabel = 0xF9;
constexpr int kPlainTextLabel = 0x01;

// The transparent index of a graphic control block: byte 3 of its 4-byte block, used only when
// bit 0 of byte 0 is set.
void RenumberTransparent(S_GifExtension& control, const std::vector<uint8_t>& aRemap)
{
    if (control.aBlocks.empty() || control.aBlocks[0].size() < 4 || (control.aBlocks[0][0] & 1u) == 0)
        return;
    control.aBlocks[0][3] = aRemap[control.aBlocks[0][3]];
}

// A graphic control block applies to the next graphic: a plain text block in the same run of
// extensions (drawn with the global table, foreground and background at bytes 10 and 11 of its
// 12-byte block), or else the image after them.
void RenumberExtensions(std::vector<S_GifExtension>& aExtensions, const std::vector<uint8_t>& aRemap,
    bool bImageRenumbered, bool bGlobalRenumbered)
{
    S_GifExtension* pControl = nullptr;
    for (S_GifExtension& ext : aExtensions) {
        if (ext.nFunction == kGraphicControlLabel) {
            pControl = &ext;
        } else if (ext.nFunction == kPlainTextLabel) {
            if (bGlobalRenumbered) {
                if (!ext.aBlocks.empty() && ext.aBlocks[0].size() >= 12) {
                    ext.aBlocks[0][10] = aRemap[ext.aBlocks[0][10]];
                    ext.aBlocks[0][11] = aRemap[ext.aBlocks[0][11]];
                }
                if (pControl)
                    RenumberTransparent(*pControl, aRemap);
            }
            pControl = nullptr;
        }
    }
    if (pControl && bImageRenumbered)
        RenumberTransparent(*pControl, aRemap);
}

void GrayColours(std::vector<S_Rgb>& aColours)
{
    for (S_Rgb& c : aColours) {
        const uint8_t y = S_Rgb::Luma(c.r, c.g, c.b);
        c = S_Rgb{y, y, y};
    }
}

}  // namespace

S_GifColourMap* C_GifDocument::EffectiveMap(size_t nFrame)
{
    return const_cast<S_GifColourMap*>(std::as_const(*this).EffectiveMap(nFrame));
}

const S_GifColourMap* C_GifDocument::EffectiveMap(size_t nFrame) const
{
    if (nFrame < m_aFrames.size() && m_aFrames[nFrame].bHasLocalMap)
        return &m_aFrames[nFrame].localMap;
    return m_bHasGlobalMap ? &m_globalMap : nullptr;
}

int C_GifDocument::TransparentIndex() const
{
    if (m_aFrames.empty())
        return -1;
    // A control block followed by a plain text block belongs to the text; the image takes the
    // last one after that. Its first block: flags (bit 0: transparency), delay (2), index.
    const S_GifExtension* pControl = nullptr;
    for (const S_GifExtension& ext : m_aFrames[0].aExtensions) {
        if (ext.nFunction == kGraphicControlLabel)
            pControl = &ext;
        else if (ext.nFunction == kPlainTextLabel)
            pControl = nullptr;
    }
    if (!pControl || pControl->aBlocks.empty() || pControl->aBlocks[0].size() < 4
        || (pControl->aBlocks[0][0] & 1u) == 0)
        return -1;
    return pControl->aBlocks[0][3];
}

bool C_GifDocument::AssignFrom(const C_PictureDocument& other)
{
    const auto* pOther = dynamic_cast<const C_GifDocument*>(&other);
    if (!pOther)
        return false;
    *this = *pOther;
    return true;
}

void C_GifDocument::Describe(const BTCImageData& data, S_PixelLayout& layout) const
{
    // The first image's indices, one byte each, top to bottom.
    if (data.m_nBitsPerPixel != 8 || data.m_bBottomUp || m_aFrames.empty())
        return;
    layout.eChannels = E_PixelChannels::Index;
    layout.nBitsPerSample = 8;
    layout.nTransparentIndex = TransparentIndex();
    layout.bFurtherFrames = m_aFrames.size() > 1;
    layout.bKnown = true;
}

// The document must describe the picture, or we could not tell which table the save writes.
bool C_GifDocument::CanRenumberPalette(const BTCImageData& data) const
{
    if (m_aFrames.empty() || m_aFrames[0].nWidth != data.m_nWidth || m_aFrames[0].nHeight != data.m_nHeight)
        return false;
    const S_GifColourMap* pMap = EffectiveMap(0);
    return pMap && pMap->aColours.size() == data.m_aPalette.size();
}

// The save writes the first frame's table from the picture's palette; the document's copy is set
// to the same, and so is every index drawn with that table.
void C_GifDocument::RenumberPalette(
    const std::vector<S_Rgb>& aNewPalette, const std::vector<uint32_t>&, const std::vector<uint8_t>& aRemap)
{
    const bool bLocal = m_aFrames[0].bHasLocalMap;
    S_GifColourMap& map = bLocal ? m_aFrames[0].localMap : m_globalMap;
    map.aColours = aNewPalette;
    map.bSorted = false;  // the order no longer goes by importance
    for (size_t i = 0; i < m_aFrames.size(); ++i) {
        S_GifFrame& frame = m_aFrames[i];
        const bool bRenumbered = i == 0 || (!bLocal && !frame.bHasLocalMap);
        if (i > 0 && bRenumbered)
            for (uint8_t& nIndex : frame.aPixels)
                nIndex = aRemap[nIndex];
        RenumberExtensions(frame.aExtensions, aRemap, bRenumbered, !bLocal);
    }
    RenumberExtensions(m_aTrailing, aRemap, false, !bLocal);
    if (!bLocal && m_nBackground >= 0 && m_nBackground < 256)
        m_nBackground = aRemap[static_cast<size_t>(m_nBackground)];
}

// Every colour table of the file turns gray, so that a save keeps the further frames gray too.
void C_GifDocument::BecameGray(bool, const S_PixelLayout&)
{
    GrayColours(m_globalMap.aColours);
    for (S_GifFrame& frame : m_aFrames)
        GrayColours(frame.localMap.aColours);
}
