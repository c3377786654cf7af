/*
 * The hot lists of one run: the commands New list, Open Hot List, Save List, Rename List and
 * Delete, the two counters that name and place new hot-list windows, and the saving that a
 * hot-list window's close shares with Save List. The main window owns one instance and wires its
 * menu items to the commands; the hot-list windows it opens use it until they close.
 */
#pragma once

#include <QtCore/QString>

#include <functional>

class HotListWindow;
class HotListBrowser;
class MainWindowServices;

class HotListCommands {
public:
    // The My Hot Lists browser, opened for the caller (without the check mark of its menu item)
    // when it is closed.
    using BrowserAccess = std::function<HotListBrowser&()>;

    enum class SaveResult { Saved, NotReplaced, Failed };

    HotListCommands(MainWindowServices& services, BrowserAccess browser);

    // "New list": an empty window named "Hot List " and the next serial number.
    void NewList_Click();
    // "Open Hot List": a window with the entries of the list file picked in the browser
    // (CurrentFile). A file that cannot be read is reported and opens no window.
    void OpenList_Click();
    // "Save List": saves the active hot-list window's list under its caption, then shows the
    // caption + " is saved" and refreshes the browser.
    void Savelist_Click();
    // "Rename List": the active hot-list window takes the name the user types; no file changes.
    // A name with a "/", or the name "." or "..", is refused with a message.
    void RenameList_Click();
    // "Delet": deletes the list file picked in the browser (CurrentFile) after a question.
    void DeleteList_Click();

    // Writes a window's list to the file of its caption, asking before replacing an existing
    // file. Entries that cannot be stored and failed writes are reported; nothing is written
    // then.
    SaveResult saveList(const HotListWindow& window);
    // What every close of a hot-list window ends with: the browser's list is read again, the
    // window no longer counts for the placement of new ones, and no list is worked in.
    void windowClosed();

    int HotListSerial() const { return m_hotListSerial; }
    int OpenHotListCount() const { return m_openHotListCount; }

private:
    HotListWindow* activeHotList() const;
    HotListWindow& openWindow(const QString& caption);
    QString listFolder() const;

    MainWindowServices& m_services;
    BrowserAccess m_browser;
    int m_hotListSerial = 0;
    int m_openHotListCount = 0;
};
