#pragma once

#include "gui/IContainer.h"

typedef struct _GtkWidget GtkWidget;

namespace s::gui::win {

class MemDC;
class Container;

/// A mouse event on a toolkit-drawn component, in the component's own
/// coordinates. `button`: 1 left, 2 middle, 3 right (0 for moves).
struct MouseEvent {
    enum Kind : i32 { kPress, kRelease, kMove, kEnter, kLeave, kDoubleClick };
    Kind kind = kMove;
    i32 x = 0;
    i32 y = 0;
    i32 button = 0;
    /// Held buttons during a move: bit 0 left, bit 1 middle, bit 2 right.
    i32 buttons = 0;
};

/// The common state and behaviour of every toolkit component: geometry with
/// origin and freezing, the size protocol of leaf controls (measured, percent
/// and fixed sizes), visibility, enabled state, background and the tie to
/// the native widget of standard controls.
///
/// Two kinds of component exist on screen: standard controls own one native
/// GTK widget (made by `createWidget`, placed in the window's fixed container
/// at the position the layouts compute), and toolkit-drawn components (labels,
/// boxes, images, bars) own none: the window paints them through `paint` in
/// tree order onto its canvas and routes mouse input to them.
///
/// Threads: see IComponent. GTK is touched only on the user-interface thread,
/// and only once the component's window has its native window.
class Component : public IComponent {
public:
    Component() = default;
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;
    ~Component() override;

    /// Forgets the parent, destroys the native widget, restores defaults.
    void reset() override;

    // -- IComponent --
    i32 getX() const override { return m_x; }
    void setX(i32 x) override { setPosition(x, m_y); }
    i32 getY() const override { return m_y; }
    void setY(i32 y) override { setPosition(m_x, y); }
    i32 getScreenX() const override;
    i32 getScreenY() const override;
    bool contains(i32 screenX, i32 screenY) const override;
    i32 getWidth() const override { return m_width; }
    void setWidth(i32 w) override { setSize(w, m_height); }
    i32 getHeight() const override { return m_height; }
    void setHeight(i32 h) override { setSize(m_width, h); }
    i32 getInnerWidth() const override;
    void setInnerWidth(i32 w) override;
    i32 getInnerHeight() const override;
    void setInnerHeight(i32 h) override;
    void setPosition(i32 x, i32 y) override { setBounds(x, y, m_width, m_height); }
    void setSize(i32 w, i32 h) override { setBounds(m_x, m_y, w, h); }
    void setBounds(i32 x, i32 y, i32 w, i32 h) override;
    void setOrigin(i32 dx, i32 dy) override;
    void moveOrigin(i32 dx, i32 dy) override { setOrigin(m_originX + dx, m_originY + dy); }
    i32 getOriginX() const override { return m_originX; }
    i32 getOriginY() const override { return m_originY; }
    /// Leaf rules: the fixed size when set, else the measured size.
    i32 getMinWidth() const override;
    i32 getMinHeight() const override;
    i32 getInnerMinWidth() const override { return getMinWidth(); }
    i32 getInnerMinHeight() const override { return getMinHeight(); }
    /// Leaf rules: the fixed size; else with a percent, parent inner size x
    /// percent / 100; else the larger of the measured and the measured
    /// maximum size.
    i32 getMaxWidth() const override;
    i32 getMaxHeight() const override;
    i32 getInnerMaxWidth() const override { return getMaxWidth(); }
    i32 getInnerMaxHeight() const override { return getMaxHeight(); }
    bool isVisible() const override { return m_visible; }
    void setVisible(bool visible, bool relayout) override;
    bool isEnabled() const override { return m_enabled; }
    void setEnabled(bool enabled) override;
    void centerInParent() override;
    void centerHorizontally() override;
    void centerVertically() override;
    u32 getBackgroundColor() const override { return m_background; }
    bool isBackgroundTransparent() const override { return m_transparent; }
    void setBackgroundTransparent(bool redraw) override;
    void setBackgroundWhite(bool redraw) override { setBackgroundColor(255, 255, 255, redraw); }
    void setBackgroundSystem(bool redraw) override;
    void setBackgroundBlack(bool redraw) override { setBackgroundColor(0, 0, 0, redraw); }
    void setBackgroundPale(bool redraw) override;
    void setBackgroundColor(i32 r, i32 g, i32 b, bool redraw) override;
    IWindow* getWindow() const override { return m_window; }
    IContainer* getParent() const override { return m_parent; }
    void setParent(IContainer* parent) override;
    void redrawRect(i32 x, i32 y, i32 w, i32 h) override;
    void redraw() override { redrawRect(0, 0, m_width, m_height); }
    /// Leaf rule: width clamped to [min, max] of `w`, height the minimum
    /// height (or `h` clamped when h > 0).
    void setSizeWithin(i32 w, i32 h) override;
    bool isFrozen() const override { return m_frozen; }
    void freeze() override;
    void unfreeze() override;

    /// The window that hosts the component natively and the component's
    /// offset in the window's client area (sum of positions and origins up
    /// the tree). Null without a window.
    IWindow* getNativeHost(i32* outX, i32* outY) const;

    /// Shown on screen: visible itself and every parent visible.
    bool isShowing() const;

    // -- leaf size settings --
    void setMeasuredSize(i32 w, i32 h);
    /// The largest size the content would like (0 = the measured size).
    void setMeasuredMaxSize(i32 w, i32 h);
    i32 getMeasuredWidth() const { return m_measuredW; }
    i32 getMeasuredHeight() const { return m_measuredH; }
    /// -1 none. Setting a percent clears nothing here (controls that must
    /// clear the fixed size do so themselves).
    virtual void setPercentWidth(i32 p);
    virtual void setPercentHeight(i32 p);
    i32 getPercentWidth() const { return m_percentW; }
    i32 getPercentHeight() const { return m_percentH; }
    /// -1 none; else minimum = maximum = this value.
    virtual void setFixedWidth(i32 px);
    virtual void setFixedHeight(i32 px);
    i32 getFixedWidth() const { return m_fixedW; }
    i32 getFixedHeight() const { return m_fixedH; }

    // -- platform hooks (user-interface thread) --
    /// Standard controls make their native widget here (a floating
    /// reference the window's container takes over); toolkit-drawn
    /// components answer null.
    virtual GtkWidget* createWidget() { return nullptr; }
    /// After the widget was made and placed: apply the stored state.
    virtual void afterRealize() {}
    /// Before the widget is destroyed: read back what must be kept.
    virtual void beforeUnrealize() {}
    GtkWidget* getWidget() const { return m_widget; }
    /// Makes the native widget (when the window has its native window) and,
    /// for containers, the children's. Safe to call twice.
    virtual void realize();
    /// Destroys the native widgets of the component and its children; the
    /// stored state stays.
    virtual void unrealize();
    /// Toolkit-drawn components paint themselves (client size w x h) into
    /// `dc`, whose background the window has already filled (or copied
    /// from the parent when the component is transparent).
    virtual bool isDrawn() const { return false; }
    virtual void paint(MemDC& /*dc*/, i32 /*w*/, i32 /*h*/) {}
    /// Mouse input over a toolkit-drawn component; true when handled.
    virtual bool onMouse(const MouseEvent& /*event*/) { return false; }
    /// The language changed: texts given by id are read again.
    virtual void onLanguageChanged() {}

protected:
    friend class Container;

    /// Applies the current bounds (native placement and redraw); called by
    /// `setBounds` when not frozen and by `unfreeze`. Containers also place
    /// their children again (their window offsets moved).
    virtual void applyBounds();
    /// The effective visibility changed (own or a parent's).
    virtual void applyVisibility();
    /// The window was set or changed (joining a tree).
    virtual void onWindowChanged() {}

    IContainer* m_parent = nullptr;
    IWindow* m_window = nullptr;
    GtkWidget* m_widget = nullptr; // user-interface thread

    i32 m_x = 0;
    i32 m_y = 0;
    i32 m_width = 0;
    i32 m_height = 0;
    i32 m_originX = 0;
    i32 m_originY = 0;
    bool m_frozen = false;
    bool m_dirty = false;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_transparent = true;
    u32 m_background = 0x00F0F0F0;

    i32 m_measuredW = 0;
    i32 m_measuredH = 0;
    i32 m_measuredMaxW = 0;
    i32 m_measuredMaxH = 0;
    i32 m_percentW = -1;
    i32 m_percentH = -1;
    i32 m_fixedW = -1;
    i32 m_fixedH = -1;
};

} // namespace s::gui::win
