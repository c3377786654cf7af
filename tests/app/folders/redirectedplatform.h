/* The real platform with its home, program and per-user folders made in a test's folder by placeIn. */
#pragma once

#include "app/platform/linuxplatform.h"

class RedirectedPlatform : public LinuxPlatform {
public:
    template <typename MakeDir> void placeIn(MakeDir makeDir) {
        home = makeDir(QStringLiteral("home/user"));
        program = makeDir(QStringLiteral("prog/bin"));
        data = makeDir(QStringLiteral("home/user/.local/share/vexapad"));
        config = makeDir(QStringLiteral("home/user/.config/vexapad"));
    }

    QString programFolder() const override { return program; }
    QString dataFolder() const override { return data; }
    QString configFolder() const override { return config; }
    QString homeFolder() const override { return home; }

    QString program, data, config, home;
};
