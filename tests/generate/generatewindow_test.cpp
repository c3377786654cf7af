/*
 * The generator's window driven through its widgets: the start state, "&Generate", the length
 * box and its spinner, tab order, tool tips and "&Close".
 */
#include "generatewindow.h"
#include "testsources.h"

#include <QtGui/QWheelEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QScrollBar>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

class GenerateWindow : public ::testing::Test {
protected:
    void open(std::unique_ptr<UniformSource> source = std::make_unique<SeededSource>()) {
        m_window = std::make_unique<Generate>(std::move(source));
        m_window->show();
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    template <typename Widget> Widget* child(const QString& name) const {
        auto* widget = m_window->findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QLineEdit* box(int index) const { return child<QLineEdit>(u"Text1_%1"_s.arg(index)); }
    QLineEdit* lengthBox() const { return child<QLineEdit>(u"combo1"_s); }
    QScrollBar* spinner() const { return child<QScrollBar>(u"VScroll1"_s); }
    void generate() const { QTest::mouseClick(child<QPushButton>(u"Command1"_s), Qt::LeftButton); }

    // How the typed length is handed over: by a key, or by clicking the sixth password box.
    enum class Leave { Return, Enter, Tab, Click };

    void typeLength(const QString& text, Leave leave) const {
        lengthBox()->setFocus();
        lengthBox()->selectAll();
        QTest::keyClicks(lengthBox(), text);
        switch (leave) {
        case Leave::Return:
            return QTest::keyClick(lengthBox(), Qt::Key_Return);
        case Leave::Enter:
            return QTest::keyClick(lengthBox(), Qt::Key_Enter);
        case Leave::Tab:
            return QTest::keyClick(lengthBox(), Qt::Key_Tab);
        case Leave::Click:
            return QTest::mouseClick(box(5), Qt::LeftButton);
        }
    }

    std::unique_ptr<Generate> m_window;
};

TEST_F(GenerateWindow, StartsWithOneDigitPasswords) {
    open();
    EXPECT_EQ(m_window->objectName(), u"Generate"_s);
    EXPECT_EQ(m_window->windowTitle(), u"Vexa Password ( Generator )"_s);
    EXPECT_FALSE(m_window->windowIcon().isNull());
    EXPECT_TRUE(child<QRadioButton>(u"Numbers"_s)->isChecked());
    EXPECT_EQ(spinner()->value(), 1);
    EXPECT_EQ(lengthBox()->text(), u"1"_s);

    generate();
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(box(i)->text().size(), 1);
        EXPECT_TRUE(box(i)->text().front().isDigit());
        EXPECT_EQ(box(i)->toolTip(), box(i)->text());
        EXPECT_TRUE(box(i)->font().bold());
        EXPECT_EQ(box(i)->palette().color(QPalette::Base).red(), i % 2 == 0 ? 192 : 224);
    }
}

TEST_F(GenerateWindow, EachPressReplacesAllTenWithTheSelectedKind) {
    auto scripted = std::make_unique<ScriptedSource>();
    ScriptedSource& source = *scripted;
    open(std::move(scripted));
    for (int i = 0; i < 10; ++i)
        source.add({hundredths(10 * i)});
    generate();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(box(i)->text(), QString::number(i));

    QTest::mouseClick(child<QRadioButton>(u"Capital"_s), Qt::LeftButton);
    typeLength(u"2"_s, Leave::Return);
    for (int i = 0; i < 10; ++i)
        source.add({hundredths(i), hundredths(25)});
    generate();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(box(i)->text(), PasswordGenerator::Upper[i] + u"Z"_s);
    EXPECT_EQ(source.remaining(), 0);

    // A password edited by hand shows in the tool tip too.
    box(3)->setFocus();
    QTest::keyClicks(box(3), u"!"_s);
    EXPECT_EQ(box(3)->toolTip(), box(3)->text());
}

TEST_F(GenerateWindow, AppliesTheTypedLength) {
    const struct {
        QString typed;
        Leave leave;
        int length;
        QString shown;
        QString focus; // where the focus is afterwards
    } cases[] = {
        {u"12"_s, Leave::Return, 12, u"12"_s, u"Command1"_s},
        {u"9"_s, Leave::Enter, 9, u"9"_s, u"Command1"_s},
        {u"12abc"_s, Leave::Return, 12, u"12"_s, u"Command1"_s},
        {u"2.5"_s, Leave::Return, 2, u"2"_s, u"Command1"_s},
        {u"300"_s, Leave::Return, 255, u"255"_s, u"combo1"_s},
        {u"255.5"_s, Leave::Return, 255, u"255"_s, u"combo1"_s},
        {u"0"_s, Leave::Return, 5, u"0"_s, u"combo1"_s},
        {u"abc"_s, Leave::Return, 5, u"abc"_s, u"combo1"_s},
        {u"-4"_s, Leave::Return, 5, u"-4"_s, u"combo1"_s},
        // Leaving the box applies it as Enter does.
        {u"7"_s, Leave::Click, 7, u"7"_s, u"Command1"_s},
        {u"abc"_s, Leave::Click, 5, u"abc"_s, u"Text1_5"_s},
        {u"8"_s, Leave::Tab, 8, u"8"_s, u"Command1"_s},
        {u"x"_s, Leave::Tab, 5, u"x"_s, u"Command1"_s},
    };
    open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString() + ' ' + std::to_string(int(c.leave)));
        spinner()->setValue(5);
        typeLength(c.typed, c.leave);
        EXPECT_EQ(spinner()->value(), c.length);
        EXPECT_EQ(lengthBox()->text(), c.shown);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName().toStdString(), c.focus.toStdString());
    }
}

TEST_F(GenerateWindow, SpinnerArrowsShowAroundTheLengthBox) {
    open();
    const QRect bar = spinner()->geometry();
    const QRect lengthRect = lengthBox()->geometry();
    const QPoint above(bar.center().x(), (bar.top() + lengthRect.top()) / 2);
    const QPoint below(bar.center().x(), (lengthRect.bottom() + bar.bottom()) / 2);
    EXPECT_EQ(m_window->childAt(above), spinner());
    EXPECT_EQ(m_window->childAt(lengthRect.center()), lengthBox());
    EXPECT_EQ(m_window->childAt(below), spinner());

    spinner()->setValue(10);
    QTest::mouseClick(spinner(), Qt::LeftButton, {}, spinner()->mapFrom(m_window.get(), above));
    EXPECT_EQ(spinner()->value(), 11);
    EXPECT_EQ(lengthBox()->text(), u"11"_s);
    QTest::mouseClick(spinner(), Qt::LeftButton, {}, spinner()->mapFrom(m_window.get(), below));
    QTest::mouseClick(spinner(), Qt::LeftButton, {}, spinner()->mapFrom(m_window.get(), below));
    EXPECT_EQ(spinner()->value(), 9);
    EXPECT_EQ(lengthBox()->text(), u"9"_s);

    // The Up key and the wheel turned away raise the length too.
    spinner()->setFocus();
    QTest::keyClick(spinner(), Qt::Key_Up);
    EXPECT_EQ(spinner()->value(), 10);
    QTest::keyClick(spinner(), Qt::Key_PageDown);
    EXPECT_EQ(spinner()->value(), 1);
    QWheelEvent away(QPointF(2, 2), spinner()->mapToGlobal(QPointF(2, 2)), {}, {0, 120}, Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(spinner(), &away);
    EXPECT_EQ(spinner()->value(), 2);
    EXPECT_EQ(lengthBox()->text(), u"2"_s);
}

TEST_F(GenerateWindow, TabOrderFollowsTheDesign) {
    open();
    QStringList expected{u"Numbers"_s, u"Small"_s,        u"NumbersLetter"_s, u"VScroll1"_s, u"combo1"_s,
                         u"Capital"_s, u"SmallCapital"_s, u"Command1"_s,      u"Command2"_s};
    for (int i = 0; i < 10; ++i)
        expected << u"Text1_%1"_s.arg(i);
    QStringList order;
    QWidget* widget = child<QRadioButton>(u"Numbers"_s);
    while (order.size() < expected.size()) {
        // Only the selected option of a group takes the focus by Tab, so the focus policy of the
        // others changes; the chain itself is what the order is about.
        if (widget->focusPolicy() != Qt::NoFocus)
            order << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(order.join(u' ').toStdString(), expected.join(u' ').toStdString());
}

TEST_F(GenerateWindow, CloseButtonClosesTheWindow) {
    open();
    QTest::mouseClick(child<QPushButton>(u"Command2"_s), Qt::LeftButton);
    EXPECT_FALSE(m_window->isVisible());
}
