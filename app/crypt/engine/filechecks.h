/*
 * The rules a file must meet before a pass is handed it, the same for the window's commands and
 * the command line: the password, the shortest file, the longest path, the endings of encrypted
 * files, the password stored in a header; and the attribute values given without a pass. Each
 * caller words and orders its own messages; the rules live here once.
 */
#pragma once

#include "app/crypt/engine/encryptedformat.h"

#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <optional>

class Platform;

namespace FileChecks {

// Files shorter than this are neither encrypted nor taken for encrypted files.
inline constexpr qint64 ShortestFile = 11;
// The longest path (or name, for the chooser's shown files) a file to encrypt may have.
inline constexpr qsizetype LongestName = 240;
// The most characters a password has: the header stores eight.
inline constexpr qsizetype LongestPassword = EncryptedFormat::PasswordSize;

// Why a password cannot protect files, in the order the rules are judged.
enum class PasswordProblem {
    Empty,
    // More than eight characters: the header would keep only the first eight.
    TooLong,
    Space,
    // A character above code 255 has no byte in the single-byte code page.
    NotSingleByte,
};
// nullopt for a password of 1 to 8 characters, no spaces, each of code 0 to 255.
std::optional<PasswordProblem> passwordProblem(const QString& password);

// The path ends with ".vxp".
bool hasEncryptedEnding(const QString& path);
bool isTooShort(qint64 length);
bool isTooLong(const QString& pathOrName);

// Whether a header holds the password whose 8-character field is given.
bool passwordMatches(const EncryptedHeader& header, const QString& passwordField);

// An encrypted file's mark: read-only, hidden and system. Errors ignored.
void markEncrypted(Platform& platform, const QString& path);
// Gives a file a saved attribute value, when one is known. Errors ignored.
void restoreAttributes(Platform& platform, const QString& path, std::optional<quint8> value);

} // namespace FileChecks
