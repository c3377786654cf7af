/*
 * The My Hot Lists browser, opened on demand: by its menu item, and by the hot-list commands,
 * which need it for the saved lists and reopen it, without the menu item's check mark, when it
 * is closed.
 */
#pragma once

#include "app/lists/savedhotlists.h"

#include <QtCore/QPointer>

#include <functional>

class BarPanes;
class ChildWindowHost;
class Dialogs;
class HotListBrowser;
class Platform;
struct AppState;

class HotListBrowserOpener final : public SavedHotLists {
public:
    // connect is given each browser when it is made, to connect its signals.
    HotListBrowserOpener(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, ChildWindowHost& host,
                         std::function<void(HotListBrowser&)> connect)
        : m_state(state)
        , m_dialogs(dialogs)
        , m_platform(platform)
        , m_bars(bars)
        , m_host(host)
        , m_connect(std::move(connect)) {}

    // The browser while it is open, nullptr otherwise.
    HotListBrowser* browser() const;
    // Shows the browser, made anew when it is closed, and makes it the active child window.
    void openBrowser();

    void refreshSavedLists() override;
    QRect savedListsFrame() override;

private:
    HotListBrowser& openBrowserForLists();

    AppState& m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    BarPanes& m_bars;
    ChildWindowHost& m_host;
    std::function<void(HotListBrowser&)> m_connect;
    QPointer<HotListBrowser> m_browser;
};
