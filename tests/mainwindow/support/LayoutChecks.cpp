#include "support/LayoutChecks.h"

#include "gui/IContainer.h"
#include "gui/IWindow.h"
#include "gui/win/UIThread.h"
#include "foundation/str/StrBuffer.h"

#include <gtk/gtk.h>

#include <chrono>
#include <thread>

namespace s::test {

namespace {

std::string describe(const gui::IComponent* c) {
    str::strbuffer::StrBuffer name;
    name.set(c->getClassName());
    return name.toStdString() + " (" + std::to_string(c->getX()) + "," + std::to_string(c->getY()) + " " +
           std::to_string(c->getWidth()) + "x" + std::to_string(c->getHeight()) + ")";
}

bool intersects(const gui::IComponent* a, const gui::IComponent* b) {
    return a->getX() < b->getX() + b->getWidth() && b->getX() < a->getX() + a->getWidth() &&
           a->getY() < b->getY() + b->getHeight() && b->getY() < a->getY() + a->getHeight();
}

void collect(const gui::IComponent* c, std::vector<std::string>& out) {
    const i32 n = c->getChildCount();
    for (i32 i = 0; i < n; ++i) {
        const gui::IComponent* a = c->getChild(i);
        if (!a->isVisible() || a->getWidth() <= 0 || a->getHeight() <= 0)
            continue;
        for (i32 j = i + 1; j < n; ++j) {
            const gui::IComponent* b = c->getChild(j);
            if (!b->isVisible() || b->getWidth() <= 0 || b->getHeight() <= 0)
                continue;
            if (intersects(a, b))
                out.push_back(describe(a) + " overlaps " + describe(b) + " in " + describe(c));
        }
        collect(a, out);
    }
}

void collectOutside(const gui::IComponent* c, std::vector<std::string>& out) {
    const i32 n = c->getChildCount();
    for (i32 i = 0; i < n; ++i) {
        const gui::IComponent* child = c->getChild(i);
        if (!child->isVisible() || child->getWidth() <= 0 || child->getHeight() <= 0)
            continue;
        if (child->getX() < 0 || child->getY() < 0 || child->getX() + child->getWidth() > c->getInnerWidth() ||
            child->getY() + child->getHeight() > c->getInnerHeight())
            out.push_back(describe(child) + " outside " + describe(c) + " inner " +
                          std::to_string(c->getInnerWidth()) + "x" + std::to_string(c->getInnerHeight()));
        collectOutside(child, out);
    }
}

} // namespace

std::vector<std::string> childrenOutsideParents(const gui::IComponent* root) {
    std::vector<std::string> out;
    if (root && root->isVisible())
        collectOutside(root, out);
    return out;
}

bool isShowing(const gui::IComponent* c) {
    for (; c; c = c->getParent() ? c->getParent()->asComponent() : nullptr) {
        if (!c->isVisible())
            return false;
    }
    return true;
}

std::vector<std::string> siblingOverlaps(const gui::IComponent* root) {
    std::vector<std::string> out;
    // Hidden subtrees are not on screen: nothing in them can cover anything.
    if (root && root->isVisible())
        collect(root, out);
    return out;
}

void windowOffset(const gui::IComponent* c, int* x, int* y) {
    int ox = 0;
    int oy = 0;
    for (; c && c->getParent(); c = c->getParent()->asComponent()) {
        ox += c->getX() + c->getOriginX();
        oy += c->getY() + c->getOriginY();
    }
    *x = ox;
    *y = oy;
}

bool saveWindowPng(gui::IWindow* window, const std::string& path) {
    bool saved = false;
    gui::win::UIThread::instance().invoke([&] {
        auto* widget = static_cast<GtkWidget*>(window->getNativeHandle());
        if (!widget || !gtk_widget_get_realized(widget))
            return;
        const int w = gtk_widget_get_allocated_width(widget);
        const int h = gtk_widget_get_allocated_height(widget);
        if (w <= 0 || h <= 0)
            return;
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        gtk_widget_draw(widget, cr);
        cairo_destroy(cr);
        saved = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface);
    });
    return saved;
}

void settleUi(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        // The invoke runs after what GTK has queued before it.
        gui::win::UIThread::instance().invoke([] {});
    }
}

} // namespace s::test
