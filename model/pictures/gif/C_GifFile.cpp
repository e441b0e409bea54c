#include "model/pictures/gif/C_GifFile.h"

#include "model/pictures/gif/vmk_gif_name.h"

#include <algorithm>

C_GifFile::~C_GifFile()
{
    C_ImageError ignored;
    Close(ignored);
}

std::string C_GifFile::ErrorText(int nCode)
{
    const char* pText = GifErrorString(nCode);
    return pText ? pText : "giflib error " + std::to_string(nCode);
}

std::string C_GifFile::ErrorText() const
{
    return m_pGif ? ErrorText(m_pGif->Error) : std::string();
}

int C_GifFile::ReadBytes(GifFileType* pGif, GifByteType* pDest, int nCount)
{
    auto* self = static_cast<C_GifFile*>(pGif->UserData);
    if (nCount <= 0)
        return 0;
    const size_t nTake = std::min(static_cast<size_t>(nCount), self->m_input.size() - self->m_nInputPos);
    std::copy_n(self->m_input.data() + self->m_nInputPos, nTake, pDest);
    self->m_nInputPos += nTake;
    return static_cast<int>(nTake);
}

int C_GifFile::WriteBytes(GifFileType* pGif, const GifByteType* pData, int nCount)
{
    auto* self = static_cast<C_GifFile*>(pGif->UserData);
    if (nCount <= 0)
        return 0;
    return self->m_pSink->Write(pData, static_cast<size_t>(nCount)) ? nCount : 0;
}

uint64_t C_GifFile::ImageDataBytes() const
{
    uint64_t nBytes = 0;
    for (size_t nPos = m_nInputPos; nPos < m_input.size() && m_input[nPos] != 0; nPos += 1 + size_t{m_input[nPos]})
        nBytes += m_input[nPos];
    return nBytes;
}

bool C_GifFile::OpenRead(std::span<const uint8_t> bytes, C_ImageError& err)
{
    Close(err);
    m_input = bytes;
    m_nInputPos = 0;
    int nError = 0;
    m_pGif = DGifOpen(this, &C_GifFile::ReadBytes, &nError);
    if (!m_pGif)
        return err.Set(E_ImageError::Decode, kGifName, ErrorText(nError));
    m_bWriting = false;
    return true;
}

bool C_GifFile::OpenWrite(C_ByteSink& sink, C_ImageError& err)
{
    Close(err);
    m_pSink = &sink;
    int nError = 0;
    m_pGif = EGifOpen(this, &C_GifFile::WriteBytes, &nError);
    if (!m_pGif)
        return err.Set(E_ImageError::Encode, kGifName, ErrorText(nError));
    m_bWriting = true;
    return true;
}

bool C_GifFile::Close(C_ImageError& err)
{
    if (!m_pGif)
        return true;
    int nError = 0;
    GifFileType* pGif = m_pGif;
    m_pGif = nullptr;
    const int nResult = m_bWriting ? EGifCloseFile(pGif, &nError) : DGifCloseFile(pGif, &nError);
    if (nResult == GIF_ERROR)
        return err.Set(m_bWriting ? E_ImageError::Encode : E_ImageError::Decode, kGifName, ErrorText(nError));
    return true;
}
