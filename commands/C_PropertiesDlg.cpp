#include "commands/C_PropertiesDlg.h"

#include "commands/vmk_command_texts.h"
#include "model/C_CarrierInfo.h"
#include "res/vmk_ids.h"

#include <QLabel>

C_PropertiesDlg::C_PropertiesDlg(QWidget* pParent)
    : C_TemplateDialog(IDD_PROPERTIES, pParent)
{ }

C_PropertiesDlg::~C_PropertiesDlg() = default;

void C_PropertiesDlg::SetInfo(const C_CarrierInfo& info)
{
    m_strPath = info.m_strPath;
    m_nBitsPerPixel = static_cast<uint32_t>(info.m_nBitsPerPixel);
    m_nSize = static_cast<uint64_t>(info.m_nSizeKB);
    m_nHeight = static_cast<uint32_t>(info.m_nHeight);
    m_nWidth = static_cast<uint32_t>(info.m_nWidth);
    m_strRemarks = info.m_strRemarks;
    m_nRecommended = info.m_nRecommendedPayload;
}

bool C_PropertiesDlg::DoDataExchange(bool bSave)
{
    // A line of text, not a field: nothing to read back.
    if (auto* pLabel = qobject_cast<QLabel*>(Control(IDC_PROPERTIES_RECOMMENDED)); pLabel && !bSave)
        pLabel->setText(QString::fromUtf8(vmk::kStrRecommendedPayload).arg(m_nRecommended));
    // Up to 64 bits: a PNG with four 16-bit samples per pixel.
    return ExchangeUInt(IDC_PROPERTIES_DEPTH, m_nBitsPerPixel, bSave)
        && ExchangeMinMax(IDC_PROPERTIES_DEPTH, m_nBitsPerPixel, 1, 64, bSave)
        && ExchangeUInt(IDC_PROPERTIES_HEIGHT, m_nHeight, bSave)
        && ExchangeMinMax(IDC_PROPERTIES_HEIGHT, m_nHeight, 0, UINT32_MAX, bSave)
        && ExchangeText(IDC_PROPERTIES_PATH, m_strPath, bSave)
        && ExchangeText(IDC_PROPERTIES_REMARKS, m_strRemarks, bSave)
        && ExchangeUInt(IDC_PROPERTIES_WIDTH, m_nWidth, bSave)
        && ExchangeMinMax(IDC_PROPERTIES_WIDTH, m_nWidth, 0, UINT32_MAX, bSave)
        && ExchangeUInt(IDC_PROPERTIES_SIZE, m_nSize, bSave);
}
