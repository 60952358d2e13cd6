#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::radiobutton::win {

/// A ring of diameter min(width, height) at the left of the rectangle,
/// centred vertically, s thick in the frame colour (doubled in the hot
/// colour under the mouse), with a dot in the mark colour when checked.
/// Drawn row by row from rectangles.
class Thin final : public IRadioButton {
    S_POOLED_CLASS(Thin)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_radiobutton_win_Thin"; }
    void reset() override;

    void setColours(Rgb frame, Rgb text) {
        m_frame = frame;
        m_text = text;
    }
    Rgb getFrameColour() const { return m_frame; }
    Rgb getTextColour() const { return m_text; }
    void setMarkColour(Rgb c) { m_mark = c; }
    Rgb getMarkColour() const { return m_mark; }
    /// The inner outline under the mouse.
    void setHotColour(Rgb c) { m_hot = c; }
    Rgb getHotColour() const { return m_hot; }
    void setScale(i32 s) { m_scale = s; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintRadio(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, bool checked, bool hot,
                    bool enabled) override;

private:
    Rgb m_frame{68, 68, 68};
    Rgb m_text{0, 0, 0};
    Rgb m_mark{0, 0, 0};
    Rgb m_hot{0, 0, 0};
    i32 m_scale = 0;
};

} // namespace s::gui::drawer::radiobutton::win
