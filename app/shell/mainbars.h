/*
 * The panes of the main window's status bar `Statline` and the attribute buttons of its tool bar
 * `GgG`, as the windows and commands write them.
 */
#pragma once

#include "app/core/barpanes.h"

struct AppState;

namespace statline {
class UserControl1;
}
namespace OrloTool {
class UserControl1;
}

class MainBars final : public BarPanes {
public:
    MainBars(AppState& state, statline::UserControl1& status, OrloTool::UserControl1& tools)
        : m_state(state)
        , m_status(status)
        , m_tools(tools) {}

    // Written only when it changes, as pointer moves repeat it many times.
    void showHint(const QString& text) override;
    void showFileSize(const QString& text) override;
    void showFileCount(int count) override;
    void showListCount(int count) override;
    int listCount() const override;

    // The value the buttons show: each pressed button (state 1) adds its attribute.
    quint8 buttonAttributes() const override;
    // Busy is set meanwhile, so the button events this raises apply nothing; it is put back
    // rather than cleared, so that a long operation stays guarded if one is running.
    void showAttributes(quint8 value) override;

private:
    AppState& m_state;
    statline::UserControl1& m_status;
    OrloTool::UserControl1& m_tools;
};
