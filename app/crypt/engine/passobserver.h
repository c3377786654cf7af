/*
 * What a running pass reports and asks as it goes (the runner's worker answers it): where the
 * cover bar stands and whether to stop. The passes call it at the start of every buffer and at
 * least every 50 ms; a pass may be held inside cancelRequested while the user is asked.
 */
#pragma once

class PassObserver {
public:
    // The cover bar's track in twips.
    static constexpr double CoverTrack = 6200.0;

    // The points between the steps of a pass where others may act on its files.
    enum class Step {
        Opening,    // the file was checked; its input is opened next
        Committing, // its output is complete; it is put in place next
        Deleting,   // its output is in place; its input is deleted next (when it is to go)
    };

    virtual ~PassObserver() = default;

    // The cover bar's left edge in twips: p / (input length + 40) * CoverTrack for the 1-based
    // read position p of the next byte to read; 0 when a pass has finished its loop.
    virtual void moveCover(double leftTwips) = 0;
    // Whether the pass is to stop here (the user confirmed Cancel, or the program ends).
    virtual bool cancelRequested() = 0;
    // The pass has come to step; nothing to do by default.
    virtual void reached(Step) {}
};
