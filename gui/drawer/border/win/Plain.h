#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::border::win {

/// A one-pixel outline in one colour along the outermost pixels of the
/// rectangle. Black after reset.
class Plain final : public IBorder {
    S_POOLED_CLASS(Plain)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_border_win_Plain"; }
    void reset() override { m_colour = Rgb{}; }

    void setColour(i32 r, i32 g, i32 b) { m_colour = Rgb{r, g, b}; }
    Rgb getColour() const { return m_colour; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;

private:
    Rgb m_colour;
};

} // namespace s::gui::drawer::border::win
