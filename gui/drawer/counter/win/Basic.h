#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::counter::win {

/// The counter's progress-like bar: an s-thick outline in the bar colour,
/// the done part filled in the bar colour with its leading edge (2 x s) in
/// the accent colour while the count runs, over the back colour when one is
/// set (else over the control's background).
class Basic final : public ICounter {
    S_POOLED_CLASS(Basic)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_counter_win_Basic"; }
    void reset() override;

    void setColours(Rgb bar, Rgb accent) {
        m_bar = bar;
        m_accent = accent;
    }
    Rgb getBarColour() const { return m_bar; }
    Rgb getAccentColour() const { return m_accent; }
    void setBackColour(Rgb c) {
        m_back = c;
        m_hasBack = true;
    }
    bool hasBackColour() const { return m_hasBack; }
    void setScale(i32 s) { m_scale = s; }

    /// The empty bar.
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintCounter(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 value, i32 range) override;

private:
    Rgb m_bar{176, 176, 176};
    Rgb m_accent{255, 165, 0};
    Rgb m_back{255, 255, 255};
    bool m_hasBack = false;
    i32 m_scale = 0;
};

} // namespace s::gui::drawer::counter::win
