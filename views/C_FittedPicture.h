#pragma once
// A picture drawn across the widget's width with its aspect kept (its height follows its width, so
// a caption below it stays right under it): enlarged with its pixels kept sharp, shrunk smoothly so
// that the density of fine detail stays visible. It grows with its window; the scaled copy is made
// once per size.

#include <QImage>
#include <QPixmap>
#include <QWidget>

class C_FittedPicture : public QWidget {
    Q_OBJECT
public:
    // nSide: the longer side it asks for.
    explicit C_FittedPicture(int nSide, QWidget* pParent = nullptr);

    void SetImage(const QImage& img);
    const QImage& GetImage() const { return m_image; }
    // Where the picture is drawn at the widget's present size; empty without a picture.
    QRect PictureRect() const;

    bool hasHeightForWidth() const override { return !m_image.isNull(); }
    int heightForWidth(int nWidth) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QImage m_image;
    QPixmap m_scaled;  // m_image at the size last drawn
    int m_nSide;
};
