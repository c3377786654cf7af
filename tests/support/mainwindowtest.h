/*
 * The fixture of the tests that drive the real main window: the test's own folders with "work"
 * made current so the chooser opens there, scripted dialogs, a platform of the test's choosing,
 * a count of process ends, and menu items fired the way the user fires them. Header-only, so
 * that only the test programs that link the whole program pull the window in.
 */
#pragma once

#include "app/lists/filechooserwindow.h"
#include "app/passwords/passworddialog.h"
#include "app/shell/mainwindow.h"
#include "controls/toolpanel/toolpanel.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"

#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QToolButton>

#include <memory>

template <typename PlatformType> class MainWindowTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_oldCurrent = QDir::currentPath();
        m_work = makeDir(QStringLiteral("work"));
        QDir::setCurrent(m_work);
        preparePlatform();
        openWindow(m_dialogs);
    }

    void TearDown() override {
        m_window.reset();
        QDir::setCurrent(m_oldCurrent);
        TempEnvTest::TearDown();
    }

    // Arranges the platform before the window first asks it anything.
    virtual void preparePlatform() {}

    // Replaces the window by a new, shown one whose boxes go through these dialogs.
    void openWindow(Dialogs& dialogs) {
        m_window.reset();
        m_window = std::make_unique<MainWindow>(dialogs, m_platform);
        m_window->setProcessEnd([this] { ++m_processEnds; });
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        ASSERT_NE(chooser(), nullptr);
    }

    MainWindow& window() const { return *m_window; }
    FileChooserWindow* chooser() const { return m_window->chooserWindow(); }
    QToolButton* toolButton(const QString& name) const { return m_window->toolPanel().findChild<QToolButton*>(name); }
    bool isChecked(const QString& name) const { return m_window->findChild<QAction*>(name)->isChecked(); }

    // Fires a menu or pop-up item, refusing a missing or disabled one.
    void triggerAction(const QString& name) {
        QAction* action = m_window->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << qPrintable(name);
        ASSERT_TRUE(action->isEnabled()) << qPrintable(name);
        action->trigger();
    }

    // Sets the working password the way the password dialog leaves it after "Ok".
    void setPassword(const QString& password) {
        for (const char* field : {"Text8", "Vtext"})
            m_window->passwordDialog().findChild<QLineEdit*>(QLatin1String(field))->setText(password);
    }

    ScriptedDialogs m_dialogs;
    PlatformType m_platform;
    QString m_work;
    std::unique_ptr<MainWindow> m_window;
    int m_processEnds = 0;

private:
    QString m_oldCurrent;
};
