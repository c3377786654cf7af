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

#include <gtest/gtest.h>

#include <algorithm>
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

    ~ScriptedDialogs() override {
        EXPECT_TRUE(m_answers.isEmpty()) << m_answers.size() << " scripted answer(s) were never asked for";
    }

    // The answers to the next questions, in order.
    void answer(Answer next) { m_answers.enqueue(Scripted{next, {}}); }
    void answerInput(const QString& text) { m_answers.enqueue(Scripted{Answer::Ok, text}); }
    void cancelInput() { m_answers.enqueue(Scripted{Answer::Cancel, {}}); }

    // Runs as each message is shown: what a test sees there is what the user sees beside the box.
    std::function<void()> onMessage;

    const QList<Box>& boxes() const { return m_boxes; }
    // The texts of every box shown so far, in order.
    QStringList texts() const {
        QStringList result;
        for (const Box& box : m_boxes)
            result << box.text;
        return result;
    }
    void clear() {
        m_boxes.clear();
        m_answers.clear();
    }

    void message(const QString& text) override {
        m_boxes << Box{Kind::Message, {}, text};
        if (onMessage)
            onMessage();
    }
    Answer askYesNo(const QString& text) override {
        return takeAnswer({Kind::YesNo, {}, text}, {Answer::Yes, Answer::No}).answer;
    }
    Answer askRetryCancel(const QString& text) override {
        return takeAnswer({Kind::RetryCancel, {}, text}, {Answer::Retry, Answer::Cancel}).answer;
    }
    QString input(const QString& prompt, const QString& title, const QString&) override {
        const Scripted next = takeAnswer({Kind::Input, title, prompt}, {Answer::Ok, Answer::Cancel});
        return next.answer == Answer::Ok ? next.text : QString();
    }

private:
    struct Scripted {
        Answer answer;
        QString text;
    };

    // The next scripted answer; a box with none left, or with one it does not offer, fails the test
    // and is answered with its last button (No, Cancel).
    Scripted takeAnswer(const Box& box, std::initializer_list<Answer> offered) {
        m_boxes << box;
        const Scripted fallback{*std::prev(offered.end()), {}};
        if (m_answers.isEmpty()) {
            ADD_FAILURE() << "unexpected box: " << box.text.toStdString();
            return fallback;
        }
        const Scripted next = m_answers.dequeue();
        if (std::find(offered.begin(), offered.end(), next.answer) != offered.end())
            return next;
        ADD_FAILURE() << "scripted answer not offered by box: " << box.text.toStdString();
        return fallback;
    }

    QList<Box> m_boxes;
    QQueue<Scripted> m_answers;
};
