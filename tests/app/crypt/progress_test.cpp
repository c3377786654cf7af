/*
 * The progress window: its placement over the main window, Busy and CancelRequested as showing,
 * Cancel and the close box leave them. That a running pass sees a cancel is tested through the
 * commands.
 */
#include "progress.h"

#include "appstate.h"
#include "fakeservices.h"

#include <QtCore/QPointer>
#include <QtWidgets/QLabel>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

class ProgressTest : public ::testing::Test {
protected:
    QLabel* cover() { return m_progress->findChild<QLabel*>(u"Label2"_s); }
    QPushButton* cancel() { return m_progress->findChild<QPushButton*>(u"Command1"_s); }

    FakeServices m_services;
    AppState& m_state = m_services.appState;
    QPointer<Progress> m_progress = new Progress(m_services);
};

TEST_F(ProgressTest, ShowingPlacesItOverTheMainWindowAndSetsBusy) {
    m_services.window.setGeometry(100, 60, 1000, 600);
    m_state.CancelRequested = true;
    m_progress->moveCover(3000);
    m_progress->ShowProgress();
    const QRect main = m_services.window.frameGeometry();
    const QRect placed = m_progress->frameGeometry();
    EXPECT_EQ(placed.topLeft(), QPoint((main.left() + main.width() - placed.width()) / 2,
                                       (main.top() + main.height() - placed.height()) / 2));
    EXPECT_EQ(cover()->x(), 0);
    // The cover is drawn over the track's 26 shapes.
    QWidget* track = m_progress->findChild<QWidget*>(u"Picture1"_s);
    EXPECT_EQ(track->findChildren<QWidget*>(u"Shape1"_s).size(), 26);
    EXPECT_EQ(track->children().last(), cover());
    EXPECT_TRUE(m_state.Busy);
    EXPECT_FALSE(m_state.CancelRequested);
    m_progress->CloseProgress();
    EXPECT_FALSE(m_progress->isVisible());
    EXPECT_FALSE(m_state.Busy);

    // The decryption commands show it where it stood.
    m_progress->move(placed.topLeft() + QPoint(40, 30));
    m_progress->showInPlace();
    EXPECT_EQ(m_progress->frameGeometry().topLeft(), placed.topLeft() + QPoint(40, 30));
    EXPECT_TRUE(m_state.Busy);
}

TEST_F(ProgressTest, CancelAndTheCloseBoxAskFirstAndNeverDestroyTheWindow) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Cancel button", [this] { cancel()->click(); }},
        {"close box", [this] { m_progress->close(); }},
    };
    for (const auto& [way, act] : ways) {
        m_services.scripted.clear();
        m_progress->ShowProgress();
        for (const bool yes : {false, true}) {
            m_services.scripted.answer(yes ? Answer::Yes : Answer::No);
            act();
            ASSERT_FALSE(m_progress.isNull()) << way;
            EXPECT_EQ(m_progress->isVisible(), !yes) << way;
            EXPECT_EQ(m_state.Busy, !yes);
            EXPECT_EQ(m_state.CancelRequested, yes);
        }
        EXPECT_EQ(m_services.scripted.texts(), QStringList(2, u" Do you really want to cancel? \r\n"_s)) << way;
    }
}
