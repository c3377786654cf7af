/*
 * The hot-list window in the real main window: its close question with the replace question,
 * the close at the program's end, its list events, its placement and the browser it needs.
 */
#include "form2.h"

#include "appstate.h"
#include "draggedpaths.h"
#include "dropevents.h"
#include "hotlistwindowtest.h"
#include "passworddialog.h"
#include "spassword1.h"
#include "statline.h"

#include <QtCore/QFileInfo>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMenu>

using namespace Qt::StringLiterals;

namespace {

const QString kSaveQuestion = u"Do you want to save changes to  "_s;
const QString kReplaceQuestion = u"This list is already existed do you want replace it"_s;

} // namespace

using Form2Test = HotListWindowTest;

TEST_F(Form2Test, CloseWithYesSavesTheList) {
    Form2* window = newList({u"/a/one.txt"_s, u"/b/two"_s});
    m_window->state().ActiveListKind = ListKind::ChosenList;
    m_dialogs.answer(Answer::Yes);
    EXPECT_TRUE(close(window));
    EXPECT_EQ(m_dialogs.texts(), QStringList{kSaveQuestion + u"Hot List 1"_s});
    EXPECT_EQ(readAll(listFile(u"Hot List 1"_s)), ComplementedLine(u"/a/one.txt"_s) + ComplementedLine(u"/b/two"_s));
    EXPECT_EQ(browserNames(), QStringList{u"Hot List 1.vexa"_s});
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::None);

    // An empty list gives an empty file.
    m_dialogs.answer(Answer::Yes);
    EXPECT_TRUE(close(newList()));
    EXPECT_TRUE(QFile::exists(listFile(u"Hot List 2"_s)));
    EXPECT_EQ(readAll(listFile(u"Hot List 2"_s)), QByteArray());
}

TEST_F(Form2Test, CloseWithNoOrReplaceRefusedKeepsTheFileAsItWas) {
    const QString file = makeFile(QDir(root()).relativeFilePath(listFile(u"Hot List 1"_s)), QByteArray("old"));
    ASSERT_TRUE(m_platform.setAttributes(file, 1));

    m_dialogs.answer(Answer::No);
    EXPECT_TRUE(close(newList({u"/a"_s})));
    EXPECT_EQ(m_dialogs.texts(), QStringList{kSaveQuestion + u"Hot List 1"_s});

    m_dialogs.clear();
    Form2* window = newList({u"/a"_s});
    window->setWindowTitle(u"Hot List 1"_s);
    m_dialogs.answer(Answer::Yes);
    m_dialogs.answer(Answer::No);
    EXPECT_TRUE(close(window));
    EXPECT_EQ(m_dialogs.texts(), (QStringList{kSaveQuestion + u"Hot List 1"_s, kReplaceQuestion}));
    EXPECT_TRUE(hotLists().isEmpty());
    EXPECT_EQ(readAll(file), QByteArray("old"));
    // A file the user kept keeps its read-only mark too.
    EXPECT_EQ(m_platform.attributes(file).value_or(0) & 1, 1u);

    // Replacing it takes the read-only mark off, so that the new list can be written.
    window = newList({u"/new"_s});
    window->setWindowTitle(u"Hot List 1"_s);
    m_dialogs.answer(Answer::Yes);
    m_dialogs.answer(Answer::Yes);
    EXPECT_TRUE(close(window));
    EXPECT_EQ(readAll(file), ComplementedLine(u"/new"_s));
    EXPECT_EQ(m_platform.attributes(file).value_or(1) & 1, 0u);
}

TEST_F(Form2Test, ASaveOnCloseThatFailsKeepsTheWindow) {
    // U+074D complements to a double quote: no field brings it back.
    const QString unstorable = u"/home/\u074D.txt"_s;
    Form2* window = newList({u"/a"_s, unstorable});
    m_dialogs.answer(Answer::Yes);
    EXPECT_FALSE(close(window));
    ASSERT_EQ(m_dialogs.texts().size(), 2);
    EXPECT_TRUE(m_dialogs.texts().at(1).startsWith(unstorable + u"\r\n"_s));
    EXPECT_FALSE(QFile::exists(listFile(u"Hot List 1"_s)));
    EXPECT_EQ(hotLists(), QList<Form2*>{window});
    EXPECT_EQ(list(window)->count(), 2);

    // The list folder has become a file: the write fails with the system's reason.
    m_dialogs.clear();
    QDir(listFolder()).removeRecursively();
    makeFile(QDir(root()).relativeFilePath(listFolder()), QByteArray("x"));
    list(window)->takeItem(1);
    m_dialogs.answer(Answer::Yes);
    EXPECT_FALSE(close(window));
    ASSERT_EQ(m_dialogs.texts().size(), 2);
    EXPECT_TRUE(m_dialogs.texts().at(1).startsWith(listFile(u"Hot List 1"_s) + u"\r\n"_s));

    m_dialogs.answer(Answer::No);
    EXPECT_TRUE(close(window));
}

TEST_F(Form2Test, TheProgramsEndAsksEveryHotList) {
    newList({u"/a"_s});
    newList({u"/b"_s});
    m_dialogs.answer(Answer::Yes); // exit
    m_dialogs.answer(Answer::No);
    m_dialogs.answer(Answer::Yes);
    triggerAction(u"Ending"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{u" Do you really want  exit?"_s, kSaveQuestion + u"Hot List 1"_s,
                                              kSaveQuestion + u"Hot List 2"_s}));
    EXPECT_FALSE(QFile::exists(listFile(u"Hot List 1"_s)));
    EXPECT_EQ(readAll(listFile(u"Hot List 2"_s)), ComplementedLine(u"/b"_s));
}

TEST_F(Form2Test, RightClickOpensTheListMenuWithRenameAndSave) {
    QListWidget* chooserList = m_window->chooser()->chosenList();
    QTest::mousePress(chooserList->viewport(), Qt::RightButton, {}, {5, 5});
    m_window->popupMenu(u"munfile"_s)->close();
    ASSERT_FALSE(m_window->menuItem(u"Savelist"_s)->isEnabled());

    Form2* window = newList({u"/a"_s});
    m_window->state().ActiveListKind = ListKind::DirectoryFiles;
    QTest::mousePress(list(window)->viewport(), Qt::RightButton, {}, {5, 5});
    EXPECT_TRUE(m_window->popupMenu(u"munfile"_s)->isVisible());
    EXPECT_TRUE(m_window->menuItem(u"Savelist"_s)->isEnabled());
    EXPECT_TRUE(m_window->menuItem(u"RenameList"_s)->isEnabled());
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::DirectoryFiles);
    m_window->popupMenu(u"munfile"_s)->close();
}

TEST_F(Form2Test, AClickShowsTheFileAndMakesItTheListWorkedIn) {
    const QString file = makeFile(u"work/big.bin"_s, 1536);
    Form2* window = newList({file});
    QListWidget* List1 = list(window);
    const QPoint onEntry = List1->visualItemRect(List1->item(0)).center();

    m_window->state().Busy = true;
    QTest::mouseClick(List1->viewport(), Qt::LeftButton, {}, onEntry);
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::None);
    EXPECT_NE(m_window->statusLine().lab3(), u"File Size : 1.50 K"_s);

    m_window->state().Busy = false;
    QTest::mouseClick(List1->viewport(), Qt::LeftButton, {}, onEntry);
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::ChosenList);
    EXPECT_EQ(m_window->statusLine().lab3(), u"File Size : 1.50 K"_s);
}

TEST_F(Form2Test, DropsAppendTheDraggedFilesAndTheBarShowsTheCount) {
    Form2* window = newList({u"/a"_s});
    QListWidget* List1 = list(window);
    EXPECT_EQ(Drop(List1->viewport(), DraggedPaths::ToMimeData({u"/b"_s, u"/a"_s, u"/c"_s}), Qt::CopyAction),
              Qt::CopyAction);
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"/a is already existed !"_s});
    EXPECT_EQ(window->entries(), (QStringList{u"/a"_s, u"/b"_s, u"/c"_s}));

    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), List1->viewport()->mapToGlobal(QPointF(5, 5)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(List1->viewport(), &move);
    EXPECT_EQ(m_window->statusLine().lab6(), u"3"_s);
    EXPECT_EQ(m_window->statusLine().lab1(), u"Select File(s)and Right click "_s);

    List1->takeItem(0);
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(List1, &focus);
    EXPECT_EQ(m_window->statusLine().lab6(), u"2"_s);
}

TEST_F(Form2Test, NewWindowsCascadeFromUnderTheBrowser) {
    const QRect browser = frame(m_window->browser())->geometry();
    const auto placeOf = [&](int n) {
        const int step = (n - 1) * 20; // 300 twips
        return QRect(browser.left() - step, browser.height() + step, browser.width(), browser.height());
    };
    Form2* first = newList();
    Form2* second = newList();
    Form2* third = newList();
    EXPECT_EQ(frame(first)->geometry(), placeOf(1));
    EXPECT_EQ(frame(second)->geometry(), placeOf(2));
    EXPECT_EQ(frame(third)->geometry(), placeOf(3));
    EXPECT_EQ(list(first)->geometry(), first->rect());

    // Two closes: the next window takes the second place, whichever windows went.
    m_dialogs.answer(Answer::No);
    m_dialogs.answer(Answer::No);
    close(first);
    close(third);
    EXPECT_EQ(frame(newList())->geometry(), placeOf(2));
}

TEST_F(Form2Test, AClosedBrowserComesBackWithoutItsCheckMark) {
    triggerAction(u"MyHotLists"_s);
    ASSERT_FALSE(m_window->menuItem(u"MyHotLists"_s)->isChecked());

    Form2* window = newList({u"/a"_s});
    Form3* browser = m_window->browser();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isVisible());
    EXPECT_FALSE(m_window->menuItem(u"MyHotLists"_s)->isChecked());
    const QRect under = frame(browser)->geometry();
    EXPECT_EQ(frame(window)->geometry(), QRect(under.left(), under.height(), under.width(), under.height()));

    // Closed again, it is reopened for the refresh when the list closes and shows the new file.
    triggerAction(u"MyHotLists"_s); // sets the mark: the browser is open
    triggerAction(u"MyHotLists"_s);
    m_dialogs.answer(Answer::Yes);
    close(window);
    ASSERT_NE(m_window->browser(), nullptr);
    EXPECT_TRUE(m_window->browser()->isVisible());
    EXPECT_EQ(browserNames(), QStringList{u"Hot List 1.vexa"_s});
    EXPECT_FALSE(m_window->menuItem(u"MyHotLists"_s)->isChecked());
}

TEST_F(Form2Test, EncryptionRunsOnAHotListWindow) {
    const QString plain = makeFile(u"work/letter.txt"_s, 100);
    const QByteArray content = readAll(plain);
    const QString other = makeFile(u"work/other.txt"_s, 100);
    m_window->passwordDialog().findChild<QLineEdit*>(u"Text8"_s)->setText(u"secret1"_s);
    Form2* window = newList({plain, other});
    list(window)->item(0)->setSelected(true);

    triggerAction(u"Enc1"_s);
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
    const QString encrypted = plain + u".vxp"_s;
    EXPECT_EQ(window->entries(), (QStringList{encrypted, other}));
    EXPECT_TRUE(list(window)->selectedItems().isEmpty());
    EXPECT_EQ(QFileInfo(encrypted).size(), 110);
    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_EQ(m_window->chooser()->chosenList()->count(), 0);

    list(window)->item(0)->setSelected(true);
    triggerAction(u"Dec1"_s);
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
    EXPECT_EQ(window->entries(), (QStringList{plain, other}));
    EXPECT_EQ(readAll(plain), content);
    EXPECT_FALSE(QFile::exists(encrypted));
}
