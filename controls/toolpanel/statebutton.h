/*
 * A picture button with the three states of a check box: 0 up, 1 down, 2 greyed (greyed only
 * in its look: it still takes clicks). A completed click sets 1 when the state was 0 and 0
 * otherwise. Screen readers meet it as a checkable button, checked while down. The tool-bar
 * control builds its ten toggle buttons from it.
 */
#pragma once

#include <QtWidgets/QToolButton>

namespace OrloTool {

class StateButton : public QToolButton {
    Q_OBJECT

public:
    // How the button tells its container about the user's clicks.
    enum class Report {
        StateChange, // stateChanged after every change, from a click or from setState
        MousePress,  // mousePressed when a mouse button goes down, before the click changes anything
    };

    StateButton(Report report, QWidget* parent);

    qint16 state() const { return m_state; }
    // Refuses (with a warning, changing nothing) a value outside 0..2.
    bool setState(int state);
    // Called by the container while it handles mousePressed or clickRequested: the click does not
    // complete, so the state stays as it is. Outside those handlers it does nothing.
    void refuseClick();

signals:
    void stateChanged();
    // A user's click (mouse or keyboard) on a button that reports state changes, before it
    // changes the state; setState raises nothing here.
    void clickRequested();
    // The values of the press: button (1 left, 2 right, 4 middle), Shift 1 / Ctrl 2 / Alt 4,
    // and the pointer's position within the button in twips.
    void mousePressed(short button, short shift, float x, float y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void nextCheckState() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void flip() { setState(m_state == 0 ? 1 : 0); }
    void completeClick();

    const Report m_report;
    qint16 m_state = 0;
    bool m_windowBlocked = false;
    // A press or click is being reported: refuseClick applies to it.
    bool m_reporting = false;
    bool m_clickRefused = false;
};

} // namespace OrloTool
