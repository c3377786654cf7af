/*
 * Where the command line takes a password from: the terminal (/dev/tty, typed without echo),
 * the first line of a file, or a descriptor the caller opened. Never from an argument or the
 * environment, where other users and the shell history would see it.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QString>

#include <optional>

struct PasswordInput {
    // --password-file: the file's first line, without its line end.
    QString file;
    // --password-fd: a line read from this descriptor; -1 for none.
    int fd = -1;
    // A Strong file's pass phrase rather than a password: asked as one, read as UTF-8 and left to
    // its own rules (StrongPassPhrase::take).
    bool passPhrase = false;

    enum class Ask { Once, Twice };
    // The password as typed or read, checked against the window's password rules; fails when
    // there is none to use, with the code EINTR when Ctrl-C ended the prompt.
    Expected<QString> read(Ask ask) const;
};
