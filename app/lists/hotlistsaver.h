/*
 * The saving of a hot list to the list folder, which Save List and the close of a hot-list
 * window share: the entries go to the file named by the list's caption, with a question before
 * an existing file is replaced.
 */
#pragma once

#include <QtCore/QStringList>

class Dialogs;
class Platform;

class HotListSaver {
public:
    enum class SaveResult { Saved, NotReplaced, Failed };

    HotListSaver(Dialogs& dialogs, Platform& platform)
        : m_dialogs(dialogs)
        , m_platform(platform) {}

    // The list folder: the per-user data folder + "/MyList".
    QString listFolder() const;

    // Writes the entries to the file of the caption, asking before replacing an existing file.
    // Lists that cannot be stored (an entry no field keeps, beyond the file's limits) and failed
    // writes are reported; nothing is written then. A refused list is refused before any question.
    SaveResult save(const QString& caption, const QStringList& entries);

    // A list file the system could not open, read, write or delete, with the system's reason.
    void reportFailure(const QString& path, const QString& error);

private:
    Dialogs& m_dialogs;
    Platform& m_platform;
};
