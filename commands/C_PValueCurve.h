#pragma once
// A small plot of the chi-square attack's p-value along the picture: x is the share of the
// picture's samples read (0 to 1), y the p-value (0 to 1), one curve per colour channel in that
// channel's colour. A p-value near 1 over the first part of the picture is what a hidden record
// there looks like.

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

class C_PValueCurve : public QWidget {
    Q_OBJECT
public:
    struct S_Curve {
        QString strName;
        QColor colour;
        std::vector<double> aValues;  // evenly spaced over (0, 1]; each clamped to [0, 1]
    };

    explicit C_PValueCurve(QWidget* pParent = nullptr);

    void SetCurves(std::vector<S_Curve> aCurves);
    const std::vector<S_Curve>& GetCurves() const { return m_aCurves; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    std::vector<S_Curve> m_aCurves;
};
