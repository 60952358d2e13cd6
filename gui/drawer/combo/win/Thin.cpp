#include "gui/drawer/combo/win/Thin.h"

#include "gui/drawer/Icons.h"
#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::combo::win {

void Thin::reset() {
    m_text = m_arrow = Rgb{0, 0, 0};
    m_line = Rgb{68, 68, 68};
    m_scale = 0;
    m_caption.reset();
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintCombo(dc, left, top, right, bottom, nullptr, false, false, true, nullptr);
}

void Thin::paintCombo(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text, bool hot,
                      bool open, bool enabled, gui::win::FontSetting* font) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    const Rgb grey{160, 160, 160};
    const Rgb line = enabled ? m_line : mixColour(m_line, grey, 50);
    frameRect(cr, left, top, right, bottom, hot || open ? s : 1, line);
    const i32 button = std::min(bottom - top, (right - left) / 2);
    const i32 bx = right - button;
    fillLTRB(cr, bx, top, bx + 1, bottom, line);
    const Rgb arrow = enabled ? m_arrow : mixColour(m_arrow, grey, 50);
    paintIcon(cr, bx + s, top + s, right - s, bottom - s, open ? u"#Up" : u"#Down", arrow.r, arrow.g, arrow.b, s);
    const Rgb ink = enabled ? m_text : mixColour(m_text, grey, 50);
    m_caption.paint(dc, left + 4 * s, top, bx - 2 * s, bottom, text, font, ink, kTextEndEllipsis, enabled);
}

} // namespace s::gui::drawer::combo::win
