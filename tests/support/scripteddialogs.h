/*
 * Dialogs for tests: records every box it is shown and answers questions from a script.
 * A question with no scripted answer left, or with an answer its buttons do not offer, fails
 * the running test.
 */
#pragma once

#include "app/core/dialogs.h"

#include <QtCore/QList>
#include <QtCore/QQueue>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>

class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { Message, YesNo, RetryCancel, Input };

    struct Box {
        Kind kind;
        // An input box's title, as its caller gives it; the other boxes get none through the seam.
        QString title;
        QString text;
        bool operator==(const Box&) const = default;
    };

    ~ScriptedDialogs() override;

    // The answers to the next questions, in order.
    void answer(Answer next) { m_answers.enqueue(Scripted{next, {}}); }
    void answerInput(const QString& text) { m_answers.enqueue(Scripted{Answer::Ok, text}); }
    void cancelInput() { m_answers.enqueue(Scripted{Answer::Cancel, {}}); }

    // Runs as each message is shown: what a test sees there is what the user sees beside the box.
    std::function<void()> onMessage;

    const QList<Box>& boxes() const { return m_boxes; }
    // The texts of every box shown so far, in order.
    QStringList texts() const;
    void clear();

    void message(const QString& text) override;
    Answer askYesNo(const QString& text) override;
    Answer askRetryCancel(const QString& text) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;

private:
    struct Scripted {
        Answer answer;
        QString text;
    };

    Scripted takeAnswer(const Box& box, std::initializer_list<Answer> offered, Answer fallback);

    QList<Box> m_boxes;
    QQueue<Scripted> m_answers;
};
