/*
 * The main window's bars as the windows and commands write them.
 */
#include "app/shell/mainbars.h"

#include "app/core/appstate.h"
#include "app/lists/engine/chooserrules.h"
#include "app/platform/attributes.h"
#include "controls/statline/statline.h"
#include "controls/toolpanel/toolpanel.h"

void MainBars::showHint(const QString& text) {
    if (m_status.lab1() != text)
        m_status.setLab1(text);
}

void MainBars::showFileSize(const QString& text) {
    m_status.setLab3(text);
}

void MainBars::showFileCount(int count) {
    m_status.setLab5(QString::number(count));
}

void MainBars::showListCount(int count) {
    const QString text = QString::number(count);
    if (m_status.lab6() != text)
        m_status.setLab6(text);
}

int MainBars::listCount() const {
    return m_status.lab6().toInt();
}

quint8 MainBars::buttonAttributes() const {
    quint8 value = Attr::Normal;
    if (m_tools.MM1() == 1)
        value += Attr::Archive;
    if (m_tools.MM3() == 1)
        value += Attr::ReadOnly;
    if (m_tools.MM4() == 1)
        value += Attr::System;
    if (m_tools.MM2() == 1)
        value += Attr::Hidden;
    return value;
}

void MainBars::showAttributes(quint8 value) {
    const bool wasBusy = m_state.busy;
    m_state.busy = true;
    m_tools.setMM1(0);
    m_tools.setMM2(0);
    m_tools.setMM3(0);
    m_tools.setMM4(0);
    const ChooserRules::AttributeButtons pressed = ChooserRules::ButtonsFor(value);
    if (pressed.archive)
        m_tools.setMM1(1);
    if (pressed.hidden)
        m_tools.setMM2(1);
    if (pressed.readOnly)
        m_tools.setMM3(1);
    if (pressed.system)
        m_tools.setMM4(1);
    m_state.busy = wasBusy;
}
