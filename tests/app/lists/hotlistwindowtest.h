/*
 * The real main window for the hot-list windows and commands, with helpers that find the
 * hot-list windows, their lists and the list files.
 */
#pragma once

#include "complementedline.h"
#include "fakeservices.h"
#include "form2.h"
#include "form3.h"
#include "mainwindowtest.h"
#include "qstringprinter.h"

#include <QtWidgets/QListWidget>
#include <QtWidgets/QMdiArea>
#include <QtWidgets/QMdiSubWindow>

class HotListWindowTest : public MainWindowTest<TestPlatform> {
protected:
    using Answer = Dialogs::Answer;

    // The open hot-list windows, oldest first.
    QList<Form2*> hotLists() const {
        QList<Form2*> result;
        for (QMdiSubWindow* frame : m_window->mdiArea().subWindowList()) {
            if (auto* window = qobject_cast<Form2*>(frame->widget()); window && frame->isVisible())
                result << window;
        }
        return result;
    }
    Form2* activeHotList() const {
        QMdiSubWindow* frame = m_window->mdiArea().currentSubWindow();
        return frame ? qobject_cast<Form2*>(frame->widget()) : nullptr;
    }
    // "New list", with entries added as a drop adds them.
    Form2* newList(const QStringList& entries = {}) {
        triggerAction(QStringLiteral("NewList"));
        Form2* window = activeHotList();
        EXPECT_NE(window, nullptr);
        list(window)->addItems(entries);
        return window;
    }
    static QListWidget* list(Form2* window) { return window->chosenList(); }
    static QMdiSubWindow* frame(QWidget* window) { return qobject_cast<QMdiSubWindow*>(window->parentWidget()); }
    void activate(QWidget* window) { m_window->mdiArea().setActiveSubWindow(frame(window)); }
    // Closes a window the way its close box does; true when it went.
    static bool close(QWidget* window) { return frame(window)->close(); }

    QString listFolder() const { return m_platform.dataFolder() + QStringLiteral("/MyList"); }
    QString listFile(const QString& name) const { return listFolder() + u'/' + name + QStringLiteral(".vexa"); }
    // The names the browser shows.
    QStringList browserNames() const {
        QStringList names;
        const auto* File1 = m_window->browser()->findChild<QListWidget*>(QStringLiteral("File1"));
        for (int row = 0; row < File1->count(); ++row)
            names << File1->item(row)->text();
        return names;
    }
};
