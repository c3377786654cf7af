/*
 * The My Hot Lists browser.
 */
#include "app/lists/hotlistbrowser.h"

#include "app/core/appstate.h"
#include "app/core/barpanes.h"
#include "app/core/dialogs.h"
#include "app/core/startplacement.h"
#include "app/lists/engine/filepattern.h"
#include "app/lists/engine/folderlister.h"
#include "app/lists/engine/hotlistfile.h"
#include "app/platform/platform.h"

#include <QtCore/QDir>
#include <QtGui/QContextMenuEvent>
#include <QtGui/QMouseEvent>
#include <QtWidgets/QListWidget>
#include <QtWidgets/QVBoxLayout>

using namespace Qt::StringLiterals;

HotListBrowser::HotListBrowser(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars,
                               ChildWindowHost& host, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_dialogs(dialogs)
    , m_platform(platform)
    , m_bars(bars)
    , m_lists(new QListWidget(this)) {
    setObjectName(u"Form3"_s);
    setWindowTitle(u"My Hot Lists"_s);
    m_lists->setObjectName(u"File1"_s);
    m_lists->setAccessibleName(u"My Hot Lists"_s);
    m_lists->setAccessibleDescription(u"The saved hot lists; right-click to open or delete one"_s);
    m_lists->viewport()->setMouseTracking(true);
    m_lists->viewport()->installEventFilter(this);
    m_lists->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_lists);

    // The top-right corner of the client area, 0.3 of its width and 0.4 of its height; the left
    // edge comes from the width the frame took, which its minimum may have widened.
    new StartPlacement(*this, host, [](QWidget& frame, QSize client) {
        frame.resize(qRound(0.3 * client.width()), qRound(0.4 * client.height()));
        frame.move(client.width() - frame.width(), 0);
    });

    // A folder that cannot be made just leaves the list empty.
    QDir().mkpath(listFolder());
    refresh();
}

QString HotListBrowser::listFolder() const {
    return HotListFile::folder(m_platform.dataFolder());
}

void HotListBrowser::refresh() {
    const FilePattern hotLists(u"*.vexa*"_s);
    m_lists->clear();
    for (const FolderEntry& entry : FolderLister(m_platform).read(listFolder())) {
        if (hotLists.matches(entry.name))
            m_lists->addItem(entry.name);
    }
}

void HotListBrowser::closeEvent(QCloseEvent* event) {
    emit closing();
    QWidget::closeEvent(event);
}

bool HotListBrowser::eventFilter(QObject* watched, QEvent* event) {
    // The Menu key opens the pop-up menu for the highlighted name, as a right-click does.
    if (watched == m_lists && event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
        listsPressed(Qt::RightButton);
        return true;
    }
    if (watched == m_lists->viewport()) {
        if (event->type() == QEvent::MouseMove)
            m_bars.showHint(u"Right click to open this file."_s);
        if (event->type() == QEvent::MouseButtonPress) {
            const Qt::MouseButton button = static_cast<QMouseEvent*>(event)->button();
            listsPressed(button);
            // The pop-up is for the highlighted name; a right-click does not move the highlight.
            return button == Qt::RightButton;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HotListBrowser::listsPressed(Qt::MouseButton button) {
    m_state.activeListKind = ListKind::None;
    if (button != Qt::RightButton)
        return;
    const QListWidgetItem* highlighted = m_lists->currentItem();
    if (!highlighted) {
        m_dialogs.message(u"Click the list you want First !"_s);
        return;
    }
    emit hotListMenuRequested(highlighted->text());
}
