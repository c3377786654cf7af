/*
 * The encrypt and decrypt commands. `Enc1_Click` and `DEC1_Click` check the selected entries of
 * the active window's chosen-file list and run `EncryptChosenFiles` or `DecryptChosenFiles`;
 * `Enc2_Click` and `Dec2_Click` run `EncryptShownFiles` or `DecryptShownFiles` over every file
 * the chooser's file list shows. Each asks what the user must decide, measures the free space,
 * hands each file to the pass runner with the progress window on screen and afterwards updates
 * the list entries and the status bar. The main window wires its menu items and tool-bar events
 * to them (the File menu and the tool bar through its command gate).
 *
 * A run is a sequence on the window's thread that never waits on the disk: the runner's worker
 * does the passes, while the command goes on checking the next files; it awaits the runner only
 * before a question or a message (so the files handed over before are in place, and their own
 * messages shown, first) and at its end. Busy is set from the start of a run to its end, and one
 * run at a time: a command that arrives during a run does nothing.
 *
 * No input file is deleted unless its output is complete and in place, and only while it is still
 * the file that was read; a pass that fails or is cancelled leaves its input and any file of the
 * output's name as they were; a file whose header names no level is reported and left alone;
 * nothing is done through a symbolic link. Each file's folder is opened once, when the file is
 * checked: the output's existence is looked up there and the pass works there, and an existing
 * output is replaced only when the user said Yes to replacing that very file.
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
 *                  | file's last step    | file's last step    | file's last step    | the pass (its
 *                  |                     |                     |                     | steps after skipped)
 *  end             | refresh, close      | refresh, close      | refresh, close;     | close, refresh;
 *                  |                     |                     | Busy cleared        | Busy cleared
 */
#pragma once

#include "app/core/filechooser.h"
#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/filechecks.h"
#include "app/crypt/engine/filetask.h"
#include "app/crypt/engine/freespace.h"
#include "app/crypt/engine/passresult.h"
#include "app/fileio/descriptor.h"

#include <QCoro/QCoroTask>
#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QPointer>
#include <QtCore/QString>
#include <QtCore/QStringList>

#include <coroutine>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include <sys/stat.h>

struct AppState;
class BarPanes;
class ChildWindowHost;
class ChosenFiles;
class Dialogs;
class PassRunner;
class PasswordSource;
class Platform;
class ProgressWindow;
class RunOptions;

class CryptCommands : public QObject {
    Q_OBJECT

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

    explicit CryptCommands(const Roles& roles, QObject* parent = nullptr);
    // A run still going is stopped: complete outputs are put in place, nothing more is asked.
    ~CryptCommands() override;

    // Each starts a run unless one is going (then it does nothing) and returns at once.
    void encryptChosenList();
    void decryptChosenList();
    void encryptShownFiles();
    void decryptShownFiles();
    bool isRunning() const { return m_running; }
    // Stops a run as a confirmed Cancel does (when the program ends during it).
    void stopRun();

    // The progress window, made on first use.
    ProgressWindow& progress();

signals:
    // A run is over: every file handed over is done and the progress window is closed.
    void runEnded();

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
        // The header readHeader read, for the decoding pass.
        EncryptedHeader header;
        // The plain file's attribute value, from the header.
        std::optional<quint8> savedAttributes;
        // The file's folder, opened when the file is checked; none when it could not be (the
        // pass then reports why).
        std::shared_ptr<const Descriptor> folder;
        // The existing output (device, inode) the user agreed to replace.
        std::optional<std::pair<dev_t, ino_t>> replaces;
    };
    // A file's counterpart: the other name of an encrypted/plain pair, and whether it exists
    // (which file it is when it does).
    struct Twin {
        QString path;
        bool exists = false;
        std::pair<dev_t, ino_t> identity;
    };
    // The shown files a command works on and what is the same for every one of them.
    struct ShownFiles {
        QString folder;
        QStringList names;
        FreeSpace space;
        QString passwordField;
    };

    // What a command does after a check or a file: go on with the next one or stop.
    enum class Next { Continue, Stop };
    using Step = QCoro::Task<Next>;
    using EntryCheck = Next (CryptCommands::*)(int& i);
    // What follows a file's pass once it has ended, on the window's thread.
    using AfterPass = std::function<void(const PassResult&)>;

    // Starts a run: Busy from here to its end, and no second run meanwhile.
    void start(QCoro::Task<> (CryptCommands::*run)());
    void finishRun();

    QCoro::Task<> encryptChosenListRun();
    QCoro::Task<> decryptChosenListRun();
    using ChosenFileStep = Step (CryptCommands::*)(FileJob job);
    // The checks of every selected entry, then fileStep on each, in order.
    QCoro::Task<> runOnChosenList(EntryCheck checkEntry, ChosenFileStep fileStep);
    QCoro::Task<> encryptShownFilesRun();
    QCoro::Task<> decryptShownFilesRun();

    // The checks of encryptChosenList and decryptChosenList on m_list before any file is
    // processed: false when the command stops there. A check may remove entry i, stepping i back.
    bool checkSelection(EntryCheck checkEntry);
    Next checkEntryToEncrypt(int& i);
    Next checkEntryToDecrypt(int& i);
    void removeEntry(int& i);
    // The selected entries of m_list, in order.
    QStringList selectedEntries() const;
    // Runs step on each file in turn, then waits for the last passes and ends the run: the file
    // list refreshed and the progress window closed (closeFirst: in that order), the status bar
    // updated. A cancel ends it through stopAfterCancel.
    QCoro::Task<> processFiles(QStringList files, std::function<Step(const QString&)> step, bool closeFirst = false);

    Step encryptChosenFile(FileJob job);
    Step decryptChosenFile(FileJob job);
    // The common start of the shown-files commands; no names when the command stops there.
    QCoro::Task<ShownFiles> startShownFiles(bool verifyPassword);
    Step encryptShownFile(FileJob job, ShownFiles shown, QString name);
    Step decryptShownFile(FileJob job, ShownFiles shown);
    // What to do with a shown file that is a link or has vanished; nothing when it may be worked on.
    QCoro::Task<std::optional<Next>> refuseUnusableShownFile(FileJob job);

    // The space check: false (after the message) when the file does not fit.
    QCoro::Task<bool> fitsFreeSpace(FreeSpace space, qint64 length, QString verb, QString name);
    // readHeader into the job, then the password and the level letter: false (after its message)
    // when the file cannot be decrypted.
    QCoro::Task<bool> acceptsHeader(FileJob& job);
    // Hands the job's file to the runner, its files to end with the attributes the command gives
    // them; afterPass follows once its pass has ended, after the messages every pass gives (a
    // failure, a notice).
    void encryptCurrentFile(const FileJob& job, FileChecks::Command command, bool replacing, AfterPass afterPass);
    void decryptCurrentFile(const FileJob& job, FileChecks::Command command, bool replacing, AfterPass afterPass);
    void runPass(const FileTask& task, AfterPass afterPass);
    void passEnded(const FileTask& task, const PassResult& result);
    // Gives a file an attribute value, when one is known.
    void restoreAttributes(const QString& path, std::optional<quint8> value);

    // Waits until every file handed over has ended and shows the messages they left, in order.
    // False when the commands are going away: the run then ends at once, touching nothing more.
    // (The coroutines here take their parameters by value and await only in plain statements:
    // nothing a suspension could outlive is a reference or a temporary.)
    QCoro::Task<bool> settle();
    // A message or question, after settle(); nullopt when the commands are going away.
    QCoro::Task<bool> tell(QString text);
    QCoro::Task<std::optional<bool>> askYes(QString question);
    // Lets the window's events run now and then during a long sequence of checks.
    QCoro::Task<bool> letWindowBreathe(int filesChecked);
    // The end of a command after a cancelled pass.
    QCoro::Task<> stopAfterCancel();

    // Whether the input of a decoding pass that ended so is gone as delete-original asks.
    bool deleteOriginalIfChosen(const PassResult& pass) const;
    // The file is there and is no symbolic link.
    bool checkFileExists(const QString& file) const;
    // Looked up in the job's folder.
    Twin CheckEncryptedTwinExists(const FileJob& job) const;
    Twin CheckPlainTwinExists(const FileJob& job) const;
    Twin twinIn(const FileJob& job, const QString& path) const;
    // The status of a file of the job's folder, never through a link: looked up in the folder
    // (by its path when the folder could not be opened). False when there is no such file.
    static bool lookUp(const FileJob& job, const QString& path, struct stat* info);
    // The job's file's length, 0 when it is not there.
    static qint64 lengthOf(const FileJob& job);
    // Opens the job's folder, once a run for each folder.
    void openFolder(FileJob& job);
    // The task of the job's pass: in its folder, replacing only what the user agreed to.
    static FileTask anchored(FileTask task, const FileJob& job);
    void refreshShownFiles();
    void updateStatus();

    bool pathExists(const QString& path) const;

    // The suspended run, resumed when the runner settles or the window has had its turn.
    enum class Waiting { Nothing, Settled, Breath };
    class Wait;
    void resumeRun(Waiting reason);

    Roles m_roles;
    PassRunner* m_runner;
    QPointer<ProgressWindow> m_progress;
    bool m_running = false;
    // The commands are being destroyed: a suspended run ends without another step.
    bool m_ending = false;
    std::coroutine_handle<> m_suspended;
    Waiting m_waiting = Waiting::Nothing;
    // The chosen-file list a run works on; it may close during the run.
    QPointer<ChosenFiles> m_list;
    // What follows each file handed over, in order, and the messages of ended passes not shown yet.
    std::deque<AfterPass> m_afterPasses;
    QStringList m_deferredMessages;
    // The folders of the run's files, by path, while tasks in them are held.
    QHash<QString, std::weak_ptr<const Descriptor>> m_folders;
};
