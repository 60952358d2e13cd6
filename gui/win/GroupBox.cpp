#include "gui/win/GroupBox.h"

#include "gui/IWindow.h"
#include "gui/Scale.h"
#include "gui/drawer/groupbox/win/Basic.h"
#include "gui/win/FontSetting.h"
#include "gui/win/Relayout.h"

namespace s::gui::win {

namespace {
constexpr i32 kFrameInset = 6;
constexpr i32 kCaptionGap = 4;
} // namespace

GroupBox::GroupBox() : m_font(FontSetting::create()), m_drawer(drawer::groupbox::win::Basic::create()) {
    captionChanged();
}

GroupBox::~GroupBox() {
    m_font->release();
    m_drawer->release();
}

void GroupBox::reset() {
    m_caption.clear();
    m_textId = -1;
    m_font->reset();
    Box::reset();
    captionChanged();
}

// -- text style --

void GroupBox::fontChanged() {
    captionChanged();
}

// -- caption --

void GroupBox::setText(const char16_t* text) {
    m_textId = -1;
    const char16_t* t = text ? text : u"";
    if (m_caption == t)
        return;
    m_caption = t;
    captionChanged();
}

void GroupBox::setTextId(i32 id) {
    m_textId = id;
    onLanguageChanged();
}

void GroupBox::onLanguageChanged() {
    if (m_textId < 0 || !m_window)
        return;
    const char16_t* t = m_window->text(m_textId);
    if (m_caption == t)
        return;
    m_caption = t;
    captionChanged();
}

void GroupBox::captionChanged() {
    const i32 s = displayScale();
    const i32 top = m_drawer->captionHeight(m_caption.c_str(), m_font) + kCaptionGap * s;
    const i32 side = kFrameInset * s;
    setPadLeft(side);
    setPadRight(side);
    setPadBottom(side);
    setPadTop(top > side ? top : side);
    if (m_window) {
        doLayout();
        layoutAfterMeasure(this);
    }
    redraw();
}

void GroupBox::paint(MemDC& dc, i32 w, i32 h) {
    drawer::IGroupBox* drawer = m_drawer;
    if (m_window)
        if (drawer::ISkin* skin = m_window->getSkin(); skin && skin->getGroupBox())
            drawer = skin->getGroupBox();
    drawer->paintGroup(dc, 0, 0, w, h, m_caption.c_str(), m_font);
}

} // namespace s::gui::win
