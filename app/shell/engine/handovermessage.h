/*
 * The message a second start sends to the running program: a run of records, each a 4-byte
 * big-endian length and that many bytes of one absolute path in the file system's encoding; an
 * empty record ends it. A start that asks for a command puts its word ("--encrypt" or
 * "--decrypt") in a first record of its own; it is not absolute, so a reader that knows no
 * commands passes it over and only shows the paths. Records that are too long, paths that are
 * not absolute and messages that are too large are not acted on. Qt Core only, so the decoder can
 * be fuzzed alone.
 */
#pragma once

#include "app/shell/engine/pathaction.h"

#include <QtCore/QByteArray>
#include <QtCore/QStringList>

#include <optional>

namespace HandOver {

constexpr qsizetype MaxPathBytes = 4096;
constexpr qsizetype MaxMessageBytes = 1024 * 1024;

QByteArray encode(const QStringList& absolutePaths, PathAction action = PathAction::Open);

struct Decoded {
    QStringList paths;
    // The command word of the first record; Open without one.
    PathAction action = PathAction::Open;
    // The message is malformed or too large: the connection is dropped, nothing is acted on.
    bool bad = false;
};
// nullopt while the message is still incomplete.
std::optional<Decoded> decode(const QByteArray& message);

} // namespace HandOver
