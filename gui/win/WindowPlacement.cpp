// The window's geometry: size hints and the minimum the layout needs,
// moves and resizes, the stored bounds, the work area and the screen, and
// the notifications by which the window system reports them.

#include "gui/win/Window.h"
#include "gui/win/WindowInternal.h"

#include "gui/win/NativeScale.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace s::gui::win {

using window_detail::asImpl;

void Window::applyGeometryHints() {
    if (!m_gtkWindow)
        return;
    GdkGeometry g{};
    g.min_width = std::max(1, m_minWindowW);
    g.min_height = std::max(1, m_minWindowH);
    gtk_window_set_geometry_hints(GTK_WINDOW(m_gtkWindow), nullptr, &g, GDK_HINT_MIN_SIZE);
}

void Window::setMinimumSize(i32 width, i32 height) {
    m_minWindowW = std::max(0, width);
    m_minWindowH = std::max(0, height);
    runOnUi([this] {
        applyGeometryHints();
        if (m_fixed)
            gtk_widget_queue_resize(m_fixed);
    });
}

void Window::doLayout() {
    Container::doLayout();
    // The client area reports the layout's minimum as its size request;
    // GTK asks again only when told that it changed.
    if (!m_fixed || !UIThread::isUiThread())
        return;
    const i32 minW = getClientMinWidth();
    const i32 minH = getClientMinHeight();
    if (minW == m_reportedMinW && minH == m_reportedMinH)
        return;
    m_reportedMinW = minW;
    m_reportedMinH = minH;
    gtk_widget_queue_resize(m_fixed);
}

void Window::fitToMinimum() {
    // The larger of the set minimum and what the laid-out content needs.
    const i32 minW = std::max(m_minWindowW, getMinWidth());
    const i32 minH = std::max(m_minWindowH, getMinHeight());
    if (m_width >= minW && m_height >= minH)
        return;
    resizeWindow(std::max(m_width, minW), std::max(m_height, minH));
}

void Window::moveWindow(i32 x, i32 y) {
    m_frameX = x;
    m_frameY = y;
    runOnUi([this, x, y] {
        if (m_gtkWindow)
            gtk_window_move(GTK_WINDOW(m_gtkWindow), x, y);
    });
}

void Window::resizeWindow(i32 width, i32 height) {
    width = std::max(1, width);
    height = std::max(1, height);
    bool native = false;
    runOnUi([this, width, height, &native] {
        if (!m_gtkWindow)
            return;
        native = true;
        gtk_window_resize(GTK_WINDOW(m_gtkWindow), width, height);
    });
    if (!native) {
        // Not yet on screen: the size the native window will start with.
        setBounds(0, 0, width, height);
    }
}

void Window::applyBounds() {
    Container::applyBounds();
    if (m_syncingSize || !m_gtkWindow)
        return;
    const i32 w = std::max(1, m_width);
    const i32 h = std::max(1, m_height);
    runOnUi([this, w, h] {
        if (m_gtkWindow)
            gtk_window_resize(GTK_WINDOW(m_gtkWindow), w, h);
    });
}

namespace {

/// The bounding rectangle of all monitors; false without a display.
bool virtualScreen(GdkRectangle* out) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display)
        return false;
    const int n = gdk_display_get_n_monitors(display);
    bool any = false;
    for (int i = 0; i < n; ++i) {
        GdkRectangle r;
        gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &r);
        if (!any) {
            *out = r;
            any = true;
        } else {
            gdk_rectangle_union(out, &r, out);
        }
    }
    return any;
}

} // namespace

bool Window::getWorkArea(i32* width, i32* height) const {
    bool have = false;
    const_cast<Window*>(this)->runOnUi([&] {
        GdkDisplay* display = gdk_display_get_default();
        if (!display)
            return;
        GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
        if (!monitor && gdk_display_get_n_monitors(display) > 0)
            monitor = gdk_display_get_monitor(display, 0);
        if (!monitor)
            return;
        GdkRectangle area{};
        gdk_monitor_get_workarea(monitor, &area);
        if (area.width <= 0 || area.height <= 0)
            gdk_monitor_get_geometry(monitor, &area);
        *width = area.width;
        *height = area.height;
        have = area.width > 0 && area.height > 0;
    });
    return have;
}

bool Window::isOnScreen() const {
    GdkRectangle screen{};
    i32 x = m_frameX.load();
    i32 y = m_frameY.load();
    i32 w = m_width;
    i32 h = m_height;
    bool have = false;
    const_cast<Window*>(this)->runOnUi([&] {
        have = virtualScreen(&screen);
        if (m_gtkWindow)
            gtk_window_get_size(GTK_WINDOW(m_gtkWindow), &w, &h);
    });
    if (w <= 10 || h <= 10)
        return false;
    if (!have)
        return true;
    const i32 overlapW = std::min(x + w, screen.x + screen.width) - std::max(x, screen.x);
    const i32 overlapH = std::min(y + h, screen.y + screen.height) - std::max(y, screen.y);
    return overlapW >= 10 && overlapH >= 10;
}

void Window::keepOnScreen() {
    if (m_maximized.load())
        return;
    GdkRectangle screen{};
    i32 w = m_width;
    i32 h = m_height;
    bool have = false;
    runOnUi([&] {
        have = virtualScreen(&screen);
        if (m_gtkWindow)
            gtk_window_get_size(GTK_WINDOW(m_gtkWindow), &w, &h);
    });
    if (!have)
        return;
    const i32 oldX = m_frameX.load();
    const i32 oldY = m_frameY.load();
    i32 x = oldX;
    i32 y = oldY;
    if (x + w > screen.x + screen.width)
        x = screen.x + screen.width - w;
    if (y + h > screen.y + screen.height)
        y = screen.y + screen.height - h;
    if (x < screen.x)
        x = screen.x;
    if (y < screen.y)
        y = screen.y;
    if (x != oldX || y != oldY)
        moveWindow(x, y);
}

void Window::handleClientAllocation(i32 width, i32 height) {
    if (width == m_width && height == m_height)
        return;
    m_syncingSize = true;
    setBounds(0, 0, width, height);
    m_syncingSize = false;
    doLayout();
    if (m_canvas)
        gtk_widget_queue_draw(m_canvas);
    fire(kWindowResize);
}

void Window::handleWindowState(u32 changedMask, u32 newState) {
    const bool wasMin = m_minimized.load();
    const bool wasMax = m_maximized.load();
    m_minimized = (newState & GDK_WINDOW_STATE_ICONIFIED) != 0;
    m_maximized = (newState & GDK_WINDOW_STATE_MAXIMIZED) != 0;
    if ((changedMask & GDK_WINDOW_STATE_ABOVE) != 0)
        m_keepOnTop = (newState & GDK_WINDOW_STATE_ABOVE) != 0;
    if ((wasMin && !m_minimized.load()) || (wasMax && !m_maximized.load() && !m_minimized.load()))
        fire(kWindowRestore);
}

void Window::handleConfigure(i32 frameX, i32 frameY) {
    if (frameX == m_frameX.load() && frameY == m_frameY.load())
        return;
    m_frameX = frameX;
    m_frameY = frameY;
    fire(kWindowMove);
}

void Window::handleActive(bool active) {
    fire(active ? kWindowActivate : kWindowDeactivate);
}

} // namespace s::gui::win
