#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::scrollbar::win {

/// A scroll bar: the track in the back colour, a square arrow button at
/// each end ("#Up"/"#Down" or "#Left"/"#Right" in the parts colour, framed
/// in the line colour) and, when the page is smaller than the range, a
/// thumb framed in the line colour with the "#ThumbLineV"/"#ThumbLineH"
/// grip.
class Thin final : public IScrollBar {
    S_POOLED_CLASS(Thin)

public:
    /// The thumb never gets shorter than this (times the scale).
    static constexpr i32 kMinThumb = 8;

    const char16_t* getClassName() const override { return u"s_gui_drawer_scrollbar_win_Thin"; }
    void reset() override;

    /// The bar's thickness in pixels (already scaled).
    void setWidth(i32 width) { m_width = width; }
    i32 getWidth() const override { return m_width; }
    void setColours(Rgb line, Rgb back) {
        m_line = line;
        m_back = back;
    }
    Rgb getLineColour() const { return m_line; }
    Rgb getBackColour() const { return m_back; }
    /// Arrows and grip.
    void setPartColour(Rgb c) { m_parts = c; }
    Rgb getPartColour() const { return m_parts; }
    void setScale(i32 s) { m_scale = s; }

    /// The thumb's start and length along a track of `track` pixels for a
    /// position in 0..range - page; false when there is no thumb (page >=
    /// range, page <= 0 or no track).
    static bool thumbSpan(i32 track, i32 position, i32 page, i32 range, i32 minThumb, i32* start, i32* length);

    /// A vertical bar when taller than wide, without a thumb.
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintScrollBar(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool vertical, i32 position,
                        i32 page, i32 range) override;

private:
    i32 m_width = 15;
    Rgb m_line{68, 68, 68};
    Rgb m_back{255, 255, 255};
    Rgb m_parts{0, 0, 0};
    i32 m_scale = 0;
};

} // namespace s::gui::drawer::scrollbar::win
