#include "commands/C_PropertiesDlg.h"

#include "commands/vmk_command_texts.h"
#include "model/C_CarrierInfo.h"
#include "res/vmk_ids.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>

namespace {

// The path in nWidth pixels: whole when it fits, else the start of its folder, "…" and the file's
// whole name; a name too long for that is cut in its own middle.
QString ElidePath(const QFontMetrics& metrics, const QString& strPath, int nWidth)
{
    if (metrics.horizontalAdvance(strPath) <= nWidth)
        return strPath;
    const qsizetype nSlash = strPath.lastIndexOf(u'/');
    const QString strName = strPath.mid(nSlash);
    const int nRoom = nWidth - metrics.horizontalAdvance(strName);
    if (nSlash > 0 && nRoom > metrics.horizontalAdvance(QStringLiteral("/x\u2026")))
        return metrics.elidedText(strPath.left(nSlash), Qt::ElideRight, nRoom) + strName;
    return metrics.elidedText(strPath, Qt::ElideMiddle, nWidth);
}

}  // namespace

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
    m_nSealedCapacity = info.m_nSealedCapacity;
    m_nSealedUnlimited = info.m_nSealedUnlimited;
    m_bCoefficients = info.m_bCoefficients;
}

bool C_PropertiesDlg::DoDataExchange(bool bSave)
{
    // A line of text, not a field: nothing to read back.
    if (auto* pLabel = qobject_cast<QLabel*>(Control(IDC_PROPERTIES_RECOMMENDED)); pLabel && !bSave)
        pLabel->setText(QString::fromUtf8(vmk::kStrRecommendedPayload).arg(m_nRecommended));
    if (auto* pLabel = qobject_cast<QLabel*>(Control(IDC_PROPERTIES_SEALED)); pLabel && !bSave) {
        pLabel->setText(m_nSealedUnlimited > 0
                ? QString::fromUtf8(vmk::kStrSealedSafe).arg(m_nSealedCapacity).arg(m_nSealedUnlimited)
                : QString::fromUtf8(vmk::kStrSealedCapacity).arg(m_nSealedCapacity));
        const char* pszTip = m_bCoefficients ? vmk::kStrSealedSafeTipJpeg : vmk::kStrSealedSafeTip;
        pLabel->setToolTip(m_nSealedUnlimited > 0 ? QString::fromUtf8(pszTip) : QString());
    }
    // A long path is cut in its middle, so that the folder's start and the file's name both
    // show; the whole path is the tool tip. Shown only: the field is never read back.
    if (auto* pPath = qobject_cast<QLineEdit*>(Control(IDC_PROPERTIES_PATH)); pPath && !bSave) {
        const QString strPath = QString::fromStdString(m_strPath);
        const int nMargins = 2 * (pPath->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, pPath) + 4);
        pPath->setText(ElidePath(pPath->fontMetrics(), strPath, pPath->width() - nMargins));
        pPath->setToolTip(strPath);
        pPath->setCursorPosition(0);
    }
    // Up to 64 bits: a PNG with four 16-bit samples per pixel.
    return ExchangeUInt(IDC_PROPERTIES_DEPTH, m_nBitsPerPixel, bSave)
        && ExchangeMinMax(IDC_PROPERTIES_DEPTH, m_nBitsPerPixel, 1, 64, bSave)
        && ExchangeUInt(IDC_PROPERTIES_HEIGHT, m_nHeight, bSave)
        && ExchangeMinMax(IDC_PROPERTIES_HEIGHT, m_nHeight, 0, UINT32_MAX, bSave)
        && ExchangeText(IDC_PROPERTIES_REMARKS, m_strRemarks, bSave)
        && ExchangeUInt(IDC_PROPERTIES_WIDTH, m_nWidth, bSave)
        && ExchangeMinMax(IDC_PROPERTIES_WIDTH, m_nWidth, 0, UINT32_MAX, bSave)
        && ExchangeUInt(IDC_PROPERTIES_SIZE, m_nSize, bSave);
}
