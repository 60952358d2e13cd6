#include "gui/combobox/ComboBoxItem.h"

namespace s::gui::combobox {

ComboBoxItem::~ComboBoxItem() { setLocalizer(nullptr); }

void ComboBoxItem::reset() {
    setLocalizer(nullptr);
    m_text.clear();
    m_textId = -1;
    m_data1 = m_data2 = m_data3 = 0;
}

void ComboBoxItem::setText(const char16_t* text) {
    m_textId = -1;
    m_text = text ? text : u"";
}

void ComboBoxItem::setTextId(i32 id, lang::Localizer* localizer) {
    m_textId = id;
    setLocalizer(localizer);
    refreshText();
}

void ComboBoxItem::setLocalizer(lang::Localizer* localizer) {
    if (localizer == m_localizer)
        return;
    if (m_localizer)
        m_localizer->removeListener(this);
    m_localizer = localizer;
    if (m_localizer)
        m_localizer->addListener(this);
}

bool ComboBoxItem::refreshText() {
    if (m_textId < 0 || !m_localizer)
        return false;
    const char16_t* text = m_localizer->getText(m_textId);
    std::u16string value = text ? text : u"";
    if (value == m_text)
        return false;
    m_text = std::move(value);
    return true;
}

void ComboBoxItem::onEvent(IComponent*, i32) { refreshText(); }

void ComboBoxItem::onEvent(base::IObject*, i32) { refreshText(); }

} // namespace s::gui::combobox
