/*
 * Where the help window takes the guide from: the installed copy beside the program's tree, or
 * the copy built into the program.
 */
#include "common/help/helpwindow.h"
#include "tests/support/tempenv.h"

#include <QtCore/QDir>
#include <QtWidgets/QTextBrowser>

using namespace Qt::StringLiterals;

namespace {

const QUrl builtIn(u"qrc:/help/guide.html"_s);
const QString installedGuide = u"share/vexa-password/help/guide.html"_s;

class HelpWindowTest : public TempEnvTest {};

} // namespace

TEST_F(HelpWindowTest, TakesTheInstalledGuideOnlyWhenTheTreeHoldsOne) {
    struct Case {
        const char* name;
        QString guideEntry; // what is made at the installed guide's place under "tree"
        bool isFile;
        bool expectInstalled;
    };
    const Case cases[] = {
        {"installed tree", installedGuide, true, true},
        {"build tree, nothing installed", QString(), false, false},
        {"a folder where the guide belongs", installedGuide, false, false},
        {"the guide one level off", u"share/help/guide.html"_s, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString tree = QString::fromLatin1(c.name);
        const QString bin = makeDir(tree + u"/bin"_s);
        if (!c.guideEntry.isEmpty()) {
            if (c.isFile)
                makeFile(tree + u'/' + c.guideEntry, QByteArray("<html><title>Installed</title></html>"));
            else
                makeDir(tree + u'/' + c.guideEntry);
        }
        const QUrl expected =
            c.expectInstalled ? QUrl::fromLocalFile(QDir(path(tree)).canonicalPath() + u'/' + installedGuide) : builtIn;
        EXPECT_EQ(HelpWindow::guideUrlFor(bin), expected);
        if (c.expectInstalled) {
            // The browser reads a guide given by file as it reads the built-in one, topics included.
            QTextBrowser browser;
            browser.setSource(expected.resolved(QUrl(u"#generator"_s)));
            EXPECT_EQ(browser.documentTitle(), u"Installed"_s);
        }
    }
    // No program folder (no application object yet) must not reach for the working folder.
    EXPECT_EQ(HelpWindow::guideUrlFor(QString()), builtIn);
}

TEST_F(HelpWindowTest, TheBuiltInGuideIsThereWhenNothingIsInstalled) {
    HelpWindow window;
    EXPECT_EQ(window.findChild<QTextBrowser*>(u"guideText"_s)->source().adjusted(QUrl::RemoveFragment),
              HelpWindow::guideUrl());
    EXPECT_EQ(window.windowTitle(), u"Vexa Password: user guide"_s);
}
