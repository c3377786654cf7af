/*
 * Writing lines to the two streams.
 */
#include "cli/console.h"

#include <cstdio>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Console {

void result(const QString& line) {
    const QByteArray bytes = line.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void message(const QString& line) {
    const QByteArray bytes = (u"vexa: "_s + line).toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

bool errorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

QString unusableNameText() {
    return u"the name is not valid UTF-8 here and cannot be given back exactly; rename it first"_s;
}

} // namespace Console
