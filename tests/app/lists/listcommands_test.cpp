/*
 * The list selection commands of the chosen-file list's pop-up menu and the file list's Open.
 */
#include "listcommands.h"

#include "fakeservices.h"
#include "qstringprinter.h"
#include "spassword1.h"
#include "tempenv.h"

#include <QtCore/QDir>
#include <QtWidgets/QListView>
#include <QtWidgets/QListWidget>

using namespace Qt::StringLiterals;

class ListCommandsTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        list.addItems({u"/a"_s, u"/b"_s, u"/c"_s});
    }
    QList<bool> selection() const {
        QList<bool> result;
        for (int row = 0; row < list.count(); ++row)
            result.append(list.item(row)->isSelected());
        return result;
    }

    FakeServices services;
    ListCommands commands{services};
    QListWidget list;
};

TEST_F(ListCommandsTest, SelectAddsToTheSelection) {
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    commands.selectItem_Click(&list); // nothing highlighted
    EXPECT_EQ(selection(), QList<bool>({false, false, false}));

    list.item(0)->setSelected(true);
    list.setCurrentRow(2, QItemSelectionModel::NoUpdate);
    commands.selectItem_Click(&list);
    EXPECT_EQ(selection(), QList<bool>({true, false, true}));
    commands.selectAll_Click(&list);
    EXPECT_EQ(selection(), QList<bool>({true, true, true}));

    QListWidget empty;
    commands.selectAll_Click(&empty);
    commands.selectItem_Click(&empty);
    EXPECT_EQ(empty.count(), 0);
}

TEST_F(ListCommandsTest, ClearRemovesEntriesAndShowsTheCount) {
    commands.Clear2_Click(&list); // nothing highlighted: nothing removed
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(services.bar.lab6(), u"3"_s);

    list.setCurrentRow(1);
    commands.Clear2_Click(&list);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(1)->text(), u"/c"_s);
    EXPECT_EQ(services.bar.lab6(), u"2"_s);

    commands.clear1_Click(&list);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(services.bar.lab6(), u"0"_s);
}

TEST_F(ListCommandsTest, OpenAsksTheDesktopForTheHighlightedFile) {
    commands.Openlist1_Click(&list);
    EXPECT_TRUE(services.testPlatform.opened.isEmpty());
    list.setCurrentRow(1);
    commands.Openlist1_Click(&list);
    EXPECT_EQ(services.testPlatform.opened, QStringList{u"/b"_s});

    // The chooser's Open: its folder, a separator and the highlighted name; nothing without one.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(makeDir(u"files"_s));
    makeFile(u"files/report.doc"_s, 1);
    Spassword1 chooser(services);
    QDir::setCurrent(previous);
    services.testPlatform.opened.clear();
    commands.Openfile1_Click(chooser);
    EXPECT_TRUE(services.testPlatform.opened.isEmpty());
    auto* File1 = chooser.findChild<QListView*>(u"File1"_s);
    File1->setCurrentIndex(File1->model()->index(0, 0));
    commands.Openfile1_Click(chooser);
    EXPECT_EQ(services.testPlatform.opened, QStringList{path(u"files/report.doc"_s)});

    // Clearing the chooser's list leaves its file list alone.
    commands.clear1_Click(chooser.chosenList());
    EXPECT_EQ(chooser.fileCount(), 1);
}
