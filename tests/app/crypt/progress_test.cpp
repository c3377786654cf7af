/*
 * The progress window: its design, its placement over the main window, Busy and CancelRequested
 * as showing, Cancel and the close box leave them, and what a running pass sees through it.
 */
#include "progress.h"

#include "appstate.h"
#include "fakeservices.h"
#include "twips.h"

#include <QtCore/QPointer>
#include <QtCore/QTimer>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

class ProgressTest : public ::testing::Test {
protected:
    template <typename Widget> Widget* child(const QString& name) { return m_progress->findChild<Widget*>(name); }
    QLabel* cover() { return child<QLabel>(u"Label2"_s); }

    FakeServices m_services;
    QPointer<Progress> m_progress = new Progress(m_services);
};

TEST_F(ProgressTest, BuiltAsDesigned) {
    EXPECT_EQ(m_progress->objectName(), u"Progress"_s);
    EXPECT_EQ(m_progress->windowTitle(), u"Vexa Password Progressing"_s);
    EXPECT_TRUE(m_progress->isWindow());
    EXPECT_EQ(m_progress->windowModality(), Qt::NonModal);
    EXPECT_EQ(m_progress->size(), twips::size(6390, 1590));
    EXPECT_EQ(child<QLabel>(u"Label1"_s)->geometry(), twips::rect(120, 120, 6255, 495));
    QWidget* track = child<QWidget>(u"Picture1"_s);
    EXPECT_EQ(track->geometry(), twips::rect(120, 720, 6195, 375));
    EXPECT_EQ(cover()->parentWidget(), track);
    EXPECT_EQ(cover()->geometry(), twips::rect(3000, 0, 6615, 375));
    EXPECT_EQ(track->children().last(), cover()) << "the cover is drawn over the marks";

    QList<QRect> shapes;
    for (const QWidget* shape : track->findChildren<QWidget*>(u"Shape1"_s))
        shapes << shape->geometry();
    std::sort(shapes.begin(), shapes.end(), [](const QRect& a, const QRect& b) { return a.left() < b.left(); });
    ASSERT_EQ(shapes.size(), 26);
    for (int index = 0; index < 26; ++index)
        EXPECT_EQ(shapes[index], twips::rect(240 * index, 80, 255, 195)) << index;

    const QPushButton* cancel = child<QPushButton>(u"Command1"_s);
    EXPECT_EQ(cancel->text(), u"&Cancel"_s);
    EXPECT_EQ(cancel->geometry(), twips::rect(4680, 1200, 1575, 375));
}

TEST_F(ProgressTest, ShowingPlacesItOverTheMainWindowAndSetsBusy) {
    m_services.window.setGeometry(100, 60, 1000, 600);
    AppState& state = m_services.appState;
    state.CancelRequested = true;
    m_progress->moveCover(3000);
    m_progress->ShowProgress();
    const QRect main = m_services.window.frameGeometry();
    const QRect placed = m_progress->frameGeometry();
    EXPECT_EQ(placed.topLeft(), QPoint((main.left() + main.width() - placed.width()) / 2,
                                       (main.top() + main.height() - placed.height()) / 2));
    EXPECT_TRUE(m_progress->isVisible());
    EXPECT_EQ(cover()->x(), 0);
    EXPECT_TRUE(state.Busy);
    EXPECT_FALSE(state.CancelRequested);

    m_progress->CloseProgress();
    EXPECT_FALSE(m_progress->isVisible());
    EXPECT_FALSE(state.Busy);

    // The decryption commands show it where it stood.
    m_progress->move(placed.topLeft() + QPoint(40, 30));
    m_progress->moveCover(6200);
    m_progress->showInPlace();
    EXPECT_EQ(m_progress->frameGeometry().topLeft(), placed.topLeft() + QPoint(40, 30));
    EXPECT_EQ(cover()->x(), 0);
    EXPECT_TRUE(state.Busy);
}

TEST_F(ProgressTest, CancelAndTheCloseBoxAskFirstAndNeverDestroyTheWindow) {
    const QString question = u" Do you really want to cancel? \r\n"_s;
    AppState& state = m_services.appState;
    struct Case {
        const char* way;
        std::function<void()> act;
    };
    const Case ways[] = {
        {"Cancel button", [this] { child<QPushButton>(u"Command1"_s)->click(); }},
        {"close box", [this] { m_progress->close(); }},
    };
    for (const Case& way : ways) {
        m_services.scripted.clear();
        m_progress->ShowProgress();

        m_services.scripted.answer(Answer::No);
        way.act();
        ASSERT_FALSE(m_progress.isNull()) << way.way;
        EXPECT_TRUE(m_progress->isVisible()) << way.way;
        EXPECT_TRUE(state.Busy);
        EXPECT_FALSE(state.CancelRequested);

        m_services.scripted.answer(Answer::Yes);
        way.act();
        ASSERT_FALSE(m_progress.isNull()) << way.way;
        EXPECT_FALSE(m_progress->isVisible()) << way.way;
        EXPECT_FALSE(state.Busy);
        EXPECT_TRUE(state.CancelRequested);
        EXPECT_EQ(m_services.scripted.texts(), (QStringList{question, question})) << way.way;
    }
}

TEST_F(ProgressTest, APassMovesTheCoverAndSeesACancelConfirmedMeanwhile) {
    m_progress->ShowProgress();
    m_progress->moveCover(6200);
    EXPECT_EQ(cover()->x(), twips::toPixels(6200));
    m_progress->moveCover(0);
    EXPECT_EQ(cover()->x(), 0);

    EXPECT_FALSE(m_progress->cancelRequested());
    // A click waiting in the event queue is handled before the answer is given.
    m_services.scripted.answer(Answer::Yes);
    QTimer::singleShot(0, child<QPushButton>(u"Command1"_s), &QPushButton::click);
    EXPECT_TRUE(m_progress->cancelRequested());
    EXPECT_FALSE(m_progress->isVisible());
}
