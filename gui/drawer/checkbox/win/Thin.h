#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::checkbox::win {

/// A square box of side min(width, height) at the left of the rectangle,
/// centred vertically: an s-thick outline in the frame colour (doubled in
/// the hot colour under the mouse) and, when checked, the "#Check" mark.
/// The inside is left as the control's background.
class Thin final : public ICheckBox {
    S_POOLED_CLASS(Thin)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_checkbox_win_Thin"; }
    void reset() override;

    /// Frame and label text colours.
    void setColours(Rgb frame, Rgb text) {
        m_frame = frame;
        m_text = text;
    }
    Rgb getFrameColour() const { return m_frame; }
    Rgb getTextColour() const { return m_text; }
    /// The check mark's colour.
    void setMarkColour(Rgb c) { m_mark = c; }
    Rgb getMarkColour() const { return m_mark; }
    /// The inner outline under the mouse.
    void setHotColour(Rgb c) { m_hot = c; }
    Rgb getHotColour() const { return m_hot; }
    /// 0 follows the display scale.
    void setScale(i32 s) { m_scale = s; }

    /// An unchecked box.
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintCheck(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool checked, bool hot,
                    bool enabled) override;

private:
    Rgb m_frame{68, 68, 68};
    Rgb m_text{0, 0, 0};
    Rgb m_mark{0, 0, 0};
    Rgb m_hot{0, 0, 0};
    i32 m_scale = 0;
};

} // namespace s::gui::drawer::checkbox::win
