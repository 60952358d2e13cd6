#pragma once

#include "foundation/base/Types.h"

typedef struct _cairo cairo_t;

namespace s::gui::win {
class MemDC;
class FontSetting;
} // namespace s::gui::win

// Small painting helpers shared by the drawers. Every figure of the drawers
// is made of filled, pixel-aligned rectangles painted without antialiasing,
// so that shapes stay crisp at every display scale.
namespace s::gui::drawer {

class IText;

/// A colour as red, green, blue in 0..255.
struct Rgb {
    i32 r = 0;
    i32 g = 0;
    i32 b = 0;

    constexpr bool operator==(const Rgb&) const = default;
    /// 0x00RRGGBB.
    constexpr u32 packed() const {
        return (static_cast<u32>(r & 255) << 16) | (static_cast<u32>(g & 255) << 8) | static_cast<u32>(b & 255);
    }
    static constexpr Rgb fromPacked(u32 c) {
        return Rgb{static_cast<i32>((c >> 16) & 255), static_cast<i32>((c >> 8) & 255), static_cast<i32>(c & 255)};
    }
};

/// Each channel multiplied in double precision, truncated and clamped to
/// 0..255.
Rgb scaleColour(Rgb c, double factor);
/// `a` moved `percent` of the way towards `b`.
Rgb mixColour(Rgb a, Rgb b, i32 percent);
/// The scale to paint at: `s` when it is 1 or more, else the display scale.
i32 paintScale(i32 s);

/// Fills x, y, w x h (nothing when w or h <= 0).
void fillRect(cairo_t* cr, i32 x, i32 y, i32 w, i32 h, Rgb c);
/// Fills the rectangle left, top, right, bottom (exclusive).
inline void fillLTRB(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom, Rgb c) {
    fillRect(cr, left, top, right - left, bottom - top, c);
}
/// An outline `thickness` pixels wide along the inside of the rectangle.
void frameRect(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom, i32 thickness, Rgb c);

/// The caption part of a drawer that writes texts: its own plain text
/// drawer and the font setting it recolours texts with, both made on first
/// use and released at reset.
class Caption {
public:
    Caption() = default;
    Caption(const Caption&) = delete;
    Caption& operator=(const Caption&) = delete;
    ~Caption();
    void reset();
    /// Draws `text` in the rectangle in `colour` with a copy of `font` (null:
    /// the default style); `flags` are the TextFlags.
    void paint(win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text, win::FontSetting* font,
               Rgb colour, u32 flags, bool enabled);
    /// The size of `text` on one line; 0 x 0 for an empty text.
    void measure(const char16_t* text, win::FontSetting* font, i32* outWidth, i32* outHeight);

private:
    win::FontSetting& style(win::FontSetting* font);
    IText& drawer();

    IText* m_drawer = nullptr;
    win::FontSetting* m_scratch = nullptr;
};

} // namespace s::gui::drawer
