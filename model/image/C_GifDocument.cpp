#include "model/image/C_GifDocument.h"

#include "model/image/C_PixelReader.h"

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

void C_GifDocument::Grayscale()
{
    auto gray = [](S_GifColourMap& map) {
        for (S_Rgb& c : map.aColours) {
            const uint8_t y = C_PixelReader::Luma(c.r, c.g, c.b);
            c = S_Rgb{y, y, y};
        }
    };
    gray(m_globalMap);
    for (S_GifFrame& frame : m_aFrames)
        gray(frame.localMap);
}
