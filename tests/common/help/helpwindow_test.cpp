/*
 * Where the help window takes the guide from: the installed copy beside the program's tree, or
 * the copy built into the program.
 */
#include "common/help/helpwindow.h"
#include "tests/support/tempenv.h"

#include <QtWidgets/QTextBrowser>

using HelpWindowTest = TempEnvTest;

TEST_F(HelpWindowTest, TakesTheInstalledGuideOnlyWhenTheTreeHoldsOne) {
    const QUrl builtIn(u"qrc:/help/guide.html"_s);
    const QString installed = u"share/vexa-password/help/guide.html"_s;
    // The tree, what is made under it (a file, or a folder for a name ending in "/"), and whether
    // the guide is taken from there.
    const std::tuple<QString, QString, bool> cases[] = {
        {u"installed"_s, installed, true},
        {u"folder"_s, installed + u'/', false},
        {u"off"_s, u"share/help/guide.html"_s, false},
    };
    for (const auto& [tree, made, taken] : cases) {
        SCOPED_TRACE(tree.toStdString());
        const QString bin = makeDir(tree + u"/bin"_s);
        if (made.endsWith(u'/'))
            makeDir(tree + u'/' + made);
        else
            makeFile(tree + u'/' + made, 1);
        const QUrl expected =
            taken ? QUrl::fromLocalFile(QDir(path(tree)).canonicalPath() + u'/' + installed) : builtIn;
        EXPECT_EQ(HelpWindow::guideUrlFor(bin), expected);
    }
    // No program folder (no application object yet) must not reach for the working folder.
    EXPECT_EQ(HelpWindow::guideUrlFor(QString()), builtIn);
    // The window opens the built-in guide when nothing is installed.
    HelpWindow window;
    EXPECT_EQ(window.findChild<QTextBrowser*>(u"guideText"_s)->source().adjusted(QUrl::RemoveFragment), builtIn);
    EXPECT_EQ(window.windowTitle(), u"Vexa Password: user guide"_s);
}
