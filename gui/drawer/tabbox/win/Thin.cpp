#include "gui/drawer/tabbox/win/Thin.h"

#include "gui/drawer/border/win/Thin.h"
#include "image/win/MemDC.h"

namespace s::gui::drawer::tabbox::win {

void Thin::reset() {
    m_line = Rgb{68, 68, 68};
    m_text = Rgb{0, 0, 0};
    m_scale = 0;
    m_caption.reset();
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    frameRect(dc.getContext(), left, top, right, bottom, 1, m_line);
}

void Thin::paintTab(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* title,
                    bool selected, bool hot, gui::win::FontSetting* font) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    const i32 t = selected ? top : top + 2 * s;
    if (t >= bottom)
        return;
    border::win::Thin::paintFrame(cr, left, t, right, bottom, border::win::Thin::kTab, border::win::Thin::kCut, m_line,
                                  true, s);
    const Rgb colour = selected || hot ? m_text : mixColour(m_text, m_line, 40);
    m_caption.paint(dc, left + 2 * s, t + s, right - 2 * s, bottom, title, font, colour, kTextCenter, true);
}

} // namespace s::gui::drawer::tabbox::win
