/*
 * The protected-folder rules of the folder lock.
 */
#include "app/folders/engine/protectedfolders.h"

#include "app/platform/platform.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QStringList SystemFolders = {u"/bin"_s,    u"/boot"_s, u"/dev"_s, u"/etc"_s,  u"/lib"_s, u"/lib32"_s, u"/lib64"_s,
                                   u"/libx32"_s, u"/proc"_s, u"/run"_s, u"/sbin"_s, u"/sys"_s, u"/usr"_s,   u"/var"_s};

// The forms a path is compared in: cleaned as given and, where it differs, with symbolic links
// resolved (on a merged system /lib is /usr/lib, a home folder may lie behind a link).
QStringList forms(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    const QString canonical = QFileInfo(clean).canonicalFilePath();
    if (canonical.isEmpty() || canonical == clean)
        return {clean};
    return {clean, canonical};
}

bool isInside(const QString& inner, const QString& outer) {
    const QString prefix = outer.endsWith(u'/') ? outer : outer + u'/';
    return inner.size() > prefix.size() && inner.startsWith(prefix, Qt::CaseInsensitive);
}

} // namespace

bool ProtectedFolders::isSystemFolder(const QString& path) const {
    return reachesAny(path, SystemFolders, Below) || reaches(path, m_platform.homeFolder(), Above);
}

bool ProtectedFolders::isProgramFolder(const QString& path) const {
    return reaches(path, u"/opt"_s, 0) || reaches(path, m_platform.programFolder(), Above);
}

bool ProtectedFolders::isOwnFolder(const QString& path) const {
    return reachesAny(path, {m_platform.dataFolder(), m_platform.configFolder()}, Above | Below);
}

bool ProtectedFolders::reaches(const QString& path, const QString& folder, int reach) const {
    if (folder.isEmpty())
        return false;
    const QStringList folderForms = forms(folder);
    for (const QString& candidate : forms(path)) {
        for (const QString& protectedForm : folderForms) {
            if (candidate.compare(protectedForm, Qt::CaseInsensitive) == 0)
                return true;
            if ((reach & Below) && isInside(candidate, protectedForm))
                return true;
            if ((reach & Above) && isInside(protectedForm, candidate) && !m_platform.isVolumeRoot(candidate))
                return true;
        }
    }
    return false;
}

bool ProtectedFolders::reachesAny(const QString& path, const QStringList& folders, int reach) const {
    return std::any_of(folders.cbegin(), folders.cend(),
                       [&](const QString& folder) { return reaches(path, folder, reach); });
}
