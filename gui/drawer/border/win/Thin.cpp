#include "gui/drawer/border/win/Thin.h"

#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::border::win {

Thin::Shades Thin::shadesOf(Rgb base, bool shading) {
    if (!shading)
        return Shades{base, base, base, base, base, base, base, base, base};
    return Shades{scaleColour(base, 1.15), scaleColour(base, 1.05), base,
                  scaleColour(base, 0.95), scaleColour(base, 0.9),  scaleColour(base, 0.85),
                  scaleColour(base, 0.7),  scaleColour(base, 0.5),  scaleColour(base, 0.45)};
}

void Thin::paintFrame(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom, i32 type, i32 cornerStyle, Rgb base,
                      bool shading, i32 s) {
    if (!cr || left >= right || top >= bottom)
        return;
    const Shades c = shadesOf(base, shading);
    Rgb topC, rightC, bottomC, leftC;
    switch (type) {
    case kRaised:
        topC = c.light, rightC = c.dark, bottomC = c.dark2, leftC = c.light2;
        break;
    case kFlat:
    case kTab:
        topC = c.light2, rightC = c.shade, bottomC = c.shade2, leftC = c.base;
        break;
    case kPressed:
        topC = c.shade2, rightC = c.base, bottomC = c.light2, leftC = c.shade;
        break;
    default:
        return;
    }
    const bool withBottom = type != kTab;
    // Thin rectangles get lines no thicker than half their size.
    const i32 th = std::max(1, std::min({paintScale(s) < 2 ? 1 : 2, (right - left) / 2, (bottom - top) / 2}));
    // How far each line stops short of a corner: 0, one step, or two steps
    // with a diagonal step block in between.
    const i32 cut = cornerStyle == kCut ? th : cornerStyle == kRound ? 2 * th : 0;
    const i32 cutBottom = withBottom ? cut : 0;

    fillLTRB(cr, left, top + cut, left + th, bottom - cutBottom, leftC);
    fillLTRB(cr, left + cut, top, right - cut, top + th, topC);
    fillLTRB(cr, right - th, top + cut, right, bottom - cutBottom, rightC);
    if (withBottom)
        fillLTRB(cr, left + cut, bottom - th, right - cut, bottom, bottomC);
    if (cornerStyle == kRound) {
        fillRect(cr, left + th, top + th, th, th, topC);
        fillRect(cr, right - 2 * th, top + th, th, th, topC);
        if (withBottom) {
            fillRect(cr, left + th, bottom - 2 * th, th, th, bottomC);
            fillRect(cr, right - 2 * th, bottom - 2 * th, th, th, bottomC);
        }
    }
}

void Thin::reset() {
    m_colour = Rgb{};
    m_shading = true;
    m_type = kRaised;
    m_corner = kSquare;
    m_scale = 0;
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintFrame(dc.getContext(), left, top, right, bottom, m_type, m_corner, m_colour, m_shading, m_scale);
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 type, i32 cornerStyle, i32 r,
                 i32 g, i32 b) {
    paintFrame(dc.getContext(), left, top, right, bottom, type, cornerStyle, Rgb{r, g, b}, m_shading, m_scale);
}

} // namespace s::gui::drawer::border::win
