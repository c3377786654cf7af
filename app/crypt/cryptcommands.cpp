/*
 * The encrypt and decrypt commands: their checks, questions and messages in the order the user
 * meets them, the passes with the progress window, and what follows each pass.
 */
#include "cryptcommands.h"

#include "appstate.h"
#include "attributes.h"
#include "barpanes.h"
#include "chooserrules.h"
#include "cipherpass.h"
#include "dialogs.h"
#include "filenames.h"
#include "mainwindowservices.h"
#include "platform.h"
#include "progresswindow.h"
#include "filechooserwindow.h"
#include "statline.h"

#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QScopedValueRollback>
#include <QtGui/QAction>
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

CryptCommands::CryptCommands(MainWindowServices& services, std::function<QString()> verifyPassword)
    : m_services(services)
    , m_verifyPassword(std::move(verifyPassword)) {}

ProgressWindow& CryptCommands::progress() {
    if (!m_progress)
        m_progress = new ProgressWindow(m_services);
    return *m_progress;
}

const QString& CryptCommands::currentFile() const {
    return m_services.state().CurrentFile;
}

bool CryptCommands::isChecked(const QString& itemName) const {
    const QAction* item = m_services.menuItem(itemName);
    return item && item->isChecked();
}

bool CryptCommands::pathExists(const QString& path) const {
    return m_services.platform().attributes(path).has_value();
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
    m_list = m_services.activeChosenList();
    if (!checkSelection(checkEntry))
        return;
    (this->*processFiles)();
    updateStatus();
}

bool CryptCommands::checkSelection(EntryCheck checkEntry) {
    Dialogs& dialogs = m_services.dialogs();
    if (!m_list || m_list->selectedItems().isEmpty()) {
        dialogs.message(u"Choose file(s) in your list Please."_s);
        return false;
    }
    if (m_services.currentPassword().isEmpty()) {
        m_services.ShowPasswordDialog();
        return false;
    }
    for (int i = 0; i < m_list->count(); ++i) {
        if (!isSelected(*m_list, i))
            continue;
        m_services.state().CurrentFile = entry(*m_list, i);
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
    Dialogs& dialogs = m_services.dialogs();
    const QString& file = currentFile();
    if (refusedName(dialogs, *m_list, i, file))
        return Next::Continue;
    if (hasEncryptedEnding(file)) {
        if (dialogs.askYesNo(file + u" , Is a already encrypted file.\r\n"_s + ConvertOrCancelAll) != Answer::Yes)
            return Next::Stop;
        deselect(*m_list, i);
    }
    CheckFileExists();
    if (!TwinExists) {
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
    Dialogs& dialogs = m_services.dialogs();
    const QString& file = currentFile();
    if (refusedName(dialogs, *m_list, i, file))
        return Next::Continue;
    if (!hasEncryptedEnding(file)) {
        if (dialogs.askYesNo(file + u" , Isn't a protectd file.\r\n"_s + ConvertOrCancelAll) != Answer::Yes)
            return Next::Stop;
        deselect(*m_list, i);
    }
    CheckFileExists();
    if (!TwinExists) {
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
    m_services.bars().showListCount(m_list->count());
}

void CryptCommands::EncryptChosenFiles() {
    PasswordField = EncryptedFormat::PasswordField(m_services.currentPassword());
    progress().ShowProgress();
    forEachSelectedEntry(&CryptCommands::encryptChosenFile);
}

void CryptCommands::DecryptChosenFiles() {
    PasswordField = EncryptedFormat::PasswordField(m_services.currentPassword());
    progress().showInPlace();
    forEachSelectedEntry(&CryptCommands::decryptChosenFile);
}

void CryptCommands::forEachSelectedEntry(EntryStep step) {
    for (int i = 0; m_list && i < m_list->count(); ++i) {
        if (!isSelected(*m_list, i))
            continue;
        m_services.state().CurrentFile = entry(*m_list, i);
        if ((this->*step)(i) == Next::Stop)
            return;
    }
    refreshShownFiles();
    progress().CloseProgress();
}

CryptCommands::Next CryptCommands::encryptChosenFile(int i) {
    Platform& platform = m_services.platform();
    AppState& state = m_services.state();
    const QString file = currentFile();
    const QString encrypted = EncryptedFormat::encryptedName(file);
    m_space = MeasureFreeSpace(platform, file);
    const qint64 length = fileLength(file);
    if (length == 0 || !fitsFreeSpace(length, u"encrypt"_s, entry(*m_list, i)))
        return Next::Continue;
    if (const std::optional<quint32> attributes = platform.attributes(file))
        state.SavedAttributes = CipherPass::headerAttributes(*attributes);
    CheckEncryptedTwinExists();
    progress().showFile(file);
    const bool replacing = TwinExists;
    if (replacing) {
        if (m_services.dialogs().askYesNo(file + u".vxp already exists. do you want to replace it "_s) != Answer::Yes) {
            platform.setAttributes(encrypted, Attr::Encrypted);
            return Next::Continue;
        }
        platform.setAttributes(encrypted, Attr::Archive);
    }
    if (encryptCurrentFile().outcome == Outcome::Succeeded)
        MarkEncrypted(i);
    else if (replacing)
        platform.setAttributes(encrypted, Attr::Encrypted); // the older file stays, marked as before
    // With delete-original on, the pass has deleted the plain file if its output was complete.
    if (!isChecked(u"DELOLD"_s))
        platform.setAttributes(file, state.SavedAttributes);
    return state.CancelRequested ? stopAfterCancel() : Next::Continue;
}

CryptCommands::Next CryptCommands::decryptChosenFile(int i) {
    Platform& platform = m_services.platform();
    AppState& state = m_services.state();
    const QString file = currentFile();
    progress().moveCover(0);
    m_space = MeasureFreeSpace(platform, file);
    const qint64 length = fileLength(file);
    if (length == 0 || !fitsFreeSpace(length, u"decrypt"_s, entry(*m_list, i)) || !acceptsHeader())
        return Next::Continue;
    CheckPlainTwinExists();
    const bool replacing = TwinExists;
    if (replacing) {
        if (m_services.dialogs().askYesNo(PlainName + u" already exist do you want to replace it "_s) != Answer::Yes)
            return Next::Continue;
        platform.setAttributes(PlainName, Attr::Archive);
    }
    progress().showFile(file);
    if (decryptCurrentFile().outcome == Outcome::Succeeded) {
        MarkDecrypted(i);
        if (replacing) {
            // Errors ignored: with delete-original on, the encrypted file is gone by now.
            platform.setAttributes(file, Attr::Encrypted);
            platform.setAttributes(PlainName, state.SavedAttributes);
        }
    }
    return state.CancelRequested ? stopAfterCancel() : Next::Continue;
}

void CryptCommands::MarkEncrypted(int i) {
    const QString& file = currentFile();
    // The user may have changed the list while the pass let events run: only the entry that
    // still names the file follows it.
    if (m_list && entry(*m_list, i) == file) {
        m_list->item(i)->setText(EncryptedFormat::encryptedName(file));
        deselect(*m_list, i);
    }
    m_services.platform().setAttributes(EncryptedFormat::encryptedName(file), Attr::Encrypted);
}

void CryptCommands::MarkDecrypted(int i) {
    if (m_list && entry(*m_list, i) == currentFile()) {
        m_list->item(i)->setText(PlainName);
        deselect(*m_list, i);
    }
    DeleteOriginalIfChosen();
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
    m_services.state().Busy = false;
}

CryptCommands::ShownFiles CryptCommands::startShownFiles(bool verifyPassword) {
    const FileChooserWindow* chooser = m_services.chooser();
    if (!chooser)
        return {};
    ShownFiles shown{chooser->currentFolder(), chooser->shownFiles()};
    m_space = MeasureFreeSpace(m_services.platform(), shown.folder);
    if (shown.names.isEmpty()) {
        m_services.dialogs().message(u"There're no shown in the directory"_s);
        return {};
    }
    const QString password = m_services.currentPassword();
    if (password.isEmpty() || (verifyPassword && password != m_verifyPassword())) {
        m_services.ShowPasswordDialog();
        return {};
    }
    PasswordField = EncryptedFormat::PasswordField(password);
    return shown;
}

void CryptCommands::EncryptShownFiles() {
    const ShownFiles shown = startShownFiles(false);
    if (shown.names.isEmpty())
        return;
    for (const QString& name : shown.names) {
        m_services.state().CurrentFile = ChooserRules::FullPath(shown.folder, name);
        if (encryptShownFile(name) == Next::Stop)
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
        m_services.state().CurrentFile = ChooserRules::FullPath(shown.folder, name);
        if (decryptShownFile(shown.names.size()) == Next::Stop)
            return;
    }
    progress().CloseProgress();
    refreshShownFiles();
}

CryptCommands::Next CryptCommands::encryptShownFile(const QString& name) {
    Platform& platform = m_services.platform();
    Dialogs& dialogs = m_services.dialogs();
    AppState& state = m_services.state();
    const QString file = currentFile();
    const QString encrypted = EncryptedFormat::encryptedName(file);
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
    if (!fitsFreeSpace(length, u"encrypt"_s, name))
        return Next::Continue;
    if (const std::optional<quint32> attributes = platform.attributes(file))
        state.SavedAttributes = CipherPass::headerAttributes(*attributes);
    CheckEncryptedTwinExists();
    const bool replacing = TwinExists;
    if (replacing) {
        if (dialogs.askYesNo(file + u".vxp already exists. do you want to replace it "_s) != Answer::Yes)
            return Next::Continue;
        platform.setAttributes(encrypted, Attr::Archive);
    }
    progress().showFile(file);
    encryptCurrentFile();
    if (replacing)
        platform.setAttributes(encrypted, Attr::Encrypted);
    if (!isChecked(u"DELOLD"_s))
        platform.setAttributes(file, state.SavedAttributes);
    return state.CancelRequested ? stopAfterCancel() : Next::Continue;
}

std::optional<CryptCommands::Next> CryptCommands::refuseUnusableShownFile(const QString& file) {
    Dialogs& dialogs = m_services.dialogs();
    if (const std::optional<QString> refusal = FileNames::refusal(file)) {
        dialogs.message(*refusal);
        return Next::Continue;
    }
    // The file list shows links to files; a run over a folder passes them over.
    if (isSymbolicLink(file)) {
        dialogs.message(file + u" is a symbolic link and was left untouched."_s);
        return Next::Continue;
    }
    CheckFileExists();
    if (!TwinExists) {
        dialogs.message(u"File "_s + file + u" moved or removed. please check the file path."_s);
        progress().CloseProgress();
        return Next::Stop;
    }
    return std::nullopt;
}

CryptCommands::Next CryptCommands::decryptShownFile(qsizetype shownCount) {
    Platform& platform = m_services.platform();
    Dialogs& dialogs = m_services.dialogs();
    AppState& state = m_services.state();
    const QString file = currentFile();
    if (const std::optional<Next> refused = refuseUnusableShownFile(file))
        return *refused;
    const qint64 length = fileLength(file);
    if (length == 0 || !fitsFreeSpace(length, u"decrypt"_s, file))
        return Next::Continue;
    if (length < ShortestFile) {
        dialogs.message(file + u" isn't a secret file "_s);
        return Next::Continue;
    }
    if (!hasEncryptedEnding(file)) {
        const QString notSecret = file + u" , Isn't a Secret file."_s;
        if (shownCount > 1) {
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
    if (!acceptsHeader())
        return Next::Continue;
    CheckPlainTwinExists();
    const bool replacing = TwinExists;
    if (replacing) {
        if (dialogs.askYesNo(PlainName + u" already exist do you want to replace it "_s) != Answer::Yes) {
            platform.setAttributes(PlainName, state.SavedAttributes);
            return Next::Continue;
        }
        platform.setAttributes(PlainName, Attr::Archive);
    }
    progress().showFile(file);
    const PassResult result = decryptCurrentFile();
    // A cancel stops the run whether or not a plain file was replaced.
    if (state.CancelRequested)
        return stopAfterCancel();
    if (result.outcome != Outcome::Succeeded)
        return Next::Continue;
    if (replacing)
        platform.setAttributes(file, Attr::Encrypted);
    DeleteOriginalIfChosen();
    if (DeleteSucceeded)
        platform.setAttributes(PlainName, state.SavedAttributes);
    else
        dialogs.message(u"The  "_s + file + u"  File  is corrupted, Action Can't be performed. "_s);
    return Next::Continue;
}

// ---- Steps shared by the commands ----

bool CryptCommands::fitsFreeSpace(qint64 length, const QString& verb, const QString& name) {
    if (length <= m_space.FreeBytes)
        return true;
    m_services.dialogs().message(m_space.FreeSpaceText + u"Free disk Space needed to "_s + verb + u' ' + name +
                                 u" is "_s + SizeText(length));
    return false;
}

bool CryptCommands::acceptsHeader() {
    Dialogs& dialogs = m_services.dialogs();
    AppState& state = m_services.state();
    const QString& file = currentFile();
    QString error;
    const std::optional<EncryptedHeader> header = CipherPass::ReadHeader(file, &error);
    if (!header) {
        dialogs.message(error);
        return false;
    }
    m_header = *header;
    state.HeaderPassword = header->HeaderPassword;
    state.HeaderLevel = header->HeaderLevel;
    state.SavedAttributes = header->SavedAttributes;
    if (header->HeaderPassword != PasswordField) {
        dialogs.message(u"Invalid Password for "_s + file + u" Please check your password "_s);
        return false;
    }
    if (!header->level()) {
        dialogs.message(failureText({Outcome::UnknownLevel, {}, {}}, file));
        return false;
    }
    return true;
}

PassResult CryptCommands::encryptCurrentFile() {
    const SecurityLevel level =
        isChecked(u"HISEC"_s) && !isChecked(u"LOWSEC"_s) ? SecurityLevel::High : SecurityLevel::Low;
    const bool deleteOriginal = isChecked(u"DELOLD"_s);
    return runPass(m_services.state().SavedAttributes, [&](CipherPass& pass) {
        return pass.EncryptBySecurityLevel(level, currentFile(), PasswordField, deleteOriginal);
    });
}

PassResult CryptCommands::decryptCurrentFile() {
    // The pass deletes the encrypted file itself, while it still holds it: DeleteOriginalIfChosen
    // then only reads how that went.
    const bool deleteOriginal = isChecked(u"DELOLD"_s);
    return runPass(Attr::Encrypted, [&](CipherPass& pass) {
        return pass.DecryptByStoredLevel(m_header, currentFile(), PlainName, deleteOriginal);
    });
}

PassResult CryptCommands::runPass(quint8 inputAttributes, const std::function<PassResult(CipherPass&)>& pass) {
    CipherPass cipher(m_services.platform(), progress());
    m_lastPass = pass(cipher);
    const PassResult& result = m_lastPass;
    Dialogs& dialogs = m_services.dialogs();
    if (result.outcome == Outcome::Succeeded) {
        if (!result.notice.isEmpty())
            dialogs.message(result.notice);
        return result;
    }
    // A pass that does not complete leaves the output's name as it was. One whose input could not
    // be deleted has put a complete output in place: both files stay, and the user is told why.
    // A file another pass holds is not touched at all.
    if (result.outcome != Outcome::Busy)
        m_services.platform().setAttributes(currentFile(), inputAttributes);
    if (result.outcome != Outcome::Cancelled)
        dialogs.message(failureText(result, currentFile()));
    return result;
}

CryptCommands::Next CryptCommands::stopAfterCancel() {
    m_services.state().CancelRequested = false;
    refreshShownFiles();
    progress().CloseProgress();
    return Next::Stop;
}

void CryptCommands::DeleteOriginalIfChosen() {
    // The decoding pass deleted the encrypted file, if asked, only once its output was in place
    // and only while the file was still the one it read, unchanged.
    DeleteSucceeded = !isChecked(u"DELOLD"_s) || m_lastPass.outcome == Outcome::Succeeded;
}

void CryptCommands::CheckFileExists() {
    // A link in a chosen-file list is refused like a missing file.
    TwinExists = pathExists(currentFile()) && !isSymbolicLink(currentFile());
}

void CryptCommands::CheckEncryptedTwinExists() {
    TwinExists = pathExists(EncryptedFormat::encryptedName(currentFile()));
}

void CryptCommands::CheckPlainTwinExists() {
    PlainName = EncryptedFormat::plainName(currentFile());
    TwinExists = pathExists(PlainName);
}

void CryptCommands::refreshShownFiles() {
    if (FileChooserWindow* chooser = m_services.chooser())
        chooser->refreshFiles();
}

void CryptCommands::updateStatus() {
    if (const FileChooserWindow* chooser = m_services.chooser())
        m_services.statusLine().setLab5(QString::number(chooser->fileCount()));
}
