#include "commands/C_DetectionCheckDlg.h"

#include "commands/C_PValueCurve.h"
#include "commands/vmk_command_texts.h"
#include "model/analysis/C_DetectionCheck.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <string>

namespace {

QString Text(const char* psz)
{
    return QString::fromUtf8(psz);
}

// Green, amber, red: the colours people read a verdict by before its words.
QColor VerdictColour(E_Verdict eVerdict)
{
    switch (eVerdict) {
    case E_Verdict::Clean: return {0, 128, 0};
    case E_Verdict::Possible: return {190, 110, 0};
    case E_Verdict::Likely: return {200, 0, 0};
    }
    return {};
}

QColor ChannelColour(const std::string& strName)
{
    if (strName == "Red")
        return {215, 35, 35};
    if (strName == "Green")
        return {20, 150, 40};
    if (strName == "Blue")
        return {35, 75, 225};
    if (strName == "Gray")
        return {80, 80, 80};
    return {140, 50, 170};  // palette indices
}

// The lowest bits as a picture, at most kPlaneSide a side; small pictures are enlarged with
// their pixels kept sharp, large ones shrunk smoothly so the density of ones stays visible.
QPixmap PlanePixmap(const S_DetectionResult& result)
{
    const uint64_t nWidth = result.nPlaneWidth, nHeight = result.nPlaneHeight;
    if (nWidth == 0 || nHeight == 0 || nWidth > 0x7fff || nHeight > 0x7fff
        || result.aLsbPlane.size() < nWidth * nHeight * 3)
        return {};
    // QImage only reads the buffer here; copy() detaches before the buffer could go.
    const QImage plane(result.aLsbPlane.data(), int(nWidth), int(nHeight), int(nWidth * 3), QImage::Format_RGB888);
    const QSize fit =
        QSize(int(nWidth), int(nHeight))
            .scaled(C_DetectionCheckDlg::kPlaneSide, C_DetectionCheckDlg::kPlaneSide, Qt::KeepAspectRatio);
    const bool bShrink = fit.width() < int(nWidth);
    return QPixmap::fromImage(
        plane.scaled(fit, Qt::IgnoreAspectRatio, bShrink ? Qt::SmoothTransformation : Qt::FastTransformation));
}

QLabel* Caption(const char* psz, QWidget* pParent)
{
    auto* pLabel = new QLabel(Text(psz), pParent);
    pLabel->setAlignment(Qt::AlignHCenter);
    QPalette pal = pLabel->palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::PlaceholderText));
    pLabel->setPalette(pal);
    return pLabel;
}

}  // namespace

C_DetectionCheckDlg::C_DetectionCheckDlg(
    const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(Text(vmk::kStrDetectionTitle));
    auto* pLayout = new QVBoxLayout(this);

    auto* pIntro = new QLabel(Text(vmk::kStrDetectionIntro), this);
    pIntro->setWordWrap(true);
    pLayout->addWidget(pIntro);

    const bool bAnalysed = !result.aChannels.empty();
    m_pOverall = new QLabel(this);
    m_pOverall->setTextFormat(Qt::PlainText);
    QFont bold = m_pOverall->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    m_pOverall->setFont(bold);
    if (bAnalysed) {
        m_pOverall->setText(Text(vmk::kStrDetectionOverall).arg(Text(C_DetectionCheck::VerdictText(result.eOverall))));
        QPalette pal = m_pOverall->palette();
        pal.setColor(QPalette::WindowText, VerdictColour(result.eOverall));
        m_pOverall->setPalette(pal);
    } else {
        m_pOverall->setText(Text(vmk::kStrDetectionNoChannels));
    }
    pLayout->addWidget(m_pOverall);

    // The table on the left, the lowest bits on the right.
    auto* pGrid = new QGridLayout;
    pGrid->setHorizontalSpacing(16);
    m_pTable = new QTableWidget(0, 4, this);
    QStringList headers;
    for (const char* psz : vmk::kStrDetectionColumns)
        headers << Text(psz);
    m_pTable->setHorizontalHeaderLabels(headers);
    m_pTable->verticalHeader()->hide();
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionMode(QAbstractItemView::NoSelection);
    // What a screen reader names the parts by; the table's cells read out themselves.
    m_pTable->setAccessibleName(Text(vmk::kStrDetectionTitle));
    m_pTable->setFocusPolicy(Qt::NoFocus);
    m_pTable->setShowGrid(false);
    m_pTable->setAlternatingRowColors(true);
    for (const S_ChannelFindings& channel : result.aChannels) {
        const std::array<std::pair<const char*, std::pair<double, E_Verdict>>, 3> aRows = {{
            {vmk::kStrDetectionSpa, {channel.dSpa, channel.eSpa}},
            {vmk::kStrDetectionRs, {channel.dRs, channel.eRs}},
            {vmk::kStrDetectionChiSquare, {channel.dChiSquare, channel.eChiSquare}},
        }};
        for (size_t i = 0; i < aRows.size(); ++i) {
            const int nRow = m_pTable->rowCount();
            m_pTable->insertRow(nRow);
            // The channel's name once, on the first row of its three, in its colour.
            auto* pChannel = new QTableWidgetItem(i == 0 ? QString::fromStdString(channel.strName) : QString());
            pChannel->setForeground(ChannelColour(channel.strName));
            QFont font = pChannel->font();
            font.setBold(true);
            pChannel->setFont(font);
            m_pTable->setItem(nRow, 0, pChannel);
            m_pTable->setItem(nRow, 1, new QTableWidgetItem(Text(aRows[i].first)));
            auto* pEstimate = new QTableWidgetItem(QString::number(aRows[i].second.first, 'f', 3));
            pEstimate->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_pTable->setItem(nRow, 2, pEstimate);
            auto* pVerdict = new QTableWidgetItem(Text(C_DetectionCheck::VerdictText(aRows[i].second.second)));
            pVerdict->setForeground(VerdictColour(aRows[i].second.second));
            m_pTable->setItem(nRow, 3, pVerdict);
        }
    }
    m_pTable->resizeColumnsToContents();
    m_pTable->resizeRowsToContents();
    m_pTable->horizontalHeader()->setStretchLastSection(true);
    // Tall enough for every row without a scroll bar, up to the picture's height.
    int nTableHeight = m_pTable->horizontalHeader()->height() + 2 * m_pTable->frameWidth();
    for (int r = 0; r < m_pTable->rowCount(); ++r)
        nTableHeight += m_pTable->rowHeight(r);
    int nTableWidth = 2 * m_pTable->frameWidth() + 24;
    for (int c = 0; c < m_pTable->columnCount(); ++c)
        nTableWidth += m_pTable->columnWidth(c);
    m_pTable->setMinimumSize(nTableWidth, std::min(nTableHeight, kPlaneSide + 40));
    m_pTable->setMaximumHeight(nTableHeight);
    m_pTable->setVerticalScrollBarPolicy(
        nTableHeight > kPlaneSide + 40 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    m_pTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Below the table, what the numbers come to and how to read the picture beside it.
    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(m_pTable);
    pLeft->addSpacing(8);
    m_pPayload = new QLabel(
        Text(vmk::kStrDetectionPayload).arg(QString::number(nRecommended), QString::number(nCapacity)), this);
    m_pPayload->setWordWrap(true);
    pLeft->addWidget(m_pPayload);
    pLeft->addSpacing(8);
    auto* pHint = Caption(vmk::kStrDetectionLsbHint, this);
    pHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pHint->setWordWrap(true);
    pLeft->addWidget(pHint);
    pLeft->addStretch();
    pGrid->addLayout(pLeft, 0, 0);

    m_pPlane = new QLabel(this);
    m_pPlane->setAlignment(Qt::AlignCenter);
    m_pPlane->setFixedSize(kPlaneSide, kPlaneSide);
    m_pPlane->setPixmap(PlanePixmap(result));
    m_pPlane->setAccessibleName(Text(vmk::kStrDetectionLsbCaption));
    auto* pPlaneBox = new QVBoxLayout;
    pPlaneBox->addWidget(m_pPlane, 0, Qt::AlignHCenter);
    pPlaneBox->addWidget(Caption(vmk::kStrDetectionLsbCaption, this));
    pPlaneBox->addStretch();
    pGrid->addLayout(pPlaneBox, 0, 1);

    // The p-value curves across the whole width.
    m_pCurve = new C_PValueCurve(this);
    m_pCurve->setAccessibleName(Text(vmk::kStrDetectionCurveCaption));
    std::vector<C_PValueCurve::S_Curve> aCurves;
    for (const S_ChannelFindings& channel : result.aChannels)
        aCurves.push_back(
            {QString::fromStdString(channel.strName), ChannelColour(channel.strName), channel.aChiSquareCurve});
    m_pCurve->SetCurves(std::move(aCurves));
    pGrid->addWidget(m_pCurve, 1, 0, 1, 2);
    pLayout->addLayout(pGrid);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pButtons->button(QDialogButtonBox::Close)->setDefault(true);
    pLayout->addWidget(pButtons);
}

C_DetectionCheckDlg::~C_DetectionCheckDlg() = default;
