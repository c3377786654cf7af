/*
 * The fixture of the encrypt and decrypt command tests: the real main window on a platform whose
 * free space a test can set, with helpers to fill the chosen-file list and make encrypted files.
 */
#pragma once

#include "appstate.h"
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
#include <tuple>

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
    // Most tests work with the verified password "pw".
    void SetUp() override {
        MainWindowTest::SetUp();
        setPassword(QStringLiteral("pw"));
    }

    AppState& state() { return m_window->state(); }
    QListWidget& list() { return *chooser()->chosenList(); }
    Progress* progressWindow() { return m_window->findChild<Progress*>(QStringLiteral("Progress")); }
    std::optional<quint32> attributesOf(const QString& path) const { return m_platform.attributes(path); }

    // Appends the paths to the chooser's chosen-file list, selected.
    void choose(const QStringList& paths) {
        for (const QString& path : paths) {
            list().addItem(path);
            list().item(list().count() - 1)->setSelected(true);
        }
    }
    QStringList entries(bool selectedOnly = false) {
        QStringList texts;
        for (int i = 0; i < list().count(); ++i) {
            if (!selectedOnly || list().item(i)->isSelected())
                texts << list().item(i)->text();
        }
        return texts;
    }
    QStringList selectedEntries() { return entries(true); }

    // Fires a command on these chosen files and the files "work" now holds, with these answers,
    // the earlier boxes forgotten. However it ended, the run leaves no progress window and no Busy.
    void run(const QString& command, const QStringList& chosen, const QList<Dialogs::Answer>& answers = {}) {
        list().clear();
        choose(chosen);
        chooser()->refreshFiles();
        m_dialogs.clear();
        for (const Dialogs::Answer answer : answers)
            m_dialogs.answer(answer);
        triggerAction(command);
        EXPECT_FALSE(progressWindow() && progressWindow()->isVisible());
        EXPECT_FALSE(state().Busy);
        EXPECT_FALSE(state().CancelRequested);
    }

    // The bytes and attributes of files, to show that a command left them as they were.
    using Snapshot = QList<std::tuple<QString, QByteArray, std::optional<quint32>>>;
    Snapshot snapshot(const QStringList& paths) const {
        Snapshot files;
        for (const QString& path : paths)
            files.append({path, readAll(path), m_platform.attributes(path)});
        return files;
    }
    void expectUnchanged(const Snapshot& files) const {
        for (const auto& [path, bytes, attributes] : files) {
            EXPECT_TRUE(readAll(path) == bytes) << qPrintable(path);
            EXPECT_EQ(m_platform.attributes(path), attributes) << qPrintable(path);
        }
    }

    void setDeleteOriginal(bool on) {
        if (isChecked(QStringLiteral("DELOLD")) != on)
            triggerAction(QStringLiteral("DELOLD"));
    }

    static QByteArray encryptedBytes(const QByteArray& plain, const QString& password, SecurityLevel level,
                                     quint8 savedAttributes) {
        QByteArray body = plain;
        EncryptedFormat::transformBody(body.data(), body.size(), 0, level);
        return EncryptedFormat::header(EncryptedFormat::PasswordField(password), level, savedAttributes) + body;
    }
    // An encrypted file exactly as a pass writes it, with attributes 7.
    QString makeEncrypted(const QString& relative, const QByteArray& plain,
                          const QString& password = QStringLiteral("pw"), SecurityLevel level = SecurityLevel::Low,
                          quint8 savedAttributes = 0) {
        return placeEncrypted(relative, encryptedBytes(plain, password, level, savedAttributes));
    }
    // An encrypted file whose level letter is neither "H" nor "L".
    QString makeDamaged(const QString& relative) {
        QByteArray bytes = encryptedBytes("some content", QStringLiteral("pw"), SecurityLevel::Low, 0);
        bytes[8] = static_cast<char>(255 - 'X');
        return placeEncrypted(relative, bytes);
    }
    QString placeEncrypted(const QString& relative, const QByteArray& bytes) {
        const QString path = makeFile(relative, bytes);
        m_platform.setAttributes(path, 7);
        return path;
    }
};
