/*
 * Folder reading through the system's directory stream: the entry type it reports saves a
 * status call for nearly every file.
 */
#include "app/lists/engine/folderlister.h"

#include "app/fileio/asidefile.h"
#include "app/lists/engine/chooserrules.h"
#include "app/platform/attributes.h"
#include "app/platform/platform.h"

#include <QtCore/QFile>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

bool isFile(DIR* dir, const dirent* entry) {
    if (entry->d_type == DT_REG)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    // Links count by what they point to; some file systems report no type at all.
    struct stat info {};
    return ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

} // namespace

QList<FolderEntry> FolderLister::read(const QString& folder) const {
    // Each entry with its case-folded name, folded once rather than at every comparison.
    std::vector<std::pair<QString, FolderEntry>> found;
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return {};
    while (const dirent* entry = ::readdir(dir)) {
        // A file still being written, or left over by a writer that was stopped, is not the user's.
        if (!isFile(dir, entry) || AsideFile::isTemporaryName(entry->d_name))
            continue;
        const QString name = QFile::decodeName(entry->d_name);
        // A name that does not survive decoding (see FileNames) is shown as decoded, but its text
        // names another file or none: its attributes cannot be asked by it. No command acts on it.
        if (QFile::encodeName(name) != entry->d_name) {
            found.emplace_back(name.toCaseFolded(), FolderEntry{name, Attr::Normal});
            continue;
        }
        // A file removed meanwhile is left out like one that was never there.
        if (const std::optional<quint32> value = m_platform.attributes(ChooserRules::joinPath(folder, name)))
            found.emplace_back(name.toCaseFolded(), FolderEntry{name, *value});
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.name < b.second.name;
    });
    QList<FolderEntry> entries;
    entries.reserve(found.size());
    for (auto& [key, entry] : found)
        entries.append(std::move(entry));
    return entries;
}
