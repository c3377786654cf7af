/*
 * The My Hot Lists browser: what it lists and its right-click.
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
    void open() { services.area.addSubWindow(browser = new Form3(services))->show(); }
    QString listFolder() const { return services.testPlatform.dataFolder() + u"/MyList"_s; }
    void makeList(const QString& name) { makeFile(QDir(root()).relativeFilePath(listFolder() + u'/' + name), 3); }
    QListWidget* File1() const { return browser->findChild<QListWidget*>(u"File1"_s); }

    FakeServices services;
    Form3* browser = nullptr;
};

TEST_F(Form3Test, ListsTheHotListFilesOfTheListFolder) {
    ASSERT_FALSE(QDir(listFolder()).exists());
    open();
    EXPECT_TRUE(QDir(listFolder()).exists());
    EXPECT_EQ(File1()->count(), 0);

    for (const QString& name : {u"Work.vexa"_s, u"copy.vexa2"_s, u"OLD.VEXA"_s, u"notes.txt"_s, u"x.vex"_s})
        makeList(name);
    QDir(listFolder()).mkdir(u"folder.vexa"_s);
    browser->refresh();
    QStringList names;
    for (int row = 0; row < File1()->count(); ++row)
        names.append(File1()->item(row)->text());
    EXPECT_EQ(names, (QStringList{u"copy.vexa2"_s, u"OLD.VEXA"_s, u"Work.vexa"_s}));
}

TEST_F(Form3Test, RightClickPicksTheHighlightedList) {
    makeList(u"Work.vexa"_s);
    open();
    services.appState.ActiveListKind = ListKind::ChosenList;
    QTest::mousePress(File1()->viewport(), Qt::RightButton, {}, {5, 5});
    EXPECT_EQ(services.scripted.texts(), QStringList{u"Click the list you want First !"_s});
    EXPECT_EQ(services.appState.ActiveListKind, ListKind::None);
    EXPECT_FALSE(services.popupMenu(u"LoadList"_s)->isVisible());

    File1()->setCurrentRow(0);
    QTest::mousePress(File1()->viewport(), Qt::RightButton, {}, {5, 5});
    EXPECT_EQ(services.appState.CurrentFile, u"Work.vexa"_s);
    EXPECT_TRUE(services.popupMenu(u"LoadList"_s)->isVisible());
    EXPECT_EQ(services.scripted.boxes().size(), 1);
    services.popupMenu(u"LoadList"_s)->close();
}
