#pragma once
// A picture with its file input and output. Loading decides the format from the file's first
// bytes; saving writes the format asked for, to a temporary file beside the target that is
// renamed over it only when complete, so a failed save leaves the old file as it was.

#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_ImageFormat.h"
#include "model/pictures/E_ImageError.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class C_AtomicFileWriter;
class C_ByteSink;
class C_ByteSource;

class BTCImageObject {
public:
    BTCImageObject();
    virtual ~BTCImageObject();
    BTCImageObject(const BTCImageObject&) = delete;
    BTCImageObject& operator=(const BTCImageObject&) = delete;

    // True when the file was read and decoded; otherwise GetLastError() says why.
    bool Load(const std::string& strPath);
    bool LoadFromMemory(std::span<const uint8_t> bytes);
    // Writes the current picture in the given format. True when written.
    bool Save(const std::string& strPath, E_ImageFormat eFormat);
    // Encodes without touching the disk (for tests, fuzzing and verification).
    // Encodes into an open writer without committing it, for a caller that checks the file
    // before it replaces the target. The writer's error says why a write failed.
    bool SaveTo(C_AtomicFileWriter& writer, E_ImageFormat eFormat);
    bool SaveToMemory(E_ImageFormat eFormat, std::vector<uint8_t>& out);

    // The picture's data; null before a successful load.
    BTCImageData* GetObjectDataPtr();
    const BTCImageData* GetObjectDataPtr() const;

    // A short reason for the last failed load or save ("BMP: truncated data", "...: Permission denied").
    const std::string& GetLastError() const { return m_strLastError; }

    // Caps the pixel buffer a load may allocate (default and upper bound: just below 4 GiB,
    // since the byte count is 32-bit). Fuzzing and tools with little memory set less.
    void SetMaxImageBytes(uint32_t nBytes) { m_nMaxImageBytes = nBytes; }
    // The code of the last failed load (NeedsConsent: the picture would decode to far more
    // than its file holds; SetAllowLarge(true) and load again to open it anyway).
    E_ImageError GetLastErrorCode() const { return m_eLastError; }
    void SetAllowLarge(bool bAllow) { m_bAllowLarge = bAllow; }
    bool GetAllowLarge() const { return m_bAllowLarge; }
    // The size of the file (or memory) the current picture was loaded from.
    uint64_t GetFileBytes() const { return m_nFileBytes; }

private:
    bool Decode(C_ByteSource& src);
    bool Encode(E_ImageFormat eFormat, C_ByteSink& sink);
    bool Fail(const std::string& strWhy, E_ImageError eCode = E_ImageError::CannotRead);

    BTCImageData m_data;
    uint32_t m_nMaxImageBytes = UINT32_MAX;
    std::string m_strLastError;
    E_ImageError m_eLastError = E_ImageError::None;
    bool m_bAllowLarge = false;
    uint64_t m_nFileBytes = 0;
};
