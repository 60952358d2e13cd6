#include "gui/win/Button.h"

#include "gui/Scale.h"
#include "gui/drawer/Icons.h"

#include "gui/win/Text.h"

#include <gtk/gtk.h>

#include <cstdio>

namespace s::gui::win {

Button::Button() = default;

Button::~Button() { unrealize(); }

void Button::reset() {
    TextControlBase::reset();
    m_actionListeners.clear();
    m_afterActionListeners.clear();
    m_pressListeners.clear();
    m_autoRepeat = false;
    m_toggle = false;
    m_clickReleases = false;
    m_toggled = false;
    m_toggleA = m_toggleB = 0;
    m_pointerInside = false;
    m_delayRunning = m_repeatRunning = false;
}

// -- state --

void Button::setAutoRepeat(bool autoRepeat) {
    m_autoRepeat = autoRepeat;
    if (!autoRepeat) {
        stopTimer(kButtonDelayTimerId);
        stopTimer(kButtonRepeatTimerId);
    }
}

void Button::setToggle(bool isToggle, bool clickReleases, i32 a, i32 b) {
    m_toggle = isToggle;
    m_clickReleases = clickReleases;
    m_toggleA = a;
    m_toggleB = b;
    if (!isToggle)
        m_toggled = false;
    applyToggled();
}

void Button::setToggled(bool toggled) {
    m_toggled = m_toggle && toggled;
    applyToggled();
}

void Button::setColor(i32 r, i32 g, i32 b) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "00%02x%02x%02x", b & 0xFF, g & 0xFF, r & 0xFF);
    std::u16string value = kColorTextPrefix;
    for (char c : std::string(digits))
        value.push_back(static_cast<char16_t>(c));
    setLiteralText(value.c_str());
}

bool Button::parseColorText(const char16_t* text, i32* r, i32* g, i32* b) {
    if (!text)
        return false;
    const std::u16string_view view(text);
    const std::u16string_view prefix(kColorTextPrefix);
    if (view.size() != prefix.size() + 8 || view.substr(0, prefix.size()) != prefix)
        return false;
    u32 value = 0;
    for (char16_t c : view.substr(prefix.size())) {
        u32 digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return false;
        value = value << 4 | digit;
    }
    // The last six digits are blue, green, red.
    *b = static_cast<i32>((value >> 16) & 0xFF);
    *g = static_cast<i32>((value >> 8) & 0xFF);
    *r = static_cast<i32>(value & 0xFF);
    return true;
}

void Button::click() {
    m_actionListeners.fire(this, kButtonAction);
    // A disabled toggle keeps its state, whoever clicks it.
    if (m_toggle && m_enabled) {
        if (!m_toggled)
            m_toggled = true;
        else if (m_clickReleases)
            m_toggled = false;
        applyToggled();
    }
    m_afterActionListeners.fire(this, kButtonAfterAction);
}

// -- press and auto-repeat --

void Button::pressed() {
    m_pointerInside = true;
    m_pressListeners.fire(this, kButtonPress);
    if (m_autoRepeat) {
        stopTimer(kButtonRepeatTimerId);
        startTimer(kButtonDelayTimerId);
    }
}

void Button::released() {
    stopTimer(kButtonDelayTimerId);
    stopTimer(kButtonRepeatTimerId);
}

void Button::timerTick(i32 id) {
    // Ticks with the pointer outside are skipped; the timers keep running,
    // so the repeat resumes when the pointer comes back.
    if (id == kButtonDelayTimerId) {
        if (!m_delayRunning || !m_pointerInside)
            return;
        stopTimer(kButtonDelayTimerId);
        startTimer(kButtonRepeatTimerId);
    } else if (id == kButtonRepeatTimerId) {
        if (m_repeatRunning && m_pointerInside)
            m_pressListeners.fire(this, kButtonPress);
    }
}

bool Button::isTimerRunning(i32 id) const {
    if (id == kButtonDelayTimerId)
        return m_delayRunning;
    if (id == kButtonRepeatTimerId)
        return m_repeatRunning;
    return false;
}

void Button::startTimer(i32 id) {
    // Without a widget the timer is only recorded: GLib sources belong to the
    // user-interface thread's loop and must not outlive the widget.
    if (id == kButtonDelayTimerId) {
        stopTimer(id);
        m_delayRunning = true;
        if (m_widget)
            m_delaySource = g_timeout_add(kButtonDelayMs, reinterpret_cast<GSourceFunc>(onDelayTimer),
                                          static_cast<NativeControl*>(this));
    } else if (id == kButtonRepeatTimerId) {
        stopTimer(id);
        m_repeatRunning = true;
        if (m_widget)
            m_repeatSource = g_timeout_add(kButtonRepeatMs, reinterpret_cast<GSourceFunc>(onRepeatTimer),
                                           static_cast<NativeControl*>(this));
    }
}

void Button::stopTimer(i32 id) {
    if (id == kButtonDelayTimerId) {
        m_delayRunning = false;
        if (m_delaySource)
            g_source_remove(m_delaySource);
        m_delaySource = 0;
    } else if (id == kButtonRepeatTimerId) {
        m_repeatRunning = false;
        if (m_repeatSource)
            g_source_remove(m_repeatSource);
        m_repeatSource = 0;
    }
}

int Button::onTimer(void* data, i32 id) {
    Button* self = controlOf<Button>(data);
    u32& source = id == kButtonDelayTimerId ? self->m_delaySource : self->m_repeatSource;
    const u32 current = source;
    self->timerTick(id);
    // A tick that stopped its own timer has removed the source already.
    return source == current && current != 0 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

int Button::onDelayTimer(void* data) { return onTimer(data, kButtonDelayTimerId); }
int Button::onRepeatTimer(void* data) { return onTimer(data, kButtonRepeatTimerId); }

// -- widget --

bool Button::isDrawnContent() const { return drawer::isIconName(m_text.c_str()); }

GtkWidget* Button::createWidget() { return gtk_button_new(); }

void Button::afterRealize() {
    gtk_widget_add_events(m_widget, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_ENTER_NOTIFY_MASK |
                                        GDK_LEAVE_NOTIFY_MASK);
    connect(m_widget, "button-press-event", reinterpret_cast<void (*)()>(onButtonPress));
    connect(m_widget, "button-release-event", reinterpret_cast<void (*)()>(onButtonRelease));
    connect(m_widget, "enter-notify-event", reinterpret_cast<void (*)()>(onCrossing));
    connect(m_widget, "leave-notify-event", reinterpret_cast<void (*)()>(onCrossing));
    connect(m_widget, "clicked", reinterpret_cast<void (*)()>(onClicked));
    TextControlBase::afterRealize();
    applyToggled();
}

void Button::beforeUnrealize() {
    // The logical timers stay as they are; their GLib sources go with the
    // widget.
    if (m_delaySource)
        g_source_remove(m_delaySource);
    if (m_repeatSource)
        g_source_remove(m_repeatSource);
    m_delaySource = m_repeatSource = 0;
    if (GtkWidget* child = m_widget ? gtk_bin_get_child(GTK_BIN(m_widget)) : nullptr)
        disconnect(child);
    TextControlBase::beforeUnrealize();
}

void Button::applyText() {
    if (!m_widget)
        return;
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(m_widget));
    if (isDrawnContent()) {
        if (!child || !GTK_IS_DRAWING_AREA(child)) {
            if (child)
                gtk_container_remove(GTK_CONTAINER(m_widget), child);
            GtkWidget* area = gtk_drawing_area_new();
            // The drawing has no natural size: this is what the button measures.
            const i32 s = displayScale();
            gtk_widget_set_size_request(area, 12 * s, 12 * s);
            connect(area, "draw", reinterpret_cast<void (*)()>(onDrawContent));
            gtk_container_add(GTK_CONTAINER(m_widget), area);
            gtk_widget_show(area);
        } else {
            gtk_widget_queue_draw(child);
        }
        gtk_button_set_relief(GTK_BUTTON(m_widget), m_text == kResizerText ? GTK_RELIEF_NONE : GTK_RELIEF_NORMAL);
    } else {
        if (child && GTK_IS_DRAWING_AREA(child)) {
            disconnect(child);
            gtk_container_remove(GTK_CONTAINER(m_widget), child);
        }
        gtk_button_set_relief(GTK_BUTTON(m_widget), GTK_RELIEF_NORMAL);
        gtk_button_set_use_underline(GTK_BUTTON(m_widget), FALSE);
        gtk_button_set_label(GTK_BUTTON(m_widget), toUtf8(m_text.c_str(), m_text.size()).c_str());
    }
    // Icon buttons have no text margins to keep.
    applyStyle();
}

void Button::estimateSize(i32 textW, i32 textH, i32* w, i32* h) const {
    if (isDrawnContent()) {
        const i32 s = displayScale();
        *w = 12 * s;
        *h = 12 * s;
        return;
    }
    *w = textW + 16;
    *h = textH + 8;
}

void Button::appendCss(std::string& css) const {
    if (isDrawnContent())
        css += "button { padding: 0; border-width: 0; }\n";
    else
        css += "button { padding: " + std::to_string(2 * displayScale()) + "px " + std::to_string(6 * displayScale()) +
               "px; }\n";
}

void Button::applyToggled() {
    if (!m_widget)
        return;
    if (m_toggled)
        gtk_widget_set_state_flags(m_widget, GTK_STATE_FLAG_CHECKED, FALSE);
    else
        gtk_widget_unset_state_flags(m_widget, GTK_STATE_FLAG_CHECKED);
}

void Button::paintContent(cairo_t* cr, i32 w, i32 h) {
    // The content rectangle of a button face: 2 pixels (times the scale)
    // inside its edges; the grip reaches into that margin.
    const i32 s = displayScale();
    const u32 c = m_font->getColor();
    drawer::paintIcon(cr, 2 * s, 2 * s, w - 2 * s, h - 2 * s, m_text.c_str(), static_cast<i32>((c >> 16) & 0xFF),
                      static_cast<i32>((c >> 8) & 0xFF), static_cast<i32>(c & 0xFF), s);
}

int Button::onDrawContent(void* widget, cairo_t* cr, void* data) {
    controlOf<Button>(data)->paintContent(cr, gtk_widget_get_allocated_width(static_cast<GtkWidget*>(widget)),
                                          gtk_widget_get_allocated_height(static_cast<GtkWidget*>(widget)));
    return FALSE;
}

int Button::onButtonPress(void* widget, void* event, void* data) {
    auto* e = static_cast<GdkEventButton*>(event);
    if (e->type != GDK_BUTTON_PRESS || e->button != 1)
        return FALSE;
    Button* self = controlOf<Button>(data);
    if (self->m_text == kResizerText) {
        // The grip: the window manager resizes the top-level window from its
        // bottom-right corner, within the window's size limits.
        GtkWidget* top = gtk_widget_get_toplevel(static_cast<GtkWidget*>(widget));
        if (GTK_IS_WINDOW(top))
            gtk_window_begin_resize_drag(GTK_WINDOW(top), GDK_WINDOW_EDGE_SOUTH_EAST, static_cast<gint>(e->button),
                                         static_cast<gint>(e->x_root), static_cast<gint>(e->y_root), e->time);
        return TRUE;
    }
    self->pressed();
    return FALSE; // the widget still shows its pressed look and clicks
}

int Button::onButtonRelease(void*, void* event, void* data) {
    if (static_cast<GdkEventButton*>(event)->button == 1)
        controlOf<Button>(data)->released();
    return FALSE;
}

int Button::onCrossing(void*, void* event, void* data) {
    auto* e = static_cast<GdkEventCrossing*>(event);
    // Crossings into or out of the button's own children do not count.
    if (e->detail != GDK_NOTIFY_INFERIOR)
        controlOf<Button>(data)->setPointerInside(e->type == GDK_ENTER_NOTIFY);
    return FALSE;
}

void Button::onClicked(void*, void* data) { controlOf<Button>(data)->click(); }

} // namespace s::gui::win
