#pragma once
// The picture that hides the data: a picture object with a view of its decoded pixel bytes,
// the path it came from and the pass phrase of the current hide or reveal.

#include "model/C_CarrierInfo.h"
#include "model/image/BTCImageObject.h"

#include <cstdint>
#include <string>

class C_Message;

class C_Carrier : public BTCImageObject {
public:
    C_Carrier() = default;
    ~C_Carrier() override;

    bool OpenImage(const std::string& strPath);
    // Format from the path's last three characters (bmp, pcx, gif in any letter case).
    bool SaveImage(const std::string& strPath);
    bool ConvertToGrayscale();

    bool WillFit(const C_Message& message) const;
    uint32_t GetCapacity() const;
    // The largest payload that passes WillFit under a name of nNameBytes (0 when none does).
    uint32_t GetLargestPayload(size_t nNameBytes) const;
    // False, with no byte changed, when the record's positions would repeat for this pass
    // phrase (possible only when N is a multiple of 17 or N > (2^32 - 1) / 17).
    bool HideMessage(const C_Message& message);
    // The largest payload with a name of nNameBytes that hides under this pass phrase: within
    // the fit test, and short enough that its draws name no byte twice. For the message that
    // tells why HideMessage refused.
    uint32_t LargestPayloadFor(const std::string& strPassword, size_t nNameBytes) const;
    bool RevealMessage(C_Message& message);
    void GetCarrierInfo(C_CarrierInfo& info) const;
    int CompareImage(const C_Carrier& other) const;

    // The format SaveImage would write for this path; None when it refuses the path.
    static E_ImageFormat FormatForPath(const std::string& strPath);
    // N: the bytes that the sequence draws from (pixel bytes - 1; 0 below two bytes).
    uint32_t GetUsableBytes() const { return m_nBytes; }

    BTCImageData* m_pImageData = nullptr;  // the loaded picture's data; owned by the base object
    uint8_t* m_pBits = nullptr;            // its pixel bytes; owned by the picture data
    uint32_t m_nBytes = 0;                 // N
    std::string m_strPath;                 // the path the picture was loaded from
    std::string m_strPassword;             // pass phrase of the current hide or reveal

private:
    void RefreshView();
    // N, or floor(N / 34) where positions start repeating early (N a multiple of 17).
    uint32_t EffectiveBytes() const;
};
