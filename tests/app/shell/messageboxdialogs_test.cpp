#include "apptitle.h"
#include "messageboxdialogs.h"

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QDialogButtonBox>
#include <QtWidgets/QInputDialog>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `inspect` on the modal box once it is up; the box must be closed by `inspect`.
template <typename Box> void whenShown(std::function<void(Box*)> inspect) {
    QTimer::singleShot(0, [inspect] {
        Box* box = nullptr;
        const bool shown =
            QTest::qWaitFor([&] { return (box = qobject_cast<Box*>(QApplication::activeModalWidget())); });
        ASSERT_TRUE(shown) << "no modal box came up";
        inspect(box);
    });
}

QMessageBox::StandardButtons buttonsOf(QMessageBox* box) {
    QMessageBox::StandardButtons result;
    for (QAbstractButton* button : box->buttons())
        result |= box->standardButton(button);
    return result;
}

} // namespace

TEST(MessageBoxDialogs, BoxesCarryTitleNoIconAndTheirButtons) {
    MessageBoxDialogs dialogs;
    QMessageBox::StandardButtons seen;
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    auto capture = [&](QMessageBox::StandardButton press) {
        return [&, press](QMessageBox* box) {
            seen = buttonsOf(box);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->button(press)->click();
        };
    };

    whenShown<QMessageBox>(capture(QMessageBox::Ok));
    dialogs.message(QStringLiteral("first\r\nsecond"));
    EXPECT_EQ(seen, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(title, applicationTitle());
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(text, QStringLiteral("first\nsecond"));

    whenShown<QMessageBox>(capture(QMessageBox::No));
    EXPECT_EQ(dialogs.askYesNo(QStringLiteral("q")), Dialogs::Answer::No);
    EXPECT_EQ(seen, QMessageBox::Yes | QMessageBox::No);
    whenShown<QMessageBox>(capture(QMessageBox::Yes));
    EXPECT_EQ(dialogs.askYesNo(QStringLiteral("q")), Dialogs::Answer::Yes);

    whenShown<QMessageBox>(capture(QMessageBox::Cancel));
    EXPECT_EQ(dialogs.askRetryCancel(QStringLiteral("q")), Dialogs::Answer::Cancel);
    EXPECT_EQ(seen, QMessageBox::Retry | QMessageBox::Cancel);
    whenShown<QMessageBox>(capture(QMessageBox::Retry));
    EXPECT_EQ(dialogs.askRetryCancel(QStringLiteral("q")), Dialogs::Answer::Retry);
}

TEST(MessageBoxDialogs, InputAnswersTypedTextOrEmptyOnCancel) {
    MessageBoxDialogs dialogs;
    QString title;
    whenShown<QInputDialog>([&](QInputDialog* box) {
        title = box->windowTitle();
        box->setTextValue(QStringLiteral("typed"));
        box->accept();
    });
    EXPECT_EQ(dialogs.input(QStringLiteral("Enter a new name."), QStringLiteral("Vexa Password"), {}),
              QStringLiteral("typed"));
    EXPECT_EQ(title, QStringLiteral("Vexa Password"));

    whenShown<QInputDialog>([](QInputDialog* box) {
        box->setTextValue(QStringLiteral("typed"));
        box->reject();
    });
    EXPECT_EQ(dialogs.input(QStringLiteral("p"), applicationTitle(), {}), QString());
}
