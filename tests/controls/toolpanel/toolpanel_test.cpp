/*
 * Tests of the tool-bar control: events and the state their handlers see, writes, persistence, and
 * the state a screen reader hears.
 */
#include "controls/toolpanel/toolpanel.h"

#include "common/propertybag.h"

#include <QtGui/QAccessible>
#include <QtTest/QSignalSpy>
#include <QtTest/QTest>
#include <QtWidgets/QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using OrloTool::UserControl1;

// kToggles[n - 1] is the button behind MMn, which raises Cn.
const QString kToggles[] = {u"ArchiveTool"_s, u"HiddenTool"_s, u"ReadTool"_s,  u"SysTool"_s,   u"ViewATool"_s,
                            u"ViewHTool"_s,   u"ViewNTool"_s,  u"ViewRTool"_s, u"ViewSTool"_s, u"LevelTool"_s};

class ToolPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_control.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_control));
        const auto listen = [this](auto... e) {
            (QObject::connect(&m_control, e, &m_control,
                              [this, e] { record(QMetaMethod::fromSignal(e).name().mid(1).toInt()); }),
             ...);
        };
        listen(&UserControl1::C1, &UserControl1::C2, &UserControl1::C3, &UserControl1::C4, &UserControl1::C5,
               &UserControl1::C6, &UserControl1::C7, &UserControl1::C8, &UserControl1::C9, &UserControl1::C10,
               &UserControl1::C11, &UserControl1::C12, &UserControl1::C13, &UserControl1::C14, &UserControl1::C15);
    }

    // Notes "C1=1" for C1 raised while MM1 = 1: what its handler reads (C11 to C15 have no state).
    void record(int n) { m_events << u"C%1=%2"_s.arg(n).arg(n <= 10 ? state(n) : 0); }
    QToolButton* tool(const QString& name) const { return m_control.findChild<QToolButton*>(name); }
    int state(int n) const { return m_control.property(mm(n)).toInt(); }
    static QByteArray mm(int n) { return "MM" + QByteArray::number(n); }

    UserControl1 m_control;
    QStringList m_events;
};

// A write changing MM1 to MM4 raises C1 to C4 once, no other write raises anything. Attribute toggles
// raise theirs after a click changed the state; view and level buttons on the press, before it.
TEST_F(ToolPanelTest, EventsComeWithTheStateTheirHandlersMustSee) {
    QSignalSpy changed(&m_control, &UserControl1::propertyChanged);
    QStringList expected{u"C15=0"_s, u"C11=0"_s, u"C12=0"_s, u"C13=0"_s, u"C14=0"_s};
    for (const QString& name : {u"EncTool"_s, u"EditTool"_s, u"PerTool"_s, u"HintTool"_s, u"DecTool"_s})
        QTest::mouseClick(tool(name), Qt::LeftButton);
    QSignalSpy press(&m_control, &UserControl1::C5);
    // Writes; a left click; attribute toggles greyed and clicked, the others right-clicked.
    for (int n = 1; n <= 10; ++n) {
        for (const int value : {1, 1, 2, 0})
            m_control.setProperty(mm(n), value);
        QToolButton* button = tool(kToggles[n - 1]);
        QTest::mousePress(button, Qt::LeftButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(6, 9));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(6, 9));
        if (n <= 4)
            m_control.setProperty(mm(n), 2);
        QTest::mouseClick(button, n <= 4 ? Qt::LeftButton : Qt::RightButton, Qt::ControlModifier, QPoint(1, 2));
        const QString c = u"C%1="_s.arg(n);
        expected << (n <= 4 ? QStringList{c + u'1', c + u'2', c + u'0', c + u'1', c + u'2', c + u'0'}
                            : QStringList{c + u'0', c + u'1'});
    }
    EXPECT_EQ(press, (QList<QVariantList>{{short(1), short(5), 90.0f, 135.0f}, {short(2), short(2), 15.0f, 30.0f}}));
    m_control.setMM1(3); // no state: refused, no event, nothing to save
    m_control.setMM5(-1);
    m_control.setProperty("Enabled", false); // a disabled control takes no input
    for (QToolButton* button : m_control.findChildren<QToolButton*>())
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(m_events, expected);
    EXPECT_EQ(changed.count(), 45) << "every state written and Enabled, nothing for a click";
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(state(n), n <= 4 ? 0 : 1) << n;
}

// A press or click its handler refuses completes nothing; the refusal holds for that one only.
// Attribute toggles are asked about mouse and keyboard clicks alike, never about writes.
TEST_F(ToolPanelTest, RefusedClickKeepsTheButtonsState) {
    bool refuse = false;
    QList<short> asked;
    QObject::connect(&m_control, &UserControl1::C7, &m_control, [&] {
        if (refuse)
            m_control.refuseClick();
    });
    QObject::connect(&m_control, &UserControl1::attributeClickRequested, &m_control, [&](short n) {
        asked << n;
        if (refuse)
            m_control.refuseClick();
    });
    // The button behind MMn, whether its click is refused, made with the Space key, and MMn after it.
    const std::tuple<int, bool, bool, int> clicks[] = {
        {7, true, false, 1}, {7, false, false, 0}, {7, true, false, 0}, {1, true, false, 0}, {1, false, false, 1},
        {1, true, false, 1}, {4, true, true, 0},   {4, false, true, 1}, {4, true, true, 1},
    };
    for (const auto& [n, refused, byKey, after] : clicks) {
        refuse = refused;
        QToolButton* button = tool(kToggles[n - 1]);
        if (byKey)
            QTest::keyClick(button, Qt::Key_Space);
        else
            QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(state(n), after) << n << " refused " << refused << " by key " << byKey;
    }
    m_control.setMM2(1); // refusal still on: a write is no click
    EXPECT_EQ(asked, (QList<short>{1, 1, 1, 4, 4, 4}));
    EXPECT_EQ(m_events, (QStringList{u"C7=1"_s, u"C7=1"_s, u"C7=0"_s, u"C1=1"_s, u"C4=1"_s, u"C2=1"_s}));
}

// Alignment, Enabled, MM2, MM4, MM5 to MM10, MM1 and MM3 come back in that order: C2 and C1 read the first.
TEST_F(ToolPanelTest, PropertiesRoundTripInTheirRestoringOrder) {
    QVariantMap stored{{u"Alignment"_s, 3}, {u"Enabled"_s, false}};
    for (const auto& [n, value] : {std::pair(1, 1), {2, 1}, {3, 2}, {4, 1}, {5, 0}, {10, 1}})
        stored.insert(QString::fromLatin1(mm(n)), value);
    const PropertyBag bag(stored);
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

    m_control.readProperties(PropertyBag({{u"MM9"_s, u"x"_s}, {u"MM10"_s, 7}}));
    EXPECT_EQ(std::pair(state(9), state(10)), std::pair(1, 1)) << "stored values that are no states are refused";
    m_control.readProperties(PropertyBag());
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(state(n), n >= 5 && n <= 9 ? 1 : 0) << "the view buttons start down, the rest up: MM" << n;
        // A screen reader hears whether a toggle is down.
        const QAccessible::State heard = QAccessible::queryAccessibleInterface(tool(kToggles[n - 1]))->state();
        EXPECT_TRUE(heard.checkable && bool(heard.checked) == (state(n) == 1)) << "MM" << n;
    }
    EXPECT_EQ(std::pair(m_control.alignment(), m_control.enabledFlag()), std::pair(qint16(0), true));
}
