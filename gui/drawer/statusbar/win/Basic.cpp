#include "gui/drawer/statusbar/win/Basic.h"

#include "image/win/MemDC.h"

#include <cairo.h>

namespace s::gui::drawer::statusbar::win {

namespace {

void fillRect(cairo_t* cr, i32 x, i32 y, i32 w, i32 h, u32 rgb) {
    cairo_set_source_rgb(cr, ((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

/// Each channel times `factor`, truncated.
u32 darker(u32 rgb, double factor) {
    const auto ch = [&](int shift) { return static_cast<u32>(((rgb >> shift) & 255) * factor) << shift; };
    return ch(16) | ch(8) | ch(0);
}

} // namespace

void BasicResizer::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    // (column, row) distances from the right and bottom edges.
    static constexpr i32 kDots[6][2] = {{3, 3}, {7, 3}, {11, 3}, {3, 7}, {7, 7}, {3, 11}};
    cairo_save(cr);
    cairo_rectangle(cr, left, top, right - left, bottom - top);
    cairo_clip(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    for (const auto& d : kDots) {
        const i32 x = right - d[0];
        const i32 y = bottom - d[1];
        fillRect(cr, x, y, 2, 2, 0xFFFFFF);
        fillRect(cr, x - 1, y - 1, 2, 2, kDotShade);
    }
    cairo_restore(cr);
}

Basic::~Basic() {
    if (m_resizer)
        m_resizer->release();
}

void Basic::reset() {
    m_gradient = false;
    m_legacyPlatform = false;
    setResizer(nullptr);
}

void Basic::setResizer(IStatusBar* resizer) {
    if (m_resizer == resizer)
        return;
    if (m_resizer)
        m_resizer->release();
    m_resizer = resizer;
}

void Basic::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    if (!dc.getContext() || left >= right || top >= bottom)
        return;
    if (m_gradient && m_legacyPlatform)
        paintGradient(dc, left, top, right, bottom);
    if (m_resizer)
        m_resizer->paint(dc, left, top, right, bottom);
}

void Basic::paintGradient(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    static constexpr u32 kTop[5] = {0x959385, 0xBFBDB0, 0xD7D4C5, 0xE8E5D4, 0xEEEBD9};
    static constexpr u32 kMiddle = 0xECE9D8;
    static constexpr u32 kLower = 0xEBE8D4; // rows h-9 .. h-7
    static constexpr u32 kBottom[6] = {0xEAE6D3, 0xE7E4D1, 0xE3E1CD, 0xDDDBC7, 0xD9D6C0, 0xDFDCCA};
    cairo_t* cr = dc.getContext();
    const i32 w = right - left;
    const i32 h = bottom - top;
    cairo_save(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    // Later rules win where a short bar makes them overlap: bottom over top.
    for (i32 row = 0; row < h; ++row) {
        u32 c = kMiddle;
        if (row < 5)
            c = kTop[row];
        if (row >= h - 9 && row <= h - 7)
            c = kLower;
        if (row >= h - 6)
            c = kBottom[row - (h - 6)];
        fillRect(cr, left, top + row, w, 1, c);
        if (row < 2) {
            // Soften the corners: darkest at the very ends.
            for (i32 i = 0; i < 7 && i < w / 2; ++i) {
                const u32 shade = darker(c, 0.85 + 0.02 * i);
                fillRect(cr, left + i, top + row, 1, 1, shade);
                fillRect(cr, right - 1 - i, top + row, 1, 1, shade);
            }
        }
    }
    cairo_restore(cr);
}

} // namespace s::gui::drawer::statusbar::win
