/*
 * A platform for the engine tests: attributes kept in a map (files on disk read as Normal until
 * given a value), free space and the volume root in fields.
 */
#pragma once

#include "platform.h"

#include <QtCore/QFileInfo>
#include <QtCore/QHash>

class FakePlatform : public Platform {
public:
    QHash<QString, quint32> storedAttributes;
    QString root = QStringLiteral("/");
    qint64 free = 0;
    QString config;

    std::optional<quint32> attributes(const QString& path) const override {
        if (!QFileInfo::exists(path))
            return std::nullopt;
        return storedAttributes.value(path, 0);
    }
    bool setAttributes(const QString& path, quint32 value, QString* = nullptr) override {
        storedAttributes.insert(path, value);
        return true;
    }
    QList<Volume> volumes() const override { return {{root, {}}}; }
    QString volumeRoot(const QString&) const override { return root; }
    bool isVolumeRoot(const QString& path) const override { return path == root; }
    qint64 freeSpace(const QString&) const override { return free; }
    QString programFolder() const override { return {}; }
    QString dataFolder() const override { return {}; }
    QString configFolder() const override { return config; }
    QString homeFolder() const override { return {}; }
    void openWithApplication(const QString&) override {}
    bool startProgram(const QString&) override { return false; }
};
