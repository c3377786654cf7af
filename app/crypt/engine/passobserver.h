/*
 * What a running pass asks of the progress window: move the cover bar and let window events run
 * so that Cancel can be pressed. The passes call it at the start of every buffer and at least
 * every 50 ms.
 */
#pragma once

class PassObserver {
public:
    virtual ~PassObserver() = default;

    // The cover bar's left edge in twips: p / (input length + 40) * 6200 for the 1-based read
    // position p of the next byte to read; 0 when a pass has finished its loop.
    virtual void moveCover(double leftTwips) = 0;
    // Lets pending window events run, then tells whether the user confirmed Cancel.
    virtual bool cancelRequested() = 0;
};
