/*
 * A new file written aside and renamed into place. It is made in the final path's folder: an
 * unnamed file (O_TMPFILE) where the file system allows it, otherwise a hidden file of a unique
 * name (".name.unfinished-XXXXXX", never taken for a finished file) created with O_EXCL and mode
 * 0600. The caller writes through fd() and may give it permissions and extended attributes there;
 * commit() flushes it, puts it in place (an unnamed file is linked in under a free final name,
 * otherwise renamed; whether an existing file of that name may be replaced is the caller's call,
 * and a symbolic link there is replaced, never followed) and flushes the folder. Given the
 * folder's descriptor, it works in that folder alone, whatever its path leads to meanwhile. Until
 * then the final name is untouched; a file that is not committed is removed by discard() or the
 * destructor, and an unnamed one vanishes even when the process is killed. A file with a hidden
 * name is locked (flock) from before it has the name, so one left behind by a killed process is
 * told from one still being written, and marked as this program's before its first byte (an
 * extended attribute; on FAT the hidden and system bits), the mark taken off once it has its
 * final name. When a named file is made, the leftovers for the same final name are removed:
 * files of its hidden name's pattern, the user's own, marked and unlocked; never on a network
 * share, whose locks may not hold between processes, nor where nothing can be marked.
 */
#pragma once

#include "app/fileio/descriptor.h"
#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <functional>
#include <optional>
#include <utility>

#include <sys/types.h>

class AsideFile {
public:
    enum class Kind {
        Automatic, // unnamed where the file system allows it, else named
        Named,     // always the hidden named file
    };
    enum class Replace {
        Yes, // an existing file of the final name is replaced
        No,  // commit() fails with EEXIST when the final name exists: no existing name is replaced
        // Only the file given to replaceOnly() is replaced, and only while the final name still
        // leads to it; anything else there fails with EEXIST and stays.
        Agreed,
    };
    enum class Flush {
        Here,     // commit() flushes the file before the rename and the folder after it
        ByCaller, // the caller flushed the file already (one flush for many files) and flushes
                  // the folder after the commit (once for many files)
    };

    explicit AsideFile(const QString& finalPath, Kind kind = Kind::Automatic);
    // In the folder already open as folderFd (a duplicate is kept); finalPath names the file in
    // messages and its last component is the final name.
    AsideFile(int folderFd, const QString& finalPath, Kind kind = Kind::Automatic);
    AsideFile(const AsideFile&) = delete;
    AsideFile& operator=(const AsideFile&) = delete;
    ~AsideFile();

    // Makes the new file; fails when the folder cannot take it. An unnamed file
    // is made with the permission bits mode (less the umask): no one else can open it. A named
    // one is made 0600, as it could be opened by its name before the caller sets its access.
    Expected<void> open(mode_t mode = 0600);
    int fd() const { return m_file.fd(); }
    bool isOpen() const { return m_file.isOpen(); }
    // The folder's descriptor, open once open() succeeded.
    int folderFd() const { return m_folder.fd(); }
    QString finalPath() const { return m_finalPath; }
    // The hidden name of a named file while it is open; empty for an unnamed one.
    QString temporaryPath() const;

    // Flushes the file, puts it in place of the final name, flushes the folder and closes it.
    // On failure the final name is as it was, the new file is removed and the error says why.
    // inPlace, when given, is called with the file's descriptor once it has its final name (a
    // rename may change what the file system keeps for it: ntfs-3g marks a renamed file Archive).
    Expected<void> commit(Replace replace = Replace::Yes, const std::function<void(int)>& inPlace = {},
                          Flush flush = Flush::Here);
    // The file (device and inode) that a commit with Replace::Agreed may replace.
    void replaceOnly(dev_t device, ino_t inode) { m_agreed = {device, inode}; }
    // Removes the new file and closes it; nothing happens to the final name.
    void discard();
    // The file has its final name (also when a flush after the rename failed).
    bool isInPlace() const { return m_inPlace; }

    // The hidden name a named file of this final file name starts with (for recognising leftovers).
    static QByteArray temporaryPrefix(const QByteArray& finalName);
    // Whether a folder entry's name is that of a file written aside, never a finished file.
    static bool isTemporaryName(QByteArrayView name);

private:
    // Links the unnamed file in under name; the error's code is EEXIST when the name is taken.
    Expected<void> linkAs(const QByteArray& name);
    // Gives an unnamed file a hidden name no other file has, the step before its rename.
    Expected<QByteArray> linkUnnamed();
    Expected<void> createNamed();
    // Locks the new file and checks that no leftover removal took its name meanwhile.
    bool lockCreated(int fd, const QByteArray& name);
    // Removes the named files written aside in the folder whose writers are gone.
    void removeLeftovers();
    // Puts the named file in place under the final name as replace allows; 0 or the errno.
    int rename(Replace replace);
    // Closes the file in place and flushes the folder unless the caller does.
    Expected<void> finish(const std::function<void(int)>& inPlace, Flush flush);
    // Marks the open file as this program's unfinished one, or takes the mark off again.
    void markUnfinished();
    void unmark();

    QString m_finalPath;
    QByteArray m_folderPath;
    QByteArray m_finalName;
    Kind m_kind;
    Descriptor m_folder;
    Descriptor m_file;
    // The hidden name the file has in the folder, empty while it has none.
    QByteArray m_linkedName;
    bool m_inPlace = false;
    std::optional<std::pair<dev_t, ino_t>> m_agreed;
    // Why the folder given at construction could not be kept: never opened by its path instead.
    int m_folderError = 0;
    enum class Mark { None, Attribute, FatBits } m_mark = Mark::None;
    // The FAT attribute bits the mark added.
    quint32 m_fatMarkBits = 0;
};
