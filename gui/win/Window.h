#pragma once

#include "foundation/lang/Localizer.h"
#include "foundation/thread/Pool.h"
#include "gui/IWindow.h"
#include "gui/events/ListenerList.h"
#include "gui/win/Container.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GdkEventButton GdkEventButton;
typedef struct _GdkEventMotion GdkEventMotion;
typedef struct _GdkEventCrossing GdkEventCrossing;
typedef struct _GdkEventKey GdkEventKey;
typedef struct _GdkEventScroll GdkEventScroll;
typedef struct _cairo cairo_t;

namespace s::image::win {
class BufferedImage;
}

namespace s::gui::win {

class Box;

/// The top-level toolkit window: the root container of a component tree,
/// its native GTK window and the translation of GTK's input into window
/// events and component mouse events.
///
/// Native structure: a GtkWindow holding a GtkFixed; the fixed's first child
/// is the canvas (a GtkDrawingArea covering the client area) on which every
/// toolkit-drawn component is painted; the native widgets of standard
/// controls sit in the fixed above it. The window's own position is (0, 0)
/// and its size is the client area; it lays out its tree on every resize.
///
/// Threads: the tree is built on any one thread before the window shows.
/// The native window is made, driven and destroyed on the user-interface
/// thread (`UIThread`); operations marked "any thread" carry themselves
/// there. Listeners run on the user-interface thread.
class Window : public Container, public IWindow {
    S_POOLED_CLASS(Window)

public:
    static constexpr u32 kMaxPooled = 0;
    /// Client size of a window that was never sized.
    static constexpr i32 kDefaultWidth = 240;
    static constexpr i32 kDefaultHeight = 120;
    /// Lines per wheel notch, the usual desktop setting.
    static constexpr i32 kWheelScrollLines = 3;

    Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    /// Destroys the native window on the user-interface thread.
    ~Window() override;

    const char16_t* getClassName() const override { return u"s_gui_win_Window"; }
    /// Destroys the native window (on the user-interface thread), releases
    /// blocked senders, the children and the localizer's hook. The window
    /// is not made fresh again: it is never pooled, and its release deletes
    /// it.
    void reset() override;

    /// Makes the native window without showing it; true when it exists.
    /// Any thread. False without a display.
    bool createWindow();

    // -- IContainer (both container roles resolve here) --
    IComponent* asComponent() override { return this; }
    IContainer* asContainer() override { return static_cast<Container*>(this); }
    void add(IComponent* child) override { Container::add(child); }
    void remove(IComponent* child, bool destroyContents) override {
        Container::remove(child, destroyContents);
    }
    void removeAll(bool destroyContents) override { Container::removeAll(destroyContents); }
    const std::vector<IComponent*>& getChildren() const override { return m_children; }
    /// Lays the tree out; when that changes the client area's minimum, the
    /// native window learns the new minimum.
    void doLayout() override;
    ILayoutManager* getLayoutManager() const override { return m_manager; }
    void setLayoutManager(ILayoutManager* manager) override { m_manager = manager; }

    // -- IComponent --
    void realize() override;
    void unrealize() override;

    // -- life cycle --
    bool isClosed() const override { return m_closed.load(); }
    void close() override;
    void vetoClose() override { m_veto = true; }
    void waitUntilClosed() override;
    void showWindow(bool visible, bool bringToFront) override;
    void activate(bool bringToFront) override;
    bool isMinimized() const override { return m_minimized.load(); }
    void minimize() override;
    bool isMaximized() const override { return m_maximized.load(); }
    void maximize() override;
    void restore() override;
    bool invoke(const std::function<void()>& fn) override;

    // -- named events --
    i64 sendEvent(const char16_t* name, i64 a, i64 b, base::IObject* object) override;
    const char16_t* getEventName() const override { return m_eventName; }
    i64 getEventA() const override { return m_eventA; }
    i64 getEventB() const override { return m_eventB; }
    base::IObject* getEventObject() const override { return m_eventObject; }
    void setEventResult(i64 value) override { m_eventResult = value; }
    void addNamedEventListener(events::IEventListener* l) override;
    void addNamedEventListener(event::INamedEventListener* l) override;

    // -- listeners --
    void addCloseListener(events::IEventListener* l) override { m_listeners[kWindowClose].add(l); }
    void addRightButtonListener(events::IEventListener* l) override {
        m_listeners[kWindowRightButton].add(l);
    }
    void addResizeListener(events::IEventListener* l) override { m_listeners[kWindowResize].add(l); }
    void addLeftButtonListener(events::IEventListener* l) override { m_listeners[kWindowLeftButton].add(l); }
    void addActivateListener(events::IEventListener* l) override { m_listeners[kWindowActivate].add(l); }
    void addDeactivateListener(events::IEventListener* l) override { m_listeners[kWindowDeactivate].add(l); }
    void addMiddleButtonListener(events::IEventListener* l) override {
        m_listeners[kWindowMiddleButton].add(l);
    }
    void addMoveListener(events::IEventListener* l) override { m_listeners[kWindowMove].add(l); }
    void addKeyListener(events::IEventListener* l) override { m_listeners[kWindowKey].add(l); }
    void addMouseMoveListener(events::IEventListener* l) override { m_listeners[kWindowMouseMove].add(l); }
    void addWheelListener(events::IEventListener* l) override { m_listeners[kWindowWheel].add(l); }
    void addDoubleClickListener(events::IEventListener* l) override {
        m_listeners[kWindowDoubleClick].add(l);
    }
    void addLanguageListener(events::IEventListener* l) override { m_listeners[kWindowLanguage].add(l); }
    void addRestoreListener(events::IEventListener* l) override { m_listeners[kWindowRestore].add(l); }
    void addRightButtonUpListener(events::IEventListener* l) override {
        m_listeners[kWindowRightButtonUp].add(l);
    }
    void addLeftButtonUpListener(events::IEventListener* l) override {
        m_listeners[kWindowLeftButtonUp].add(l);
    }
    void addTimerListener(events::IEventListener* l) override { m_listeners[kWindowTimer].add(l); }
    i32 getKeyCode() const override { return m_keyCode; }
    i32 getKeyModifiers() const override { return m_keyModifiers; }
    void setKeyHandled() override { m_keyHandled = true; }
    /// The character of the last key as the keyboard layout gives it (for
    /// mnemonics in any script); 0 for keys without one.
    char32_t getKeyChar() const { return m_keyChar; }
    i32 getWheelLines() const override { return m_wheelLines; }

    // -- timers (user-interface thread) --
    /// Replaces a running timer of the same id.
    void setTimer(i32 id, i32 milliseconds) override;
    void killTimer(i32 id) override;
    i32 getTimerId() const override { return m_timerId; }

    // -- frame and behaviours --
    void setTitle(const char16_t* text) override;
    void setTitleId(i32 id, i32 versionId) override;
    void setIcons(image::win::BufferedImage* small, image::win::BufferedImage* big) override;
    const char16_t* getTitle() const override { return m_title.c_str(); }
    i32 getTitleId() const { return m_titleId; }
    /// Any thread.
    void setKeepOnTop(bool onTop) override;
    bool isKeepOnTop() const override { return m_keepOnTop.load(); }
    void setEasyDrag(bool easyDrag) override { m_easyDrag = easyDrag; }
    bool isEasyDrag() const override { return m_easyDrag; }
    void setMiddleClickAction(const char16_t* action) override { m_middleAction = action; }
    const char16_t* getMiddleClickAction() const override { return m_middleAction; }
    void setResizable(bool resizable) override;
    bool isResizable() const { return m_resizable; }
    void setMinimumSize(i32 width, i32 height) override;
    i32 getMinimumWindowWidth() const { return m_minWindowW; }
    i32 getMinimumWindowHeight() const { return m_minWindowH; }
    void fitToMinimum() override;
    /// The smallest client area: the larger of the set minimum and what the
    /// laid-out tree needs, at least 1 x 1. This, never the current size, is
    /// the native window's minimum.
    i32 getClientMinWidth() const { return std::max({1, m_minWindowW, getMinWidth()}); }
    i32 getClientMinHeight() const { return std::max({1, m_minWindowH, getMinHeight()}); }
    bool isOnScreen() const override;
    /// The size of the primary monitor's work area (without panels and
    /// docks); false without a display. Any thread.
    bool getWorkArea(i32* width, i32* height) const;
    void keepOnScreen() override;
    i32 getWindowX() const override { return m_frameX.load(); }
    i32 getWindowY() const override { return m_frameY.load(); }
    void moveWindow(i32 x, i32 y) override;
    void resizeWindow(i32 width, i32 height) override;

    // -- localizer and skin --
    void setLocalizer(lang::Localizer* localizer) override;
    lang::Localizer* getLocalizer() const override { return m_localizer; }
    const char16_t* text(i32 id) const override;
    void setSkin(drawer::ISkin* skin) override { m_skin = skin; }
    drawer::ISkin* getSkin() const override { return m_skin; }

    // -- messages --
    void showMessage(const char16_t* text) override;
    void showWarning(const char16_t* text) override;
    bool askYesNo(const char16_t* text) override;

    // -- platform --
    void invalidateArea(i32 x, i32 y, i32 w, i32 h) override;
    void* getNativeHandle() const override { return m_gtkWindow; }
    void* getNativeContainer() const override { return m_fixed; }
    bool isRealized() const override { return m_realized.load(); }
    /// The drawing area under the native widgets; null while unrealized.
    GtkWidget* getCanvas() const { return m_canvas; }

    /// The language changed: title, every component of the tree, then the
    /// language listeners. User-interface thread.
    void languageChanged();

    /// Handles dropped "text/uri-list" data at client point (x, y): file
    /// URIs become paths for the deepest showing box that accepts files,
    /// other URIs go one by one to the deepest one that accepts URLs.
    /// Answers whether a box took something. User-interface thread.
    bool dropUriList(const char* uriList, i32 x, i32 y);

    /// Paints the part of the client area that `cr` is clipped to (the
    /// canvas's draw handler): the background, then every showing drawn
    /// component in tree order that reaches into that part, each painted
    /// whole into a buffer of its size and copied in within that part.
    /// User-interface thread.
    void paintClient(cairo_t* cr);
    /// The client size of the last paint; 0 x 0 before the first. After a
    /// resize it tells whether the new size was painted yet.
    /// User-interface thread.
    void getPaintedSize(i32* width, i32* height) const {
        *width = m_paintedWidth;
        *height = m_paintedHeight;
    }

    /// The deepest showing toolkit-drawn component at client point (x, y),
    /// the topmost where siblings overlap; its client offset in outX/outY.
    Component* drawnAt(i32 x, i32 y, i32* outX, i32* outY) const;

    // GTK signal entry points (user-interface thread).
    bool handleButton(GdkEventButton* event);
    bool handleMotion(GdkEventMotion* event);
    bool handleCrossing(GdkEventCrossing* event);
    bool handleKey(GdkEventKey* event);
    bool handleScroll(GdkEventScroll* event);
    bool handleDeleteEvent();
    void handleClientAllocation(i32 width, i32 height);
    void handleWindowState(u32 changedMask, u32 newState);
    void handleConfigure(i32 frameX, i32 frameY);
    void handleActive(bool active);
    bool handleTimer(i32 id);

    /// The platform key code of a GDK key value: Enter 13, Tab 9, Escape 27,
    /// letters as upper-case ASCII, digits, arrows 37-40, "[" 219, "]" 221
    /// and the other virtual-key numbers of the usual keys; 0 for keys
    /// without one.
    static i32 keyCodeOf(u32 gdkKeyval);

    /// A running timer; owned by the window (internal).
    struct TimerRecord;

protected:
    void applyBounds() override;

private:
    struct NamedListener {
        events::IEventListener* toolkit = nullptr;
        event::INamedEventListener* model = nullptr;
    };
    /// A named event waiting for delivery; shared by the sender and the
    /// queued delivery so that either may finish first.
    struct Pending {
        const char16_t* name = nullptr;
        i64 a = 0;
        i64 b = 0;
        base::IObject* object = nullptr;
        i64 result = 0;
        bool done = false; // guarded by SendState::mutex
    };
    /// What senders wait on; outlives the window while a sender holds it.
    struct SendState;
    class LanguageHook final : public lang::ILanguageListener {
    public:
        explicit LanguageHook(Window* w) : m_window(w) {}
        void onEvent(base::IObject* source, i32 code) override;

    private:
        Window* m_window;
    };
    void fire(i32 code) { m_listeners[code].fire(this, code); }
    void createNative();
    void destroyNative();
    void doClose();
    /// Sets the closed flag and wakes waitUntilClosed.
    void markClosed();
    void deliverNamed(Pending& p);
    void releaseSenders();
    /// Tab: the focus goes to the next (or previous) control that takes it,
    /// in tree order, round the end; false when none does.
    bool moveFocus(bool forward);
    void applyTitle();
    void applyGeometryHints();
    void routeMouse(Component* target, i32 offX, i32 offY, MouseEvent event);
    void setHover(Component* c, i32 x, i32 y);
    /// The chain of showing components at (x, y) from the window down.
    void componentsAt(IComponent* c, i32 x, i32 y, i32 offX, i32 offY, Component** best, i32* bestX,
                      i32* bestY) const;
    void forEachComponent(IComponent* c, const std::function<void(Component*)>& fn);
    void paintTree(IComponent* c, image::win::BufferedImage* back, i32 offX, i32 offY, i32 clipX, i32 clipY,
                   i32 clipW, i32 clipH);
    void messageBox(const char16_t* text, i32 kind, bool* answer);
    bool runOnUi(const std::function<void()>& fn);

    // Native window, user-interface thread only.
    GtkWidget* m_gtkWindow = nullptr;
    GtkWidget* m_fixed = nullptr;
    GtkWidget* m_canvas = nullptr;
    image::win::BufferedImage* m_backBuffer = nullptr;
    // Each drawn component paints here in turn before its pixels go to the
    // back buffer; kept between paints so that a paint allocates nothing.
    image::win::BufferedImage* m_componentBuffer = nullptr;
    i32 m_paintedWidth = 0;
    i32 m_paintedHeight = 0;
    std::atomic<bool> m_realized{false};
    std::atomic<bool> m_closed{false};
    // Wakes waitUntilClosed on other threads; m_closed is set under it.
    std::mutex m_closedLock;
    std::condition_variable m_closedChanged;
    std::atomic<bool> m_minimized{false};
    std::atomic<bool> m_maximized{false};
    std::atomic<bool> m_keepOnTop{false};
    std::atomic<i32> m_frameX{0};
    std::atomic<i32> m_frameY{0};
    bool m_veto = false;
    bool m_closing = false;
    bool m_syncingSize = false; // the client size is being taken from GTK
    bool m_resizable = true;
    bool m_easyDrag = false;
    const char16_t* m_middleAction = kActionDoNothing;
    i32 m_minWindowW = 0;
    i32 m_minWindowH = 0;
    // The minimum the native window was last told about (user-interface
    // thread).
    i32 m_reportedMinW = 0;
    i32 m_reportedMinH = 0;
    // maximize() came before the native window: it is made maximized
    // (user-interface thread).
    bool m_maximizeWhenMade = false;

    // Input routing state, user-interface thread.
    Component* m_pressed = nullptr; // receives moves and the release after a press
    i32 m_pressedX = 0;
    i32 m_pressedY = 0;
    i32 m_pressedButtons = 0;
    Component* m_hover = nullptr;
    i32 m_hoverX = 0;
    i32 m_hoverY = 0;
    i32 m_keyCode = 0;
    i32 m_keyModifiers = 0;
    char32_t m_keyChar = 0;
    bool m_keyHandled = false;
    i32 m_wheelLines = 0;

    // Listener lists by window event code; built before events flow.
    events::ListenerList m_listeners[28];
    std::vector<NamedListener> m_namedListeners;

    // The event being delivered, user-interface thread.
    const char16_t* m_eventName = nullptr;
    i64 m_eventA = 0;
    i64 m_eventB = 0;
    base::IObject* m_eventObject = nullptr;
    i64 m_eventResult = 0;
    std::shared_ptr<SendState> m_send;

    std::map<i32, TimerRecord*> m_timers; // user-interface thread
    i32 m_timerId = 0;

    std::u16string m_title = u"Window";
    i32 m_titleId = -1;
    i32 m_titleVersionId = -1;
    lang::Localizer* m_localizer = nullptr;
    LanguageHook m_languageHook{this};
    drawer::ISkin* m_skin = nullptr;
    // The frame's icons (not owned); applied when the native window exists.
    image::win::BufferedImage* m_smallIcon = nullptr;
    image::win::BufferedImage* m_bigIcon = nullptr;
    void applyIcons();
};

} // namespace s::gui::win
