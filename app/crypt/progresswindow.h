/*
 * The progress window `Progress` ("Vexa Password Progressing"): a small modeless window over the
 * main window while files are encrypted or decrypted. `Label1` names the file in work; inside the
 * track `Picture1` the cover `Label2` slides from left to right over a row of 26 `Shape1` marks,
 * uncovering the part that stands for the work done; `Command1` asks to cancel. Showing it sets
 * `Busy`; a confirmed cancel hides it and sets `CancelRequested`, which the running pass reads
 * through the PassObserver interface. Made once, then only shown and hidden: its close box never
 * destroys it. Hiding it gives the activation and the keyboard focus back to the window and widget
 * that had them when it was shown; a hidden window never takes the keyboard.
 */
#pragma once

#include "passobserver.h"

#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

struct AppState;
class Dialogs;
class QFrame;
class QLabel;
class QPushButton;

class ProgressWindow final : public QWidget, public PassObserver {
    Q_OBJECT

public:
    // A window of the main window, placed over it when shown. Showing and Cancel set Busy and
    // CancelRequested in state; Cancel asks through dialogs first.
    ProgressWindow(QWidget& mainWindow, AppState& state, Dialogs& dialogs);

    // Shows the window placed over the main window, the cover at 0.
    void ShowProgress();
    // Shows it where it last stood, the cover at 0: the decryption commands do not place it.
    void showInPlace();
    // Hides the window; Busy is cleared and the keyboard goes back where it was before.
    void CloseProgress();
    // `Label1`: the full path of the file in work.
    void showFile(const QString& path);

    void moveCover(double leftTwips) override;
    // Lets window events run, so that Cancel and the close box work, then reads CancelRequested.
    bool cancelRequested() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Form_Unload: the close box asks as Cancel does and never closes the window.
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Activate();
    void Form_Deactivate();
    void Command1_Click();
    void takeFocusBack();
    void hideAndReturnKeyboard();

    QWidget& m_mainWindow;
    AppState& m_state;
    Dialogs& m_dialogs;
    // The window and widget that had the keyboard when the window was shown; null when no window
    // of the program had it.
    QPointer<QWidget> m_returnWindow;
    QPointer<QWidget> m_returnFocus;

    // The controls keep the names of the window design.
    QLabel* Label1;
    QFrame* Picture1;
    QLabel* Label2;
    QPushButton* Command1;
};
