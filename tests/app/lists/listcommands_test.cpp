/*
 * The list selection commands of the chosen-file list's pop-up menu and the file list's Open.
 */
#include "listcommands.h"

#include "fakeservices.h"
#include "qstringprinter.h"
#include "spassword1.h"
#include "tempenv.h"

#include <QtWidgets/QListView>
#include <QtWidgets/QListWidget>

using namespace Qt::StringLiterals;

class ListCommandsTest : public TempEnvTest {
protected:
    FakeServices services;
    ListCommands commands{services};
};

TEST_F(ListCommandsTest, CommandsActOnTheHighlightedEntryOnlyWhenThereIsOne) {
    QListWidget list;
    list.setSelectionMode(QAbstractItemView::ExtendedSelection);
    list.addItems({u"/a"_s, u"/b"_s, u"/c"_s});
    commands.selectItem_Click(&list);
    commands.Clear2_Click(&list);
    commands.Openlist1_Click(&list);
    EXPECT_TRUE(list.selectedItems().isEmpty());
    EXPECT_EQ(list.count(), 3);
    EXPECT_EQ(services.bar.lab6(), u"3"_s);
    EXPECT_TRUE(services.testPlatform.opened.isEmpty());

    // Select adds the highlighted entry to the selection.
    list.item(0)->setSelected(true);
    list.setCurrentRow(2, QItemSelectionModel::NoUpdate);
    commands.selectItem_Click(&list);
    EXPECT_EQ(list.selectedItems(), (QList<QListWidgetItem*>{list.item(0), list.item(2)}));

    list.setCurrentRow(1);
    commands.Openlist1_Click(&list);
    EXPECT_EQ(services.testPlatform.opened, QStringList{u"/b"_s});
    commands.Clear2_Click(&list);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.item(1)->text(), u"/c"_s);
    EXPECT_EQ(services.bar.lab6(), u"2"_s);
}

TEST_F(ListCommandsTest, ChoosersOpenTakesTheHighlightedFileOfItsFolder) {
    makeFile(u"files/report.doc"_s, 1);
    Spassword1 chooser(services);
    chooser.openFolder(path(u"files"_s));
    commands.Openfile1_Click(chooser); // nothing highlighted: not the folder either
    EXPECT_TRUE(services.testPlatform.opened.isEmpty());
    auto* File1 = chooser.findChild<QListView*>(u"File1"_s);
    File1->setCurrentIndex(File1->model()->index(0, 0));
    commands.Openfile1_Click(chooser);
    EXPECT_EQ(services.testPlatform.opened, QStringList{path(u"files/report.doc"_s)});
}
