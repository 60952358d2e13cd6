#include "gui/menuitem/MenuItem.h"

#include "foundation/lang/Localizer.h"

namespace s::gui::menuitem {

void MenuItem::reset() {
    m_localizer = nullptr;
    m_textId = -1;
    m_text.clear();
    m_command = 0;
    m_checked = false;
    m_checkable = false;
    m_separator = false;
    m_radio = false;
    m_submenu = nullptr;
}

MenuItem* MenuItem::makeText(lang::Localizer* localizer, i32 textId, i32 command) {
    MenuItem* item = create();
    item->m_localizer = localizer;
    item->m_command = command;
    item->setTextId(textId);
    return item;
}

MenuItem* MenuItem::makeLiteral(const char16_t* text, i32 command) {
    MenuItem* item = create();
    item->m_command = command;
    item->setText(text);
    return item;
}

MenuItem* MenuItem::makeSeparator() {
    MenuItem* item = create();
    item->m_separator = true;
    return item;
}

void MenuItem::setLocalizer(lang::Localizer* localizer) {
    m_localizer = localizer;
    refreshText();
}

void MenuItem::setTextId(i32 id) {
    m_textId = id;
    refreshText();
}

void MenuItem::setText(const char16_t* text) {
    m_textId = -1;
    m_text = text ? text : u"";
}

bool MenuItem::refreshText() {
    if (m_textId < 0 || !m_localizer)
        return false;
    const char16_t* text = m_localizer->getText(m_textId);
    if (m_text == text)
        return false;
    m_text = text;
    return true;
}

} // namespace s::gui::menuitem
