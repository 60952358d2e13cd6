#include "gui/win/Slider.h"

#include "gui/Scale.h"
#include "gui/drawer/IDrawer.h"
#include "image/win/MemDC.h"
#include "image/win/BufferedImage.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace s::gui::win {

namespace {
/// More marks than this are not drawn: they would merge into a bar.
constexpr i32 kMaxTickMarks = 1000;
} // namespace

Slider::Slider() { remeasure(); }

Slider::~Slider() {
    unrealize();
    if (m_drawer && m_ownsDrawer)
        m_drawer->release();
}

void Slider::reset() {
    NativeControl::reset();
    if (m_drawer && m_ownsDrawer)
        m_drawer->release();
    m_drawer = nullptr;
    m_ownsDrawer = false;
    m_min = 0;
    m_max = 100;
    m_position = 0;
    m_second = 100;
    m_tickFrequency = 1;
    m_pageSize = 10;
    m_lineSize = 1;
    m_tickMarks = false;
    m_thumbLength = -1;
    m_rangeMode = false;
    m_changeListeners.clear();
    m_updating = false;
    m_dragThumb = 0;
    m_hot = false;
    m_wheelRest = 0;
    remeasure();
}

// -- state --

i32 Slider::clampFirst(i32 pos) const {
    pos = std::clamp(pos, m_min, m_max);
    if (m_rangeMode)
        pos = std::max(m_min, std::min(pos, m_second - 1));
    return pos;
}

i32 Slider::clampSecond(i32 pos) const {
    pos = std::clamp(pos, m_min, m_max);
    return std::min(m_max, std::max(pos, m_position + 1));
}

void Slider::setRange(i32 min, i32 max) {
    m_min = min;
    m_max = std::max(min, max);
    // The positions follow into the new range, the second one first so that
    // the first can stay below it.
    m_second = std::clamp(m_second, m_min, m_max);
    m_position = std::clamp(m_position, m_min, m_max);
    if (m_rangeMode) {
        if (m_second <= m_position)
            m_second = std::min(m_max, m_position + 1);
        m_position = clampFirst(m_position);
    }
    applyToWidget();
    applyMarks();
}

void Slider::setPosition(i32 pos) {
    const i32 p = clampFirst(pos);
    if (p == m_position)
        return;
    m_position = p;
    applyToWidget();
}

void Slider::setSecondPosition(i32 pos) {
    const i32 p = clampSecond(pos);
    if (p == m_second)
        return;
    m_second = p;
    applyToWidget();
    m_changeListeners.fire(this, kSliderChanged);
}

void Slider::setTickFrequency(i32 n) {
    n = std::max(1, n);
    m_tickFrequency = n;
    m_pageSize = 10 * n;
    m_lineSize = n;
    applyToWidget();
    applyMarks();
}

void Slider::setTickMarks(bool tickMarks) {
    m_tickMarks = tickMarks;
    applyMarks();
}

void Slider::setThumbLength(i32 px) {
    m_thumbLength = px;
    applyThumbCss();
    if (m_widget && isDrawnSlider())
        gtk_widget_queue_draw(m_widget);
    remeasure();
}

void Slider::setDrawer(drawer::ISlider* drawer, bool owned) {
    if (drawer == m_drawer) {
        m_ownsDrawer = owned;
        return;
    }
    const bool wasDrawn = isDrawnSlider();
    if (m_drawer && m_ownsDrawer)
        m_drawer->release();
    m_drawer = drawer;
    m_ownsDrawer = drawer && owned;
    if (wasDrawn != isDrawnSlider())
        rebuildWidget();
    else if (m_widget)
        gtk_widget_queue_draw(m_widget);
}

void Slider::setRangeMode(bool rangeMode) {
    if (rangeMode == m_rangeMode)
        return;
    const bool wasDrawn = isDrawnSlider();
    m_rangeMode = rangeMode;
    if (rangeMode) {
        m_second = std::clamp(m_second, m_min, m_max);
        if (m_second <= m_position)
            m_second = std::min(m_max, m_position + 1);
        m_position = clampFirst(m_position);
    }
    if (wasDrawn != isDrawnSlider())
        rebuildWidget();
    else if (m_widget)
        gtk_widget_queue_draw(m_widget);
}

void Slider::moveThumb(i32 thumb, i32 pos) {
    if (thumb == 2) {
        setSecondPosition(pos);
        return;
    }
    const i32 p = clampFirst(pos);
    if (p == m_position) {
        applyToWidget(); // the platform's slider may show an unclamped value
        return;
    }
    m_position = p;
    applyToWidget();
    m_changeListeners.fire(this, kSliderChanged);
}

// -- input --

void Slider::userValue(double value) { moveThumb(1, static_cast<i32>(std::lround(value))); }

bool Slider::userKey(u32 keyval) {
    switch (keyval) {
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        moveThumb(1, m_position + m_pageSize);
        return true;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        moveThumb(1, m_position - m_pageSize);
        return true;
    default:
        break;
    }
    if (!isDrawnSlider())
        return false; // the platform's keys
    switch (keyval) {
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        moveThumb(1, m_position + m_lineSize);
        return true;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        moveThumb(1, m_position - m_lineSize);
        return true;
    case GDK_KEY_Page_Down:
        moveThumb(1, m_position + m_pageSize);
        return true;
    case GDK_KEY_Page_Up:
        moveThumb(1, m_position - m_pageSize);
        return true;
    case GDK_KEY_Home:
        moveThumb(1, m_min);
        return true;
    case GDK_KEY_End:
        moveThumb(1, m_max);
        return true;
    default:
        return false;
    }
}

void Slider::channel(i32 width, i32* left, i32* right) const {
    const i32 thumb = m_thumbLength > 0 ? m_thumbLength : 10 * displayScale();
    if (m_drawer) {
        m_drawer->getChannel(width, thumb, left, right);
        return;
    }
    *left = thumb / 2;
    *right = std::max(*left, width - 1 - thumb / 2);
}

i32 Slider::positionAt(i32 x, i32 width) const {
    i32 left = 0;
    i32 right = 0;
    channel(width, &left, &right);
    if (right <= left)
        return m_min;
    const double span = static_cast<double>(m_max) - m_min;
    return static_cast<i32>(std::lround(m_min + span * (x - left) / (right - left)));
}

i32 Slider::thumbAt(i32 x, i32 width) const {
    const i64 span = static_cast<i64>(m_max) - m_min;
    auto placeOf = [&](i32 pos) -> i64 {
        // Measured from the range's start, so that a range not starting at 0
        // keeps its places on the slider.
        return span > 0 ? (static_cast<i64>(pos) - m_min) * (width - kThumbPlace) / span : 0;
    };
    const i64 first = placeOf(m_position);
    if (x >= first && x < first + kThumbPlace)
        return 1;
    const i64 second = placeOf(m_second);
    if (x >= second && x < second + kThumbPlace)
        return 2;
    return 0;
}

void Slider::userPress(i32 x, i32 width) {
    const i32 thumb = m_rangeMode ? thumbAt(x, width) : 1;
    if (thumb == 0)
        return; // beside both thumbs: nothing
    m_dragThumb = thumb;
    moveThumb(thumb, positionAt(x, width));
    if (m_widget)
        gtk_widget_queue_draw(m_widget);
}

void Slider::userDrag(i32 x, i32 width) {
    if (m_dragThumb)
        moveThumb(m_dragThumb, positionAt(x, width));
}

void Slider::userRelease() {
    m_dragThumb = 0;
    if (m_widget)
        gtk_widget_queue_draw(m_widget);
}

void Slider::userWheel(i32 lines) {
    if (lines)
        moveThumb(1, m_position + lines * m_lineSize);
}

// -- widget --

GtkWidget* Slider::createWidget() {
    if (isDrawnSlider()) {
        GtkWidget* area = gtk_drawing_area_new();
        gtk_widget_set_can_focus(area, TRUE);
        gtk_widget_add_events(area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                        GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_SCROLL_MASK |
                                        GDK_SMOOTH_SCROLL_MASK | GDK_KEY_PRESS_MASK);
        return area;
    }
    // A click beside the thumb pages toward the click, as the track bars of
    // other platforms do, instead of warping the thumb there. The setting is
    // the process's; the toolkit's sliders are its only GTK ranges.
    g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE, nullptr);
    GtkAdjustment* adjustment = gtk_adjustment_new(m_position, m_min, m_max, m_lineSize, m_pageSize, 0);
    GtkWidget* scale = gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, adjustment);
    gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
    gtk_scale_set_digits(GTK_SCALE(scale), 0);
    gtk_range_set_round_digits(GTK_RANGE(scale), 0);
    return scale;
}

void Slider::afterRealize() {
    connect(m_widget, "key-press-event", reinterpret_cast<void (*)()>(onKeyPress));
    if (isDrawnSlider()) {
        connect(m_widget, "draw", reinterpret_cast<void (*)()>(onDraw));
        connect(m_widget, "button-press-event", reinterpret_cast<void (*)()>(onPress));
        connect(m_widget, "button-release-event", reinterpret_cast<void (*)()>(onRelease));
        connect(m_widget, "motion-notify-event", reinterpret_cast<void (*)()>(onMotion));
        connect(m_widget, "enter-notify-event", reinterpret_cast<void (*)()>(onCrossing));
        connect(m_widget, "leave-notify-event", reinterpret_cast<void (*)()>(onCrossing));
        connect(m_widget, "scroll-event", reinterpret_cast<void (*)()>(onScroll));
    } else {
        applyToWidget();
        applyMarks();
        applyThumbCss();
        connect(m_widget, "value-changed", reinterpret_cast<void (*)()>(onValueChanged));
    }
    remeasure();
}

void Slider::beforeUnrealize() {
    // Every user change is stored as it happens; nothing to read back.
    m_dragThumb = 0;
    NativeControl::beforeUnrealize();
}

void Slider::rebuildWidget() {
    if (!m_widget)
        return;
    unrealize();
    realize();
}

void Slider::applyToWidget() {
    if (!m_widget)
        return;
    if (isDrawnSlider()) {
        gtk_widget_queue_draw(m_widget);
        return;
    }
    m_updating = true;
    GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(m_widget));
    gtk_adjustment_configure(adjustment, m_position, m_min, m_max, m_lineSize, m_pageSize, 0);
    m_updating = false;
}

void Slider::applyMarks() {
    if (!m_widget || isDrawnSlider())
        return;
    GtkScale* scale = GTK_SCALE(m_widget);
    gtk_scale_clear_marks(scale);
    if (!m_tickMarks)
        return;
    const i64 count = (static_cast<i64>(m_max) - m_min) / m_tickFrequency + 1;
    if (count > kMaxTickMarks)
        return;
    for (i64 v = m_min; v <= m_max; v += m_tickFrequency)
        gtk_scale_add_mark(scale, static_cast<double>(v), GTK_POS_BOTTOM, nullptr);
}

void Slider::applyThumbCss() {
    if (!m_widget || isDrawnSlider())
        return;
    std::string css = "scale { min-height: 0; min-width: 0; }\n";
    if (m_thumbLength > 0) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "scale slider { min-width: %dpx; }\n", m_thumbLength);
        css += buf;
    }
    setWidgetCss(css);
}

void Slider::remeasure() {
    i32 w = 0;
    i32 h = 0;
    if (isDrawnSlider() || !preferredSize(&w, &h)) {
        const i32 s = displayScale();
        const i32 thumb = m_thumbLength > 0 ? m_thumbLength : 10 * s;
        w = std::max(2 * thumb, 40 * s);
        h = 22 * s;
    }
    if (w == m_measuredW && h == m_measuredH)
        return;
    setMeasuredSize(w, h);
    if (m_parent && m_widget && isShowing())
        m_parent->asComponent()->relayout();
}

u32 Slider::parentBackground() const {
    for (const IComponent* c = this; c;) {
        if (!c->isBackgroundTransparent())
            return c->getBackgroundColor();
        const IContainer* parent = c->getParent();
        c = parent ? parent->asComponent() : nullptr;
    }
    return m_background;
}

void Slider::paintPlain(cairo_t* cr, i32 w, i32 h) {
    // A groove and plain thumbs, for a slider with a second thumb but no
    // drawer of its own.
    i32 left = 0;
    i32 right = 0;
    channel(w, &left, &right);
    const i32 thumb = m_thumbLength > 0 ? m_thumbLength : 10 * displayScale();
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_rectangle(cr, left, h / 2 - 1, right - left + 1, 3);
    cairo_fill(cr);
    auto thumbAtPos = [&](i32 pos) {
        const double span = std::max(1.0, static_cast<double>(m_max) - m_min);
        const double centre = left + (right - left) * (pos - m_min) / span;
        cairo_set_source_rgb(cr, m_dragThumb ? 0.25 : 0.35, m_dragThumb ? 0.25 : 0.35, m_hot ? 0.55 : 0.35);
        cairo_rectangle(cr, std::round(centre - thumb / 2.0), 2, thumb, std::max(1, h - 4));
        cairo_fill(cr);
    };
    thumbAtPos(m_position);
    if (m_rangeMode)
        thumbAtPos(m_second);
}

void Slider::paintDrawn(cairo_t* cr, i32 w, i32 h) {
    if (w <= 0 || h <= 0)
        return;
    image::win::BufferedImage* image = image::win::BufferedImage::create();
    MemDC* dc = MemDC::create();
    if (!image->allocate(w, h) || !dc->create(image, true)) {
        dc->release();
        image->release();
        return;
    }
    cairo_t* c = dc->getContext();
    const u32 bg = parentBackground();
    cairo_set_source_rgb(c, (bg & 0xFF) / 255.0, ((bg >> 8) & 0xFF) / 255.0, ((bg >> 16) & 0xFF) / 255.0);
    cairo_paint(c);
    if (m_drawer) {
        const i32 thumb = m_thumbLength > 0 ? m_thumbLength : 10 * displayScale();
        m_drawer->paintSlider(*dc, 0, 0, w, h, m_min, m_max, m_position, m_second, m_rangeMode, thumb, m_hot,
                              m_dragThumb != 0);
    } else {
        paintPlain(c, w, h);
    }
    dc->flush();
    image->drawTo(cr, 0, 0, w, h, false);
    dc->release(); // and the image it owns
}

// -- signal handlers --

void Slider::onValueChanged(void* widget, void* data) {
    Slider* self = controlOf<Slider>(data);
    if (!self->m_updating)
        self->userValue(gtk_range_get_value(GTK_RANGE(widget)));
}

int Slider::onKeyPress(void*, void* event, void* data) {
    return controlOf<Slider>(data)->userKey(static_cast<GdkEventKey*>(event)->keyval) ? TRUE : FALSE;
}

int Slider::onDraw(void* widget, cairo_t* cr, void* data) {
    auto* w = static_cast<GtkWidget*>(widget);
    controlOf<Slider>(data)->paintDrawn(cr, gtk_widget_get_allocated_width(w), gtk_widget_get_allocated_height(w));
    return FALSE;
}

int Slider::onPress(void* widget, void* event, void* data) {
    auto* e = static_cast<GdkEventButton*>(event);
    if (e->type != GDK_BUTTON_PRESS || e->button != 1)
        return FALSE;
    auto* w = static_cast<GtkWidget*>(widget);
    gtk_widget_grab_focus(w);
    // GTK holds the pointer for the pressed widget until the release.
    controlOf<Slider>(data)->userPress(static_cast<i32>(e->x), gtk_widget_get_allocated_width(w));
    return TRUE;
}

int Slider::onRelease(void*, void* event, void* data) {
    if (static_cast<GdkEventButton*>(event)->button != 1)
        return FALSE;
    controlOf<Slider>(data)->userRelease();
    return TRUE;
}

int Slider::onMotion(void* widget, void* event, void* data) {
    auto* e = static_cast<GdkEventMotion*>(event);
    if (!(e->state & GDK_BUTTON1_MASK))
        return FALSE;
    controlOf<Slider>(data)->userDrag(static_cast<i32>(e->x),
                                      gtk_widget_get_allocated_width(static_cast<GtkWidget*>(widget)));
    return TRUE;
}

int Slider::onCrossing(void* widget, void* event, void* data) {
    Slider* self = controlOf<Slider>(data);
    self->m_hot = static_cast<GdkEventCrossing*>(event)->type == GDK_ENTER_NOTIFY;
    gtk_widget_queue_draw(static_cast<GtkWidget*>(widget));
    return FALSE;
}

int Slider::onScroll(void*, void* event, void* data) {
    auto* e = static_cast<GdkEventScroll*>(event);
    Slider* self = controlOf<Slider>(data);
    i32 lines = 0;
    switch (e->direction) {
    case GDK_SCROLL_UP:
    case GDK_SCROLL_RIGHT:
        lines = 1;
        break;
    case GDK_SCROLL_DOWN:
    case GDK_SCROLL_LEFT:
        lines = -1;
        break;
    case GDK_SCROLL_SMOOTH: {
        self->m_wheelRest -= e->delta_y;
        lines = static_cast<i32>(self->m_wheelRest);
        self->m_wheelRest -= lines;
        break;
    }
    }
    self->userWheel(lines);
    return TRUE;
}

} // namespace s::gui::win
