/*
 * The real platform kept away from the desktop's applications: files open and programs start
 * only on record, and extra volumes can be added to the real ones.
 */
#pragma once

#include "app/platform/linuxplatform.h"

#include <QtCore/QStringList>

class TestPlatform : public LinuxPlatform {
public:
    QList<Volume> extraVolumes;
    QStringList opened;
    QStringList started;

    QList<Volume> volumes() const override { return LinuxPlatform::volumes() + extraVolumes; }
    void openWithApplication(const QString& path) override { opened.append(path); }
    bool startProgram(const QString& path) override {
        started.append(path);
        return true;
    }
};
