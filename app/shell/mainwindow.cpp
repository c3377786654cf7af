/*
 * The main window's start-up, size rule and end, and the commands that belong to the shell:
 * the bars, the child-window toggles, the security level, help and the password generator.
 */
#include "app/shell/mainwindow.h"

#include "app/core/apptitle.h"
#include "app/core/dialogs.h"
#include "app/folders/attributecommands.h"
#include "app/folders/foldercommands.h"
#include "app/lists/filechooserwindow.h"
#include "app/lists/hotlistbrowser.h"
#include "app/lists/listcommands.h"
#include "app/passwords/passworddialog.h"
#include "app/platform/platform.h"
#include "app/shell/startpaths.h"
#include "common/help/helpwindow.h"
#include "common/propertybag.h"
#include "common/twips.h"
#include "controls/statline/statline.h"
#include "controls/toolpanel/toolpanel.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QTimer>
#include <QtGui/QAction>
#include <QtGui/QCloseEvent>
#include <QtGui/QCursor>
#include <QtGui/QScreen>
#include <QtWidgets/QBoxLayout>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QMenu>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// How often paths handed over during a long operation look whether it has ended.
constexpr int WaitingPathsRetryMs = 200;
// The mouse button of a tool-bar press that changes the pressed button's state on release.
constexpr short kLeftButton = 1;

// A bar spans the window's width whatever its content asks for, at its design height.
void fixBarHeight(QWidget* bar, double heightTwips) {
    bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    bar->setFixedHeight(twips::toPixels(heightTwips));
}

} // namespace

MainWindow::MainWindow(Dialogs& dialogs, Platform& platform, QWidget* parent)
    : QMainWindow(parent)
    , m_dialogs(dialogs)
    , m_platform(platform)
    , m_endProcess([] { QCoreApplication::exit(0); })
    , m_client(new QWidget(this))
    , m_toolPanel(new OrloTool::UserControl1(m_client))
    , m_mdiArea(new QMdiArea(m_client))
    , Statline(new statline::UserControl1(m_client))
    , m_host(*m_mdiArea)
    , m_bars(m_state, *Statline, *m_toolPanel)
    , m_menus(*this)
    , m_filters(m_menus, *m_toolPanel, m_bars)
    , m_browsers(m_state, m_dialogs, m_platform, m_bars, m_host,
                 [this](HotListBrowser& browser) { connectBrowser(browser); })
    , m_hotLists(m_state, m_dialogs, m_platform, m_bars, m_host, m_browsers)
    , m_passwords(m_dialogs, m_platform, *this, [this] { return m_chooser ? &m_chooser->chosenFiles() : nullptr; }) {
    setObjectName(u"MDIForm1"_s);
    setWindowIcon(QIcon(u":/vexapad/icons/vexapad.svg"_s));

    m_client->setObjectName(u"clientFrame"_s);
    m_toolPanel->setObjectName(u"GgG"_s);
    m_toolPanel->readProperties(PropertyBag({{u"MM1"_s, 0}}));
    fixBarHeight(m_toolPanel, 855);
    m_mdiArea->setObjectName(u"mdiArea"_s);
    Statline->setObjectName(u"Statline"_s);
    Statline->readProperties(PropertyBag({{u"ScaleWidth"_s, 9300.0f}}));
    fixBarHeight(Statline, 495);
    auto* layout = new QVBoxLayout(m_client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolPanel);
    layout->addWidget(m_mdiArea, 1);
    layout->addWidget(Statline);
    setCentralWidget(m_client);
    sizeClientArea(twips::size(9300, 5055));

    wireCommands();
    openStartWindows();
}

MainWindow::~MainWindow() {
    // The child windows use the main window's services until they are gone, so they go first.
    qDeleteAll(m_host.windows());
}

QSize MainWindow::clientSize() const {
    return m_host.clientSize();
}

FileChooserWindow* MainWindow::chooserWindow() const {
    return m_chooser;
}

FileChooser* MainWindow::fileChooser() const {
    return m_chooser;
}

HotListBrowser* MainWindow::browser() const {
    return m_browsers.browser();
}

HelpWindow* MainWindow::helpWindow() const {
    return m_help;
}

void MainWindow::sizeClientArea(QSize size) {
    // The menu bar and the bars add to the client area what only the laid-out window knows. A
    // hidden window receives no resize events, so its layouts are applied here directly.
    const auto layOut = [this] {
        for (QLayout* layout : {this->layout(), centralWidget()->layout()}) {
            layout->invalidate();
            layout->activate();
        }
    };
    resize(size);
    layOut();
    resize(this->size() + size - clientSize());
    layOut();
}

void MainWindow::wireCommands() {
    using Command = void (MainWindow::*)();
    struct Wiring {
        QStringView item;
        Command command;
    };
    static constexpr Wiring kCommands[] = {
        {u"PassGenerate", &MainWindow::startGenerator},
        {u"Ending", &MainWindow::exitProgram},
        {u"statusbar", &MainWindow::toggleStatusBar},
        {u"Toolbar", &MainWindow::toggleToolBar},
        {u"E_Decrypt", &MainWindow::toggleChooser},
        {u"MyHotLists", &MainWindow::toggleHotListBrowser},
        {u"HISEC", &MainWindow::chooseHighSecurity},
        {u"LOWSEC", &MainWindow::chooseLowSecurity},
        {u"DELOLD", &MainWindow::toggleDeleteOriginal},
        {u"Contents1", &MainWindow::showHelpContents},
        {u"Search1", &MainWindow::searchHelp},
        {u"Editpas", &MainWindow::editPassword},
        {u"ditFold", &MainWindow::editPassword},
        {u"Passw", &MainWindow::showPasswordDialog},
        {u"EditListPass", &MainWindow::showPasswordDialog},
        {u"Altern", &MainWindow::changeMasterPassword},
        {u"PasHint", &MainWindow::recoverStoredPassword},
    };
    for (const Wiring& wiring : kCommands)
        onItem(wiring.item.toString(), [this, command = wiring.command] { (this->*command)(); });

    // The list commands act on the active child window's chosen-file list; Open on the chooser's
    // file list. None of them has a gate, but the two that empty a list do nothing during a run.
    using ListCommand = void (ListCommands::*)(ChosenFiles*);
    struct ListWiring {
        QStringView item;
        ListCommand command;
    };
    static constexpr ListWiring kListCommands[] = {
        {u"Openlist1", &ListCommands::openEntry},        {u"selectItem", &ListCommands::selectEntry},
        {u"selectAll", &ListCommands::selectAllEntries}, {u"Clear1", &ListCommands::clearList},
        {u"Clear2", &ListCommands::removeEntry},
    };
    for (const ListWiring& wiring : kListCommands) {
        const bool emptiesList =
            wiring.command == &ListCommands::clearList || wiring.command == &ListCommands::removeEntry;
        onItem(wiring.item.toString(), [this, command = wiring.command, emptiesList] {
            if (emptiesList && m_state.busy)
                return;
            ListCommands commands(m_dialogs, m_platform, m_bars);
            (commands.*command)(m_host.activeChosenFiles());
        });
    }
    onItem(u"Openfile1"_s, [this] {
        if (m_chooser)
            ListCommands(m_dialogs, m_platform, m_bars).openShownFile(*m_chooser);
    });

    // The hot-list commands have no gate.
    onItem(u"NewList"_s, [this] { m_hotLists.newHotList(); });
    onItem(u"OpenList"_s, [this] { m_hotLists.openHotList(m_menuHotList); });
    onItem(u"Savelist"_s, [this] { m_hotLists.saveHotList(); });
    onItem(u"RenameList"_s, [this] { m_hotLists.renameHotList(); });
    onItem(u"DeleteList"_s, [this] { m_hotLists.deleteHotList(m_menuHotList); });
    connect(&m_hotLists, &HotListCommands::popupRequested, this, &MainWindow::popUp);

    // The folder commands have no gate: they do not look at Busy.
    using FolderCommand = void (FolderCommands::*)();
    const std::pair<QString, FolderCommand> folderCommands[] = {
        {u"FolderLock"_s, &FolderCommands::lockFolder},
        {u"PupFoldLock"_s, &FolderCommands::lockFolder},
        {u"FolderUnlock"_s, &FolderCommands::unlockFolder},
        {u"PopFoldunLock"_s, &FolderCommands::unlockFolder},
        {u"UnWithMaster"_s, &FolderCommands::unlockWithMasterPassword},
    };
    for (const auto& [item, command] : folderCommands)
        onItem(item, [this, command] {
            (FolderCommands(m_dialogs, m_platform, m_passwords, [this] { return fileChooser(); }).*command)();
        });

    for (const FileTypeFilters::Switch& filter : FileTypeFilters::switches()) {
        const FileKind kind = filter.kind;
        onItem(filter.menuItem, [this, kind] {
            if (passesCommandGate())
                m_filters.switchFromMenu(kind, m_chooser);
        });
        onItem(filter.popupItem, [this, kind] { m_filters.switchFromMenu(kind, m_chooser); });
        connect(m_toolPanel, filter.pressed, this, [this, kind](short button) {
            // Only a left click changes the button; acting on another button's press would leave
            // the button out of step with the list and the menus. A refused click keeps it as is.
            if (!passesCommandGate())
                m_toolPanel->refuseClick();
            else if (button == kLeftButton)
                m_filters.switchFromToolbar(kind, m_chooser);
        });
    }
    connect(m_toolPanel, &OrloTool::UserControl1::C10, this, &MainWindow::toolButtonClicked);
    connect(m_toolPanel, &OrloTool::UserControl1::C11, this, &MainWindow::editPassword);
    connect(m_toolPanel, &OrloTool::UserControl1::C12, this, &MainWindow::changeMasterPassword);
    connect(m_toolPanel, &OrloTool::UserControl1::C13, this, &MainWindow::recoverStoredPassword);
    // While Busy a user's click on an attribute button is refused, so the button stays in step
    // with the file; the gate is not used, as it would forget the list last worked in.
    connect(m_toolPanel, &OrloTool::UserControl1::attributeClickRequested, this, [this] {
        if (m_state.busy)
            m_toolPanel->refuseClick();
    });
    for (const auto event : {&OrloTool::UserControl1::C1, &OrloTool::UserControl1::C2, &OrloTool::UserControl1::C3,
                             &OrloTool::UserControl1::C4})
        connect(m_toolPanel, event, this, &MainWindow::attributeButtonClicked);

    // Encryption and decryption. The File menu and the tool bar pass the gate first; the pop-up
    // menus' items do not, and a run already going makes them do nothing.
    onItem(u"Encmenu"_s, [this] {
        if (passesCommandGate())
            m_crypt.encryptChosenList();
    });
    onItem(u"Decmenu"_s, [this] {
        if (passesCommandGate())
            m_crypt.decryptChosenList();
    });
    onItem(u"Enc1"_s, [this] { m_crypt.encryptChosenList(); });
    onItem(u"Dec1"_s, [this] { m_crypt.decryptChosenList(); });
    onItem(u"Enc2"_s, [this] { m_crypt.encryptShownFiles(); });
    onItem(u"Dec2"_s, [this] { m_crypt.decryptShownFiles(); });
    connect(m_toolPanel, &OrloTool::UserControl1::C14, this, [this] {
        if (passesCommandGate())
            m_crypt.decryptChosenList();
    });
    connect(m_toolPanel, &OrloTool::UserControl1::C15, this, [this] {
        if (passesCommandGate())
            m_crypt.encryptChosenList();
    });

    // Connected last, so it runs after each event's own handler.
    for (const auto event : {&OrloTool::UserControl1::C1, &OrloTool::UserControl1::C2, &OrloTool::UserControl1::C3,
                             &OrloTool::UserControl1::C4, &OrloTool::UserControl1::C11, &OrloTool::UserControl1::C12,
                             &OrloTool::UserControl1::C13, &OrloTool::UserControl1::C14, &OrloTool::UserControl1::C15})
        connect(m_toolPanel, event, this, &MainWindow::commandEnded);
    for (const auto event : {&OrloTool::UserControl1::C5, &OrloTool::UserControl1::C6, &OrloTool::UserControl1::C7,
                             &OrloTool::UserControl1::C8, &OrloTool::UserControl1::C9, &OrloTool::UserControl1::C10})
        connect(m_toolPanel, event, this, &MainWindow::commandEnded);

    connect(m_menus.menu(u"windo"_s), &QMenu::aboutToShow, this, &MainWindow::listChildWindows);

    // F1 opens the guide from every window of the program, the password dialog included. It
    // changes nothing, so it has no gate.
    auto* helpKey = new QAction(this);
    helpKey->setObjectName(u"HelpKey"_s);
    helpKey->setShortcut(Qt::Key_F1);
    helpKey->setShortcutContext(Qt::ApplicationShortcut);
    addAction(helpKey);
    connect(helpKey, &QAction::triggered, this, [this] { help().showContents(); });
}

void MainWindow::onItem(const QString& name, std::function<void()> command) {
    QAction* item = m_menus.item(name);
    connect(item, &QAction::triggered, this, [item, command = std::move(command)] {
        // Qt flips a checkable item's mark before it reports the click. Every command here
        // decides the mark itself (and a gated one leaves it alone), so the flip is taken back.
        if (item->isCheckable())
            item->setChecked(!item->isChecked());
        command();
    });
    connect(item, &QAction::triggered, this, &MainWindow::commandEnded);
}

void MainWindow::commandEnded() {
    // A command may have changed files of the shown folder, and another program may have changed
    // them meanwhile: the file list is read again. While a long operation runs (this command
    // came in while it let events run, or the tool bar's attribute buttons are being set), the
    // operation's own end does it.
    if (m_chooser && m_chooser->isVisible() && !m_state.busy)
        m_chooser->refreshFiles();
}

void MainWindow::openPaths(const QStringList& paths, PathAction action) {
    // The running pass walks the chosen-file list: it must not change under it. Requests keep
    // their order, so one that arrives while earlier ones wait waits too.
    if (m_state.busy || !m_waitingRequests.empty()) {
        const bool waiting = !m_waitingRequests.empty();
        m_waitingRequests.push_back({paths, action});
        if (!waiting)
            retryWaitingPaths();
        return;
    }
    actOnPaths({paths, action});
}

void MainWindow::actOnPaths(const PathRequest& request) {
    const StartPaths plan = planStartPaths(request.paths, QDir::currentPath(), request.action);
    m_refusals.insert(m_refusals.end(), plan.refusals.cbegin(), plan.refusals.cend());
    showRefusals();
    if (plan.folder.isEmpty())
        return;
    FileChooserWindow* chooser = openChooser();
    m_menus.item(u"E_Decrypt"_s)->setChecked(true);
    chooser->showGivenFiles(plan.folder, plan.select, plan.choose);
    if (request.action != PathAction::Open && !plan.choose.isEmpty())
        runRequestedCommand({plan.choose, request.action});
}

void MainWindow::retryWaitingPaths() {
    QTimer::singleShot(WaitingPathsRetryMs, this, [this] {
        // A request that starts a run leaves the rest waiting for that run's end.
        while (!m_waitingRequests.empty() && !m_state.busy) {
            const PathRequest request = std::move(m_waitingRequests.front());
            m_waitingRequests.pop_front();
            actOnPaths(request);
        }
        if (!m_waitingRequests.empty())
            retryWaitingPaths();
    });
}

void MainWindow::showRefusals() {
    // A box's own event loop may take in more paths: their refusals wait until it closes.
    if (std::exchange(m_showingRefusals, true))
        return;
    while (!m_refusals.empty()) {
        const QString refusal = std::move(m_refusals.front());
        m_refusals.pop_front();
        m_dialogs.message(refusal);
    }
    m_showingRefusals = false;
}

void MainWindow::runRequestedCommand(const PathRequest& request) {
    // Unlike the menu commands, which end when no password is set, a start's command waits for
    // one: the dialog opens, and "Ok" runs the command; leaving the dialog otherwise runs nothing.
    if (m_passwords.currentPassword().isEmpty()) {
        m_awaitingPassword = request;
        if (!std::exchange(m_watchingPasswordDialog, true))
            connect(&passwordDialog(), &PasswordDialog::workingPasswordClosed, this,
                    &MainWindow::workingPasswordClosed);
        showPasswordDialog();
        return;
    }
    if (!passesCommandGate())
        return;
    if (request.action == PathAction::Encrypt)
        m_crypt.encryptChosenList();
    else
        m_crypt.decryptChosenList();
    commandEnded();
}

void MainWindow::workingPasswordClosed(bool accepted) {
    const std::optional<PathRequest> request = std::exchange(m_awaitingPassword, std::nullopt);
    // The files are chosen again, as the user may have changed the selection while the dialog
    // was open, and the request waits like any other if a run started meanwhile.
    if (request && accepted && !m_passwords.currentPassword().isEmpty())
        openPaths(request->paths, request->action);
}

void MainWindow::bringToFront() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::pathsHandedOver(const QStringList& paths, PathAction action) {
    bringToFront();
    openPaths(paths, action);
}

void MainWindow::openStartWindows() {
    setWindowTitle(applicationTitle());
    toggleHotListBrowser();
    toggleChooser();
    // The browser takes the top-right corner of the client area by itself when it is first shown.
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    arrangeBars();
}

void MainWindow::arrangeBars() {
    // The window is never smaller than half the screen in either direction; a minimised,
    // maximised or full-screen window keeps the size the window system gives it.
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return;
    const QSize screenSize = screen()->geometry().size();
    const QSize outer = frameGeometry().size();
    const int growWidth = std::max(0, screenSize.width() / 2 - outer.width());
    const int growHeight = std::max(0, screenSize.height() / 2 - outer.height());
    if (growWidth > 0 || growHeight > 0)
        resize(width() + growWidth, height() + growHeight);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // MDIForm_Unload: any close of the main window ends the program, without a question.
    event->ignore();
    QuitProgram();
}

void MainWindow::QuitProgram() {
    // A run going on stops as on Cancel, removing what its pass wrote, so the program ends at once
    // and leaves no half-written file.
    m_crypt.stopRun();
    // Each child window runs its own close handling; whatever it decides, the program ends.
    for (QMdiSubWindow* window : m_host.windows())
        window->close();
    m_endProcess();
}

void MainWindow::endOnSignal() {
    m_crypt.stopRun();
    m_endProcess();
}

bool MainWindow::passesCommandGate() {
    m_state.activeListKind = ListKind::None;
    return !m_state.busy;
}

void MainWindow::exitProgram() {
    if (m_dialogs.askYesNo(u" Do you really want  exit?"_s) == Dialogs::Answer::Yes)
        QuitProgram();
}

void MainWindow::startGenerator() {
    const QString program = m_platform.programFolder() + u"/vexa-generate"_s;
    if (!QFileInfo(program).isFile())
        m_dialogs.message(u"The password generator was not found:\r\n"_s + program);
    else if (!m_platform.startProgram(program))
        m_dialogs.message(u"The password generator could not be started:\r\n"_s + program);
}

void MainWindow::toggleStatusBar() {
    toggleBar(u"statusbar"_s, Statline);
}

void MainWindow::toggleToolBar() {
    toggleBar(u"Toolbar"_s, m_toolPanel);
}

void MainWindow::toggleBar(const QString& itemName, QWidget* bar) {
    QAction* item = m_menus.item(itemName);
    item->setChecked(!item->isChecked());
    bar->setVisible(item->isChecked());
}

void MainWindow::toggleChooser() {
    toggleChildWindow(u"E_Decrypt"_s, m_chooser, [this] { openChooser(); });
}

void MainWindow::toggleHotListBrowser() {
    toggleChildWindow(u"MyHotLists"_s, m_browsers.browser(), [this] { m_browsers.openBrowser(); });
}

void MainWindow::toggleChildWindow(const QString& itemName, QWidget* child, const std::function<void()>& open) {
    QAction* item = m_menus.item(itemName);
    if (!item->isChecked()) {
        open();
        item->setChecked(true);
    } else if (!child || child->parentWidget()->close()) {
        // Closing runs the window's own close handling, which may keep it open.
        item->setChecked(false);
    }
}

FileChooserWindow* MainWindow::openChooser() {
    if (!m_chooser) {
        auto* chooser = new FileChooserWindow(m_state, m_dialogs, m_platform, m_bars, m_host);
        // The chooser's menu item is checked while it is open, however it was opened.
        m_menus.item(u"E_Decrypt"_s)->setChecked(true);
        connect(chooser, &FileChooserWindow::popupRequested, this, &MainWindow::popUp);
        connect(chooser, &FileChooserWindow::closing, this,
                [this] { m_menus.item(u"E_Decrypt"_s)->setChecked(false); });
        m_filters.applyTo(*chooser);
        m_chooser = chooser;
    }
    m_host.show(*m_chooser);
    return m_chooser;
}

void MainWindow::connectBrowser(HotListBrowser& browser) {
    connect(&browser, &HotListBrowser::hotListMenuRequested, this, [this](const QString& fileName) {
        m_menuHotList = fileName;
        popUp(PopupMenu::LoadList);
    });
    connect(&browser, &HotListBrowser::closing, this, [this] { m_menus.item(u"MyHotLists"_s)->setChecked(false); });
}

void MainWindow::popUp(PopupMenu menu) {
    QString name;
    switch (menu) {
    case PopupMenu::LoadList:
        name = u"LoadList"_s;
        break;
    case PopupMenu::FileList:
        name = u"Show1"_s;
        break;
    case PopupMenu::Folder:
        name = u"Folder"_s;
        break;
    case PopupMenu::ChooserListMenu:
    case PopupMenu::HotListMenu:
        // "Rename List" and "Save List" act on a hot-list window only.
        for (const QString& item : {u"RenameList"_s, u"Savelist"_s})
            m_menus.item(item)->setEnabled(menu == PopupMenu::HotListMenu);
        name = u"munfile"_s;
        break;
    }
    // The menu does not wait for a choice: its items run their commands when chosen.
    m_menus.popup(name)->popup(QCursor::pos());
}

void MainWindow::listChildWindows() {
    QMenu* menu = m_menus.menu(u"windo"_s);
    menu->clear();
    int number = 0;
    for (QMdiSubWindow* window : m_host.windows()) {
        QString caption = window->windowTitle();
        caption.replace(u'&', u"&&"_s);
        QAction* entry = menu->addAction(u"&"_s + QString::number(++number) + u' ' + caption);
        entry->setCheckable(true);
        entry->setChecked(window->widget() == m_host.activeChild());
        connect(entry, &QAction::triggered, window, [this, window] { m_host.activate(window); });
    }
}

void MainWindow::chooseHighSecurity() {
    if (passesCommandGate())
        selectHighSecurity();
}

void MainWindow::chooseLowSecurity() {
    if (passesCommandGate())
        selectLowSecurity();
}

void MainWindow::toggleDeleteOriginal() {
    if (!passesCommandGate())
        return;
    QAction* item = m_menus.item(u"DELOLD"_s);
    item->setChecked(!item->isChecked());
}

void MainWindow::selectHighSecurity() {
    const bool high = m_dialogs.askYesNo(u"High security will low the speed.\r\n"
                                         u"You need it much for Text-Files.\r\n"
                                         u"Do you want to continue?"_s) != Dialogs::Answer::No;
    checkSecurityLevel(high);
    m_toolPanel->setMM10(high ? 1 : 0);
}

void MainWindow::selectLowSecurity() {
    checkSecurityLevel(false);
    m_toolPanel->setMM10(0);
}

void MainWindow::checkSecurityLevel(bool high) {
    m_menus.item(u"HISEC"_s)->setChecked(high);
    m_menus.item(u"LOWSEC"_s)->setChecked(!high);
}

void MainWindow::toolButtonClicked(short button) {
    if (!passesCommandGate()) {
        // The button stays as the level in force shows it.
        m_toolPanel->refuseClick();
        return;
    }
    if (button != kLeftButton)
        return;
    if (m_toolPanel->MM10() == 0) {
        // The question's modal box takes the mouse release: the button keeps the state given here.
        selectHighSecurity();
    } else {
        // The button's own toggle on release brings it from 1 to 0, matching low security.
        checkSecurityLevel(false);
        m_toolPanel->setMM10(1);
    }
}

void MainWindow::attributeButtonClicked() {
    // The attribute buttons change state while a click in a list shows the file's attributes;
    // Busy is set then, and the change must not apply them (a user's click is refused before).
    if (m_state.busy)
        return;
    if (m_state.activeListKind == ListKind::None)
        m_dialogs.message(u"Click the list  then change attribute"_s);
    else
        AttributeCommands(m_state, m_dialogs, m_platform, m_bars, m_host, [this] {
            return fileChooser();
        }).applyToolbarAttributes();
}

void MainWindow::showHelpContents() {
    if (!passesCommandGate())
        return;
    openChooser()->focusFolderTree();
    help().showContents();
}

void MainWindow::searchHelp() {
    if (passesCommandGate())
        help().showSearch();
}

HelpWindow& MainWindow::help() {
    if (!m_help)
        m_help = new HelpWindow(this);
    return *m_help;
}

PasswordDialog& MainWindow::passwordDialog() {
    return m_passwords.dialog();
}

void MainWindow::showPasswordDialog() {
    passwordDialog().showPasswordDialog();
}

void MainWindow::editPassword() {
    if (passesCommandGate())
        showPasswordDialog();
}

void MainWindow::changeMasterPassword() {
    if (passesCommandGate())
        passwordDialog().showMasterPassword();
}

void MainWindow::recoverStoredPassword() {
    if (passesCommandGate())
        passwordDialog().showPasswordHint();
}
