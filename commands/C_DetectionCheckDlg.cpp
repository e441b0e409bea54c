#include "commands/C_DetectionCheckDlg.h"

#include "views/C_FittedPicture.h"
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
#include <QScreen>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <string>

namespace {

QString Text(const char* psz)
{
    return QString::fromUtf8(psz);
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

// The lowest bits as a picture; null when the buffer is shorter than its size says.
QImage PlaneImage(const S_DetectionResult& result)
{
    const uint64_t nWidth = result.nPlaneWidth, nHeight = result.nPlaneHeight;
    if (nWidth == 0 || nHeight == 0 || nWidth > 0x7fff || nHeight > 0x7fff
        || result.aLsbPlane.size() < nWidth * nHeight * 3)
        return {};
    // QImage only reads the buffer here; copy() detaches before the buffer could go.
    return QImage(result.aLsbPlane.data(), int(nWidth), int(nHeight), int(nWidth * 3), QImage::Format_RGB888).copy();
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

QColor C_DetectionCheckDlg::VerdictColour(E_Verdict eVerdict)
{
    switch (eVerdict) {
    case E_Verdict::Clean: return {0, 128, 0};
    case E_Verdict::Possible: return {190, 110, 0};
    case E_Verdict::Likely: return {200, 0, 0};
    }
    return {};
}

C_DetectionCheckDlg::C_DetectionCheckDlg(
    const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(Text(vmk::kStrDetectionTitle));
    // Everything but Close scrolls, so the dialog fits any screen at any scale.
    auto* pOuter = new QVBoxLayout(this);
    auto* pScroll = m_pScroll = new QScrollArea(this);
    pScroll->setFrameShape(QFrame::NoFrame);
    pScroll->setWidgetResizable(true);
    auto* pContent = new QWidget(pScroll);
    auto* pLayout = new QVBoxLayout(pContent);
    pLayout->setContentsMargins(0, 0, 0, 0);

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
    if (bAnalysed) {
        // A red chi-square row beside a green verdict would otherwise read as a contradiction.
        m_pChiSquareNote = new QLabel(Text(vmk::kStrDetectionChiSquareNote), this);
        m_pChiSquareNote->setWordWrap(true);
        pLayout->addWidget(m_pChiSquareNote);
    }

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
    m_pLeft = pLeft;
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

    // The picture takes the room the dialog is given; its caption stays right under it.
    m_pPlane = new C_FittedPicture(kPlaneSide, this);
    m_pPlane->SetImage(PlaneImage(result));
    m_pPlane->setAccessibleName(Text(vmk::kStrDetectionLsbCaption));
    auto* pPlaneBox = new QVBoxLayout;
    pPlaneBox->setSpacing(2);
    pPlaneBox->addWidget(m_pPlane);
    m_pPlaneCaption = Caption(vmk::kStrDetectionLsbCaption, this);
    pPlaneBox->addWidget(m_pPlaneCaption);
    pPlaneBox->addStretch();
    pGrid->addLayout(pPlaneBox, 0, 1);
    pGrid->setColumnStretch(1, 1);
    pGrid->setRowStretch(0, 1);

    // The p-value curves across the whole width.
    m_pCurve = new C_PValueCurve(this);
    m_pCurve->setAccessibleName(Text(vmk::kStrDetectionCurveCaption));
    std::vector<C_PValueCurve::S_Curve> aCurves;
    for (const S_ChannelFindings& channel : result.aChannels)
        aCurves.push_back(
            {QString::fromStdString(channel.strName), ChannelColour(channel.strName), channel.aChiSquareCurve});
    m_pCurve->SetCurves(std::move(aCurves));
    pGrid->addWidget(m_pCurve, 1, 0, 1, 2);
    pLayout->addLayout(pGrid, 1);
    pScroll->setWidget(pContent);
    pOuter->addWidget(pScroll, 1);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    pButtons->button(QDialogButtonBox::Close)->setDefault(true);
    pOuter->addWidget(pButtons);

    // As large as the content asks, but never beyond the screen's free area (less room for the
    // window's frame): what does not fit scrolls, and Close stays on screen.
    const QMargins margins = pOuter->contentsMargins();
    QSize want = pContent->sizeHint()
        + QSize(margins.left() + margins.right(),
            margins.top() + margins.bottom() + pOuter->spacing() + pButtons->sizeHint().height());
    if (const QScreen* pScreen = pParent ? pParent->screen() : screen())
        want = want.boundedTo(pScreen->availableSize() - QSize(16, 48));
    resize(want);
}

void C_DetectionCheckDlg::resizeEvent(QResizeEvent* pEvent)
{
    QDialog::resizeEvent(pEvent);
    FitPlane();
}

void C_DetectionCheckDlg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    // Before the first showing the scroll area has not had its size yet.
    FitPlane();
}

void C_DetectionCheckDlg::FitPlane()
{
    QWidget* pContent = m_pScroll->widget();
    if (!pContent || !pContent->layout())
        return;
    // The content's height with the picture at its least, then the room the window leaves: the
    // picture may take it, and the height of the texts beside it besides.
    const int nLeast = m_pPlane->minimumSizeHint().height();
    m_pPlane->setMaximumHeight(nLeast);
    QLayout* pLayout = pContent->layout();
    pLayout->invalidate();
    const int nWidth = m_pScroll->viewport()->width();
    const int nAtLeast = pLayout->hasHeightForWidth() ? pLayout->heightForWidth(nWidth) : pLayout->sizeHint().height();
    const int nBeside = m_pLeft->sizeHint().height() - m_pPlaneCaption->sizeHint().height();
    // Less a line: spacings the sums above do not see.
    const int nRoom = m_pScroll->viewport()->height() - nAtLeast + std::max(nLeast, nBeside) - fontMetrics().height();
    // Beside the texts the picture costs no height, scrolling or not.
    const int nFloor = std::max(nLeast, nBeside);
    m_pPlane->setMaximumHeight(std::max(nFloor, nRoom));
    // Once laid out, whatever still overflows comes off the picture.
    QTimer::singleShot(0, this, [this, nFloor] {
        const int nOver = m_pScroll->widget()->height() - m_pScroll->viewport()->height();
        if (nOver > 0 && m_pPlane->height() > nFloor)
            m_pPlane->setMaximumHeight(std::max(nFloor, m_pPlane->height() - nOver));
    });
}

QSize C_DetectionCheckDlg::minimumSizeHint() const
{
    // The scroll area may shrink to little: a small window still shows Close.
    return {240, 200};
}

C_DetectionCheckDlg::~C_DetectionCheckDlg() = default;
