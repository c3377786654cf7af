/*
 * The My Hot Lists browser: what it lists, where it sits, its right-click and its close.
 */
#include "form3.h"

#include "fakeservices.h"
#include "qstringprinter.h"
#include "tempenv.h"

#include <QtCore/QDir>
#include <QtTest/QTest>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMdiSubWindow>

using namespace Qt::StringLiterals;

class Form3Test : public TempEnvTest {
protected:
    Form3& open() {
        browser = new Form3(services);
        frame = services.area.addSubWindow(browser);
        frame->show();
        return *browser;
    }
    QListWidget* File1() const { return browser->findChild<QListWidget*>(u"File1"_s); }
    QStringList names() const {
        QStringList result;
        for (int row = 0; row < File1()->count(); ++row)
            result.append(File1()->item(row)->text());
        return result;
    }
    void rightClick() { QTest::mousePress(File1()->viewport(), Qt::RightButton, {}, {5, 5}); }

    FakeServices services;
    Form3* browser = nullptr;
    QMdiSubWindow* frame = nullptr;
};

TEST_F(Form3Test, ListsHotListFilesOfTheListFolder) {
    const QString folder = services.testPlatform.dataFolder() + u"/MyList"_s;
    ASSERT_FALSE(QDir(folder).exists());
    open();
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_TRUE(names().isEmpty());

    for (const QString& name : {u"Work.vexa"_s, u"copy.vexa2"_s, u"OLD.VEXA"_s, u"notes.txt"_s, u"x.vex"_s})
        makeFile(QDir(root()).relativeFilePath(folder + u'/' + name), 3);
    QDir(folder).mkdir(u"folder.vexa"_s);
    browser->refresh();
    EXPECT_EQ(names(), (QStringList{u"copy.vexa2"_s, u"OLD.VEXA"_s, u"Work.vexa"_s}));
}

TEST_F(Form3Test, SitsInTheTopRightCornerAndClearsItsMarkOnClose) {
    // Opened at start-up, before the main window shows.
    services.area.hide();
    open();
    services.area.show();
    EXPECT_EQ(browser->windowTitle(), u"My Hot Lists"_s);
    EXPECT_EQ(frame->geometry(), QRect(700, 0, 300, 240));
    EXPECT_EQ(File1()->geometry(), browser->rect());

    services.menuItem(u"MyHotLists"_s)->setChecked(true);
    frame->close();
    EXPECT_FALSE(services.menuItem(u"MyHotLists"_s)->isChecked());
}

TEST_F(Form3Test, RightClickPicksTheHighlightedList) {
    makeFile(QDir(root()).relativeFilePath(services.testPlatform.dataFolder() + u"/MyList/Work.vexa"_s), 3);
    open();
    services.appState.ActiveListKind = ListKind::ChosenList;
    rightClick();
    EXPECT_EQ(services.scripted.texts(), QStringList{u"Click the list you want First !"_s});
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);
    EXPECT_FALSE(services.popupMenu(u"LoadList"_s)->isVisible());

    File1()->setCurrentRow(0);
    rightClick();
    EXPECT_EQ(services.appState.CurrentFile, u"Work.vexa"_s);
    EXPECT_TRUE(services.popupMenu(u"LoadList"_s)->isVisible());
    EXPECT_EQ(services.scripted.boxes().size(), 1);
    services.popupMenu(u"LoadList"_s)->close();

    QMouseEvent move(QEvent::MouseMove, QPointF(7, 7), File1()->viewport()->mapToGlobal(QPointF(7, 7)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(File1()->viewport(), &move);
    EXPECT_EQ(services.bar.lab1(), u"Right click to open this file."_s);
}
