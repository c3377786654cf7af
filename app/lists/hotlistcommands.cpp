/*
 * The hot-list commands.
 */
#include "app/lists/hotlistcommands.h"

#include "app/core/appstate.h"
#include "app/core/childwindowhost.h"
#include "app/core/chosenfiles.h"
#include "app/core/dialogs.h"
#include "app/lists/engine/hotlistfile.h"
#include "app/lists/hotlistsaver.h"
#include "app/lists/hotlistwindow.h"
#include "app/lists/savedhotlists.h"
#include "app/platform/filenames.h"
#include "common/twips.h"

#include <QtCore/QFile>

using namespace Qt::StringLiterals;

namespace {

// Each new window opens this much further down and to the left than the one before.
constexpr double CascadeStepTwips = 300;

} // namespace

HotListCommands::HotListCommands(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars,
                                 ChildWindowHost& host, SavedHotLists& savedLists)
    : m_state(state)
    , m_dialogs(dialogs)
    , m_platform(platform)
    , m_bars(bars)
    , m_host(host)
    , m_savedLists(savedLists) {}

void HotListCommands::newHotList() {
    ++m_hotListSerial;
    openWindow(u"Hot List "_s + QString::number(m_hotListSerial));
}

void HotListCommands::openHotList(const QString& fileName) {
    // The browser lists "*.vexa*" names; the list's name is the file name without ".vexa".
    const QString path = m_saver.listFolder() + u'/' + fileName;
    if (const Expected<void> usable = FileNames::usable(path); !usable) {
        m_dialogs.message(usable.error().message);
        return;
    }
    const Expected<QStringList> entries = HotListFile::read(path);
    if (!entries) {
        m_saver.reportFailure(path, entries.error().message);
        return;
    }
    HotListWindow& window = openWindow(fileName.first(std::max<qsizetype>(0, fileName.size() - 5)));
    window.chosenFiles().append(*entries);
}

void HotListCommands::saveHotList() {
    HotListWindow* window = activeHotList();
    if (!window || m_saver.save(window->windowTitle(), window->entries()) != HotListSaver::SaveResult::Saved)
        return;
    m_dialogs.message(window->windowTitle() + u" is saved"_s);
    m_savedLists.refreshSavedLists();
}

void HotListCommands::renameHotList() {
    HotListWindow* window = activeHotList();
    if (!window)
        return;
    const QString name = m_dialogs.input(u"Enter a new name."_s, u"Vexa Password"_s, QString());
    if (name.isEmpty())
        return;
    // The name becomes a file name in the list folder: a "/" would send the next save into a
    // sub-folder or, with "..", out of the list folder. "." and ".." name folders, never a list.
    if (name.contains(u'/') || name == u"."_s || name == u".."_s) {
        m_dialogs.message(u"A list name can't contain \"/\" or be \".\" or \"..\"."_s);
        return;
    }
    window->setWindowTitle(name);
}

void HotListCommands::deleteHotList(const QString& fileName) {
    const QString path = m_saver.listFolder() + u'/' + fileName;
    if (const Expected<void> usable = FileNames::usable(path); !usable) {
        m_dialogs.message(usable.error().message);
        return;
    }
    if (m_dialogs.askYesNo(u" Do you really want to delete this list? \r\n"_s) != Dialogs::Answer::Yes)
        return;
    QFile file(path);
    if (!file.remove())
        m_saver.reportFailure(file.fileName(), file.errorString());
    m_savedLists.refreshSavedLists();
}

void HotListCommands::windowClosed() {
    m_savedLists.refreshSavedLists();
    if (m_openHotListCount > 0)
        --m_openHotListCount;
    m_state.activeListKind = ListKind::None;
}

HotListWindow* HotListCommands::activeHotList() const {
    // Save List and Rename List are enabled only from a hot-list window's pop-up menu.
    return qobject_cast<HotListWindow*>(m_host.activeChild());
}

HotListWindow& HotListCommands::openWindow(const QString& caption) {
    ++m_openHotListCount;
    // Placed from the browser: just under it, each further window one step down and left.
    const QRect browser = m_savedLists.savedListsFrame();
    const int offset = twips::toPixels((m_openHotListCount - 1) * CascadeStepTwips);
    auto* window = new HotListWindow(m_state, m_dialogs, m_platform, m_bars, caption);
    connect(window, &HotListWindow::popupRequested, this, &HotListCommands::popupRequested);
    connect(window, &HotListWindow::closing, this, &HotListCommands::windowClosed);
    m_host.showAt(*window,
                  QRect(browser.left() - offset, browser.height() + offset, browser.width(), browser.height()));
    return *window;
}
