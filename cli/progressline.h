/*
 * The progress line of a run on standard error: a bar, bytes done of all, the rate and the time
 * left. Redrawn at most ten times a second, and only where standard error is a terminal.
 */
#pragma once

#include <QtCore/QElapsedTimer>
#include <QtCore/QtGlobal>

class ProgressLine {
public:
    explicit ProgressLine(bool shown);

    void setTotal(qint64 bytes) { m_total = bytes; }
    // Bytes done: the files ended, and the fraction of the file in work.
    void update(qint64 doneBytes);
    // Clears the line, so that messages start at the left edge.
    void clear();

private:
    bool m_shown;
    bool m_drawn = false;
    qint64 m_total = 0;
    QElapsedTimer m_clock;
    qint64 m_lastDrawMs = -1000;
};
