#include "views/C_ZoomLevels.h"

#include <algorithm>
#include <array>

namespace {

// Each step above 1 has its mirror below; the ratios between neighbours stay near 1.5 or 1.33,
// so a step is always noticeable and never a jump.
constexpr std::array<double, 19> kSteps = {1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3,
    1.0, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0, 12.0, 16.0, 24.0, 32.0};

// A factor that rounding left a hair away from a step counts as that step.
constexpr double kTolerance = 1e-6;

}  // namespace

std::span<const double> C_ZoomLevels::Steps()
{
    return kSteps;
}

double C_ZoomLevels::In(double dZoom)
{
    for (double d : kSteps)
        if (d > dZoom * (1 + kTolerance))
            return d;
    return kMax;
}

double C_ZoomLevels::Out(double dZoom)
{
    for (auto it = kSteps.rbegin(); it != kSteps.rend(); ++it)
        if (*it < dZoom * (1 - kTolerance))
            return *it;
    return kMin;
}

double C_ZoomLevels::Fit(QSize picture, QSize room)
{
    if (picture.isEmpty() || room.isEmpty())
        return 1.0;
    const double d = std::min(double(room.width()) / picture.width(), double(room.height()) / picture.height());
    return std::clamp(d, kMin, kMax);
}

QString C_ZoomLevels::Text(double dZoom)
{
    const double dPercent = dZoom * 100;
    const QString strPercent =
        dPercent >= 100 ? QString::number(qRound64(dPercent)) : QString::number(dPercent, 'g', 3);
    return QStringLiteral("Zoom %1%").arg(strPercent);
}
