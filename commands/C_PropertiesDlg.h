#pragma once
// The properties dialog ("Carrier Properties"): read-only path, size, dimensions, depth and the capacity remark.

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

    uint32_t m_nBitsPerPixel = 0;  // 1020
    uint32_t m_nHeight = 0;        // 1018, pixels
    std::string m_strPath;         // 1005
    std::string m_strRemarks;      // 1017
    uint32_t m_nWidth = 0;         // 1019, pixels
    uint64_t m_nSize = 0;          // 1006, kilobytes (64-bit: pictures of 2 GiB and more)
protected:
    bool DoDataExchange(bool bSave) override;
};
