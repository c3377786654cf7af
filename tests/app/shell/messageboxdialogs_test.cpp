/*
 * The real boxes: the title, no icon, the buttons each kind offers and the answer each button
 * gives, and the input box's text or nothing on Cancel.
 */
#include "messageboxdialogs.h"

#include "apptitle.h"

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QInputDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Runs `inspect` on the modal box once it is up; the box must be closed by `inspect`.
template <typename Box> void whenShown(std::function<void(Box*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        Box* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (box = qobject_cast<Box*>(QApplication::activeModalWidget())); }));
        inspect(box);
    });
}

} // namespace

TEST(MessageBoxDialogs, BoxesCarryTitleNoIconAndTheirButtons) {
    MessageBoxDialogs dialogs;
    using Buttons = QMessageBox::StandardButtons;
    const auto answering = [](QMessageBox::StandardButton press, Buttons offered) {
        whenShown<QMessageBox>([=](QMessageBox* box) {
            Buttons seen;
            for (QAbstractButton* button : box->buttons())
                seen |= box->standardButton(button);
            EXPECT_EQ(seen, offered);
            EXPECT_EQ(box->windowTitle(), applicationTitle());
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            box->button(press)->click();
        });
    };
    const Buttons yesNo = QMessageBox::Yes | QMessageBox::No;
    const Buttons retryCancel = QMessageBox::Retry | QMessageBox::Cancel;
    const struct {
        QMessageBox::StandardButton press;
        Buttons offered;
        std::function<Dialogs::Answer()> ask;
        Dialogs::Answer answer;
    } cases[] = {
        {QMessageBox::No, yesNo, [&] { return dialogs.askYesNo(u"q"_s); }, Dialogs::Answer::No},
        {QMessageBox::Yes, yesNo, [&] { return dialogs.askYesNo(u"q"_s); }, Dialogs::Answer::Yes},
        {QMessageBox::Cancel, retryCancel, [&] { return dialogs.askRetryCancel(u"q"_s); }, Dialogs::Answer::Cancel},
        {QMessageBox::Retry, retryCancel, [&] { return dialogs.askRetryCancel(u"q"_s); }, Dialogs::Answer::Retry},
    };
    for (const auto& c : cases) {
        answering(c.press, c.offered);
        EXPECT_EQ(c.ask(), c.answer);
    }

    // A message shows its line breaks as the platform writes them.
    whenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->text(), u"first\nsecond"_s);
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.message(u"first\r\nsecond"_s);
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
