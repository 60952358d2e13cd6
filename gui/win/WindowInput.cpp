// The window's input: mouse buttons, motion and crossing routed to the
// drawn components, keys and their codes, the focus order, the wheel, and
// files and addresses dropped on the window.

#include "gui/win/Window.h"
#include "gui/win/WindowInternal.h"

#include "gui/win/Box.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace s::gui::win {

using window_detail::asImpl;

namespace {

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

} // namespace

void Window::componentsAt(IComponent* parent, i32 px, i32 py, i32 offX, i32 offY, Component** best,
                          i32* bestX, i32* bestY) const {
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
    if (!gtk_widget_translate_coordinates(window, fixed, static_cast<gint>(ex), static_cast<gint>(ey), &cx,
                                          &cy))
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
        return kKeyCodeEnter;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
        return kKeyCodeTab;
    case GDK_KEY_Escape:
        return kKeyCodeEscape;
    case GDK_KEY_BackSpace:
        return kKeyCodeBackspace;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        return kKeyCodeSpace;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return kKeyCodePageUp;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return kKeyCodePageDown;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return kKeyCodeEnd;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return kKeyCodeHome;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return kKeyCodeLeft;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return kKeyCodeUp;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return kKeyCodeRight;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return kKeyCodeDown;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert:
        return kKeyCodeInsert;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return kKeyCodeDelete;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return kKeyCodeShift;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return kKeyCodeControl;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
        return kKeyCodeAlt;
    case GDK_KEY_bracketleft:
        return kKeyCodeBracketLeft;
    case GDK_KEY_bracketright:
        return kKeyCodeBracketRight;
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
        return static_cast<i32>(keyval - GDK_KEY_KP_0) + kKeyCodeKeypad0;
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12)
        return static_cast<i32>(keyval - GDK_KEY_F1) + kKeyCodeF1;
    return 0;
}

bool Window::handleKey(GdkEventKey* e) {
    // The focused control sees its keys first (typing into a text field),
    // as keys go to the focused control before its window elsewhere.
    if (gtk_window_propagate_key_event(GTK_WINDOW(m_gtkWindow), e))
        return true;
    m_keyCode = keyCodeOf(e->keyval);
    m_keyModifiers = ((e->state & GDK_SHIFT_MASK) ? kKeyShift : 0) |
                     ((e->state & GDK_CONTROL_MASK) ? kKeyControl : 0) |
                     ((e->state & GDK_MOD1_MASK) ? kKeyAlt : 0);
    m_keyChar = gdk_keyval_to_unicode(e->keyval);
    m_keyHandled = false;
    fire(kWindowKey);
    if (m_keyHandled || m_keyCode == kKeyCodeEnter)
        return true;
    // Tab follows the tree, which is the order of the layout; GTK's own
    // order goes by the middle of each widget and mixes up a row of
    // controls of different heights.
    if (m_keyCode == kKeyCodeTab && !(m_keyModifiers & (kKeyControl | kKeyAlt)))
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

} // namespace s::gui::win
