#include "gui/win/Window.h"
#include "gui/win/NativeScale.h"

#include "gui/layout/Layouts.h"
#include "gui/win/Box.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"
#include "image/Pixel.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace s::gui::win {

struct Window::SendState {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::shared_ptr<Pending>> waiting; // guarded by mutex
    Window* window = nullptr;                      // user-interface thread; null once the window is gone
};

struct Window::TimerRecord {
    Window* window = nullptr;
    i32 id = 0;
    guint source = 0;
};

namespace {

Component* asImpl(IComponent* c) { return dynamic_cast<Component*>(c); }

i32 buttonsOf(guint state) {
    i32 b = 0;
    if (state & GDK_BUTTON1_MASK)
        b |= 1;
    if (state & GDK_BUTTON2_MASK)
        b |= 2;
    if (state & GDK_BUTTON3_MASK)
        b |= 4;
    return b;
}

i32 buttonBit(guint button) {
    switch (button) {
    case 1:
        return 1;
    case 2:
        return 2;
    case 3:
        return 4;
    default:
        return 0;
    }
}

/// Copies the part of `src` (placed at x, y) that falls into the clip
/// rectangle into `dst`; with `fromDst` the other way round.
void copyPixels(image::win::BufferedImage* dst, image::win::BufferedImage* src, i32 x, i32 y, i32 clipX, i32 clipY,
                i32 clipW, i32 clipH, bool fromDst) {
    const i32 left = std::max({x, clipX, 0});
    const i32 top = std::max({y, clipY, 0});
    const i32 right = std::min({x + src->getWidth(), clipX + clipW, dst->getWidth()});
    const i32 bottom = std::min({y + src->getHeight(), clipY + clipH, dst->getHeight()});
    if (left >= right || top >= bottom)
        return;
    const std::size_t bytes = static_cast<std::size_t>(right - left) * sizeof(image::Pixel);
    for (i32 row = top; row < bottom; ++row) {
        image::Pixel* d = dst->getRow(row) + left;
        image::Pixel* s = src->getRow(row - y) + (left - x);
        if (fromDst)
            std::memcpy(s, d, bytes);
        else
            std::memcpy(d, s, bytes);
    }
}

void fillBgr(image::win::BufferedImage* img, u32 bgr) {
    img->fill(255, static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
              static_cast<int>((bgr >> 16) & 0xFF));
}

// -- GTK signal trampolines --

gboolean onDraw(GtkWidget*, cairo_t* cr, gpointer self) {
    static_cast<Window*>(self)->paintClient(cr);
    return TRUE;
}
gboolean onButton(GtkWidget*, GdkEventButton* e, gpointer self) {
    return static_cast<Window*>(self)->handleButton(e);
}
gboolean onMotion(GtkWidget*, GdkEventMotion* e, gpointer self) {
    return static_cast<Window*>(self)->handleMotion(e);
}
gboolean onCrossing(GtkWidget*, GdkEventCrossing* e, gpointer self) {
    return static_cast<Window*>(self)->handleCrossing(e);
}
gboolean onKey(GtkWidget*, GdkEventKey* e, gpointer self) { return static_cast<Window*>(self)->handleKey(e); }
gboolean onScroll(GtkWidget*, GdkEventScroll* e, gpointer self) {
    return static_cast<Window*>(self)->handleScroll(e);
}
gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self) { return static_cast<Window*>(self)->handleDeleteEvent(); }
gboolean onWindowState(GtkWidget*, GdkEventWindowState* e, gpointer self) {
    static_cast<Window*>(self)->handleWindowState(e->changed_mask, e->new_window_state);
    return FALSE;
}
gboolean onConfigure(GtkWidget* w, GdkEventConfigure*, gpointer self) {
    gint x = 0;
    gint y = 0;
    gtk_window_get_position(GTK_WINDOW(w), &x, &y);
    static_cast<Window*>(self)->handleConfigure(x, y);
    return FALSE;
}
void onActive(GObject* w, GParamSpec*, gpointer self) {
    static_cast<Window*>(self)->handleActive(gtk_window_is_active(GTK_WINDOW(w)));
}
} // namespace

// The client area: a fixed container whose size request is the layout's
// minimum rather than the extent of its children, and which lays the tree
// out for a new size before it places the native widgets. A plain fixed
// container would report where its children happen to be (so a window once
// maximized could never shrink again) and would place them where the last
// layout left them, one allocation late.
struct SnipforgeClientArea {
    GtkFixed parent;
    Window* window;
};
struct SnipforgeClientAreaClass {
    GtkFixedClass parent;
};

G_DEFINE_TYPE(SnipforgeClientArea, snipforge_client_area, GTK_TYPE_FIXED)

namespace {

void clientAreaMinimum(GtkWidget* widget, gint* width, gint* height) {
    const Window* window = reinterpret_cast<SnipforgeClientArea*>(widget)->window;
    *width = window ? window->getClientMinWidth() : 1;
    *height = window ? window->getClientMinHeight() : 1;
}

void clientAreaPreferredWidth(GtkWidget* widget, gint* minimum, gint* natural) {
    gint h = 0;
    clientAreaMinimum(widget, minimum, &h);
    *natural = *minimum;
}

void clientAreaPreferredHeight(GtkWidget* widget, gint* minimum, gint* natural) {
    gint w = 0;
    clientAreaMinimum(widget, &w, minimum);
    *natural = *minimum;
}

void clientAreaAllocate(GtkWidget* widget, GtkAllocation* a) {
    Window* window = reinterpret_cast<SnipforgeClientArea*>(widget)->window;
    // Lay out first: the fixed container then puts every native widget
    // where this size wants it, in this same allocation.
    if (window)
        window->handleClientAllocation(a->width, a->height);
    GTK_WIDGET_CLASS(snipforge_client_area_parent_class)->size_allocate(widget, a);
    // The canvas always covers the whole client area, whatever its request.
    if (window) {
        if (GtkWidget* canvas = window->getCanvas(); canvas && gtk_widget_get_parent(canvas) == widget)
            gtk_widget_size_allocate(canvas, a);
    }
}

} // namespace

static void snipforge_client_area_class_init(SnipforgeClientAreaClass* klass) {
    GtkWidgetClass* widget = GTK_WIDGET_CLASS(klass);
    widget->get_preferred_width = clientAreaPreferredWidth;
    widget->get_preferred_height = clientAreaPreferredHeight;
    widget->size_allocate = clientAreaAllocate;
}

static void snipforge_client_area_init(SnipforgeClientArea* self) { self->window = nullptr; }

namespace {

void onDragData(GtkWidget* w, GdkDragContext*, gint x, gint y, GtkSelectionData* data, guint, guint,
                gpointer self) {
    auto* window = static_cast<Window*>(self);
    auto* fixed = static_cast<GtkWidget*>(window->getNativeContainer());
    gint cx = x;
    gint cy = y;
    if (fixed)
        gtk_widget_translate_coordinates(w, fixed, x, y, &cx, &cy);
    gchar** uris = gtk_selection_data_get_uris(data);
    if (!uris)
        return;
    std::string list;
    for (gchar** u = uris; *u; ++u) {
        list += *u;
        list += "\r\n";
    }
    g_strfreev(uris);
    window->dropUriList(list.c_str(), cx, cy);
}
gboolean onTimerTick(gpointer data) {
    auto* rec = static_cast<Window::TimerRecord*>(data);
    return rec->window->handleTimer(rec->id) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}


} // namespace

// ---------------------------------------------------------------------------
// Life cycle

Window::Window() : m_send(std::make_shared<SendState>()) {
    m_window = this;
    m_manager = layout::Vertical::shared();
    m_send->window = this;
}

Window::~Window() {
    // Children and native window go while the window part still exists.
    Window::reset();
    m_send->window = nullptr;
}

void Window::reset() {
    m_closed = true;
    releaseSenders();
    MessageBoxW::forgetMainWindow(this);
    if (m_localizer)
        m_localizer->removeListener(&m_languageHook);
    m_localizer = nullptr;
    auto teardown = [this] {
        // Children first: their widgets live in the fixed container.
        Container::reset();
        destroyNative();
        // Queued deliveries that run later find no window.
        auto fresh = std::make_shared<SendState>();
        m_send->window = nullptr;
        m_send = fresh;
        m_send->window = this;
    };
    if (m_gtkWindow && !UIThread::isUiThread() && UIThread::instance().isRunning())
        UIThread::instance().invoke(teardown);
    else
        teardown();
    m_window = this;
    m_manager = layout::Vertical::shared();
    m_closed = false;
    m_veto = false;
    m_closing = false;
    m_minimized = false;
    m_maximized = false;
    m_keepOnTop = false;
    m_frameX = 0;
    m_frameY = 0;
    m_resizable = true;
    m_easyDrag = false;
    m_middleAction = kActionDoNothing;
    m_minWindowW = m_minWindowH = 0;
    m_reportedMinW = m_reportedMinH = 0;
    m_maximizeWhenMade = false;
    m_pressed = nullptr;
    m_pressedButtons = 0;
    m_hover = nullptr;
    m_keyCode = 0;
    m_keyModifiers = 0;
    m_keyChar = 0;
    m_keyHandled = false;
    m_wheelLines = 0;
    for (auto& list : m_listeners)
        list.clear();
    m_namedListeners.clear();
    m_eventName = nullptr;
    m_eventA = m_eventB = 0;
    m_eventObject = nullptr;
    m_eventResult = 0;
    m_timerId = 0;
    m_title = u"Window";
    m_titleId = -1;
    m_titleVersionId = -1;
    m_skin = nullptr;
}

bool Window::runOnUi(const std::function<void()>& fn) {
    if (UIThread::isUiThread()) {
        fn();
        return true;
    }
    if (!UIThread::instance().start())
        return false;
    return UIThread::instance().invoke(fn);
}

bool Window::createWindow() {
    runOnUi([this] { createNative(); });
    return m_realized.load();
}

void Window::realize() {
    if (!m_gtkWindow) {
        if (!UIThread::isUiThread()) {
            createWindow();
            return;
        }
        createNative();
        return;
    }
    Container::realize();
}

void Window::unrealize() {
    runOnUi([this] {
        Container::unrealize();
        destroyNative();
    });
}

void Window::createNative() {
    if (m_gtkWindow)
        return;
    applyNativeScale();
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    if (!window) {
        std::fputs("Window Creation Failed!\n", stderr);
        return;
    }
    m_gtkWindow = window;
    applyTitle();
    applyIcons();
    const i32 w = m_width > 0 ? m_width : kDefaultWidth;
    const i32 h = m_height > 0 ? m_height : kDefaultHeight;
    gtk_window_set_default_size(GTK_WINDOW(window), w, h);
    gtk_window_set_resizable(GTK_WINDOW(window), m_resizable);
    gtk_window_set_keep_above(GTK_WINDOW(window), m_keepOnTop.load());
    // Before the window maps, so that it appears maximized at once.
    if (m_maximizeWhenMade)
        gtk_window_maximize(GTK_WINDOW(window));
    m_maximizeWhenMade = false;
    if (m_frameX.load() != 0 || m_frameY.load() != 0)
        gtk_window_move(GTK_WINDOW(window), m_frameX.load(), m_frameY.load());

    m_fixed = GTK_WIDGET(g_object_new(snipforge_client_area_get_type(), nullptr));
    reinterpret_cast<SnipforgeClientArea*>(m_fixed)->window = this;
    gtk_container_add(GTK_CONTAINER(window), m_fixed);
    // The canvas draws on the window's own surface, first among the fixed's
    // children, so that the native widgets above it stay visible. Input on
    // the bare client area arrives at the top-level window.
    m_canvas = gtk_drawing_area_new();
    gtk_widget_set_has_window(m_canvas, FALSE);
    gtk_fixed_put(GTK_FIXED(m_fixed), m_canvas, 0, 0);
    g_signal_connect(m_canvas, "draw", G_CALLBACK(onDraw), this);

    gtk_widget_add_events(window, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                      GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK |
                                      GDK_KEY_PRESS_MASK | GDK_STRUCTURE_MASK);
    g_signal_connect(window, "button-press-event", G_CALLBACK(onButton), this);
    g_signal_connect(window, "button-release-event", G_CALLBACK(onButton), this);
    g_signal_connect(window, "motion-notify-event", G_CALLBACK(onMotion), this);
    g_signal_connect(window, "enter-notify-event", G_CALLBACK(onCrossing), this);
    g_signal_connect(window, "leave-notify-event", G_CALLBACK(onCrossing), this);
    g_signal_connect(window, "scroll-event", G_CALLBACK(onScroll), this);
    g_signal_connect(window, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(window, "window-state-event", G_CALLBACK(onWindowState), this);
    g_signal_connect(window, "configure-event", G_CALLBACK(onConfigure), this);
    g_signal_connect(window, "notify::is-active", G_CALLBACK(onActive), this);

    static GtkTargetEntry uriTarget = {const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_dest_set(window, GTK_DEST_DEFAULT_ALL, &uriTarget, 1, GDK_ACTION_COPY);
    g_signal_connect(window, "drag-data-received", G_CALLBACK(onDragData), this);

    applyGeometryHints();
    gtk_widget_show(m_canvas);
    gtk_widget_show(m_fixed);

    if (!m_backBuffer)
        m_backBuffer = image::win::BufferedImage::create();
    m_realized = true;
    if (m_width <= 0 || m_height <= 0) {
        m_syncingSize = true;
        setBounds(0, 0, w, h);
        m_syncingSize = false;
    }
    Container::realize();
}

void Window::destroyNative() {
    for (auto& [id, rec] : m_timers) {
        g_source_remove(rec->source);
        delete rec;
    }
    m_timers.clear();
    if (!m_gtkWindow) {
        m_realized = false;
        return;
    }
    m_realized = false;
    GtkWidget* window = m_gtkWindow;
    g_signal_handlers_disconnect_by_data(window, this);
    if (m_fixed) {
        g_signal_handlers_disconnect_by_data(m_fixed, this);
        reinterpret_cast<SnipforgeClientArea*>(m_fixed)->window = nullptr;
    }
    if (m_canvas)
        g_signal_handlers_disconnect_by_data(m_canvas, this);
    m_gtkWindow = nullptr;
    m_fixed = nullptr;
    m_canvas = nullptr;
    m_pressed = nullptr;
    m_hover = nullptr;
    gtk_widget_destroy(window);
    if (m_backBuffer) {
        m_backBuffer->release();
        m_backBuffer = nullptr;
    }
}

bool Window::invoke(const std::function<void()>& fn) {
    if (UIThread::isUiThread()) {
        fn();
        return true;
    }
    if (!UIThread::instance().isRunning())
        return false;
    return UIThread::instance().invoke(fn);
}

void Window::showWindow(bool visible, bool bringToFront) {
    runOnUi([this, visible, bringToFront] {
        if (visible) {
            createNative();
            if (!m_gtkWindow)
                return;
            m_closed = false;
            gtk_widget_show(m_gtkWindow);
            if (bringToFront)
                gtk_window_present(GTK_WINDOW(m_gtkWindow));
        } else if (m_gtkWindow) {
            gtk_widget_hide(m_gtkWindow);
        }
    });
}

void Window::activate(bool bringToFront) {
    runOnUi([this, bringToFront] {
        if (!m_gtkWindow)
            return;
        if (bringToFront) {
            gtk_window_present(GTK_WINDOW(m_gtkWindow));
        } else if (GdkWindow* gw = gtk_widget_get_window(m_gtkWindow)) {
            gdk_window_lower(gw);
        }
    });
}

void Window::minimize() {
    runOnUi([this] {
        if (m_gtkWindow)
            gtk_window_iconify(GTK_WINDOW(m_gtkWindow));
    });
}

void Window::maximize() {
    runOnUi([this] {
        if (m_gtkWindow)
            gtk_window_maximize(GTK_WINDOW(m_gtkWindow));
        else
            m_maximizeWhenMade = true;
    });
}

void Window::restore() {
    runOnUi([this] {
        m_maximizeWhenMade = false;
        if (!m_gtkWindow)
            return;
        gtk_window_deiconify(GTK_WINDOW(m_gtkWindow));
        gtk_window_unmaximize(GTK_WINDOW(m_gtkWindow));
    });
}

// ---------------------------------------------------------------------------
// Close

void Window::close() {
    if (UIThread::isUiThread() || !m_realized.load() || !UIThread::instance().isRunning()) {
        doClose();
        return;
    }
    UIThread::instance().invoke([this] { doClose(); });
}

bool Window::handleDeleteEvent() {
    doClose();
    return TRUE; // the window is hidden, never destroyed by GTK
}

void Window::doClose() {
    if (m_closed.load() || m_closing)
        return;
    m_closing = true;
    m_veto = false;
    fire(kWindowClose);
    m_closing = false;
    if (m_veto)
        return;
    if (m_gtkWindow)
        gtk_widget_hide(m_gtkWindow);
    m_closed = true;
    releaseSenders();
}

void Window::waitUntilClosed() {
    if (UIThread::isUiThread()) {
        // A wait on the interface's own thread keeps events flowing, as a
        // modal loop does; a window that was never shown cannot be closed
        // by the user, so there is nothing to wait for.
        while (!m_closed.load() && m_realized.load())
            g_main_context_iteration(nullptr, TRUE);
        return;
    }
    while (!m_closed.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// ---------------------------------------------------------------------------
// Named events

void Window::addNamedEventListener(events::IEventListener* l) {
    if (l)
        m_namedListeners.push_back({l, nullptr});
}

void Window::addNamedEventListener(event::INamedEventListener* l) {
    if (l)
        m_namedListeners.push_back({nullptr, l});
}

void Window::deliverNamed(Pending& p) {
    // A listener may send again on this thread: the outer event is kept.
    const char16_t* name = m_eventName;
    const i64 a = m_eventA;
    const i64 b = m_eventB;
    base::IObject* object = m_eventObject;
    const i64 result = m_eventResult;
    m_eventName = p.name;
    m_eventA = p.a;
    m_eventB = p.b;
    m_eventObject = p.object;
    m_eventResult = 0;
    const std::size_t n = m_namedListeners.size();
    for (std::size_t i = 0; i < n && i < m_namedListeners.size(); ++i) {
        const NamedListener l = m_namedListeners[i];
        if (l.toolkit)
            l.toolkit->onEvent(this, kWindowNamedEvent);
        else
            l.model->onNamedEvent(*this);
    }
    p.result = m_eventResult;
    m_eventName = name;
    m_eventA = a;
    m_eventB = b;
    m_eventObject = object;
    m_eventResult = result;
}

i64 Window::sendEvent(const char16_t* name, i64 a, i64 b, base::IObject* object) {
    if (!m_realized.load() || m_closed.load())
        return 0;
    if (UIThread::isUiThread()) {
        Pending p{name, a, b, object};
        deliverNamed(p);
        return p.result;
    }
    std::shared_ptr<SendState> state;
    auto pending = std::make_shared<Pending>();
    pending->name = name;
    pending->a = a;
    pending->b = b;
    pending->object = object;
    {
        // m_send is swapped only on the interface thread while the window is
        // torn down; a sender racing with that is a caller error.
        state = m_send;
        std::lock_guard lock(state->mutex);
        state->waiting.push_back(pending);
    }
    std::function<void()> run = [state, pending] {
        {
            std::lock_guard lock(state->mutex);
            if (pending->done)
                return;
        }
        Window* window = state->window;
        Pending copy = *pending;
        copy.result = 0;
        if (window && window->m_realized.load() && !window->m_closed.load())
            window->deliverNamed(copy);
        std::lock_guard lock(state->mutex);
        if (!pending->done) {
            pending->result = copy.result;
            pending->done = true;
        }
        std::erase(state->waiting, pending);
        state->changed.notify_all();
    };
    // Below GTK's layout and redraw, so that the interface repaints between
    // the events of a busy worker.
    if (!UIThread::instance().post(std::move(run), true)) {
        std::lock_guard lock(state->mutex);
        std::erase(state->waiting, pending);
        return 0;
    }
    std::unique_lock lock(state->mutex);
    while (!pending->done) {
        state->changed.wait_for(lock, std::chrono::milliseconds(50));
        // The loop ended with the job still queued: nobody will deliver it.
        if (!pending->done && !UIThread::instance().isRunning()) {
            pending->done = true;
            pending->result = 0;
            std::erase(state->waiting, pending);
        }
    }
    return pending->result;
}

void Window::releaseSenders() {
    std::shared_ptr<SendState> state = m_send;
    if (!state)
        return;
    std::lock_guard lock(state->mutex);
    for (auto& p : state->waiting) {
        if (!p->done) {
            p->done = true;
            p->result = 0;
        }
    }
    state->waiting.clear();
    state->changed.notify_all();
}

// ---------------------------------------------------------------------------
// Timers

void Window::setTimer(i32 id, i32 milliseconds) {
    runOnUi([this, id, milliseconds] {
        killTimer(id);
        auto* rec = new TimerRecord{this, id, 0};
        rec->source = g_timeout_add(static_cast<guint>(std::max(1, milliseconds)), onTimerTick, rec);
        m_timers[id] = rec;
    });
}

void Window::killTimer(i32 id) {
    runOnUi([this, id] {
        auto it = m_timers.find(id);
        if (it == m_timers.end())
            return;
        g_source_remove(it->second->source);
        delete it->second;
        m_timers.erase(it);
    });
}

bool Window::handleTimer(i32 id) {
    m_timerId = id;
    fire(kWindowTimer);
    // A listener may have killed it; its source is gone then.
    return m_timers.contains(id);
}

// ---------------------------------------------------------------------------
// Frame and behaviours

void Window::applyTitle() {
    if (m_gtkWindow)
        gtk_window_set_title(GTK_WINDOW(m_gtkWindow), toUtf8(m_title.c_str()).c_str());
}

void Window::setTitle(const char16_t* text) {
    m_title = text ? text : u"";
    m_titleId = -1;
    m_titleVersionId = -1;
    runOnUi([this] { applyTitle(); });
}

void Window::setTitleId(i32 id, i32 versionId) {
    std::u16string title = text(id);
    if (versionId >= 0) {
        title += u" v";
        title += text(versionId);
    }
    m_title = std::move(title);
    m_titleId = id;
    m_titleVersionId = versionId;
    runOnUi([this] { applyTitle(); });
}

void Window::setKeepOnTop(bool onTop) {
    m_keepOnTop = onTop;
    runOnUi([this, onTop] {
        if (m_gtkWindow)
            gtk_window_set_keep_above(GTK_WINDOW(m_gtkWindow), onTop);
    });
}

void Window::setResizable(bool resizable) {
    m_resizable = resizable;
    runOnUi([this, resizable] {
        if (m_gtkWindow)
            gtk_window_set_resizable(GTK_WINDOW(m_gtkWindow), resizable);
    });
}

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

// ---------------------------------------------------------------------------
// Localizer

void Window::LanguageHook::onEvent(base::IObject*, i32) {
    Window* w = m_window;
    w->runOnUi([w] { w->languageChanged(); });
}

void Window::setLocalizer(lang::Localizer* localizer) {
    if (localizer == m_localizer)
        return;
    if (m_localizer)
        m_localizer->removeListener(&m_languageHook);
    m_localizer = localizer;
    if (m_localizer)
        m_localizer->addListener(&m_languageHook);
}

const char16_t* Window::text(i32 id) const {
    if (!m_localizer)
        return u"";
    const char16_t* t = m_localizer->getText(id);
    return t ? t : u"";
}

void Window::forEachComponent(IComponent* c, const std::function<void(Component*)>& fn) {
    if (!c)
        return;
    if (Component* impl = asImpl(c))
        fn(impl);
    // A copy: a component may rebuild its children on the way.
    const std::vector<IComponent*> children =
        c->asContainer() ? c->asContainer()->getChildren() : std::vector<IComponent*>{};
    for (IComponent* child : children)
        forEachComponent(child, fn);
}

void Window::languageChanged() {
    if (m_titleId >= 0) {
        const i32 id = m_titleId;
        const i32 version = m_titleVersionId;
        setTitleId(id, version);
    }
    for (IComponent* child : std::vector<IComponent*>(m_children))
        forEachComponent(child, [](Component* c) { c->onLanguageChanged(); });
    fire(kWindowLanguage);
}

// ---------------------------------------------------------------------------
// Messages

void Window::messageBox(const char16_t* text, i32 kind, bool* answer) {
    const bool yes = MessageBoxW::runBox(this, kind, text, nullptr);
    if (answer)
        *answer = yes;
}

void Window::showMessage(const char16_t* text) { messageBox(text, MessageBoxW::kInfo, nullptr); }
void Window::showWarning(const char16_t* text) { messageBox(text, MessageBoxW::kWarning, nullptr); }
bool Window::askYesNo(const char16_t* text) {
    bool yes = false;
    messageBox(text, MessageBoxW::kYesNo, &yes);
    return yes;
}

// ---------------------------------------------------------------------------
// Painting

void Window::invalidateArea(i32 x, i32 y, i32 w, i32 h) {
    if (w <= 0 || h <= 0)
        return;
    auto queue = [this, x, y, w, h] {
        if (m_canvas)
            gtk_widget_queue_draw_area(m_canvas, x, y, w, h);
    };
    if (UIThread::isUiThread())
        queue();
    else if (m_realized.load())
        UIThread::instance().post(queue);
}

void Window::paintClient(cairo_t* cr) {
    const i32 w = m_width;
    const i32 h = m_height;
    if (w <= 0 || h <= 0 || !m_backBuffer)
        return;
    if (!m_backBuffer->prepare(w, h))
        return;
    fillBgr(m_backBuffer, m_background);
    GdkRectangle clip{0, 0, w, h};
    if (!gdk_cairo_get_clip_rectangle(cr, &clip))
        return;
    paintTree(this, m_backBuffer, 0, 0, 0, 0, w, h);
    m_backBuffer->drawTo(cr, 0, 0, w, h, false);
}

void Window::paintTree(IComponent* parent, image::win::BufferedImage* back, i32 offX, i32 offY, i32 clipX,
                       i32 clipY, i32 clipW, i32 clipH) {
    IContainer* container = parent->asContainer();
    if (!container)
        return;
    for (IComponent* child : container->getChildren()) {
        Component* c = asImpl(child);
        if (!c || !c->isVisible())
            continue;
        const i32 x = offX + c->getX() + c->getOriginX();
        const i32 y = offY + c->getY() + c->getOriginY();
        const i32 w = c->getWidth();
        const i32 h = c->getHeight();
        // A component shows only inside its parent, as child windows do.
        const i32 cx = std::max(x, clipX);
        const i32 cy = std::max(y, clipY);
        const i32 cw = std::min(x + w, clipX + clipW) - cx;
        const i32 ch = std::min(y + h, clipY + clipH) - cy;
        if (cw <= 0 || ch <= 0)
            continue;
        if (c->isDrawn()) {
            image::win::BufferedImage* img = image::win::BufferedImage::create();
            if (img && img->allocate(w, h)) {
                if (c->isBackgroundTransparent())
                    copyPixels(back, img, x, y, 0, 0, back->getWidth(), back->getHeight(), true);
                else
                    fillBgr(img, c->getBackgroundColor());
                auto dc = thread::makePooled<MemDC>();
                if (dc->create(img, true)) {
                    c->paint(*dc, w, h);
                    dc->flush();
                    copyPixels(back, img, x, y, cx, cy, cw, ch, false);
                }
                dc.reset(); // releases the image too
            } else if (img) {
                img->release();
            }
        }
        paintTree(c, back, x, y, cx, cy, cw, ch);
    }
}

// ---------------------------------------------------------------------------
// Input

void Window::componentsAt(IComponent* parent, i32 px, i32 py, i32 offX, i32 offY, Component** best, i32* bestX,
                          i32* bestY) const {
    IContainer* container = parent->asContainer();
    if (!container)
        return;
    const auto& children = container->getChildren();
    // The last child is painted last, so it is the one on top.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        Component* c = asImpl(*it);
        if (!c || !c->isVisible())
            continue;
        const i32 x = offX + c->getX() + c->getOriginX();
        const i32 y = offY + c->getY() + c->getOriginY();
        if (px < x || py < y || px >= x + c->getWidth() || py >= y + c->getHeight())
            continue;
        if (c->isDrawn()) {
            *best = c;
            *bestX = x;
            *bestY = y;
        }
        componentsAt(c, px, py, x, y, best, bestX, bestY);
        return;
    }
}

Component* Window::drawnAt(i32 x, i32 y, i32* outX, i32* outY) const {
    Component* best = nullptr;
    i32 bx = 0;
    i32 by = 0;
    componentsAt(const_cast<Window*>(this), x, y, 0, 0, &best, &bx, &by);
    if (outX)
        *outX = bx;
    if (outY)
        *outY = by;
    return best;
}

namespace {

bool inTree(const IComponent* root, const IComponent* c) {
    if (root == c)
        return true;
    const IContainer* container = const_cast<IComponent*>(root)->asContainer();
    if (!container)
        return false;
    for (IComponent* child : container->getChildren()) {
        if (inTree(child, c))
            return true;
    }
    return false;
}

} // namespace

void Window::routeMouse(Component* target, i32 offX, i32 offY, MouseEvent event) {
    if (!target)
        return;
    event.x -= offX;
    event.y -= offY;
    target->onMouse(event);
}

void Window::setHover(Component* c, i32 x, i32 y) {
    if (m_hover && !inTree(this, m_hover))
        m_hover = nullptr;
    if (c == m_hover)
        return;
    if (m_hover) {
        MouseEvent leave;
        leave.kind = MouseEvent::kLeave;
        leave.x = x;
        leave.y = y;
        routeMouse(m_hover, m_hoverX, m_hoverY, leave);
    }
    m_hover = c;
    if (c) {
        drawnAt(x, y, &m_hoverX, &m_hoverY);
        MouseEvent enter;
        enter.kind = MouseEvent::kEnter;
        enter.x = x;
        enter.y = y;
        routeMouse(c, m_hoverX, m_hoverY, enter);
    }
}

namespace {

/// Client coordinates of an event on the top-level window; false when the
/// event happened on another surface (a native control's).
bool clientPoint(GtkWidget* window, GtkWidget* fixed, GdkWindow* eventWindow, double ex, double ey, i32* x,
                 i32* y) {
    if (!window || !fixed || eventWindow != gtk_widget_get_window(window))
        return false;
    gint cx = 0;
    gint cy = 0;
    if (!gtk_widget_translate_coordinates(window, fixed, static_cast<gint>(ex), static_cast<gint>(ey), &cx, &cy))
        return false;
    *x = cx;
    *y = cy;
    return true;
}

} // namespace

bool Window::handleButton(GdkEventButton* e) {
    i32 x = 0;
    i32 y = 0;
    if (!clientPoint(m_gtkWindow, m_fixed, e->window, e->x, e->y, &x, &y))
        return false;
    if (m_pressed && !inTree(this, m_pressed)) {
        m_pressed = nullptr;
        m_pressedButtons = 0;
    }
    MouseEvent me;
    me.x = x;
    me.y = y;
    me.button = static_cast<i32>(e->button);
    me.buttons = buttonsOf(e->state);

    if (e->type == GDK_2BUTTON_PRESS) {
        if (e->button == 1)
            fire(kWindowDoubleClick);
        me.kind = MouseEvent::kDoubleClick;
        i32 ox = 0;
        i32 oy = 0;
        Component* target = m_pressed ? m_pressed : drawnAt(x, y, &ox, &oy);
        if (m_pressed) {
            ox = m_pressedX;
            oy = m_pressedY;
        }
        routeMouse(target, ox, oy, me);
        return true;
    }
    if (e->type == GDK_3BUTTON_PRESS)
        return true;

    if (e->type == GDK_BUTTON_PRESS) {
        switch (e->button) {
        case 1:
            fire(kWindowLeftButton);
            break;
        case 2:
            fire(kWindowMiddleButton);
            break;
        case 3:
            fire(kWindowRightButton);
            break;
        default:
            break;
        }
        if (!m_gtkWindow)
            return true; // a listener closed and destroyed the window
        me.kind = MouseEvent::kPress;
        bool handled = false;
        if (!m_pressed) {
            m_pressed = drawnAt(x, y, &m_pressedX, &m_pressedY);
            m_pressedButtons = 0;
        }
        if (m_pressed) {
            m_pressedButtons |= buttonBit(e->button);
            me.x -= m_pressedX;
            me.y -= m_pressedY;
            handled = m_pressed->onMouse(me);
        }
        if (e->button == 2) {
            if (m_middleAction == kActionClose) {
                doClose();
            } else if (m_middleAction == kActionIconize) {
                // No tray here: iconify instead.
                if (m_gtkWindow)
                    gtk_window_iconify(GTK_WINDOW(m_gtkWindow));
            }
        } else if (e->button == 1 && !handled && m_easyDrag && m_gtkWindow) {
            // The window manager takes the pointer: no release will come.
            m_pressed = nullptr;
            m_pressedButtons = 0;
            gtk_window_begin_move_drag(GTK_WINDOW(m_gtkWindow), 1, static_cast<gint>(e->x_root),
                                       static_cast<gint>(e->y_root), e->time);
        }
        return true;
    }

    if (e->type == GDK_BUTTON_RELEASE) {
        if (e->button == 1)
            fire(kWindowLeftButtonUp);
        else if (e->button == 3)
            fire(kWindowRightButtonUp);
        if (!m_gtkWindow)
            return true;
        me.kind = MouseEvent::kRelease;
        me.buttons &= ~buttonBit(e->button);
        if (m_pressed) {
            Component* target = m_pressed;
            m_pressedButtons &= ~buttonBit(e->button);
            if (m_pressedButtons == 0)
                m_pressed = nullptr;
            me.x -= m_pressedX;
            me.y -= m_pressedY;
            target->onMouse(me);
        } else {
            i32 ox = 0;
            i32 oy = 0;
            routeMouse(drawnAt(x, y, &ox, &oy), ox, oy, me);
        }
        if (!m_pressed)
            setHover(drawnAt(x, y, nullptr, nullptr), x, y);
        return true;
    }
    return false;
}

bool Window::handleMotion(GdkEventMotion* e) {
    i32 x = 0;
    i32 y = 0;
    if (!clientPoint(m_gtkWindow, m_fixed, e->window, e->x, e->y, &x, &y))
        return false;
    fire(kWindowMouseMove);
    if (!m_gtkWindow)
        return true;
    MouseEvent me;
    me.kind = MouseEvent::kMove;
    me.x = x;
    me.y = y;
    me.buttons = buttonsOf(e->state);
    if (m_pressed && !inTree(this, m_pressed)) {
        m_pressed = nullptr;
        m_pressedButtons = 0;
    }
    if (m_pressed) {
        routeMouse(m_pressed, m_pressedX, m_pressedY, me);
        return true;
    }
    setHover(drawnAt(x, y, nullptr, nullptr), x, y);
    if (m_hover)
        routeMouse(m_hover, m_hoverX, m_hoverY, me);
    return true;
}

bool Window::handleCrossing(GdkEventCrossing* e) {
    if (e->type == GDK_LEAVE_NOTIFY) {
        if (!m_pressed)
            setHover(nullptr, static_cast<i32>(e->x), static_cast<i32>(e->y));
        return false;
    }
    i32 x = 0;
    i32 y = 0;
    if (!m_pressed && clientPoint(m_gtkWindow, m_fixed, e->window, e->x, e->y, &x, &y))
        setHover(drawnAt(x, y, nullptr, nullptr), x, y);
    return false;
}

i32 Window::keyCodeOf(u32 keyval) {
    switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        return 13;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
        return 9;
    case GDK_KEY_Escape:
        return 27;
    case GDK_KEY_BackSpace:
        return 8;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        return 32;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return 33;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return 34;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return 35;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return 36;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return 37;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return 38;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return 39;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return 40;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert:
        return 45;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return 46;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return 16;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return 17;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
        return 18;
    case GDK_KEY_bracketleft:
        return 219;
    case GDK_KEY_bracketright:
        return 221;
    default:
        break;
    }
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z)
        return static_cast<i32>(keyval - GDK_KEY_a) + 'A';
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z)
        return static_cast<i32>(keyval - GDK_KEY_A) + 'A';
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9)
        return static_cast<i32>(keyval - GDK_KEY_0) + '0';
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9)
        return static_cast<i32>(keyval - GDK_KEY_KP_0) + 96;
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12)
        return static_cast<i32>(keyval - GDK_KEY_F1) + 112;
    return 0;
}

bool Window::handleKey(GdkEventKey* e) {
    // The focused control sees its keys first (typing into a text field),
    // as keys go to the focused control before its window elsewhere.
    if (gtk_window_propagate_key_event(GTK_WINDOW(m_gtkWindow), e))
        return true;
    m_keyCode = keyCodeOf(e->keyval);
    m_keyModifiers = ((e->state & GDK_SHIFT_MASK) ? kKeyShift : 0) |
                     ((e->state & GDK_CONTROL_MASK) ? kKeyControl : 0) | ((e->state & GDK_MOD1_MASK) ? kKeyAlt : 0);
    m_keyChar = gdk_keyval_to_unicode(e->keyval);
    m_keyHandled = false;
    fire(kWindowKey);
    if (m_keyHandled || m_keyCode == 13)
        return true;
    // Tab follows the tree, which is the order of the layout; GTK's own
    // order goes by the middle of each widget and mixes up a row of
    // controls of different heights.
    if (m_keyCode == 9 && !(m_keyModifiers & (kKeyControl | kKeyAlt)))
        return moveFocus((m_keyModifiers & kKeyShift) == 0);
    // Other keys go on to the window's own handling (the arrows move the
    // focus, mnemonics).
    return false;
}

bool Window::moveFocus(bool forward) {
    if (!m_gtkWindow)
        return false;
    std::vector<Component*> order;
    forEachComponent(this, [&](Component* c) {
        if (c != static_cast<Component*>(this) && c->getWidget() && c->isShowing())
            order.push_back(c);
    });
    if (order.empty())
        return false;
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(m_gtkWindow));
    const i32 count = static_cast<i32>(order.size());
    i32 current = -1;
    for (i32 i = 0; i < count && focus; ++i) {
        GtkWidget* w = order[static_cast<std::size_t>(i)]->getWidget();
        if (w == focus || gtk_widget_is_ancestor(focus, w))
            current = i;
    }
    const GtkDirectionType direction = forward ? GTK_DIR_TAB_FORWARD : GTK_DIR_TAB_BACKWARD;
    const i32 step = forward ? 1 : -1;
    i32 at = current >= 0 ? current : (forward ? -1 : count);
    for (i32 tried = 0; tried < count; ++tried) {
        at = (at + step + count) % count;
        if (at == current)
            break;
        GtkWidget* w = order[static_cast<std::size_t>(at)]->getWidget();
        // Takes the focus itself or gives it to a child of its own (the
        // button of a combo box); hidden and disabled widgets decline.
        if (gtk_widget_is_visible(w) && gtk_widget_child_focus(w, direction))
            return true;
    }
    return false;
}

namespace {

/// Offers a wheel turn at (x, y), in `parent`'s coordinates, to its showing
/// child boxes under the point (a box hands it on to its own children);
/// other containers pass it to theirs.
bool offerWheel(IComponent* parent, i32 lines, i32 x, i32 y) {
    IContainer* container = parent->asContainer();
    if (!container)
        return false;
    for (IComponent* child : std::vector<IComponent*>(container->getChildren())) {
        if (!child->isVisible() || !child->asContainer())
            continue;
        const i32 cx = child->getX() + child->getOriginX();
        const i32 cy = child->getY() + child->getOriginY();
        if (x < cx || y < cy || x >= cx + child->getWidth() || y >= cy + child->getHeight())
            continue;
        if (auto* box = dynamic_cast<Box*>(child)) {
            if (box->wheel(lines, x - cx, y - cy))
                return true;
        } else if (offerWheel(child, lines, x - cx, y - cy)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool Window::handleScroll(GdkEventScroll* e) {
    i32 x = 0;
    i32 y = 0;
    if (!clientPoint(m_gtkWindow, m_fixed, e->window, e->x, e->y, &x, &y))
        return false;
    i32 notches = 0;
    switch (e->direction) {
    case GDK_SCROLL_UP:
        notches = 1;
        break;
    case GDK_SCROLL_DOWN:
        notches = -1;
        break;
    case GDK_SCROLL_SMOOTH:
        notches = e->delta_y < 0 ? 1 : (e->delta_y > 0 ? -1 : 0);
        break;
    default:
        break;
    }
    if (notches == 0)
        return false;
    const i32 lines = notches * kWheelScrollLines;
    // Offered to the visible containers under the pointer first, in order.
    if (offerWheel(this, lines, x, y))
        return true;
    m_wheelLines = lines;
    fire(kWindowWheel);
    return true;
}

// ---------------------------------------------------------------------------
// Drops

namespace {

/// The deepest showing box at (px, py) that `accepts`.
Box* acceptingBoxAt(IComponent* parent, i32 px, i32 py, i32 offX, i32 offY, bool files) {
    IContainer* container = parent->asContainer();
    if (!container)
        return nullptr;
    const auto& children = container->getChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        IComponent* c = *it;
        if (!c->isVisible())
            continue;
        const i32 x = offX + c->getX() + c->getOriginX();
        const i32 y = offY + c->getY() + c->getOriginY();
        if (px < x || py < y || px >= x + c->getWidth() || py >= y + c->getHeight())
            continue;
        if (Box* deeper = acceptingBoxAt(c, px, py, x, y, files))
            return deeper;
        auto* box = dynamic_cast<Box*>(c);
        if (box && (files ? box->isAcceptFiles() : box->isAcceptUrls()))
            return box;
        return nullptr;
    }
    return nullptr;
}

} // namespace

bool Window::dropUriList(const char* uriList, i32 x, i32 y) {
    if (!uriList)
        return false;
    gchar** uris = g_uri_list_extract_uris(uriList);
    if (!uris)
        return false;
    std::vector<std::u16string> paths;
    std::vector<std::u16string> urls;
    for (gchar** u = uris; *u; ++u) {
        gchar* scheme = g_uri_parse_scheme(*u);
        const bool isFile = scheme && g_ascii_strcasecmp(scheme, "file") == 0;
        g_free(scheme);
        if (isFile) {
            gchar* host = nullptr;
            gchar* path = g_filename_from_uri(*u, &host, nullptr);
            // Another machine's file is no path here.
            const bool local = !host || !*host || g_ascii_strcasecmp(host, "localhost") == 0 ||
                               g_ascii_strcasecmp(host, g_get_host_name()) == 0;
            g_free(host);
            if (!path || !local) {
                g_free(path);
                continue;
            }
            gchar* utf8 = g_filename_to_utf8(path, -1, nullptr, nullptr, nullptr);
            if (!utf8)
                utf8 = g_filename_display_name(path);
            paths.push_back(fromUtf8(utf8));
            g_free(utf8);
            g_free(path);
        } else if (**u) {
            urls.push_back(fromUtf8(*u));
        }
    }
    g_strfreev(uris);
    bool taken = false;
    if (!paths.empty()) {
        if (Box* box = acceptingBoxAt(this, x, y, 0, 0, true)) {
            box->dropFiles(paths);
            taken = true;
        }
    }
    for (const std::u16string& url : urls) {
        if (Box* box = acceptingBoxAt(this, x, y, 0, 0, false)) {
            box->dropUrl(url);
            taken = true;
        }
    }
    return taken;
}

// ---------------------------------------------------------------------------
// Window notifications

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

void Window::handleActive(bool active) { fire(active ? kWindowActivate : kWindowDeactivate); }

} // namespace s::gui::win

namespace s::gui::win {

namespace {

/// A pixbuf copy of an image buffer (both keep straight alpha).
GdkPixbuf* pixbufOf(image::win::BufferedImage* image) {
    if (!image || image->getWidth() <= 0 || image->getHeight() <= 0)
        return nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image->getWidth(), image->getHeight());
    if (!pixbuf)
        return nullptr;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (i32 y = 0; y < image->getHeight(); ++y) {
        const image::Pixel* row = image->getRow(y);
        guchar* out = pixels + static_cast<std::size_t>(y) * stride;
        for (i32 x = 0; x < image->getWidth(); ++x) {
            out[4 * x + 0] = static_cast<guchar>(image::redOf(row[x]));
            out[4 * x + 1] = static_cast<guchar>(image::greenOf(row[x]));
            out[4 * x + 2] = static_cast<guchar>(image::blueOf(row[x]));
            out[4 * x + 3] = static_cast<guchar>(image::alphaOf(row[x]));
        }
    }
    return pixbuf;
}

} // namespace

void Window::setIcons(image::win::BufferedImage* small, image::win::BufferedImage* big) {
    m_smallIcon = small;
    m_bigIcon = big;
    runOnUi([this] { applyIcons(); });
}

void Window::applyIcons() {
    if (!m_gtkWindow)
        return;
    GList* icons = nullptr;
    for (image::win::BufferedImage* image : {m_smallIcon, m_bigIcon})
        if (GdkPixbuf* pixbuf = pixbufOf(image))
            icons = g_list_append(icons, pixbuf);
    if (icons)
        gtk_window_set_icon_list(GTK_WINDOW(m_gtkWindow), icons);
    g_list_free_full(icons, g_object_unref);
}

} // namespace s::gui::win
