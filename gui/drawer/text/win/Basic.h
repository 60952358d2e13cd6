#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"

namespace s::gui::drawer::text::win {

/// The plain label text drawer: the text in the font's colour over whatever
/// the control's buffer holds, with the font setting's effect style:
///
///   0 plain
///   1 outline: the eight one-pixel offsets in the shadow colour, then the text
///   2 shadow at (+1, +1): (119, 119, 119) enabled, (238, 238, 238) disabled
///   3 black at (+2, +2), white at (0, 0), the text at (+1, +1)
///   4 white at (0, 0), black at (0, +2), the text at (0, +1)
///   5 white at (+2, +2), black at (0, 0), the text at (+1, +1)
///   6 black at (0, 0), white at (0, +2), the text at (0, +1)
///   7 as 1 in the second outline colour
///
/// Text is laid out by Pango as plain text (an "&" shows as itself). Single
/// lines ignore line breaks; an end ellipsis cuts the line and appends "...".
/// Measuring needs no display: it lays out on a small image surface of the
/// calling thread.
class Basic final : public IText {
    S_POOLED_CLASS(Basic)

public:
    Basic() = default;
    const char16_t* getClassName() const override { return u"s_gui_drawer_text_win_Basic"; }
    void reset() override { m_center = false; }

    /// Without a text there is nothing to paint.
    void paint(gui::win::MemDC& /*dc*/, i32, i32, i32, i32) override {}
    void paintText(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text,
                   gui::win::FontSetting& font, u32 flags, bool enabled) override;
    void measure(const char16_t* text, gui::win::FontSetting& font, u32 flags, i32 width, i32* outWidth,
                 i32* outHeight) override;

    /// As `paintText`, with the character at UTF-16 index `markIndex`
    /// underlined (a mnemonic); none when it is negative.
    void paintMarked(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text,
                     gui::win::FontSetting& font, u32 flags, bool enabled, i32 markIndex);

    /// Centred single lines with end ellipsis, whatever the caller asks.
    void setCenter(bool center) { m_center = center; }
    bool isCenter() const { return m_center; }

private:
    bool m_center = false;
};

} // namespace s::gui::drawer::text::win
