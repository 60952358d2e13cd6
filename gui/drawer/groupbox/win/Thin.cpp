#include "gui/drawer/groupbox/win/Thin.h"

#include "image/win/MemDC.h"

#include <algorithm>

namespace s::gui::drawer::groupbox::win {

void Thin::reset() {
    m_line = Rgb{68, 68, 68};
    m_text = Rgb{0, 0, 0};
    m_scale = 0;
    m_caption.reset();
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintGroup(dc, left, top, right, bottom, nullptr, nullptr);
}

void Thin::paintGroup(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* caption,
                      gui::win::FontSetting* font) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    i32 textW = 0;
    i32 textH = 0;
    m_caption.measure(caption, font, &textW, &textH);
    const i32 frameTop = std::min(top + textH / 2, bottom - 1);
    if (textW <= 0) {
        frameRect(cr, left, frameTop, right, bottom, s, m_line);
        return;
    }
    const i32 capLeft = left + kCaptionIndent * s;
    const i32 capRight = std::min(right - 2 * s, capLeft + textW);
    // The frame without its top edge, then the top edge in two pieces.
    fillLTRB(cr, left, frameTop, left + s, bottom, m_line);
    fillLTRB(cr, right - s, frameTop, right, bottom, m_line);
    fillLTRB(cr, left, bottom - s, right, bottom, m_line);
    fillLTRB(cr, left, frameTop, capLeft - 2 * s, frameTop + s, m_line);
    fillLTRB(cr, capRight + 2 * s, frameTop, right, frameTop + s, m_line);
    m_caption.paint(dc, capLeft, top, capRight, top + textH, caption, font, m_text, kTextSingleLine, true);
}

} // namespace s::gui::drawer::groupbox::win
