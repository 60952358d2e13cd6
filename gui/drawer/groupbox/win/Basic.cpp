#include "gui/drawer/groupbox/win/Basic.h"

#include "gui/Scale.h"
#include "gui/drawer/text/win/Basic.h"
#include "gui/win/FontSetting.h"
#include "image/win/MemDC.h"

#include <cairo.h>

#include <algorithm>

namespace s::gui::drawer::groupbox::win {

using gui::win::FontSetting;

namespace {

void fillRect(cairo_t* cr, i32 x, i32 y, i32 w, i32 h, u32 rgb) {
    if (w <= 0 || h <= 0)
        return;
    cairo_set_source_rgb(cr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

/// A one-pixel frame whose top edge leaves out [gapFrom, gapTo).
void frame(cairo_t* cr, i32 l, i32 t, i32 r, i32 b, i32 gapFrom, i32 gapTo, u32 rgb) {
    if (gapTo > gapFrom) {
        fillRect(cr, l, t, gapFrom - l, 1, rgb);
        fillRect(cr, gapTo, t, r - gapTo, 1, rgb);
    } else {
        fillRect(cr, l, t, r - l, 1, rgb);
    }
    fillRect(cr, l, b - 1, r - l, 1, rgb);
    fillRect(cr, l, t, 1, b - t, rgb);
    fillRect(cr, r - 1, t, 1, b - t, rgb);
}

} // namespace

Basic::Basic() : m_text(text::win::Basic::create()), m_defaultFont(FontSetting::create()) {}

Basic::~Basic() {
    m_text->release();
    m_defaultFont->release();
}

i32 Basic::captionHeight(const char16_t* caption, FontSetting* font) {
    if (!caption || !*caption)
        return 0;
    i32 w = 0;
    i32 h = 0;
    m_text->measure(caption, font ? *font : *m_defaultFont, kTextSingleLine, 0, &w, &h);
    return h;
}

void Basic::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintGroup(dc, left, top, right, bottom, nullptr, nullptr);
}

void Basic::paintGroup(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* caption,
                       FontSetting* font) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    FontSetting& style = font ? *font : *m_defaultFont;
    i32 textW = 0;
    i32 textH = 0;
    const bool hasCaption = caption && *caption;
    if (hasCaption)
        m_text->measure(caption, style, kTextSingleLine, 0, &textW, &textH);
    const i32 s = displayScale();
    const i32 lineTop = top + textH / 2;
    i32 gapFrom = 0;
    i32 gapTo = 0;
    const i32 captionLeft = left + kCaptionIndent * s;
    if (hasCaption) {
        gapFrom = captionLeft - 2 * s;
        gapTo = std::min(right - 2, captionLeft + textW + 2 * s);
    }
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    if (bottom - lineTop >= 2 && right - left >= 2) {
        frame(cr, left + 1, lineTop + 1, right, bottom, gapFrom, gapTo, 0xFFFFFF);
        frame(cr, left, lineTop, right - 1, bottom - 1, gapFrom, gapTo, kLineColor);
    }
    cairo_restore(cr);
    if (hasCaption)
        m_text->paintText(dc, captionLeft, top, std::min(right, captionLeft + textW), top + textH, caption, style,
                          kTextSingleLine, true);
}

} // namespace s::gui::drawer::groupbox::win
