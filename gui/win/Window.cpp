#include "gui/win/Window.h"
#include "gui/win/NativeScale.h"
#include "gui/win/WindowInternal.h"

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

using window_detail::asImpl;

namespace {

/// Copies the part of `src` (placed at x, y) that falls into the clip
/// rectangle into `dst`; with `fromDst` the other way round.
void copyPixels(image::win::BufferedImage* dst, image::win::BufferedImage* src, i32 x, i32 y, i32 clipX,
                i32 clipY, i32 clipW, i32 clipH, bool fromDst) {
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
gboolean onKey(GtkWidget*, GdkEventKey* e, gpointer self) {
    return static_cast<Window*>(self)->handleKey(e);
}
gboolean onScroll(GtkWidget*, GdkEventScroll* e, gpointer self) {
    return static_cast<Window*>(self)->handleScroll(e);
}
gboolean onDelete(GtkWidget*, GdkEvent*, gpointer self) {
    return static_cast<Window*>(self)->handleDeleteEvent();
}
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

static void snipforge_client_area_init(SnipforgeClientArea* self) {
    self->window = nullptr;
}

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
    markClosed();
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
    // A window is never kept for reuse (kMaxPooled is 0): its release ends in
    // the destructor, so nothing is set back to a fresh window's values.
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
    if (!m_componentBuffer)
        m_componentBuffer = image::win::BufferedImage::create();
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
    for (image::win::BufferedImage** buffer : {&m_backBuffer, &m_componentBuffer}) {
        if (*buffer)
            (*buffer)->release();
        *buffer = nullptr;
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
    markClosed();
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
    std::unique_lock<std::mutex> lock(m_closedLock);
    m_closedChanged.wait(lock, [this] { return m_closed.load(); });
}

void Window::markClosed() {
    {
        std::lock_guard<std::mutex> lock(m_closedLock);
        m_closed = true;
    }
    m_closedChanged.notify_all();
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

void Window::showMessage(const char16_t* text) {
    messageBox(text, MessageBoxW::kInfo, nullptr);
}
void Window::showWarning(const char16_t* text) {
    messageBox(text, MessageBoxW::kWarning, nullptr);
}
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
    if (w <= 0 || h <= 0 || !m_backBuffer || !m_componentBuffer)
        return;
    GdkRectangle clip{0, 0, w, h};
    if (!gdk_cairo_get_clip_rectangle(cr, &clip))
        return;
    if (!m_backBuffer->prepare(w, h))
        return;
    // Only the components inside the area GTK asks for are painted; the
    // rest of the back buffer is not shown by this paint.
    fillBgr(m_backBuffer, m_background);
    paintTree(this, m_backBuffer, 0, 0, clip.x, clip.y, clip.width, clip.height);
    m_backBuffer->drawTo(cr, 0, 0, w, h, false);
    m_paintedWidth = w;
    m_paintedHeight = h;
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
        if (c->isDrawn() && m_componentBuffer->prepare(w, h)) {
            image::win::BufferedImage* img = m_componentBuffer;
            if (c->isBackgroundTransparent())
                copyPixels(back, img, x, y, 0, 0, back->getWidth(), back->getHeight(), true);
            else
                fillBgr(img, c->getBackgroundColor());
            auto dc = thread::makePooled<MemDC>();
            if (dc->create(img, false)) {
                c->paint(*dc, w, h);
                dc->flush();
                copyPixels(back, img, x, y, cx, cy, cw, ch, false);
            }
        }
        paintTree(c, back, x, y, cx, cy, cw, ch);
    }
}

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
