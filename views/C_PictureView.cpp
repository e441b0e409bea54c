#include "views/C_PictureView.h"

#include "views/C_ZoomLevels.h"
#include "views/C_ZoomPainter.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

C_PictureView::C_PictureView(QWidget* pParent)
    : QAbstractScrollArea(pParent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
}

void C_PictureView::SetImage(const QImage& img)
{
    m_image = img;
    SetPictureSize(img.size());
}

void C_PictureView::SetPictureSize(QSize picture)
{
    m_picture = picture;
    UpdateScrollBars();
    viewport()->update();
}

QImage C_PictureView::CurrentPicture(bool& bFlip) const
{
    bFlip = false;
    return m_image;
}

QSize C_PictureView::ZoomedSize() const
{
    return {int(std::lround(m_picture.width() * m_dZoom)), int(std::lround(m_picture.height() * m_dZoom))};
}

QSize C_PictureView::sizeHint() const
{
    if (m_picture.isEmpty())
        return QAbstractScrollArea::sizeHint();
    const int nFrame = 2 * frameWidth();
    return ZoomedSize() + QSize(nFrame, nFrame);
}

void C_PictureView::UpdateScrollBars()
{
    const QSize vp = viewport()->size();
    const QSize zoomed = ZoomedSize();
    horizontalScrollBar()->setRange(0, std::max(0, zoomed.width() - vp.width()));
    verticalScrollBar()->setRange(0, std::max(0, zoomed.height() - vp.height()));
    horizontalScrollBar()->setPageStep(std::max(1, vp.width()));
    verticalScrollBar()->setPageStep(std::max(1, vp.height()));
    // A line is a tenth of a page, as the classic scrolling view has it.
    horizontalScrollBar()->setSingleStep(std::max(1, vp.width() / 10));
    verticalScrollBar()->setSingleStep(std::max(1, vp.height() / 10));
}

QPoint C_PictureView::PictureOrigin() const
{
    const QSize vp = viewport()->size();
    const QSize zoomed = ZoomedSize();
    // Centred, the odd pixel going right or down; from the origin when larger; the scroll
    // position shifts the whole logical space.
    const int x = std::max(0, vp.width() - zoomed.width()) / 2 - horizontalScrollBar()->value();
    const int y = std::max(0, vp.height() - zoomed.height()) / 2 - verticalScrollBar()->value();
    return {x, y};
}

void C_PictureView::SetZoom(double dZoom, QPoint anchor)
{
    dZoom = std::clamp(dZoom, C_ZoomLevels::kMin, C_ZoomLevels::kMax);
    if (dZoom == m_dZoom)
        return;
    // The picture point under the anchor, in picture pixels, before the change.
    const QPoint origin = PictureOrigin();
    const QPoint scroll(horizontalScrollBar()->value(), verticalScrollBar()->value());
    QPointF point = (QPointF(anchor) - QPointF(origin)) / m_dZoom;
    if (anchor == m_lastAnchor && scroll == m_lastScroll)
        point = m_lastPoint;
    m_dZoom = dZoom;
    UpdateScrollBars();
    // The centring margin at the new zoom (0 where the picture is larger than the viewport, and
    // there the scroll value puts the point back under the anchor).
    const QPoint margin = PictureOrigin() + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    horizontalScrollBar()->setValue(int(std::lround(point.x() * dZoom)) + margin.x() - anchor.x());
    verticalScrollBar()->setValue(int(std::lround(point.y() * dZoom)) + margin.y() - anchor.y());
    m_lastPoint = point;
    m_lastAnchor = anchor;
    m_lastScroll = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    viewport()->update();
    emit ZoomChanged(m_dZoom);
}

void C_PictureView::SetZoom(double dZoom)
{
    SetZoom(dZoom, viewport()->rect().center());
}

void C_PictureView::ZoomIn()
{
    SetZoom(C_ZoomLevels::In(m_dZoom));
}

void C_PictureView::ZoomOut()
{
    SetZoom(C_ZoomLevels::Out(m_dZoom));
}

void C_PictureView::ActualSize()
{
    SetZoom(1.0);
}

void C_PictureView::FitToWindow()
{
    // The room without scroll bars: a fitted picture needs none.
    QSize room = viewport()->size();
    if (verticalScrollBar()->isVisible())
        room.rwidth() += verticalScrollBar()->width();
    if (horizontalScrollBar()->isVisible())
        room.rheight() += horizontalScrollBar()->height();
    SetZoom(C_ZoomLevels::Fit(m_picture, room));
}

void C_PictureView::paintEvent(QPaintEvent* pEvent)
{
    QPainter painter(viewport());
    bool bFlip = false;
    const QImage img = CurrentPicture(bFlip);
    if (img.isNull() && m_picture.isEmpty())
        return;
    const QRect exposed = pEvent->rect();
    painter.fillRect(exposed, Qt::white);
    C_ZoomPainter::Paint(painter, img, bFlip, m_dZoom, PictureOrigin(), exposed);
}

void C_PictureView::resizeEvent(QResizeEvent* pEvent)
{
    QAbstractScrollArea::resizeEvent(pEvent);
    UpdateScrollBars();
}

void C_PictureView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void C_PictureView::wheelEvent(QWheelEvent* pEvent)
{
    if (!(pEvent->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(pEvent);
        return;
    }
    // One step per notch (120 eighths of a degree); touch pads send less and add up.
    m_nWheelDelta += pEvent->angleDelta().y();
    const QPoint at = pEvent->position().toPoint();
    while (m_nWheelDelta >= 120) {
        m_nWheelDelta -= 120;
        SetZoom(C_ZoomLevels::In(m_dZoom), at);
    }
    while (m_nWheelDelta <= -120) {
        m_nWheelDelta += 120;
        SetZoom(C_ZoomLevels::Out(m_dZoom), at);
    }
    pEvent->accept();
}
