#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::combo::win {

/// A combo box face on the control's background: an outline in the line
/// colour (s thick when hot or open, else 1 pixel), the text 4 x s in, and
/// a square drop button at the right with "#Down" ("#Up" while open) in the
/// arrow colour.
class Thin final : public ICombo {
    S_POOLED_CLASS(Thin)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_combo_win_Thin"; }
    void reset() override;

    void setColours(Rgb text, Rgb line) {
        m_text = text;
        m_line = line;
    }
    Rgb getTextColour() const { return m_text; }
    Rgb getLineColour() const { return m_line; }
    void setArrowColour(Rgb c) { m_arrow = c; }
    Rgb getArrowColour() const { return m_arrow; }
    void setScale(i32 s) { m_scale = s; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintCombo(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* text, bool hot,
                    bool open, bool enabled, gui::win::FontSetting* font) override;

private:
    Rgb m_text{0, 0, 0};
    Rgb m_line{68, 68, 68};
    Rgb m_arrow{0, 0, 0};
    i32 m_scale = 0;
    Caption m_caption;
};

} // namespace s::gui::drawer::combo::win
