/*
 * Tests of the password generator: its rules driven by scripted draws, the shares of characters
 * over many draws from a fixed-seed source (table quirks included), the program's system-seeded
 * source, and the window through its widgets.
 */
#include "generatewindow.h"
#include "passwordgenerator.h"
#include "systemuniformsource.h"

#include <QtCore/QHash>
#include <QtCore/QQueue>
#include <QtGui/QWheelEvent>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QScrollBar>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;
using Kind = PasswordGenerator::Kind;

namespace {

class ScriptedSource final : public UniformSource {
public:
    void add(std::initializer_list<float> draws) { m_draws.append(QList<float>(draws)); }
    qsizetype remaining() const { return m_draws.size(); }

    float next() override {
        if (m_draws.isEmpty())
            ADD_FAILURE() << "more draws taken than scripted";
        return m_draws.isEmpty() ? 0.0f : m_draws.dequeue();
    }

private:
    QQueue<float> m_draws;
};

class SeededSource final : public UniformSource {
public:
    float next() override { return fromBits(static_cast<quint32>(m_engine())); }

private:
    std::mt19937 m_engine{20240611u};
};

// The draw that makes Int(100 r) come out as n, safely inside its interval.
float hundredths(int n) {
    return (static_cast<float>(n) + 0.5f) / 100.0f;
}

} // namespace

TEST(PasswordGenerator, CharactersForScriptedDraws) {
    constexpr float kLast = 1.0f - 0x1p-24f; // the largest draw
    const struct {
        Kind kind;
        // Numbers and letters: a letter when the second draw gives 4 or more, else a third draw.
        std::initializer_list<float> draws;
        char16_t expected;
    } cases[] = {
        {Kind::Numbers, {kLast}, u'9'},
        {Kind::Small, {hundredths(16)}, u'b'},
        {Kind::Small, {hundredths(50)}, u'y'},
        {Kind::Small, {kLast}, u'x'},
        {Kind::SmallCapital, {hundredths(26)}, u'z'},
        {Kind::SmallCapital, {hundredths(52)}, u'b'},
        {Kind::SmallCapital, {kLast}, u'V'},
        {Kind::NumbersLetter, {hundredths(27), 0.4f}, u'A'},
        {Kind::NumbersLetter, {hundredths(27), 0.39f, 0.75f}, u'7'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.kind) << " -> " << char(c.expected));
        ScriptedSource source;
        source.add(c.draws);
        EXPECT_EQ(PasswordGenerator(source).character(c.kind), QChar(c.expected));
        EXPECT_EQ(source.remaining(), 0);
    }
}

TEST(PasswordGenerator, SharesOverManyDraws) {
    constexpr int kDraws = 100000;
    const auto count = [](Kind kind) {
        SeededSource source;
        QHash<QChar, int> counts;
        for (const QChar c : PasswordGenerator(source).password(kind, kDraws))
            ++counts[c];
        return counts;
    };
    const struct {
        Kind kind;
        const char16_t* characters;
        double share; // expected share of all characters for each of them; four in ten are digits
    } cases[] = {
        {Kind::Small, u"pz", 0.0},
        {Kind::Small, u"bj", 0.08},
        {Kind::Small, u"cdkw", 0.04},
        {Kind::Small, u"a", 0.01},
        {Kind::Capital, u"J", 0.0},
        {Kind::Capital, u"G", 0.08},
        {Kind::Capital, u"BHQ", 0.04},
        {Kind::SmallCapital, u"pJZ", 0.0},
        {Kind::SmallCapital, u"cM", 0.02},
        {Kind::NumbersLetter, u"pJZ", 0.0},
        {Kind::NumbersLetter, u"0123456789", 0.04},
    };
    for (const auto& c : cases) {
        const QHash<QChar, int> counts = count(c.kind);
        for (const QChar character : QStringView(c.characters)) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(c.kind) << " " << character.toLatin1());
            EXPECT_NEAR(counts.value(character) / double(kDraws), c.share, c.share * 0.15);
        }
    }
}

TEST(SystemUniformSource, DrawsLieInTheHalfOpenIntervalAndRunsDiffer) {
    EXPECT_LT(UniformSource::fromBits(0xFFFFFFFFu), 1.0f);
    SystemUniformSource first;
    SystemUniformSource second;
    bool differ = false;
    for (int i = 0; i < 10000; ++i) {
        const float draw = first.next();
        ASSERT_TRUE(draw >= 0.0f && draw < 1.0f) << draw;
        differ = differ || draw != second.next();
    }
    EXPECT_TRUE(differ) << "seeded from the system, two sources do not repeat each other";
}

class GenerateWindow : public ::testing::Test {
protected:
    void SetUp() override {
        auto source = std::make_unique<ScriptedSource>();
        m_source = source.get();
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

    // Types a length and hands it over with the key, or by clicking the sixth password box.
    static constexpr Qt::Key kClickAway = Qt::Key_unknown;
    void typeLength(const QString& text, Qt::Key leave) const {
        lengthBox()->setFocus();
        lengthBox()->selectAll();
        QTest::keyClicks(lengthBox(), text);
        if (leave == kClickAway)
            QTest::mouseClick(box(5), Qt::LeftButton);
        else
            QTest::keyClick(lengthBox(), leave);
    }

    ScriptedSource* m_source = nullptr; // owned by the window
    std::unique_ptr<Generate> m_window;
};

TEST_F(GenerateWindow, EachPressReplacesAllTenWithTheSelectedKindAndLength) {
    EXPECT_TRUE(child<QRadioButton>(u"Numbers"_s)->isChecked());
    EXPECT_EQ(lengthBox()->text(), u"1"_s);
    for (int i = 0; i < 10; ++i)
        m_source->add({hundredths(10 * i)});
    generate();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(box(i)->text(), QString::number(i));

    QTest::mouseClick(child<QRadioButton>(u"Capital"_s), Qt::LeftButton);
    typeLength(u"2"_s, Qt::Key_Return);
    for (int i = 0; i < 10; ++i)
        m_source->add({hundredths(i), hundredths(25)});
    generate();
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(box(i)->text(), PasswordGenerator::Upper[i] + u"Z"_s);
    EXPECT_EQ(m_source->remaining(), 0);

    // Each box's tool tip shows its password in full, edited by hand too.
    EXPECT_EQ(box(9)->toolTip(), u"GZ"_s);
    box(3)->setFocus();
    QTest::keyClicks(box(3), u"!"_s);
    EXPECT_EQ(box(3)->toolTip(), u"DZ!"_s);

    QTest::mouseClick(child<QPushButton>(u"Command2"_s), Qt::LeftButton);
    EXPECT_FALSE(m_window->isVisible());
}

TEST_F(GenerateWindow, AppliesTheTypedLength) {
    const struct {
        QString typed;
        Qt::Key leave;
        int length;
        QString shown;
        QString focus; // where the focus is afterwards
    } cases[] = {{u"12"_s, Qt::Key_Return, 12, u"12"_s, u"Command1"_s},
                 {u"9"_s, Qt::Key_Enter, 9, u"9"_s, u"Command1"_s},
                 {u"12abc"_s, Qt::Key_Return, 12, u"12"_s, u"Command1"_s},
                 {u"2.5"_s, Qt::Key_Return, 2, u"2"_s, u"Command1"_s},
                 {u"300"_s, Qt::Key_Return, 255, u"255"_s, u"combo1"_s},
                 {u"0"_s, Qt::Key_Return, 5, u"0"_s, u"combo1"_s},
                 {u"abc"_s, Qt::Key_Return, 5, u"abc"_s, u"combo1"_s},
                 {u"-4"_s, Qt::Key_Return, 5, u"-4"_s, u"combo1"_s},
                 // Leaving the box applies it as Enter does.
                 {u"7"_s, kClickAway, 7, u"7"_s, u"Command1"_s},
                 {u"abc"_s, kClickAway, 5, u"abc"_s, u"Text1_5"_s},
                 {u"8"_s, Qt::Key_Tab, 8, u"8"_s, u"Command1"_s}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed.toStdString() + ' ' + std::to_string(c.leave));
        spinner()->setValue(5);
        typeLength(c.typed, c.leave);
        EXPECT_EQ(spinner()->value(), c.length);
        EXPECT_EQ(lengthBox()->text(), c.shown);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), c.focus);
    }
}

// The spinner lies behind the length box, so only its arrows show. Its upper arrow, the Up key and
// the wheel turned away raise the length, which a plain scroll bar would lower.
TEST_F(GenerateWindow, UpperArrowUpKeyAndWheelRaiseTheLength) {
    const QRect bar = spinner()->geometry();
    const QRect lengthRect = lengthBox()->geometry();
    const QPoint above(bar.center().x(), (bar.top() + lengthRect.top()) / 2);
    EXPECT_EQ(m_window->childAt(above), spinner());
    EXPECT_EQ(m_window->childAt(lengthRect.center()), lengthBox());

    spinner()->setValue(10);
    QTest::mouseClick(spinner(), Qt::LeftButton, {}, spinner()->mapFrom(m_window.get(), above));
    EXPECT_EQ(lengthBox()->text(), u"11"_s);
    spinner()->setFocus();
    QTest::keyClick(spinner(), Qt::Key_Up);
    EXPECT_EQ(lengthBox()->text(), u"12"_s);
    QWheelEvent away(QPointF(2, 2), spinner()->mapToGlobal(QPointF(2, 2)), {}, {0, 120}, Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(spinner(), &away);
    EXPECT_EQ(lengthBox()->text(), u"13"_s);
}
