#include "gui/drawer/Paint.h"

#include "gui/Scale.h"
#include "gui/drawer/IDrawer.h"
#include "gui/win/FontSetting.h"
#include "gui/drawer/text/win/Basic.h"
#include "image/win/MemDC.h"

#include <algorithm>
#include <cairo.h>

namespace s::gui::drawer {

namespace {
i32 clampChannel(double v) {
    if (v <= 0.0)
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<i32>(v);
}
} // namespace

Rgb scaleColour(Rgb c, double factor) {
    return Rgb{clampChannel(c.r * factor), clampChannel(c.g * factor), clampChannel(c.b * factor)};
}

Rgb mixColour(Rgb a, Rgb b, i32 percent) {
    auto mix = [percent](i32 x, i32 y) { return x + (y - x) * percent / 100; };
    return Rgb{mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
}

i32 paintScale(i32 s) { return s >= 1 ? s : displayScale(); }

void fillRect(cairo_t* cr, i32 x, i32 y, i32 w, i32 h, Rgb c) {
    if (!cr || w <= 0 || h <= 0)
        return;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_restore(cr);
}

void frameRect(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom, i32 thickness, Rgb c) {
    if (left >= right || top >= bottom || thickness <= 0)
        return;
    const i32 t = std::min({thickness, (right - left + 1) / 2, (bottom - top + 1) / 2});
    fillLTRB(cr, left, top, right, top + t, c);
    fillLTRB(cr, left, bottom - t, right, bottom, c);
    fillLTRB(cr, left, top + t, left + t, bottom - t, c);
    fillLTRB(cr, right - t, top + t, right, bottom - t, c);
}

Caption::~Caption() { reset(); }

void Caption::reset() {
    if (m_scratch)
        m_scratch->release();
    m_scratch = nullptr;
    if (m_drawer)
        m_drawer->release();
    m_drawer = nullptr;
}

win::FontSetting& Caption::style(win::FontSetting* font) {
    if (!m_scratch)
        m_scratch = win::FontSetting::create();
    if (font)
        m_scratch->copyFrom(*font);
    else
        m_scratch->reset();
    return *m_scratch;
}

IText& Caption::drawer() {
    if (!m_drawer)
        m_drawer = text::win::Basic::create();
    return *m_drawer;
}

void Caption::paint(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text,
                    win::FontSetting* font, Rgb colour, u32 flags, bool enabled) {
    if (!dc.getContext() || !text || !*text || left >= right || top >= bottom)
        return;
    win::FontSetting& setting = style(font);
    setting.setColor(colour.r, colour.g, colour.b);
    drawer().paintText(dc, left, top, right, bottom, text, setting, flags, enabled);
}

void Caption::measure(const char16_t* text, win::FontSetting* font, i32* outWidth, i32* outHeight) {
    *outWidth = 0;
    *outHeight = 0;
    if (!text || !*text)
        return;
    drawer().measure(text, style(font), kTextSingleLine, 0, outWidth, outHeight);
}

} // namespace s::gui::drawer
