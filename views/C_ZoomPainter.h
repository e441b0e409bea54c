#pragma once
// Paints a picture at a zoom factor, only the part that falls in the exposed rectangle, so the
// cost of a paint follows the window's size and not the picture's. Above 100 % each pixel is a
// sharp square (nearest neighbour); below, the picture is smoothed.

#include <QImage>
#include <QPointF>
#include <QRect>

class QPainter;

class C_ZoomPainter {
public:
    // `img` as C_vmkView::WrapPicture gives it: `bFlip` when its first row is the bottom one.
    // `origin` is where the top-left pixel's corner lands; `exposed` is in the painter's coordinates.
    static void Paint(QPainter& painter, const QImage& img, bool bFlip, double dZoom, QPointF origin, QRect exposed);
};
