#pragma once
// The properties dialog ("Carrier Properties"): read-only path, size, dimensions, depth and the capacity remark,
// and below it the payload the detection check recommends and the sealed capacity. A long path is
// shortened in its middle, whole in the tool tip.

#include "commands/C_TemplateDialog.h"

#include <cstdint>
#include <string>

class C_CarrierInfo;

class C_PropertiesDlg : public C_TemplateDialog {
    Q_OBJECT
public:
    explicit C_PropertiesDlg(QWidget* pParent = nullptr);
    ~C_PropertiesDlg() override;

    // The fields from the carrier's record; its signed numbers as the same 32 bits, unsigned.
    void SetInfo(const C_CarrierInfo& info);

    uint32_t m_nBitsPerPixel = 0;     // IDC_PROPERTIES_DEPTH
    uint32_t m_nHeight = 0;           // IDC_PROPERTIES_HEIGHT, pixels
    std::string m_strPath;            // IDC_PROPERTIES_PATH
    std::string m_strRemarks;         // IDC_PROPERTIES_REMARKS
    uint32_t m_nWidth = 0;            // IDC_PROPERTIES_WIDTH, pixels
    uint64_t m_nSize = 0;             // IDC_PROPERTIES_SIZE, kilobytes (64-bit: pictures of 2 GiB and more)
    uint32_t m_nRecommended = 0;      // IDC_PROPERTIES_RECOMMENDED, bytes; shown only
    uint32_t m_nSealedUnlimited = 0;  // past the safe rate; 0 where the record does not spread
    bool m_bCoefficients = false;     // a JPEG's rate counts its non-zero AC coefficients
    uint32_t m_nSealedCapacity = 0;   // IDC_PROPERTIES_SEALED, bytes; shown only
protected:
    bool DoDataExchange(bool bSave) override;
};
