#include "gui/win/Component.h"

#include "gui/IWindow.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace s::gui::win {

namespace {

/// The system's button-face colour (0x00BBGGRR).
constexpr u32 kButtonFace = 0x00F0F0F0;
/// The system's inactive-caption text colour the pale background derives from.
constexpr i32 kInactiveCaptionTextR = 0;
constexpr i32 kInactiveCaptionTextG = 0;
constexpr i32 kInactiveCaptionTextB = 0;

/// Runs GTK work on the user-interface thread: at once there, else
/// synchronously through it (when it does not run, the work is dropped).
template <class F> void onUiThread(F&& fn) {
    if (UIThread::isUiThread())
        fn();
    else
        UIThread::instance().invoke(fn);
}

i32 clampChannel(i32 c) {
    return std::clamp(c, 0, 255);
}

} // namespace

Component::~Component() {
    // Pools that keep no idle objects destroy without a reset, so this is
    // the last chance to leave the tree and the window cleanly. Derived
    // parts are gone here: only the widget itself is destroyed.
    if (m_widget) {
        GtkWidget* widget = m_widget;
        m_widget = nullptr;
        onUiThread([widget] { gtk_widget_destroy(widget); });
    }
    if (m_parent) {
        IContainer* parent = m_parent;
        m_parent = nullptr;
        parent->remove(this, false);
    }
}

void Component::reset() {
    unrealize();
    if (m_parent) {
        // Released while still a child: the container must not keep a
        // dangling pointer.
        IContainer* parent = m_parent;
        parent->remove(this, false);
    }
    m_parent = nullptr;
    m_window = nullptr;
    m_x = m_y = m_width = m_height = 0;
    m_originX = m_originY = 0;
    m_frozen = false;
    m_dirty = false;
    m_visible = true;
    m_enabled = true;
    m_transparent = true;
    m_background = kButtonFace;
    m_measuredW = m_measuredH = 0;
    m_measuredMaxW = m_measuredMaxH = 0;
    m_percentW = m_percentH = -1;
    m_fixedW = m_fixedH = -1;
}

// -- geometry --

IWindow* Component::getNativeHost(i32* outX, i32* outY) const {
    i32 x = 0;
    i32 y = 0;
    IWindow* window = m_window;
    const IComponent* root = window ? window->asComponent() : nullptr;
    const IComponent* c = this;
    while (c && c != root) {
        x += c->getX() + c->getOriginX();
        y += c->getY() + c->getOriginY();
        const IContainer* parent = c->getParent();
        c = parent ? parent->asComponent() : nullptr;
    }
    if (outX)
        *outX = x;
    if (outY)
        *outY = y;
    return c ? window : nullptr;
}

namespace {

/// The screen position of the window's client area: from the native window
/// when it exists (on the user-interface thread), else the frame position.
void clientOrigin(IWindow* window, i32* outX, i32* outY) {
    *outX = window->getWindowX();
    *outY = window->getWindowY();
    if (!window->isRealized() || !UIThread::isUiThread())
        return;
    auto* fixed = static_cast<GtkWidget*>(window->getNativeContainer());
    GdkWindow* gdkWindow = fixed ? gtk_widget_get_window(fixed) : nullptr;
    if (!gdkWindow)
        return;
    gint x = 0;
    gint y = 0;
    gdk_window_get_origin(gdkWindow, &x, &y);
    GtkAllocation allocation;
    gtk_widget_get_allocation(fixed, &allocation);
    if (!gtk_widget_get_has_window(fixed)) {
        x += allocation.x;
        y += allocation.y;
    }
    *outX = x;
    *outY = y;
}

} // namespace

i32 Component::getScreenX() const {
    i32 x = 0;
    if (IWindow* window = getNativeHost(&x, nullptr); window && window->asComponent() != this) {
        i32 ox = 0;
        i32 oy = 0;
        clientOrigin(window, &ox, &oy);
        return ox + x;
    }
    return m_x + m_originX;
}

i32 Component::getScreenY() const {
    i32 y = 0;
    if (IWindow* window = getNativeHost(nullptr, &y); window && window->asComponent() != this) {
        i32 ox = 0;
        i32 oy = 0;
        clientOrigin(window, &ox, &oy);
        return oy + y;
    }
    return m_y + m_originY;
}

bool Component::contains(i32 screenX, i32 screenY) const {
    if (!isShowing())
        return false;
    const i32 x = getScreenX();
    const i32 y = getScreenY();
    return screenX >= x && screenX < x + m_width && screenY >= y && screenY < y + m_height;
}

i32 Component::getInnerWidth() const {
    return std::max(0, m_width);
}
void Component::setInnerWidth(i32 w) {
    setWidth(w);
}
i32 Component::getInnerHeight() const {
    return std::max(0, m_height);
}
void Component::setInnerHeight(i32 h) {
    setHeight(h);
}

void Component::setBounds(i32 x, i32 y, i32 w, i32 h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (x == m_x && y == m_y && w == m_width && h == m_height)
        return;
    // The area left behind is repainted (once per recorded change).
    if (!m_dirty && !m_widget && isDrawn())
        redraw();
    m_x = x;
    m_y = y;
    m_width = w;
    m_height = h;
    if (m_frozen)
        m_dirty = true;
    else
        applyBounds();
}

void Component::setOrigin(i32 dx, i32 dy) {
    if (dx == m_originX && dy == m_originY)
        return;
    if (!m_dirty && !m_widget && isDrawn())
        redraw();
    m_originX = dx;
    m_originY = dy;
    if (m_frozen)
        m_dirty = true;
    else
        applyBounds();
}

void Component::freeze() {
    m_frozen = true;
}

void Component::unfreeze() {
    m_frozen = false;
    if (m_dirty) {
        m_dirty = false;
        applyBounds();
    }
}

// -- size rules of leaf controls --

i32 Component::getMinWidth() const {
    return m_fixedW >= 0 ? m_fixedW : m_measuredW;
}
i32 Component::getMinHeight() const {
    return m_fixedH >= 0 ? m_fixedH : m_measuredH;
}

i32 Component::getMaxWidth() const {
    if (m_fixedW >= 0)
        return m_fixedW;
    if (m_percentW >= 0) {
        const i32 parentW = m_parent ? m_parent->asComponent()->getInnerWidth() : 0;
        return parentW * m_percentW / 100;
    }
    return std::max(m_measuredW, m_measuredMaxW);
}

i32 Component::getMaxHeight() const {
    if (m_fixedH >= 0)
        return m_fixedH;
    if (m_percentH >= 0) {
        const i32 parentH = m_parent ? m_parent->asComponent()->getInnerHeight() : 0;
        return parentH * m_percentH / 100;
    }
    return std::max(m_measuredH, m_measuredMaxH);
}

void Component::setMeasuredSize(i32 w, i32 h) {
    m_measuredW = std::max(0, w);
    m_measuredH = std::max(0, h);
}

void Component::setMeasuredMaxSize(i32 w, i32 h) {
    m_measuredMaxW = std::max(0, w);
    m_measuredMaxH = std::max(0, h);
}

void Component::setPercentWidth(i32 p) {
    m_percentW = p < 0 ? -1 : p;
}
void Component::setPercentHeight(i32 p) {
    m_percentH = p < 0 ? -1 : p;
}
void Component::setFixedWidth(i32 px) {
    m_fixedW = px < 0 ? -1 : px;
}
void Component::setFixedHeight(i32 px) {
    m_fixedH = px < 0 ? -1 : px;
}

void Component::setSizeWithin(i32 w, i32 h) {
    // The minimum wins over a smaller maximum.
    const i32 nw = std::max(getMinWidth(), std::min(w, getMaxWidth()));
    const i32 nh = h > 0 ? std::max(getMinHeight(), std::min(h, getMaxHeight())) : getMinHeight();
    setSize(nw, nh);
}

// -- centring --

void Component::centerInParent() {
    centerHorizontally();
    centerVertically();
}

void Component::centerHorizontally() {
    const i32 parentW = m_parent ? m_parent->asComponent()->getInnerWidth() : 0;
    setX(parentW > m_width ? (parentW - m_width) / 2 : 0);
}

void Component::centerVertically() {
    const i32 parentH = m_parent ? m_parent->asComponent()->getInnerHeight() : 0;
    setY(parentH > m_height ? (parentH - m_height) / 2 : 0);
}

// -- visibility, enabled state, background --

bool Component::isShowing() const {
    if (!m_visible)
        return false;
    for (const IContainer* p = m_parent; p; p = p->asComponent()->getParent()) {
        if (!p->asComponent()->isVisible())
            return false;
    }
    return true;
}

void Component::setVisible(bool visible, bool relayout) {
    if (visible != m_visible) {
        if (!visible)
            redraw(); // the area it leaves
        m_visible = visible;
        applyVisibility();
    }
    if (relayout && m_parent)
        m_parent->asComponent()->relayout();
}

void Component::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (m_widget) {
        GtkWidget* widget = m_widget;
        onUiThread([widget, enabled] { gtk_widget_set_sensitive(widget, enabled); });
    } else if (isDrawn()) {
        redraw();
    }
}

void Component::setBackgroundTransparent(bool redraw) {
    m_transparent = true;
    if (redraw)
        this->redraw();
}

void Component::setBackgroundSystem(bool redraw) {
    setBackgroundColor(kButtonFace & 0xFF, (kButtonFace >> 8) & 0xFF, (kButtonFace >> 16) & 0xFF, redraw);
}

void Component::setBackgroundPale(bool redraw) {
    setBackgroundColor(128 + kInactiveCaptionTextR / 2, 128 + kInactiveCaptionTextG / 2,
                       128 + kInactiveCaptionTextB / 2, redraw);
}

void Component::setBackgroundColor(i32 r, i32 g, i32 b, bool redraw) {
    m_background = static_cast<u32>(clampChannel(r)) | (static_cast<u32>(clampChannel(g)) << 8) |
                   (static_cast<u32>(clampChannel(b)) << 16);
    m_transparent = false;
    if (redraw)
        this->redraw();
}

// -- tree --

void Component::setParent(IContainer* parent) {
    IWindow* window = parent ? parent->asComponent()->getWindow() : nullptr;
    if (window != m_window) {
        // A native widget lives in the old window's container.
        unrealize();
        m_parent = parent;
        m_window = window;
        onWindowChanged();
        if (m_window)
            onLanguageChanged(); // texts given by id are read from the window's localizer
    } else {
        m_parent = parent;
    }
}

void Component::redrawRect(i32 x, i32 y, i32 w, i32 h) {
    if (w <= 0 || h <= 0)
        return;
    if (m_widget) {
        GtkWidget* widget = m_widget;
        onUiThread([widget, x, y, w, h] { gtk_widget_queue_draw_area(widget, x, y, w, h); });
        return;
    }
    if (!m_window || !m_window->isRealized() || !isShowing())
        return;
    i32 ox = 0;
    i32 oy = 0;
    if (IWindow* window = getNativeHost(&ox, &oy))
        window->invalidateArea(ox + x, oy + y, w, h);
}

// -- native side --

void Component::realize() {
    if (m_widget || !m_window || !m_window->isRealized())
        return;
    if (m_window->asComponent() == this)
        return; // the window makes its own native window
    onUiThread([this] {
        if (m_widget || !m_window)
            return;
        auto* fixed = static_cast<GtkFixed*>(m_window->getNativeContainer());
        if (!fixed)
            return;
        GtkWidget* widget = createWidget();
        if (!widget) {
            if (isDrawn())
                redraw();
            return;
        }
        i32 x = 0;
        i32 y = 0;
        getNativeHost(&x, &y);
        m_widget = widget;
        // The toolkit decides visibility; a show-all of the window must not.
        gtk_widget_set_no_show_all(widget, TRUE);
        gtk_fixed_put(fixed, widget, x, y);
        gtk_widget_set_size_request(widget, m_width, m_height);
        gtk_widget_set_sensitive(widget, m_enabled);
        gtk_widget_set_visible(widget, isShowing());
        afterRealize();
    });
}

void Component::unrealize() {
    if (!m_widget)
        return;
    onUiThread([this] {
        if (!m_widget)
            return;
        beforeUnrealize();
        GtkWidget* widget = m_widget;
        m_widget = nullptr;
        gtk_widget_destroy(widget);
    });
}

void Component::applyBounds() {
    if (m_widget) {
        onUiThread([this] {
            if (!m_widget || !m_window)
                return;
            auto* fixed = static_cast<GtkFixed*>(m_window->getNativeContainer());
            i32 x = 0;
            i32 y = 0;
            getNativeHost(&x, &y);
            if (fixed && gtk_widget_get_parent(m_widget) == GTK_WIDGET(fixed))
                gtk_fixed_move(fixed, m_widget, x, y);
            gtk_widget_set_size_request(m_widget, m_width, m_height);
        });
    } else if (isDrawn()) {
        redraw();
    }
}

void Component::applyVisibility() {
    if (m_widget) {
        GtkWidget* widget = m_widget;
        const bool showing = isShowing();
        onUiThread([widget, showing] { gtk_widget_set_visible(widget, showing); });
    } else if (isDrawn()) {
        redraw();
    }
}

} // namespace s::gui::win
