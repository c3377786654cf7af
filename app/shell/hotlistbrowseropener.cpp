/*
 * Opening the My Hot Lists browser.
 */
#include "app/shell/hotlistbrowseropener.h"

#include "app/core/childframe.h"
#include "app/core/childwindowhost.h"
#include "app/lists/hotlistbrowser.h"

HotListBrowser* HotListBrowserOpener::browser() const {
    return m_browser;
}

void HotListBrowserOpener::openBrowser() {
    if (!m_browser) {
        m_browser = new HotListBrowser(m_state, m_dialogs, m_platform, m_bars, m_host);
        m_connect(*m_browser);
    }
    m_host.show(*m_browser);
}

HotListBrowser& HotListBrowserOpener::openBrowserForLists() {
    // One closed just now is waiting for its deletion and cannot serve.
    if (m_browser && m_browser->parentWidget()->isHidden())
        m_browser = nullptr;
    if (!m_browser)
        openBrowser();
    return *m_browser;
}

void HotListBrowserOpener::refreshSavedLists() {
    openBrowserForLists().refresh();
}

QRect HotListBrowserOpener::savedListsFrame() {
    return ChildFrame(openBrowserForLists()).geometry();
}
