#include "app/win/GdkScreens.h"
#include "gui/win/UIThread.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using s::app::win::GdkScreens;
using s::app::win::programScaleFor;
using s::app::win::Rect;

TEST(ProgramScale, FollowsThePrimaryMonitorInDevicePixels) {
    EXPECT_EQ(programScaleFor(1280, 1024, 1), 1);
    EXPECT_EQ(programScaleFor(2560, 1600, 1), 1);
    EXPECT_EQ(programScaleFor(3840, 2160, 1), 2);
    EXPECT_EQ(programScaleFor(7680, 4320, 1), 4);
    // GDK already doubles everything on such a screen: never scale twice.
    EXPECT_EQ(programScaleFor(3840, 2160, 2), 1);
    EXPECT_EQ(programScaleFor(7680, 4320, 2), 2);
    // A factor larger than our own scale still leaves a usable window.
    EXPECT_EQ(programScaleFor(3840, 2160, 3), 1);
    EXPECT_EQ(programScaleFor(0, 0, 0), 1);
}

TEST(GdkScreens, UnknownUntilReadAndThenTheVirtualScreen) {
    GdkScreens screens;
    Rect r;
    EXPECT_FALSE(screens.getVirtualScreen(&r));
    EXPECT_FALSE(screens.getWorkArea(&r));

    auto& ui = s::gui::win::UIThread::instance();
    if (!ui.start())
        GTEST_SKIP() << "no display";
    bool read = false;
    ASSERT_TRUE(ui.invoke([&] { read = screens.refresh(); }));
    ASSERT_TRUE(read);
    Rect all;
    Rect work;
    ASSERT_TRUE(screens.getVirtualScreen(&all));
    ASSERT_TRUE(screens.getWorkArea(&work));
    EXPECT_GT(all.width, 0);
    EXPECT_GT(all.height, 0);
    // The primary monitor's work area lies inside the union of monitors.
    EXPECT_GE(work.x, all.x);
    EXPECT_GE(work.y, all.y);
    EXPECT_LE(work.right(), all.right());
    EXPECT_LE(work.bottom(), all.bottom());
    int w = 0;
    int h = 0;
    int factor = 0;
    ASSERT_TRUE(screens.getPrimaryDeviceSize(&w, &h, &factor));
    EXPECT_GE(factor, 1);
    EXPECT_GE(w, work.width);
    // The test display is one screen of the size xvfb-run was given.
    if (const char* size = std::getenv("SNIPFORGE_TEST_SCREEN"); size && *size) {
        EXPECT_EQ(std::to_string(all.width) + "x" + std::to_string(all.height), size);
    }
    ui.invoke([&] { screens.detach(); });
}

} // namespace
