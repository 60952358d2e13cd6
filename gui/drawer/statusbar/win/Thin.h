#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"
#include "gui/drawer/Paint.h"

#include <array>

namespace s::gui::drawer::statusbar::win {

/// A status bar on the control's background, set off by an s-thick line in
/// the line colour along its top. The part colours (text, grip, link) are
/// kept for the bar's own children.
class Thin final : public IStatusBar {
    S_POOLED_CLASS(Thin)

public:
    static constexpr i32 kPartCount = 3;

    const char16_t* getClassName() const override { return u"s_gui_drawer_statusbar_win_Thin"; }
    void reset() override;

    void setLineColour(Rgb c) { m_line = c; }
    Rgb getLineColour() const { return m_line; }
    void setPartColour(i32 index, Rgb c) {
        if (index >= 0 && index < kPartCount)
            m_parts[static_cast<std::size_t>(index)] = c;
    }
    Rgb getPartColour(i32 index) const {
        return index >= 0 && index < kPartCount ? m_parts[static_cast<std::size_t>(index)] : Rgb{};
    }
    void setScale(i32 s) { m_scale = s; }

    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;

private:
    Rgb m_line{68, 68, 68};
    std::array<Rgb, kPartCount> m_parts{};
    i32 m_scale = 0;
};

} // namespace s::gui::drawer::statusbar::win
