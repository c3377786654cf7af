/*
 * The real platform kept away from the desktop's applications: files open and programs start
 * only on record, and a start fails when the test says so.
 */
#pragma once

#include "app/platform/linuxplatform.h"

#include <QtCore/QStringList>

class TestPlatform : public LinuxPlatform {
public:
    QStringList opened;
    QStringList started;
    bool startSucceeds = true;

    void openWithApplication(const QString& path) override { opened.append(path); }
    bool startProgram(const QString& path) override {
        started.append(path);
        return startSucceeds;
    }
};
