/*
 * The tool bar's attribute buttons in the main window: the value the four buttons give, the
 * selected entries of the chosen-file list and of the directory file list getting it, and what
 * happens without a selection or a list.
 */
#include "appstate.h"
#include "attributes.h"
#include "folderwindowtest.h"

#include <QtCore/QItemSelectionModel>
#include <QtWidgets/QListView>
#include <QtWidgets/QListWidget>

using namespace Qt::StringLiterals;

class AttributeCommandsTest : public FolderWindowTest {
protected:
    void SetUp() override {
        FolderWindowTest::SetUp();
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s})
            m_files.append(makeFile(u"work/"_s + name, QByteArray("text")));
        chooser()->refreshFiles();
        ASSERT_EQ(chooser()->fileCount(), 3);
    }

    QListWidget* List1() const { return chooser()->findChild<QListWidget*>(u"List1"_s); }

    // Selects the given rows of the list of that kind; the chosen-file list holds every file.
    void select(ListKind kind, std::initializer_list<int> rows) {
        auto* File1 = chooser()->findChild<QListView*>(u"File1"_s);
        if (kind == ListKind::ChosenList && List1()->count() == 0)
            List1()->addItems(m_files);
        for (int row : rows) {
            if (kind == ListKind::ChosenList)
                List1()->item(row)->setSelected(true);
            else
                File1->selectionModel()->select(File1->model()->index(row, 0), QItemSelectionModel::Select);
        }
        m_window->state().ActiveListKind = kind;
    }

    // Brings the buttons (archive, hidden, read-only, system) to these states with a click on
    // the System button, the way the user presses the last one; the others are set while Busy,
    // so that they apply nothing.
    void pressButtons(bool archive, bool hidden, bool readOnly, bool system) {
        OrloTool::UserControl1& tools = m_window->toolPanel();
        m_window->state().Busy = true;
        tools.setMM1(archive ? 1 : 0);
        tools.setMM2(hidden ? 1 : 0);
        tools.setMM3(readOnly ? 1 : 0);
        tools.setMM4(system ? 0 : 1);
        m_window->state().Busy = false;
        QTest::mouseClick(toolButton(u"SysTool"_s), Qt::LeftButton);
    }

    QList<quint32> attributesOfFiles() const {
        QList<quint32> values;
        for (const QString& file : m_files)
            values.append(m_platform.attributes(file).value_or(0xFFFF));
        return values;
    }

    QStringList m_files;
};

TEST_F(AttributeCommandsTest, SelectedFilesGetExactlyTheButtonsAttributes) {
    const struct {
        bool archive, hidden, readOnly, system;
        quint32 value;
    } cases[] = {{true, true, true, false, 35}, {false, false, false, false, 0}, {false, true, false, true, 6}};
    for (const ListKind kind : {ListKind::ChosenList, ListKind::DirectoryFiles}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << int(kind) << " " << c.value);
            // b.txt, not selected, keeps a value no case gives.
            for (const QString& file : m_files)
                ASSERT_TRUE(m_platform.setAttributes(file, Attr::Hidden | Attr::Archive));
            select(kind, {0, 2});
            pressButtons(c.archive, c.hidden, c.readOnly, c.system);
            EXPECT_EQ(m_window->state().ToolbarAttributes, c.value);
            EXPECT_EQ(attributesOfFiles(), (QList<quint32>{c.value, Attr::Hidden | Attr::Archive, c.value}));
            EXPECT_TRUE(m_dialogs.boxes().isEmpty());
        }
    }
}

TEST_F(AttributeCommandsTest, WithoutASelectionOrAListNothingChanges) {
    const std::pair<ListKind, QStringList> cases[] = {
        {ListKind::ChosenList, {u"Please select file(s)"_s}},
        {ListKind::DirectoryFiles, {}},
        {ListKind::None, {u"Click the list  then change attribute"_s}},
    };
    for (const auto& [kind, messages] : cases) {
        SCOPED_TRACE(int(kind));
        m_dialogs.clear();
        select(kind, {});
        pressButtons(true, true, true, true);
        EXPECT_EQ(m_dialogs.texts(), messages);
        EXPECT_EQ(attributesOfFiles(), (QList<quint32>{Attr::Normal, Attr::Normal, Attr::Normal}));
        EXPECT_EQ(m_window->state().ActiveListKind, kind);
    }
}

TEST_F(AttributeCommandsTest, AFileThatCannotTakeThemIsPassedOver) {
    // The first selected entry names a file that is gone; the one after it is still set.
    List1()->addItems({path(u"work/gone.txt"_s), m_files[1]});
    select(ListKind::ChosenList, {0, 1});
    pressButtons(true, false, true, false);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(m_platform.attributes(m_files[1]), Attr::Archive | Attr::ReadOnly);
}
