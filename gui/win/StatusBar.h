#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IStatusBar.h"
#include "gui/win/Container.h"

namespace s::gui::drawer {
class IStatusBar;
}
namespace s::gui::drawer::statusbar::win {
class Basic;
}

namespace s::gui::win {

class Button;

/// The status bar: a row container drawn by the status bar drawer (the
/// window skin's, else its own plain one), holding the owner's elements and,
/// always last, a "#Resizer" button of 12 x 12 times the display scale at the
/// bottom right that resizes the window while dragged.
class StatusBar final : public Container, public IStatusBar {
    S_POOLED_CLASS(StatusBar)

public:
    static constexpr u32 kMaxPooled = 0;
    /// The grip's side at scale 1.
    static constexpr i32 kGripSize = 12;

    StatusBar();
    ~StatusBar() override;
    const char16_t* getClassName() const override { return u"s_gui_win_StatusBar"; }
    void reset() override;
    IContainer* asContainer() override { return this; }
    IComponent* asComponent() override { return this; }

    // -- IStatusBar --
    IComponent* getGrip() const override;
    void setPadding(i32 px) override { Container::setPadding(px); }
    void setHGap(i32 px) override { Container::setHGap(px); }

    // -- IContainer: the grip stays last --
    void add(IComponent* child) override;
    void remove(IComponent* child, bool destroyContents) override;
    /// Removes every child but the grip.
    void removeAll(bool destroyContents) override;

    /// The bar's own plain drawer (gradient off, no drawn grip), used when
    /// the window's skin has none.
    drawer::statusbar::win::Basic* getBasicDrawer() const { return m_drawer; }

    // -- drawn component --
    bool isDrawn() const override { return true; }
    void paint(MemDC& dc, i32 w, i32 h) override;

private:
    void addGrip();

    IComponent* m_grip = nullptr; // one of m_children while present
    drawer::statusbar::win::Basic* m_drawer;
};

} // namespace s::gui::win
