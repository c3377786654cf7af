/*
 * The My Hot Lists browser `Form3`: a child window of the main window whose list `File1` shows
 * the saved hot-list files (names matching "*.vexa*" in the data folder's "MyList" folder). A
 * right-click on a highlighted name makes it the current file and opens the main window's
 * `LoadList` pop-up menu.
 */
#pragma once

#include <QtWidgets/QWidget>

class MainWindowServices;
class QListWidget;

class HotListBrowser : public QWidget {
    Q_OBJECT

public:
    // The main window places the browser in a sub-window of its area; that sub-window takes the
    // top right corner of the client area, following the area's size until the user moves or
    // resizes it.
    explicit HotListBrowser(MainWindowServices& services, QWidget* parent = nullptr);

    // The list folder: the per-user data folder + "/MyList".
    QString listFolder() const;
    // Reads the list folder again.
    void refresh();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void File1_MouseDown(Qt::MouseButton button);

    MainWindowServices& m_services;
    QListWidget* File1;
};
