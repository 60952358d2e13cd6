#include "gui/drawer/button/win/Thin.h"

#include "gui/drawer/Icons.h"
#include "gui/drawer/border/win/Thin.h"
#include "gui/win/FontSetting.h"
#include "image/win/MemDC.h"

namespace s::gui::drawer::button::win {

void Thin::reset() {
    m_caption.reset();
    m_line = m_hotLine = Rgb{119, 119, 119};
    m_text = m_hotText = Rgb{0, 0, 0};
    m_face = Rgb{255, 255, 255};
    m_hotFace = Rgb{243, 243, 243};
    m_pressedFace = Rgb{229, 229, 229};
    m_pressOffset = false;
    m_shading = true;
    m_scale = 0;
}

void Thin::paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) {
    paintButton(dc, left, top, right, bottom, kButtonNormal, nullptr, true, nullptr, false, false);
}

void Thin::paintButton(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 state,
                       const char16_t* text, bool enabled, gui::win::FontSetting* font, bool focused, bool toggled) {
    cairo_t* cr = dc.getContext();
    if (!cr || left >= right || top >= bottom)
        return;
    const i32 s = paintScale(m_scale);
    i32 look = state;
    if (toggled && look != kButtonHot)
        look = look == kButtonPressed ? kButtonNormal : kButtonPressed;

    const bool hot = look == kButtonHot;
    const bool pressed = look == kButtonPressed;
    fillLTRB(cr, left, top, right, bottom, pressed ? m_pressedFace : hot ? m_hotFace : m_face);
    const i32 type = pressed ? border::win::Thin::kPressed : hot ? border::win::Thin::kFlat : border::win::Thin::kRaised;
    const Rgb line = hot ? m_hotLine : m_line;
    border::win::Thin::paintFrame(cr, left, top, right, bottom, type, border::win::Thin::kSquare, line, m_shading, s);
    if (focused) {
        const i32 th = s < 2 ? 1 : 2;
        frameRect(cr, left + th, top + th, right - th, bottom - th, 1, m_hotLine);
    }

    i32 l = left + 2 * s;
    i32 t = top + 2 * s;
    i32 r = right - 2 * s;
    i32 b = bottom - 2 * s;
    if (m_pressOffset && pressed) {
        l += s, t += s, r += s, b += s;
    }
    Rgb colour = hot ? m_hotText : m_text;
    if (!enabled)
        colour = mixColour(colour, m_face, 55);
    if (!text || !*text)
        return;
    if (text[0] == u'#' && drawer::paintIcon(cr, l, t, r, b, text, colour.r, colour.g, colour.b, s))
        return;
    m_caption.paint(dc, l, t, r, b, text, font, colour, kTextCenter, enabled);
}

bool Thin::paintIcon(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* name, i32 r,
                     i32 g, i32 b) {
    return drawer::paintIcon(dc.getContext(), left, top, right, bottom, name, r, g, b, paintScale(m_scale));
}

} // namespace s::gui::drawer::button::win
