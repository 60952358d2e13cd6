#include "gui/drawer/slider/win/Thin.h"

#include "gui/drawer/border/win/Thin.h"
#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::slider::win {

void Thin::reset() {
    m_line = Rgb{68, 68, 68};
    m_knob = Rgb{119, 119, 119};
    m_scale = 0;
}

i32 Thin::thumbOf(i32 thumbLength) const { return thumbLength > 0 ? thumbLength : kDefaultThumb * paintScale(m_scale); }

void Thin::getChannel(i32 width, i32 thumbLength, i32* channelLeft, i32* channelRight) {
    const i32 thumb = thumbOf(thumbLength);
    *channelLeft = thumb / 2;
    *channelRight = std::max(*channelLeft, width - (thumb - thumb / 2));
}

i32 Thin::thumbCentre(i32 width, i32 thumbLength, i32 min, i32 max, i32 position) {
    i32 cl = 0;
    i32 cr = 0;
    getChannel(width, thumbLength, &cl, &cr);
    if (max <= min)
        return cl;
    const i64 pos = std::clamp(position, min, max) - static_cast<i64>(min);
    const i64 span = static_cast<i64>(max) - min;
    return cl + static_cast<i32>((pos * (cr - cl) + span / 2) / span);
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintSlider(dc, left, top, right, bottom, 0, 0, 0, 0, false, 0, false, false);
}

void Thin::paintSlider(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 min, i32 max,
                       i32 position, i32 secondPosition, bool rangeMode, i32 thumbLength, bool hot, bool pressed) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    const bool horizontal = right - left >= bottom - top;
    const i32 along = horizontal ? right - left : bottom - top;
    const i32 a0 = horizontal ? left : top;
    const i32 c0 = horizontal ? top : left;
    const i32 across = horizontal ? bottom - top : right - left;
    const i32 thumb = thumbOf(thumbLength);
    auto rect = [&](i32 from, i32 to, i32 cFrom, i32 cTo, i32* l, i32* t, i32* r, i32* b) {
        if (horizontal)
            *l = a0 + from, *r = a0 + to, *t = c0 + cFrom, *b = c0 + cTo;
        else
            *t = a0 + from, *b = a0 + to, *l = c0 + cFrom, *r = c0 + cTo;
    };

    i32 cl = 0;
    i32 cr2 = 0;
    getChannel(along, thumb, &cl, &cr2);
    const i32 groove = std::min(across, 4 * s);
    const i32 g0 = (across - groove) / 2;
    i32 l, t, r, b;
    rect(cl, cr2 + 1, g0, g0 + groove, &l, &t, &r, &b);
    border::win::Thin::paintFrame(cr, l, t, r, b, border::win::Thin::kPressed, border::win::Thin::kSquare, m_line,
                                  true, s);

    const i32 first = thumbCentre(along, thumb, min, max, position);
    const i32 second = thumbCentre(along, thumb, min, max, secondPosition);
    if (rangeMode && second > first) {
        rect(first, second, g0, g0 + groove, &l, &t, &r, &b);
        fillLTRB(cr, l, t, r, b, m_knob);
    }
    const Rgb knob = pressed ? scaleColour(m_knob, 0.85) : hot ? scaleColour(m_knob, 1.15) : m_knob;
    const i32 margin = std::min(s, across / 4);
    auto paintThumb = [&](i32 centre) {
        rect(centre - thumb / 2, centre - thumb / 2 + thumb, margin, across - margin, &l, &t, &r, &b);
        fillLTRB(cr, l, t, r, b, knob);
        border::win::Thin::paintFrame(cr, l, t, r, b, border::win::Thin::kRaised, border::win::Thin::kSquare, m_line,
                                      true, s);
    };
    paintThumb(first);
    if (rangeMode)
        paintThumb(second);
}

} // namespace s::gui::drawer::slider::win
