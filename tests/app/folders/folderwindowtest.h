/*
 * A fixture with the real main window on redirected folders: the chooser opens at the test's
 * "work" folder, every box goes to scripted dialogs, and menu items are fired the way the user
 * fires them.
 */
#pragma once

#include "mdiform1.h"
#include "passworddialog.h"
#include "redirectedfolderstest.h"
#include "scripteddialogs.h"
#include "spassword1.h"
#include "toolpanel.h"

#include <QtCore/QDir>
#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>

#include <memory>

class FolderWindowTest : public RedirectedFoldersTest {
protected:
    void SetUp() override {
        RedirectedFoldersTest::SetUp();
        m_oldCurrent = QDir::currentPath();
        m_work = makeDir(QStringLiteral("work"));
        QDir::setCurrent(m_work);
        m_window = std::make_unique<MDIForm1>(m_dialogs, m_platform);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        ASSERT_NE(chooser(), nullptr);
    }

    void TearDown() override {
        m_window.reset();
        QDir::setCurrent(m_oldCurrent);
        RedirectedFoldersTest::TearDown();
    }

    Spassword1* chooser() const { return m_window->chooser(); }

    // Fires a menu or pop-up item, refusing a missing or disabled one.
    void triggerAction(const QString& name) {
        QAction* action = m_window->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << qPrintable(name);
        ASSERT_TRUE(action->isEnabled()) << qPrintable(name);
        action->trigger();
    }

    // The working password, typed into the password dialog's field.
    void setPassword(const QString& password) {
        m_window->passwordDialog().findChild<QLineEdit*>(QStringLiteral("Text8"))->setText(password);
    }

    QToolButton* toolButton(const QString& name) const { return m_window->toolPanel().findChild<QToolButton*>(name); }

    ScriptedDialogs m_dialogs;
    std::unique_ptr<MDIForm1> m_window;
    QString m_work;

private:
    QString m_oldCurrent;
};
