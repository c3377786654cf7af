/*
 * The command line's two streams: results on standard output, messages on standard error, each
 * a line of its own in UTF-8. A control character in a line (from a file name) is written as a
 * visible escape: \e, \n, \t, else \xHH for each of its bytes, so that no name can move the
 * cursor, colour the terminal or break a line.
 */
#pragma once

#include <QtCore/QJsonObject>
#include <QtCore/QString>

namespace Console {

void result(const QString& line);
// "vexa: " + line on standard error.
void message(const QString& line);
// The text of a name's bytes: the UTF-8 in them decoded, each other byte written \xHH.
QString nameText(const QByteArray& bytes);
// An object as a line of JSON text: compact, with every control character escaped (\u00XX).
QString jsonLine(const QJsonObject& object);
// Whether standard error is a terminal (the progress line is drawn only there).
bool errorIsTerminal();
// Why a path the program cannot name exactly (not valid in the local encoding) is left alone.
QString unusableNameText();

} // namespace Console
