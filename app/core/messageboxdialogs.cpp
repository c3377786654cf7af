#include "app/core/messageboxdialogs.h"

#include "app/core/apptitle.h"

#include <QtWidgets/QInputDialog>
#include <QtWidgets/QMessageBox>

namespace {

// The program's texts break lines with CR LF; a label wants a plain line feed.
QString displayText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

QMessageBox::StandardButton showBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), displayText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

void MessageBoxDialogs::message(const QString& text) {
    showBox(m_parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

Dialogs::Answer MessageBoxDialogs::askYesNo(const QString& text) {
    return showBox(m_parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes
               ? Answer::Yes
               : Answer::No;
}

Dialogs::Answer MessageBoxDialogs::askRetryCancel(const QString& text) {
    return showBox(m_parent, text, QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry) == QMessageBox::Retry
               ? Answer::Retry
               : Answer::Cancel;
}

QString MessageBoxDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
    bool accepted = false;
    const QString text =
        QInputDialog::getText(m_parent, title, displayText(prompt), QLineEdit::Normal, defaultText, &accepted);
    return accepted ? text : QString();
}
