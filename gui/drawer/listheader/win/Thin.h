#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::listheader::win {

/// Column headers on the face colour with a line-coloured bottom edge and a
/// separator at each column's right; the title stands 4 x s in, a sort
/// arrow ("#Up"/"#Down") at the right. Hot and pressed columns are tinted
/// towards the line colour.
class Thin final : public IListHeader {
    S_POOLED_CLASS(Thin)

public:
    const char16_t* getClassName() const override { return u"s_gui_drawer_listheader_win_Thin"; }
    void reset() override;

    void setColours(Rgb line, Rgb face) {
        m_line = line;
        m_face = face;
    }
    Rgb getLineColour() const { return m_line; }
    Rgb getFaceColour() const { return m_face; }
    void setTextColour(Rgb c) { m_text = c; }
    Rgb getTextColour() const { return m_text; }
    void setScale(i32 s) { m_scale = s; }

    /// The strip behind the columns.
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
    void paintHeader(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom, const char16_t* title, bool hot,
                     bool pressed, i32 sort, gui::win::FontSetting* font) override;

private:
    Rgb m_line{68, 68, 68};
    Rgb m_face{255, 255, 255};
    Rgb m_text{0, 0, 0};
    i32 m_scale = 0;
    Caption m_caption;
};

} // namespace s::gui::drawer::listheader::win
