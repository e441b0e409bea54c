#pragma once
// The one owner of a giflib handle: opened for reading from memory or for writing into a
// C_ByteSink, closed with the matching giflib call on every path out. giflib's own error text
// is available for the caller's message.

#include "model/pictures/C_ByteSink.h"
#include "model/pictures/C_ImageError.h"

#include <gif_lib.h>

#include <cstdint>
#include <span>
#include <string>

class C_GifFile {
public:
    C_GifFile() = default;
    ~C_GifFile();
    // giflib keeps a pointer to this object for its callbacks: never copied or moved.
    C_GifFile(const C_GifFile&) = delete;
    C_GifFile& operator=(const C_GifFile&) = delete;

    // Reads the signature and screen descriptor from bytes, which must outlive this object.
    bool OpenRead(std::span<const uint8_t> bytes, C_ImageError& err);
    // Starts a file that goes into sink, which must outlive this object.
    bool OpenWrite(C_ByteSink& sink, C_ImageError& err);
    // Ends the file (a written one gets its trailer) and releases giflib's state.
    bool Close(C_ImageError& err);

    GifFileType* Get() const { return m_pGif; }
    // Reading, right after DGifGetImageDesc: the bytes of LZW data that the image's data
    // sub-blocks hold, counted in the input without consuming it (as far as the input goes).
    uint64_t ImageDataBytes() const;
    // giflib's text for the handle's last error.
    std::string ErrorText() const;
    static std::string ErrorText(int nCode);

private:
    static int ReadBytes(GifFileType* pGif, GifByteType* pDest, int nCount);
    static int WriteBytes(GifFileType* pGif, const GifByteType* pData, int nCount);

    GifFileType* m_pGif = nullptr;  // owned; closed with DGifCloseFile or EGifCloseFile
    bool m_bWriting = false;
    std::span<const uint8_t> m_input;
    size_t m_nInputPos = 0;
    C_ByteSink* m_pSink = nullptr;  // not owned
};
