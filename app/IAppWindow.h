#pragma once

#include "foundation/base/IObject.h"

namespace s::lang {
class Localizer;
}
namespace s::gui {
class IWindow;
}

namespace s::app {

class IAppBase;
class ISkinManager;

/// The persistent state of one top-level window, kept in the settings store
/// under groups named after the window: its position and size (per display
/// scale), whether it was maximized, keeps on top, can be dragged by any
/// point, what a middle click does, and (for a window with a skin of its
/// own) its skin. Values are read whenever they are needed and written when
/// they change. Used on the window's user-interface thread.
class IAppWindow : public base::IObject {
public:
    virtual IAppBase* getApp() const = 0;
    virtual const char16_t* getName() const = 0;
    /// name + "\" + sub; valid until the next call.
    virtual const char16_t* groupPath(const char16_t* sub) = 0;
    virtual i32 getTextBase() const = 0;
    /// The window's own localizer, else the application's.
    virtual lang::Localizer* getLocalizer() const = 0;
    virtual bool hasSkins() const = 0;
    virtual ISkinManager* getSkins() const = 0;
    virtual const char16_t* getSkin() = 0;
    virtual bool setSkin(const char16_t* name) = 0;

    /// Both X and Y are stored.
    virtual bool hasPosition() = 0;
    virtual bool setBounds(i32 x, i32 y, i32 width, i32 height) = 0;
    virtual bool setSize(i32 width, i32 height) = 0;
    /// Removes X, Y, Width and Height.
    virtual void clearBounds() = 0;
    virtual bool hasX() = 0;
    /// 0 when not stored.
    virtual i32 getX() = 0;
    virtual bool setX(i32 value) = 0;
    virtual bool hasY() = 0;
    virtual i32 getY() = 0;
    virtual bool setY(i32 value) = 0;
    /// 10 <= width <= the virtual screen's width (only the lower bound
    /// while the screen is unknown).
    virtual bool isWidthValid() = 0;
    virtual bool hasWidth() = 0;
    /// The default width when not stored.
    virtual i32 getWidth() = 0;
    virtual bool setWidth(i32 value) = 0;
    virtual bool isHeightValid() = 0;
    virtual bool hasHeight() = 0;
    virtual i32 getHeight() = 0;
    virtual bool setHeight(i32 value) = 0;
    virtual bool getEasyDrag() = 0;
    virtual bool setEasyDrag(bool value) = 0;
    virtual bool getMaximized() = 0;
    virtual bool setMaximized(bool value) = 0;
    virtual bool getKeepOnTop() = 0;
    virtual bool setKeepOnTop(bool value) = 0;
    /// Reads OnMClick and remembers it as the current action.
    virtual bool isOnMClickClose() = 0;
    virtual bool isOnMClickIconize() = 0;
    /// gui::kActionIconize or gui::kActionClose when the stored text is one
    /// of them, else gui::kActionDoNothing (these very pointers).
    virtual const char16_t* getOnMClick() = 0;
    /// Stores the action when it differs from the current one.
    virtual bool setOnMClick(const char16_t* action) = 0;

    /// Progress on the task bar: busy without a value, a value, or none.
    /// Any thread; nothing happens without a task bar.
    virtual void taskbarBusy(gui::IWindow* window) = 0;
    virtual void taskbarProgress(gui::IWindow* window, i64 done, i64 total) = 0;
    virtual void taskbarClear(gui::IWindow* window) = 0;
};

} // namespace s::app
