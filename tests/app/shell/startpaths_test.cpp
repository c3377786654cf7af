/*
 * The plan for start paths, over real files: which folder opens, what is selected, what goes to
 * the chosen-file list, and what is refused.
 */
#include "app/shell/startpaths.h"

#include "tests/support/tempenv.h"

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
    // Paths separated by blanks, below the test's folder ("@": relative to the working folder "a").
    QStringList list(const char* text) const {
        QStringList paths;
        for (const QString& each : QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts))
            paths << (each.startsWith(u'@') ? each.mid(1) : path(each));
        return paths;
    }
};

TEST_F(StartPathsTest, OpensTheFolderOfTheFirstUsablePath) {
    // The paths given, then the folder opened, the files selected and those chosen, and the
    // messages (all the missing paths share one).
    const std::tuple<const char*, const char*, const char*, const char*, const char*, int> cases[] = {
        {"a folder", "a/sub", "a/sub", "", "", 0},
        {"files of one folder", "a/one.txt a/two.txt.vxp", "a", "a/one.txt a/two.txt.vxp", "a/two.txt.vxp", 0},
        // The file list shows one folder; an encrypted file elsewhere still reaches the list.
        {"files of two folders", "a/one.txt b/three.txt b/four.vxp", "a", "a/one.txt", "b/four.vxp", 0},
        {"a missing path first", "a/gone.txt b/three.txt", "b", "b/three.txt", "", 1},
        {"only missing paths", "gone a/gone.vxp", "", "", "", 1},
        {"a relative path with dots", "@../b/./three.txt", "b", "b/three.txt", "", 0},
        {"the same file twice", "a/two.txt.vxp @two.txt.vxp", "a", "a/two.txt.vxp a/two.txt.vxp", "a/two.txt.vxp", 0},
    };
    for (const auto& [what, paths, folder, select, choose, refused] : cases) {
        SCOPED_TRACE(what);
        const StartPaths result = planStartPaths(list(paths), path(u"a"_s), PathAction::Open);
        EXPECT_EQ(std::tuple(result.folder, result.select, result.choose, result.refusals.size()),
                  std::tuple(list(folder).value(0), list(select), list(choose), qsizetype(refused)));
    }
    // A command runs on every file given, wherever it lies, but on no folder.
    const StartPaths encrypt =
        planStartPaths(list("a/sub a/one.txt b/four.vxp b/three.txt @one.txt"), path(u"a"_s), PathAction::Encrypt);
    EXPECT_EQ(std::tuple(encrypt.folder, encrypt.select, encrypt.choose),
              std::tuple(path(u"a/sub"_s), QStringList(), list("a/one.txt b/four.vxp b/three.txt")));
}

TEST_F(StartPathsTest, RefusesMissingPathsAndNamesTheProgramCannotNameInOneMessageEach) {
    // One missing path keeps its message; more share one that names twenty at most.
    QStringList gone;
    for (int i = 0; i < 25; ++i)
        gone << u"/gone"_s + QString::number(i);
    const QString heading = u"These files or folders do not exist:\r\n"_s;
    const std::pair<int, QString> cases[] = {
        {1, u"/gone0\r\nThis file or folder does not exist."_s},
        {20, heading + gone.first(20).join(u"\r\n"_s)},
        {25, heading + gone.first(20).join(u"\r\n"_s) + u"\r\n…and 5 more."_s},
    };
    for (const auto& [count, message] : cases)
        EXPECT_EQ(planStartPaths(gone.first(count), root()).refusals, QStringList{message}) << count;

    // A name that is not valid UTF-8 reaches the program as text with U+FFFD in it; it is refused
    // as every command refuses it, not called missing, and nothing of it is opened.
    const QStringList shown{makeRawFile("b/bad\xff.vxp"), makeRawFile("b/worse\xfe")};
    const StartPaths refused = planStartPaths({shown[0], path(u"b/three.txt"_s), u"/gone0"_s}, root());
    EXPECT_EQ(std::tuple(refused.refusals, refused.folder, refused.select, refused.choose),
              std::tuple(QStringList({u"The name of "_s + shown[0] + u" can't be read correctly. Please rename it."_s,
                                      cases[0].second}),
                         path(u"b"_s), QStringList{path(u"b/three.txt"_s)}, QStringList()));
    EXPECT_EQ(planStartPaths(shown, root()).refusals,
              QStringList{u"The names of these files or folders can't be read correctly. Please rename them:\r\n"_s +
                          shown.join(u"\r\n"_s)});
}
