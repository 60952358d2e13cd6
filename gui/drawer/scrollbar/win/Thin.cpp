#include "gui/drawer/scrollbar/win/Thin.h"

#include "gui/drawer/Icons.h"
#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::scrollbar::win {

void Thin::reset() {
    m_width = 15;
    m_line = Rgb{68, 68, 68};
    m_back = Rgb{255, 255, 255};
    m_parts = Rgb{0, 0, 0};
    m_scale = 0;
}

bool Thin::thumbSpan(i32 track, i32 position, i32 page, i32 range, i32 minThumb, i32* start, i32* length) {
    if (track <= 0 || page <= 0 || page >= range)
        return false;
    i32 len = static_cast<i32>(static_cast<i64>(track) * page / range);
    len = std::min(track, std::max(len, minThumb));
    const i32 pos = std::clamp(position, 0, range - page);
    *start = static_cast<i32>(static_cast<i64>(track - len) * pos / (range - page));
    *length = len;
    return true;
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintScrollBar(dc, left, top, right, bottom, bottom - top > right - left, 0, 0, 0);
}

void Thin::paintScrollBar(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool vertical,
                          i32 position, i32 page, i32 range) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    fillLTRB(cr, left, top, right, bottom, m_back);
    const i32 length = vertical ? bottom - top : right - left;
    const i32 across = vertical ? right - left : bottom - top;
    const i32 arrow = std::min(across, length / 2);

    // The arrow buttons, then the thumb in the track between them.
    auto box = [&](i32 a0, i32 a1, i32 c0, i32 c1, i32* l, i32* t, i32* r, i32* b) {
        if (vertical)
            *l = c0, *t = a0, *r = c1, *b = a1;
        else
            *l = a0, *t = c0, *r = a1, *b = c1;
    };
    const i32 a0 = vertical ? top : left;
    const i32 c0 = vertical ? left : top;
    const i32 c1 = vertical ? right : bottom;
    const char16_t* first = vertical ? u"#Up" : u"#Left";
    const char16_t* second = vertical ? u"#Down" : u"#Right";
    i32 l, t, r, b;
    box(a0, a0 + arrow, c0, c1, &l, &t, &r, &b);
    frameRect(cr, l, t, r, b, 1, m_line);
    paintIcon(cr, l + s, t + s, r - s, b - s, first, m_parts.r, m_parts.g, m_parts.b, s);
    box(a0 + length - arrow, a0 + length, c0, c1, &l, &t, &r, &b);
    frameRect(cr, l, t, r, b, 1, m_line);
    paintIcon(cr, l + s, t + s, r - s, b - s, second, m_parts.r, m_parts.g, m_parts.b, s);

    i32 start = 0;
    i32 len = 0;
    if (!thumbSpan(length - 2 * arrow, position, page, range, kMinThumb * s, &start, &len))
        return;
    box(a0 + arrow + start, a0 + arrow + start + len, c0, c1, &l, &t, &r, &b);
    fillLTRB(cr, l, t, r, b, mixColour(m_back, m_line, 25));
    frameRect(cr, l, t, r, b, 1, m_line);
    paintIcon(cr, l + s, t + s, r - s, b - s, vertical ? u"#ThumbLineV" : u"#ThumbLineH", m_parts.r, m_parts.g,
              m_parts.b, s);
}

} // namespace s::gui::drawer::scrollbar::win
