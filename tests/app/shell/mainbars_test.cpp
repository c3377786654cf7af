/*
 * The main window's bars as the windows write them: the attribute buttons change under Busy, so
 * that their own events apply nothing to a file.
 */
#include "app/core/appstate.h"
#include "app/platform/attributes.h"
#include "app/shell/mainbars.h"
#include "controls/statline/statline.h"
#include "controls/toolpanel/toolpanel.h"

#include <gtest/gtest.h>

TEST(MainBars, AttributeButtonsChangeUnderBusyWhichIsPutBack) {
    using Tools = OrloTool::UserControl1;
    for (const bool busyBefore : {false, true}) {
        SCOPED_TRACE(busyBefore);
        AppState state;
        statline::UserControl1 status;
        Tools tools;
        MainBars bars(state, status, tools);
        tools.setMM4(1);
        state.busy = busyBefore;
        QList<bool> busyAtEvents;
        for (auto signal : {&Tools::C1, &Tools::C2, &Tools::C3, &Tools::C4})
            QObject::connect(&tools, signal, &tools, [&] { busyAtEvents.append(state.busy); });
        bars.showAttributes(Attr::Archive | Attr::Hidden | Attr::ReadOnly);
        EXPECT_EQ((QList<qint16>{tools.MM1(), tools.MM2(), tools.MM3(), tools.MM4()}), QList<qint16>({1, 1, 1, 0}));
        EXPECT_EQ(busyAtEvents, QList<bool>(4, true)); // MM4 released, then three pressed
        EXPECT_EQ(state.busy, busyBefore);
        EXPECT_EQ(bars.buttonAttributes(), 0x23);
    }
}
