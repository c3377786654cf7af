/*
 * The main window: the multiple-document frame of the program with the tool bar `GgG` along its
 * top edge, the status bar `Statline` along its bottom edge, the menu bar and the four pop-up
 * menus that the child windows show. It starts the program (opening the My Hot Lists browser
 * and the file chooser), keeps its minimum size, wires every menu item and tool-bar event to its
 * command, and ends the program. It owns the program's shared values and hands them to the
 * child windows through MainWindowServices.
 */
#pragma once

#include "appstate.h"
#include "cryptcommands.h"
#include "filetypefilters.h"
#include "hotlistcommands.h"
#include "mainmenus.h"
#include "mainwindowservices.h"

#include <QtCore/QPointer>
#include <QtWidgets/QMainWindow>

#include <functional>

class Form3;
class HelpWindow;
class PassWord1;
class QListWidget;
class Spassword1;

class MDIForm1 : public QMainWindow, public MainWindowServices {
    Q_OBJECT

public:
    // Runs the start-up: the bars restore their stored properties, the caption is set, the
    // browser and the chooser open, the browser takes the top-right corner.
    MDIForm1(Dialogs& dialogs, Platform& platform, QWidget* parent = nullptr);
    ~MDIForm1() override;

    // What ends the process once QuitProgram has closed the child windows;
    // QCoreApplication::exit by default.
    void setProcessEnd(std::function<void()> end) { m_endProcess = std::move(end); }

    AppState& state() override { return m_state; }
    Dialogs& dialogs() override { return m_dialogs; }
    Platform& platform() override { return m_platform; }
    statline::UserControl1& statusLine() override { return *Statline; }
    OrloTool::UserControl1& toolPanel() override { return *GgG; }
    QAction* menuItem(const QString& name) override { return m_menus.item(name); }
    QMenu* popupMenu(const QString& name) override { return m_menus.popup(name); }
    QMdiArea& mdiArea() override { return *m_mdiArea; }
    QSize clientSize() const override;
    QString currentPassword() override;
    void ShowPasswordDialog() override;
    Spassword1* chooser() override;
    QListWidget* activeChosenList() override;

    // Acts on the paths the program was started with or a second start handed over: the chooser
    // opens at the folder of the first usable one with the given files selected, ".vxp" files go
    // into its chosen-file list; missing and unusable paths are refused with a message each.
    // Nothing is encrypted, decrypted or deleted. While a long operation runs, this waits for its
    // end.
    void openPaths(const QStringList& paths);
    // Brings the window to the front of the desktop, restored if it was minimized.
    void bringToFront();
    // A second start handed these paths over: the window comes to the front and opens them.
    void pathsHandedOver(const QStringList& paths);

    // The browser while it is open, nullptr otherwise.
    Form3* browser() const;
    // The password dialog, created on first use.
    PassWord1& passwordDialog();
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
    void retryWaitingPaths();

    void MDIForm_Load();
    void MDIForm_Resize();
    void QuitProgram();
    bool passesCommandGate();

    void Ending_Click();
    void PassGenerate_Click();
    void statusbar_Click();
    void Toolbar_Click();
    void toggleBar(const QString& itemName, QWidget* bar);
    void E_Decrypt_Click();
    void MyHotLists_Click();
    void toggleChildWindow(const QString& itemName, QWidget* child, const std::function<void()>& open);
    Spassword1* openChooser();
    void openBrowser();
    void showChildWindow(QWidget* child);
    void listChildWindows();

    void HISEC_Click();
    void LOWSEC_Click();
    void DelOld_Click();
    void SelectHighSecurity();
    void SelectLowSecurity();
    void checkSecurityLevel(bool high);
    void GgG_C10(short button);
    void attributeButtonClicked();

    void Contents1_Click();
    void Search1_Click();
    HelpWindow& help();

    void EDitpas_Click();
    void altern_Click();
    void PasHint_Click();
    QString verifyPassword();

    AppState m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    std::function<void()> m_endProcess;
    OrloTool::UserControl1* GgG;
    statline::UserControl1* Statline;
    QMdiArea* m_mdiArea;
    MainMenus m_menus;
    FileTypeFilters m_filters;
    HotListCommands m_hotLists;
    QPointer<Spassword1> m_chooser;
    QPointer<Form3> m_browser;
    QPointer<HelpWindow> m_help;
    PassWord1* m_passwordDialog = nullptr;
    // Paths handed over while a long operation ran, opened at its end.
    QStringList m_waitingPaths;
    CryptCommands m_crypt{*this, [this] { return verifyPassword(); }};
};
