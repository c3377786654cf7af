/*
 * Window designs give positions and sizes in twips. This is the one place that turns them into
 * Qt's logical pixels: 1440 twips an inch at 96 logical dots an inch, so 15 twips a pixel.
 * Qt scales logical pixels on high-density screens.
 */
#pragma once

#include <QtCore/QRect>
#include <QtCore/QSize>
#include <QtCore/QtMath>

namespace twips {

inline constexpr double kTwipsPerPixel = 15.0;

inline int toPixels(double twips) {
    return qRound(twips / kTwipsPerPixel);
}
inline double fromPixels(double pixels) {
    return pixels * kTwipsPerPixel;
}

inline QRect rect(double left, double top, double width, double height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

inline QSize size(double width, double height) {
    return QSize(toPixels(width), toPixels(height));
}

} // namespace twips
