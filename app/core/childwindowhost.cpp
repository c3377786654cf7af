/*
 * The child windows' host.
 */
#include "app/core/childwindowhost.h"

#include "app/core/chosenlistwindow.h"

#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>

void ChildWindowHost::show(QWidget& child) {
    QMdiSubWindow* frame = frameOf(child);
    frame->show();
    activate(frame);
}

void ChildWindowHost::showAt(QWidget& child, const QRect& place) {
    QMdiSubWindow* frame = frameOf(child);
    frame->setGeometry(place);
    frame->show();
    activate(frame);
}

void ChildWindowHost::activate(QMdiSubWindow* window) {
    m_area.setActiveSubWindow(window);
}

QMdiSubWindow* ChildWindowHost::frameOf(QWidget& child) {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(child.parentWidget()))
        return frame;
    QMdiSubWindow* frame = m_area.addSubWindow(&child);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    return frame;
}

QWidget* ChildWindowHost::activeChild() const {
    const QMdiSubWindow* frame = m_area.currentSubWindow();
    return frame ? frame->widget() : nullptr;
}

ChosenFiles* ChildWindowHost::activeChosenFiles() const {
    auto* listWindow = dynamic_cast<ChosenListWindow*>(activeChild());
    return listWindow ? &listWindow->chosenFiles() : nullptr;
}

QList<QMdiSubWindow*> ChildWindowHost::windows() const {
    return m_area.subWindowList();
}

QWidget& ChildWindowHost::clientArea() const {
    return *m_area.viewport();
}

QSize ChildWindowHost::clientSize() const {
    // The area shows no scroll bars, so its viewport fills its contents rectangle.
    return m_area.contentsRect().size();
}

QWidget& ChildWindowHost::mainWindow() const {
    return *m_area.window();
}
