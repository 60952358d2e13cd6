#include "app/win/GdkScreens.h"

#include "mainwindow/dragndrop/Dialog.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace s::app::win {

namespace {

Rect toRect(const GdkRectangle& r) {
    return {r.x, r.y, r.width, r.height};
}

void onMonitorsChanged(GdkDisplay*, GdkMonitor*, gpointer self) {
    static_cast<GdkScreens*>(self)->refresh();
}

} // namespace

GdkScreens::~GdkScreens() {
    detach();
}

void GdkScreens::detach() {
    if (m_handler && m_display)
        g_signal_handlers_disconnect_by_data(m_display, this);
    m_handler = 0;
    m_display = nullptr;
}

bool GdkScreens::refresh() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display)
        return false;
    if (!m_handler) {
        m_display = display;
        m_handler = g_signal_connect(display, "monitor-added", G_CALLBACK(onMonitorsChanged), this);
        // A removal changes the union as well; both go through the same path.
        g_signal_connect(display, "monitor-removed", G_CALLBACK(onMonitorsChanged), this);
    }
    const int count = gdk_display_get_n_monitors(display);
    if (count <= 0) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_known = false;
        return false;
    }
    GdkMonitor* primary = gdk_display_get_primary_monitor(display);
    if (!primary)
        primary = gdk_display_get_monitor(display, 0);

    GdkRectangle area{};
    gdk_monitor_get_geometry(primary, &area);
    GdkRectangle work{};
    gdk_monitor_get_workarea(primary, &work);
    const int factor = std::max(1, gdk_monitor_get_scale_factor(primary));
    GdkRectangle all = area;
    for (int i = 0; i < count; ++i) {
        GdkRectangle g{};
        gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &g);
        gdk_rectangle_union(&all, &g, &all);
    }

    std::lock_guard<std::mutex> guard(m_lock);
    m_known = true;
    m_virtual = toRect(all);
    m_workArea = work.width > 0 && work.height > 0 ? toRect(work) : toRect(area);
    m_deviceWidth = area.width * factor;
    m_deviceHeight = area.height * factor;
    m_factor = factor;
    return true;
}

bool GdkScreens::getVirtualScreen(Rect* out) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_known)
        return false;
    *out = m_virtual;
    return true;
}

bool GdkScreens::getWorkArea(Rect* out) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_known)
        return false;
    *out = m_workArea;
    return true;
}

bool GdkScreens::getPrimaryDeviceSize(i32* width, i32* height, i32* gdkFactor) const {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_known)
        return false;
    *width = m_deviceWidth;
    *height = m_deviceHeight;
    *gdkFactor = m_factor;
    return true;
}

i32 programScaleFor(i32 deviceWidth, i32 deviceHeight, i32 gdkFactor) {
    const i32 scale = gui::dialogs::dragndrop::Dialog::displayScaleFor(deviceWidth, deviceHeight);
    return std::max(1, scale / std::max(1, gdkFactor));
}

} // namespace s::app::win
