/*
 * The self-pipe behind InterruptWatch.
 */
#include "app/platform/interruptwatch.h"

#include <QtCore/QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace {

int pipeEnds[2] = {-1, -1};
volatile std::sig_atomic_t fired = 0;

void onSignal(int signalNumber) {
    const int saved = errno;
    if (fired == 0)
        fired = signalNumber;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

InterruptWatch::InterruptWatch(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) {
        }
        emit interrupted();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    // One handler at a time, so the first signal is the one kept.
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : signalNumbers)
        sigaddset(&action.sa_mask, signalNumber);
    action.sa_flags = 0;
    for (const int signalNumber : signalNumbers) {
        struct sigaction previous = {};
        if (::sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN)
            continue;
        if (::sigaction(signalNumber, &action, nullptr) == 0)
            m_previous.append({signalNumber, previous});
    }
}

InterruptWatch::~InterruptWatch() {
    for (const auto& [signalNumber, previous] : std::as_const(m_previous))
        ::sigaction(signalNumber, &previous, nullptr);
    delete m_notifier;
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

int InterruptWatch::firedSignal() {
    return fired;
}
