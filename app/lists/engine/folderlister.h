/*
 * Reads the files of one folder for the chooser's file list: their names and attribute values,
 * sorted by name as the list shows them. Folders are left out, and so are special files (pipes,
 * devices, sockets) and dangling links, which no list command can use; a link to a file is
 * listed. A name that does not survive decoding is listed as it decodes, with the attribute value Normal
 * (its text names another file or none, see FileNames). It reads each entry once, without building a file-information
 * object per file, so a folder of a hundred thousand files opens in a fraction of a second.
 */
#pragma once

#include <QtCore/QList>
#include <QtCore/QString>

class Platform;

struct FolderEntry {
    QString name;
    quint32 attributes = 0;
};

class FolderLister {
public:
    explicit FolderLister(const Platform& platform)
        : m_platform(platform) {}

    // The folder's files, ordered by name ignoring case; empty when it cannot be read.
    QList<FolderEntry> read(const QString& folder) const;

private:
    const Platform& m_platform;
};
