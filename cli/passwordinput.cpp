/*
 * Reading a password from the terminal, a file or a descriptor, and judging it by the rules the
 * window's password field keeps.
 */
#include "cli/passwordinput.h"

#include "app/crypt/engine/filechecks.h"
#include "app/fileio/fileio.h"
#include "common/secretwipe.h"

#include <QtCore/QByteArray>
#include <QtCore/QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A password line longer than this is not a password: reading stops there.
constexpr qsizetype LongestLine = 4096;

enum class LineEnd { Found, EndOfFile, Failed, Interrupted };

// Reads up to a line end, byte by byte so that nothing past the line is taken from the descriptor.
LineEnd readLine(int fd, QByteArray* line) {
    Secret::wipe(*line);
    // Room for the longest line from the start: growing would leave copies in freed memory.
    line->reserve(LongestLine + 1);
    while (line->size() < LongestLine) {
        char byte = 0;
        const ssize_t got = ::read(fd, &byte, 1);
        if (got == 0)
            return line->isEmpty() ? LineEnd::EndOfFile : LineEnd::Found;
        if (got < 0) {
            if (errno == EINTR)
                return LineEnd::Interrupted;
            return LineEnd::Failed;
        }
        if (byte == '\n')
            break;
        line->append(byte);
    }
    if (line->endsWith('\r'))
        line->chop(1);
    return LineEnd::Found;
}

Expected<QString> judged(const QByteArray& line, bool passPhrase) {
    if (passPhrase)
        return QString::fromUtf8(line);
    QString password = QString::fromLocal8Bit(line);
    const std::optional<FileChecks::PasswordProblem> problem = FileChecks::passwordProblem(password);
    if (!problem)
        return password;
    Secret::wipe(password);
    switch (*problem) {
    case FileChecks::PasswordProblem::Empty:
        return unexpected({u"the password is empty: it needs 1 to 8 characters"_s});
    case FileChecks::PasswordProblem::TooLong:
        return unexpected({u"the password is longer than 8 characters"_s});
    case FileChecks::PasswordProblem::Space:
        return unexpected({u"the password holds a space"_s});
    case FileChecks::PasswordProblem::NotSingleByte:
        return unexpected({u"the password holds a character outside Latin-1 (codes 0 to 255)"_s});
    }
    return unexpected({QString()});
}

// Asks on the terminal with echo off, and gives the terminal back as it was. Echo goes off (and
// what was typed ahead is dropped) before the question shows, so an answer to it is never lost.
LineEnd prompt(int tty, const char* question, QByteArray* line) {
    termios saved = {};
    const bool canHide = ::tcgetattr(tty, &saved) == 0;
    if (canHide) {
        termios hidden = saved;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        hidden.c_lflag |= ECHONL;
        ::tcsetattr(tty, TCSAFLUSH, &hidden);
    }
    [[maybe_unused]] ssize_t written = ::write(tty, question, std::strlen(question));
    const LineEnd end = readLine(tty, line);
    if (canHide)
        ::tcsetattr(tty, TCSAFLUSH, &saved);
    if (end != LineEnd::Found)
        written = ::write(tty, "\n", 1);
    return end;
}

} // namespace

Expected<QString> PasswordInput::read(Ask ask) const {
    const QString secret = passPhrase ? u"pass phrase"_s : u"password"_s;
    QByteArray line;
    QByteArray again;
    const Secret::WipedOnExit wipeLine(line);
    const Secret::WipedOnExit wipeAgain(again);
    if (!file.isEmpty()) {
        const int fdOfFile = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fdOfFile < 0) {
            const int code = errno;
            return unexpected(
                {u"cannot read the "_s + secret + u" file "_s + file + u": "_s + FileIo::errorText(code), code});
        }
        const LineEnd end = readLine(fdOfFile, &line);
        ::close(fdOfFile);
        if (end != LineEnd::Found)
            return unexpected({u"the "_s + secret + u" file "_s + file + u" holds no line"_s});
        return judged(line, passPhrase);
    }
    if (fd >= 0) {
        const LineEnd end = readLine(fd, &line);
        if (end != LineEnd::Found)
            return unexpected({u"no "_s + secret + u" could be read from descriptor "_s + QString::number(fd),
                               end == LineEnd::Interrupted ? EINTR : 0});
        return judged(line, passPhrase);
    }

    const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (tty < 0)
        return unexpected(
            {passPhrase ? u"no terminal to ask the pass phrase on: give --passphrase-file FILE or "
                          u"--passphrase-fd N"_s
                        : u"no terminal to ask the password on: give --password-file FILE or --password-fd N"_s});
    Expected<QString> password = unexpected({QString()});
    LineEnd end = prompt(tty, passPhrase ? "Pass phrase: " : "Password: ", &line);
    if (end == LineEnd::Found) {
        password = judged(line, passPhrase);
        if (password && ask == Ask::Twice) {
            end = prompt(tty, passPhrase ? "Pass phrase again: " : "Password again: ", &again);
            if (end == LineEnd::Found && again != line) {
                Secret::wipe(*password);
                password = unexpected({u"the two "_s + secret + u"s differ"_s});
            }
        }
    }
    ::close(tty);
    if (end != LineEnd::Found && password)
        Secret::wipe(*password);
    if (end == LineEnd::Interrupted)
        return unexpected({u"stopped"_s, EINTR});
    if (end != LineEnd::Found)
        return unexpected({u"no "_s + secret + u" was typed"_s});
    return password;
}
