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
 *
 * The four flows differ on purpose:
 *
 *                  | Enc1 (chosen list)  | DEC1 (chosen list)  | Enc2 (shown files)  | Dec2 (shown files)
 *  ----------------+---------------------+---------------------+---------------------+--------------------
 *  password        | set                 | set                 | set                 | set and equal to
 *                  |                     |                     |                     | `Vtext`
 *  checks          | every entry before  | every entry before  | each file just      | each file just
 *                  | the first pass      | the first pass      | before its pass     | before its pass
 *  wrong ending    | ask: Yes deselects, | ask: Yes deselects, | ask: Yes skips it,  | ask (told when it is
 *                  | No stops all        | No stops all        | No stops all        | the only file): stop
 *  missing or link | told, deselected    | ask: Yes deselects, | told, stops all     | told, stops all
 *                  |                     | No stops all        | (a link: skipped)   | (a link: skipped)
 *  too short       | removed from list   | removed from list   | told, skipped       | told, skipped
 *  name too long   | path: removed       | -                   | name: told, skipped | -
 *  free space of   | each file's volume  | each file's volume  | the folder, once    | the folder, once
 *  progress window | centred, once       | where it stood      | centred, each file  | where it stood
 *  older output    | re-marked encrypted | left alone          | left alone          | gets the header's
 *  kept (No)       |                     |                     |                     | attributes
 *  after success   | entry follows; new  | entry follows; a    | a replaced output   | marked encrypted if
 *                  | output marked       | replaced plain file | is marked encrypted | it replaced; plain
 *                  | encrypted           | gets header attrs   | (even on failure)   | gets header attrs
 *  input's attrs   | restored unless     | -                   | restored unless     | -
 *                  | delete-original     |                     | delete-original     |
 *  cancel          | stops after the     | stops after the     | stops after the     | stops at once after
 *                  | file's last step    | file's last step    | file's last step    | the pass
 *  end             | refresh, close      | refresh, close      | refresh, close;     | close, refresh;
 *                  |                     |                     | Busy cleared        | Busy cleared
 */
#pragma once

#include "encryptedformat.h"
#include "filechooser.h"
#include "freespace.h"
#include "passresult.h"

#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <functional>
#include <optional>

struct AppState;
class BarPanes;
class ChildWindowHost;
class CipherPass;
class Dialogs;
class PasswordSource;
class Platform;
class ProgressWindow;
class QListWidget;
class RunOptions;

class CryptCommands {
public:
    // What the commands work with.
    struct Roles {
        // Busy and CancelRequested; nothing of one file goes there.
        AppState& state;
        Dialogs& dialogs;
        Platform& platform;
        // `lab5` after a run, `lab6` when a check removes an entry.
        BarPanes& bars;
        PasswordSource& passwords;
        RunOptions& options;
        // Holds the chosen-file list a command works on and the main window the progress window
        // stands over.
        ChildWindowHost& host;
        ChooserLookup chooser;
    };

    explicit CryptCommands(const Roles& roles);

    // None of the four looks at Busy; each does nothing while one of them is already running (a
    // pop-up menu can be used while a pass lets window events run).
    void Enc1_Click();
    void DEC1_Click();
    void Enc2_Click();
    void Dec2_Click();

    // The progress window, made on first use.
    ProgressWindow& progress();

private:
    // One file in work, handed from step to step.
    struct FileJob {
        FileJob(const QString& path, const QString& field)
            : file(path)
            , passwordField(field) {}

        // The full path of the file.
        QString file;
        // The password as an encrypted file's header holds it; one value for the whole run.
        QString passwordField;
        // The decrypted output's name.
        QString plainName;
        // The header ReadHeader read, for the decoding pass.
        EncryptedHeader header;
        // The plain file's attribute value: read before encrypting, or from the header. Unknown
        // when the file's attributes could not be read; nothing is then restored.
        std::optional<quint8> savedAttributes;
    };
    // A file's counterpart: the other name of an encrypted/plain pair, and whether it exists.
    struct Twin {
        QString path;
        bool exists = false;
    };

    // What a command does after a check or a file: go on with the next one or stop.
    enum class Next { Continue, Stop };
    using EntryCheck = Next (CryptCommands::*)(int& i);
    using EntryStep = Next (CryptCommands::*)(FileJob& job, int i);
    using Procedure = void (CryptCommands::*)();

    // Runs a chosen-list command: the checks, then the files, then the status update.
    void runOnChosenList(EntryCheck checkEntry, Procedure processFiles);
    // Runs a shown-files command, then the status update; it always ends not busy.
    void runOnShownFiles(Procedure processFiles);

    // The shown files a command works on and what is the same for every one of them.
    struct ShownFiles {
        QString folder;
        QStringList names;
        FreeSpace space;
        QString passwordField;
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
    void forEachSelectedEntry(EntryStep step, const QString& passwordField);
    Next encryptChosenFile(FileJob& job, int i);
    Next decryptChosenFile(FileJob& job, int i);

    void EncryptShownFiles();
    void DecryptShownFiles();
    // The common start of the shown-files commands; no names when the command stops there.
    ShownFiles startShownFiles(bool verifyPassword);
    Next encryptShownFile(FileJob& job, const ShownFiles& shown, const QString& name);
    Next decryptShownFile(FileJob& job, const ShownFiles& shown);
    // What to do with a shown file that is a link or has vanished; nothing when it may be worked on.
    std::optional<Next> refuseUnusableShownFile(const QString& file);

    // The space check: false (after the message) when the file does not fit.
    bool fitsFreeSpace(const FreeSpace& space, qint64 length, const QString& verb, const QString& name);
    // Reads the job's attribute value before it is encrypted.
    void saveAttributes(FileJob& job);
    // ReadHeader into the job, then the password and the level letter: false (after its message)
    // when the file cannot be decrypted.
    bool acceptsHeader(FileJob& job);
    // The passes on the job's file.
    PassResult encryptCurrentFile(const FileJob& job);
    PassResult decryptCurrentFile(const FileJob& job);
    // Runs a pass on file that writes output and reports what the user must know of it.
    PassResult runPass(const QString& file, const std::function<PassResult(CipherPass&)>& pass);
    // Gives a file an attribute value, when one is known.
    void restoreAttributes(const QString& path, std::optional<quint8> value);
    // The end of a command after a cancelled pass.
    Next stopAfterCancel();

    void MarkEncrypted(const FileJob& job, int i);
    void MarkDecrypted(const FileJob& job, int i);
    // Whether the input of a decoding pass that ended so is gone as delete-original asks.
    bool DeleteOriginalIfChosen(const PassResult& pass) const;
    // The file is there and is no symbolic link.
    bool CheckFileExists(const QString& file) const;
    Twin CheckEncryptedTwinExists(const QString& file) const;
    Twin CheckPlainTwinExists(const QString& file) const;
    void refreshShownFiles();
    void updateStatus();

    bool pathExists(const QString& path) const;

    Roles m_roles;
    QPointer<ProgressWindow> m_progress;
    // A command is running: a second one arriving while a pass lets events run does nothing.
    bool m_running = false;
    // The chosen-file list a command works on; it may close while a pass lets events run.
    QPointer<QListWidget> m_list;
};
