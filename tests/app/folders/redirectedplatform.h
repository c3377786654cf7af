/*
 * The real platform with the program's and the user's folders moved into a test's own folder,
 * so that the folder lock's protected folders can be arranged and the rest stays real.
 */
#pragma once

#include "linuxplatform.h"

class RedirectedPlatform : public LinuxPlatform {
public:
    QString program;
    QString data;
    QString config;
    QString home;

    QString programFolder() const override { return program; }
    QString dataFolder() const override { return data; }
    QString configFolder() const override { return config; }
    QString homeFolder() const override { return home; }
};
