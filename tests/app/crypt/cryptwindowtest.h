/*
 * The fixture of the encrypt and decrypt command tests: the real main window on a platform whose
 * free space a test can set, with helpers to fill the chosen-file list and make encrypted files.
 */
#pragma once

#include "cipherpass.h"
#include "encryptedformat.h"
#include "linuxplatform.h"
#include "mainwindowtest.h"
#include "progress.h"

#include <QtWidgets/QApplication>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

#include <functional>
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

class CryptWindowTest : public MainWindowTest<SpacePlatform> {
protected:
    AppState& state() { return m_window->state(); }
    QListWidget& list() { return *chooser()->chosenList(); }

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

    void setDeleteOriginal(bool on) {
        if (isChecked(QStringLiteral("DELOLD")) != on)
            triggerAction(QStringLiteral("DELOLD"));
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
};
