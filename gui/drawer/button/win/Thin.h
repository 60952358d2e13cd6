#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::button::win {

/// The flat button: a face in the state's colour, the bevelled frame in the
/// line colour (raised when normal, flat when hot, pressed when pressed) and,
/// in the rectangle shrunk by 2 x s, either the vector icon the text names
/// or the text itself, centred.
///
/// A toggled toggle button shows normal and pressed swapped. With the press
/// offset on, the content of a pressed button moves s pixels down-right.
class Thin final : public IButton {
    S_POOLED_CLASS(Thin)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_button_win_Thin"; }
    /// Grey lines, white faces, black text, no press offset, shading on, the
    /// display scale.
    void reset() override;

    /// The frame's base colour.
    void setLineColour(Rgb c) { m_line = c; }
    Rgb getLineColour() const { return m_line; }
    /// Frame colour of a hot button.
    void setHotLineColour(Rgb c) { m_hotLine = c; }
    void setTextColour(Rgb c) { m_text = c; }
    Rgb getTextColour() const { return m_text; }
    void setHotTextColour(Rgb c) { m_hotText = c; }
    void setFaceColour(Rgb c) { m_face = c; }
    Rgb getFaceColour() const { return m_face; }
    void setHotFaceColour(Rgb c) { m_hotFace = c; }
    void setPressedFaceColour(Rgb c) { m_pressedFace = c; }
    void setPressOffset(bool on) { m_pressOffset = on; }
    bool isPressOffset() const { return m_pressOffset; }
    void setShading(bool on) { m_shading = on; }
    /// 0 follows the display scale.
    void setScale(i32 s) { m_scale = s; }
    i32 getScale() const { return paintScale(m_scale); }

    /// A normal button without content.
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintButton(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, i32 state,
                     const char16_t* text, bool enabled, gui::win::FontSetting* font, bool focused,
                     bool toggled) override;
    bool paintIcon(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* name, i32 r,
                   i32 g, i32 b) override;

private:
    Rgb m_line{119, 119, 119};
    Rgb m_hotLine{119, 119, 119};
    Rgb m_text{0, 0, 0};
    Rgb m_hotText{0, 0, 0};
    Rgb m_face{255, 255, 255};
    Rgb m_hotFace{243, 243, 243};
    Rgb m_pressedFace{229, 229, 229};
    bool m_pressOffset = false;
    bool m_shading = true;
    i32 m_scale = 0;
    Caption m_caption;
};

} // namespace s::gui::drawer::button::win
