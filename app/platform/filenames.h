/*
 * File names the program cannot name exactly. Qt turns the bytes of a file name into text by
 * UTF-8: a name that is not valid UTF-8 comes back with U+FFFD in place of its stray bytes, and a
 * name that begins with a byte-order mark comes back without it. That text turns back into other
 * bytes: it names another file, or none. Such a name is shown as the system shows it, but no
 * command may act on it: the user is asked to rename it.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>

namespace FileNames {

// Whether a name's bytes come back unchanged from decoding and encoding.
bool survivesDecoding(const QByteArray& name);

// Succeeds when a command may act on a path as a list shows it, that is when the path names
// exactly what it shows. Fails when some file or folder on the way has a name that does not
// survive decoding and reads as the path's text there (the list cannot tell the two apart); the
// error names the path and asks the user to rename it.
Expected<void> usable(const QString& path);

} // namespace FileNames
