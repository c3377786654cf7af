/*
 * Every message box, question and input box of the program goes through this interface, so
 * that the windows show real boxes to the user and scripted ones to the tests. Texts are passed
 * exactly as the program words them; a CR LF in a text breaks the line.
 */
#pragma once

#include <QtCore/QString>

class Dialogs {
public:
    enum class Answer { Ok, Yes, No, Retry, Cancel };

    virtual ~Dialogs() = default;

    // A message with an OK button and the application title.
    virtual void message(const QString& text) = 0;
    // A question with Yes and No buttons; answers Yes or No.
    virtual Answer askYesNo(const QString& text) = 0;
    // A question with Retry and Cancel buttons; answers Retry or Cancel.
    virtual Answer askRetryCancel(const QString& text) = 0;
    // An input box with OK and Cancel; Cancel answers an empty text, as OK on an empty field does.
    virtual QString input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
};
