#include "commands/C_PValueCurve.h"

#include "commands/vmk_command_texts.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

C_PValueCurve::C_PValueCurve(QWidget* pParent)
    : QWidget(pParent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void C_PValueCurve::SetCurves(std::vector<S_Curve> aCurves)
{
    m_aCurves = std::move(aCurves);
    update();
}

QSize C_PValueCurve::sizeHint() const
{
    return {520, 190};
}

QSize C_PValueCurve::minimumSizeHint() const
{
    return {300, 150};
}

void C_PValueCurve::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics fm = fontMetrics();
    const QColor text = palette().color(QPalette::WindowText);
    const QColor grid = palette().color(QPalette::Mid);

    // Room for the y labels on the left, the x labels and the axis title below, the legend on top.
    const int nLeft = fm.horizontalAdvance(QStringLiteral("0.5")) + fm.height() + 10;
    const int nTop = fm.height() + 8;
    const int nBottom = 2 * fm.height() + 10;
    const int nRight = 12;
    const QRect plot(nLeft, nTop, std::max(1, width() - nLeft - nRight), std::max(1, height() - nTop - nBottom));
    painter.fillRect(plot, palette().color(QPalette::Base));

    auto xAt = [&plot](double x) { return plot.left() + x * plot.width(); };
    auto yAt = [&plot](double y) { return plot.bottom() - y * plot.height(); };

    // Grid and tick labels at 0, 0.25, ..., 1; labels only at the halves, to stay readable.
    for (int i = 0; i <= 4; ++i) {
        const double v = i / 4.0;
        painter.setPen(QPen(grid, 1, i % 4 == 0 ? Qt::SolidLine : Qt::DotLine));
        painter.drawLine(QPointF(xAt(v), plot.top()), QPointF(xAt(v), plot.bottom()));
        painter.drawLine(QPointF(plot.left(), yAt(v)), QPointF(plot.right(), yAt(v)));
        if (i % 2 != 0)
            continue;
        const QString strTick = QString::number(v, 'g', 2);
        painter.setPen(text);
        painter.drawText(
            QRectF(xAt(v) - 30, plot.bottom() + 3, 60, fm.height()), Qt::AlignHCenter | Qt::AlignTop, strTick);
        painter.drawText(QRectF(plot.left() - 40 - 4, yAt(v) - fm.height() / 2.0, 40, fm.height()),
            Qt::AlignRight | Qt::AlignVCenter, strTick);
    }
    painter.setPen(text);
    painter.drawRect(plot);

    // Axis titles: x centred below the ticks, y turned along the left edge.
    painter.drawText(QRectF(plot.left(), plot.bottom() + 3 + fm.height(), plot.width(), fm.height() + 4),
        Qt::AlignHCenter | Qt::AlignTop, QString::fromUtf8(vmk::kStrDetectionCurveX));
    painter.save();
    painter.translate(4, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-plot.height() / 2.0, 0, plot.height(), fm.height()), Qt::AlignHCenter | Qt::AlignTop,
        QString::fromUtf8(vmk::kStrDetectionCurveY));
    painter.restore();

    // The curves, then the legend above the plot, right-aligned.
    painter.setClipRect(plot.adjusted(-2, -2, 2, 2));
    for (const S_Curve& curve : m_aCurves) {
        const size_t n = curve.aValues.size();
        if (n == 0)
            continue;
        QPainterPath path;
        for (size_t i = 0; i < n; ++i) {
            const QPointF pt(xAt(double(i + 1) / double(n)), yAt(std::clamp(curve.aValues[i], 0.0, 1.0)));
            if (i == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        painter.setPen(QPen(curve.colour, 2));
        painter.drawPath(path);
    }
    painter.setClipping(false);
    // The title on the left of the legend's line, in the softer colour of a caption.
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(QRect(plot.left(), 2, plot.width(), fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
        QString::fromUtf8(vmk::kStrDetectionCurveCaption));
    int x = plot.right();
    for (auto it = m_aCurves.rbegin(); it != m_aCurves.rend(); ++it) {
        const int nText = fm.horizontalAdvance(it->strName);
        x -= nText;
        painter.setPen(text);
        painter.drawText(QRect(x, 2, nText, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, it->strName);
        x -= 22;
        painter.setPen(QPen(it->colour, 3));
        painter.drawLine(QPointF(x, 2 + fm.height() / 2.0), QPointF(x + 16, 2 + fm.height() / 2.0));
        x -= 14;
    }
}
