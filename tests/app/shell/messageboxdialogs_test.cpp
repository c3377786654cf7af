/*
 * The real boxes: title, no icon, each kind's buttons and answers, the input box's text or nothing.
 */
#include "app/core/messageboxdialogs.h"

#include "app/core/apptitle.h"

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QInputDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Answer = Dialogs::Answer;

// Runs `inspect` on the modal box once it is up; the box must be closed by `inspect`.
template <typename Box, typename Inspect> static void whenShown(Inspect inspect) {
    QTimer::singleShot(0, [inspect] {
        Box* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = qobject_cast<Box*>(QApplication::activeModalWidget())); }));
        inspect(box);
    });
}

// Checks the next box's buttons, title, icon and text ("first\r\nsecond" as shown here), then presses.
static void answerBox(QMessageBox::StandardButton press, QMessageBox::StandardButtons offered) {
    whenShown<QMessageBox>([=](QMessageBox* box) {
        QMessageBox::StandardButtons seen;
        for (QAbstractButton* button : box->buttons())
            seen |= box->standardButton(button);
        EXPECT_EQ(std::tuple(seen, box->windowTitle(), box->icon(), box->text()),
                  std::tuple(offered, applicationTitle(), QMessageBox::NoIcon, u"first\nsecond"_s));
        box->button(press)->click();
    });
}

TEST(MessageBoxDialogs, BoxesCarryTitleNoIconAndTheirButtons) {
    MessageBoxDialogs dialogs;
    const QString text = u"first\r\nsecond"_s;
    using Box = QMessageBox;
    for (const auto& [press, answer] : {std::pair(Box::No, Answer::No),
                                        {Box::Yes, Answer::Yes},
                                        {Box::Cancel, Answer::Cancel},
                                        {Box::Retry, Answer::Retry}}) {
        const bool question = press == Box::No || press == Box::Yes;
        answerBox(press, question ? Box::Yes | Box::No : Box::Retry | Box::Cancel);
        EXPECT_EQ(question ? dialogs.askYesNo(text) : dialogs.askRetryCancel(text), answer);
    }
    answerBox(QMessageBox::Ok, QMessageBox::Ok);
    dialogs.message(text);
}

TEST(MessageBoxDialogs, InputAnswersTypedTextOrEmptyOnCancel) {
    MessageBoxDialogs dialogs;
    for (const bool accept : {true, false}) {
        whenShown<QInputDialog>([accept](QInputDialog* box) {
            EXPECT_EQ(box->windowTitle(), u"Vexa Password"_s);
            box->setTextValue(u"typed"_s);
            accept ? box->accept() : box->reject();
        });
        EXPECT_EQ(dialogs.input(u"Enter a new name."_s, u"Vexa Password"_s, {}), accept ? u"typed"_s : QString());
    }
}
