/*
 * The hot-list commands and the saving of hot-list windows.
 */
#include "hotlistcommands.h"

#include "appstate.h"
#include "childframe.h"
#include "dialogs.h"
#include "filenames.h"
#include "hotlistwindow.h"
#include "hotlistbrowser.h"
#include "hotlistfile.h"
#include "mainwindowservices.h"
#include "platform.h"
#include "twips.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Each new window opens this much further down and to the left than the one before.
constexpr double CascadeStepTwips = 300;

// A list file the system could not open, read, write or delete, with the system's reason.
void reportFailure(Dialogs& dialogs, const QString& path, const QString& error) {
    dialogs.message(path + u"\r\n"_s + error);
}

} // namespace

HotListCommands::HotListCommands(MainWindowServices& services, BrowserAccess browser)
    : m_services(services)
    , m_browser(std::move(browser)) {}

void HotListCommands::NewList_Click() {
    ++m_hotListSerial;
    openWindow(u"Hot List "_s + QString::number(m_hotListSerial));
}

void HotListCommands::OpenList_Click() {
    // The browser lists "*.vexa*" names; the list's name is the file name without ".vexa".
    const QString file = m_services.state().CurrentFile;
    const QString path = listFolder() + u'/' + file;
    if (const std::optional<QString> refusal = FileNames::refusal(path)) {
        m_services.dialogs().message(*refusal);
        return;
    }
    QString error;
    const std::optional<QStringList> entries = HotListFile::Read(path, &error);
    if (!entries) {
        reportFailure(m_services.dialogs(), path, error);
        return;
    }
    HotListWindow& window = openWindow(file.first(std::max<qsizetype>(0, file.size() - 5)));
    window.chosenList()->addItems(*entries);
}

void HotListCommands::Savelist_Click() {
    HotListWindow* window = activeHotList();
    if (!window || saveList(*window) != SaveResult::Saved)
        return;
    m_services.dialogs().message(window->windowTitle() + u" is saved"_s);
    m_browser().refresh();
}

void HotListCommands::RenameList_Click() {
    HotListWindow* window = activeHotList();
    if (!window)
        return;
    const QString name = m_services.dialogs().input(u"Enter a new name."_s, u"Vexa Password"_s, QString());
    if (name.isEmpty())
        return;
    // The name becomes a file name in the list folder: a "/" would send the next save into a
    // sub-folder or, with "..", out of the list folder. "." and ".." name folders, never a list.
    if (name.contains(u'/') || name == u"."_s || name == u".."_s) {
        m_services.dialogs().message(u"A list name can't contain \"/\" or be \".\" or \"..\"."_s);
        return;
    }
    window->setWindowTitle(name);
}

void HotListCommands::DeleteList_Click() {
    const QString path = listFolder() + u'/' + m_services.state().CurrentFile;
    if (const std::optional<QString> refusal = FileNames::refusal(path)) {
        m_services.dialogs().message(*refusal);
        return;
    }
    if (m_services.dialogs().askYesNo(u" Do you really want to delete this list? \r\n"_s) != Dialogs::Answer::Yes)
        return;
    QFile file(path);
    if (!file.remove())
        reportFailure(m_services.dialogs(), file.fileName(), file.errorString());
    m_browser().refresh();
}

HotListCommands::SaveResult HotListCommands::saveList(const HotListWindow& window) {
    Dialogs& dialogs = m_services.dialogs();
    QString unstorable;
    const std::optional<QByteArray> content = HotListFile::Format(window.entries(), &unstorable);
    if (!content) {
        dialogs.message(unstorable + u"\r\ncannot be stored in a hot list. The list is not saved."_s);
        return SaveResult::Failed;
    }
    const QString path = HotListFile::PathOf(listFolder(), window.windowTitle());
    if (QFileInfo(path).exists()) {
        if (dialogs.askYesNo(u"This list is already existed do you want replace it"_s) != Dialogs::Answer::Yes)
            return SaveResult::NotReplaced;
        // A read-only list file could not be replaced. Cleared only once the user said Yes: a file
        // kept stays as it was. A failure shows in the write that follows.
        m_services.platform().setAttributes(path, 0);
    }
    QDir().mkpath(listFolder());
    QString error;
    if (!HotListFile::Write(path, *content, &error)) {
        reportFailure(dialogs, path, error);
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

void HotListCommands::windowClosed() {
    m_browser().refresh();
    if (m_openHotListCount > 0)
        --m_openHotListCount;
    m_services.state().ActiveListKind = ListKind::None;
}

HotListWindow* HotListCommands::activeHotList() const {
    // Save List and Rename List are enabled only from a hot-list window's pop-up menu.
    const QMdiSubWindow* frame = m_services.mdiArea().currentSubWindow();
    return frame ? qobject_cast<HotListWindow*>(frame->widget()) : nullptr;
}

HotListWindow& HotListCommands::openWindow(const QString& caption) {
    ++m_openHotListCount;
    // Placed from the browser: just under it, each further window one step down and left.
    const QRect browser = ChildFrame(m_browser()).geometry();
    const int offset = twips::toPixels((m_openHotListCount - 1) * CascadeStepTwips);
    auto* window = new HotListWindow(m_services, *this, caption);
    QMdiSubWindow* frame = m_services.mdiArea().addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setGeometry(browser.left() - offset, browser.height() + offset, browser.width(), browser.height());
    frame->show();
    m_services.mdiArea().setActiveSubWindow(frame);
    return *window;
}

QString HotListCommands::listFolder() const {
    return HotListFile::Folder(m_services.platform().dataFolder());
}
