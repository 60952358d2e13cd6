#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::tabbox::win {

/// A tab strip: the pane is outlined in the line colour; each tab is the
/// bevelled tab frame (no bottom line, cut corners) in the line colour with
/// its title centred. Unselected tabs sit 2 x s lower with a fainter title.
class Thin final : public ITabBox {
    S_POOLED_CLASS(Thin)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_tabbox_win_Thin"; }
    void reset() override;

    void setLineColour(Rgb c) { m_line = c; }
    Rgb getLineColour() const { return m_line; }
    void setTextColour(Rgb c) { m_text = c; }
    Rgb getTextColour() const { return m_text; }
    void setScale(i32 s) { m_scale = s; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintTab(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* title, bool selected,
                  bool hot, gui::win::FontSetting* font) override;

private:
    Rgb m_line{68, 68, 68};
    Rgb m_text{0, 0, 0};
    i32 m_scale = 0;
    Caption m_caption;
};

} // namespace s::gui::drawer::tabbox::win
