#include "gui/win/Window.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/lang/Localizer.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/RadioButton.h"
#include "gui/win/TextField.h"
#include "gui/win/UIThread.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include "support/PrivateDisplay.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using namespace s;
using namespace s::gui;
using s::gui::win::UIThread;

namespace {

using snipforge::test::waitFor;
using Clock = std::chrono::steady_clock;

/// Runs the pending work of the interface thread (twice, so that work it
/// queued itself runs as well).
void drain() {
    for (int i = 0; i < 2; ++i)
        UIThread::instance().invoke([] {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
        });
}

/// A drawn component that fills itself with one colour and records the
/// mouse events it gets.
class Swatch : public win::Component {
public:
    Swatch(double r, double g, double b) : m_r(r), m_g(g), m_b(b) {}
    const char16_t* getClassName() const override { return u"test_Swatch"; }
    base::IObject* newInstance() const override { return new Swatch(0, 0, 0); }
    void release() override { delete this; }
    bool isDrawn() const override { return true; }
    void paint(win::MemDC& dc, i32 w, i32 h) override {
        ++paints;
        cairo_t* cr = dc.getContext();
        if (m_opaque) {
            cairo_set_source_rgb(cr, m_r, m_g, m_b);
            cairo_paint(cr);
        } else {
            // Only a frame: the inside keeps the background it was given.
            cairo_set_source_rgb(cr, m_r, m_g, m_b);
            cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
            cairo_set_line_width(cr, 1);
            cairo_stroke(cr);
        }
    }
    bool onMouse(const win::MouseEvent& e) override {
        events.push_back(e);
        return handles;
    }
    std::vector<win::MouseEvent> events;
    int paints = 0;
    bool handles = true;
    bool m_opaque = true;

private:
    double m_r, m_g, m_b;
};

/// Leaves every child where the test put it.
struct NoLayout final : ILayoutManager {
    void layout(IContainer*) override {}
    const char16_t* getClassName() const override { return u"test_NoLayout"; }
    base::IObject* newInstance() const override { return nullptr; }
    static NoLayout* shared() {
        static NoLayout instance;
        return &instance;
    }
};

/// Records the codes a window raises, in order, and optionally acts on them.
struct Recorder : events::IEventListener {
    void onEvent(IComponent*, i32 code) override {
        codes.push_back(code);
        if (action)
            action(code);
    }
    std::vector<i32> codes;
    std::function<void(i32)> action;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Real input goes through the X server: a display of its own keeps
        // window tests running at the same time out of the way.
        snipforge::test::usePrivateDisplayForProcess();
        if (!UIThread::instance().start())
            GTEST_SKIP() << "no display";
        m_window = win::Window::create();
    }
    void TearDown() override {
        if (m_window)
            m_window->release();
    }
    /// Shows the window at a known place and size and waits until GTK has
    /// mapped and sized it.
    void showAt(i32 w, i32 h) {
        m_window->resizeWindow(w, h);
        m_window->moveWindow(20, 20);
        m_window->showWindow(true, true);
        ASSERT_TRUE(waitFor([&] {
            auto* gw = static_cast<GtkWidget*>(m_window->getNativeHandle());
            return gw && gtk_widget_get_mapped(gw) && m_window->getWidth() == w && m_window->getHeight() == h;
        }));
        drain();
    }
    win::Window* m_window = nullptr;
};

// ---------------------------------------------------------------------------
// Named events

TEST_F(WindowTest, SendEventFromWorkerRunsListenersOnUiThreadAndReturnsResult) {
    struct Model : event::INamedEventListener {
        void onNamedEvent(event::INamedEventSource& s) override {
            order->push_back(2);
            if (s.getEventName() == event::kUpdateUI)
                b = s.getEventB();
        }
        std::vector<int>* order = nullptr;
        i64 b = 0;
    };
    struct Toolkit : events::IEventListener {
        void onEvent(IComponent* source, i32 code) override {
            auto* w = dynamic_cast<win::Window*>(source);
            onUi = UIThread::isUiThread();
            seenCode = code;
            order->push_back(1);
            if (w->getEventName() == event::kUpdateUI) {
                object = w->getEventObject();
                w->setEventResult(w->getEventA() * 100 + w->getEventB());
            }
        }
        std::vector<int>* order = nullptr;
        bool onUi = false;
        i32 seenCode = 0;
        base::IObject* object = nullptr;
    };
    std::vector<int> order;
    Toolkit toolkit;
    toolkit.order = &order;
    Model model;
    model.order = &order;
    m_window->addNamedEventListener(&toolkit);
    m_window->addNamedEventListener(static_cast<event::INamedEventListener*>(&model));
    showAt(200, 100);

    i64 result = -1;
    std::vector<int> seenByWorker;
    std::thread worker([&] {
        result = m_window->sendEvent(event::kUpdateUI, 4, 2, m_window);
        // Delivery is synchronous: the listeners' work is visible now.
        seenByWorker = order;
    });
    worker.join();
    EXPECT_EQ(result, 402);
    EXPECT_EQ(seenByWorker, (std::vector<int>{1, 2}));
    EXPECT_TRUE(toolkit.onUi);
    EXPECT_EQ(toolkit.seenCode, kWindowNamedEvent);
    EXPECT_EQ(toolkit.object, m_window);
    EXPECT_EQ(model.b, 2);

    // The name is compared by identity: an equal text elsewhere is another event.
    static const char16_t otherUpdate[] = u"UpdateUI";
    std::thread second([&] { result = m_window->sendEvent(otherUpdate, 4, 2, nullptr); });
    second.join();
    EXPECT_EQ(result, 0);
}

// The model listener reads the result through the source's getters only.
TEST_F(WindowTest, SendEventOnUiThreadDeliversNestedAndKeepsOuterEvent) {
    Recorder inner;
    std::vector<i64> seen;
    inner.action = [&](i32) {
        seen.push_back(m_window->getEventA());
        if (m_window->getEventA() == 1) {
            const i64 r = m_window->sendEvent(event::kUpdateUI, 2, 0, nullptr);
            seen.push_back(r);
            // The outer event is back in place for the rest of its listeners.
            seen.push_back(m_window->getEventA());
            m_window->setEventResult(7);
        } else {
            m_window->setEventResult(5);
        }
    };
    m_window->addNamedEventListener(&inner);
    showAt(200, 100);
    i64 outer = 0;
    UIThread::instance().invoke([&] { outer = m_window->sendEvent(event::kUpdateUI, 1, 0, nullptr); });
    EXPECT_EQ(outer, 7);
    EXPECT_EQ(seen, (std::vector<i64>{1, 2, 5, 1}));
}

TEST_F(WindowTest, SendEventWithoutNativeWindowReturnsZeroAtOnce) {
    Recorder named;
    named.action = [&](i32) { m_window->setEventResult(9); };
    m_window->addNamedEventListener(&named);
    i64 result = -1;
    std::thread worker([&] { result = m_window->sendEvent(event::kUpdateUI, 1, 2, nullptr); });
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(named.codes.empty());

    // Closed windows do not deliver either.
    showAt(200, 100);
    m_window->close();
    ASSERT_TRUE(m_window->isClosed());
    std::thread late([&] { result = m_window->sendEvent(event::kUpdateUI, 1, 2, nullptr); });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(named.codes.empty());
}

TEST_F(WindowTest, SenderBlockedWhileWindowClosesIsReleasedWithZero) {
    Recorder named;
    named.action = [&](i32) { m_window->setEventResult(1); };
    m_window->addNamedEventListener(&named);
    showAt(200, 100);

    std::atomic<bool> sending{false};
    std::atomic<bool> returned{false};
    std::atomic<i64> result{-1};
    std::thread worker;
    // The interface thread is busy here, so the event cannot be delivered:
    // the window closes under the waiting sender, which must come back
    // while this thread is still busy.
    bool releasedWhileBusy = false;
    UIThread::instance().invoke([&] {
        worker = std::thread([&] {
            sending = true;
            result = m_window->sendEvent(event::kReportError, 0, 0, nullptr);
            returned = true;
        });
        while (!sending)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(returned.load());
        m_window->close();
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (!returned && Clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        releasedWhileBusy = returned;
    });
    worker.join();
    EXPECT_TRUE(releasedWhileBusy);
    EXPECT_EQ(result.load(), 0);
    drain();
    // The queued delivery found the window closed.
    EXPECT_TRUE(named.codes.empty());
}

// A slow machine can repaint without pause: each paint takes longer than a
// frame, and each asks for the next. An event a worker waits for must still
// come through (a task's end event that waits keeps the window busy).
TEST_F(WindowTest, SendEventIsNotHeldBackByRepaintsThatNeverPause) {
    Recorder named;
    m_window->addNamedEventListener(&named);
    showAt(200, 100);

    struct Painter {
        std::atomic<bool> keepGoing{true};
        std::atomic<int> paints{0};
        GtkWidget* top = nullptr;
        static gboolean draw(GtkWidget* widget, cairo_t*, gpointer data) {
            auto* self = static_cast<Painter*>(data);
            ++self->paints;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            if (self->keepGoing)
                gtk_widget_queue_draw(widget);
            return FALSE;
        }
    } painter;
    UIThread::instance().invoke([&] {
        painter.top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        GtkWidget* area = gtk_drawing_area_new();
        gtk_widget_set_size_request(area, 100, 100);
        g_signal_connect(area, "draw", G_CALLBACK(&Painter::draw), &painter);
        gtk_container_add(GTK_CONTAINER(painter.top), area);
        gtk_widget_show_all(painter.top);
    });
    ASSERT_TRUE(waitFor([&] { return painter.paints.load() >= 3; })) << "the repaints did not start";

    // Painting stops after a few seconds whatever happens, so that a held
    // event does not hold the test for ever.
    std::mutex stopLock;
    std::condition_variable stopNow;
    bool delivered = false;
    std::thread stopper([&] {
        std::unique_lock lock(stopLock);
        stopNow.wait_for(lock, std::chrono::seconds(4), [&] { return delivered; });
        painter.keepGoing = false;
    });
    const int paintsBefore = painter.paints.load();
    const auto sent = Clock::now();
    // What matters is when it returns; no listener sets a result.
    std::thread worker([&] { (void)m_window->sendEvent(event::kUpdateUI, 0, 0, nullptr); });
    worker.join();
    const auto took = Clock::now() - sent;
    const bool stillPainting = painter.keepGoing.load();
    {
        std::lock_guard lock(stopLock);
        delivered = true;
    }
    stopNow.notify_all();
    stopper.join();

    EXPECT_TRUE(stillPainting) << "delivered only once the repaints had stopped";
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_EQ(named.codes, (std::vector<i32>{kWindowNamedEvent}));
    EXPECT_GT(painter.paints.load(), paintsBefore);
    UIThread::instance().invoke([&] { gtk_widget_destroy(painter.top); });
    drain();
}

// ---------------------------------------------------------------------------
// Close

TEST_F(WindowTest, CloseVetoKeepsWindowOpenUntilClosedWithoutVeto) {
    Recorder closing;
    int asked = 0;
    closing.action = [&](i32) {
        if (++asked == 1)
            m_window->vetoClose();
    };
    m_window->addCloseListener(&closing);
    showAt(200, 100);

    std::atomic<bool> waited{false};
    std::thread waiter([&] {
        m_window->waitUntilClosed();
        waited = true;
    });
    m_window->close();
    EXPECT_FALSE(m_window->isClosed());
    bool visible = false;
    UIThread::instance().invoke(
        [&] { visible = gtk_widget_get_visible(static_cast<GtkWidget*>(m_window->getNativeHandle())); });
    EXPECT_TRUE(visible);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(waited.load());

    // The close box asks the same way.
    UIThread::instance().invoke([&] {
        GdkEvent* e = gdk_event_new(GDK_DELETE);
        e->any.window = GDK_WINDOW(
            g_object_ref(gtk_widget_get_window(static_cast<GtkWidget*>(m_window->getNativeHandle()))));
        gtk_main_do_event(e);
        gdk_event_free(e);
    });
    waiter.join();
    EXPECT_TRUE(waited.load());
    EXPECT_TRUE(m_window->isClosed());
    EXPECT_EQ(closing.codes, (std::vector<i32>{kWindowClose, kWindowClose}));
    UIThread::instance().invoke(
        [&] { visible = gtk_widget_get_visible(static_cast<GtkWidget*>(m_window->getNativeHandle())); });
    EXPECT_FALSE(visible);

    // Closing a closed window asks nobody.
    m_window->close();
    EXPECT_EQ(asked, 2);
}

// ---------------------------------------------------------------------------
// Timers

TEST_F(WindowTest, TimerFiresWithItsIdUntilKilled) {
    showAt(200, 100);
    Recorder timer;
    std::vector<i32> ids;
    timer.action = [&](i32) {
        ids.push_back(m_window->getTimerId());
        if (ids.size() == 3)
            m_window->killTimer(7); // from inside its own tick
    };
    m_window->addTimerListener(&timer);
    UIThread::instance().invoke([&] { m_window->setTimer(7, 5); });
    ASSERT_TRUE(waitFor([&] { return ids.size() >= 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    drain();
    EXPECT_EQ(ids, (std::vector<i32>{7, 7, 7}));
    EXPECT_EQ(timer.codes, (std::vector<i32>{kWindowTimer, kWindowTimer, kWindowTimer}));
}

// ---------------------------------------------------------------------------
// Painting

/// The window's pixels (0xRRGGBB, row by row) as GTK draws them on screen
/// when it repaints the area `clip` (the whole window when empty); outside
/// that area the pixels stay 0x123456.
std::vector<u32> drawWindow(win::Window* window, GdkRectangle clip = {}) {
    std::vector<u32> pixels;
    UIThread::instance().invoke([&] {
        auto* gw = static_cast<GtkWidget*>(window->getNativeHandle());
        const int w = gtk_widget_get_allocated_width(gw);
        const int h = gtk_widget_get_allocated_height(gw);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 0x12 / 255.0, 0x34 / 255.0, 0x56 / 255.0);
        cairo_paint(cr);
        if (clip.width > 0 && clip.height > 0) {
            cairo_rectangle(cr, clip.x, clip.y, clip.width, clip.height);
            cairo_clip(cr);
        }
        gtk_widget_draw(gw, cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const u32*>(data + static_cast<std::ptrdiff_t>(y) * stride);
            for (int x = 0; x < w; ++x)
                pixels.push_back(row[x] & 0xFFFFFF);
        }
        cairo_surface_destroy(surface);
    });
    return pixels;
}

/// Draws the whole window as GTK would on screen and returns the pixel.
u32 pixelAt(win::Window* window, i32 x, i32 y) {
    return drawWindow(window).at(static_cast<size_t>(y) * window->getWidth() + x);
}

/// A green box whose children stay where the test puts them.
win::Box* greenBox(i32 x, i32 y, i32 w, i32 h) {
    auto* box = win::Box::create();
    box->setLayoutManager(NoLayout::shared());
    box->setBackgroundColor(0, 255, 0, false);
    box->setBounds(x, y, w, h);
    return box;
}

TEST_F(WindowTest, DrawnComponentsArePaintedInTreeOrderOverTheBackground) {
    m_window->setLayoutManager(NoLayout::shared()); // placed by hand
    m_window->setBackgroundColor(0, 0, 255, false);
    auto* box = greenBox(10, 10, 100, 60);
    auto* red = new Swatch(1, 0, 0);
    red->setBounds(5, 5, 20, 20);
    auto* frame = new Swatch(1, 1, 0);
    frame->m_opaque = false; // transparent: shows the box under it
    frame->setBounds(40, 5, 30, 30);
    auto* clipped = new Swatch(1, 0, 1);
    clipped->setBounds(90, 50, 40, 40); // reaches out of the box
    box->add(red);
    box->add(frame);
    box->add(clipped);
    m_window->add(box);
    showAt(200, 100);

    EXPECT_EQ(pixelAt(m_window, 2, 2), 0x0000FFu);    // window background
    EXPECT_EQ(pixelAt(m_window, 12, 12), 0x00FF00u);  // box
    EXPECT_EQ(pixelAt(m_window, 20, 20), 0xFF0000u);  // red at 10+5+5
    EXPECT_EQ(pixelAt(m_window, 50, 15), 0xFFFF00u);  // frame's edge
    EXPECT_EQ(pixelAt(m_window, 60, 25), 0x00FF00u);  // inside the frame: the box
    EXPECT_EQ(pixelAt(m_window, 105, 65), 0xFF00FFu); // clipped part inside the box
    EXPECT_EQ(pixelAt(m_window, 115, 75), 0x0000FFu); // outside the box: not painted

    // Hidden components are not painted.
    UIThread::instance().invoke([&] { red->setVisible(false, false); });
    drain();
    EXPECT_EQ(pixelAt(m_window, 20, 20), 0x00FF00u);
}

TEST_F(WindowTest, APartialRepaintPaintsOnlyWhatItTouchesAndMatchesAWholePaint) {
    m_window->setLayoutManager(NoLayout::shared()); // placed by hand
    m_window->setBackgroundColor(0, 0, 255, false);
    // A large opaque component first, so that what it painted is around when
    // the smaller ones after it paint.
    auto* large = new Swatch(1, 0, 0);
    large->setBounds(0, 0, 150, 90);
    auto* frame = new Swatch(1, 1, 0);
    frame->m_opaque = false; // shows the large one under it
    frame->setBounds(100, 40, 40, 30);
    auto* box = greenBox(20, 100, 60, 40);
    auto* inner = new Swatch(1, 0, 1);
    inner->setBounds(10, 10, 20, 20);
    auto* far = new Swatch(0, 1, 1);
    far->setBounds(160, 110, 30, 30);
    m_window->add(large);
    m_window->add(frame);
    m_window->add(box);
    box->add(inner);
    m_window->add(far);
    showAt(200, 150);

    const std::vector<u32> whole = drawWindow(m_window);
    ASSERT_EQ(whole.size(), 200u * 150u);
    // One point inside the transparent frame; then an area across the large
    // swatch's lower edge, the box and part of its inner swatch. Neither
    // reaches the far one.
    for (const GdkRectangle area : {GdkRectangle{110, 50, 1, 1}, GdkRectangle{35, 80, 70, 35}}) {
        large->paints = frame->paints = inner->paints = far->paints = 0;
        const std::vector<u32> part = drawWindow(m_window, area);
        for (int y = 0; y < 150; ++y) {
            for (int x = 0; x < 200; ++x) {
                const bool inside =
                    x >= area.x && x < area.x + area.width && y >= area.y && y < area.y + area.height;
                const size_t at = static_cast<size_t>(y) * 200 + x;
                ASSERT_EQ(part[at], inside ? whole[at] : 0x123456u) << "at " << x << "," << y;
            }
        }
        EXPECT_EQ(far->paints, 0) << "a component outside the repainted area";
    }
    // The last area reaches into the large swatch and the box's inner one.
    EXPECT_EQ(large->paints, 1);
    EXPECT_EQ(inner->paints, 1);
    EXPECT_EQ(frame->paints, 0);
    EXPECT_EQ(whole[static_cast<size_t>(60) * 200 + 120], 0xFF0000u); // inside the frame: the large one
    EXPECT_EQ(whole[static_cast<size_t>(40) * 200 + 120], 0xFFFF00u); // the frame's edge
}

// ---------------------------------------------------------------------------
// Input

class WindowInputTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (IsSkipped())
            return;
        if (!m_xtest.load())
            GTEST_SKIP() << "no XTest";
        m_window->setLayoutManager(NoLayout::shared());
        m_swatch = new Swatch(1, 0, 0);
        m_swatch->setBounds(50, 20, 60, 40);
        m_window->add(m_swatch);
        m_window->addLeftButtonListener(&m_codes);
        m_window->addRightButtonListener(&m_codes);
        m_window->addMiddleButtonListener(&m_codes);
        m_window->addDoubleClickListener(&m_codes);
        m_window->addLeftButtonUpListener(&m_codes);
        m_window->addRightButtonUpListener(&m_codes);
        showAt(200, 100);
    }
    /// A real button press or release through the X server (XTest), so
    /// that GDK makes its own double clicks.
    void click(i32 x, i32 y, guint button, bool press) {
        UIThread::instance().invoke([&] {
            auto* gw = static_cast<GtkWidget*>(m_window->getNativeHandle());
            GdkWindow* window = gtk_widget_get_window(gw);
            m_xtest.moveTo(window, x, y);
            m_xtest.button(window, button, press);
        });
    }
    size_t countOf(i32 code) const {
        return static_cast<size_t>(std::count(m_codes.codes.begin(), m_codes.codes.end(), code));
    }
    snipforge::test::XTest m_xtest;
    Recorder m_codes;
    Swatch* m_swatch = nullptr;
};

TEST_F(WindowInputTest, ButtonsRaiseWindowCodesAndReachTheComponentInItsCoordinates) {
    click(60, 30, 1, true);
    click(60, 30, 1, false);
    ASSERT_TRUE(waitFor([&] { return m_codes.codes.size() >= 2; }));
    EXPECT_EQ(m_codes.codes, (std::vector<i32>{kWindowLeftButton, kWindowLeftButtonUp}));
    ASSERT_GE(m_swatch->events.size(), 2u);
    std::vector<win::MouseEvent> presses;
    for (const auto& e : m_swatch->events)
        if (e.kind == win::MouseEvent::kPress || e.kind == win::MouseEvent::kRelease)
            presses.push_back(e);
    ASSERT_EQ(presses.size(), 2u);
    EXPECT_EQ(presses[0].kind, win::MouseEvent::kPress);
    EXPECT_EQ(presses[0].x, 10);
    EXPECT_EQ(presses[0].y, 10);
    EXPECT_EQ(presses[0].button, 1);
    EXPECT_EQ(presses[1].kind, win::MouseEvent::kRelease);

    // The right button outside the component: window codes only.
    m_codes.codes.clear();
    const size_t before = m_swatch->events.size();
    click(150, 80, 3, true);
    click(150, 80, 3, false);
    ASSERT_TRUE(waitFor([&] { return m_codes.codes.size() >= 2; }));
    EXPECT_EQ(m_codes.codes, (std::vector<i32>{kWindowRightButton, kWindowRightButtonUp}));
    for (size_t i = before; i < m_swatch->events.size(); ++i) {
        EXPECT_NE(m_swatch->events[i].kind, win::MouseEvent::kPress);
        EXPECT_NE(m_swatch->events[i].kind, win::MouseEvent::kRelease);
    }
}

TEST_F(WindowInputTest, PressedComponentKeepsTheReleaseOutsideIt) {
    click(60, 30, 1, true);
    click(150, 80, 1, false);
    ASSERT_TRUE(waitFor([&] { return countOf(kWindowLeftButtonUp) == 1; }));
    // The pointer's way out goes to the pressed component as moves, then
    // the release, and only then does it hear that the pointer left.
    std::vector<win::MouseEvent::Kind> kinds;
    for (const auto& e : m_swatch->events)
        kinds.push_back(e.kind);
    auto release = std::find(kinds.begin(), kinds.end(), win::MouseEvent::kRelease);
    ASSERT_NE(release, kinds.end());
    const win::MouseEvent& up = m_swatch->events[static_cast<size_t>(release - kinds.begin())];
    EXPECT_EQ(up.x, 100); // 150 - 50
    EXPECT_EQ(up.y, 60);  // 80 - 20
    EXPECT_EQ(kinds.back(), win::MouseEvent::kLeave);
    EXPECT_EQ(std::count(kinds.begin(), release, win::MouseEvent::kLeave), 0);
}

TEST_F(WindowInputTest, DoubleClickRaisesCode16AfterTheSecondPress) {
    click(60, 30, 1, true);
    click(60, 30, 1, false);
    click(60, 30, 1, true);
    click(60, 30, 1, false);
    ASSERT_TRUE(waitFor([&] { return countOf(kWindowLeftButtonUp) == 2; }));
    EXPECT_EQ(m_codes.codes, (std::vector<i32>{kWindowLeftButton, kWindowLeftButtonUp, kWindowLeftButton,
                                               kWindowDoubleClick, kWindowLeftButtonUp}));
    bool sawDouble = false;
    for (const auto& e : m_swatch->events)
        sawDouble |= e.kind == win::MouseEvent::kDoubleClick;
    EXPECT_TRUE(sawDouble);
}

TEST_F(WindowInputTest, MiddleClickRunsItsActionAfterTheListeners) {
    bool closedWhenHeard = true;
    m_codes.action = [&](i32 code) {
        if (code == kWindowMiddleButton)
            closedWhenHeard = m_window->isClosed();
    };
    // Compared by identity: an equal text is not the action.
    static const char16_t close[] = u"Close";
    m_window->setMiddleClickAction(close);
    click(150, 80, 2, true);
    click(150, 80, 2, false);
    ASSERT_TRUE(waitFor([&] { return countOf(kWindowMiddleButton) == 1; }));
    drain();
    EXPECT_FALSE(m_window->isClosed());

    m_window->setMiddleClickAction(kActionClose);
    click(150, 80, 2, true);
    click(150, 80, 2, false);
    ASSERT_TRUE(waitFor([&] { return m_window->isClosed(); }));
    EXPECT_FALSE(closedWhenHeard);
}

TEST_F(WindowInputTest, KeysAreMappedToPlatformCodesAndEnterIsHandled) {
    Recorder keys;
    std::vector<i32> seen;
    keys.action = [&](i32) { seen.push_back(m_window->getKeyCode()); };
    m_window->addKeyListener(&keys);
    auto press = [&](guint keyval) {
        bool handled = false;
        UIThread::instance().invoke([&] {
            auto* gw = static_cast<GtkWidget*>(m_window->getNativeHandle());
            GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
            e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(gw)));
            e->key.keyval = keyval;
            e->key.time = GDK_CURRENT_TIME;
            gdk_event_set_device(
                e, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
            gboolean ret = FALSE;
            g_signal_emit_by_name(gw, "key-press-event", e, &ret);
            handled = ret;
            gdk_event_free(e);
        });
        return handled;
    };
    EXPECT_TRUE(press(GDK_KEY_Return));
    EXPECT_FALSE(press(GDK_KEY_a));
    press(GDK_KEY_Escape);
    press(GDK_KEY_Left);
    press(GDK_KEY_7);
    EXPECT_EQ(seen, (std::vector<i32>{13, 'A', 27, 37, '7'}));
    EXPECT_EQ(keys.codes.size(), 5u);
    EXPECT_EQ(win::Window::keyCodeOf(GDK_KEY_Down), 40);
    EXPECT_EQ(win::Window::keyCodeOf(GDK_KEY_Tab), 9);
    EXPECT_EQ(win::Window::keyCodeOf(GDK_KEY_Z), 'Z');
}

/// Sends a key press to the window as GDK would; whether it was used.
bool pressKey(win::Window* window, guint keyval, guint state = 0) {
    bool handled = false;
    UIThread::instance().invoke([&] {
        auto* gw = static_cast<GtkWidget*>(window->getNativeHandle());
        GdkEvent* e = gdk_event_new(GDK_KEY_PRESS);
        e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(gw)));
        e->key.keyval = keyval;
        e->key.state = state;
        e->key.time = GDK_CURRENT_TIME;
        gdk_event_set_device(e,
                             gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
        gboolean ret = FALSE;
        g_signal_emit_by_name(gw, "key-press-event", e, &ret);
        handled = ret;
        gdk_event_free(e);
    });
    return handled;
}

TEST_F(WindowTest, KeyListenersReadModifiersAndMayKeepAKey) {
    showAt(200, 100);
    Recorder keys;
    std::vector<i32> modifiers;
    keys.action = [&](i32) {
        modifiers.push_back(m_window->getKeyModifiers());
        if (m_window->getKeyCode() == 'S')
            m_window->setKeyHandled();
    };
    m_window->addKeyListener(&keys);
    EXPECT_TRUE(pressKey(m_window, GDK_KEY_s, GDK_CONTROL_MASK | GDK_SHIFT_MASK));
    EXPECT_FALSE(pressKey(m_window, GDK_KEY_a, GDK_MOD1_MASK)) << "a key nobody kept goes on";
    EXPECT_EQ(m_window->getKeyChar(), U'a');
    EXPECT_FALSE(pressKey(m_window, GDK_KEY_Left));
    EXPECT_EQ(modifiers, (std::vector<i32>{kKeyControl | kKeyShift, kKeyAlt, 0}));
    EXPECT_EQ(win::Window::keyCodeOf(GDK_KEY_bracketleft), 219);
    EXPECT_EQ(win::Window::keyCodeOf(GDK_KEY_bracketright), 221);
}

TEST_F(WindowTest, TabFollowsTheTreeNotTheMiddlesOfTheWidgets) {
    // A row of a radio button and a field twice, the field a pixel lower in
    // its middle than the radio button, then a button under the row: GTK's
    // own order would visit both fields first.
    m_window->setLayoutManager(NoLayout::shared());
    auto* startRadio = win::RadioButton::create();
    startRadio->setText(u"Start");
    startRadio->setBounds(10, 10, 60, 22);
    auto* startField = win::TextField::create();
    startField->setBounds(70, 10, 60, 21);
    auto* endRadio = win::RadioButton::create();
    endRadio->setText(u"End");
    endRadio->setBounds(140, 10, 60, 22);
    auto* endField = win::TextField::create();
    endField->setBounds(200, 10, 60, 21);
    auto* button = win::Button::create();
    button->setText(u"Go");
    button->setBounds(10, 50, 60, 24);
    auto* disabled = win::Button::create();
    disabled->setText(u"Off");
    disabled->setBounds(80, 50, 60, 24);
    disabled->setEnabled(false);
    for (IComponent* c :
         std::vector<IComponent*>{startRadio, startField, endRadio, endField, button, disabled})
        m_window->add(c);
    showAt(300, 100);
    const auto focused = [&] {
        GtkWidget* focus = nullptr;
        UIThread::instance().invoke(
            [&] { focus = gtk_window_get_focus(GTK_WINDOW(m_window->getNativeHandle())); });
        for (win::Component* c :
             std::vector<win::Component*>{startRadio, startField, endRadio, endField, button})
            if (c->getWidget() == focus)
                return c;
        return static_cast<win::Component*>(nullptr);
    };
    UIThread::instance().invoke([&] { gtk_widget_grab_focus(startRadio->getWidget()); });
    const std::vector<win::Component*> forward{startField, endRadio, endField, button, startRadio};
    for (win::Component* next : forward) {
        EXPECT_TRUE(pressKey(m_window, GDK_KEY_Tab));
        EXPECT_EQ(focused(), next);
    }
    // Backwards, round the start, past the disabled button.
    EXPECT_TRUE(pressKey(m_window, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK));
    EXPECT_EQ(focused(), button);
    EXPECT_TRUE(pressKey(m_window, GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK));
    EXPECT_EQ(focused(), endField);
}

// ---------------------------------------------------------------------------
// Drops and wheel

struct BoxRecorder : events::IEventListener {
    void onEvent(IComponent* source, i32 code) override {
        sources.push_back(source);
        codes.push_back(code);
    }
    std::vector<IComponent*> sources;
    std::vector<i32> codes;
};

std::vector<std::u16string> droppedOf(win::Box* box) {
    std::vector<std::u16string> out;
    const str::strarray::StrArray* files = box->getDroppedFiles();
    for (u32 i = 0; i < files->size(); ++i)
        out.emplace_back(files->get(i)->c_str());
    return out;
}

TEST_F(WindowTest, DroppedUrisReachTheDeepestAcceptingBoxAsPlainPaths) {
    m_window->setLayoutManager(NoLayout::shared());
    auto* outer = win::Box::create();
    outer->setBounds(0, 0, 200, 100);
    outer->setLayoutManager(NoLayout::shared());
    outer->setAcceptFiles(true);
    outer->setAcceptUrls(true);
    auto* inner = win::Box::create();
    inner->setBounds(100, 0, 100, 100);
    inner->setAcceptFiles(true);
    auto* plain = win::Box::create(); // accepts nothing: the drop passes to its parent
    plain->setBounds(0, 0, 50, 50);
    outer->add(inner);
    outer->add(plain);
    m_window->add(outer);
    BoxRecorder rec;
    outer->addDropListener(&rec);
    outer->addUrlListener(&rec);
    inner->addDropListener(&rec);
    showAt(200, 100);

    bool taken = false;
    UIThread::instance().invoke([&] {
        taken = m_window->dropUriList("file:///tmp/My%20Clips/a%20b.mp4\r\n"
                                      "# a comment line\r\n"
                                      "file:///tmp/%C3%A9t%C3%A9%20%E6%98%A0%E7%94%BB.mkv\r\n",
                                      150, 50);
    });
    EXPECT_TRUE(taken);
    ASSERT_EQ(rec.codes, (std::vector<i32>{1}));
    EXPECT_EQ(rec.sources[0], inner);
    EXPECT_EQ(droppedOf(inner), (std::vector<std::u16string>{u"/tmp/My Clips/a b.mp4",
                                                             u"/tmp/\u00e9t\u00e9 \u6620\u753b.mkv"}));

    // Over the box that accepts nothing: its accepting parent takes it;
    // links go to the box that accepts links.
    rec.codes.clear();
    rec.sources.clear();
    UIThread::instance().invoke(
        [&] { taken = m_window->dropUriList("https://example.com/v.mp4\nfile:///x.avi\n", 10, 10); });
    EXPECT_TRUE(taken);
    EXPECT_EQ(rec.codes, (std::vector<i32>{1, 7}));
    EXPECT_EQ(droppedOf(outer), (std::vector<std::u16string>{u"/x.avi"}));
    EXPECT_EQ(std::u16string(outer->getDroppedUrl()), u"https://example.com/v.mp4");

    // A file URI of another host is no local path; nothing accepts outside.
    rec.codes.clear();
    UIThread::instance().invoke(
        [&] { taken = m_window->dropUriList("file://server/share/a.mp4\n", 10, 10); });
    EXPECT_FALSE(taken);
    EXPECT_TRUE(rec.codes.empty());
}

TEST_F(WindowTest, WheelGoesToABoxListeningElseToTheWindow) {
    m_window->setLayoutManager(NoLayout::shared());
    auto* left = win::Box::create();
    left->setBounds(0, 0, 100, 100);
    auto* right = win::Box::create();
    right->setBounds(100, 0, 100, 100);
    m_window->add(left);
    m_window->add(right);
    BoxRecorder boxWheel;
    right->addWheelListener(&boxWheel);
    Recorder windowWheel;
    m_window->addWheelListener(&windowWheel);
    showAt(200, 100);

    auto scroll = [&](i32 x, GdkScrollDirection dir) {
        UIThread::instance().invoke([&] {
            auto* gw = static_cast<GtkWidget*>(m_window->getNativeHandle());
            GdkEvent* e = gdk_event_new(GDK_SCROLL);
            e->scroll.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(gw)));
            e->scroll.x = x;
            e->scroll.y = 50;
            e->scroll.direction = dir;
            gdk_event_set_device(
                e, gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())));
            gtk_main_do_event(e);
            gdk_event_free(e);
        });
    };
    scroll(150, GDK_SCROLL_DOWN);
    EXPECT_EQ(boxWheel.codes, (std::vector<i32>{2}));
    EXPECT_EQ(right->getWheelLines(), -win::Window::kWheelScrollLines);
    EXPECT_TRUE(windowWheel.codes.empty());

    scroll(50, GDK_SCROLL_UP);
    EXPECT_EQ(windowWheel.codes, (std::vector<i32>{kWindowWheel}));
    EXPECT_EQ(m_window->getWheelLines(), win::Window::kWheelScrollLines);
    EXPECT_EQ(boxWheel.codes.size(), 1u);
}

// ---------------------------------------------------------------------------
// Size and language

TEST_F(WindowTest, ResizingLaysOutTheTreeAndRaisesCode4) {
    auto* box = win::Box::create();
    box->setPercentSize100();
    m_window->add(box);
    Recorder resized;
    m_window->addResizeListener(&resized);
    showAt(200, 100);
    EXPECT_EQ(box->getWidth(), 200);
    resized.codes.clear();
    m_window->resizeWindow(260, 140);
    ASSERT_TRUE(waitFor([&] { return m_window->getWidth() == 260 && m_window->getHeight() == 140; }));
    EXPECT_EQ(box->getWidth(), 260);
    EXPECT_FALSE(resized.codes.empty());
    EXPECT_EQ(resized.codes.back(), kWindowResize);
}

/// Counts the language changes it hears.
class Texted : public Swatch {
public:
    Texted() : Swatch(0, 0, 0) {}
    void onLanguageChanged() override { ++changes; }
    int changes = 0;
};

TEST_F(WindowTest, LanguageChangeRereadsTitleTellsEveryComponentThenListeners) {
    constexpr std::string_view pack = R"(<lang>
<languages>
<entry tagName="eng" engName="English" trueName="English"/>
<entry tagName="deu" engName="German" trueName="Deutsch"/>
</languages>
<entries>
<entry id="100">title<eng>Cutter</eng><deu>Schneider</deu></entry>
<entry id="101">version<eng>1.0</eng><deu>1,0</deu></entry>
</entries>
</lang>)";
    auto localizer = thread::makePooled<lang::Localizer>();
    localizer->setSystemLanguage(u"English");
    ASSERT_TRUE(localizer->loadUtf8(reinterpret_cast<const u8*>(pack.data()), static_cast<u32>(pack.size())));
    m_window->setLocalizer(localizer.get());
    m_window->setTitleId(100, 101);
    EXPECT_EQ(std::u16string(m_window->getTitle()), u"Cutter v1.0");

    auto* box = win::Box::create();
    auto* nested = new Texted;
    box->add(nested);
    auto* top = new Texted;
    m_window->add(top);
    m_window->add(box);
    const int nestedBefore = nested->changes;
    const int topBefore = top->changes;
    std::vector<std::u16string> titlesHeard;
    Recorder language;
    language.action = [&](i32) { titlesHeard.emplace_back(m_window->getTitle()); };
    m_window->addLanguageListener(&language);
    showAt(200, 100);

    localizer->selectLanguage(u"German");
    EXPECT_EQ(language.codes, (std::vector<i32>{kWindowLanguage}));
    // The listeners hear of it after the title and the components changed.
    EXPECT_EQ(titlesHeard, (std::vector<std::u16string>{u"Schneider v1,0"}));
    EXPECT_EQ(nested->changes, nestedBefore + 1);
    EXPECT_EQ(top->changes, topBefore + 1);
    std::string native;
    UIThread::instance().invoke(
        [&] { native = gtk_window_get_title(GTK_WINDOW(m_window->getNativeHandle())); });
    EXPECT_EQ(native, "Schneider v1,0");
    m_window->setLocalizer(nullptr);
}

TEST_F(WindowTest, RestoreIsHeardOnlyWhenLeavingMinimizedOrMaximized) {
    Recorder restored;
    m_window->addRestoreListener(&restored);
    showAt(200, 100);
    UIThread::instance().invoke([&] {
        m_window->handleWindowState(GDK_WINDOW_STATE_MAXIMIZED, GDK_WINDOW_STATE_MAXIMIZED);
        EXPECT_TRUE(m_window->isMaximized());
        // Minimized from maximized, then back to maximized: a restore.
        m_window->handleWindowState(GDK_WINDOW_STATE_ICONIFIED,
                                    GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED);
        EXPECT_TRUE(m_window->isMinimized());
        m_window->handleWindowState(GDK_WINDOW_STATE_ICONIFIED, GDK_WINDOW_STATE_MAXIMIZED);
        EXPECT_FALSE(m_window->isMinimized());
        // Focus changes are no restore.
        m_window->handleWindowState(GDK_WINDOW_STATE_FOCUSED,
                                    GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FOCUSED);
        m_window->handleWindowState(GDK_WINDOW_STATE_MAXIMIZED, GDK_WINDOW_STATE_FOCUSED);
    });
    EXPECT_EQ(restored.codes, (std::vector<i32>{kWindowRestore, kWindowRestore}));
    EXPECT_FALSE(m_window->isMaximized());
}

TEST_F(WindowTest, KeepOnScreenBringsAWindowBackThatLeftTheScreen) {
    showAt(200, 100);
    // Where the X server has put the window, as the window also knows it.
    auto settledAt = [&](i32 x, i32 y) {
        return waitFor([&] {
            gint gx = 0;
            gint gy = 0;
            gtk_window_get_position(GTK_WINDOW(m_window->getNativeHandle()), &gx, &gy);
            return gx == x && gy == y && m_window->getWindowX() == x && m_window->getWindowY() == y;
        });
    };
    ASSERT_TRUE(settledAt(20, 20));
    EXPECT_TRUE(m_window->isOnScreen());
    // 5 pixels still overlap the screen: that is not enough.
    m_window->moveWindow(-195, 30);
    ASSERT_TRUE(settledAt(-195, 30));
    EXPECT_FALSE(m_window->isOnScreen());
    m_window->keepOnScreen();
    EXPECT_TRUE(settledAt(0, 30));
    EXPECT_TRUE(m_window->isOnScreen());
}

TEST_F(WindowTest, FitToMinimumGrowsASmallerWindow) {
    showAt(200, 100);
    m_window->setMinimumSize(300, 90);
    m_window->fitToMinimum();
    ASSERT_TRUE(waitFor([&] { return m_window->getWidth() == 300; }));
    EXPECT_EQ(m_window->getHeight(), 100); // tall enough already
}

TEST(WindowDefaults, NeverSizedWindowStartsAt240x120TitledWindow) {
    if (!UIThread::instance().start())
        GTEST_SKIP() << "no display";
    win::Window* window = win::Window::create();
    EXPECT_EQ(std::u16string(window->getTitle()), u"Window");
    ASSERT_TRUE(window->createWindow());
    EXPECT_TRUE(window->isRealized());
    EXPECT_EQ(window->getWidth(), 240);
    EXPECT_EQ(window->getHeight(), 120);
    std::string title;
    UIThread::instance().invoke([&] { title = gtk_window_get_title(GTK_WINDOW(window->getNativeHandle())); });
    EXPECT_EQ(title, "Window");
    window->release();
}

} // namespace

namespace {

s::image::win::BufferedImage* solidIcon(s::i32 size, s::u32 argb) {
    auto* icon = s::image::win::BufferedImage::create();
    EXPECT_TRUE(icon->allocate(size, size));
    for (s::i32 y = 0; y < size; ++y)
        for (s::i32 x = 0; x < size; ++x)
            icon->getRow(y)[x] = argb;
    return icon;
}

} // namespace

TEST_F(WindowTest, FrameIconsReachTheNativeWindowWithTheirColours) {
    auto* small = solidIcon(16, 0xFFFF0000);
    auto* big = solidIcon(32, 0x800000FF);
    m_window->setIcons(small, big);
    ASSERT_TRUE(m_window->createWindow());
    std::vector<std::pair<int, std::vector<int>>> seen;
    UIThread::instance().invoke([&] {
        GList* list = gtk_window_get_icon_list(GTK_WINDOW(m_window->getNativeHandle()));
        for (GList* l = list; l; l = l->next) {
            auto* pixbuf = GDK_PIXBUF(l->data);
            const guchar* p = gdk_pixbuf_get_pixels(pixbuf);
            seen.push_back({gdk_pixbuf_get_width(pixbuf), {p[0], p[1], p[2], p[3]}});
        }
        g_list_free(list);
    });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, 16);
    EXPECT_EQ(seen[0].second, (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(seen[1].first, 32);
    // Straight alpha stays straight: no premultiplication on the way.
    EXPECT_EQ(seen[1].second, (std::vector<int>{0, 0, 255, 128}));
    UIThread::instance().invoke([&] { m_window->release(); });
    m_window = nullptr;
    small->release();
    big->release();
}
