#include "gui/drawer/listbox/win/Rows.h"

#include "gui/drawer/Icons.h"
#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::listbox::win {

void Rows::resetRows(Rgb background, Rgb text, Rgb selection, Rgb selectedText) {
    setColours(background, text, selection, selectedText);
    m_hasAlternate = false;
    m_alternate = Rgb{};
    m_scale = 0;
    m_caption.reset();
}

void Rows::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    fillLTRB(dc.getContext(), left, top, right, bottom, m_background);
}

void Rows::paintRow(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const ListRow& row,
                    gui::win::FontSetting* font) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    const Rgb back = row.selected                          ? m_selection
                     : m_hasAlternate && (row.index & 1)   ? m_alternate
                                                           : m_background;
    const Rgb ink = row.selected ? m_selectedText : m_text;
    fillLTRB(cr, left, top, right, bottom, back);
    if (row.hot && !row.selected)
        frameRect(cr, left, top, right, bottom, 1, m_selection);

    const i32 h = bottom - top;
    i32 x = left + 2 * s + std::max(0, row.level) * kIndent * s;
    if (row.tree >= 0) {
        paintIcon(cr, x, top, x + h, bottom, row.tree ? u"#TreeOpen" : u"#TreeClosed", ink.r, ink.g, ink.b, s);
        x += h;
    }
    if (row.check >= 0) {
        const i32 box = std::max(1, h - 4 * s);
        const i32 y = top + (h - box) / 2;
        frameRect(cr, x, y, x + box, y + box, s, ink);
        if (row.check > 0)
            paintIcon(cr, x + s, y + s, x + box - s, y + box - s, u"#Check", ink.r, ink.g, ink.b, s);
        x += box + 2 * s;
    }
    m_caption.paint(dc, x, top, right - 2 * s, bottom, row.text, font, ink, kTextEndEllipsis, true);
}

} // namespace s::gui::drawer::listbox::win
