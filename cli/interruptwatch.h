/*
 * Ctrl-C (SIGINT) and SIGTERM as an ordinary event. The handler only records the signal and
 * writes a byte to a pipe; a socket notifier on the pipe's other end emits interrupted() on the
 * thread that made the watch, where the running pass is stopped. Installed without SA_RESTART,
 * so that a password prompt waiting on the terminal returns at once.
 */
#pragma once

#include <QtCore/QObject>

class QSocketNotifier;

class InterruptWatch : public QObject {
    Q_OBJECT

public:
    explicit InterruptWatch(QObject* parent = nullptr);
    ~InterruptWatch() override;

    // A signal has arrived since the watch was made.
    static bool hasFired();

signals:
    void interrupted();

private:
    QSocketNotifier* m_notifier = nullptr;
};
