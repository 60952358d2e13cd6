#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::slider::win {

/// A slider that draws itself: a pressed groove 4 x s thick along the
/// channel and a raised thumb (two in range mode, the span between them
/// filled in the knob colour). Horizontal when at least as wide as high.
///
/// The channel runs from thumbLength / 2 to width - (thumbLength -
/// thumbLength / 2): a thumb centred on its ends touches the slider's edges,
/// so that the thumb's centre is where the mouse puts the position.
class Thin final : public ISlider {
    S_POOLED_CLASS(Thin)

public:
    /// Thumb length when the caller gives none (times the scale).
    static constexpr i32 kDefaultThumb = 10;

    const char16_t* getClassName() const override { return u"s_gui_drawer_slider_win_Thin"; }
    void reset() override;

    void setColours(Rgb line, Rgb knob) {
        m_line = line;
        m_knob = knob;
    }
    Rgb getLineColour() const { return m_line; }
    Rgb getKnobColour() const { return m_knob; }
    void setScale(i32 s) { m_scale = s; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintSlider(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 min, i32 max, i32 position,
                     i32 secondPosition, bool rangeMode, i32 thumbLength, bool hot, bool pressed) override;
    /// `width` is the length along the slider; thumbLength <= 0 means the
    /// default. The right end is never left of the left end.
    void getChannel(i32 width, i32 thumbLength, i32* channelLeft, i32* channelRight) override;
    /// The pixel along the slider (from its start) where `position` puts the
    /// thumb's centre.
    i32 thumbCentre(i32 width, i32 thumbLength, i32 min, i32 max, i32 position);

private:
    i32 thumbOf(i32 thumbLength) const;

    Rgb m_line{68, 68, 68};
    Rgb m_knob{119, 119, 119};
    i32 m_scale = 0;
};

} // namespace s::gui::drawer::slider::win
