#include "tests/support/scripteddialogs.h"

#include <gtest/gtest.h>

#include <algorithm>

ScriptedDialogs::~ScriptedDialogs() {
    EXPECT_TRUE(m_answers.isEmpty()) << m_answers.size() << " scripted answer(s) were never asked for";
}

QStringList ScriptedDialogs::texts() const {
    QStringList result;
    for (const Box& box : m_boxes)
        result << box.text;
    return result;
}

void ScriptedDialogs::clear() {
    m_boxes.clear();
    m_answers.clear();
}

ScriptedDialogs::Scripted ScriptedDialogs::takeAnswer(const Box& box, std::initializer_list<Answer> offered,
                                                      Answer fallback) {
    m_boxes << box;
    if (m_answers.isEmpty()) {
        ADD_FAILURE() << "unexpected box: " << box.text.toStdString();
        return Scripted{fallback, {}};
    }
    const Scripted next = m_answers.dequeue();
    if (std::find(offered.begin(), offered.end(), next.answer) == offered.end()) {
        ADD_FAILURE() << "scripted answer not offered by box: " << box.text.toStdString();
        return Scripted{fallback, {}};
    }
    return next;
}

void ScriptedDialogs::message(const QString& text) {
    m_boxes << Box{Kind::Message, {}, text};
    if (onMessage)
        onMessage();
}

Dialogs::Answer ScriptedDialogs::askYesNo(const QString& text) {
    return takeAnswer(Box{Kind::YesNo, {}, text}, {Answer::Yes, Answer::No}, Answer::No).answer;
}

Dialogs::Answer ScriptedDialogs::askRetryCancel(const QString& text) {
    return takeAnswer(Box{Kind::RetryCancel, {}, text}, {Answer::Retry, Answer::Cancel}, Answer::Cancel).answer;
}

QString ScriptedDialogs::input(const QString& prompt, const QString& title, const QString&) {
    const Scripted next = takeAnswer(Box{Kind::Input, title, prompt}, {Answer::Ok, Answer::Cancel}, Answer::Cancel);
    return next.answer == Answer::Ok ? next.text : QString();
}
