#include "gui/drawer/statusbar/win/Thin.h"

#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::statusbar::win {

void Thin::reset() {
    m_line = Rgb{68, 68, 68};
    m_parts = {};
    m_scale = 0;
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    if (left >= right || top >= bottom)
        return;
    const i32 th = std::min(paintScale(m_scale), bottom - top);
    fillLTRB(dc.getContext(), left, top, right, top + th, m_line);
}

} // namespace s::gui::drawer::statusbar::win
