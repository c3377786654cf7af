/*
 * The folder password file "vexaseal.vexa" that a locked folder holds: two lines, each ended by
 * CR LF. Line 1 is the 8-character form of the password with every character stored as
 * 255 - code (Latin-1); line 2 is the folder's name from before the lock, in the local 8-bit
 * encoding of file names.
 *
 * The file is never read or written through a symbolic link, and only a regular file is read. It
 * is written aside, flushed and then linked in under its name, and never replaces a file already
 * there: a folder's own file of that name is the user's, not a seal. A seal is deleted only while
 * it is the very file that was written or read, unchanged.
 */
#pragma once

#include "app/fileio/fileio.h"
#include "common/secretwipe.h"

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
        QByteArray sealBuffer;
        // Line 2: the folder's name from before the lock.
        QString formerName;
        // The file read, for the delete that ends an unlock.
        FileIo::FileIdentity seen;
        // Line 1 is the password in another form: the last copy wipes it.
        ~Lines() { Secret::wipe(sealBuffer); }
    };

    // The file inside the folder at folderPath.
    explicit FolderPasswordFile(const QString& folderPath);

    QString path() const { return m_path; }

    // The file's bytes for a password and a folder name.
    static QByteArray content(const QString& currentPassword, const QString& folderName);
    // Whether line 1 can hold the password so that it reads back the same: every character of
    // its 8-character form is Latin-1, and none is of code 242 or 245, which would be stored as
    // a line end.
    static bool canStorePassword(const QString& currentPassword);
    // Whether line 2 can hold the name: it has no line break.
    static bool canStoreName(const QString& folderName);
    // The password line 1 stands for: 255 - code of each of its 8 bytes.
    static QString unscramble(const QByteArray& sealBuffer);

    // Whether an entry of the file's name is there; a symbolic link counts (and fails to read).
    bool exists() const;
    // The two lines of the file's content; fails with "Damaged password information" when line 2
    // is missing or is not a plain name (see read()).
    static Expected<Lines> parse(const QByteArray& bytes);
    // Reads both lines. Fails with the system's description, the refusal of a file that is not
    // regular, or "Damaged password information" when line 2 is missing or is not a plain name
    // (empty, ".", "..", or holding "/" or a zero byte), which could otherwise move the folder
    // elsewhere.
    Expected<Lines> read() const;

    // Creates the file with content(currentPassword, folderName), permission 0600, flushed to
    // disk with its folder entry before this returns. Fails when an entry of its name exists; the
    // folder is then as it was.
    Expected<void> writeFolderPasswordFile(const QString& currentPassword, const QString& folderName);
    // Undoes the last successful write: removes the file it made, if still unchanged.
    Expected<void> restore();
    // Deletes the file at this path if it is the one seen, unchanged (see FileIo).
    Expected<void> remove(const FileIo::FileIdentity& seen) const;

private:
    QString m_path;
    // The file the last successful write made; cleared by restore().
    std::optional<FileIo::FileIdentity> m_written;
};
