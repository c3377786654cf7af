/*
 * A hot-list window `Form2`: a child window of the main window whose caption is the list's name
 * and whose chosen-file list `List1` fills it. Files arrive by drops from the chooser; a click
 * makes it the list worked in; a right-click asks for the main window's `munfile` pop-up with
 * "Rename List" and "Save List" enabled. Every close asks whether to save the list.
 */
#pragma once

#include "app/core/chosenlistwindow.h"
#include "app/core/popupmenu.h"

#include <QtWidgets/QWidget>

struct AppState;
class BarPanes;
class ChosenList;
class Dialogs;
class Platform;

class HotListWindow : public QWidget, public ChosenListWindow {
    Q_OBJECT

public:
    HotListWindow(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, const QString& caption,
                  QWidget* parent = nullptr);

    ChosenFiles& chosenFiles() override;
    QStringList entries() const;

signals:
    // A right-click (or the Menu key) on the list asks for the list's pop-up menu.
    void popupRequested(PopupMenu menu);
    // The close was accepted: the window goes.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void listClicked();
    void listPressed(Qt::MouseButton button);
    bool mayClose();

    AppState& m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    ChosenList* m_list;
};
