/*
 * The main window: the multiple-document frame of the program with the tool bar `GgG` along its
 * top edge, the status bar `Statline` along its bottom edge, the menu bar and the four pop-up
 * menus that the child windows show. It starts the program (opening the My Hot Lists browser
 * and the file chooser), keeps its minimum size, wires every menu item and tool-bar event to its
 * command, and ends the program. It is the only part that knows every window: it owns the
 * program's shared values, makes each window and command with the roles that one uses, and
 * plays those roles itself over its bars, menus and password dialog.
 */
#pragma once

#include "app/core/appstate.h"
#include "app/core/childwindowhost.h"
#include "app/core/filechooser.h"
#include "app/core/popupmenu.h"
#include "app/crypt/cryptcommands.h"
#include "app/lists/hotlistcommands.h"
#include "app/shell/engine/pathaction.h"
#include "app/shell/filetypefilters.h"
#include "app/shell/hotlistbrowseropener.h"
#include "app/shell/mainbars.h"
#include "app/shell/mainmenus.h"
#include "app/shell/menurunoptions.h"
#include "app/shell/passworddialogsource.h"

#include <QtCore/QPointer>
#include <QtWidgets/QMainWindow>

#include <deque>
#include <functional>
#include <optional>

class HotListBrowser;
class HelpWindow;
class PasswordDialog;
class FileChooserWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Runs the start-up: the bars restore their stored properties, the caption is set, the
    // browser and the chooser open, the browser takes the top-right corner.
    MainWindow(Dialogs& dialogs, Platform& platform, QWidget* parent = nullptr);
    ~MainWindow() override;

    // What ends the process once QuitProgram has closed the child windows;
    // QCoreApplication::exit by default.
    void setProcessEnd(std::function<void()> end) { m_endProcess = std::move(end); }

    AppState& state() { return m_state; }
    statline::UserControl1& statusLine() { return *Statline; }
    OrloTool::UserControl1& toolPanel() { return *m_toolPanel; }
    // The size of the client area, where the child windows live.
    QSize clientSize() const;
    // The chooser while it is open, nullptr otherwise.
    FileChooserWindow* chooserWindow() const;

    // Acts on the paths the program was started with or a second start handed over: the chooser
    // opens at the folder of the first usable one with the given files selected, ".vxp" files go
    // into its chosen-file list and become its selection; missing and unusable paths are refused
    // with a message each. Without an action nothing is encrypted, decrypted or deleted; with
    // one, every file given goes into the list, selected, and the Encrypt or Decrypt command runs
    // on them, once a password is set (the password dialog asks first when none is). While a long
    // operation runs, this waits for its end.
    void openPaths(const QStringList& paths, PathAction action = PathAction::Open);
    // Brings the window to the front of the desktop, restored if it was minimized.
    void bringToFront();
    // A second start handed these paths over: the window comes to the front and acts on them.
    void pathsHandedOver(const QStringList& paths, PathAction action = PathAction::Open);
    // The session asks the program to end (SIGTERM, SIGHUP): a run stops as a confirmed Cancel
    // stops it and the program ends without a question, the child windows' included.
    void endOnSignal();

    // The browser while it is open, nullptr otherwise.
    HotListBrowser* browser() const;
    // The password dialog, created on first use.
    PasswordDialog& passwordDialog();
    // The help window once help was asked for, nullptr before.
    HelpWindow* helpWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void sizeClientArea(QSize size);
    void wireCommands();
    void onItem(const QString& name, std::function<void()> command);
    void commandEnded();

    // Paths from a start or a hand-over, and what to do with them.
    struct PathRequest {
        QStringList paths;
        PathAction action = PathAction::Open;
    };
    void actOnPaths(const PathRequest& request);
    void retryWaitingPaths();
    // Shows the refusals waiting, one box after the other.
    void showRefusals();
    // Runs the Encrypt or Decrypt command on the chosen files, or asks for a password first.
    void runRequestedCommand(const PathRequest& request);
    void workingPasswordClosed(bool accepted);

    void openStartWindows();
    void arrangeBars();
    void QuitProgram();
    bool passesCommandGate();

    void exitProgram();
    void startGenerator();
    void toggleStatusBar();
    void toggleToolBar();
    void toggleBar(const QString& itemName, QWidget* bar);
    void toggleChooser();
    void toggleHotListBrowser();
    void toggleChildWindow(const QString& itemName, QWidget* child, const std::function<void()>& open);
    FileChooserWindow* openChooser();
    void connectBrowser(HotListBrowser& browser);
    void popUp(PopupMenu menu);
    void listChildWindows();

    void chooseHighSecurity();
    void chooseLowSecurity();
    void toggleDeleteOriginal();
    void selectHighSecurity();
    void selectLowSecurity();
    void checkSecurityLevel(bool high);
    void toolButtonClicked(short button);
    void attributeButtonClicked();

    void showHelpContents();
    void searchHelp();
    HelpWindow& help();

    void editPassword();
    void changeMasterPassword();
    void recoverStoredPassword();
    void showPasswordDialog();
    // The chooser in its role for the commands; nullptr while it is closed.
    FileChooser* fileChooser() const;

    AppState m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    std::function<void()> m_endProcess;
    // The client frame holds the bars and the area; declared in this order, as they are made.
    QWidget* m_client;
    OrloTool::UserControl1* m_toolPanel;
    QMdiArea* m_mdiArea;
    statline::UserControl1* Statline;
    ChildWindowHost m_host;
    MainBars m_bars;
    MainMenus m_menus;
    MenuRunOptions m_runOptions{m_menus};
    FileTypeFilters m_filters;
    HotListBrowserOpener m_browsers;
    HotListCommands m_hotLists;
    // The hot-list file the browser last asked the `LoadList` pop-up menu for; its Open Hot List
    // and Delet act on it.
    QString m_menuHotList;
    QPointer<FileChooserWindow> m_chooser;
    QPointer<HelpWindow> m_help;
    PasswordDialogSource m_passwords;
    // Paths handed over while a long operation ran, acted on in order at its end.
    std::deque<PathRequest> m_waitingRequests;
    // Refusals of paths handed over, waiting for the box before them to close.
    std::deque<QString> m_refusals;
    bool m_showingRefusals = false;
    // A command asked for by a start, waiting for the password dialog to set a password.
    std::optional<PathRequest> m_awaitingPassword;
    bool m_watchingPasswordDialog = false;
    CryptCommands m_crypt{
        {m_state, m_dialogs, m_platform, m_bars, m_passwords, m_runOptions, m_host, [this] { return fileChooser(); }}};
};
