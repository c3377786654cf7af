/*
 * The tool-bar control: a fixed row of fifteen picture buttons whose clicks and presses it turns
 * into the events C1 to C15 for its container, which may refuse a toggle button's click before
 * it changes the state. Ten of them are toggle buttons whose states the container reads and
 * writes through MM1 to MM10. The control knows nothing of what the buttons mean beyond their
 * tool tips.
 */
#pragma once

#include "controls/toolpanel/toolpanelexport.h"

#include <QtWidgets/QWidget>

#include <array>

class PropertyBag;

namespace OrloTool {

class StateButton;

class TOOLPANEL_EXPORT UserControl1 : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qint16 Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(bool Enabled READ enabledFlag WRITE setEnabledFlag)
    Q_PROPERTY(qint16 MM2 READ MM2 WRITE setMM2)
    Q_PROPERTY(qint16 MM4 READ MM4 WRITE setMM4)
    Q_PROPERTY(qint16 MM5 READ MM5 WRITE setMM5)
    Q_PROPERTY(qint16 MM6 READ MM6 WRITE setMM6)
    Q_PROPERTY(qint16 MM7 READ MM7 WRITE setMM7)
    Q_PROPERTY(qint16 MM8 READ MM8 WRITE setMM8)
    Q_PROPERTY(qint16 MM9 READ MM9 WRITE setMM9)
    Q_PROPERTY(qint16 MM10 READ MM10 WRITE setMM10)
    Q_PROPERTY(qint16 MM1 READ MM1 WRITE setMM1)
    Q_PROPERTY(qint16 MM3 READ MM3 WRITE setMM3)

public:
    explicit UserControl1(QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // Kept, stored and reported; it changes nothing in the drawing.
    qint16 alignment() const { return m_alignment; }
    void setAlignment(qint16 value);
    // Whether the control takes input; writing it enables or disables every button.
    bool enabledFlag() const { return isEnabled(); }
    void setEnabledFlag(bool value);

    // States of the toggle buttons: 0 up, 1 down, 2 greyed. MM1 ArchiveTool, MM2 HiddenTool,
    // MM3 ReadTool, MM4 SysTool, MM5 ViewATool, MM6 ViewHTool, MM7 ViewNTool, MM8 ViewRTool,
    // MM9 ViewSTool, MM10 LevelTool. A write that changes MM1 to MM4 counts as a click and raises
    // C1 to C4; writes of MM5 to MM10 raise nothing. A value outside 0..2 is refused: the state,
    // the events and propertyChanged stay as they were.
    qint16 MM1() const { return state(1); }
    qint16 MM2() const { return state(2); }
    qint16 MM3() const { return state(3); }
    qint16 MM4() const { return state(4); }
    qint16 MM5() const { return state(5); }
    qint16 MM6() const { return state(6); }
    qint16 MM7() const { return state(7); }
    qint16 MM8() const { return state(8); }
    qint16 MM9() const { return state(9); }
    qint16 MM10() const { return state(10); }
    void setMM1(qint16 value) { writeState(1, value); }
    void setMM2(qint16 value) { writeState(2, value); }
    void setMM3(qint16 value) { writeState(3, value); }
    void setMM4(qint16 value) { writeState(4, value); }
    void setMM5(qint16 value) { writeState(5, value); }
    void setMM6(qint16 value) { writeState(6, value); }
    void setMM7(qint16 value) { writeState(7, value); }
    void setMM8(qint16 value) { writeState(8, value); }
    void setMM9(qint16 value) { writeState(9, value); }
    void setMM10(qint16 value) { writeState(10, value); }

    // Called from a handler of C5 to C10 or of attributeClickRequested: the press or click it
    // reports completes nothing, so the button keeps its state and raises no event (a container
    // refuses a command this way without the button going out of step with it). Outside such a
    // handler it does nothing.
    void refuseClick();

    // Restores every property from the container's bag (a missing value gives its default) in
    // the order Alignment, Enabled, MM2, MM4, MM5 to MM10, MM1, MM3; changed states of MM1 to
    // MM4 raise their events as writes do. Saves them there (a default value is not kept).
    void readProperties(const PropertyBag& bag);
    void writeProperties(PropertyBag& bag) const;

signals:
    // Clicks on the push buttons and on the attribute toggles (after their state changed).
    void C1();
    void C2();
    void C3();
    void C4();
    void C11();
    void C12();
    void C13();
    void C14();
    void C15();
    // Presses on LevelTool and the view buttons, raised before the button's state changes: the
    // mouse button (1 left, 2 right, 4 middle), Shift 1 / Ctrl 2 / Alt 4, and the pointer's
    // position within the button in twips. A left click then flips the state on release, unless
    // the handler refused it (refuseClick) or opened a modal box, which takes the release over.
    void C5(short button, short shift, float x, float y);
    void C6(short button, short shift, float x, float y);
    void C7(short button, short shift, float x, float y);
    void C8(short button, short shift, float x, float y);
    void C9(short button, short shift, float x, float y);
    void C10(short button, short shift, float x, float y);
    // A user's click (mouse or keyboard) on an attribute toggle, MM1 to MM4 by mm, raised before
    // the state changes: a handler may refuse it (refuseClick), else the state changes and C1 to
    // C4 follow. Writes of MM1 to MM4 raise only C1 to C4.
    void attributeClickRequested(short mm);
    // Every accepted property write reports the property's name, so the container knows to save it.
    void propertyChanged(const QString& name);

private:
    qint16 state(int mm) const;
    void writeState(int mm, qint16 value);

    qint16 m_alignment = 0;
    // The button behind MMn is m_toggles[n - 1].
    std::array<StateButton*, 10> m_toggles{};
};

} // namespace OrloTool
