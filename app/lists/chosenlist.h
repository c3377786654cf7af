/*
 * A chosen-file list `List1`: the view of its ChosenFiles model (full paths with multiple
 * selection), as the file chooser and the hot-list windows hold one. It does what both windows'
 * lists do alike: the size text and attribute buttons on a click or a keyboard move, the entry
 * count and hint on pointer moves and focus, and the drop of dragged files with the duplicate
 * rule. Its window decides what a button press does.
 */
#pragma once

#include <QtWidgets/QListView>

struct AppState;
class BarPanes;
class ChosenFiles;
class Dialogs;
class Platform;

class ChosenList : public QListView {
    Q_OBJECT

public:
    ChosenList(AppState& state, Dialogs& dialogs, Platform& platform, BarPanes& bars, QWidget* parent = nullptr);

    // The entries and their selection, which the commands work on; the list owns them.
    ChosenFiles& files() { return *m_files; }
    // Appends the paths in order; each one already in the list shows the message path +
    // " is already existed !" and is passed over, and so is one whose name the program can't
    // name exactly, with its own message.
    void addDroppedPaths(const QStringList& dropped);

signals:
    // Every mouse button press. A right-button press changes neither the highlighted entry nor
    // the selection, so the pop-up commands act on what the user had chosen.
    void buttonPressed(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    AppState& m_state;
    Dialogs& m_dialogs;
    Platform& m_platform;
    BarPanes& m_bars;
    ChosenFiles* m_files;
};
