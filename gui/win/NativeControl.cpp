#include "gui/win/NativeControl.h"

#include "gui/IWindow.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

#include <cstdio>

namespace s::gui::win {

NativeControl::~NativeControl() {
    // From here on only this level's beforeUnrealize runs: it cuts the
    // connections so that the widget's last signals find nobody.
    unrealize();
}

void NativeControl::realize() {
    Component::realize();
    syncShown();
}

void NativeControl::applyBounds() {
    Component::applyBounds();
    syncShown();
}

void NativeControl::applyVisibility() {
    Component::applyVisibility();
    syncShown();
}

bool NativeControl::hasArea() const {
    if (m_width <= 0 || m_height <= 0)
        return false;
    const IComponent* root = m_window ? m_window->asComponent() : nullptr;
    for (const IContainer* p = m_parent; p && p->asComponent() != root; p = p->asComponent()->getParent()) {
        if (p->asComponent()->getWidth() <= 0 || p->asComponent()->getHeight() <= 0)
            return false;
    }
    return true;
}

void NativeControl::syncShown() {
    if (!m_widget)
        return;
    auto apply = [this] {
        if (m_widget)
            gtk_widget_set_visible(m_widget, isShowing() && hasArea());
    };
    if (UIThread::isUiThread())
        apply();
    else
        UIThread::instance().invoke(apply);
}

void NativeControl::connect(void* instance, const char* signal, void (*handler)(), bool after) {
    g_signal_connect_data(instance, signal, G_CALLBACK(handler), static_cast<NativeControl*>(this), nullptr,
                          after ? G_CONNECT_AFTER : GConnectFlags(0));
}

void NativeControl::disconnect(void* instance) {
    if (instance)
        g_signal_handlers_disconnect_by_data(instance, static_cast<NativeControl*>(this));
}

void NativeControl::beforeUnrealize() {
    disconnect(m_widget);
    if (m_css) {
        if (m_widget)
            gtk_style_context_remove_provider(gtk_widget_get_style_context(m_widget), GTK_STYLE_PROVIDER(m_css));
        g_object_unref(m_css);
        m_css = nullptr;
    }
}

void NativeControl::setWidgetCss(const std::string& css) {
    if (!m_widget)
        return;
    GtkStyleContext* context = gtk_widget_get_style_context(m_widget);
    if (css.empty()) {
        if (m_css) {
            gtk_style_context_remove_provider(context, GTK_STYLE_PROVIDER(m_css));
            g_object_unref(m_css);
            m_css = nullptr;
        }
        return;
    }
    if (!m_css) {
        m_css = gtk_css_provider_new();
        // Above the theme and the user's settings: sizes and fonts are the
        // toolkit's decision.
        gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(m_css), GTK_STYLE_PROVIDER_PRIORITY_USER + 1);
    }
    gtk_css_provider_load_from_data(m_css, css.data(), static_cast<gssize>(css.size()), nullptr);
}

bool NativeControl::preferredSize(i32* w, i32* h) const {
    if (!m_widget)
        return false;
    // The size request the layout placed would come back as the minimum:
    // ask without it.
    gint requestW = -1;
    gint requestH = -1;
    gtk_widget_get_size_request(m_widget, &requestW, &requestH);
    gtk_widget_set_size_request(m_widget, -1, -1);
    GtkRequisition natural{};
    gtk_widget_get_preferred_size(m_widget, nullptr, &natural);
    gtk_widget_set_size_request(m_widget, requestW, requestH);
    *w = natural.width;
    *h = natural.height;
    return true;
}

std::string NativeControl::backgroundCss() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", m_background & 0xFF, (m_background >> 8) & 0xFF,
                  (m_background >> 16) & 0xFF);
    return buf;
}

} // namespace s::gui::win
