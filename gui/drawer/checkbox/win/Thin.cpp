#include "gui/drawer/checkbox/win/Thin.h"

#include "gui/drawer/Icons.h"
#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::checkbox::win {

void Thin::reset() {
    m_frame = Rgb{68, 68, 68};
    m_text = m_mark = m_hot = Rgb{0, 0, 0};
    m_scale = 0;
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintCheck(dc, left, top, right, bottom, false, false, true);
}

void Thin::paintCheck(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool checked, bool hot,
                      bool enabled) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    const i32 side = std::min(right - left, bottom - top);
    const i32 x = left;
    const i32 y = top + (bottom - top - side) / 2;
    const Rgb grey{160, 160, 160};
    const Rgb frame = enabled ? m_frame : mixColour(m_frame, grey, 50);
    const Rgb mark = enabled ? m_mark : mixColour(m_mark, grey, 50);
    frameRect(cr, x, y, x + side, y + side, s, frame);
    if (hot && enabled)
        frameRect(cr, x + s, y + s, x + side - s, y + side - s, s, m_hot);
    if (checked)
        paintIcon(cr, x + s, y + s, x + side - s, y + side - s, u"#Check", mark.r, mark.g, mark.b, s);
}

} // namespace s::gui::drawer::checkbox::win
