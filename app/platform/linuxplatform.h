/*
 * The platform on the Linux desktop. Its methods stay virtual so that a test can replace a
 * single part (free space, for example) and keep the rest real.
 */
#pragma once

#include "app/platform/extendedattributes.h"
#include "app/platform/fileattributes.h"
#include "app/platform/platform.h"

class LinuxPlatform : public Platform {
public:
    LinuxPlatform() = default;

    std::optional<quint32> attributes(const QString& path) const override;
    Expected<void> setAttributes(const QString& path, quint32 value) override;
    Expected<void> setOpenFileAttributes(int fd, quint32 value) override;
    std::optional<quint32> openFileAttributes(int fd, const QString& path) const override;

    // Left out: pseudo and kernel file systems, tmpfs, container overlays and snap images, the
    // mount points below /proc, /sys, /dev and /run (except /run/media, where removable media
    // are mounted), and mounted files. "/" first, then the others ordered by root path.
    QList<Volume> volumes() const override;
    // For a path that does not exist yet: the volume of its nearest existing folder.
    QString volumeRoot(const QString& path) const override;
    bool isVolumeRoot(const QString& path) const override;
    qint64 freeSpace(const QString& path) const override;

    QString programFolder() const override;
    // Both depend on the application name, which the program sets.
    QString dataFolder() const override;
    QString configFolder() const override;
    QString homeFolder() const override;

    void openWithApplication(const QString& path) override;
    bool startProgram(const QString& path) override;

private:
    ExtendedAttributes m_extendedAttributes;
    FileAttributes m_attributes{m_extendedAttributes};
};
