/*
 * The real main window on redirected folders: the home folder ("home/user"), the program folder
 * ("prog/bin") and the program's per-user folders lie in the test's own folder.
 */
#pragma once

#include "mainwindowtest.h"
#include "redirectedplatform.h"

class FolderWindowTest : public MainWindowTest<RedirectedPlatform> {
protected:
    void preparePlatform() override {
        m_platform.home = makeDir(QStringLiteral("home/user"));
        m_platform.program = makeDir(QStringLiteral("prog/bin"));
        m_platform.data = makeDir(QStringLiteral("home/user/.local/share/vexapad"));
        m_platform.config = makeDir(QStringLiteral("home/user/.config/vexapad"));
    }
};
