/*
 * Tests of the password generator: scripted draws, the system source, the window.
 */
#include "common/help/helpwindow.h"
#include "generate/generatewindow.h"
#include "generate/passwordgenerator.h"
#include "generate/systemuniformsource.h"

#include <QtCore/QQueue>
#include <QtCore/QRandomGenerator>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPushButton>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QScrollBar>
#include <QtWidgets/QTextBrowser>

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::StringLiterals;
using Kind = PasswordGenerator::Kind;

struct ScriptedSource final : UniformSource {
    float next() override {
        EXPECT_FALSE(draws.isEmpty()) << "more draws taken than scripted";
        return draws.isEmpty() ? 0.0f : draws.dequeue();
    }
    QQueue<float> draws;
};

// The draw that makes Int(100 r) come out as n, safely inside its interval.
constexpr auto hundredths = [](int n) { return (static_cast<float>(n) + 0.5f) / 100.0f; };

TEST(PasswordGenerator, CharactersForScriptedDraws) {
    constexpr float kLast = 1.0f - 0x1p-24f; // the largest draw
    // Numbers and letters: a letter when the second draw gives 4 or more, else a digit from a third draw.
    const std::tuple<Kind, QList<float>, QString> cases[] = {
        {Kind::Numbers, {kLast}, u"9"_s},
        {Kind::Small, {hundredths(16), hundredths(50), kLast}, u"byx"_s},
        {Kind::Capital, {hundredths(8), hundredths(9), hundredths(25)}, u"IGZ"_s}, // no "J", "G" twice
        {Kind::SmallCapital, {hundredths(26), hundredths(52), kLast}, u"zbV"_s},
        {Kind::NumbersLetter, {hundredths(27), 0.4f, hundredths(27), 0.39f, 0.75f}, u"A7"_s}};
    for (const auto& [kind, draws, expected] : cases) {
        ScriptedSource source;
        source.draws << draws;
        EXPECT_EQ(PasswordGenerator(source).password(kind, int(expected.size())), expected);
        EXPECT_TRUE(source.draws.isEmpty()) << expected.toStdString();
    }
}

// The program draws from the system's random source, and every draw lies in [0, 1).
TEST(SystemUniformSource, TheProgramDrawsFromTheSystemSource) {
    GeneratorWindow window;
    const auto* source = dynamic_cast<const SystemUniformSource*>(&window.source());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->generator(), QRandomGenerator::system());
    EXPECT_LT(UniformSource::fromBits(0xFFFFFFFFu), 1.0f);
}

TEST(GenerateWindow, PressFillsAllTenAndTheLengthBoxFollowsItsRules) {
    auto owned = std::make_unique<ScriptedSource>();
    ScriptedSource& source = *owned;
    GeneratorWindow window(std::move(owned));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto* lengthBox = window.findChild<QLineEdit*>(u"combo1"_s);
    auto* spinner = window.findChild<QScrollBar*>(u"VScroll1"_s);
    const auto box = [&window](int i) { return window.findChild<QLineEdit*>(u"Text1_%1"_s.arg(i)); };

    QTest::mouseClick(window.findChild<QRadioButton*>(u"Capital"_s), Qt::LeftButton);
    spinner->setValue(2);
    for (int i = 0; i < 20; ++i)
        source.draws << hundredths(25);
    QTest::mouseClick(window.findChild<QPushButton*>(u"Command1"_s), Qt::LeftButton);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(box(i)->text(), u"ZZ"_s);

    // A length is taken with Enter or on leaving the box (clicking the sixth password box here).
    constexpr Qt::Key kClickAway = Qt::Key_unknown;
    // Typed, how the box is left, the length then, the text then, where the focus is then.
    const std::tuple<QString, Qt::Key, int, QString, QString> cases[] = {
        {u"9"_s, Qt::Key_Enter, 9, u"9"_s, u"Command1"_s},
        {u"12abc"_s, Qt::Key_Return, 12, u"12"_s, u"Command1"_s},
        {u"300"_s, Qt::Key_Return, 255, u"255"_s, u"combo1"_s},
        {u"0"_s, Qt::Key_Return, 5, u"0"_s, u"combo1"_s},
        {u"abc"_s, kClickAway, 5, u"abc"_s, u"Text1_5"_s},
        {u"8"_s, Qt::Key_Tab, 8, u"8"_s, u"Command1"_s}};
    for (const auto& [typed, leave, length, shown, focus] : cases) {
        SCOPED_TRACE(typed.toStdString() + ' ' + std::to_string(leave));
        spinner->setValue(5);
        lengthBox->setFocus();
        lengthBox->selectAll();
        QTest::keyClicks(lengthBox, typed);
        if (leave == kClickAway)
            QTest::mouseClick(box(5), Qt::LeftButton);
        else
            QTest::keyClick(lengthBox, leave);
        EXPECT_EQ(std::pair(spinner->value(), lengthBox->text()), std::pair(length, shown));
        EXPECT_EQ(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(), focus);
    }

    // Enter on the focused "&Generate", where the length box's Enter leaves the focus, presses it:
    // ten passwords of eight characters take 80 draws.
    for (const Qt::Key enter : {Qt::Key_Return, Qt::Key_Enter}) {
        for (int i = 0; i < 80; ++i)
            source.draws << hundredths(1);
        QTest::keyClick(window.focusWidget(), enter);
        EXPECT_TRUE(source.draws.isEmpty()) << enter;
    }

    // The spinner runs upside down: Up and Page Up raise the length, Down and Page Down lower it.
    for (const auto& [key, length] :
         {std::pair(Qt::Key_Up, 21), {Qt::Key_Down, 19}, {Qt::Key_PageUp, 30}, {Qt::Key_PageDown, 10}}) {
        spinner->setValue(20);
        QTest::keyClick(spinner, key);
        EXPECT_EQ(spinner->value(), length) << key;
    }

    // F1 opens the guide at the generator's topic.
    QTest::keyClick(&window, Qt::Key_F1);
    auto* help = window.findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->findChild<QTextBrowser*>(u"guideText"_s)->source().fragment(), u"generator"_s);
}
