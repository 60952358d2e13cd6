#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

namespace s::gui::drawer::border::win {

/// The strip under a window's menu bar: a grey line along the top row and a
/// white line along the row below it, both across the full width.
class UnderWindowMenu final : public IBorder {
    S_POOLED_CLASS(UnderWindowMenu)

public:
    static constexpr Rgb kLine{172, 168, 153};
    static constexpr Rgb kHighlight{255, 255, 255};

    const char16_t* getClassName() const override { return u"s_gui_drawer_border_win_UnderWindowMenu"; }
    void reset() override {}

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
};

} // namespace s::gui::drawer::border::win
