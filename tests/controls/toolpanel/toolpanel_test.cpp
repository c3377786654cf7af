/*
 * Tests of the tool-bar control through its real buttons: the events clicks and presses raise and
 * the state a handler sees; property writes; the level switch with a modal question in the press
 * handler; the layout; and property persistence.
 */
#include "toolpanel.h"

#include "propertybag.h"

#include <QtCore/QTimer>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
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
            QObject::connect(&m_control, event, &m_control, [this, name = name] { record(name); });
        for (const auto& [name, event] : kPressEvents)
            QObject::connect(&m_control, event, &m_control, [this, name = name](short b, short s, float x, float y) {
                record(name);
                m_press = {b, s, x, y};
            });
    }

    // Notes an event, with the state of its own toggle (Cn goes with MMn) as its handler reads it.
    void record(const QString& name) {
        const int n = name.mid(1).toInt();
        m_events << (n <= 10 ? u"%1=%2"_s.arg(name).arg(state(n)) : name);
    }
    QToolButton* tool(const QString& name) const { return m_control.findChild<QToolButton*>(name); }
    void click(const QString& name) { QTest::mouseClick(tool(name), Qt::LeftButton); }
    int state(int n) const { return m_control.property(mm(n)).toInt(); }

    UserControl1 m_control;
    QStringList m_events;                           // every event raised, in order: "C1=1" is C1 raised with MM1 = 1
    std::tuple<short, short, float, float> m_press; // the values of the last press event
};

TEST_F(ToolPanelTest, ButtonsShowIconsOfTheirOwnAtTheirPlaces) {
    QList<QImage> icons;
    for (QToolButton* button : m_control.findChildren<QToolButton*>()) {
        const QImage icon = button->icon().pixmap(button->iconSize()).toImage();
        EXPECT_EQ(icon.size(), QSize(32, 32)) << qPrintable(button->objectName());
        EXPECT_FALSE(icons.contains(icon)) << qPrintable(button->objectName());
        icons << icon;
    }
    EXPECT_EQ(icons.size(), 15);
    EXPECT_EQ(tool(u"EncTool"_s)->geometry(), QRect(8, 10, 42, 43));
    EXPECT_EQ(tool(u"ViewNTool"_s)->geometry(), QRect(471, 8, 42, 43)); // 30 twips higher than the others
    EXPECT_EQ(tool(u"DecTool"_s)->toolTip(), u"Decrypt Chosen File List"_s);
}

TEST_F(ToolPanelTest, ClicksRaiseTheirEventsAttributeTogglesAfterTheStateChanged) {
    for (const QString& name : {u"EncTool"_s, u"EditTool"_s, u"PerTool"_s, u"HintTool"_s, u"DecTool"_s})
        click(name);
    EXPECT_EQ(m_events, (QStringList{u"C15"_s, u"C11"_s, u"C12"_s, u"C13"_s, u"C14"_s}));

    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        m_events.clear();
        click(kToggles[n - 1]);
        click(kToggles[n - 1]);
        m_control.setProperty(mm(n), 2); // greyed: a click sets 0
        click(kToggles[n - 1]);
        const QString c = u"C%1="_s.arg(n);
        EXPECT_EQ(m_events, (QStringList{c + u'1', c + u'0', c + u'2', c + u'0'}));
    }

    // Space clicks a button only where the container hears of it: LevelTool reports presses only.
    m_events.clear();
    QTest::keyClick(tool(u"ArchiveTool"_s), Qt::Key_Space);
    QTest::keyClick(tool(u"LevelTool"_s), Qt::Key_Space);
    EXPECT_EQ(m_events, QStringList{u"C1=1"_s});
    EXPECT_EQ(state(10), 0);
}

TEST_F(ToolPanelTest, PressRaisesItsEventBeforeTheStateChangesAndOnlyALeftClickFlipsIt) {
    for (int n = 5; n <= 10; ++n) {
        SCOPED_TRACE(n);
        QToolButton* button = tool(kToggles[n - 1]);
        const int before = state(n);
        const int after = before == 0 ? 1 : 0;
        m_events.clear();
        QTest::mousePress(button, Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(6, 9));
        EXPECT_EQ(m_press, std::make_tuple(short(1), short(5), 90.0f, 135.0f));
        EXPECT_EQ(state(n), before);
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(6, 9));
        EXPECT_EQ(state(n), after);

        QTest::mouseClick(button, Qt::RightButton, Qt::ControlModifier, QPoint(1, 2));
        EXPECT_EQ(m_press, std::make_tuple(short(2), short(2), 15.0f, 30.0f));
        EXPECT_EQ(state(n), after) << "only a left click flips the state";
        EXPECT_EQ(m_events, (QStringList{u"C%1=%2"_s.arg(n).arg(before), u"C%1=%2"_s.arg(n).arg(after)}));
    }
}

TEST_F(ToolPanelTest, WritesRaiseAttributeEventsOnlyWhenTheyChangeTheState) {
    QSignalSpy changed(&m_control, &UserControl1::propertyChanged);
    for (const int value : {1, 1, 2, 0}) {
        for (int n = 1; n <= 10; ++n)
            m_control.setProperty(mm(n), value);
    }
    // MM5 to MM10 raise nothing; a write of the same value raises nothing either.
    QStringList expected;
    for (const int value : {1, 2, 0})
        for (int n = 1; n <= 4; ++n)
            expected << u"C%1=%2"_s.arg(n).arg(value);
    EXPECT_EQ(m_events, expected);
    EXPECT_EQ(changed.count(), 40);
    EXPECT_EQ(changed.at(9).at(0).toString(), u"MM10"_s);

    // A value that is no state is refused: no change, no event, nothing to save.
    m_control.setMM1(3);
    m_control.setMM5(-1);
    EXPECT_EQ(state(1), 0);
    EXPECT_EQ(state(5), 0);
    EXPECT_EQ(m_events.size(), 12);
    EXPECT_EQ(changed.count(), 40);

    // A disabled control takes no input.
    m_control.setProperty("Enabled", false);
    EXPECT_EQ(changed.value(40).value(0).toString(), u"Enabled"_s);
    for (QToolButton* button : m_control.findChildren<QToolButton*>())
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(m_events.size(), 12);
    EXPECT_EQ(state(10), 0);
}

// The container's level switch: from low security it asks in a modal box, which takes the mouse
// release, and sets MM10 from the answer; from high security it sets MM10 = 1 and the release
// of the click turns it to 0.
TEST_F(ToolPanelTest, LevelSwitchKeepsTheStateItsModalQuestionGave) {
    QMessageBox::StandardButton answer = QMessageBox::No;
    QObject::connect(&m_control, &UserControl1::C10, &m_control, [&] {
        if (m_control.MM10() == 1) {
            m_control.setMM10(1);
            return;
        }
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
}

TEST_F(ToolPanelTest, PropertiesRoundTripInTheirRestoringOrderStoringOnlyNonDefaults) {
    UserControl1 saved;
    PropertyBag bag;
    saved.writeProperties(bag);
    EXPECT_TRUE(bag.values().isEmpty()) << "a new instance stores nothing";
    saved.setAlignment(3);
    saved.setEnabledFlag(false);
    for (const auto& [n, value] : {std::pair(1, 1), {2, 1}, {3, 2}, {4, 1}, {5, 0}, {10, 1}})
        saved.setProperty(mm(n), value);
    saved.writeProperties(bag);
    EXPECT_EQ(bag.values().keys(),
              (QStringList{u"Alignment"_s, u"Enabled"_s, u"MM1"_s, u"MM10"_s, u"MM2"_s, u"MM3"_s, u"MM4"_s, u"MM5"_s}));

    // Alignment and Enabled come first, then MM2, MM4, MM5 to MM10, MM1 and MM3: the handlers of C2
    // and C1 read Alignment, Enabled and MM5.
    QStringList seen;
    for (const auto event : {&UserControl1::C2, &UserControl1::C1})
        QObject::connect(&m_control, event, &m_control, [&] {
            seen << u"%1 %2 %3"_s.arg(m_control.alignment()).arg(m_control.enabledFlag()).arg(state(5));
        });
    m_control.readProperties(bag);
    EXPECT_EQ(m_events, (QStringList{u"C2=1"_s, u"C4=1"_s, u"C1=1"_s, u"C3=2"_s}));
    EXPECT_EQ(seen, (QStringList{u"3 0 1"_s, u"3 0 0"_s}));
    PropertyBag again;
    m_control.writeProperties(again);
    EXPECT_EQ(again.values(), bag.values());

    // Stored values that are no states are refused; missing values read as the defaults.
    m_control.readProperties(PropertyBag({{u"MM9"_s, u"x"_s}, {u"MM10"_s, 7}}));
    EXPECT_EQ(state(10), 1);
    EXPECT_EQ(state(9), 1);
    m_control.readProperties(PropertyBag());
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(state(n), n >= 5 && n <= 9 ? 1 : 0) << "the view buttons start down, the rest up: MM" << n;
    EXPECT_EQ(m_control.alignment(), 0);
    EXPECT_TRUE(m_control.enabledFlag());
}

} // namespace
