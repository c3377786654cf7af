/* The attribute buttons' command over fake bars, a hosted list window and a fake chooser. */
#include "app/folders/attributecommands.h"

#include "app/core/appstate.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/fakeroles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"

namespace {

constexpr quint32 H = Attr::Hidden;

class AttributeCommandsTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s})
            m_files.append(makeFile(u"work/"_s + name, QByteArray("text")));
        m_listWindow.files.append(m_files);
        m_host.host.show(m_listWindow);
    }
    // Gives every file the same start value, selects the given rows of the chosen-file list and
    // applies the pressed buttons to the list last worked in.
    void apply(ListKind kind, quint8 pressed, std::initializer_list<int> chosenRows) {
        for (const QString& file : m_files)
            ASSERT_TRUE(m_platform.setAttributes(file, H));
        m_listWindow.files.clearSelection();
        for (int row : chosenRows)
            m_listWindow.files.setSelected(row, true);
        m_dialogs.clear();
        m_state.activeListKind = kind;
        m_bars.pressed = pressed;
        AttributeCommands(m_state, m_dialogs, m_platform, m_bars, m_host.host, [this]() -> FileChooser* {
            return m_chooserOpen ? &m_chooser : nullptr;
        }).applyToolbarAttributes();
    }
    QList<quint32> attributes() {
        QList<quint32> values;
        for (const QString& file : m_files)
            values.append(m_platform.attributes(file).value_or(~0u));
        return values;
    }

    AppState m_state;
    ScriptedDialogs m_dialogs;
    LinuxPlatform m_platform;
    RecordingBars m_bars;
    TestHostWindow m_host;
    ListWindow m_listWindow;
    FakeChooser m_chooser;
    bool m_chooserOpen = true;
    QStringList m_files;
};

} // namespace

TEST_F(AttributeCommandsTest, TheListLastWorkedInTakesTheButtonsValue) {
    // The chosen-file list has a and c selected, the chooser's file list b and d.
    m_chooser.selected = {m_files[1], m_files[3]};
    const std::tuple<ListKind, quint8, QList<quint32>> cases[] = {
        {ListKind::ChosenList, Attr::Archive | Attr::ReadOnly | Attr::System, {37, H, 37, H}},
        {ListKind::DirectoryFiles, Attr::Archive | Attr::Hidden, {H, 34, H, 34}},
        {ListKind::DirectoryFiles, Attr::Normal, {H, 0, H, 0}},
        {ListKind::None, Attr::Archive, {H, H, H, H}},
    };
    for (const auto& [kind, pressed, expected] : cases) {
        SCOPED_TRACE(testing::Message() << int(kind) << " " << int(pressed));
        apply(kind, pressed, {0, 2});
        EXPECT_EQ(attributes(), expected);
        EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    }
}

TEST_F(AttributeCommandsTest, NothingToGiveTheValueTo) {
    // Nothing selected in the chosen-file list: the user is told.
    apply(ListKind::ChosenList, Attr::Archive, {});
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Please select file(s)"_s});
    // An active child window without a chosen-file list, and the chooser closed: silently nothing.
    QWidget plain;
    m_host.host.show(plain);
    apply(ListKind::ChosenList, Attr::Archive, {0});
    m_chooserOpen = false;
    apply(ListKind::DirectoryFiles, Attr::Archive, {0});
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(attributes(), (QList<quint32>{H, H, H, H}));
}

TEST_F(AttributeCommandsTest, ANameThatCannotBeReadIsRefusedAndTheOthersStillTakeTheValue) {
    // "x" + 0xFF shows as "x" + U+FFFD, which is the name of another file.
    const QString shown = makeRawFile("work/x\xFF");
    ASSERT_EQ(shown, path(u"work/x\uFFFD"_s));
    makeFile(u"work/x\uFFFD"_s, QByteArray("other"));
    ASSERT_TRUE(m_platform.setAttributes(shown, H));
    m_listWindow.files.append({shown});
    m_chooser.selected = {m_files[0], shown, m_files[1]};
    for (const ListKind kind : {ListKind::ChosenList, ListKind::DirectoryFiles}) {
        SCOPED_TRACE(int(kind));
        apply(kind, Attr::Archive, {0, 1, 4}); // a, b and the unreadable name
        EXPECT_EQ(m_dialogs.texts(),
                  QStringList{u"The name of "_s + shown + u" can't be read correctly. Please rename it."_s});
        EXPECT_EQ(attributes(), (QList<quint32>{Attr::Archive, Attr::Archive, H, H}));
        EXPECT_EQ(m_platform.attributes(shown), H);
    }
}
