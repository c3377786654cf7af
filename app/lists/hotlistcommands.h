/*
 * The hot lists of one run: the commands New list, Open Hot List, Save List, Rename List and
 * Delete, and the two counters that name and place new hot-list windows. The main window owns
 * one instance and wires its menu items to the commands; the hot-list windows it opens report
 * their close here and pass their pop-up requests on.
 */
#pragma once

#include "app/core/popupmenu.h"
#include "app/lists/hotlistsaver.h"

#include <QtCore/QObject>
#include <QtCore/QString>

struct AppState;
class BarPanes;
class ChildWindowHost;
class Dialogs;
class HotListWindow;
class Platform;
class SavedHotLists;

class HotListCommands : public QObject {
    Q_OBJECT

public:
    HotListCommands(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, ChildWindowHost& host,
                    SavedHotLists& savedLists);

    // "New list": an empty window named "Hot List " and the next serial number.
    void newHotList();
    // "Open Hot List": a window with the entries of the list file fileName (a name in the list
    // folder, as the browser shows it). A file that cannot be read is reported and opens no window.
    void openHotList(const QString& fileName);
    // "Save List": saves the active hot-list window's list under its caption, then shows the
    // caption + " is saved" and refreshes the browser.
    void saveHotList();
    // "Rename List": the active hot-list window takes the name the user types; no file changes.
    // A name with a "/", or the name "." or "..", is refused with a message.
    void renameHotList();
    // "Delet": deletes the list file fileName of the list folder after a question.
    void deleteHotList(const QString& fileName);

    int HotListSerial() const { return m_hotListSerial; }
    int OpenHotListCount() const { return m_openHotListCount; }

signals:
    // A hot-list window asks for a pop-up menu.
    void popupRequested(PopupMenu menu);

private:
    // What every close of a hot-list window ends with: the browser's list is read again, the
    // window no longer counts for the placement of new ones, and no list is worked in.
    void windowClosed();
    HotListWindow* activeHotList() const;
    HotListWindow& openWindow(const QString& caption);

    AppState& m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    BarPanes& m_bars;
    ChildWindowHost& m_host;
    SavedHotLists& m_savedLists;
    HotListSaver m_saver{m_dialogs, m_platform};
    int m_hotListSerial = 0;
    int m_openHotListCount = 0;
};
