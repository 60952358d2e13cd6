#pragma once

#include "foundation/thread/Pool.h"
#include "gui/drawer/IDrawer.h"

namespace s::gui::drawer::statusbar::win {

/// The size grip of a plain status bar: six 2 x 2 dots in a right-angled
/// triangle at the bottom-right corner of the rectangle. Dots stand 3, 7 and
/// 11 pixels in from the right and bottom edges (their top-left pixel at
/// right - d, bottom - d, with right and bottom exclusive): three along the
/// bottom, two in the middle row, one at the top. Each is a white dot partly
/// covered by a (184, 181, 161) dot one pixel up and left of it.
class BasicResizer final : public IStatusBar {
    S_POOLED_CLASS(BasicResizer)

public:
    static constexpr u32 kDotShade = 0xB8B5A1;

    BasicResizer() = default;
    const char16_t* getClassName() const override { return u"s_gui_drawer_statusbar_win_BasicResizer"; }
    void reset() override {}
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;
};

/// The plain status bar: nothing over the control's background, unless the
/// gradient is asked for on a platform old enough to want it; then the
/// optional size grip on top.
class Basic final : public IStatusBar {
    S_POOLED_CLASS(Basic)

public:
    Basic() = default;
    Basic(const Basic&) = delete;
    Basic& operator=(const Basic&) = delete;
    ~Basic() override;
    const char16_t* getClassName() const override { return u"s_gui_drawer_statusbar_win_Basic"; }
    /// Gradient off, no grip.
    void reset() override;
    void paint(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom) override;

    /// The row gradient of the old platform look. Drawn only while the
    /// platform is marked old (it never is by itself here).
    void setGradient(bool on) { m_gradient = on; }
    bool isGradient() const { return m_gradient; }
    void setLegacyPlatform(bool old) { m_legacyPlatform = old; }
    bool isLegacyPlatform() const { return m_legacyPlatform; }
    /// Owned; the previous one is released. Null for none.
    void setResizer(IStatusBar* resizer);
    IStatusBar* getResizer() const { return m_resizer; }

private:
    void paintGradient(gui::win::MemDC& dc, i32 left, i32 top, i32 right, i32 bottom);

    bool m_gradient = false;
    bool m_legacyPlatform = false;
    IStatusBar* m_resizer = nullptr;
};

} // namespace s::gui::drawer::statusbar::win
