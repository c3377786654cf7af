/*
 * The master-password file: its first 8 bytes are the master password in scrambled form. A file
 * that is missing or shorter reads as zero bytes where it has none, which is the scrambled empty
 * password, so before any master password is saved the master password is the empty text.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>

class Platform;

class MasterPasswordFile {
public:
    static constexpr qsizetype Size = 8;

    enum class Check { Matches, Differs };

    // What the user is told when a master-password check answers Differs.
    static QString wrongPasswordMessage() {
        return QStringLiteral("Invalid Master password! try to remember your old one ");
    }

    // The scrambled form of a password, always 8 bytes: character by character 255 - code, the
    // character "0" giving 0. A text of n < 8 characters repeats its first character 9 - n
    // times; an empty or exhausted text counts as "0". Characters above 255 count as "?", so a
    // text that holds one is never stored or checked (canStore).
    static QByteArray ScrambleMasterPassword(const QString& text);
    // Whether the text is Latin-1, one byte per character as the file keeps it.
    static bool canStore(const QString& text);

    // The file's place: the per-user configuration folder + "/3DEvez.vxa".
    static QString defaultPath(const Platform& platform);

    explicit MasterPasswordFile(QString path);

    QString path() const { return m_path; }

    // The 8 stored bytes a file's content gives: its first 8, with zero bytes for any it lacks.
    static QByteArray storedForm(const QByteArray& content);

    // The 8 stored bytes; fails when the file exists but cannot be read or is not a regular file
    // (a symbolic link, a named pipe: refused without blocking).
    Expected<QByteArray> read() const;
    // The master-password check: whether text scrambles to the stored bytes; fails as read()
    // does. A text canStore refuses never matches.
    Expected<Check> check(const QString& text) const;
    // Stores the scrambled form of masterPassword as the first 8 bytes, creating the folder and
    // the file (permission 0600) when missing and keeping any bytes beyond the eighth. The old
    // file stays intact until the new one is complete: the content is written aside and renamed
    // over the path, so a symbolic link there is replaced, never written through, and its target
    // keeps its mode. A password canStore refuses is not stored.
    Expected<void> write(const QString& masterPassword) const;

private:
    // The whole file; empty when it does not exist.
    Expected<QByteArray> readWhole() const;

    QString m_path;
};
