/*
 * The plan for start paths, over real files: which folder opens, what is selected, what goes to
 * the chosen-file list, and what is refused.
 */
#include "app/shell/startpaths.h"

#include "app/platform/filenames.h"
#include "tests/support/tempenv.h"

#include <QtCore/QFile>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class StartPathsTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        makeFile(u"a/one.txt"_s, 3);
        makeFile(u"a/two.txt.vxp"_s, 13);
        makeFile(u"b/three.txt"_s, 3);
        makeFile(u"b/four.vxp"_s, 13);
        makeDir(u"a/sub"_s);
    }
    // The plan with the test's folder in place of its path, for short expectations.
    StartPaths plan(const QStringList& relative, PathAction action = PathAction::Open) {
        QStringList paths;
        for (const QString& each : relative)
            paths << (each.startsWith(u'@') ? each.mid(1) : path(each));
        StartPaths result = planStartPaths(paths, path(u"a"_s), action);
        const auto strip = [this](QString text) { return text.replace(root() + u'/', QString()); };
        result.folder = strip(result.folder);
        for (QStringList* list : {&result.select, &result.choose, &result.refusals})
            for (QString& each : *list)
                each = strip(each);
        return result;
    }
};

TEST_F(StartPathsTest, OpensTheFolderOfTheFirstUsablePath) {
    struct Case {
        const char* what;
        QStringList paths;
        QString folder;
        QStringList select;
        QStringList choose;
        // Messages: all the missing paths share one.
        int refused;
        PathAction action = PathAction::Open;
    };
    const Case cases[] = {
        {"a folder", {u"a/sub"_s}, u"a/sub"_s, {}, {}, 0},
        {"files of one folder",
         {u"a/one.txt"_s, u"a/two.txt.vxp"_s},
         u"a"_s,
         {u"a/one.txt"_s, u"a/two.txt.vxp"_s},
         {u"a/two.txt.vxp"_s},
         0},
        // The file list shows one folder; an encrypted file elsewhere still reaches the list.
        {"files of two folders",
         {u"a/one.txt"_s, u"b/three.txt"_s, u"b/four.vxp"_s},
         u"a"_s,
         {u"a/one.txt"_s},
         {u"b/four.vxp"_s},
         0},
        {"a missing path first", {u"a/gone.txt"_s, u"b/three.txt"_s}, u"b"_s, {u"b/three.txt"_s}, {}, 1},
        {"only missing paths", {u"gone"_s, u"a/gone.vxp"_s}, {}, {}, {}, 1},
        {"a path relative to the working folder", {u"@one.txt"_s}, u"a"_s, {u"a/one.txt"_s}, {}, 0},
        {"a path with dots", {u"@../b/./three.txt"_s}, u"b"_s, {u"b/three.txt"_s}, {}, 0},
        {"the same file twice",
         {u"a/two.txt.vxp"_s, u"@two.txt.vxp"_s},
         u"a"_s,
         {u"a/two.txt.vxp"_s, u"a/two.txt.vxp"_s},
         {u"a/two.txt.vxp"_s},
         0},
        // A command runs on every file given, wherever it lies, but on no folder.
        {"files to encrypt",
         {u"a/sub"_s, u"a/one.txt"_s, u"b/four.vxp"_s, u"b/three.txt"_s, u"@one.txt"_s},
         u"a/sub"_s,
         {},
         {u"a/one.txt"_s, u"b/four.vxp"_s, u"b/three.txt"_s},
         0,
         PathAction::Encrypt},
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(each.what);
        const StartPaths result = plan(each.paths, each.action);
        EXPECT_EQ(result.folder, each.folder);
        EXPECT_EQ(result.select, each.select);
        EXPECT_EQ(result.choose, each.choose);
        EXPECT_EQ(result.refusals.size(), each.refused) << qPrintable(result.refusals.join(u'|'));
    }
}

TEST_F(StartPathsTest, RefusesMissingPathsAndNamesTheProgramCannotNameInOneMessageEach) {
    // One missing path keeps its message; more share one that names twenty at most.
    const auto gone = [](int count) {
        QStringList paths;
        for (int i = 0; i < count; ++i)
            paths << u"gone"_s + QString::number(i);
        return paths;
    };
    const QString heading = u"These files or folders do not exist:\r\n"_s;
    const std::pair<int, QString> cases[] = {
        {1, u"gone0\r\nThis file or folder does not exist."_s},
        {2, heading + u"gone0\r\ngone1"_s},
        {20, heading + gone(20).join(u"\r\n"_s)},
        {25, heading + gone(20).join(u"\r\n"_s) + u"\r\n…and 5 more."_s},
    };
    for (const auto& [count, message] : cases) {
        SCOPED_TRACE(count);
        EXPECT_EQ(plan(gone(count)).refusals, QStringList{message});
    }

    // A name that is not valid UTF-8 reaches the program as text with U+FFFD in it; it is refused
    // as every command refuses it, not called missing, and nothing of it is opened.
    QStringList shown;
    QList<QByteArray> raws;
    for (const char* bad : {"/bad\xff.vxp", "/worse\xfe"}) {
        const QByteArray raw = QFile::encodeName(path(u"b"_s)) + bad;
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
        shown << QFile::decodeName(raw);
        raws << raw;
    }
    const StartPaths refused = planStartPaths({shown[0], path(u"b/three.txt"_s), path(u"gone"_s)}, root());
    EXPECT_EQ(
        refused.refusals,
        QStringList({(FileNames::usable(shown[0]) ? u"no refusal"_s : FileNames::usable(shown[0]).error().message),
                     path(u"gone"_s) + u"\r\nThis file or folder does not exist."_s}));
    EXPECT_EQ(refused.folder, path(u"b"_s));
    EXPECT_EQ(refused.select, QStringList{path(u"b/three.txt"_s)});
    EXPECT_TRUE(refused.choose.isEmpty());
    EXPECT_EQ(planStartPaths(shown, root()).refusals,
              QStringList{u"The names of these files or folders can't be read correctly. Please rename them:\r\n"_s +
                          shown.join(u"\r\n"_s)});
    // The temporary folder cannot name them either, so it cannot remove them.
    for (const QByteArray& raw : raws)
        ::unlink(raw.constData());
}
