/*
 * The chooser's file list `File1` over a FileListModel: multiple selection, and a drag of the
 * selected files' full paths (`DList`) under a one-line marker as wide as
 * the list. It reports button presses, pointer moves, the Enter key and keyboard moves to its
 * window.
 */
#pragma once

#include <QtWidgets/QListView>

class FileListModel;

class FileListView : public QListView {
    Q_OBJECT

public:
    explicit FileListView(FileListModel& model, QWidget* parent = nullptr);

    // Full paths of the selected files, in list order.
    QStringList selectedPaths() const;
    // Reads the folder again. The entries that remain keep their selection and the highlight, and
    // the list keeps its scroll position.
    void reread();

signals:
    // Every mouse button press. A right-button press changes neither the highlighted entry nor
    // the selection, so the pop-up commands act on what the user had chosen.
    void buttonPressed(Qt::MouseButton button);
    void pointerMoved();
    void enterPressed();
    // A key (an arrow, Page Up, Home, a typed letter) made another entry the highlighted one.
    void movedByKey(const QModelIndex& current);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    FileListModel& m_model;
};
