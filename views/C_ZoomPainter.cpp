#include "views/C_ZoomPainter.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

void C_ZoomPainter::Paint(QPainter& painter, const QImage& img, bool bFlip, double dZoom, QPointF origin, QRect exposed)
{
    if (img.isNull() || dZoom <= 0 || exposed.isEmpty())
        return;
    const int w = img.width(), h = img.height();
    // The picture's pixels that reach the exposed rectangle, one more at each side for the
    // smoothing's neighbours.
    const auto first = [dZoom](double dFrom, double dOrigin, int nMax) {
        return std::clamp(int(std::floor((dFrom - dOrigin) / dZoom)) - 1, 0, nMax);
    };
    const auto last = [dZoom](double dTo, double dOrigin, int nMax) {
        return std::clamp(int(std::ceil((dTo - dOrigin) / dZoom)) + 1, 0, nMax);
    };
    const int x0 = first(exposed.left(), origin.x(), w), x1 = last(exposed.right() + 1, origin.x(), w);
    const int y0 = first(exposed.top(), origin.y(), h), y1 = last(exposed.bottom() + 1, origin.y(), h);
    if (x0 >= x1 || y0 >= y1)
        return;

    painter.save();
    painter.setClipRect(exposed, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, dZoom < 1.0);
    int nSourceTop = y0;
    if (bFlip) {
        // Stored rows run bottom-up: mirror the picture's extent onto itself and draw the
        // stored rows that show as display rows y0 .. y1.
        painter.translate(0, 2 * origin.y() + h * dZoom);
        painter.scale(1, -1);
        nSourceTop = h - y1;
    }
    const QRectF target(origin.x() + x0 * dZoom, origin.y() + nSourceTop * dZoom, (x1 - x0) * dZoom, (y1 - y0) * dZoom);
    painter.drawImage(target, img, QRectF(x0, nSourceTop, x1 - x0, y1 - y0));
    painter.restore();
}
