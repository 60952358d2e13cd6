#pragma once

#include "app/IAppWindow.h"
#include "app/win/WindowGeometry.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

namespace s::map {
class IMappedData;
}

namespace s::app::win {

class ITaskbar;

/// What the window shows right now, as far as its stored state goes.
struct WindowState {
    bool visible = false;
    bool minimized = false;
    bool maximized = false;
    /// Transparent or moved for the moment; such a position is not kept.
    bool temporary = false;
    Rect bounds;
};

/// How a window is set up from its stored state when it is built.
struct AttachPlan {
    i32 smallIcon = 16; ///< icon sizes by display scale
    i32 bigIcon = 32;
    bool easyDrag = true;
    bool keepOnTop = false;
    const char16_t* middleClick = nullptr; ///< gui::kAction* (by identity)
    /// A position is stored: `bounds` is where the window goes. Otherwise
    /// only the size of `bounds` counts.
    bool placed = false;
    /// The stored position was off screen; `bounds` is centred in the work
    /// area instead (when the work area is unknown, the window centres
    /// itself).
    bool centred = false;
    /// The window was maximized when it was last hidden: it starts so. (The
    /// window's first showing may come before the state's own showing.)
    bool maximize = false;
    Rect bounds;
};

/// What showing a hidden window does before it appears.
struct ShowPlan {
    bool restore = false;  ///< un-minimize first
    bool maximize = false; ///< it was maximized when last hidden
    bool centre = false;   ///< no position stored, or off screen
    bool haveTarget = false;
    Rect target; ///< the centred bounds, when the work area is known
};

/// The persistent state of one top-level window (see IAppWindow).
///
/// Groups of a window named N: N\View4K (or View, View8K by display scale)
/// for X, Y, Width and Height; N\View for EasyDrag, Maximized, KeepOnTop and
/// OnMClick; N\Skin for a window with a skin of its own; N\SoftwareID and
/// N\Version with the program's identity.
///
/// Also mirrors a worker's job on the task bar (event::IProcessHooks).
class AppWindow final : public IAppWindow, public thread::IPoolable, public event::IProcessHooks {
    S_POOLED_CLASS(AppWindow)

public:
    AppWindow() = default;
    AppWindow(const AppWindow&) = delete;
    AppWindow& operator=(const AppWindow&) = delete;
    ~AppWindow() override = default;

    /// Sets the window up: `app` (not owned) gives the store and localizer;
    /// `defaultOnMClick` is the action while nothing is stored; `skins` is
    /// the window's skin manager (not owned; the application's or one of its
    /// own, then the skin is stored per window with `skinName` as default);
    /// `scale` is the display scale (0: the process's). Writes the program's
    /// identity below the window's name and normalises the stored middle
    /// click action.
    void init(IAppBase* app, const char16_t* name, i32 defaultWidth, i32 defaultHeight, bool defaultKeepOnTop,
              const char16_t* defaultOnMClick, ISkinManager* skins = nullptr,
              const char16_t* skinName = nullptr, i32 scale = 0);

    /// A localizer of the window's own (not owned); it is switched to the
    /// application's stored language.
    void setLocalizer(lang::Localizer* localizer);
    /// Where progress goes (not owned); null: nowhere. The desktop's
    /// launcher entry after `init`.
    void setTaskbar(ITaskbar* taskbar) { m_taskbar = taskbar; }
    /// The screens (not owned); null: the process's (see `screenInfo()`).
    void setScreenInfo(IScreenInfo* screens) { m_screens = screens; }

    const char16_t* getViewGroup() const { return m_viewGroup; }
    i32 getScale() const { return m_scale; }

    // -- the window's use of its state --
    AttachPlan planAttach();
    /// Once, when the window is built: icons, localizer, title (with
    /// " v" + version when `showVersion`), behaviours and placement.
    void attachState(gui::IWindow* window, bool showVersion);
    /// `onScreenCheck` false: the window is never moved. Whether it is on
    /// screen is judged by the screen information (on screen while that is
    /// unknown), or given as `onScreen`.
    ShowPlan planShow(const WindowState& current, bool bringToFront, bool onScreenCheck = true);
    ShowPlan planShow(const WindowState& current, bool bringToFront, bool onScreenCheck, bool onScreen);
    /// Shows the window by the stored state, or stores the state and hides
    /// it.
    void showWindow(gui::IWindow* window, bool visible, bool bringToFront);
    /// Keeps the state of a visible window: a maximized one only as
    /// Maximized; a minimized or temporarily placed one not at all;
    /// otherwise its position and size, writing only values that changed.
    void storeState(const WindowState& current);
    void storeState(gui::IWindow* window, bool restoreFirst);
    /// The window's current state as far as the toolkit tells it.
    static WindowState stateOf(gui::IWindow* window);

    // -- IAppWindow --
    IAppBase* getApp() const override { return m_app; }
    const char16_t* getName() const override { return m_name.c_str(); }
    const char16_t* groupPath(const char16_t* sub) override;
    i32 getTextBase() const override { return m_textBase; }
    lang::Localizer* getLocalizer() const override;
    bool hasSkins() const override { return m_skins != nullptr; }
    ISkinManager* getSkins() const override { return m_skins; }
    const char16_t* getSkin() override;
    bool setSkin(const char16_t* name) override;
    bool hasPosition() override;
    bool setBounds(i32 x, i32 y, i32 width, i32 height) override;
    bool setSize(i32 width, i32 height) override;
    void clearBounds() override;
    bool hasX() override;
    i32 getX() override;
    bool setX(i32 value) override;
    bool hasY() override;
    i32 getY() override;
    bool setY(i32 value) override;
    bool isWidthValid() override;
    bool hasWidth() override;
    i32 getWidth() override;
    bool setWidth(i32 value) override;
    bool isHeightValid() override;
    bool hasHeight() override;
    i32 getHeight() override;
    bool setHeight(i32 value) override;
    bool getEasyDrag() override;
    bool setEasyDrag(bool value) override;
    bool getMaximized() override;
    bool setMaximized(bool value) override;
    bool getKeepOnTop() override;
    bool setKeepOnTop(bool value) override;
    bool isOnMClickClose() override;
    bool isOnMClickIconize() override;
    const char16_t* getOnMClick() override;
    bool setOnMClick(const char16_t* action) override;
    void taskbarBusy(gui::IWindow* window) override;
    void taskbarProgress(gui::IWindow* window, i64 done, i64 total) override;
    void taskbarClear(gui::IWindow* window) override;

    // -- event::IProcessHooks --
    void processStarted(event::INamedEventTarget* target) override;
    void processProgress(event::INamedEventTarget* target, i64 total, i64 current) override;
    void processEnded(event::INamedEventTarget* target) override;

    /// The action constant (gui::kAction*) a stored text stands for.
    static const char16_t* normaliseOnMClick(const char16_t* text);

    const char16_t* getClassName() const override { return u"s_app_win_AppWindow"; }
    void reset() override;

private:
    map::IMappedData* store() const;
    bool hasViewKey(const char16_t* key);
    i32 getViewS32(const char16_t* key, i32 fallback);
    bool setViewS32(const char16_t* key, i32 value);
    bool getSharedBool(const char16_t* key, bool fallback);
    bool setSharedBool(const char16_t* key, bool value);
    IScreenInfo* screens() const;
    bool virtualScreen(Rect* out) const;
    bool workArea(Rect* out) const;

    str::strbuffer::StrBuffer m_name;
    str::strbuffer::StrBuffer m_pathBuffer;
    str::strbuffer::StrBuffer m_onMClickBuffer;
    IAppBase* m_app = nullptr;             // not owned
    const char16_t* m_viewGroup = u"View"; // a literal
    i32 m_scale = 1;
    i32 m_textBase = 500000;
    lang::Localizer* m_localizer = nullptr; // not owned; null: the application's
    ISkinManager* m_skins = nullptr;        // not owned
    bool m_ownSkin = false;
    str::strbuffer::StrBuffer m_skinName;
    i32 m_defaultWidth = 0;
    i32 m_defaultHeight = 0;
    bool m_defaultEasyDrag = true;
    bool m_defaultMaximized = false;
    bool m_defaultKeepOnTop = false;
    const char16_t* m_defaultOnMClick = nullptr; // gui::kAction*
    const char16_t* m_onMClick = nullptr;        // gui::kAction*
    ITaskbar* m_taskbar = nullptr;               // set at init, read from workers
    IScreenInfo* m_screens = nullptr;            // not owned
};

} // namespace s::app::win
