/*
 * The main window's ways into the password dialog, which the encrypt and decrypt commands rely
 * on: the Password menu and the tool bar pass the command gate, the pop-up entries do not.
 */
#include "cryptwindowtest.h"

#include "appstate.h"
#include "toolpanel.h"

#include <QtWidgets/QGroupBox>

using namespace Qt::StringLiterals;
using Tools = OrloTool::UserControl1;

TEST_F(CryptWindowTest, PasswordEntriesOpenTheirFramesAndOnlyThePopUpsPassWhileBusy) {
    PassWord1& dialog = window().passwordDialog();
    const auto shownFrame = [&]() -> QString {
        for (const QString& frame : {u"Frame2"_s, u"Frame4"_s, u"Frame5"_s}) {
            if (dialog.isVisible() && dialog.findChild<QGroupBox*>(frame)->isVisible())
                return frame;
        }
        return {};
    };
    const auto button = [this](void (Tools::*event)()) {
        return [this, event] { emit(window().toolPanel().*event)(); };
    };
    const struct {
        const char* name;
        std::function<void()> open;
        QString frame;
        bool gated;
    } entries[] = {
        {"Editpas", [this] { triggerAction(u"Editpas"_s); }, u"Frame2"_s, true},
        {"C11", button(&Tools::C11), u"Frame2"_s, true},
        {"C12", button(&Tools::C12), u"Frame4"_s, true},
        {"C13", button(&Tools::C13), u"Frame5"_s, true},
        {"Passw", [this] { triggerAction(u"Passw"_s); }, u"Frame2"_s, false},
        {"EditListPass", [this] { triggerAction(u"EditListPass"_s); }, u"Frame2"_s, false},
    };
    for (const auto& entry : entries) {
        for (const bool busy : {true, false}) {
            SCOPED_TRACE(testing::Message() << entry.name << (busy ? " busy" : ""));
            dialog.hide();
            state().Busy = busy;
            entry.open();
            EXPECT_EQ(shownFrame(), busy && entry.gated ? QString() : entry.frame);
        }
    }
}
