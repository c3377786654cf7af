/*
 * The source of the uniform draws the password generator consumes. The program draws from the
 * system's random source; tests hand in scripted or fixed-seed sources.
 */
#pragma once

#include <QtCore/QtGlobal>

class UniformSource {
public:
    virtual ~UniformSource() = default;

    // The next draw r, with 0 <= r < 1.
    virtual float next() = 0;

    // Turns 32 random bits into a draw: the top 24 bits scaled by 2^-24 are exact in single
    // precision, so the largest result is 1 - 2^-24 and never rounds up to 1.
    static constexpr float fromBits(quint32 bits) { return static_cast<float>(bits >> 8) * 0x1p-24f; }
};
