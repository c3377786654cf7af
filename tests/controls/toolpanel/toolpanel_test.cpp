/*
 * Tests of the tool-bar control through its real buttons: clicks and presses and the events they
 * raise, with the state a handler sees; property writes; the level switch with a modal question
 * in the press handler; the layout; and property persistence.
 */
#include "toolpanel.h"

#include "propertybag.h"
#include "twips.h"

#include <QtCore/QMetaProperty>
#include <QtCore/QTimer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QGroupBox>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QToolButton>

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::StringLiterals;
using OrloTool::UserControl1;

namespace {

// kToggles[n - 1] is the button behind MMn, which raises Cn.
const QString kToggles[] = {u"ArchiveTool"_s, u"HiddenTool"_s, u"ReadTool"_s,  u"SysTool"_s,   u"ViewATool"_s,
                            u"ViewHTool"_s,   u"ViewNTool"_s,  u"ViewRTool"_s, u"ViewSTool"_s, u"LevelTool"_s};
const std::pair<QString, void (UserControl1::*)()> kClickEvents[] = {
    {u"C1"_s, &UserControl1::C1},   {u"C2"_s, &UserControl1::C2},   {u"C3"_s, &UserControl1::C3},
    {u"C4"_s, &UserControl1::C4},   {u"C11"_s, &UserControl1::C11}, {u"C12"_s, &UserControl1::C12},
    {u"C13"_s, &UserControl1::C13}, {u"C14"_s, &UserControl1::C14}, {u"C15"_s, &UserControl1::C15}};
const std::pair<QString, void (UserControl1::*)(short, short, float, float)> kPressEvents[] = {
    {u"C5"_s, &UserControl1::C5}, {u"C6"_s, &UserControl1::C6}, {u"C7"_s, &UserControl1::C7},
    {u"C8"_s, &UserControl1::C8}, {u"C9"_s, &UserControl1::C9}, {u"C10"_s, &UserControl1::C10}};

QByteArray mm(int n) {
    return "MM" + QByteArray::number(n);
}

class ToolPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_control.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_control));
        for (const auto& [name, event] : kClickEvents)
            QObject::connect(&m_control, event, &m_control, [this, name = name] { m_events << name; });
        for (const auto& [name, event] : kPressEvents)
            QObject::connect(&m_control, event, &m_control, [this, name = name] { m_events << name; });
    }

    QToolButton* tool(const QString& name) const { return m_control.findChild<QToolButton*>(name); }
    void click(const QString& name) { QTest::mouseClick(tool(name), Qt::LeftButton); }
    int state(int n) const { return m_control.property(mm(n)).toInt(); }

    UserControl1 m_control;
    QStringList m_events; // every event raised, by name, in order
};

TEST_F(ToolPanelTest, LayoutFollowsTheDesign) {
    // In tab order.
    const std::tuple<QString, int, QString> designs[] = {
        {u"EncTool"_s, 120, u"Encrypt Chosen File List"_s},    {u"EditTool"_s, 750, u"Edit Password"_s},
        {u"PerTool"_s, 1380, u"Edit Master Password"_s},       {u"HintTool"_s, 2010, u"Password Hint"_s},
        {u"LevelTool"_s, 2640, u"Change Security Level"_s},    {u"ArchiveTool"_s, 3270, u"Change Archive Attribute"_s},
        {u"HiddenTool"_s, 3900, u"Change Hidden Attribute"_s}, {u"ReadTool"_s, 4520, u"Change Read-only Attribute"_s},
        {u"SysTool"_s, 5150, u"Change System Attribute"_s},    {u"DecTool"_s, 5770, u"Decrypt Chosen File List"_s},
        {u"ViewATool"_s, 6420, u"View Archive Files"_s},       {u"ViewNTool"_s, 7070, u"View Normal Files"_s},
        {u"ViewHTool"_s, 7690, u"View Hidden Files"_s},        {u"ViewRTool"_s, 8330, u"View Read-only Files"_s},
        {u"ViewSTool"_s, 8980, u"View System Files"_s}};
    QWidget* focusChain = &m_control;
    QList<QImage> icons;
    for (const auto& [name, left, toolTip] : designs) {
        QToolButton* button = tool(name);
        ASSERT_NE(button, nullptr) << qPrintable(name);
        const int top = name == u"ViewNTool"_s ? 120 : 150;
        EXPECT_EQ(button->geometry(), twips::rect(left, top, 630, 640)) << qPrintable(name);
        EXPECT_EQ(button->toolTip(), toolTip);
        do
            focusChain = focusChain->nextInFocusChain();
        while (!qobject_cast<QToolButton*>(focusChain));
        EXPECT_EQ(focusChain, button) << "tab order at " << qPrintable(name);
        // Each button shows a 32 x 32 icon of its own.
        const QImage icon = button->icon().pixmap(button->iconSize()).toImage();
        EXPECT_EQ(icon.size(), QSize(32, 32)) << qPrintable(name);
        EXPECT_FALSE(icons.contains(icon)) << qPrintable(name);
        icons << icon;
    }
    // In pixels, 15 twips to one: the frame's top border lies above the control, ViewNTool two
    // pixels (30 twips) higher than its neighbours.
    EXPECT_EQ(m_control.sizeHint(), QSize(800, 58));
    EXPECT_EQ(m_control.findChild<QGroupBox*>(u"Frame1"_s)->geometry(), QRect(0, -3, 801, 59));
    EXPECT_EQ(tool(u"EncTool"_s)->geometry(), QRect(8, 10, 42, 43));
    EXPECT_EQ(tool(u"ViewNTool"_s)->geometry(), QRect(471, 8, 42, 43));
}

TEST_F(ToolPanelTest, ClicksRaiseTheirEventsAttributeTogglesAfterTheStateChanged) {
    for (const QString& name : {u"EncTool"_s, u"EditTool"_s, u"PerTool"_s, u"HintTool"_s, u"DecTool"_s})
        click(name);
    EXPECT_EQ(m_events, (QStringList{u"C15"_s, u"C11"_s, u"C12"_s, u"C13"_s, u"C14"_s}));

    for (int n = 1; n <= 4; ++n) {
        QList<int> seen; // the state the handler reads at each event
        const auto connection =
            QObject::connect(&m_control, kClickEvents[n - 1].second, &m_control, [&] { seen << state(n); });
        click(kToggles[n - 1]);
        click(kToggles[n - 1]);
        m_control.setProperty(mm(n), 2); // greyed: a click sets 0
        click(kToggles[n - 1]);
        EXPECT_EQ(seen, (QList<int>{1, 0, 2, 0})) << "MM" << n;
        QObject::disconnect(connection);
    }
}

TEST_F(ToolPanelTest, PressRaisesItsEventBeforeTheStateChangesAndOnlyALeftClickFlipsIt) {
    for (int n = 5; n <= 10; ++n) {
        QToolButton* button = tool(kToggles[n - 1]);
        const int before = state(n);
        const int after = before == 0 ? 1 : 0;
        std::tuple<short, short, float, float, int> seen{}; // the four values and the state read
        const auto connection = QObject::connect(&m_control, kPressEvents[n - 5].second, &m_control,
                                                 [&](short mouse, short shift, float x, float y) {
                                                     seen = {mouse, shift, x, y, state(n)};
                                                 });

        QTest::mousePress(button, Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(6, 9));
        EXPECT_EQ(seen, std::make_tuple(short(1), short(5), 90.0f, 135.0f, before)) << "MM" << n;
        EXPECT_EQ(state(n), before);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(6, 9));
        EXPECT_EQ(state(n), after);

        QTest::mouseClick(button, Qt::RightButton, Qt::ControlModifier, QPoint(1, 2));
        EXPECT_EQ(seen, std::make_tuple(short(2), short(2), 15.0f, 30.0f, after));
        QTest::mouseClick(button, Qt::MiddleButton, {}, QPoint(1, 2));
        EXPECT_EQ(std::get<0>(seen), 4);
        EXPECT_EQ(state(n), after) << "only a left click flips the state";
        QObject::disconnect(connection);
    }
}

TEST_F(ToolPanelTest, KeyboardClicksOnlyWhereTheContainerHearsOfThem) {
    QTest::keyClick(tool(u"ArchiveTool"_s), Qt::Key_Space);
    QTest::keyClick(tool(u"LevelTool"_s), Qt::Key_Space); // reports mouse presses only
    EXPECT_EQ(m_events, QStringList{u"C1"_s});
    EXPECT_EQ(state(1), 1);
    EXPECT_EQ(state(10), 0);
}

TEST_F(ToolPanelTest, StateWritesRaiseAttributeEventsOnlyWhenTheyChangeTheState) {
    QSignalSpy changed(&m_control, &UserControl1::propertyChanged);
    for (const int value : {1, 1, 2, 0}) {
        for (int n = 1; n <= 10; ++n)
            m_control.setProperty(mm(n), value);
    }
    // MM5 to MM10 raise nothing; a write of the same value raises nothing either.
    const QStringList round = {u"C1"_s, u"C2"_s, u"C3"_s, u"C4"_s};
    EXPECT_EQ(m_events, round + round + round);
    EXPECT_EQ(changed.count(), 40);
    EXPECT_EQ(changed.at(9).at(0).toString(), u"MM10"_s);

    // A value that is no state is refused: no change, no event, nothing to save.
    changed.clear();
    m_events.clear();
    m_control.setMM1(3);
    m_control.setMM5(-1);
    EXPECT_EQ(state(1), 0);
    EXPECT_EQ(state(5), 0);
    EXPECT_TRUE(m_events.isEmpty());
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ToolPanelTest, DisabledControlTakesNoInput) {
    QSignalSpy changed(&m_control, &UserControl1::propertyChanged);
    m_control.setProperty("Enabled", false);
    EXPECT_EQ(changed.value(0).value(0).toString(), u"Enabled"_s);
    for (QToolButton* button : m_control.findChildren<QToolButton*>())
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(m_events.isEmpty());
    EXPECT_EQ(state(5), 1);
    EXPECT_EQ(state(10), 0);
}

// The container's level switch: from low security it asks in a modal box, which takes the mouse
// release, and sets MM10 from the answer; from high security it sets MM10 = 1 and the release
// of the click turns it to 0.
TEST_F(ToolPanelTest, LevelSwitchKeepsTheStateItsModalQuestionGave) {
    int questions = 0;
    QMessageBox::StandardButton answer = QMessageBox::No;
    QObject::connect(&m_control, &UserControl1::C10, &m_control, [&] {
        if (m_control.MM10() == 1) {
            m_control.setMM10(1);
            return;
        }
        ++questions;
        QMessageBox box(QMessageBox::NoIcon, u"Level"_s, u"High security?"_s, QMessageBox::Yes | QMessageBox::No,
                        &m_control);
        QTimer::singleShot(0, &box, [&box, answer] { box.button(answer)->click(); });
        m_control.setMM10(box.exec() == QMessageBox::Yes ? 1 : 0);
    });

    click(u"LevelTool"_s);
    EXPECT_EQ(m_control.MM10(), 0);
    answer = QMessageBox::Yes;
    click(u"LevelTool"_s);
    EXPECT_EQ(m_control.MM10(), 1);
    click(u"LevelTool"_s);
    EXPECT_EQ(m_control.MM10(), 0);
    EXPECT_EQ(questions, 2);
}

TEST_F(ToolPanelTest, NewInstanceStartsInDesignStatesAndStoresNothing) {
    const auto expectDesignStates = [this] {
        EXPECT_EQ(m_control.alignment(), 0);
        EXPECT_TRUE(m_control.enabledFlag());
        for (int n = 1; n <= 10; ++n)
            EXPECT_EQ(state(n), n >= 5 && n <= 9 ? 1 : 0) << "MM" << n;
    };
    expectDesignStates();
    PropertyBag bag;
    m_control.writeProperties(bag);
    EXPECT_TRUE(bag.values().isEmpty());

    // The main window's instance keeps only MM1 = 0.
    m_control.readProperties(PropertyBag({{u"MM1"_s, 0}}));
    expectDesignStates();
    EXPECT_TRUE(m_events.isEmpty());
}

TEST_F(ToolPanelTest, PropertiesRoundTripStoringOnlyNonDefaults) {
    m_control.setAlignment(7);
    m_control.setMM3(2);
    m_control.setMM6(0);
    m_control.setMM10(1);
    m_control.setEnabledFlag(false);
    PropertyBag bag;
    m_control.writeProperties(bag);
    EXPECT_EQ(bag.values().keys(), (QStringList{u"Alignment"_s, u"Enabled"_s, u"MM10"_s, u"MM3"_s, u"MM6"_s}));

    UserControl1 restored;
    restored.readProperties(bag);
    const QMetaObject& meta = UserControl1::staticMetaObject;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const char* name = meta.property(i).name();
        EXPECT_EQ(restored.property(name), m_control.property(name)) << name;
    }
}

TEST_F(ToolPanelTest, RestoreAppliesAlignmentEnabledThenStatesInStoredOrder) {
    QStringList seen; // each event with Alignment, Enabled and MM5 as its handler reads them
    for (const auto& [name, event] : kClickEvents)
        QObject::connect(&m_control, event, &m_control, [&, name = name] {
            seen << u"%1 %2 %3 %4"_s.arg(name).arg(m_control.alignment()).arg(m_control.enabledFlag()).arg(state(5));
        });
    m_control.readProperties(PropertyBag({{u"Alignment"_s, 3},
                                          {u"Enabled"_s, false},
                                          {u"MM1"_s, 1},
                                          {u"MM2"_s, 1},
                                          {u"MM3"_s, 2},
                                          {u"MM4"_s, 1},
                                          {u"MM5"_s, 0},
                                          {u"MM10"_s, 7},
                                          {u"MM9"_s, u"x"_s}}));
    EXPECT_EQ(seen, (QStringList{u"C2 3 0 1"_s, u"C4 3 0 1"_s, u"C1 3 0 0"_s, u"C3 3 0 0"_s}));
    // Stored values that are no states are refused.
    EXPECT_EQ(state(10), 0);
    EXPECT_EQ(state(9), 1);

    // A missing value reads as its default.
    m_control.readProperties(PropertyBag());
    EXPECT_EQ(state(1), 0);
    EXPECT_EQ(state(5), 1);
    EXPECT_TRUE(m_control.enabledFlag());
}

} // namespace
