#include "gui/win/Box.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <thread>

using namespace s;
using namespace s::gui;
using s::gui::win::UIThread;

namespace {

/// A standard control stand-in: one GTK button, with its life cycle counted.
class NativeLeaf : public win::Component {
public:
    NativeLeaf(i32 w, i32 h) { setMeasuredSize(w, h); }
    const char16_t* getClassName() const override { return u"test_NativeLeaf"; }
    base::IObject* newInstance() const override { return new NativeLeaf(0, 0); }
    void release() override { delete this; }
    GtkWidget* createWidget() override {
        ++made;
        return gtk_button_new();
    }
    void afterRealize() override { ++applied; }
    void beforeUnrealize() override { ++readBack; }

    int made = 0;
    int applied = 0;
    int readBack = 0;
};

class ComponentNativeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UIThread::instance().start())
            GTEST_SKIP() << "no display";
        m_window = win::Window::create();
    }
    void TearDown() override {
        if (m_window)
            m_window->release();
    }
    /// Shows the window and waits until GTK has mapped it.
    void show() {
        m_window->resizeWindow(200, 100);
        m_window->showWindow(true, true);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        bool mapped = false;
        while (!mapped && std::chrono::steady_clock::now() < end) {
            UIThread::instance().invoke([&] {
                auto* gw = static_cast<GtkWidget*>(m_window->getNativeHandle());
                mapped = gw && gtk_widget_get_mapped(gw);
            });
            if (!mapped)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(mapped);
    }
    win::Window* m_window = nullptr;
};

/// The widget's place in the window's fixed container.
void placeOf(GtkWidget* widget, gint* x, gint* y) {
    GtkWidget* fixed = gtk_widget_get_parent(widget);
    ASSERT_TRUE(GTK_IS_FIXED(fixed));
    gtk_container_child_get(GTK_CONTAINER(fixed), widget, "x", x, "y", y, nullptr);
}

} // namespace

TEST_F(ComponentNativeTest, WidgetFollowsPlacementStateAndTree) {
    win::Box* box = win::Box::create();
    box->setPadding(4);
    auto* leaf = new NativeLeaf(30, 20);
    box->add(leaf);
    leaf->setEnabled(false); // stored until the widget exists
    m_window->add(box);
    show();

    UIThread::instance().invoke([&] {
        ASSERT_NE(nullptr, leaf->getWidget());
        EXPECT_EQ(1, leaf->made);
        EXPECT_EQ(1, leaf->applied);
        GtkWidget* widget = leaf->getWidget();
        EXPECT_EQ(m_window->getNativeContainer(), gtk_widget_get_parent(widget));
        EXPECT_FALSE(gtk_widget_get_sensitive(widget));
        EXPECT_TRUE(gtk_widget_get_visible(widget));

        // Window offset = positions plus origins (the box's padding).
        box->setBounds(10, 12, 100, 50);
        gint x = -1;
        gint y = -1;
        placeOf(widget, &x, &y);
        EXPECT_EQ(14, x);
        EXPECT_EQ(16, y);
        gint w = -1;
        gint h = -1;
        gtk_widget_get_size_request(widget, &w, &h);
        EXPECT_EQ(30, w);
        EXPECT_EQ(20, h);

        // Moving the box alone carries the child's widget along.
        box->setPosition(20, 12);
        placeOf(widget, &x, &y);
        EXPECT_EQ(24, x);

        // A hidden parent hides the widget; the child keeps its own flag.
        box->setVisible(false, false);
        EXPECT_FALSE(gtk_widget_get_visible(widget));
        EXPECT_TRUE(leaf->isVisible());
        box->setVisible(true, false);
        EXPECT_TRUE(gtk_widget_get_visible(widget));
        leaf->setEnabled(true);
        EXPECT_TRUE(gtk_widget_get_sensitive(widget));

        // Leaving the tree destroys the widget; joining again makes a new one.
        gpointer watch = widget;
        g_object_add_weak_pointer(G_OBJECT(widget), &watch);
        box->remove(leaf, false);
        EXPECT_EQ(nullptr, leaf->getWidget());
        EXPECT_EQ(1, leaf->readBack);
        EXPECT_EQ(nullptr, watch);
        box->add(leaf);
        EXPECT_EQ(2, leaf->made);
        ASSERT_NE(nullptr, leaf->getWidget());
        placeOf(leaf->getWidget(), &x, &y);
        EXPECT_EQ(24, x); // its stored place, shifted by the box
    });
}

TEST_F(ComponentNativeTest, FrozenMovesReachTheWidgetOnceAtUnfreeze) {
    auto* leaf = new NativeLeaf(30, 20);
    m_window->add(leaf);
    show();
    UIThread::instance().invoke([&] {
        GtkWidget* widget = leaf->getWidget();
        ASSERT_NE(nullptr, widget);
        leaf->freeze();
        leaf->setBounds(40, 30, 10, 10);
        gint x = -1;
        gint y = -1;
        placeOf(widget, &x, &y);
        EXPECT_NE(40, x);
        leaf->unfreeze();
        placeOf(widget, &x, &y);
        EXPECT_EQ(40, x);
        EXPECT_EQ(30, y);
    });
}
