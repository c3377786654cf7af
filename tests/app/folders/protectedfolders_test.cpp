/*
 * Which folders the lock protects, and how far above and below them the protection reaches.
 */
#include "protectedfolders.h"

#include "redirectedfolderstest.h"

#include <QtCore/QFile>

using namespace Qt::StringLiterals;

class ProtectedFoldersTest : public RedirectedFoldersTest {
protected:
    ProtectedFolders m_folders{m_platform};
};

TEST_F(ProtectedFoldersTest, ReachesEachKindOfFolderAsFarAsItsRuleSays) {
    // Which rules a path meets; folders above home are above the program's own folders too.
    enum { None = 0, System = 1, Program = 2, Own = 4 };
    const std::pair<QString, int> cases[] = {
        {u"/usr/local/share"_s, System},
        {u"/USR/Local"_s, System},
        {u"/var/"_s, System},
        {u"/usrlocal"_s, None},
        {path(u"HOME/User"_s), System | Own},
        {path(u"home"_s), System | Own},
        {root(), System | Program | Own},
        {path(u"home/user/Docs"_s), None},
        {u"/Opt"_s, Program},
        {u"/opt/app"_s, None},
        {path(u"prog"_s), Program},
        {path(u"prog/bin/plugins"_s), None},
        {path(u"home/user/.local/share/vexapad/MyList"_s), Own},
        {path(u"home/user/.local"_s), Own},
        {path(u"home/user/.config2"_s), None},
        // A volume root above a protected folder is left to the lock's volume-root rule.
        {u"/"_s, None},
    };
    for (const auto& [folder, rules] : cases) {
        SCOPED_TRACE(folder.toStdString());
        EXPECT_EQ(m_folders.isSystemFolder(folder), (rules & System) != 0);
        EXPECT_EQ(m_folders.isProgramFolder(folder), (rules & Program) != 0);
        EXPECT_EQ(m_folders.isOwnFolder(folder), (rules & Own) != 0);
    }
}

TEST_F(ProtectedFoldersTest, SeesThroughSymbolicLinks) {
    ASSERT_TRUE(QFile::link(path(u"home"_s), path(u"alias"_s)));
    EXPECT_TRUE(m_folders.isSystemFolder(path(u"alias/user"_s)));
    EXPECT_FALSE(m_folders.isSystemFolder(path(u"alias/user/Docs"_s)));
    // A protected folder the platform names through a link.
    ASSERT_TRUE(QFile::link(path(u"home/user/.config"_s), path(u"configlink"_s)));
    m_platform.config = path(u"configlink/vexapad"_s);
    EXPECT_TRUE(m_folders.isOwnFolder(path(u"home/user/.config/vexapad/lists"_s)));
}
