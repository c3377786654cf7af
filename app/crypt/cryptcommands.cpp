/*
 * The encrypt and decrypt commands: their checks, questions and messages in the order the user
 * meets them, the passes handed to the runner with the progress window on screen, and what
 * follows each pass.
 */
#include "app/crypt/cryptcommands.h"

#include "app/core/appstate.h"
#include "app/core/barpanes.h"
#include "app/core/childwindowhost.h"
#include "app/core/chosenfiles.h"
#include "app/core/dialogs.h"
#include "app/core/passwordsource.h"
#include "app/core/runoptions.h"
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/filechecks.h"
#include "app/crypt/engine/passrunner.h"
#include "app/crypt/progresswindow.h"
#include "app/fileio/fileio.h"
#include "app/lists/engine/chooserrules.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"
#include "common/secretwipe.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>

#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

using Answer = Dialogs::Answer;
using Command = FileChecks::Command;
using Outcome = PassResult::Outcome;

// Checks of this many files in a row give the window a turn.
constexpr int ChecksBetweenBreaths = 32;

const QString convertOrCancelAll = u"Vexa Password will convert this selection for you. \r\n\r\n"
                                   u" Press Yes to accept    No to cancel all"_s;

bool isSymbolicLink(const QString& path) {
    return QFileInfo(path).isSymLink();
}

qint64 fileLength(const QString& path) {
    return QFileInfo(path).size();
}

// Refuses an entry whose name the program can't name exactly, deselecting it; true when it did.
bool refusedName(Dialogs& dialogs, ChosenFiles& list, int i, const QString& file) {
    const Expected<void> usable = FileNames::usable(file);
    if (!usable) {
        dialogs.message(usable.error().message);
        list.setSelected(i, false);
    }
    return !usable;
}

// The entry that names file takes a new path, deselected. A run finds its entries by path, as
// the user may move them; a list that has closed has nothing to follow.
void renameEntry(ChosenFiles* list, const QString& file, const QString& path) {
    if (const int row = list ? list->rowOf(file) : -1; row >= 0) {
        list->setPath(row, path);
        list->setSelected(row, false);
    }
}

QString failureText(const PassResult& result, const QString& file) {
    switch (result.outcome) {
    case Outcome::Incomplete:
        return file + u" could not be processed completely and was left untouched."_s;
    case Outcome::UnknownLevel:
        return file + u" has a damaged header and was left untouched."_s;
    default:
        return result.error;
    }
}

} // namespace

// Suspends the run until resumeRun(reason): when the runner has settled, or after the window's turn.
class CryptCommands::Wait {
public:
    Wait(CryptCommands& commands, Waiting reason)
        : m_commands(commands)
        , m_reason(reason) {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> run) noexcept {
        m_commands.m_suspended = run;
        m_commands.m_waiting = m_reason;
    }
    // False when the commands are going away.
    bool await_resume() const noexcept { return !m_commands.m_ending; }

private:
    CryptCommands& m_commands;
    Waiting m_reason;
};

CryptCommands::CryptCommands(const Roles& roles, QObject* parent)
    : QObject(parent)
    , m_roles(roles)
    , m_runner(new PassRunner(roles.platform, this)) {
    connect(m_runner, &PassRunner::fileFinished, this, &CryptCommands::passEnded);
    connect(m_runner, &PassRunner::settled, this, [this] { resumeRun(Waiting::Settled); });
}

CryptCommands::~CryptCommands() {
    // The run ends where it waits; the runner, going with this object, puts in place what is complete.
    m_ending = true;
    m_runner->stop();
    resumeRun(m_waiting);
}

ProgressWindow& CryptCommands::progress() {
    if (!m_progress) {
        m_progress = new ProgressWindow(m_roles.host.mainWindow(), m_roles.state, m_roles.dialogs);
        m_progress->follow(*m_runner);
    }
    return *m_progress;
}

bool CryptCommands::pathExists(const QString& path) const {
    return m_roles.platform.attributes(path).has_value();
}

// ---- Runs ----

void CryptCommands::encryptChosenList() {
    start(&CryptCommands::encryptChosenListRun);
}

void CryptCommands::decryptChosenList() {
    start(&CryptCommands::decryptChosenListRun);
}

void CryptCommands::encryptShownFiles() {
    start(&CryptCommands::encryptShownFilesRun);
}

void CryptCommands::decryptShownFiles() {
    start(&CryptCommands::decryptShownFilesRun);
}

void CryptCommands::start(QCoro::Task<> (CryptCommands::*run)()) {
    if (m_running)
        return;
    m_running = true;
    m_roles.state.busy = true;
    m_roles.state.cancelRequested = false;
    // Runs to its first wait here; the rest follows as the runner and the window let it.
    (this->*run)();
}

void CryptCommands::stopRun() {
    if (!m_running)
        return;
    m_roles.state.cancelRequested = true;
    m_runner->stop();
}

void CryptCommands::finishRun() {
    m_running = false;
    m_folders.clear();
    m_roles.state.busy = false;
    m_list = nullptr;
    if (!m_ending)
        emit runEnded();
}

void CryptCommands::resumeRun(Waiting reason) {
    if (!m_suspended || m_waiting != reason)
        return;
    m_waiting = Waiting::Nothing;
    std::exchange(m_suspended, {}).resume();
}

QCoro::Task<bool> CryptCommands::settle() {
    if (!m_runner->isSettled()) {
        m_runner->settle();
        const bool goOn = co_await Wait(*this, Waiting::Settled);
        if (!goOn)
            co_return false;
    }
    for (const QString& text : std::exchange(m_deferredMessages, {}))
        m_roles.dialogs.message(text);
    co_return !m_ending;
}

QCoro::Task<bool> CryptCommands::tell(QString text) {
    const bool settled = co_await settle();
    if (!settled || m_roles.state.cancelRequested)
        co_return false;
    m_roles.dialogs.message(text);
    co_return true;
}

QCoro::Task<std::optional<bool>> CryptCommands::askYes(QString question) {
    const bool settled = co_await settle();
    if (!settled || m_roles.state.cancelRequested)
        co_return std::nullopt;
    co_return m_roles.dialogs.askYesNo(question) == Answer::Yes;
}

QCoro::Task<bool> CryptCommands::letWindowBreathe(int filesChecked) {
    if (filesChecked % ChecksBetweenBreaths != 0)
        co_return !m_ending;
    QTimer::singleShot(0, this, [this] { resumeRun(Waiting::Breath); });
    const bool goOn = co_await Wait(*this, Waiting::Breath);
    co_return goOn;
}

QCoro::Task<> CryptCommands::stopAfterCancel() {
    const bool settled = co_await settle();
    if (!settled)
        co_return;
    m_roles.state.cancelRequested = false;
    refreshShownFiles();
    progress().closeProgress();
}

// ---- Chosen-file lists ----

QCoro::Task<> CryptCommands::encryptChosenListRun() {
    co_await runOnChosenList(&CryptCommands::checkEntryToEncrypt, &CryptCommands::encryptChosenFile);
}

QCoro::Task<> CryptCommands::decryptChosenListRun() {
    co_await runOnChosenList(&CryptCommands::checkEntryToDecrypt, &CryptCommands::decryptChosenFile);
}

QCoro::Task<> CryptCommands::runOnChosenList(EntryCheck checkEntry, ChosenFileStep fileStep) {
    m_list = m_roles.host.activeChosenFiles();
    if (checkSelection(checkEntry)) {
        QString passwordField = EncryptedFormat::passwordFieldOf(m_roles.passwords.currentPassword());
        const Secret::WipedOnExit wipeField(passwordField);
        // The encryption places the progress window over the main window; the decryption shows
        // it where it stood.
        if (fileStep == &CryptCommands::encryptChosenFile)
            progress().showOverMainWindow();
        else
            progress().showInPlace();
        std::function<Step(const QString&)> step = [this, passwordField, fileStep](const QString& file) {
            return (this->*fileStep)(FileJob{file, passwordField});
        };
        co_await processFiles(selectedEntries(), std::move(step));
    }
    finishRun();
}

QCoro::Task<> CryptCommands::processFiles(QStringList files, std::function<Step(const QString&)> step,
                                          bool closeFirst) {
    bool stopped = false;
    int checked = 0;
    for (const QString& file : files) {
        const bool goOn = co_await letWindowBreathe(++checked);
        if (!goOn)
            co_return;
        if (m_roles.state.cancelRequested) {
            stopped = true;
            break;
        }
        const Next next = co_await step(file);
        if (next == Next::Stop) {
            stopped = true;
            break;
        }
    }
    if (m_ending)
        co_return;
    if (!stopped && !m_roles.state.cancelRequested) {
        const bool settled = co_await settle();
        if (!settled)
            co_return;
    }
    // A cancel confirmed while the last files were finishing ends the run as any cancel does.
    if (m_roles.state.cancelRequested) {
        co_await stopAfterCancel();
    } else if (!stopped) {
        if (closeFirst)
            progress().closeProgress();
        refreshShownFiles();
        if (!closeFirst)
            progress().closeProgress();
    }
    if (!m_ending)
        updateStatus();
}

QStringList CryptCommands::selectedEntries() const {
    return m_list ? m_list->selectedPaths() : QStringList();
}

bool CryptCommands::checkSelection(EntryCheck checkEntry) {
    // No file has been handed over yet: the boxes need not wait for the runner.
    Dialogs& dialogs = m_roles.dialogs;
    if (!m_list || !m_list->hasSelection()) {
        dialogs.message(u"Choose file(s) in your list Please."_s);
        return false;
    }
    if (m_roles.passwords.currentPassword().isEmpty()) {
        m_roles.passwords.askForPassword();
        return false;
    }
    for (int i = 0; m_list && i < m_list->count(); ++i) {
        if (!m_list->isSelected(i))
            continue;
        if ((this->*checkEntry)(i) == Next::Stop || !m_list)
            return false;
    }
    if (!m_list->hasSelection()) {
        dialogs.message(u"Choose file(s) in your list again Please."_s);
        return false;
    }
    return true;
}

CryptCommands::Next CryptCommands::checkEntryToEncrypt(int& i) {
    Dialogs& dialogs = m_roles.dialogs;
    const QString file = m_list->path(i);
    if (refusedName(dialogs, *m_list, i, file))
        return Next::Continue;
    if (FileChecks::hasEncryptedEnding(file)) {
        if (dialogs.askYesNo(file + u" , Is a already encrypted file.\r\n"_s + convertOrCancelAll) != Answer::Yes)
            return Next::Stop;
        m_list->setSelected(i, false);
    }
    if (!checkFileExists(file)) {
        dialogs.message(file + u" moved or it may in locked folder.\r\nVexa Password will convert this selection."_s);
        m_list->setSelected(i, false);
        return Next::Continue;
    }
    if (FileChecks::isTooShort(fileLength(file))) {
        dialogs.message(file + u" is too short File to be encrypted. Vexa Password will remove it from your list."_s);
        removeEntry(i);
        return Next::Continue;
    }
    if (FileChecks::isTooLong(file)) {
        dialogs.message(file + u" Long file name.  Vexa Password will remove it from your list."_s);
        removeEntry(i);
    }
    return Next::Continue;
}

CryptCommands::Next CryptCommands::checkEntryToDecrypt(int& i) {
    Dialogs& dialogs = m_roles.dialogs;
    const QString file = m_list->path(i);
    if (refusedName(dialogs, *m_list, i, file))
        return Next::Continue;
    if (!FileChecks::hasEncryptedEnding(file)) {
        if (dialogs.askYesNo(file + u" , Isn't a protectd file.\r\n"_s + convertOrCancelAll) != Answer::Yes)
            return Next::Stop;
        m_list->setSelected(i, false);
    }
    if (!checkFileExists(file)) {
        if (dialogs.askYesNo(file + u" moved or it may in locked folder.\r\n"
                                    u"Vexa Password will convert this selection for you.\r\n"
                                    u" Press Yes to accept    No to cancel all"_s) != Answer::Yes)
            return Next::Stop;
        m_list->setSelected(i, false);
        return Next::Continue;
    }
    if (FileChecks::isTooShort(fileLength(file))) {
        dialogs.message(file + u" isn't an encrypted file. Vexa Password will remove it from your list."_s);
        removeEntry(i);
    }
    return Next::Continue;
}

void CryptCommands::removeEntry(int& i) {
    m_list->removeRow(i--);
    // The pane counts the entries of the list worked in; it would go stale otherwise.
    m_roles.bars.showListCount(m_list->count());
}

CryptCommands::Step CryptCommands::encryptChosenFile(FileJob job) {
    Platform& platform = m_roles.platform;
    openFolder(job);
    const QString file = job.file;
    const FreeSpace space = MeasureFreeSpace(platform, file);
    const qint64 length = lengthOf(job);
    if (length == 0)
        co_return Next::Continue;
    const bool fits = co_await fitsFreeSpace(space, length, u"encrypt"_s, file);
    if (!fits)
        co_return m_ending ? Next::Stop : Next::Continue;
    const Twin twin = CheckEncryptedTwinExists(job);
    if (twin.exists) {
        const std::optional<bool> replace =
            co_await askYes(file + u".vxp already exists. do you want to replace it "_s);
        if (!replace)
            co_return Next::Stop;
        if (!*replace) {
            FileChecks::markEncrypted(platform, twin.path);
            co_return Next::Continue;
        }
        job.replaces = twin.identity;
    }
    encryptCurrentFile(job, Command::ChosenList, twin.exists, [this, job](const PassResult& result) {
        if (result.outcome == Outcome::Succeeded)
            renameEntry(m_list, job.file, EncryptedFormat::encryptedName(job.file));
    });
    co_return Next::Continue;
}

CryptCommands::Step CryptCommands::decryptChosenFile(FileJob job) {
    Platform& platform = m_roles.platform;
    openFolder(job);
    const QString file = job.file;
    const FreeSpace space = MeasureFreeSpace(platform, file);
    const qint64 length = lengthOf(job);
    if (length == 0)
        co_return Next::Continue;
    const bool fits = co_await fitsFreeSpace(space, length, u"decrypt"_s, file);
    if (!fits)
        co_return m_ending ? Next::Stop : Next::Continue;
    const bool accepted = co_await acceptsHeader(job);
    if (!accepted)
        co_return m_ending ? Next::Stop : Next::Continue;
    const Twin twin = CheckPlainTwinExists(job);
    job.plainName = twin.path;
    const bool replacing = twin.exists;
    if (replacing) {
        const std::optional<bool> replace =
            co_await askYes(job.plainName + u" already exist do you want to replace it "_s);
        if (!replace)
            co_return Next::Stop;
        if (!*replace)
            co_return Next::Continue;
        job.replaces = twin.identity;
    }
    decryptCurrentFile(job, Command::ChosenList, replacing, [this, job](const PassResult& result) {
        // Whether the pass deleted the encrypted file is not looked at here: the entry follows the
        // plain file either way.
        if (result.outcome == Outcome::Succeeded)
            renameEntry(m_list, job.file, job.plainName);
    });
    co_return Next::Continue;
}

// ---- Shown files ----

QCoro::Task<CryptCommands::ShownFiles> CryptCommands::startShownFiles(bool verifyPassword) {
    const FileChooser* chooser = m_roles.chooser();
    if (!chooser)
        co_return ShownFiles{};
    ShownFiles shown{chooser->currentFolder(), chooser->shownFiles(), {}, {}};
    shown.space = MeasureFreeSpace(m_roles.platform, shown.folder);
    if (shown.names.isEmpty()) {
        m_roles.dialogs.message(u"There're no shown in the directory"_s);
        co_return ShownFiles{};
    }
    PasswordSource& passwords = m_roles.passwords;
    const QString password = passwords.currentPassword();
    if (password.isEmpty() || (verifyPassword && password != passwords.verifyPassword())) {
        passwords.askForPassword();
        co_return ShownFiles{};
    }
    shown.passwordField = EncryptedFormat::passwordFieldOf(password);
    co_return shown;
}

QCoro::Task<> CryptCommands::encryptShownFilesRun() {
    ShownFiles shown = co_await startShownFiles(false);
    const Secret::WipedOnExit wipeField(shown.passwordField);
    if (!shown.names.isEmpty()) {
        std::function<Step(const QString&)> step = [this, &shown](const QString& name) {
            return encryptShownFile(FileJob{ChooserRules::joinPath(shown.folder, name), shown.passwordField}, shown,
                                    name);
        };
        co_await processFiles(shown.names, std::move(step));
    } else {
        updateStatus();
    }
    finishRun();
}

QCoro::Task<> CryptCommands::decryptShownFilesRun() {
    ShownFiles shown = co_await startShownFiles(true);
    const Secret::WipedOnExit wipeField(shown.passwordField);
    if (!shown.names.isEmpty()) {
        progress().showInPlace();
        std::function<Step(const QString&)> step = [this, &shown](const QString& name) {
            return decryptShownFile(FileJob{ChooserRules::joinPath(shown.folder, name), shown.passwordField}, shown);
        };
        co_await processFiles(shown.names, std::move(step), true);
    } else {
        updateStatus();
    }
    finishRun();
}

CryptCommands::Step CryptCommands::encryptShownFile(FileJob job, ShownFiles shown, QString name) {
    openFolder(job);
    const QString file = job.file;
    progress().showOverMainWindow();
    if (FileChecks::isTooLong(name)) {
        const bool told = co_await tell(u" Long file name. Please rename this file.      "_s + name);
        co_return told ? Next::Continue : Next::Stop;
    }
    if (const std::optional<Next> refused = co_await refuseUnusableShownFile(job))
        co_return *refused;
    const qint64 length = lengthOf(job);
    if (FileChecks::isTooShort(length)) {
        const bool told = co_await tell(file + u"Too short File to be secret."_s);
        co_return told ? Next::Continue : Next::Stop;
    }
    if (FileChecks::hasEncryptedEnding(file)) {
        const std::optional<bool> goOn =
            co_await askYes(file + u" , Is a Secret file.\r\nPress yes to continue.   No to cancel for all."_s);
        if (!goOn)
            co_return Next::Stop;
        if (*goOn)
            co_return Next::Continue;
        progress().closeProgress();
        co_return Next::Stop;
    }
    const bool fits = co_await fitsFreeSpace(shown.space, length, u"encrypt"_s, name);
    if (!fits)
        co_return m_ending ? Next::Stop : Next::Continue;
    const Twin twin = CheckEncryptedTwinExists(job);
    const bool replacing = twin.exists;
    if (replacing) {
        const std::optional<bool> replace =
            co_await askYes(file + u".vxp already exists. do you want to replace it "_s);
        if (!replace)
            co_return Next::Stop;
        if (!*replace)
            co_return Next::Continue;
        job.replaces = twin.identity;
    }
    encryptCurrentFile(job, Command::ShownFiles, replacing, {});
    co_return Next::Continue;
}

QCoro::Task<std::optional<CryptCommands::Next>> CryptCommands::refuseUnusableShownFile(FileJob job) {
    const QString file = job.file;
    if (const Expected<void> usable = FileNames::usable(file); !usable) {
        const bool told = co_await tell(usable.error().message);
        co_return told ? Next::Continue : Next::Stop;
    }
    // The file list shows links to files; a run over a folder passes them over.
    struct stat info {};
    const bool found = lookUp(job, file, &info);
    if (found && S_ISLNK(info.st_mode)) {
        const bool told = co_await tell(file + u" is a symbolic link and was left untouched."_s);
        co_return told ? Next::Continue : Next::Stop;
    }
    if (!found) {
        const bool told = co_await tell(u"File "_s + file + u" moved or removed. please check the file path."_s);
        if (told)
            progress().closeProgress();
        co_return Next::Stop;
    }
    co_return std::nullopt;
}

CryptCommands::Step CryptCommands::decryptShownFile(FileJob job, ShownFiles shown) {
    openFolder(job);
    const QString file = job.file;
    if (const std::optional<Next> refused = co_await refuseUnusableShownFile(job))
        co_return *refused;
    const qint64 length = lengthOf(job);
    if (length == 0)
        co_return Next::Continue;
    const bool fits = co_await fitsFreeSpace(shown.space, length, u"decrypt"_s, file);
    if (!fits)
        co_return m_ending ? Next::Stop : Next::Continue;
    if (FileChecks::isTooShort(length)) {
        const bool told = co_await tell(file + u" isn't a secret file "_s);
        co_return told ? Next::Continue : Next::Stop;
    }
    if (!FileChecks::hasEncryptedEnding(file)) {
        const QString notSecret = file + u" , Isn't a Secret file."_s;
        if (shown.names.size() > 1) {
            const std::optional<bool> skip = co_await askYes(
                notSecret + u"\r\nPress yes to ignore this file and continue.   No to cancel for all. "_s);
            if (!skip)
                co_return Next::Stop;
            if (*skip)
                co_return Next::Continue;
        } else {
            const bool told = co_await tell(notSecret);
            if (!told)
                co_return Next::Stop;
        }
        progress().closeProgress();
        co_return Next::Stop;
    }
    const bool accepted = co_await acceptsHeader(job);
    if (!accepted)
        co_return m_ending ? Next::Stop : Next::Continue;
    const Twin twin = CheckPlainTwinExists(job);
    job.plainName = twin.path;
    const bool replacing = twin.exists;
    if (replacing) {
        const std::optional<bool> replace =
            co_await askYes(job.plainName + u" already exist do you want to replace it "_s);
        if (!replace)
            co_return Next::Stop;
        if (!*replace) {
            restoreAttributes(job.plainName, job.savedAttributes);
            co_return Next::Continue;
        }
        job.replaces = twin.identity;
    }
    decryptCurrentFile(job, Command::ShownFiles, replacing, [this, job](const PassResult& result) {
        // A cancel stops the run whether or not a plain file was replaced.
        if (m_roles.state.cancelRequested || result.outcome != Outcome::Succeeded)
            return;
        if (!deleteOriginalIfChosen(result))
            m_deferredMessages << u"The  "_s + job.file + u"  File  is corrupted, Action Can't be performed. "_s;
    });
    co_return Next::Continue;
}

// ---- Steps shared by the commands ----

QCoro::Task<bool> CryptCommands::fitsFreeSpace(FreeSpace space, qint64 length, QString verb, QString name) {
    if (length <= space.freeBytes)
        co_return true;
    co_await tell(space.freeSpaceText + u"Free disk Space needed to "_s + verb + u' ' + name + u" is "_s +
                  sizeText(length));
    co_return false;
}

QCoro::Task<bool> CryptCommands::acceptsHeader(FileJob& job) {
    const QString file = job.file;
    const Expected<EncryptedHeader> header = CipherPass::readHeader(file, job.folder ? job.folder->fd() : -1);
    if (!header) {
        co_await tell(header.error().message);
        co_return false;
    }
    job.header = *header;
    job.savedAttributes = header->savedAttributes;
    if (!FileChecks::passwordMatches(*header, job.passwordField)) {
        co_await tell(u"Invalid Password for "_s + file + u" Please check your password "_s);
        co_return false;
    }
    if (!header->level()) {
        co_await tell(failureText({Outcome::UnknownLevel, {}, {}}, file));
        co_return false;
    }
    co_return true;
}

void CryptCommands::encryptCurrentFile(const FileJob& job, Command command, bool replacing, AfterPass afterPass) {
    const RunOptions& options = m_roles.options;
    const SecurityLevel level = options.highSecurity() ? SecurityLevel::High : SecurityLevel::Low;
    FileTask task = anchored(FileTask::encryption(level, job.file, job.passwordField, options.deleteOriginal()), job);
    FileChecks::giveCommandAttributes(task, command, replacing, 0);
    runPass(task, std::move(afterPass));
}

void CryptCommands::decryptCurrentFile(const FileJob& job, Command command, bool replacing, AfterPass afterPass) {
    // The pass deletes the encrypted file itself, while it still holds it: deleteOriginalIfChosen
    // then only reads how that went. acceptsHeader has made sure the header names a level.
    const SecurityLevel level = job.header.level().value_or(SecurityLevel::High);
    FileTask task = anchored(FileTask::decryption(level, job.file, job.plainName, job.header.savedAttributes,
                                                  m_roles.options.deleteOriginal(), job.passwordField),
                             job);
    FileChecks::giveCommandAttributes(task, command, replacing, job.header.savedAttributes);
    runPass(task, std::move(afterPass));
}

void CryptCommands::runPass(const FileTask& task, AfterPass afterPass) {
    m_afterPasses.push_back(std::move(afterPass));
    m_runner->submit(task);
}

void CryptCommands::passEnded(const FileTask& task, const PassResult& result) {
    const AfterPass afterPass = m_afterPasses.empty() ? AfterPass() : std::move(m_afterPasses.front());
    if (!m_afterPasses.empty())
        m_afterPasses.pop_front();
    // A pass that does not complete leaves the output's name and the input's attributes as they
    // were. One whose input could not be deleted has put a complete output in place: both files
    // stay, and the user is told why. The boxes wait for the run's next pause.
    if (result.outcome == Outcome::Succeeded) {
        if (!result.notice.isEmpty())
            m_deferredMessages << result.notice;
    } else if (result.outcome != Outcome::Cancelled) {
        m_deferredMessages << failureText(result, task.input);
    }
    if (afterPass && !m_ending)
        afterPass(result);
}

void CryptCommands::restoreAttributes(const QString& path, std::optional<quint8> value) {
    FileChecks::restoreAttributes(m_roles.platform, path, value);
}

bool CryptCommands::deleteOriginalIfChosen(const PassResult& pass) const {
    // The decoding pass deleted the encrypted file, if asked, only once its output was in place
    // and only while the file was still the one it read, unchanged.
    return !m_roles.options.deleteOriginal() || pass.outcome == Outcome::Succeeded;
}

bool CryptCommands::checkFileExists(const QString& file) const {
    // A link in a chosen-file list is refused like a missing file.
    return pathExists(file) && !isSymbolicLink(file);
}

CryptCommands::Twin CryptCommands::CheckEncryptedTwinExists(const FileJob& job) const {
    return twinIn(job, EncryptedFormat::encryptedName(job.file));
}

CryptCommands::Twin CryptCommands::CheckPlainTwinExists(const FileJob& job) const {
    return twinIn(job, EncryptedFormat::plainName(job.file));
}

CryptCommands::Twin CryptCommands::twinIn(const FileJob& job, const QString& path) const {
    struct stat info {};
    const bool exists = lookUp(job, path, &info);
    return {path, exists, {info.st_dev, info.st_ino}};
}

bool CryptCommands::lookUp(const FileJob& job, const QString& path, struct stat* info) {
    if (job.folder)
        return ::fstatat(job.folder->fd(), FileIo::nameOf(path).constData(), info, AT_SYMLINK_NOFOLLOW) == 0;
    return ::lstat(QFile::encodeName(path).constData(), info) == 0;
}

qint64 CryptCommands::lengthOf(const FileJob& job) {
    struct stat info {};
    return lookUp(job, job.file, &info) ? qint64(info.st_size) : 0;
}

void CryptCommands::openFolder(FileJob& job) {
    std::weak_ptr<const Descriptor>& known = m_folders[QFileInfo(job.file).absolutePath()];
    job.folder = known.lock();
    if (!job.folder)
        job.folder = FileIo::sharedFolderOf(job.file).value_or(nullptr);
    known = job.folder;
}

FileTask CryptCommands::anchored(FileTask task, const FileJob& job) {
    task.folder = job.folder;
    task.replaces = job.replaces;
    return task;
}

void CryptCommands::refreshShownFiles() {
    if (FileChooser* chooser = m_roles.chooser())
        chooser->refreshFiles();
}

void CryptCommands::updateStatus() {
    if (const FileChooser* chooser = m_roles.chooser())
        m_roles.bars.showFileCount(chooser->fileCount());
}
