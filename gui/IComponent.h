#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "gui/events/IEventListener.h"

#include <vector>

namespace s::gui {

class IContainer;
class IWindow;

/// Something visible of the toolkit: a position in its parent, a size, size
/// limits for the layouts, colours, visibility and enabled state.
///
/// Sizes are outer sizes in device pixels. "Inner" sizes are the sizes inside
/// a container's padding (equal to the outer size for leaf components).
/// Positions are relative to the parent's inner area; padding is applied
/// through the origin the container gives each child.
///
/// Threads: a component is built on any one thread before its window shows;
/// once its window is open, every operation runs on the user-interface thread
/// (listeners run there; other threads go through the window's `sendEvent`
/// or `invoke`).
class IComponent : public base::IObject, public thread::IPoolable, public events::IEventListener {
public:
    /// Components ignore events unless they override this.
    void onEvent(IComponent* /*source*/, i32 /*code*/) override {}

    virtual i32 getX() const = 0;
    virtual void setX(i32 x) = 0;
    virtual i32 getY() const = 0;
    virtual void setY(i32 y) = 0;
    /// On the screen: the window's position plus the component's offset in it.
    virtual i32 getScreenX() const = 0;
    virtual i32 getScreenY() const = 0;
    virtual bool contains(i32 screenX, i32 screenY) const = 0;
    virtual i32 getWidth() const = 0;
    virtual void setWidth(i32 w) = 0;
    virtual i32 getHeight() const = 0;
    virtual void setHeight(i32 h) = 0;
    /// Never below 0.
    virtual i32 getInnerWidth() const = 0;
    virtual void setInnerWidth(i32 w) = 0;
    virtual i32 getInnerHeight() const = 0;
    virtual void setInnerHeight(i32 h) = 0;
    virtual void setPosition(i32 x, i32 y) = 0;
    virtual void setSize(i32 w, i32 h) = 0;
    virtual void setBounds(i32 x, i32 y, i32 w, i32 h) = 0;
    /// An offset added to the position when the component is placed.
    virtual void setOrigin(i32 dx, i32 dy) = 0;
    virtual void moveOrigin(i32 dx, i32 dy) = 0;
    virtual i32 getOriginX() const = 0;
    virtual i32 getOriginY() const = 0;
    virtual i32 getMinWidth() const = 0;
    virtual i32 getMinHeight() const = 0;
    virtual i32 getInnerMinWidth() const = 0;
    virtual i32 getInnerMinHeight() const = 0;
    virtual i32 getMaxWidth() const = 0;
    virtual i32 getMaxHeight() const = 0;
    virtual i32 getInnerMaxWidth() const = 0;
    virtual i32 getInnerMaxHeight() const = 0;
    virtual bool isVisible() const = 0;
    /// With `relayout`, the parent lays out again.
    virtual void setVisible(bool visible, bool relayout) = 0;
    virtual bool isEnabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    /// Text controls: whether the text can be edited. Others ignore it.
    virtual void setEditable(bool /*editable*/) {}
    virtual void centerInParent() = 0;
    /// (parent inner size - own size) / 2, or 0 when larger.
    virtual void centerHorizontally() = 0;
    virtual void centerVertically() = 0;
    /// 0x00BBGGRR.
    virtual u32 getBackgroundColor() const = 0;
    /// The parent's background shows through.
    virtual bool isBackgroundTransparent() const = 0;
    virtual void setBackgroundTransparent(bool redraw) = 0;
    virtual void setBackgroundWhite(bool redraw) = 0;
    virtual void setBackgroundSystem(bool redraw) = 0;
    virtual void setBackgroundBlack(bool redraw) = 0;
    virtual void setBackgroundPale(bool redraw) = 0;
    /// Clears the transparency.
    virtual void setBackgroundColor(i32 r, i32 g, i32 b, bool redraw) = 0;
    /// The top-level window; null before the component joins one.
    virtual IWindow* getWindow() const = 0;
    virtual IContainer* getParent() const = 0;
    /// Also takes the window from the parent, registers the component with
    /// the window's localizer and applies the window's skin. Called by the
    /// container's `add`.
    virtual void setParent(IContainer* parent) = 0;
    virtual bool isContainer() const { return const_cast<IComponent*>(this)->asContainer() != nullptr; }
    /// The container role of this component; null for leaf components.
    virtual IContainer* asContainer() { return nullptr; }
    virtual void redrawRect(i32 x, i32 y, i32 w, i32 h) = 0;
    virtual void redraw() = 0;
    /// Takes the offered size clamped to the limits; a label measures its
    /// text wrapped to the offered width. Height 0 asks for the minimum.
    virtual void setSizeWithin(i32 w, i32 h) = 0;
    /// Containers lay out again; others do nothing.
    virtual void relayout() {}
    virtual i32 getChildCount() const { return 0; }
    virtual IComponent* getChild(i32 /*i*/) const { return nullptr; }
    virtual bool isFrozen() const = 0;
    /// Moves and resizes are recorded, not applied; containers freeze their
    /// children too.
    virtual void freeze() = 0;
    /// Applies a recorded change with one placement; containers unfreeze
    /// their children.
    virtual void unfreeze() = 0;
};

} // namespace s::gui
