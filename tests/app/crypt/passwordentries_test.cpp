/*
 * The main window's ways into the password dialog, which the encrypt and decrypt commands rely
 * on: the Password menu and the tool bar pass the command gate, the pop-up entries do not.
 */
#include "cryptwindowtest.h"

#include "appstate.h"
#include "toolpanel.h"

#include <QtWidgets/QGroupBox>

using namespace Qt::StringLiterals;

class PasswordEntriesTest : public CryptWindowTest {
protected:
    PassWord1& dialog() { return window().passwordDialog(); }
    // The frame the dialog shows, or nothing while it is hidden.
    QString shownFrame() {
        if (!dialog().isVisible())
            return {};
        for (const QString& frame : {u"Frame2"_s, u"Frame4"_s, u"Frame5"_s}) {
            if (dialog().findChild<QGroupBox*>(frame)->isVisible())
                return frame;
        }
        return {};
    }
};

TEST_F(PasswordEntriesTest, EditPasswordFromTheMenuIsGatedByBusy) {
    dialog().hide();
    state().Busy = true;
    triggerAction(u"Editpas"_s);
    EXPECT_EQ(shownFrame(), QString());

    state().Busy = false;
    triggerAction(u"Editpas"_s);
    EXPECT_EQ(shownFrame(), u"Frame2"_s);
}

TEST_F(PasswordEntriesTest, PopUpEditPasswordEntriesWorkWhileBusy) {
    state().Busy = true;
    for (const QString& entry : {u"Passw"_s, u"EditListPass"_s}) {
        dialog().hide();
        triggerAction(entry);
        EXPECT_EQ(shownFrame(), u"Frame2"_s) << qPrintable(entry);
    }
}

TEST_F(PasswordEntriesTest, ToolBarButtonsOpenTheirFrames) {
    OrloTool::UserControl1& tools = window().toolPanel();
    const std::pair<void (OrloTool::UserControl1::*)(), QString> buttons[] = {
        {&OrloTool::UserControl1::C11, u"Frame2"_s},
        {&OrloTool::UserControl1::C12, u"Frame4"_s},
        {&OrloTool::UserControl1::C13, u"Frame5"_s},
    };
    for (const auto& [event, frame] : buttons) {
        dialog().hide();
        emit(tools.*event)();
        EXPECT_EQ(shownFrame(), frame);
        dialog().hide();
        state().Busy = true;
        emit(tools.*event)();
        EXPECT_EQ(shownFrame(), QString()) << qPrintable(frame) << " while busy";
        state().Busy = false;
    }
}
