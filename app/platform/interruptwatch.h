/*
 * The signals that ask a program to stop (Ctrl-C, SIGTERM, a closed terminal's SIGHUP, ...) as an
 * ordinary event. The handler only records the first signal and writes a byte to a pipe; a socket
 * notifier on the pipe's other end emits interrupted() on the thread that made the watch, where
 * the running pass is stopped as Cancel stops it. Installed without SA_RESTART, so that a
 * password prompt waiting on the terminal returns at once. One watch at a time per process.
 */
#pragma once

#include <QtCore/QList>
#include <QtCore/QObject>

#include <csignal>
#include <initializer_list>

class QSocketNotifier;

class InterruptWatch : public QObject {
    Q_OBJECT

public:
    // Catches the given signals. One the process was started with ignored (nohup, a background
    // job of a script) stays ignored, as whoever started it asked.
    explicit InterruptWatch(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    // Gives each signal back the action it had before.
    ~InterruptWatch() override;

    // The first signal caught since the process started; 0 when none.
    static int firedSignal();
    static bool hasFired() { return firedSignal() != 0; }

signals:
    void interrupted();

private:
    QSocketNotifier* m_notifier = nullptr;
    QList<std::pair<int, struct sigaction>> m_previous;
};
