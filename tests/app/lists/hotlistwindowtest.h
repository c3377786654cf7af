/*
 * The real main window for the hot-list windows and commands, with helpers that find the
 * hot-list windows and make and name the list files.
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
    static inline const QString kSaveQuestion = QStringLiteral("Do you want to save changes to  ");
    static inline const QString kReplaceQuestion =
        QStringLiteral("This list is already existed do you want replace it");

    // The open hot-list windows, oldest first.
    QList<Form2*> hotLists() const {
        QList<Form2*> result;
        for (QMdiSubWindow* frame : m_window->mdiArea().subWindowList()) {
            if (auto* window = qobject_cast<Form2*>(frame->widget()); window && frame->isVisible())
                result << window;
        }
        return result;
    }
    QStringList captions() const {
        QStringList result;
        for (Form2* window : hotLists())
            result << window->windowTitle();
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
        window->chosenList()->addItems(entries);
        return window;
    }
    static QMdiSubWindow* frame(QWidget* window) { return qobject_cast<QMdiSubWindow*>(window->parentWidget()); }
    // Closes a window the way its close box does; true when it went.
    static bool close(QWidget* window) { return frame(window)->close(); }

    QString listFolder() const { return m_platform.dataFolder() + QStringLiteral("/MyList"); }
    QString listFile(const QString& name) const { return listFolder() + u'/' + name + QStringLiteral(".vexa"); }
    QString makeList(const QString& name, const QByteArray& content) {
        return makeFile(QDir(root()).relativeFilePath(listFile(name)), content);
    }
    // The names the browser shows.
    QStringList browserNames() const {
        QStringList names;
        const auto* File1 = m_window->browser()->findChild<QListWidget*>(QStringLiteral("File1"));
        for (int row = 0; row < File1->count(); ++row)
            names << File1->item(row)->text();
        return names;
    }
};
