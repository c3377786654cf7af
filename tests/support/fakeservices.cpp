#include "fakeservices.h"

#include "chosenlistwindow.h"

#include <QtWidgets/QMdiSubWindow>
#include <QtWidgets/QVBoxLayout>

FakeServices::FakeServices()
    : area(*new QMdiArea(&window)) {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&area);
    window.resize(1000, 600);
    window.show();
}

QAction* FakeServices::menuItem(const QString& name) {
    std::unique_ptr<QAction>& item = m_items[name];
    if (!item) {
        item = std::make_unique<QAction>(name);
        item->setObjectName(name);
        item->setCheckable(true);
    }
    return item.get();
}

QMenu* FakeServices::popupMenu(const QString& name) {
    std::unique_ptr<QMenu>& menu = m_menus[name];
    if (!menu) {
        menu = std::make_unique<QMenu>();
        menu->setObjectName(name);
        menu->addAction(name);
    }
    return menu.get();
}

QSize FakeServices::clientSize() const {
    return area.viewport()->size();
}

QListWidget* FakeServices::activeChosenList() {
    QMdiSubWindow* current = area.currentSubWindow();
    auto* listWindow = current ? dynamic_cast<ChosenListWindow*>(current->widget()) : nullptr;
    return listWindow ? listWindow->chosenList() : nullptr;
}
