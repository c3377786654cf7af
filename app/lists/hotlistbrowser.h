/*
 * The My Hot Lists browser `Form3`: a child window of the main window whose list `File1` shows
 * the saved hot-list files (names matching "*.vexa*" in the data folder's "MyList" folder). A
 * right-click on a highlighted name asks for the main window's `LoadList` pop-up menu for that
 * file.
 */
#pragma once

#include <QtWidgets/QWidget>

struct AppState;
class BarPanes;
class ChildWindowHost;
class Dialogs;
class Platform;
class QListWidget;

class HotListBrowser : public QWidget {
    Q_OBJECT

public:
    // The main window places the browser in a sub-window of its area; that sub-window takes the
    // top right corner of the client area, following the area's size until the user moves or
    // resizes it.
    HotListBrowser(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, ChildWindowHost& host,
                   QWidget* parent = nullptr);

    // The list folder: the per-user data folder + "/MyList".
    QString listFolder() const;
    // Reads the list folder again.
    void refresh();

signals:
    // A right-click (or the Menu key) on a highlighted name asks for the `LoadList` pop-up menu,
    // whose commands act on that file of the list folder.
    void hotListMenuRequested(const QString& fileName);
    // The window is closing.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void listsPressed(Qt::MouseButton button);

    AppState& m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    BarPanes& m_bars;
    QListWidget* m_lists;
};
