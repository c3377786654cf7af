/* The attribute buttons' command over fake bars, a hosted list window and a fake chooser. */
#include "app/folders/attributecommands.h"

#include "app/core/appstate.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/fakeroles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class AttributeCommandsTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s})
            m_files.append(makeFile(u"work/"_s + name, QByteArray("text")));
        m_listWindow.files.append(m_files);
        m_host.host.show(m_listWindow);
    }
    void apply() {
        AttributeCommands(m_state, m_dialogs, m_platform, m_bars, m_host.host, [this]() -> FileChooser* {
            return m_chooserOpen ? &m_chooser : nullptr;
        }).applyToolbarAttributes();
    }
    // Gives every file the same start value, then selects the given rows of the chosen-file list.
    void reset(std::initializer_list<int> chosenRows) {
        for (const QString& file : m_files)
            ASSERT_TRUE(m_platform.setAttributes(file, Attr::Hidden));
        m_listWindow.files.clearSelection();
        for (int row : chosenRows)
            m_listWindow.files.setSelected(row, true);
        m_dialogs.clear();
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

TEST_F(AttributeCommandsTest, TheListLastWorkedInTakesTheButtonsValue) {
    // The chosen-file list has a and c selected, the chooser's file list b and d.
    m_chooser.selected = {m_files[1], m_files[3]};
    constexpr quint32 H = Attr::Hidden;
    const std::tuple<ListKind, quint8, QList<quint32>> cases[] = {
        {ListKind::ChosenList, Attr::Archive | Attr::ReadOnly | Attr::System, {37, H, 37, H}},
        {ListKind::ChosenList, Attr::Normal, {0, H, 0, H}},
        {ListKind::DirectoryFiles, Attr::Archive | Attr::Hidden, {H, 34, H, 34}},
        {ListKind::DirectoryFiles, Attr::Normal, {H, 0, H, 0}},
        {ListKind::None, Attr::Archive, {H, H, H, H}},
    };
    for (const auto& [kind, pressed, expected] : cases) {
        SCOPED_TRACE(testing::Message() << int(kind) << " " << int(pressed));
        reset({0, 2});
        m_state.activeListKind = kind;
        m_bars.pressed = pressed;
        apply();
        EXPECT_EQ(attributes(), expected);
        EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    }
    // The buttons are only read: they keep what they showed.
    EXPECT_EQ(m_bars.attributes, 0);
}

TEST_F(AttributeCommandsTest, NothingToGiveTheValueTo) {
    m_bars.pressed = Attr::Archive;
    constexpr quint32 H = Attr::Hidden;
    // Nothing selected in the chosen-file list: the user is told.
    reset({});
    m_state.activeListKind = ListKind::ChosenList;
    apply();
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Please select file(s)"_s});
    // An active child window without a chosen-file list, and the chooser closed: silently nothing.
    QWidget plain;
    m_host.host.show(plain);
    reset({0});
    apply();
    m_state.activeListKind = ListKind::DirectoryFiles;
    m_chooserOpen = false;
    apply();
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(attributes(), (QList<quint32>{H, H, H, H}));
}

TEST_F(AttributeCommandsTest, ANameThatCannotBeReadIsRefusedAndTheOthersStillTakeTheValue) {
    // "x" + 0xFF shows as "x" + U+FFFD, which is the name of another file.
    const QByteArray stray = QFile::encodeName(path(u"work/"_s)) + "x\xFF";
    ASSERT_EQ(::close(::open(stray.constData(), O_CREAT | O_WRONLY, 0600)), 0);
    const QString shown = makeFile(u"work/x\uFFFD"_s, QByteArray("other"));
    ASSERT_TRUE(m_platform.setAttributes(shown, Attr::Hidden));
    const QString refusal = u"The name of "_s + shown + u" can't be read correctly. Please rename it."_s;
    m_bars.pressed = Attr::Archive;
    m_listWindow.files.append({shown});
    m_chooser.selected = {m_files[0], shown, m_files[1]};
    for (const ListKind kind : {ListKind::ChosenList, ListKind::DirectoryFiles}) {
        SCOPED_TRACE(int(kind));
        reset({0, 1, 4}); // a, b and the unreadable name
        m_state.activeListKind = kind;
        apply();
        EXPECT_EQ(m_dialogs.texts(), QStringList{refusal});
        EXPECT_EQ(attributes(), (QList<quint32>{Attr::Archive, Attr::Archive, Attr::Hidden, Attr::Hidden}));
        EXPECT_EQ(m_platform.attributes(shown), quint32(Attr::Hidden));
    }
    ::unlink(stray.constData());
}
