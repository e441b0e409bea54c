#include "commands/C_PropertiesDlg.h"

#include "res/vmk_ids.h"

C_PropertiesDlg::C_PropertiesDlg(QWidget* pParent) : C_TemplateDialog(IDD_PROPERTIES, pParent) {}

C_PropertiesDlg::~C_PropertiesDlg() = default;

bool C_PropertiesDlg::DoDataExchange(bool bSave)
{
    return ExchangeUInt(1020, m_nBitsPerPixel, bSave) && ExchangeMinMax(1020, m_nBitsPerPixel, 1, 32, bSave)
           && ExchangeUInt(1018, m_nHeight, bSave) && ExchangeMinMax(1018, m_nHeight, 0, UINT32_MAX, bSave)
           && ExchangeText(1005, m_strPath, bSave) && ExchangeText(1017, m_strRemarks, bSave)
           && ExchangeUInt(1019, m_nWidth, bSave) && ExchangeMinMax(1019, m_nWidth, 0, UINT32_MAX, bSave)
           && ExchangeUInt(1006, m_nSize, bSave);
}
