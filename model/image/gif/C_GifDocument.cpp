#include "model/image/gif/C_GifDocument.h"

#include <utility>

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
    constexpr int kGraphicControl = 0xF9;
    constexpr int kPlainText = 0x01;
    if (m_aFrames.empty())
        return -1;
    // A control block followed by a plain text block belongs to the text; the image takes the
    // last one after that. Its first block: flags (bit 0: transparency), delay (2), index.
    const S_GifExtension* pControl = nullptr;
    for (const S_GifExtension& ext : m_aFrames[0].aExtensions) {
        if (ext.nFunction == kGraphicControl)
            pControl = &ext;
        else if (ext.nFunction == kPlainText)
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
