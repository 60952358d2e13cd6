#include "gui/drawer/skin/Slots.h"

namespace s::gui::drawer::skin {

Slots::~Slots() { releaseAll(); }

void Slots::reset() {
    releaseAll();
    m_name.clear();
}

void Slots::releaseAll() {
    setWindow(nullptr);
    setButton(nullptr);
    setScrollBar(nullptr);
    setCheckBox(nullptr);
    setRadioButton(nullptr);
    setSlider(nullptr);
    setCounter(nullptr);
    setListHeader(nullptr);
    setListBox(nullptr);
    setStatusBar(nullptr);
    setMenu(nullptr);
    setCombo(nullptr);
    setGroupBox(nullptr);
    setTabBox(nullptr);
    setText(nullptr);
}

} // namespace s::gui::drawer::skin
