#include "model/image/C_GifDocument.h"

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
