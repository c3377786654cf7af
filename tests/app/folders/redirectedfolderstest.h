/*
 * A fixture whose platform puts the home folder ("home/user"), the program folder ("prog/bin")
 * and the program's per-user folders (below the home folder) into the test's own folder.
 */
#pragma once

#include "redirectedplatform.h"
#include "tempenv.h"

class RedirectedFoldersTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_platform.home = makeDir(QStringLiteral("home/user"));
        m_platform.program = makeDir(QStringLiteral("prog/bin"));
        m_platform.data = makeDir(QStringLiteral("home/user/.local/share/vexapad"));
        m_platform.config = makeDir(QStringLiteral("home/user/.config/vexapad"));
    }

    RedirectedPlatform m_platform;
};
