/*
 * The rules a file must meet before a pass is handed it, the same for the window's commands and
 * the command line: the password, the shortest file, the longest path, the endings of encrypted
 * files, the password stored in a header; and the attribute values each command gives. Each
 * caller words and orders its own messages; the rules live here once.
 */
#pragma once

#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/filetask.h"

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

// The command that hands a file over; the command line works as the window's chosen-file list.
enum class Command { ChosenList, ShownFiles };
// Fills in the attributes a task's files end with, as its command gives them. Encrypting: the
// ".vxp" is marked encrypted (from the chosen list at either level, from the shown files at the
// low level or where it replaces a file), a kept plain file gets back what it had. Decrypting:
// the plain file gets the value the header saved (at the low level, from the shown files at
// either level, and where it replaces a file, the kept encrypted file then being marked
// encrypted), a kept encrypted file otherwise Archive alone.
void giveCommandAttributes(FileTask& task, Command command, bool replacing, quint8 savedAttributes);
// An encrypted file's mark: read-only, hidden and system. Errors ignored.
void markEncrypted(Platform& platform, const QString& path);
// Gives a file a saved attribute value, when one is known. Errors ignored.
void restoreAttributes(Platform& platform, const QString& path, std::optional<quint8> value);

} // namespace FileChecks
