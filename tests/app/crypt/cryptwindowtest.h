/*
 * The fixture of the encrypt and decrypt command tests: a real main window whose chooser shows
 * the test's folder "work", scripted boxes, a platform whose free space a test can set, and
 * helpers to fill the chosen-file list, set the working password and make encrypted files.
 */
#pragma once

#include "cipherpass.h"
#include "encryptedformat.h"
#include "linuxplatform.h"
#include "mdiform1.h"
#include "passworddialog.h"
#include "progress.h"
#include "scripteddialogs.h"
#include "spassword1.h"
#include "tempenv.h"

#include <QtCore/QDir>
#include <QtGui/QAction>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

// The real platform, with the free space a test sets.
class SpacePlatform : public LinuxPlatform {
public:
    std::optional<qint64> free;

    qint64 freeSpace(const QString& path) const override { return free ? *free : LinuxPlatform::freeSpace(path); }
};

// Runs a step the first time the progress window's cover leaves the start of its track, that is
// once the first block of a pass is written, while the pass lets window events run.
class OnFirstBlock : public QObject {
public:
    explicit OnFirstBlock(std::function<void(Progress&)> step)
        : m_step(std::move(step)) {
        qApp->installEventFilter(this);
    }

    bool ran() const { return m_ran; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* cover = qobject_cast<QWidget*>(watched);
        if (!m_ran && event->type() == QEvent::Move && cover && cover->objectName() == QStringLiteral("Label2") &&
            cover->x() > 0) {
            m_ran = true;
            m_step(*qobject_cast<Progress*>(cover->window()));
        }
        return false;
    }

private:
    std::function<void(Progress&)> m_step;
    bool m_ran = false;
};

inline void pressCancel(Progress& progress) {
    progress.findChild<QPushButton*>(QStringLiteral("Command1"))->click();
}

class CryptWindowTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_oldCurrent = QDir::currentPath();
        m_work = makeDir(QStringLiteral("work"));
        // The chooser opens at the process's current folder.
        QDir::setCurrent(m_work);
        m_window = std::make_unique<MDIForm1>(m_dialogs, m_platform);
        m_window->setProcessEnd([] {});
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void TearDown() override {
        m_window.reset();
        QDir::setCurrent(m_oldCurrent);
        TempEnvTest::TearDown();
    }

    MDIForm1& window() { return *m_window; }
    AppState& state() { return m_window->state(); }
    Spassword1& chooser() { return *m_window->chooser(); }
    QListWidget& list() { return *chooser().chosenList(); }

    // Appends the paths to the chooser's chosen-file list, selected.
    void choose(const QStringList& paths) {
        for (const QString& path : paths) {
            list().addItem(path);
            list().item(list().count() - 1)->setSelected(true);
        }
    }
    QStringList entries() {
        QStringList texts;
        for (int i = 0; i < list().count(); ++i)
            texts << list().item(i)->text();
        return texts;
    }
    QStringList selectedEntries() {
        QStringList texts;
        for (int i = 0; i < list().count(); ++i) {
            if (list().item(i)->isSelected())
                texts << list().item(i)->text();
        }
        return texts;
    }

    // Sets the working password the way the password dialog leaves it after "Ok".
    void setPassword(const QString& password, const QString& verify) {
        PassWord1& dialog = m_window->passwordDialog();
        dialog.findChild<QLineEdit*>(QStringLiteral("Text8"))->setText(password);
        dialog.findChild<QLineEdit*>(QStringLiteral("Vtext"))->setText(verify);
    }
    void setPassword(const QString& password) { setPassword(password, password); }

    // Fires a menu or pop-up item the way the user does, refusing a missing or disabled one.
    void trigger(const QString& name) {
        QAction* action = m_window->findChild<QAction*>(name);
        ASSERT_NE(action, nullptr) << qPrintable(name);
        ASSERT_TRUE(action->isEnabled()) << qPrintable(name);
        action->trigger();
    }
    bool isChecked(const QString& name) { return m_window->menuItem(name)->isChecked(); }
    void setDeleteOriginal(bool on) {
        if (isChecked(QStringLiteral("DELOLD")) != on)
            trigger(QStringLiteral("DELOLD"));
    }

    // An encrypted file exactly as a pass writes it, with attributes 7.
    QString makeEncrypted(const QString& relative, const QByteArray& plain, const QString& password,
                          SecurityLevel level = SecurityLevel::Low, quint8 savedAttributes = 0) {
        QByteArray body = plain;
        EncryptedFormat::transformBody(body.data(), body.size(), 0, level);
        const QString path = makeFile(
            relative, EncryptedFormat::header(EncryptedFormat::PasswordField(password), level, savedAttributes) + body);
        m_platform.setAttributes(path, 7);
        return path;
    }

    std::optional<quint32> attributesOf(const QString& path) const { return m_platform.attributes(path); }
    Progress* progressWindow() { return m_window->findChild<Progress*>(QStringLiteral("Progress")); }

    ScriptedDialogs m_dialogs;
    SpacePlatform m_platform;
    QString m_work;
    std::unique_ptr<MDIForm1> m_window;

private:
    QString m_oldCurrent;
};
