/*
 * The encrypt and decrypt commands. `Enc1_Click` and `DEC1_Click` check the selected entries of
 * the active window's chosen-file list and run `EncryptChosenFiles` or `DecryptChosenFiles`;
 * `Enc2_Click` and `Dec2_Click` run `EncryptShownFiles` or `DecryptShownFiles` over every file
 * the chooser's file list shows. Each asks what the user must decide, measures the free space,
 * hands each file to a pass with the progress window on screen and afterwards updates the list
 * entries and the status bar. The main window wires its menu items and tool-bar events to them
 * (the File menu and the tool bar through its command gate).
 *
 * No input file is deleted unless its output is complete and in place, and only while it is still
 * the file that was read; a pass that fails or is cancelled leaves its input and any file of the
 * output's name as they were; a file whose header names no level is reported and left alone;
 * nothing is done through a symbolic link.
 */
#pragma once

#include <optional>

#include "encryptedformat.h"
#include "freespace.h"
#include "passresult.h"

#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>

class CipherPass;
class MainWindowServices;
class ProgressWindow;
class QListWidget;

class CryptCommands {
public:
    // verifyPassword reads the password dialog's verify box `Vtext`.
    CryptCommands(MainWindowServices& services, std::function<QString()> verifyPassword);

    // None of the four looks at Busy; each does nothing while one of them is already running (a
    // pop-up menu can be used while a pass lets window events run).
    void Enc1_Click();
    void DEC1_Click();
    void Enc2_Click();
    void Dec2_Click();

    // The progress window, made on first use.
    ProgressWindow& progress();

private:
    // What a command does after a check or a file: go on with the next one or stop.
    enum class Next { Continue, Stop };
    using EntryCheck = Next (CryptCommands::*)(int& i);
    using EntryStep = Next (CryptCommands::*)(int i);
    using Procedure = void (CryptCommands::*)();

    // Runs a chosen-list command: the checks, then the files, then the status update.
    void runOnChosenList(EntryCheck checkEntry, Procedure processFiles);
    // Runs a shown-files command, then the status update; it always ends not busy.
    void runOnShownFiles(Procedure processFiles);

    struct ShownFiles {
        QString folder;
        QStringList names;
    };

    // The checks of Enc1_Click and DEC1_Click on m_list before any file is processed: false when
    // the command stops there. A check may remove entry i, stepping i back.
    bool checkSelection(EntryCheck checkEntry);
    Next checkEntryToEncrypt(int& i);
    Next checkEntryToDecrypt(int& i);
    void removeEntry(int& i);

    void EncryptChosenFiles();
    void DecryptChosenFiles();
    // Runs step on every selected entry of m_list in order, then refreshes and closes.
    void forEachSelectedEntry(EntryStep step);
    Next encryptChosenFile(int i);
    Next decryptChosenFile(int i);

    void EncryptShownFiles();
    void DecryptShownFiles();
    // The common start of the shown-files commands; no names when the command stops there.
    ShownFiles startShownFiles(bool verifyPassword);
    Next encryptShownFile(const QString& name);
    Next decryptShownFile(qsizetype shownCount);
    // What to do with a shown file that is a link or has vanished; nothing when it may be worked on.
    std::optional<Next> refuseUnusableShownFile(const QString& file);

    // The space check: false (after the message) when the file does not fit.
    bool fitsFreeSpace(qint64 length, const QString& verb, const QString& name);
    // ReadHeader, then the password and the level letter: false (after its message) when the
    // file cannot be decrypted.
    bool acceptsHeader();
    // The passes on CurrentFile.
    PassResult encryptCurrentFile();
    PassResult decryptCurrentFile();
    // Runs a pass that writes output and reports what the user must know of it. Unless it
    // succeeds, CurrentFile gets inputAttributes back (unless another pass holds it).
    PassResult runPass(quint8 inputAttributes, const std::function<PassResult(CipherPass&)>& pass);
    // The end of a command after a cancelled pass.
    Next stopAfterCancel();

    void MarkEncrypted(int i);
    void MarkDecrypted(int i);
    void DeleteOriginalIfChosen();
    void CheckFileExists();
    void CheckEncryptedTwinExists();
    void CheckPlainTwinExists();
    void refreshShownFiles();
    void updateStatus();

    bool isChecked(const QString& itemName) const;
    bool pathExists(const QString& path) const;
    const QString& currentFile() const;

    MainWindowServices& m_services;
    std::function<QString()> m_verifyPassword;
    QPointer<ProgressWindow> m_progress;
    // A command is running: a second one arriving while a pass lets events run does nothing.
    bool m_running = false;
    // The chosen-file list a command works on; it may close while a pass lets events run.
    QPointer<QListWidget> m_list;

    // The values the commands share while they run.
    QString PasswordField;
    QString PlainName;
    bool TwinExists = false;
    bool DeleteSucceeded = false;
    FreeSpace m_space;
    // The header ReadHeader read last, for the decoding pass.
    EncryptedHeader m_header;
    // How the last pass ended.
    PassResult m_lastPass;
};
