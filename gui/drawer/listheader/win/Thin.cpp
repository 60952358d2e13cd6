#include "gui/drawer/listheader/win/Thin.h"

#include "gui/drawer/Icons.h"
#include "image/win/MemDC.h"

namespace s::gui::drawer::listheader::win {

void Thin::reset() {
    m_line = Rgb{68, 68, 68};
    m_face = Rgb{255, 255, 255};
    m_text = Rgb{0, 0, 0};
    m_scale = 0;
    m_caption.reset();
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    fillLTRB(cr, left, top, right, bottom, m_face);
    fillLTRB(cr, left, bottom - 1, right, bottom, m_line);
}

void Thin::paintHeader(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* title,
                       bool hot, bool pressed, i32 sort, gui::win::FontSetting* font) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    fillLTRB(cr, left, top, right, bottom, pressed ? mixColour(m_face, m_line, 20) : hot ? mixColour(m_face, m_line, 10) : m_face);
    fillLTRB(cr, left, bottom - 1, right, bottom, m_line);
    fillLTRB(cr, right - 1, top, right, bottom, m_line);
    i32 textRight = right - 4 * s;
    if (sort != 0) {
        const i32 h = bottom - top;
        const i32 side = h / 2;
        const i32 x = right - 2 * s - side;
        if (x > left) {
            paintIcon(cr, x, top + (h - side) / 2, x + side, top + (h - side) / 2 + side, sort > 0 ? u"#Up" : u"#Down",
                      m_text.r, m_text.g, m_text.b, s);
            textRight = x - s;
        }
    }
    const i32 shift = pressed ? s : 0;
    m_caption.paint(dc, left + 4 * s + shift, top + shift, textRight + shift, bottom - 1 + shift, title, font, m_text,
                    kTextEndEllipsis, true);
}

} // namespace s::gui::drawer::listheader::win
