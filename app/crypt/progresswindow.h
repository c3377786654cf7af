/*
 * The progress window `Progress` ("Vexa Password Progressing"): a small modeless window over the
 * main window while files are encrypted or decrypted. `Label1` names the file in work; inside the
 * track `Picture1` the cover `Label2` slides from left to right over a row of 26 `Shape1` marks,
 * uncovering the part that stands for the work done; `Command1` asks to cancel. It follows the pass
 * runner: the file it starts and how far it is. While the cancel question is open the runner waits;
 * a confirmed cancel hides the window, sets `CancelRequested` for the command and stops the runner.
 * Made once, then only shown and hidden: its close box never destroys it. Hiding it gives the
 * activation and the keyboard focus back to the window and widget that had them when it was
 * shown; a hidden window never takes the keyboard.
 */
#pragma once

#include <QtCore/QPointer>
#include <QtWidgets/QWidget>

struct AppState;
class Dialogs;
class PassRunner;
class QFrame;
class QLabel;
class QPushButton;

class ProgressWindow final : public QWidget {
    Q_OBJECT

public:
    // A window of the main window, placed over it when shown. Cancel asks through dialogs first,
    // then sets CancelRequested in state.
    ProgressWindow(QWidget& mainWindow, AppState& state, Dialogs& dialogs);
    // Shows the runner's file and progress; Cancel holds it while it asks, and stops it on Yes.
    void follow(PassRunner& runner);
    PassRunner* runner() const;

    // Shows the window placed over the main window, the cover at 0.
    void showOverMainWindow();
    // Shows it where it last stood, the cover at 0: the decryption commands do not place it.
    void showInPlace();
    // Hides the window; the keyboard goes back where it was before.
    void closeProgress();
    // `Label1`: the full path of the file in work.
    void showFile(const QString& path);

    // The cover bar's left edge in twips (see PassObserver).
    void moveCover(double leftTwips);

protected:
    void changeEvent(QEvent* event) override;
    // Form_Unload: the close box asks as Cancel does and never closes the window.
    void closeEvent(QCloseEvent* event) override;

private:
    void deactivated();
    void askToCancel();
    void takeFocusBack();
    void hideAndReturnKeyboard();

    QWidget& m_mainWindow;
    AppState& m_state;
    Dialogs& m_dialogs;
    QPointer<PassRunner> m_runner;
    // The window and widget that had the keyboard when the window was shown; null when no window
    // of the program had it.
    QPointer<QWidget> m_returnWindow;
    QPointer<QWidget> m_returnFocus;

    // The controls keep the names of the window design.
    QLabel* m_fileLabel;
    QFrame* m_track;
    QLabel* m_cover;
    QPushButton* m_cancelButton;
};
