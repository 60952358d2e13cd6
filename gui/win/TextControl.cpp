#include "gui/win/TextControl.h"

#include "gui/IWindow.h"
#include "gui/win/Text.h"

#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>

namespace s::gui::win {

TextControlBase::TextControlBase() : m_font(FontSetting::create()) {}

TextControlBase::~TextControlBase() {
    unrealize(); // the style refers to the font setting
    m_font->release();
}

void TextControlBase::reset() {
    NativeControl::reset();
    m_text.clear();
    m_textId = -1;
    m_font->reset();
}

void TextControlBase::measureText(const std::u16string& text, FontSetting& font, i32* w, i32* h) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, font.getDescription());
    const std::string utf8 = toUtf8(text.c_str(), text.size());
    // An empty text still takes a line's height.
    pango_layout_set_text(layout, utf8.empty() ? " " : utf8.c_str(), -1);
    int pw = 0;
    int ph = 0;
    pango_layout_get_pixel_size(layout, &pw, &ph);
    *w = utf8.empty() ? 0 : pw;
    *h = ph;
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void TextControlBase::onLanguageChanged() {
    if (m_textId < 0 || !m_window)
        return;
    showText(m_window->text(m_textId));
}

void TextControlBase::setLiteralText(const char16_t* text) {
    m_textId = -1;
    showText(text);
}

void TextControlBase::showText(const char16_t* text) {
    std::u16string value = text ? text : u"";
    if (value == m_text)
        return;
    m_text = std::move(value);
    if (m_widget)
        applyText();
    remeasure();
}

void TextControlBase::setTextById(i32 id) {
    m_textId = id;
    if (m_window) {
        onLanguageChanged();
    } else if (id < 0) {
        setLiteralText(u"");
    }
}

void TextControlBase::estimateSize(i32 textW, i32 textH, i32* w, i32* h) const {
    *w = textW + 12;
    *h = textH + 8;
}

void TextControlBase::remeasure() {
    i32 w = 0;
    i32 h = 0;
    if (!preferredSize(&w, &h)) {
        i32 tw = 0;
        i32 th = 0;
        measureText(m_text, *m_font, &tw, &th);
        estimateSize(tw, th, &w, &h);
    }
    if (w == m_measuredW && h == m_measuredH)
        return;
    setMeasuredSize(w, h);
    if (m_parent && m_widget && isShowing())
        m_parent->asComponent()->relayout();
}

void TextControlBase::afterRealize() {
    applyStyle();
    applyText();
    remeasure();
}

void TextControlBase::applyStyle() {
    if (!m_widget)
        return;
    const std::string node = cssNode();
    std::string css = node + " { min-width: 0; min-height: 0; font-family: \"";
    css += toUtf8(m_font->getFace().c_str());
    char buf[160];
    std::snprintf(buf, sizeof buf, "\"; font-size: %dpx; font-weight: %d; font-style: %s;",
                  m_font->getPixelHeight(), m_font->getWeight(), m_font->isItalic() ? "italic" : "normal");
    css += buf;
    if (m_font->isUnderline() || m_font->isStrikeOut()) {
        css += " text-decoration-line:";
        css += m_font->isUnderline() ? " underline" : "";
        css += m_font->isStrikeOut() ? " line-through" : "";
        css += ";";
    }
    // Black is the default style's colour: the theme's own text colour
    // (which also knows the disabled look) is kept for it.
    if (const u32 c = m_font->getColor(); c != 0) {
        std::snprintf(buf, sizeof buf, " color: #%06x;", c & 0xFFFFFF);
        css += buf;
    }
    css += " }\n";
    if (!m_transparent) {
        css += node + " { background-image: none; background-color: " + backgroundCss() + "; }\n";
    }
    appendCss(css);
    setWidgetCss(css);
}

void TextControlBase::fontChanged() {
    applyStyle();
    remeasure();
    redraw();
}

void TextControlBase::setBackgroundColor(i32 r, i32 g, i32 b, bool redraw) {
    NativeControl::setBackgroundColor(r, g, b, false);
    applyStyle();
    if (redraw)
        this->redraw();
}

void TextControlBase::setBackgroundTransparent(bool redraw) {
    NativeControl::setBackgroundTransparent(false);
    applyStyle();
    if (redraw)
        this->redraw();
}

} // namespace s::gui::win
