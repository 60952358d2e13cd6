// The confirmation window and the version window, driven with real key
// presses under the test display.

#include "gui/dialogs/About3.h"
#include "gui/dialogs/FlexAsker.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Label.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"

#include "support/PrivateDisplay.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace {

using namespace s;
using namespace s::gui;
using s::gui::win::UIThread;

using snipforge::test::waitFor;

/// A key press as the X server would deliver it to the window: through
/// GTK's event dispatch, so the focused control sees it first.
void pressKey(win::Window* window, guint key) {
    UIThread::instance().invoke([&] {
        auto* widget = static_cast<GtkWidget*>(window->getNativeHandle());
        GdkWindow* gdk = widget ? gtk_widget_get_window(widget) : nullptr;
        if (!gdk)
            return;
        for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
            GdkEvent* e = gdk_event_new(type);
            e->key.window = GDK_WINDOW(g_object_ref(gdk));
            e->key.keyval = key;
            e->key.time = GDK_CURRENT_TIME;
            gdk_event_set_device(e, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
            gtk_main_do_event(e);
            gdk_event_free(e);
        }
    });
}

/// Runs `ask` on the user-interface thread without blocking the test, which
/// then drives the window.
class RunningAsker {
public:
    explicit RunningAsker(dialogs::FlexAsker* asker, const char16_t* title = nullptr,
                          const char16_t* message = nullptr) {
        UIThread::instance().post([this, asker, title, message] {
            m_answer = asker->ask(nullptr, title, message);
            m_done = true;
        });
        m_shown = waitFor([asker] {
            win::Window* w = asker->getWindow();
            return w && w->isRealized() && !w->isClosed() && asker->getYesButton()->getWidget() &&
                   gtk_widget_has_focus(asker->getYesButton()->getWidget());
        });
    }
    bool shown() const { return m_shown; }
    bool finish() {
        for (int i = 0; i < 300 && !m_done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return m_done;
    }
    bool answer() const { return m_answer; }

private:
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_answer{false};
    bool m_shown = false;
};

class StandardDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The keyboard focus is the X server's: a display of its own keeps
        // window tests running at the same time from taking it.
        snipforge::test::usePrivateDisplayForProcess();
        if (!UIThread::instance().start())
            GTEST_SKIP() << "no display";
        m_asker = dialogs::FlexAsker::create();
    }
    void TearDown() override {
        if (!m_asker)
            return;
        // An asker still waiting is closed first: its loop must end before
        // the object goes.
        for (int i = 0; i < 300; ++i) {
            bool open = false;
            UIThread::instance().invoke([&] {
                win::Window* w = m_asker->getWindow();
                open = w && !w->isClosed();
                if (open)
                    w->close();
            });
            if (!open)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        UIThread::instance().invoke([this] { m_asker->release(); });
    }
    dialogs::FlexAsker* m_asker = nullptr;
};

TEST_F(StandardDialogsTest, AskerWithoutTextsShowsTheDefaultsAndEnterAnswersYes) {
    RunningAsker running(m_asker);
    ASSERT_TRUE(running.shown());
    std::u16string title;
    UIThread::instance().invoke([&] { title = m_asker->getWindow()->getTitle(); });
    EXPECT_EQ(title, u"Confirmation Dialog");
    pressKey(m_asker->getWindow(), GDK_KEY_Return);
    ASSERT_TRUE(running.finish());
    EXPECT_TRUE(running.answer());
    EXPECT_TRUE(m_asker->getAnswer());
    EXPECT_FALSE(m_asker->isDontAskAgain());
}

TEST_F(StandardDialogsTest, TabThenEnterAnswersNo) {
    RunningAsker running(m_asker, u"Drop files", u"Open these files?");
    ASSERT_TRUE(running.shown());
    pressKey(m_asker->getWindow(), GDK_KEY_Tab);
    ASSERT_TRUE(waitFor([this] { return gtk_widget_has_focus(m_asker->getNoButton()->getWidget()); }));
    pressKey(m_asker->getWindow(), GDK_KEY_Return);
    ASSERT_TRUE(running.finish());
    EXPECT_FALSE(running.answer());
}

TEST_F(StandardDialogsTest, TickedCheckBoxIsReportedAfterYes) {
    RunningAsker running(m_asker);
    ASSERT_TRUE(running.shown());
    UIThread::instance().invoke([this] { m_asker->getCheckBox()->setChecked(true, true); });
    UIThread::instance().invoke([this] { m_asker->getYesButton()->click(); });
    ASSERT_TRUE(running.finish());
    EXPECT_TRUE(running.answer());
    EXPECT_TRUE(m_asker->isDontAskAgain());
}

TEST_F(StandardDialogsTest, WithoutCheckBoxDontAskAgainStaysFalse) {
    m_asker->setShowCheckBox(false);
    RunningAsker running(m_asker);
    ASSERT_TRUE(running.shown());
    EXPECT_EQ(m_asker->getCheckBox(), nullptr);
    UIThread::instance().invoke([this] { m_asker->getWindow()->close(); });
    ASSERT_TRUE(running.finish());
    // Closed by other means: No.
    EXPECT_FALSE(running.answer());
    EXPECT_FALSE(m_asker->isDontAskAgain());
}

TEST_F(StandardDialogsTest, VersionWindowIsKeptAndShownAgainAfterClosing) {
    dialogs::About3* about = dialogs::About3::create();
    about->setInfo(u"1.17", u"2026-12-09", u"https://zarvo.example/snipforge/");
    about->show(1);
    win::Window* first = about->getWindow();
    ASSERT_NE(first, nullptr);
    std::u16string title;
    std::u16string url;
    UIThread::instance().invoke([&] {
        title = first->getTitle();
        url = about->getUrlLabel()->getText();
    });
    EXPECT_EQ(title, u"Version Information");
    EXPECT_EQ(url, u"https://zarvo.example/snipforge/");
    UIThread::instance().invoke([&] { first->close(); });
    EXPECT_TRUE(first->isClosed());
    about->show(1);
    EXPECT_EQ(about->getWindow(), first);
    EXPECT_FALSE(first->isClosed());
    UIThread::instance().invoke([&] { about->release(); });
}

} // namespace
