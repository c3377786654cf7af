/*
 * The real platform with the home folder ("home/user"), the program folder ("prog/bin") and the
 * program's per-user folders in a test's own folder, made there by placeIn(makeDir). */
#pragma once

#include "linuxplatform.h"

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
