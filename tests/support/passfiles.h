/*
 * For the tests of the passes: an observer that asks a test whether to stop, the name and the bytes
 * of an encrypted file worked out from the format's description alone, never by the program's code,
 * and a forked child to run a pass in that may die or be someone else.
 */
#pragma once

#include "app/crypt/engine/passobserver.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <csignal>
#include <functional>
#include <utility>

#include <sys/wait.h>
#include <unistd.h>

// Asks stop (when given) at each look of the pass and calls at (when given) at each step; never
// moves anything.
struct TestObserver : PassObserver {
    std::function<bool()> stop;
    std::function<void(Step)> at = [](Step) {};
    void moveCover(double) override {}
    bool cancelRequested() override { return stop && stop(); }
    void reached(Step step) override { at(step); }
};

// The name a file encrypted beside its input takes.
inline QString vxp(const QString& path) {
    return path + QStringLiteral(".vxp");
}

// A ".vxp" file: the password's first 8 Latin-1 bytes padded with spaces, the level letter ('H' or
// 'L') and the attribute byte, then the body: at 'H' every byte, at 'L' the first 20000 of every
// 85000; each of these stored as 255 - value.
inline QByteArray encryptedForm(const QByteArray& plain, char level = 'H', const QByteArray& password = "pw",
                                char attributes = 0) {
    QByteArray stored = password.left(8).leftJustified(8, ' ');
    stored.append(level).append(attributes).append(plain);
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (level == 'H' || i < 10 || (i - 10) % 85000 < 20000)
            stored[i] = char(255 - quint8(stored[i]));
    }
    return stored;
}

// Runs body in a forked child, which writes its answer to the pipe it is given and ends; returns
// the answer and the child's wait status.
inline std::pair<QByteArray, int> inChild(const std::function<QByteArray(int pipe)>& body) {
    int pipe[2];
    if (::pipe(pipe) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        const QByteArray answer = body(pipe[1]);
        [[maybe_unused]] const ssize_t written = ::write(pipe[1], answer.constData(), size_t(answer.size()));
        ::_exit(0);
    }
    ::close(pipe[1]);
    QByteArray answer;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, n);
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {answer, status};
}
