#pragma once

#include "foundation/event/INamedEventListener.h"
#include "foundation/event/NamedEvents.h"
#include "gui/IContainer.h"

#include <functional>

namespace s::lang {
class Localizer;
}
namespace s::gui::drawer {
class ISkin;
}
namespace s::image::win {
class BufferedImage;
}

namespace s::gui {

/// Window event codes (source = the window).
enum WindowEvent : i32 {
    kWindowClose = 1,
    kWindowNamedEvent = 2,
    kWindowRightButton = 3,
    kWindowResize = 4,
    kWindowLeftButton = 5,
    kWindowActivate = 6,
    kWindowDeactivate = 7,
    kWindowSizing = 8,
    kWindowMiddleButton = 9,
    kWindowPositionChanging = 10,
    kWindowMove = 11,
    kWindowKey = 12,
    kWindowMouseMove = 13,
    kWindowWheel = 14,
    kWindowPrivate = 15,
    kWindowDoubleClick = 16,
    kWindowCaptureLost = 17,
    kWindowTrayRightClick = 18,
    kWindowContext = 19,
    kWindowLanguage = 20,
    kWindowRestore = 21,
    kWindowTrayLeftClick = 22,
    kWindowHotKey = 23,
    kWindowRightButtonUp = 24,
    kWindowLeftButtonUp = 25,
    kWindowTimer = 26,
    kWindowClipboard = 27,
};

/// Codes of the last key (`getKeyCode`) that are not its letter or digit:
/// letters are their capital ('A'..'Z'), digits '0'..'9', the keypad's digits
/// kKeyCodeKeypad0 + n, the function keys kKeyCodeF1 + n; 0 for keys
/// without a code.
enum KeyCode : i32 {
    kKeyCodeBackspace = 8,
    kKeyCodeTab = 9,
    kKeyCodeEnter = 13,
    kKeyCodeShift = 16,
    kKeyCodeControl = 17,
    kKeyCodeAlt = 18,
    kKeyCodeEscape = 27,
    kKeyCodeSpace = 32,
    kKeyCodePageUp = 33,
    kKeyCodePageDown = 34,
    kKeyCodeEnd = 35,
    kKeyCodeHome = 36,
    kKeyCodeLeft = 37,
    kKeyCodeUp = 38,
    kKeyCodeRight = 39,
    kKeyCodeDown = 40,
    kKeyCodeInsert = 45,
    kKeyCodeDelete = 46,
    kKeyCodeKeypad0 = 96,
    kKeyCodeF1 = 112,
    kKeyCodeF10 = 121,
    kKeyCodeBracketLeft = 219,
    kKeyCodeBracketRight = 221,
};

/// Modifier keys held with the last key (`getKeyModifiers`), as bits.
enum KeyModifier : i32 {
    kKeyShift = 1,
    kKeyControl = 2,
    kKeyAlt = 4,
};

/// Middle-click actions, compared by identity (pass these very pointers).
inline constexpr char16_t kActionClose[] = u"Close";
inline constexpr char16_t kActionIconize[] = u"Iconize";
inline constexpr char16_t kActionDoNothing[] = u"DoNothing";

/// The top-level window: the root container, its native window, the
/// window events and the synchronous delivery of named events from other
/// threads. Implemented by `win::Window`.
///
/// Every operation runs on the user-interface thread unless it says
/// otherwise.
class IWindow : public IContainer, public event::INamedEventTarget, public event::INamedEventSource {
public:
    // -- life cycle --
    /// Any thread.
    virtual bool isClosed() const = 0;
    /// Asks the window to close as the close box does: close listeners
    /// first, which may veto. Any thread (carried to the user-interface
    /// thread).
    virtual void close() = 0;
    /// Inside a close listener: the window stays open.
    virtual void vetoClose() = 0;
    /// Blocks the caller until the window is closed (polls every 10 ms).
    /// Never on the user-interface thread.
    virtual void waitUntilClosed() = 0;
    /// Shows or hides the window; `bringToFront` raises it.
    virtual void showWindow(bool visible, bool bringToFront) = 0;
    /// true: to the front; false: deactivate.
    virtual void activate(bool bringToFront) = 0;
    virtual bool isMinimized() const = 0;
    virtual void minimize() = 0;
    virtual bool isMaximized() const = 0;
    virtual void maximize() = 0;
    virtual void restore() = 0;

    /// Runs `fn` on the user-interface thread and waits for it; runs it at
    /// once when called there. False when the window cannot deliver (no
    /// user-interface thread, or closing and destroyed). Any thread.
    virtual bool invoke(const std::function<void()>& fn) = 0;

    // -- named events (INamedEventTarget / INamedEventSource) --
    /// Any thread; see INamedEventTarget. Listeners are the window's
    /// named-event listeners (code 2); inside them the getters of
    /// INamedEventSource read the event.
    virtual void addNamedEventListener(events::IEventListener* l) = 0;
    /// The same list, for listeners that are not toolkit objects (the
    /// window's model): called with the window as the event source, in one
    /// registration order together with the toolkit listeners.
    virtual void addNamedEventListener(event::INamedEventListener* l) = 0;

    // -- listeners by window event code --
    virtual void addCloseListener(events::IEventListener* l) = 0;
    virtual void addRightButtonListener(events::IEventListener* l) = 0;
    virtual void addResizeListener(events::IEventListener* l) = 0;
    virtual void addLeftButtonListener(events::IEventListener* l) = 0;
    virtual void addActivateListener(events::IEventListener* l) = 0;
    virtual void addDeactivateListener(events::IEventListener* l) = 0;
    virtual void addMiddleButtonListener(events::IEventListener* l) = 0;
    virtual void addMoveListener(events::IEventListener* l) = 0;
    virtual void addKeyListener(events::IEventListener* l) = 0;
    virtual void addMouseMoveListener(events::IEventListener* l) = 0;
    virtual void addWheelListener(events::IEventListener* l) = 0;
    virtual void addDoubleClickListener(events::IEventListener* l) = 0;
    virtual void addLanguageListener(events::IEventListener* l) = 0;
    virtual void addRestoreListener(events::IEventListener* l) = 0;
    virtual void addRightButtonUpListener(events::IEventListener* l) = 0;
    virtual void addLeftButtonUpListener(events::IEventListener* l) = 0;
    virtual void addTimerListener(events::IEventListener* l) = 0;
    /// The last key code (GDK key value mapped to the platform codes:
    /// Enter 13, Tab 9, Escape 27, letters upper case).
    virtual i32 getKeyCode() const = 0;
    /// The modifier keys held with the last key (`KeyModifier` bits).
    virtual i32 getKeyModifiers() const = 0;
    /// Inside a key listener: the key was used and goes nowhere else (Enter
    /// always counts as used).
    virtual void setKeyHandled() = 0;
    /// Signed wheel lines of the last wheel event (positive away from the user).
    virtual i32 getWheelLines() const = 0;

    // -- timers --
    virtual void setTimer(i32 id, i32 milliseconds) = 0;
    virtual void killTimer(i32 id) = 0;
    virtual i32 getTimerId() const = 0;

    // -- frame and behaviours --
    virtual void setTitle(const char16_t* text) = 0;
    /// Title = text(id), plus " v" and text(versionId) when versionId >= 0;
    /// follows language changes.
    virtual void setTitleId(i32 id, i32 versionId) = 0;
    /// The icons of the window's frame and task-bar entry (not owned; they
    /// must outlive the window). Windows without icons ignore them.
    virtual void setIcons(image::win::BufferedImage* small, image::win::BufferedImage* big) {
        (void)small;
        (void)big;
    }
    virtual const char16_t* getTitle() const = 0;
    virtual void setKeepOnTop(bool onTop) = 0;
    virtual bool isKeepOnTop() const = 0;
    virtual void setEasyDrag(bool easyDrag) = 0;
    virtual bool isEasyDrag() const = 0;
    /// kActionClose, kActionIconize or kActionDoNothing (by identity).
    virtual void setMiddleClickAction(const char16_t* action) = 0;
    virtual const char16_t* getMiddleClickAction() const = 0;
    virtual void setResizable(bool resizable) = 0;
    virtual void setMinimumSize(i32 width, i32 height) = 0;
    /// Widens or heightens the window when it is smaller than its minimum.
    virtual void fitToMinimum() = 0;
    virtual bool isOnScreen() const = 0;
    virtual void keepOnScreen() = 0;
    /// Position of the window frame on the screen.
    virtual i32 getWindowX() const = 0;
    virtual i32 getWindowY() const = 0;
    virtual void moveWindow(i32 x, i32 y) = 0;
    virtual void resizeWindow(i32 width, i32 height) = 0;

    // -- localizer and skin --
    virtual void setLocalizer(lang::Localizer* localizer) = 0;
    virtual lang::Localizer* getLocalizer() const = 0;
    /// The text of `id` in the current language; "" without a localizer.
    virtual const char16_t* text(i32 id) const = 0;
    virtual void setSkin(drawer::ISkin* skin) = 0;
    virtual drawer::ISkin* getSkin() const = 0;

    // -- messages on the window's own thread --
    virtual void showMessage(const char16_t* text) = 0;
    virtual void showWarning(const char16_t* text) = 0;
    virtual bool askYesNo(const char16_t* text) = 0;

    // -- platform --
    /// Repaints an area of the client area (toolkit-drawn components).
    virtual void invalidateArea(i32 x, i32 y, i32 w, i32 h) = 0;
    /// The GtkWindow; null while the native window does not exist.
    virtual void* getNativeHandle() const = 0;
    /// The fixed container the native widgets sit in; null likewise.
    virtual void* getNativeContainer() const = 0;
    /// Whether the native window exists.
    virtual bool isRealized() const = 0;
};

} // namespace s::gui
