/*
 * A hot-list window `Form2`: a child window of the main window whose caption is the list's name
 * and whose chosen-file list `List1` fills it. Files arrive by drops from the chooser; a click
 * makes it the list worked in; a right-click opens the main window's `munfile` pop-up with
 * "Rename List" and "Save List" enabled. Every close asks whether to save the list.
 */
#pragma once

#include "chosenlistwindow.h"

#include <QtWidgets/QWidget>

class ChosenList;
class HotListCommands;
class MainWindowServices;

class HotListWindow : public QWidget, public ChosenListWindow {
    Q_OBJECT

public:
    HotListWindow(MainWindowServices& services, HotListCommands& hotLists, const QString& caption, QWidget* parent = nullptr);

    QListWidget* chosenList() override;
    QStringList entries() const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void List1_Click();
    void List1_MouseDown(Qt::MouseButton button);
    bool Form_Unload();

    MainWindowServices& m_services;
    HotListCommands& m_hotLists;
    ChosenList* List1;
};
