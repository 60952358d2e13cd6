// The busy mark of the picture control: it comes only after its delay, goes
// at once, and dims the picture under three light dots.

#include "gui/win/Image.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace s;

namespace {

/// Runs the default main context's due work for up to `ms` milliseconds or
/// until `done` holds.
template <typename Done> bool runLoopFor(int ms, Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < until) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

TEST(ImageBusy, TheMarkComesAfterItsDelayAndGoesAtOnce) {
    gui::win::Image* control = gui::win::Image::create();
    control->setBusy(true, 60);
    EXPECT_FALSE(control->isBusyShown()) << "a quick picture must not flicker";
    EXPECT_TRUE(runLoopFor(2000, [&] { return control->isBusyShown(); }));
    control->setBusy(false, 0);
    EXPECT_FALSE(control->isBusyShown());
    // Called off before its delay: never shown.
    control->setBusy(true, 60);
    control->setBusy(false, 0);
    EXPECT_FALSE(runLoopFor(200, [&] { return control->isBusyShown(); }));
    // A second request while one is pending keeps the first's start.
    control->setBusy(true, 60);
    control->setBusy(true, 100000);
    EXPECT_TRUE(runLoopFor(2000, [&] { return control->isBusyShown(); }));
    // Released while a delay runs: the timer goes with it.
    control->setBusy(false, 0);
    control->setBusy(true, 50);
    control->release();
    runLoopFor(150, [] { return false; });
}

TEST(ImageBusy, TheMarkDimsThePictureUnderThreeDots) {
    image::win::BufferedImage* picture = image::win::BufferedImage::create();
    ASSERT_TRUE(picture->allocate(96, 96));
    picture->fill(255, 200, 200, 200);
    image::win::BufferedImage* paper = image::win::BufferedImage::create();
    ASSERT_TRUE(paper->allocate(96, 96));
    gui::win::MemDC* dc = gui::win::MemDC::create();
    ASSERT_TRUE(dc->create(paper, false));
    gui::win::Image* control = gui::win::Image::create();
    control->setImage(picture, true);
    const auto at = [&](int x, int y) {
        dc->flush();
        return static_cast<u32>(paper->getRow(y)[x]) & 0xFFFFFF;
    };
    control->paint(*dc, 96, 96);
    EXPECT_EQ(at(10, 10), 0xC8C8C8u);
    control->setBusy(true, 0);
    control->paint(*dc, 96, 96);
    const u32 dimmed = at(10, 10);
    EXPECT_LT(dimmed & 0xFF, 0xC8u);
    EXPECT_GT(dimmed & 0xFF, 0x40u) << "the old picture stays recognisable";
    EXPECT_EQ(at(48, 48), 0xFFFFFFu) << "the middle dot";
    control->setBusy(false, 0);
    control->paint(*dc, 96, 96);
    EXPECT_EQ(at(10, 10), 0xC8C8C8u);
    control->release();
    dc->release();
    paper->release();
}

} // namespace
