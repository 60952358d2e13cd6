#pragma once

// Helpers of the window tests: waiting for the interface thread, and real
// input through the X server's XTest extension.

#include "gui/win/UIThread.h"

#include <gdk/gdk.h>
#include <gdk/gdkx.h>

#include <chrono>
#include <dlfcn.h>
#include <thread>

// gdkx.h pulls in Xlib, whose macros clash with the test framework's names.
#undef None
#undef Bool
#undef Status
#undef True
#undef False

namespace snipforge::test {

/// Polls `done` on the interface thread for up to ten seconds, letting the
/// thread run in between; true as soon as it holds.
template <class F>
bool waitFor(F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        bool ok = false;
        s::gui::win::UIThread::instance().invoke([&] { ok = done(); });
        if (ok)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

/// The XTest calls, loaded at run time so that the tests skip rather than
/// fail to link where the library is missing. Use on the interface thread.
class XTest {
public:
    /// False without libXtst or without an X11 display.
    bool load() {
        void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
        if (!xtst || !GDK_IS_X11_DISPLAY(gdk_display_get_default()))
            return false;
        m_motion = reinterpret_cast<MotionFn>(dlsym(xtst, "XTestFakeMotionEvent"));
        m_button = reinterpret_cast<ButtonFn>(dlsym(xtst, "XTestFakeButtonEvent"));
        m_key = reinterpret_cast<KeyFn>(dlsym(xtst, "XTestFakeKeyEvent"));
        return m_motion && m_button && m_key;
    }
    /// Moves the pointer to (x, y) of `window`'s client area.
    void moveTo(GdkWindow* window, int x, int y) const {
        gint ox = 0;
        gint oy = 0;
        gdk_window_get_origin(window, &ox, &oy);
        m_motion(display(window), -1, ox + x, oy + y, 0);
    }
    void button(GdkWindow* window, unsigned button, bool press) const {
        m_button(display(window), button, press ? 1 : 0, 0);
        gdk_display_flush(gdk_window_get_display(window));
    }
    void key(GdkWindow* window, unsigned keycode, bool press) const {
        m_key(display(window), keycode, press ? 1 : 0, 0);
        gdk_display_flush(gdk_window_get_display(window));
    }

private:
    static Display* display(GdkWindow* window) {
        return gdk_x11_display_get_xdisplay(gdk_window_get_display(window));
    }
    using MotionFn = int (*)(Display*, int, int, int, unsigned long);
    using ButtonFn = int (*)(Display*, unsigned int, int, unsigned long);
    using KeyFn = int (*)(Display*, unsigned int, int, unsigned long);
    MotionFn m_motion = nullptr;
    ButtonFn m_button = nullptr;
    KeyFn m_key = nullptr;
};

} // namespace snipforge::test
