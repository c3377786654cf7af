/*
 * The hot-list window in the real main window: its close question with the replace question,
 * the close at the program's end, its clicks, the browser it needs, and encryption on it.
 */
#include "form2.h"

#include "appstate.h"
#include "hotlistwindowtest.h"
#include "statline.h"

#include <QtCore/QFileInfo>
#include <QtWidgets/QMenu>

using namespace Qt::StringLiterals;

using Form2Test = HotListWindowTest;

TEST_F(Form2Test, CloseAsksToSaveThenBeforeReplacing) {
    m_window->state().ActiveListKind = ListKind::ChosenList;
    m_dialogs.answer(Answer::Yes);
    EXPECT_TRUE(close(newList({u"/a/one.txt"_s, u"/b/two"_s})));
    const QString file = listFile(u"Hot List 1"_s);
    const QByteArray saved = ComplementedLine(u"/a/one.txt"_s) + ComplementedLine(u"/b/two"_s);
    EXPECT_EQ(readAll(file), saved);
    EXPECT_EQ(browserNames(), QStringList{u"Hot List 1.vexa"_s});
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::None);

    ASSERT_TRUE(m_platform.setAttributes(file, 1));
    const QStringList questions{kSaveQuestion + u"Hot List 1"_s, kReplaceQuestion};
    const struct {
        QList<Answer> answers;
        QByteArray content;
        quint32 readOnly;
    } closes[] = {
        {{Answer::No}, saved, 1},
        {{Answer::Yes, Answer::No}, saved, 1}, // a file the user kept keeps its read-only mark
        // Replacing takes the read-only mark off, so that the new list can be written.
        {{Answer::Yes, Answer::Yes}, ComplementedLine(u"/new"_s), 0},
    };
    for (const auto& c : closes) {
        SCOPED_TRACE(c.answers.size() + c.readOnly);
        m_dialogs.clear();
        Form2* window = newList({u"/new"_s});
        window->setWindowTitle(u"Hot List 1"_s);
        for (const Answer answer : c.answers)
            m_dialogs.answer(answer);
        EXPECT_TRUE(close(window));
        EXPECT_TRUE(hotLists().isEmpty());
        EXPECT_EQ(m_dialogs.texts(), questions.first(c.answers.size()));
        EXPECT_EQ(readAll(file), c.content);
        EXPECT_EQ(m_platform.attributes(file).value_or(9) & 1, c.readOnly);
    }
}

TEST_F(Form2Test, ASaveOnCloseThatFailsKeepsTheWindow) {
    Form2* window = newList({u"/a"_s});
    // A file where the list folder should be: the write fails.
    QDir(listFolder()).removeRecursively();
    makeFile(QDir(root()).relativeFilePath(listFolder()), QByteArray("x"));
    m_dialogs.answer(Answer::Yes);
    EXPECT_FALSE(close(window));
    ASSERT_EQ(m_dialogs.texts().size(), 2);
    EXPECT_TRUE(m_dialogs.texts().at(1).startsWith(listFile(u"Hot List 1"_s) + u"\r\n"_s));
    EXPECT_EQ(hotLists(), QList<Form2*>{window});
    EXPECT_EQ(window->entries(), QStringList{u"/a"_s});

    m_dialogs.answer(Answer::No);
    EXPECT_TRUE(close(window));
}

TEST_F(Form2Test, TheProgramsEndAsksEveryHotList) {
    newList({u"/a"_s});
    newList({u"/b"_s});
    for (const Answer answer : {Answer::Yes /* exit */, Answer::No, Answer::Yes})
        m_dialogs.answer(answer);
    triggerAction(u"Ending"_s);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{u" Do you really want  exit?"_s, kSaveQuestion + u"Hot List 1"_s,
                                              kSaveQuestion + u"Hot List 2"_s}));
    EXPECT_FALSE(QFile::exists(listFile(u"Hot List 1"_s)));
    EXPECT_EQ(readAll(listFile(u"Hot List 2"_s)), ComplementedLine(u"/b"_s));
}

TEST_F(Form2Test, RightClickEnablesRenameAndSaveAndAClickPicksTheList) {
    const QString file = makeFile(u"work/big.bin"_s, 1536);
    Form2* window = newList({file});
    QListWidget* List1 = window->chosenList();
    for (const QString& item : {u"Savelist"_s, u"RenameList"_s})
        m_window->menuItem(item)->setEnabled(false);
    m_window->state().ActiveListKind = ListKind::DirectoryFiles;
    QTest::mousePress(List1->viewport(), Qt::RightButton, {}, {5, 5});
    EXPECT_TRUE(m_window->popupMenu(u"munfile"_s)->isVisible());
    EXPECT_TRUE(m_window->menuItem(u"Savelist"_s)->isEnabled());
    EXPECT_TRUE(m_window->menuItem(u"RenameList"_s)->isEnabled());
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::DirectoryFiles);
    m_window->popupMenu(u"munfile"_s)->close();

    // A click shows the file and makes this the list worked in, but not while busy.
    const QPoint onEntry = List1->visualItemRect(List1->item(0)).center();
    m_window->state().Busy = true;
    QTest::mouseClick(List1->viewport(), Qt::LeftButton, {}, onEntry);
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::DirectoryFiles);
    EXPECT_NE(m_window->statusLine().lab3(), u"File Size : 1.50 K"_s);
    m_window->state().Busy = false;
    QTest::mouseClick(List1->viewport(), Qt::LeftButton, {}, onEntry);
    EXPECT_EQ(m_window->state().ActiveListKind, ListKind::ChosenList);
    EXPECT_EQ(m_window->statusLine().lab3(), u"File Size : 1.50 K"_s);
}

TEST_F(Form2Test, AClosedBrowserComesBackWithoutItsCheckMark) {
    Form2* window = newList({u"/a"_s});
    // Closed, the browser is reopened for the refresh when the list closes and shows the new file.
    triggerAction(u"MyHotLists"_s);
    ASSERT_FALSE(isChecked(u"MyHotLists"_s));
    m_dialogs.answer(Answer::Yes);
    close(window);
    ASSERT_NE(m_window->browser(), nullptr);
    EXPECT_TRUE(m_window->browser()->isVisible());
    EXPECT_EQ(browserNames(), QStringList{u"Hot List 1.vexa"_s});
    EXPECT_FALSE(isChecked(u"MyHotLists"_s));
}

TEST_F(Form2Test, EncryptionRunsOnAHotListWindow) {
    const QString plain = makeFile(u"work/letter.txt"_s, 100);
    const QString other = makeFile(u"work/other.txt"_s, 100);
    setPassword(u"secret1"_s);
    Form2* window = newList({plain, other});
    window->chosenList()->item(0)->setSelected(true);
    triggerAction(u"Enc1"_s);
    const QString encrypted = plain + u".vxp"_s;
    EXPECT_EQ(window->entries(), (QStringList{encrypted, other}));
    EXPECT_EQ(QFileInfo(encrypted).size(), 110);
    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_EQ(chooser()->chosenList()->count(), 0);
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
}
