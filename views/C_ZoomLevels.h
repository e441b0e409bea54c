#pragma once
// The zoom factors a picture can be looked at with: fixed steps from 1/16 to 32 for zooming in
// and out, any factor in that range for fitting a window, and the text the status bar shows.

#include <QSize>
#include <QString>

#include <span>

class C_ZoomLevels {
public:
    static constexpr double kMin = 1.0 / 16;
    static constexpr double kMax = 32.0;

    // The steps, smallest first; 1 is among them.
    static std::span<const double> Steps();
    // The next step above (below) dZoom; kMax (kMin) once there.
    static double In(double dZoom);
    static double Out(double dZoom);
    // The largest factor at which a picture of `picture` pixels fits in `room`, within the range;
    // 1 for an empty picture or room.
    static double Fit(QSize picture, QSize room);
    // "Zoom 200%", "Zoom 6.25%".
    static QString Text(double dZoom);
};
