#include "commands/C_PictureDlg.h"

#include "views/C_PictureView.h"
#include "views/C_ZoomLevels.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <QEvent>

#include <algorithm>

C_PictureDlg::C_PictureDlg(const QString& strTitle, const QString& strText, const QImage& img, QWidget* pParent)
    : QDialog(pParent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(strTitle);
    auto* pLayout = new QVBoxLayout(this);
    m_pText = new QLabel(strText, this);
    m_pText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pText->setWordWrap(true);
    m_pText->installEventFilter(this);
    pLayout->addWidget(m_pText);
    m_pView = new C_PictureView(this);
    m_pView->SetImage(img);
    m_pView->setAccessibleName(strTitle);
    pLayout->addWidget(m_pView, 1);
    auto* pRow = new QHBoxLayout;
    m_pZoom = new QLabel(C_ZoomLevels::Text(m_pView->Zoom()), this);
    pRow->addWidget(m_pZoom, 1);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::close);
    pRow->addWidget(pButtons);
    pLayout->addLayout(pRow);
    connect(m_pView, &C_PictureView::ZoomChanged, this,
        [this](double dZoom) { m_pZoom->setText(C_ZoomLevels::Text(dZoom)); });

    // The picture window's zoom keys, here too.
    const auto key = [this](const char* pKey, void (C_PictureView::*pFn)()) {
        auto* pShortcut = new QShortcut(QKeySequence::fromString(QString::fromLatin1(pKey)), this);
        connect(pShortcut, &QShortcut::activated, m_pView, pFn);
    };
    key("Ctrl++", &C_PictureView::ZoomIn);
    key("Ctrl+=", &C_PictureView::ZoomIn);
    key("Ctrl+-", &C_PictureView::ZoomOut);
    key("Ctrl+0", &C_PictureView::ActualSize);
    key("Ctrl+9", &C_PictureView::FitToWindow);

    // At the picture's size where the screen has room; the view scrolls otherwise.
    QSize room(1000, 750);
    if (const QScreen* pScreen = screen())
        room = room.boundedTo(pScreen->availableSize() * 4 / 5);
    const QSize want = m_pView->sizeHint() + QSize(40, 100);
    resize(want.boundedTo(room).expandedTo(QSize(360, 240)));
}

bool C_PictureDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // A window's layout gives a wrapping label its minimum height, not the height its lines
    // need at the width it got: narrowed, the counts would be cut off below. The window then
    // cannot be made lower than the text needs.
    if (pWatched == m_pText && pEvent->type() == QEvent::Resize) {
        const int nNeed = m_pText->heightForWidth(m_pText->width());
        if (nNeed > 0 && nNeed != m_pText->minimumHeight())
            m_pText->setMinimumHeight(nNeed);
    }
    return QDialog::eventFilter(pWatched, pEvent);
}
