#pragma once
// A picture in a scrolling area at a zoom factor: centred on white when smaller than the area,
// scrolled when larger. Zooming keeps the picture point under the mouse (Ctrl and the wheel) or
// at the centre (the commands) where it was. The picture is a QImage handed over, or what a
// derived view supplies at each paint.

#include <QAbstractScrollArea>
#include <QImage>
#include <QSize>

class C_PictureView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit C_PictureView(QWidget* pParent = nullptr);

    // Shows `img` (rows top first) at its size.
    void SetImage(const QImage& img);

    double Zoom() const { return m_dZoom; }
    // Sets the factor (clamped to C_ZoomLevels' range) keeping the picture point at `anchor`, a
    // viewport position, in place.
    void SetZoom(double dZoom, QPoint anchor);
    void SetZoom(double dZoom);  // about the viewport's centre
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    void FitToWindow();

    // Where the picture's top-left pixel lands in the viewport, scroll position included.
    QPoint PictureOrigin() const;
    // The whole picture at its zoom within the frame, once it is known.
    QSize sizeHint() const override;

signals:
    void ZoomChanged(double dZoom);

protected:
    // Sets the picture's size and the scroll ranges; the zoom stays.
    void SetPictureSize(QSize picture);
    // The picture to paint: `bFlip` when its first row is the bottom one. The handed-over image
    // by default.
    virtual QImage CurrentPicture(bool& bFlip) const;
    void UpdateScrollBars();
    // The picture's size at the current zoom, in viewport pixels.
    QSize ZoomedSize() const;

    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* pEvent) override;

private:
    QImage m_image;  // when handed over
    QSize m_picture;
    double m_dZoom = 1.0;
    int m_nWheelDelta = 0;  // eighths of a degree not yet turned into a step (fine-grained wheels)
    // The exact picture point the last zoom kept at its anchor, and the scroll position it left:
    // the next zoom at the same place starts from it, so whole-pixel scrolling adds no drift.
    QPointF m_lastPoint;
    QPoint m_lastAnchor{-1, -1};
    QPoint m_lastScroll;
};
