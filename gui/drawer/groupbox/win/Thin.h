#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::groupbox::win {

/// A group frame in one line colour, s thick, its top edge at the middle of
/// the caption's line; the caption stands 8 x s from the left edge in the
/// text colour with the line broken behind it (2 x s either side).
class Thin final : public IGroupBox {
    S_POOLED_CLASS(Thin)

public:
    static constexpr i32 kCaptionIndent = 8;

    const char16_t* getClassName() const override { return u"s_gui_drawer_groupbox_win_Thin"; }
    void reset() override;

    void setLineColour(Rgb c) { m_line = c; }
    Rgb getLineColour() const { return m_line; }
    void setTextColour(Rgb c) { m_text = c; }
    Rgb getTextColour() const { return m_text; }
    void setScale(i32 s) { m_scale = s; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintGroup(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* caption,
                    gui::win::FontSetting* font) override;

private:
    Rgb m_line{68, 68, 68};
    Rgb m_text{0, 0, 0};
    i32 m_scale = 0;
    Caption m_caption;
};

} // namespace s::gui::drawer::groupbox::win
