/*
 * The folder password file "vexaseal.vexa" that a locked folder holds: two lines, each ended by
 * CR LF. Line 1 is the 8-character form of the password with every character stored as
 * 255 - code (Latin-1); line 2 is the folder's name from before the lock, in the local 8-bit
 * encoding of file names.
 *
 * The file is never read or written through a symbolic link, and it is written readable by its
 * owner only. A write remembers the file it replaces so that a lock that fails afterwards can
 * leave the folder as it was.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <optional>

class FolderPasswordFile {
public:
    static constexpr QStringView FileName = u"vexaseal.vexa";
    static constexpr qsizetype SealSize = 8;

    // What a locked folder's file holds.
    struct Lines {
        // Line 1 as stored, cut or padded with spaces to 8 bytes.
        QByteArray SealBuffer;
        // Line 2: the folder's name from before the lock.
        QString FormerName;
    };

    // The file inside the folder at folderPath.
    explicit FolderPasswordFile(const QString& folderPath);

    QString path() const { return m_path; }

    // The file's bytes for a password and a folder name.
    static QByteArray content(const QString& CurrentPassword, const QString& FolderName);
    // Whether line 1 can hold the password so that it reads back the same: every character of
    // its 8-character form is Latin-1, and none is of code 242 or 245, which would be stored as
    // a line end.
    static bool canStorePassword(const QString& CurrentPassword);
    // Whether line 2 can hold the name: it has no line break.
    static bool canStoreName(const QString& FolderName);
    // The password line 1 stands for: 255 - code of each of its 8 bytes.
    static QString Unscramble(const QByteArray& SealBuffer);

    // Whether an entry of the file's name is there; a symbolic link counts (and fails to read).
    bool exists() const;
    // The two lines of the file's content; nullopt with *error set to "Damaged password
    // information" when line 2 is missing or is not a plain name (see read()).
    static std::optional<Lines> parse(const QByteArray& bytes, QString* error);
    // Reads both lines. On failure returns nullopt and sets *error to the system's description,
    // or to "Damaged password information" when line 2 is missing or is not a plain name (empty,
    // ".", "..", or holding "/" or a zero byte), which could otherwise move the folder elsewhere.
    std::optional<Lines> read(QString* error) const;

    // Creates or overwrites the file with content(CurrentPassword, FolderName), permission
    // 0600. On failure returns false with *error set, and the folder is as it was.
    bool WriteFolderPasswordFile(const QString& CurrentPassword, const QString& FolderName, QString* error);
    // Undoes the last successful write: puts back the file it replaced, or removes it.
    bool restore(QString* error);
    bool remove(QString* error) const;

private:
    // A file a write replaced: its bytes and permission bits.
    struct Replaced {
        QByteArray bytes;
        unsigned mode = 0;
    };

    // Reads the file's bytes and permission bits; nullopt with *error set on failure.
    std::optional<Replaced> readRaw(QString* error) const;
    bool writeRaw(const QByteArray& bytes, unsigned mode, QString* error) const;

    QString m_path;
    // Set by a successful write, cleared by restore().
    bool m_written = false;
    // What that write replaced; nullopt when there was no file.
    std::optional<Replaced> m_replaced;
};
