/* The Dialogs the user sees: modal Qt boxes with the application title and no icon. */
#pragma once

#include "app/core/dialogs.h"

class QWidget;

class MessageBoxDialogs final : public Dialogs {
public:
    explicit MessageBoxDialogs(QWidget* parent = nullptr)
        : m_parent(parent) {}

    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const QString& text) override;
    Answer askYesNo(const QString& text) override;
    Answer askRetryCancel(const QString& text) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;

private:
    QWidget* m_parent;
};
