/*
 * The hot-list file: the entries of a saved chosen-file list, one line per entry, each ended by
 * CR LF, with no header, count or trailer (an empty list is an empty file). A line holds the
 * entry's path bytes (the local 8-bit encoding) each complemented by the TextTransformer.
 * Reading takes delimited fields: leading blanks are skipped, a field that starts with a double
 * quote runs to the next double quote (the quotes are dropped), any other field ends at the next
 * comma or the line end. Files written by the earlier program read exactly that way.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>

namespace HotListFile {

// The folder of the hot-list files under the program's per-user data folder.
QString folder(const QString& dataFolder);
// The file of a list: the folder, "/", the list's name and ".vexa".
QString listPath(const QString& folder, const QString& listName);

// The most a list file holds. Reading refuses a file beyond either bound and saving refuses a
// list that would be written beyond them, so every list saved opens again. A line is counted
// from its start to the line end that closes its last field (a quoted field may run past line
// ends), without that line end; a written line holds one entry, quotes included.
struct Limits {
    qsizetype entries = 100000;
    qsizetype lineBytes = 4096;
};

// Why a list cannot be written, or a file's content cannot be read as a list.
struct Refusal {
    enum Reason { UnstorableEntry, TooManyEntries, LineTooLong };
    Reason reason = UnstorableEntry;
    // The first entry that cannot be written (UnstorableEntry, LineTooLong); empty when reading.
    QString entry;
};

// The content of a list file. An entry whose complement holds a comma or begins with a blank is
// written as a quoted field, which reads back whole. An entry whose complement holds a double
// quote, CR or LF can come back whole in no form; a list beyond the limits would not be read
// back. The content is then refused, saying why. The count is checked first, then each entry in
// order.
Expected<QByteArray, Refusal> format(const QStringList& entries, const Limits& limits = {});
// The entries of a list file's content, field by field in order; refused at the first field or
// line beyond the limits, before the fields that follow are taken apart.
Expected<QStringList, Refusal> parse(const QByteArray& content, const Limits& limits = {});

// Reads a list file; fails when it cannot be opened or read, is not a regular file (a symbolic
// link, a named pipe: refused without blocking) or holds more than the limits allow. A file
// longer than any list within the limits is refused from its size, unread.
Expected<QStringList> read(const QString& path);
// Replaces a list file with this content whole or not at all: the content is written aside,
// flushed and renamed over the path, so the old file stays until the new one is complete and a
// symbolic link at the path is replaced, never written through. The new file is readable by its
// owner only. Fails with the system's description.
Expected<void> write(const QString& path, const QByteArray& content);

} // namespace HotListFile
