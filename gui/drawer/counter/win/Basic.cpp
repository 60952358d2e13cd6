#include "gui/drawer/counter/win/Basic.h"

#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::counter::win {

void Basic::reset() {
    m_bar = Rgb{176, 176, 176};
    m_accent = Rgb{255, 165, 0};
    m_back = Rgb{255, 255, 255};
    m_hasBack = false;
    m_scale = 0;
}

void Basic::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintCounter(dc, left, top, right, bottom, 0, 0);
}

void Basic::paintCounter(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 value, i32 range) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    if (m_hasBack)
        fillLTRB(cr, left, top, right, bottom, m_back);
    frameRect(cr, left, top, right, bottom, s, m_bar);
    if (range <= 0)
        return;
    const i32 l = left + 2 * s;
    const i32 r = right - 2 * s;
    const i32 t = top + 2 * s;
    const i32 b = bottom - 2 * s;
    if (l >= r || t >= b)
        return;
    const i64 done = std::clamp(value, 0, range);
    const i32 w = static_cast<i32>((r - l) * done / range);
    fillLTRB(cr, l, t, l + w, b, m_bar);
    if (done > 0 && done < range)
        fillLTRB(cr, std::max(l, l + w - 2 * s), t, l + w, b, m_accent);
}

} // namespace s::gui::drawer::counter::win
