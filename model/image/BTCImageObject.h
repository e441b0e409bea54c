#pragma once
// A picture with its file input and output. Loading decides the format from the file's first
// bytes; saving writes the format asked for, to a temporary file beside the target that is
// renamed over it only when complete, so a failed save leaves the old file as it was.

#include "model/image/BTCImageData.h"
#include "model/image/C_ImageFormat.h"

#include <cstdint>
#include <span>
#include <string>

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
    bool SaveToMemory(E_ImageFormat eFormat, std::vector<uint8_t>& out);

    // The picture's data; null before a successful load.
    BTCImageData* GetObjectDataPtr();
    const BTCImageData* GetObjectDataPtr() const;

    // A short reason for the last failed load or save ("truncated pixel data", "Permission denied").
    const std::string& GetLastError() const { return m_strLastError; }

private:
    BTCImageData m_data;
    bool m_bLoaded = false;
    std::string m_strLastError;
};
