#include "views/C_FittedPicture.h"

#include <QPainter>

C_FittedPicture::C_FittedPicture(int nSide, QWidget* pParent)
    : QWidget(pParent)
    , m_nSide(nSide)
{
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void C_FittedPicture::SetImage(const QImage& img)
{
    m_image = img;
    m_scaled = QPixmap();
    update();
}

QRect C_FittedPicture::PictureRect() const
{
    if (m_image.isNull())
        return {};
    const QSize fit = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - fit.width()) / 2, 0), fit);
}

int C_FittedPicture::heightForWidth(int nWidth) const
{
    if (m_image.isNull())
        return m_nSide;
    return int(qint64(nWidth) * m_image.height() / m_image.width());
}

QSize C_FittedPicture::sizeHint() const
{
    if (m_image.isNull())
        return {m_nSide, m_nSide};
    return m_image.size().scaled(m_nSide, m_nSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QSize C_FittedPicture::minimumSizeHint() const
{
    return sizeHint() / 2;
}

void C_FittedPicture::paintEvent(QPaintEvent*)
{
    const QRect rect = PictureRect();
    if (rect.isEmpty())
        return;
    const qreal dRatio = devicePixelRatioF();
    const QSize device = (QSizeF(rect.size()) * dRatio).toSize();
    if (m_scaled.size() != device) {
        const bool bShrink = device.width() < m_image.width();
        m_scaled = QPixmap::fromImage(
            m_image.scaled(device, Qt::IgnoreAspectRatio, bShrink ? Qt::SmoothTransformation : Qt::FastTransformation));
        m_scaled.setDevicePixelRatio(dRatio);
    }
    QPainter painter(this);
    painter.drawPixmap(rect.topLeft(), m_scaled);
}
