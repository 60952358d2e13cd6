// Labels, images and the plain text, image and status bar drawers. Sizes are
// compared with what the text drawer itself measures, so the tests hold for
// whatever fonts the machine has. No display is needed except where a test
// says so (it is skipped without one).

#include "gui/Scale.h"
#include "gui/drawer/image/win/Basic.h"
#include "gui/drawer/statusbar/win/Basic.h"
#include "gui/drawer/text/win/Basic.h"
#include "gui/win/FontSetting.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Image.h"
#include "gui/win/Label.h"
#include "gui/win/StatusBar.h"
#include "gui/win/UIThread.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace s;
using s::gui::win::Label;
using s::gui::win::MouseEvent;

namespace {

/// An opaque image buffer filled with one colour and a drawing context on it.
class Paper {
public:
    Paper(i32 w, i32 h, u32 rgb) : m_image(image::win::BufferedImage::create()), m_dc(gui::win::MemDC::create()) {
        EXPECT_TRUE(m_image->allocate(w, h));
        m_image->fill(255, (rgb >> 16) & 255, (rgb >> 8) & 255, rgb & 255);
        EXPECT_TRUE(m_dc->create(m_image, false));
    }
    ~Paper() {
        m_dc->release();
        m_image->release();
    }
    Paper(const Paper&) = delete;
    Paper& operator=(const Paper&) = delete;
    gui::win::MemDC& dc() { return *m_dc; }
    image::win::BufferedImage* image() { return m_image; }
    i32 width() const { return m_image->getWidth(); }
    i32 height() const { return m_image->getHeight(); }
    /// 0x00RRGGBB.
    u32 at(i32 x, i32 y) {
        m_dc->flush();
        return static_cast<u32>(m_image->getRow(y)[x]) & 0xFFFFFF;
    }

private:
    image::win::BufferedImage* m_image;
    gui::win::MemDC* m_dc;
};

struct Recorder : gui::events::IEventListener {
    void onEvent(gui::IComponent* source, i32 code) override { events.emplace_back(source, code); }
    std::vector<std::pair<gui::IComponent*, i32>> events;
};

MouseEvent mouse(MouseEvent::Kind kind, i32 x, i32 y, i32 button = 1) {
    MouseEvent e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.button = button;
    return e;
}

using LabelPtr = thread::Pooled<Label>;

void textSize(const char16_t* text, gui::win::FontSetting& font, u32 flags, i32 width, i32* w, i32* h) {
    thread::Pooled<gui::drawer::text::win::Basic> drawer = thread::makePooled<gui::drawer::text::win::Basic>();
    drawer->measure(text, font, flags, width, w, h);
}

constexpr char16_t kSentence[] = u"alpha beta gamma delta epsilon zeta eta theta";

} // namespace

// -- measuring --

TEST(LabelTest, SameTextIsNeitherChangedNorMeasuredAgain) {
    LabelPtr label = thread::makePooled<Label>();
    EXPECT_TRUE(label->setText(u"Ready", false));
    const i32 measured = label->getMeasureCount();
    EXPECT_GT(label->getMinWidth(), 0);
    EXPECT_FALSE(label->setText(u"Ready", true));
    EXPECT_EQ(label->getMeasureCount(), measured);
    EXPECT_TRUE(label->setText(u"Canceling..", false));
    EXPECT_GT(label->getMeasureCount(), measured);
}

TEST(LabelTest, WrappedSizesAreCachedPerOfferedWidth) {
    LabelPtr label = thread::makePooled<Label>();
    label->setWordWrap(true);
    label->setText(kSentence, false);
    label->setSizeWithin(80, 0);
    const i32 afterFirst = label->getMeasureCount();
    label->setSizeWithin(80, 0);
    label->setSizeWithin(80, 0);
    EXPECT_EQ(label->getMeasureCount(), afterFirst) << "the same width again must come from the cache";
    label->setSizeWithin(120, 0);
    EXPECT_EQ(label->getMeasureCount(), afterFirst + 1);
}

TEST(LabelTest, WordWrapMakesANarrowLabelTaller) {
    LabelPtr label = thread::makePooled<Label>();
    label->setWordWrap(true);
    label->setText(kSentence, false);
    i32 lineW = 0;
    i32 lineH = 0;
    textSize(kSentence, *label->getFontSetting(), 0, 0, &lineW, &lineH);

    EXPECT_LT(label->getMinWidth(), lineW) << "a wrapping label can be narrower than its line";
    EXPECT_EQ(label->getMaxWidth(), lineW);

    label->setSizeWithin(lineW / 3, 0);
    EXPECT_LE(label->getWidth(), lineW / 3 + 1);
    EXPECT_GE(label->getHeight(), 2 * lineH) << "three times narrower needs several lines";
    EXPECT_EQ(label->getMinHeight(), label->getHeight());

    label->setSizeWithin(lineW + 50, 0);
    EXPECT_EQ(label->getWidth(), lineW) << "never wider than the unwrapped text";
    EXPECT_EQ(label->getHeight(), lineH);
}

TEST(LabelTest, EndEllipsisKeepsTheMinimumWidthSmall) {
    LabelPtr label = thread::makePooled<Label>();
    const std::u16string name =
        u"a very long video file name that would push the window wider than any screen.mp4";
    label->setEndEllipsis(true);
    label->setText(name.c_str(), false);
    i32 fullW = 0;
    i32 fullH = 0;
    textSize(name.c_str(), *label->getFontSetting(), 0, 0, &fullW, &fullH);
    i32 dotsW = 0;
    i32 dotsH = 0;
    textSize(u"...", *label->getFontSetting(), 0, 0, &dotsW, &dotsH);

    EXPECT_EQ(label->getMinWidth(), dotsW);
    EXPECT_EQ(label->getMaxWidth(), fullW);
    EXPECT_EQ(label->getMinHeight(), fullH);
    label->setSizeWithin(dotsW * 4, 0);
    EXPECT_EQ(label->getWidth(), dotsW * 4);

    // Without the ellipsis the same text insists on its whole width.
    label->setEndEllipsis(false);
    EXPECT_EQ(label->getMinWidth(), fullW);
}

TEST(LabelTest, SizeCodeSetsTheFontHeightAndTheMeasuredHeight) {
    LabelPtr label = thread::makePooled<Label>();
    label->setText(u"Frames:", false);
    label->setSizeCode(100001);
    EXPECT_EQ(label->getFontHeight(), gui::win::FontSetting::heightForPoints(8, gui::displayScale()));
    EXPECT_FALSE(label->isBold());
    const i32 small = label->getMinHeight();
    label->setSizeCode(100);
    EXPECT_EQ(label->getFontHeight(), gui::win::FontSetting::heightForPoints(14, gui::displayScale()));
    EXPECT_TRUE(label->isBold());
    EXPECT_GT(label->getMinHeight(), small) << "a larger font must be measured again";
}

TEST(LabelTest, AmpersandIsMeasuredAsItself) {
    LabelPtr label = thread::makePooled<Label>();
    label->setText(u"A&B", false);
    const i32 withAmpersand = label->getMinWidth();
    label->setText(u"AB", false);
    EXPECT_GT(withAmpersand, label->getMinWidth());
}

// -- clicks --

TEST(LabelTest, ReleaseInsideIsAClickReleaseOutsideIsNot) {
    LabelPtr label = thread::makePooled<Label>();
    label->setText(u"Save as Image", false);
    label->setSize(80, 16);
    Recorder clicks;
    label->addClickListener(&clicks);

    EXPECT_FALSE(label->onMouse(mouse(MouseEvent::kPress, 5, 5))) << "not clickable yet";
    label->setClickable(true);

    label->onMouse(mouse(MouseEvent::kEnter, 5, 5, 0));
    EXPECT_TRUE(label->isHover());
    EXPECT_TRUE(label->onMouse(mouse(MouseEvent::kPress, 5, 5)));
    EXPECT_TRUE(label->isPressed());
    label->onMouse(mouse(MouseEvent::kRelease, 6, 6));
    EXPECT_FALSE(label->isPressed());
    ASSERT_EQ(clicks.events.size(), 1u);
    EXPECT_EQ(clicks.events[0].first, label.get());
    EXPECT_EQ(clicks.events[0].second, gui::kLabelClick);

    // Pressed inside, dragged out and released there: no click.
    label->onMouse(mouse(MouseEvent::kPress, 5, 5));
    label->onMouse(mouse(MouseEvent::kMove, 90, 5, 0));
    EXPECT_FALSE(label->isHover());
    label->onMouse(mouse(MouseEvent::kRelease, 90, 5));
    EXPECT_EQ(clicks.events.size(), 1u);

    // Right button and a release without a press: no click either.
    label->onMouse(mouse(MouseEvent::kPress, 5, 5, 3));
    label->onMouse(mouse(MouseEvent::kRelease, 5, 5, 3));
    label->onMouse(mouse(MouseEvent::kRelease, 5, 5));
    EXPECT_EQ(clicks.events.size(), 1u);

    // A disabled label takes no clicks.
    label->setEnabled(false);
    EXPECT_FALSE(label->onMouse(mouse(MouseEvent::kPress, 5, 5)));
    label->onMouse(mouse(MouseEvent::kRelease, 5, 5));
    EXPECT_EQ(clicks.events.size(), 1u);
}

TEST(LabelTest, LinkTargetOpensBeforeTheClickListeners) {
    std::vector<std::string> order;
    struct Listener : gui::events::IEventListener {
        std::vector<std::string>* order;
        void onEvent(gui::IComponent*, i32) override { order->push_back("listener"); }
    } listener;
    listener.order = &order;
    Label::setLinkOpener([&order](const char16_t* target) {
        order.push_back("open " + std::string(target, target + std::char_traits<char16_t>::length(target)));
        return true;
    });
    LabelPtr label = thread::makePooled<Label>();
    label->setText(u"Maker", false);
    label->setSize(40, 16);
    label->setClickable(true);
    label->setLinkTarget(u"https://example.org/");
    label->addClickListener(&listener);
    label->onMouse(mouse(MouseEvent::kPress, 1, 1));
    label->onMouse(mouse(MouseEvent::kRelease, 1, 1));
    Label::setLinkOpener(nullptr);
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], "open https://example.org/");
    EXPECT_EQ(order[1], "listener");
}

TEST(LabelTest, HoverAndPressedColoursArePainted) {
    LabelPtr label = thread::makePooled<Label>();
    label->setText(u"\u2588\u2588\u2588", false); // full blocks: solid text pixels
    label->setClickable(true);
    label->setNormalColor(51, 51, 51);
    label->setHoverColor(0, 0, 238);
    const i32 w = label->getMinWidth();
    const i32 h = label->getMinHeight();
    label->setSize(w, h);
    auto count = [&](u32 colour) {
        Paper paper(w, h, 0xFFFFFF);
        label->paint(paper.dc(), w, h);
        i32 n = 0;
        for (i32 y = 0; y < h; ++y)
            for (i32 x = 0; x < w; ++x)
                n += paper.at(x, y) == colour;
        return n;
    };
    EXPECT_GT(count(0x333333), 0);
    EXPECT_EQ(count(0x0000EE), 0);
    label->onMouse(mouse(MouseEvent::kEnter, 1, 1, 0));
    EXPECT_GT(count(0x0000EE), 0);
    EXPECT_EQ(count(0x333333), 0);
}

// -- text styles --

TEST(LabelTest, ShadowStyleDrawsGreyOnePixelDownRight) {
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    font->setSizeCode(100); // large and bold: plenty of fully covered pixels
    thread::Pooled<gui::drawer::text::win::Basic> drawer = thread::makePooled<gui::drawer::text::win::Basic>();
    const char16_t* text = u"HI\u2588";
    Paper plain(80, 40, 0xFFFFFF);
    drawer->paintText(plain.dc(), 2, 2, 78, 38, text, *font, 0, true);
    font->setStyle(2);
    Paper shadowed(80, 40, 0xFFFFFF);
    drawer->paintText(shadowed.dc(), 2, 2, 78, 38, text, *font, 0, true);
    Paper disabled(80, 40, 0xFFFFFF);
    drawer->paintText(disabled.dc(), 2, 2, 78, 38, text, *font, 0, false);

    // Where a fully black text pixel has blank paper down-right of it, the
    // shadow shows there in its exact colour.
    i32 checked = 0;
    for (i32 y = 0; y + 1 < 40; ++y) {
        for (i32 x = 0; x + 1 < 80; ++x) {
            if (plain.at(x, y) != 0x000000 || plain.at(x + 1, y + 1) != 0xFFFFFF)
                continue;
            EXPECT_EQ(shadowed.at(x + 1, y + 1), 0x777777u) << x << "," << y;
            EXPECT_EQ(disabled.at(x + 1, y + 1), 0xEEEEEEu) << x << "," << y;
            EXPECT_EQ(shadowed.at(x, y), 0x000000u) << "the text is drawn over its shadow";
            ++checked;
        }
    }
    EXPECT_GT(checked, 3);
}

TEST(LabelTest, OutlineStylesSurroundTheText) {
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    font->setSizeCode(100);
    font->setColor(255, 255, 255);
    font->setShadowColor(200, 0, 0);
    font->setOutlineColor2(0, 0, 200);
    thread::Pooled<gui::drawer::text::win::Basic> drawer = thread::makePooled<gui::drawer::text::win::Basic>();
    auto colours = [&](i32 style) {
        font->setStyle(style);
        Paper paper(60, 40, 0x000000);
        drawer->paintText(paper.dc(), 4, 4, 56, 36, u"\u2588", *font, 0, true);
        std::vector<u32> seen;
        for (i32 y = 0; y < 40; ++y)
            for (i32 x = 0; x < 60; ++x)
                seen.push_back(paper.at(x, y));
        return seen;
    };
    auto has = [](const std::vector<u32>& v, u32 c) { return std::find(v.begin(), v.end(), c) != v.end(); };
    const auto style1 = colours(1);
    EXPECT_TRUE(has(style1, 0xC80000));
    EXPECT_TRUE(has(style1, 0xFFFFFF));
    const auto style7 = colours(7);
    EXPECT_TRUE(has(style7, 0x0000C8));
    EXPECT_FALSE(has(style7, 0xC80000));
}

TEST(LabelTest, EllipsisIsDrawnInsideTheGivenWidth) {
    thread::Pooled<gui::win::FontSetting> font = thread::makePooled<gui::win::FontSetting>();
    thread::Pooled<gui::drawer::text::win::Basic> drawer = thread::makePooled<gui::drawer::text::win::Basic>();
    Paper paper(120, 30, 0xFFFFFF);
    drawer->paintText(paper.dc(), 0, 0, 60, 30, kSentence, *font, gui::drawer::kTextEndEllipsis, true);
    i32 inked = 0;
    for (i32 y = 0; y < 30; ++y) {
        for (i32 x = 0; x < 120; ++x) {
            if (paper.at(x, y) == 0xFFFFFF)
                continue;
            EXPECT_LT(x, 60) << "ink outside the rectangle at " << x << "," << y;
            ++inked;
        }
    }
    EXPECT_GT(inked, 0);
}

// -- other threads --

TEST(LabelTest, TextFromOtherThreadsArrivesOnTheUiThread) {
    LabelPtr label = thread::makePooled<Label>();
    if (!gui::win::UIThread::instance().start()) {
        // Without a user-interface thread the change is made at once.
        label->setTextFromOtherThread(u"now");
        EXPECT_EQ(std::u16string(label->getText()), u"now");
        GTEST_SKIP() << "no display";
    }
    std::thread worker([&] { label->setTextFromOtherThread(u"from worker"); });
    worker.join();
    // Jobs run in order: once this one ran, the posted change has too.
    ASSERT_TRUE(gui::win::UIThread::instance().invoke([] {}));
    EXPECT_EQ(std::u16string(label->getText()), u"from worker");

    label->setTextDelayed(u"first");
    label->setTextDelayed(u"second");
    std::u16string seen;
    for (int i = 0; i < 200 && seen != u"second"; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(gui::win::UIThread::instance().invoke([&] { seen = label->getText(); }));
    }
    EXPECT_EQ(seen, u"second");
}

TEST(LabelTest, DelayedTextForAReleasedLabelIsDropped) {
    if (!gui::win::UIThread::instance().start())
        GTEST_SKIP() << "no display";
    Label* label = Label::create();
    label->setTextDelayed(u"too late");
    label->setTextFromOtherThread(u"also too late");
    ASSERT_TRUE(gui::win::UIThread::instance().invoke([label] { label->release(); }));
    // Let the timer fire into nothing (AddressSanitizer catches a use).
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * gui::kLabelDelayMs));
    EXPECT_TRUE(gui::win::UIThread::instance().invoke([] {}));
}

// -- image --

TEST(ImageControlTest, PictureKeepsItsProportionsCentred) {
    i32 box[4];
    gui::win::Image::placePicture(16, 9, 100, 100, true, box);
    EXPECT_EQ(box[0], 0);
    EXPECT_EQ(box[2], 100);
    EXPECT_EQ(box[3] - box[1], 56);
    EXPECT_EQ(box[1], 22);
    gui::win::Image::placePicture(9, 16, 100, 100, true, box);
    EXPECT_EQ(box[2] - box[0], 56);
    EXPECT_EQ(box[1], 0);
    gui::win::Image::placePicture(16, 9, 100, 100, false, box);
    EXPECT_EQ(box[0], 0);
    EXPECT_EQ(box[3], 100);
    gui::win::Image::placePicture(4000, 1, 100, 100, true, box);
    EXPECT_EQ(box[3] - box[1], 1) << "never thinner than a pixel";
}

TEST(ImageControlTest, PaintsScaledUnlessUpdating) {
    thread::Pooled<gui::win::Image> control = thread::makePooled<gui::win::Image>();
    image::win::BufferedImage* picture = image::win::BufferedImage::create();
    ASSERT_TRUE(picture->allocate(20, 10)); // left half red, right half blue
    for (i32 y = 0; y < 10; ++y)
        for (i32 x = 0; x < 20; ++x)
            picture->getRow(y)[x] = x < 10 ? 0xFFFF0000 : 0xFF0000FF;
    control->setImage(picture, true);
    EXPECT_TRUE(control->hasImage());

    Paper paper(40, 40, 0x00FF00);
    control->paint(paper.dc(), 40, 40);
    EXPECT_EQ(paper.at(20, 2), 0x00FF00u) << "above the picture: background";
    EXPECT_EQ(paper.at(2, 20), 0xFF0000u);
    EXPECT_EQ(paper.at(37, 20), 0x0000FFu);
    EXPECT_EQ(paper.at(20, 37), 0x00FF00u) << "below the picture: background";

    control->setUpdating(true);
    Paper held(40, 40, 0x00FF00);
    control->paint(held.dc(), 40, 40);
    EXPECT_EQ(held.at(2, 20), 0x00FF00u);

    control->setPercentWidth(100);
    control->setFixedWidth(30);
    control->setPercentWidth(50);
    EXPECT_EQ(control->getFixedWidth(), -1) << "a percent clears the fixed width";
}

TEST(ImageControlTest, BorderFramesThePicture) {
    thread::Pooled<gui::drawer::image::win::Basic> drawer = thread::makePooled<gui::drawer::image::win::Basic>();
    image::win::BufferedImage* picture = image::win::BufferedImage::create();
    ASSERT_TRUE(picture->allocate(4, 4));
    picture->fill(255, 255, 255, 0);
    Paper paper(10, 10, 0x00FF00);
    drawer->paintImage(paper.dc(), paper.image(), 1, 1, 9, 9, picture, true, true, false);
    const i32 s = gui::displayScale();
    EXPECT_EQ(paper.at(0, 0), 0x00FF00u);
    EXPECT_EQ(paper.at(1, 1), 0x000000u);
    EXPECT_EQ(paper.at(8, 5), 0x000000u);
    EXPECT_EQ(paper.at(1 + s, 1 + s), 0xFFFF00u);
    drawer->paintImage(paper.dc(), paper.image(), 5, 5, 5, 9, picture, true, true, false); // empty: nothing
    EXPECT_EQ(paper.at(5, 5), 0xFFFF00u);
    picture->release();
}

// -- status bar --

TEST(StatusBarDrawerTest, ResizerDotsSitAtThreeSevenAndElevenFromTheCorner) {
    thread::Pooled<gui::drawer::statusbar::win::BasicResizer> grip =
        thread::makePooled<gui::drawer::statusbar::win::BasicResizer>();
    constexpr u32 kPaper = 0x102030;
    Paper paper(20, 20, kPaper);
    grip->paint(paper.dc(), 0, 0, 20, 20);
    const i32 dots[6][2] = {{17, 17}, {13, 17}, {9, 17}, {17, 13}, {13, 13}, {17, 9}};
    i32 expectedInk = 0;
    for (const auto& d : dots) {
        const i32 x = d[0];
        const i32 y = d[1];
        // The shade dot one pixel up-left covers the white dot's top-left.
        EXPECT_EQ(paper.at(x - 1, y - 1), 0xB8B5A1u) << x << "," << y;
        EXPECT_EQ(paper.at(x, y), 0xB8B5A1u) << x << "," << y;
        EXPECT_EQ(paper.at(x + 1, y + 1), 0xFFFFFFu) << x << "," << y;
        EXPECT_EQ(paper.at(x + 1, y), 0xFFFFFFu) << x << "," << y;
        expectedInk += 7;
    }
    i32 ink = 0;
    for (i32 y = 0; y < 20; ++y)
        for (i32 x = 0; x < 20; ++x)
            ink += paper.at(x, y) != kPaper;
    EXPECT_EQ(ink, expectedInk) << "six dots and nothing else";
}

TEST(StatusBarDrawerTest, PlainBarKeepsTheBackgroundUnlessTheOldGradientIsAsked) {
    thread::Pooled<gui::drawer::statusbar::win::Basic> bar = thread::makePooled<gui::drawer::statusbar::win::Basic>();
    Paper plain(30, 22, 0x102030);
    bar->setGradient(true); // on a current platform: still plain
    bar->paint(plain.dc(), 0, 0, 30, 22);
    EXPECT_EQ(plain.at(15, 0), 0x102030u);
    EXPECT_EQ(plain.at(15, 21), 0x102030u);

    bar->setLegacyPlatform(true);
    Paper old(30, 22, 0x102030);
    bar->paint(old.dc(), 0, 0, 30, 22);
    EXPECT_EQ(old.at(15, 0), 0x959385u);
    EXPECT_EQ(old.at(15, 4), 0xEEEBD9u);
    EXPECT_EQ(old.at(15, 10), 0xECE9D8u);
    EXPECT_EQ(old.at(15, 22 - 9), 0xEBE8D4u);
    EXPECT_EQ(old.at(15, 21), 0xDFDCCAu);

    bar->setResizer(gui::drawer::statusbar::win::BasicResizer::create());
    Paper withGrip(30, 22, 0x102030);
    bar->paint(withGrip.dc(), 0, 0, 30, 22);
    EXPECT_EQ(withGrip.at(30 - 3 + 1, 22 - 3 + 1), 0xFFFFFFu);
}

TEST(StatusBarTest, GripStaysTheLastChild) {
    thread::Pooled<gui::win::StatusBar> bar = thread::makePooled<gui::win::StatusBar>();
    gui::IComponent* grip = bar->getGrip();
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->getMinWidth(), gui::win::StatusBar::kGripSize * gui::displayScale());
    Label* a = Label::create();
    Label* b = Label::create();
    bar->add(a);
    bar->add(b);
    ASSERT_EQ(bar->getChildCount(), 3);
    EXPECT_EQ(bar->getChild(0), a);
    EXPECT_EQ(bar->getChild(1), b);
    EXPECT_EQ(bar->getChild(2), grip);
    bar->removeAll(true);
    ASSERT_EQ(bar->getChildCount(), 1);
    EXPECT_EQ(bar->getChild(0), grip);
}

TEST(GroupBoxTest, CaptionMakesRoomAndDropsRaiseCodeOne) {
    thread::Pooled<gui::win::GroupBox> group = thread::makePooled<gui::win::GroupBox>();
    const i32 before = group->getPadTop();
    group->setText(u"Output");
    EXPECT_GT(group->getPadTop(), before) << "the caption's line is kept free";
    Recorder drops;
    group->addDropListener(&drops);
    group->dropFiles({u"/videos/a.mp4"});
    EXPECT_TRUE(drops.events.empty()) << "files are taken only when accepted";
    group->setAcceptFiles(true);
    group->dropFiles({u"/videos/a.mp4", u"/videos/b c.mkv"});
    ASSERT_EQ(drops.events.size(), 1u);
    EXPECT_EQ(drops.events[0].second, gui::kGroupBoxFilesDropped);
    EXPECT_EQ(group->getDroppedFiles()->size(), 2u);
}

// -- in a window --

#include "foundation/lang/Localizer.h"
#include "gui/win/Box.h"
#include "gui/win/Window.h"

#include <string_view>

namespace {
constexpr std::string_view kLabelPack = R"(<lang>
<languages>
<entry tagName="eng" engName="English" trueName="English"/>
<entry tagName="deu" engName="German" trueName="Deutsch"/>
</languages>
<entries>
<entry id="609450"><eng>Ready</eng><deu>Bereit und wartend</deu></entry>
</entries>
</lang>)";
} // namespace

TEST(LabelTest, TextByIdFollowsTheWindowsLanguageAndRelaysTheParentOut) {
    thread::Pooled<lang::Localizer> localizer = thread::makePooled<lang::Localizer>();
    localizer->setSystemLanguage(u"English");
    ASSERT_TRUE(localizer->loadUtf8(reinterpret_cast<const u8*>(kLabelPack.data()),
                                    static_cast<u32>(kLabelPack.size())));
    gui::win::Window* window = gui::win::Window::create();
    window->setLocalizer(localizer.get());
    gui::win::Box* row = gui::win::Box::create();
    row->setKindRow();
    row->setPercentWidth(100, false);
    Label* label = Label::create();
    label->setTextId(609450);
    EXPECT_EQ(std::u16string(label->getText()), u"") << "no window yet: nothing to read";
    row->add(label);
    window->add(row);
    EXPECT_EQ(std::u16string(label->getText()), u"Ready");
    window->setSize(400, 100);
    window->doLayout();
    const i32 readyW = label->getWidth();
    EXPECT_EQ(readyW, label->getMinWidth());

    localizer->selectLanguage(u"German");
    label->onLanguageChanged();
    EXPECT_EQ(std::u16string(label->getText()), u"Bereit und wartend");
    EXPECT_GT(label->getWidth(), readyW) << "the longer text was laid out without an explicit layout";

    label->setText(u"Canceling..", true);
    EXPECT_EQ(label->getTextId(), -1) << "a literal text is not replaced on the next language change";
    localizer->selectLanguage(u"English");
    label->onLanguageChanged();
    EXPECT_EQ(std::u16string(label->getText()), u"Canceling..");
    window->release();
}
