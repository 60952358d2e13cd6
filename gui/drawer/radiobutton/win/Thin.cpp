#include "gui/drawer/radiobutton/win/Thin.h"

#include "image/win/MemDC.h"

#include <algorithm>
#include <cmath>

namespace s::gui::drawer::radiobutton::win {

namespace {

/// The half width of a disc of radius `radius` on the row whose centre is
/// `dy` from the disc's centre (0 outside the disc).
double halfWidth(double radius, double dy) {
    const double q = radius * radius - dy * dy;
    return q > 0 ? std::sqrt(q) : 0.0;
}

/// Paints the part of the disc of `outer` radius that lies outside the disc
/// of `inner` radius (inner <= 0: the whole disc), centred in the square.
void ring(cairo_t* cr, i32 x, i32 y, i32 side, double outer, double inner, Rgb c) {
    const double centre = side / 2.0;
    for (i32 row = 0; row < side; ++row) {
        const double dy = row + 0.5 - centre;
        const double ao = halfWidth(outer, dy);
        if (ao <= 0)
            continue;
        const i32 x0 = x + static_cast<i32>(std::lround(centre - ao));
        const i32 x1 = x + static_cast<i32>(std::lround(centre + ao));
        const double ai = inner > 0 ? halfWidth(inner, dy) : 0.0;
        if (ai <= 0) {
            fillLTRB(cr, x0, y + row, x1, y + row + 1, c);
            continue;
        }
        const i32 i0 = x + static_cast<i32>(std::lround(centre - ai));
        const i32 i1 = x + static_cast<i32>(std::lround(centre + ai));
        fillLTRB(cr, x0, y + row, std::max(i0, x0 + 1), y + row + 1, c);
        fillLTRB(cr, std::min(i1, x1 - 1), y + row, x1, y + row + 1, c);
    }
}

} // namespace

void Thin::reset() {
    m_frame = Rgb{68, 68, 68};
    m_text = m_mark = m_hot = Rgb{0, 0, 0};
    m_scale = 0;
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintRadio(dc, left, top, right, bottom, false, false, true);
}

void Thin::paintRadio(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool checked, bool hot,
                      bool enabled) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    const i32 side = std::min(right - left, bottom - top);
    const i32 y = top + (bottom - top - side) / 2;
    const Rgb grey{160, 160, 160};
    const Rgb frame = enabled ? m_frame : mixColour(m_frame, grey, 50);
    const Rgb mark = enabled ? m_mark : mixColour(m_mark, grey, 50);
    const double radius = side / 2.0;
    ring(cr, left, y, side, radius, radius - s, frame);
    if (hot && enabled)
        ring(cr, left, y, side, radius - s, radius - 2 * s, m_hot);
    if (checked && radius - 3 * s > 0)
        ring(cr, left, y, side, radius - 3 * s, 0, mark);
}

} // namespace s::gui::drawer::radiobutton::win
