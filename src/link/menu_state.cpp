#include "link/menu_state.h"

MenuState::MenuState(QObject* parent) : QObject(parent) {
    // The menu as the main window's form defines it: the two recording switches
    // checked, the entries that selection enables and disables enabled.
    m_on[Collect_oscillo] = true;
    m_on[Show_i] = true;
    m_on[StartEnabled] = true;
    m_on[ActiveTestsEnabled] = true;
    m_on[CommandsEnabled] = true;
    m_on[ViewEnabled] = true;
}

void MenuState::set(Item item, bool on) {
    if (item < 0 || item >= ItemCount || m_on[item] == on)
        return;
    m_on[item] = on;
    emit changed(item, on);
}

void MenuState::setStartCaption(const QString& caption) {
    if (m_startCaption == caption)
        return;
    m_startCaption = caption;
    emit startCaptionChanged(caption);
}

void MenuState::setModeCaption(const QString& caption) {
    if (m_modeCaption == caption)
        return;
    m_modeCaption = caption;
    emit modeCaptionChanged(caption);
}
