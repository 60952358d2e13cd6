#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

#include <array>

namespace s::gui::drawer::window::win {

/// A window's background, its one-pixel frame and its corners. The top and
/// the bottom corners each have a style: 0 square, 1 small (two pixels cut,
/// a frame pixel on the diagonal), 2 rounded (a staircase of 5, 3, 2, 2, 1
/// pixels from each corner). Pixels outside a cut corner are left as they
/// are: the window's shape (`cornerEllipse`) removes them on screen.
///
/// After reset the drawer is transparent (no background fill) with a white
/// background, frame (120, 120, 120) and square corners; setting a
/// background colour ends the transparency.
class Thin final : public IWindow {
    S_POOLED_CLASS(Thin)

public:
    enum Corner : i32 { kSquare = 0, kSmall = 1, kRounded = 2 };
    /// Caption colours the window's title parts take, in the order the skins
    /// give them.
    static constexpr i32 kPartCount = 6;

    const char16_t* getClassName() const override { return u"s_gui_drawer_window_win_Thin"; }
    void reset() override;

    void setBackgroundColour(i32 r, i32 g, i32 b) {
        m_background = Rgb{r, g, b};
        m_transparent = false;
    }
    Rgb getBackgroundColour() const { return m_background; }
    void setTransparent(bool transparent) { m_transparent = transparent; }
    bool isTransparent() const { return m_transparent; }
    void setFrameColour(i32 r, i32 g, i32 b) { m_frame = Rgb{r, g, b}; }
    Rgb getFrameColour() const { return m_frame; }
    void setCornerStyles(i32 top, i32 bottom) {
        m_topCorners = top;
        m_bottomCorners = bottom;
    }
    i32 getTopCornerStyle() const { return m_topCorners; }
    i32 getBottomCornerStyle() const { return m_bottomCorners; }
    void setPartColour(i32 index, Rgb c) {
        if (index >= 0 && index < kPartCount)
            m_parts[static_cast<std::size_t>(index)] = c;
    }
    Rgb getPartColour(i32 index) const {
        return index >= 0 && index < kPartCount ? m_parts[static_cast<std::size_t>(index)] : Rgb{};
    }
    /// The width of the ellipse that rounds the window's shape for a corner
    /// style: 0 (square), 5 or 11.
    static i32 cornerEllipse(i32 style) { return style == kSmall ? 5 : style == kRounded ? 11 : 0; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;

private:
    Rgb m_background{255, 255, 255};
    Rgb m_frame{120, 120, 120};
    bool m_transparent = true;
    i32 m_topCorners = kSquare;
    i32 m_bottomCorners = kSquare;
    std::array<Rgb, kPartCount> m_parts{};
};

} // namespace s::gui::drawer::window::win
