/*
 * The encrypt and decrypt commands: their checks, questions and messages in the order the user
 * meets them, the passes with the progress window, and what follows each pass.
 */
#include "cryptcommands.h"

#include "appstate.h"
#include "attributes.h"
#include "barpanes.h"
#include "childwindowhost.h"
#include "chooserrules.h"
#include "cipherpass.h"
#include "dialogs.h"
#include "filenames.h"
#include "passwordsource.h"
#include "platform.h"
#include "progresswindow.h"
#include "runoptions.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QScopedValueRollback>
#include <QtWidgets/QListWidget>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

using Answer = Dialogs::Answer;
using Outcome = PassResult::Outcome;

constexpr qint64 ShortestFile = 11;
constexpr qsizetype LongestName = 240;

const QString EncryptedEnding = u".vxp"_s;
const QString ConvertOrCancelAll = u"Vexa Password will convert this selection for you. \r\n\r\n"
                                   u" Press Yes to accept    No to cancel all"_s;

bool hasEncryptedEnding(const QString& path) {
    return path.right(4) == EncryptedEnding;
}

bool isSymbolicLink(const QString& path) {
    return QFileInfo(path).isSymLink();
}

qint64 fileLength(const QString& path) {
    return QFileInfo(path).size();
}

// Entry i of a list; the entry just past the end (or any other missing one) reads as empty.
QString entry(const QListWidget& list, int i) {
    const QListWidgetItem* item = list.item(i);
    return item ? item->text() : QString();
}

bool isSelected(const QListWidget& list, int i) {
    const QListWidgetItem* item = list.item(i);
    return item && item->isSelected();
}

void deselect(QListWidget& list, int i) {
    if (QListWidgetItem* item = list.item(i))
        item->setSelected(false);
}

// Refuses an entry whose name the program can't name exactly, deselecting it; true when it did.
bool refusedName(Dialogs& dialogs, QListWidget& list, int i, const QString& file) {
    const std::optional<QString> refusal = FileNames::refusal(file);
    if (refusal) {
        dialogs.message(*refusal);
        deselect(list, i);
    }
    return refusal.has_value();
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

CryptCommands::CryptCommands(const Roles& roles)
    : m_roles(roles) {}

ProgressWindow& CryptCommands::progress() {
    if (!m_progress)
        m_progress = new ProgressWindow(m_roles.host.mainWindow(), m_roles.state, m_roles.dialogs);
    return *m_progress;
}

bool CryptCommands::pathExists(const QString& path) const {
    return m_roles.platform.attributes(path).has_value();
}

// ---- Chosen-file lists ----

void CryptCommands::Enc1_Click() {
    runOnChosenList(&CryptCommands::checkEntryToEncrypt, &CryptCommands::EncryptChosenFiles);
}

void CryptCommands::DEC1_Click() {
    runOnChosenList(&CryptCommands::checkEntryToDecrypt, &CryptCommands::DecryptChosenFiles);
}

void CryptCommands::runOnChosenList(EntryCheck checkEntry, Procedure processFiles) {
    if (m_running)
        return;
    const QScopedValueRollback running(m_running, true);
    m_list = m_roles.host.activeChosenList();
    if (!checkSelection(checkEntry))
        return;
    (this->*processFiles)();
    updateStatus();
}

bool CryptCommands::checkSelection(EntryCheck checkEntry) {
    Dialogs& dialogs = m_roles.dialogs;
    if (!m_list || m_list->selectedItems().isEmpty()) {
        dialogs.message(u"Choose file(s) in your list Please."_s);
        return false;
    }
    if (m_roles.passwords.currentPassword().isEmpty()) {
        m_roles.passwords.askForPassword();
        return false;
    }
    for (int i = 0; i < m_list->count(); ++i) {
        if (!isSelected(*m_list, i))
            continue;
        if ((this->*checkEntry)(i) == Next::Stop)
            return false;
    }
    if (m_list->selectedItems().isEmpty()) {
        dialogs.message(u"Choose file(s) in your list again Please."_s);
        return false;
    }
    return true;
}

CryptCommands::Next CryptCommands::checkEntryToEncrypt(int& i) {
    Dialogs& dialogs = m_roles.dialogs;
    const QString file = entry(*m_list, i);
    if (refusedName(dialogs, *m_list, i, file))
        return Next::Continue;
    if (hasEncryptedEnding(file)) {
        if (dialogs.askYesNo(file + u" , Is a already encrypted file.\r\n"_s + ConvertOrCancelAll) != Answer::Yes)
            return Next::Stop;
        deselect(*m_list, i);
    }
    if (!CheckFileExists(file)) {
        dialogs.message(file + u" moved or it may in locked folder.\r\nVexa Password will convert this selection."_s);
        deselect(*m_list, i);
        return Next::Continue;
    }
    if (fileLength(file) < ShortestFile) {
        dialogs.message(file + u" is too short File to be encrypted. Vexa Password will remove it from your list."_s);
        removeEntry(i);
        return Next::Continue;
    }
    if (file.size() > LongestName) {
        dialogs.message(file + u" Long file name.  Vexa Password will remove it from your list."_s);
        removeEntry(i);
    }
    return Next::Continue;
}

CryptCommands::Next CryptCommands::checkEntryToDecrypt(int& i) {
    Dialogs& dialogs = m_roles.dialogs;
    const QString file = entry(*m_list, i);
    if (refusedName(dialogs, *m_list, i, file))
        return Next::Continue;
    if (!hasEncryptedEnding(file)) {
        if (dialogs.askYesNo(file + u" , Isn't a protectd file.\r\n"_s + ConvertOrCancelAll) != Answer::Yes)
            return Next::Stop;
        deselect(*m_list, i);
    }
    if (!CheckFileExists(file)) {
        if (dialogs.askYesNo(file + u" moved or it may in locked folder.\r\n"
                                    u"Vexa Password will convert this selection for you.\r\n"
                                    u" Press Yes to accept    No to cancel all"_s) != Answer::Yes)
            return Next::Stop;
        deselect(*m_list, i);
        return Next::Continue;
    }
    if (fileLength(file) < ShortestFile) {
        dialogs.message(file + u" isn't an encrypted file. Vexa Password will remove it from your list."_s);
        removeEntry(i);
    }
    return Next::Continue;
}

void CryptCommands::removeEntry(int& i) {
    delete m_list->takeItem(i--);
    // The pane counts the entries of the list worked in; it would go stale otherwise.
    m_roles.bars.showListCount(m_list->count());
}

void CryptCommands::EncryptChosenFiles() {
    const QString passwordField = EncryptedFormat::PasswordField(m_roles.passwords.currentPassword());
    progress().ShowProgress();
    forEachSelectedEntry(&CryptCommands::encryptChosenFile, passwordField);
}

void CryptCommands::DecryptChosenFiles() {
    const QString passwordField = EncryptedFormat::PasswordField(m_roles.passwords.currentPassword());
    progress().showInPlace();
    forEachSelectedEntry(&CryptCommands::decryptChosenFile, passwordField);
}

void CryptCommands::forEachSelectedEntry(EntryStep step, const QString& passwordField) {
    for (int i = 0; m_list && i < m_list->count(); ++i) {
        if (!isSelected(*m_list, i))
            continue;
        FileJob job{entry(*m_list, i), passwordField};
        if ((this->*step)(job, i) == Next::Stop)
            return;
    }
    refreshShownFiles();
    progress().CloseProgress();
}

CryptCommands::Next CryptCommands::encryptChosenFile(FileJob& job, int i) {
    Platform& platform = m_roles.platform;
    const QString& file = job.file;
    const FreeSpace space = MeasureFreeSpace(platform, file);
    const qint64 length = fileLength(file);
    if (length == 0 || !fitsFreeSpace(space, length, u"encrypt"_s, entry(*m_list, i)))
        return Next::Continue;
    saveAttributes(job);
    const Twin twin = CheckEncryptedTwinExists(file);
    const QString& encrypted = twin.path;
    progress().showFile(file);
    const bool replacing = twin.exists;
    if (replacing) {
        if (m_roles.dialogs.askYesNo(file + u".vxp already exists. do you want to replace it "_s) != Answer::Yes) {
            platform.setAttributes(encrypted, Attr::Encrypted);
            return Next::Continue;
        }
        platform.setAttributes(encrypted, Attr::Archive);
    }
    if (encryptCurrentFile(job).outcome == Outcome::Succeeded)
        MarkEncrypted(job, i);
    else if (replacing)
        platform.setAttributes(encrypted, Attr::Encrypted); // the older file stays, marked as before
    // With delete-original on, the pass has deleted the plain file if its output was complete.
    if (!m_roles.options.deleteOriginal())
        restoreAttributes(file, job.savedAttributes);
    return m_roles.state.CancelRequested ? stopAfterCancel() : Next::Continue;
}

CryptCommands::Next CryptCommands::decryptChosenFile(FileJob& job, int i) {
    Platform& platform = m_roles.platform;
    const QString& file = job.file;
    progress().moveCover(0);
    const FreeSpace space = MeasureFreeSpace(platform, file);
    const qint64 length = fileLength(file);
    if (length == 0 || !fitsFreeSpace(space, length, u"decrypt"_s, entry(*m_list, i)) || !acceptsHeader(job))
        return Next::Continue;
    const Twin twin = CheckPlainTwinExists(file);
    job.plainName = twin.path;
    const bool replacing = twin.exists;
    if (replacing) {
        if (m_roles.dialogs.askYesNo(job.plainName + u" already exist do you want to replace it "_s) != Answer::Yes)
            return Next::Continue;
        platform.setAttributes(job.plainName, Attr::Archive);
    }
    progress().showFile(file);
    if (decryptCurrentFile(job).outcome == Outcome::Succeeded) {
        MarkDecrypted(job, i);
        if (replacing) {
            // Errors ignored: with delete-original on, the encrypted file is gone by now.
            platform.setAttributes(file, Attr::Encrypted);
            restoreAttributes(job.plainName, job.savedAttributes);
        }
    }
    return m_roles.state.CancelRequested ? stopAfterCancel() : Next::Continue;
}

void CryptCommands::MarkEncrypted(const FileJob& job, int i) {
    const QString& file = job.file;
    // The user may have changed the list while the pass let events run: only the entry that
    // still names the file follows it.
    if (m_list && entry(*m_list, i) == file) {
        m_list->item(i)->setText(EncryptedFormat::encryptedName(file));
        deselect(*m_list, i);
    }
    m_roles.platform.setAttributes(EncryptedFormat::encryptedName(file), Attr::Encrypted);
}

void CryptCommands::MarkDecrypted(const FileJob& job, int i) {
    // Whether the pass deleted the encrypted file is not looked at here: the entry follows the
    // plain file either way.
    if (m_list && entry(*m_list, i) == job.file) {
        m_list->item(i)->setText(job.plainName);
        deselect(*m_list, i);
    }
}

// ---- Shown files ----

void CryptCommands::Enc2_Click() {
    runOnShownFiles(&CryptCommands::EncryptShownFiles);
}

void CryptCommands::Dec2_Click() {
    runOnShownFiles(&CryptCommands::DecryptShownFiles);
}

void CryptCommands::runOnShownFiles(Procedure processFiles) {
    if (m_running)
        return;
    const QScopedValueRollback running(m_running, true);
    (this->*processFiles)();
    updateStatus();
    m_roles.state.Busy = false;
}

CryptCommands::ShownFiles CryptCommands::startShownFiles(bool verifyPassword) {
    const FileChooser* chooser = m_roles.chooser();
    if (!chooser)
        return {};
    ShownFiles shown{chooser->currentFolder(), chooser->shownFiles(), {}, {}};
    shown.space = MeasureFreeSpace(m_roles.platform, shown.folder);
    if (shown.names.isEmpty()) {
        m_roles.dialogs.message(u"There're no shown in the directory"_s);
        return {};
    }
    PasswordSource& passwords = m_roles.passwords;
    const QString password = passwords.currentPassword();
    if (password.isEmpty() || (verifyPassword && password != passwords.verifyPassword())) {
        passwords.askForPassword();
        return {};
    }
    shown.passwordField = EncryptedFormat::PasswordField(password);
    return shown;
}

void CryptCommands::EncryptShownFiles() {
    const ShownFiles shown = startShownFiles(false);
    if (shown.names.isEmpty())
        return;
    for (const QString& name : shown.names) {
        FileJob job{ChooserRules::FullPath(shown.folder, name), shown.passwordField};
        if (encryptShownFile(job, shown, name) == Next::Stop)
            return;
    }
    refreshShownFiles();
    progress().CloseProgress();
}

void CryptCommands::DecryptShownFiles() {
    const ShownFiles shown = startShownFiles(true);
    if (shown.names.isEmpty())
        return;
    progress().showInPlace();
    for (const QString& name : shown.names) {
        FileJob job{ChooserRules::FullPath(shown.folder, name), shown.passwordField};
        if (decryptShownFile(job, shown) == Next::Stop)
            return;
    }
    progress().CloseProgress();
    refreshShownFiles();
}

CryptCommands::Next CryptCommands::encryptShownFile(FileJob& job, const ShownFiles& shown, const QString& name) {
    Platform& platform = m_roles.platform;
    Dialogs& dialogs = m_roles.dialogs;
    const QString& file = job.file;
    progress().ShowProgress();
    if (name.size() > LongestName) {
        dialogs.message(u" Long file name. Please rename this file.      "_s + name);
        return Next::Continue;
    }
    if (const std::optional<Next> refused = refuseUnusableShownFile(file))
        return *refused;
    const qint64 length = fileLength(file);
    if (length < ShortestFile) {
        dialogs.message(file + u"Too short File to be secret."_s);
        return Next::Continue;
    }
    if (hasEncryptedEnding(file)) {
        if (dialogs.askYesNo(file + u" , Is a Secret file.\r\nPress yes to continue.   No to cancel for all."_s) ==
            Answer::Yes)
            return Next::Continue;
        progress().CloseProgress();
        return Next::Stop;
    }
    if (!fitsFreeSpace(shown.space, length, u"encrypt"_s, name))
        return Next::Continue;
    saveAttributes(job);
    const Twin twin = CheckEncryptedTwinExists(file);
    const QString& encrypted = twin.path;
    const bool replacing = twin.exists;
    if (replacing) {
        if (dialogs.askYesNo(file + u".vxp already exists. do you want to replace it "_s) != Answer::Yes)
            return Next::Continue;
        platform.setAttributes(encrypted, Attr::Archive);
    }
    progress().showFile(file);
    encryptCurrentFile(job);
    if (replacing)
        platform.setAttributes(encrypted, Attr::Encrypted);
    if (!m_roles.options.deleteOriginal())
        restoreAttributes(file, job.savedAttributes);
    return m_roles.state.CancelRequested ? stopAfterCancel() : Next::Continue;
}

std::optional<CryptCommands::Next> CryptCommands::refuseUnusableShownFile(const QString& file) {
    Dialogs& dialogs = m_roles.dialogs;
    if (const std::optional<QString> refusal = FileNames::refusal(file)) {
        dialogs.message(*refusal);
        return Next::Continue;
    }
    // The file list shows links to files; a run over a folder passes them over.
    if (isSymbolicLink(file)) {
        dialogs.message(file + u" is a symbolic link and was left untouched."_s);
        return Next::Continue;
    }
    if (!CheckFileExists(file)) {
        dialogs.message(u"File "_s + file + u" moved or removed. please check the file path."_s);
        progress().CloseProgress();
        return Next::Stop;
    }
    return std::nullopt;
}

CryptCommands::Next CryptCommands::decryptShownFile(FileJob& job, const ShownFiles& shown) {
    Platform& platform = m_roles.platform;
    Dialogs& dialogs = m_roles.dialogs;
    const QString& file = job.file;
    if (const std::optional<Next> refused = refuseUnusableShownFile(file))
        return *refused;
    const qint64 length = fileLength(file);
    if (length == 0 || !fitsFreeSpace(shown.space, length, u"decrypt"_s, file))
        return Next::Continue;
    if (length < ShortestFile) {
        dialogs.message(file + u" isn't a secret file "_s);
        return Next::Continue;
    }
    if (!hasEncryptedEnding(file)) {
        const QString notSecret = file + u" , Isn't a Secret file."_s;
        if (shown.names.size() > 1) {
            if (dialogs.askYesNo(notSecret +
                                 u"\r\nPress yes to ignore this file and continue.   No to cancel for all. "_s) ==
                Answer::Yes)
                return Next::Continue;
        } else {
            dialogs.message(notSecret);
        }
        progress().CloseProgress();
        return Next::Stop;
    }
    if (!acceptsHeader(job))
        return Next::Continue;
    const Twin twin = CheckPlainTwinExists(file);
    job.plainName = twin.path;
    const bool replacing = twin.exists;
    if (replacing) {
        if (dialogs.askYesNo(job.plainName + u" already exist do you want to replace it "_s) != Answer::Yes) {
            restoreAttributes(job.plainName, job.savedAttributes);
            return Next::Continue;
        }
        platform.setAttributes(job.plainName, Attr::Archive);
    }
    progress().showFile(file);
    const PassResult result = decryptCurrentFile(job);
    // A cancel stops the run whether or not a plain file was replaced.
    if (m_roles.state.CancelRequested)
        return stopAfterCancel();
    if (result.outcome != Outcome::Succeeded)
        return Next::Continue;
    if (replacing)
        platform.setAttributes(file, Attr::Encrypted);
    if (DeleteOriginalIfChosen(result))
        restoreAttributes(job.plainName, job.savedAttributes);
    else
        dialogs.message(u"The  "_s + file + u"  File  is corrupted, Action Can't be performed. "_s);
    return Next::Continue;
}

// ---- Steps shared by the commands ----

bool CryptCommands::fitsFreeSpace(const FreeSpace& space, qint64 length, const QString& verb, const QString& name) {
    if (length <= space.FreeBytes)
        return true;
    m_roles.dialogs.message(space.FreeSpaceText + u"Free disk Space needed to "_s + verb + u' ' + name + u" is "_s +
                            SizeText(length));
    return false;
}

void CryptCommands::saveAttributes(FileJob& job) {
    if (const std::optional<quint32> attributes = m_roles.platform.attributes(job.file))
        job.savedAttributes = CipherPass::headerAttributes(*attributes);
}

bool CryptCommands::acceptsHeader(FileJob& job) {
    Dialogs& dialogs = m_roles.dialogs;
    const QString& file = job.file;
    QString error;
    const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(file, &error);
    if (!header) {
        dialogs.message(error);
        return false;
    }
    job.header = *header;
    job.savedAttributes = header->SavedAttributes;
    if (header->HeaderPassword != job.passwordField) {
        dialogs.message(u"Invalid Password for "_s + file + u" Please check your password "_s);
        return false;
    }
    if (!header->level()) {
        dialogs.message(failureText({Outcome::UnknownLevel, {}, {}}, file));
        return false;
    }
    return true;
}

PassResult CryptCommands::encryptCurrentFile(const FileJob& job) {
    const RunOptions& options = m_roles.options;
    const SecurityLevel level = options.highSecurity() ? SecurityLevel::High : SecurityLevel::Low;
    const bool deleteOriginal = options.deleteOriginal();
    return runPass(job.file, [&](CipherPass& pass) {
        return pass.EncryptBySecurityLevel(level, job.file, job.passwordField, deleteOriginal);
    });
}

PassResult CryptCommands::decryptCurrentFile(const FileJob& job) {
    // The pass deletes the encrypted file itself, while it still holds it: DeleteOriginalIfChosen
    // then only reads how that went.
    const bool deleteOriginal = m_roles.options.deleteOriginal();
    return runPass(job.file, [&](CipherPass& pass) {
        return pass.DecryptByStoredLevel(job.header, job.file, job.plainName, deleteOriginal);
    });
}

PassResult CryptCommands::runPass(const QString& file, const std::function<PassResult(CipherPass&)>& pass) {
    CipherPass cipher(m_roles.platform, progress());
    const PassResult result = pass(cipher);
    Dialogs& dialogs = m_roles.dialogs;
    if (result.outcome == Outcome::Succeeded) {
        if (!result.notice.isEmpty())
            dialogs.message(result.notice);
        return result;
    }
    // A pass that does not complete leaves the output's name and the input's attributes as they
    // were. One whose input could not be deleted has put a complete output in place: both files
    // stay, and the user is told why.
    if (result.outcome != Outcome::Cancelled)
        dialogs.message(failureText(result, file));
    return result;
}

void CryptCommands::restoreAttributes(const QString& path, std::optional<quint8> value) {
    if (value)
        m_roles.platform.setAttributes(path, *value);
}

CryptCommands::Next CryptCommands::stopAfterCancel() {
    m_roles.state.CancelRequested = false;
    refreshShownFiles();
    progress().CloseProgress();
    return Next::Stop;
}

bool CryptCommands::DeleteOriginalIfChosen(const PassResult& pass) const {
    // The decoding pass deleted the encrypted file, if asked, only once its output was in place
    // and only while the file was still the one it read, unchanged.
    return !m_roles.options.deleteOriginal() || pass.outcome == Outcome::Succeeded;
}

bool CryptCommands::CheckFileExists(const QString& file) const {
    // A link in a chosen-file list is refused like a missing file.
    return pathExists(file) && !isSymbolicLink(file);
}

CryptCommands::Twin CryptCommands::CheckEncryptedTwinExists(const QString& file) const {
    const QString encrypted = EncryptedFormat::encryptedName(file);
    return {encrypted, pathExists(encrypted)};
}

CryptCommands::Twin CryptCommands::CheckPlainTwinExists(const QString& file) const {
    const QString plain = EncryptedFormat::plainName(file);
    return {plain, pathExists(plain)};
}

void CryptCommands::refreshShownFiles() {
    if (FileChooser* chooser = m_roles.chooser())
        chooser->refreshFiles();
}

void CryptCommands::updateStatus() {
    if (const FileChooser* chooser = m_roles.chooser())
        m_roles.bars.showFileCount(chooser->fileCount());
}
