/*
 * The command line's two streams: results on standard output, messages on standard error, each
 * a line of its own in the bytes of the local encoding.
 */
#pragma once

#include <QtCore/QString>

namespace Console {

void result(const QString& line);
// "vexa: " + line on standard error.
void message(const QString& line);
// Whether standard error is a terminal (the progress line is drawn only there).
bool errorIsTerminal();
// Why a path the program cannot name exactly (not valid in the local encoding) is left alone.
QString unusableNameText();

} // namespace Console
