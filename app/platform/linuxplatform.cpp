/*
 * The platform on the Linux desktop: attributes through FileAttributes, volumes through
 * QStorageInfo, folders through QStandardPaths, shell services through Qt.
 */
#include "app/platform/linuxplatform.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QProcess>
#include <QtCore/QSet>
#include <QtCore/QStandardPaths>
#include <QtCore/QStorageInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString cleanAbsolute(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The path itself when it exists, else its nearest existing ancestor.
QString nearestExisting(const QString& path) {
    QString current = cleanAbsolute(path);
    while (!QFileInfo::exists(current)) {
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            break;
        current = parent;
    }
    return current;
}

bool isBelow(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + u'/');
}

bool isBrowsable(const QStorageInfo& storage) {
    static const QSet<QByteArray> hiddenTypes = {
        "proc",     "sysfs",     "cgroup",      "cgroup2",  "devpts",      "devtmpfs",        "mqueue",
        "debugfs",  "tracefs",   "securityfs",  "pstore",   "bpf",         "autofs",          "fusectl",
        "configfs", "hugetlbfs", "binfmt_misc", "nsfs",     "efivarfs",    "selinuxfs",       "rpc_pipefs",
        "tmpfs",    "ramfs",     "overlay",     "squashfs", "fuse.portal", "fuse.gvfsd-fuse",
    };
    if (!storage.isValid() || !storage.isReady() || hiddenTypes.contains(storage.fileSystemType()))
        return false;
    const QString root = storage.rootPath();
    for (const QString& system : {u"/proc"_s, u"/sys"_s, u"/dev"_s}) {
        if (isBelow(root, system))
            return false;
    }
    if (isBelow(root, u"/run"_s) && !isBelow(root, u"/run/media"_s))
        return false;
    // A container's bind-mounted /etc/hosts and the like are files, not volumes to browse.
    return QFileInfo(root).isDir();
}

} // namespace

std::optional<quint32> LinuxPlatform::attributes(const QString& path) const {
    return m_attributes.read(path);
}

std::optional<quint32> LinuxPlatform::openFileAttributes(int fd, const QString& path) const {
    return m_attributes.read(fd, path);
}

Expected<void> LinuxPlatform::setAttributes(const QString& path, quint32 value) {
    return m_attributes.write(path, value);
}

Expected<void> LinuxPlatform::setOpenFileAttributes(int fd, quint32 value) {
    return m_attributes.write(fd, value);
}

QList<Volume> LinuxPlatform::volumes() const {
    QList<Volume> result;
    // "/" is always there, whatever its file system (a container's root is an overlay).
    const QStorageInfo root = QStorageInfo::root();
    if (root.isValid() && root.isReady())
        result.append({root.rootPath(), root.name()});

    QSet<QString> seen = {root.rootPath()};
    QList<Volume> others;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        if (seen.contains(storage.rootPath()) || !isBrowsable(storage))
            continue;
        seen.insert(storage.rootPath());
        others.append({storage.rootPath(), storage.name()});
    }
    std::sort(others.begin(), others.end(), [](const Volume& a, const Volume& b) { return a.rootPath < b.rootPath; });
    return result + others;
}

QString LinuxPlatform::volumeRoot(const QString& path) const {
    const QString root = QStorageInfo(nearestExisting(path)).rootPath();
    // Every path lies below "/", even when the mount table cannot be read.
    return root.isEmpty() ? u"/"_s : root;
}

bool LinuxPlatform::isVolumeRoot(const QString& path) const {
    if (path.isEmpty())
        return false;
    const QString clean = cleanAbsolute(path);
    const QStorageInfo storage(clean);
    return storage.isValid() && storage.rootPath() == clean;
}

qint64 LinuxPlatform::freeSpace(const QString& path) const {
    const QStorageInfo storage(nearestExisting(path));
    if (!storage.isValid() || !storage.isReady())
        return 0;
    return std::max<qint64>(storage.bytesAvailable(), 0);
}

QString LinuxPlatform::programFolder() const {
    return QCoreApplication::applicationDirPath();
}

QString LinuxPlatform::dataFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString LinuxPlatform::configFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QString LinuxPlatform::homeFolder() const {
    return QDir::homePath();
}

void LinuxPlatform::openWithApplication(const QString& path) {
    // The desktop's own opener, as every Linux desktop provides it.
    QProcess::startDetached(u"xdg-open"_s, {path});
}

bool LinuxPlatform::startProgram(const QString& path) {
    return QProcess::startDetached(path, {});
}
