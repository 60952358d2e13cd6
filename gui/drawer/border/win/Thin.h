#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

typedef struct _cairo cairo_t;

namespace s::gui::drawer::border::win {

/// The bevelled frame. From a base colour it derives the shades below and
/// lights the four edges by type; lines are 1 pixel thick below scale 2 and
/// 2 pixels from scale 2 up.
class Thin final : public IBorder {
    S_POOLED_CLASS(Thin)

public:
    /// Lighting of the edges.
    enum Type : i32 {
        kRaised = 0,  ///< top light, right dark, bottom dark2, left light2
        kFlat = 1,    ///< top light2, right shade, bottom shade2, left base
        kPressed = 2, ///< top shade2, right base, bottom light2, left shade
        kTab = 3,     ///< as flat, without the bottom line
    };
    /// Corners: square, cut by one step, rounded over three steps.
    enum Corner : i32 { kSquare = 0, kCut = 1, kRound = 2 };

    /// The shades of a base colour: each channel times the factor, truncated
    /// and clamped to 255. Without shading all are the base.
    struct Shades {
        Rgb light, light2, base, mid, shade, shade2, dark, dark2, darkest;
    };
    static Shades shadesOf(Rgb base, bool shading);

    /// Paints the frame (nothing for an empty or inverted rectangle, or an
    /// unknown type). `s` below 1 means the display scale.
    static void paintFrame(cairo_t* cr, i32 left, i32 top, i32 right, i32 bottom, i32 type, i32 cornerStyle,
                           Rgb base, bool shading, i32 s);

    const char16_t* getClassName() const override { return u"s_gui_drawer_border_win_Thin"; }
    /// Black, shading on, raised, square corners, the display scale.
    void reset() override;

    void setColour(i32 r, i32 g, i32 b) { m_colour = Rgb{r, g, b}; }
    Rgb getColour() const { return m_colour; }
    void setShading(bool shading) { m_shading = shading; }
    bool isShading() const { return m_shading; }
    /// The type and corner style `paint` uses.
    void setStyle(i32 type, i32 cornerStyle) {
        m_type = type;
        m_corner = cornerStyle;
    }
    /// 0 follows the display scale.
    void setScale(i32 s) { m_scale = s; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 type, i32 cornerStyle, i32 r,
               i32 g, i32 b);

private:
    Rgb m_colour;
    bool m_shading = true;
    i32 m_type = kRaised;
    i32 m_corner = kSquare;
    i32 m_scale = 0;
};

} // namespace s::gui::drawer::border::win
