/*
 * The real boxes: the program's title, no icon, each kind's buttons and answers, the input box's
 * title and text or nothing.
 */
#include "app/core/messageboxdialogs.h"

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QInputDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;
using Box = QMessageBox;

// Runs `answer` on the modal box of that type once it is up; it must close the box.
template <typename Shown> void whenShown(std::function<void(Shown*)> answer) {
    QTimer::singleShot(0, [answer] {
        Shown* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = qobject_cast<Shown*>(QApplication::activeModalWidget())); }));
        answer(box);
    });
}

TEST(MessageBoxDialogs, BoxesCarryTitleNoIconAndTheirButtons) {
    MessageBoxDialogs dialogs;
    const QString text = u"first\r\nsecond"_s;
    const std::tuple<Box::StandardButton, Answer, Box::StandardButtons> presses[] = {
        {Box::No, Answer::No, Box::Yes | Box::No},
        {Box::Yes, Answer::Yes, Box::Yes | Box::No},
        {Box::Cancel, Answer::Cancel, Box::Retry | Box::Cancel},
        {Box::Retry, Answer::Retry, Box::Retry | Box::Cancel},
        {Box::Ok, Answer::Ok, Box::Ok},
    };
    for (const auto& [press, answer, offered] : presses) {
        // The text shows "first\nsecond".
        whenShown<Box>([press, offered](Box* box) {
            EXPECT_EQ(std::tuple(box->standardButtons(), box->windowTitle(), box->icon(), box->text()),
                      std::tuple(offered, u"Vexa Password v1.22"_s, Box::NoIcon, u"first\nsecond"_s));
            box->button(press)->click();
        });
        if (press == Box::Ok)
            dialogs.message(text);
        else
            EXPECT_EQ(offered & Box::Yes ? dialogs.askYesNo(text) : dialogs.askRetryCancel(text), answer);
    }
}

TEST(MessageBoxDialogs, InputAnswersTypedTextOrEmptyOnCancel) {
    MessageBoxDialogs dialogs;
    for (const bool accept : {true, false}) {
        whenShown<QInputDialog>([accept](QInputDialog* box) {
            EXPECT_EQ(std::pair(box->windowTitle(), box->labelText()), std::pair(u"A title"_s, u"Enter a new name."_s));
            box->setTextValue(u"typed"_s);
            accept ? box->accept() : box->reject();
        });
        EXPECT_EQ(dialogs.input(u"Enter a new name."_s, u"A title"_s, {}), accept ? u"typed"_s : QString());
    }
}
