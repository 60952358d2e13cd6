#include "DrawerCanvas.h"

#include "gui/drawer/Icons.h"
#include "gui/drawer/border/win/Plain.h"
#include "gui/drawer/border/win/Thin.h"
#include "gui/drawer/border/win/UnderWindowMenu.h"
#include "gui/drawer/button/win/Thin.h"
#include "gui/drawer/checkbox/win/Thin.h"
#include "gui/drawer/combo/win/Thin.h"
#include "gui/drawer/counter/win/Basic.h"
#include "gui/drawer/groupbox/win/Thin.h"
#include "gui/drawer/listbox/win/Basic.h"
#include "gui/drawer/listbox/win/Thin.h"
#include "gui/drawer/listheader/win/Thin.h"
#include "gui/drawer/radiobutton/win/Thin.h"
#include "gui/drawer/scrollbar/win/Thin.h"
#include "gui/drawer/slider/win/Thin.h"
#include "gui/drawer/statusbar/win/Thin.h"
#include "gui/drawer/tabbox/win/Thin.h"
#include "gui/drawer/window/win/Thin.h"
#include "gui/win/Text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace s::test::gui {
namespace {

using namespace s::gui::drawer;
using s::thread::Pooled;

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};

bool icon(Canvas& c, i32 l, i32 t, i32 r, i32 b, const char16_t* name, Rgb colour = kBlack, i32 s = 1) {
    return paintIcon(c.cr(), l, t, r, b, name, colour.r, colour.g, colour.b, s);
}

// -- vector icons --

TEST(DrawerIconTest, StopFillsTheCentredEvenSquareOfTheWorkArea) {
    Canvas c(20, 16);
    ASSERT_TRUE(icon(c, 0, 0, 20, 16, u"#Stop"));
    const auto black = c.where(kBlack);
    ASSERT_EQ(black.size(), 14u * 14u);
    EXPECT_EQ(black.front(), std::make_pair(3, 1));
    EXPECT_EQ(black.back(), std::make_pair(16, 14));
}

TEST(DrawerIconTest, ResizerPutsSixSquaresIntoTheFrameMargin) {
    // A 12 x 12 button at scale 1 has the content rectangle 2..10.
    Canvas c(12, 12);
    ASSERT_TRUE(icon(c, 2, 2, 10, 10, u"#Resizer"));
    std::set<std::pair<i32, i32>> expected;
    for (auto [x, y] : {std::pair{10, 10}, {6, 10}, {2, 10}, {10, 6}, {6, 6}, {10, 2}})
        for (i32 dy = 0; dy < 2; ++dy)
            for (i32 dx = 0; dx < 2; ++dx)
                expected.insert({x + dx, y + dy});
    const auto black = c.where(kBlack);
    EXPECT_EQ(std::set(black.begin(), black.end()), expected);
}

TEST(DrawerIconTest, ColourSwatchReadsTheLastSixDigitsAsBlueGreenRed) {
    struct Case {
        const char16_t* name;
        Rgb inside;
    };
    for (const Case& k : {Case{u"#Color-00ff0000", Rgb{0, 0, 255}}, Case{u"#Color-000000ff", Rgb{255, 0, 0}},
                          Case{u"#Color-0012AB34", Rgb{0x34, 0xAB, 0x12}}}) {
        Canvas c(10, 8);
        // The colour argument does not matter for a swatch.
        ASSERT_TRUE(icon(c, 0, 0, 10, 8, k.name, Rgb{9, 9, 9}));
        for (i32 x = 0; x < 10; ++x) {
            EXPECT_EQ(c.at(x, 0), kBlack);
            EXPECT_EQ(c.at(x, 7), kBlack);
        }
        for (i32 y = 0; y < 8; ++y) {
            EXPECT_EQ(c.at(0, y), kBlack);
            EXPECT_EQ(c.at(9, y), kBlack);
        }
        EXPECT_EQ(c.at(1, 1), k.inside);
        EXPECT_EQ(c.at(8, 6), k.inside);
        EXPECT_EQ(c.where(k.inside).size(), 8u * 6u);
    }
}

TEST(DrawerIconTest, NamesThatAreNotIconsPaintNothing) {
    for (const char16_t* name : {u"#Triangle", u"Play", u"#", u"", u"#play", u"#Color-", u"#Color-00ff00",
                                 u"#Color-00ff00zz", u"#Color-00ff0000ff"}) {
        Canvas c(24, 24);
        EXPECT_FALSE(icon(c, 0, 0, 24, 24, name));
        EXPECT_FALSE(isIconName(name));
        EXPECT_EQ(c.painted(), 0);
    }
    EXPECT_FALSE(paintIcon(nullptr, 0, 0, 10, 10, nullptr, 0, 0, 0, 1));
}

TEST(DrawerIconTest, EmptyOrInvertedRectanglesAreStillIconsButPaintNothing) {
    Canvas c(24, 24);
    EXPECT_TRUE(icon(c, 5, 5, 5, 20, u"#Play"));
    EXPECT_TRUE(icon(c, 20, 5, 4, 20, u"#Stop"));
    EXPECT_TRUE(icon(c, 4, 20, 20, 4, u"#Color-00ff0000"));
    EXPECT_EQ(c.painted(), 0);
}

const char16_t* const kAllIcons[] = {
    u"#_",          u"#.",        u"#X",          u"#Transform", u"#Play",       u"#Pause",    u"#Stop",
    u"#Speaker",    u"#Mute",     u"#Right",      u"#Left",      u"#Up",         u"#Down",     u"#RightRight",
    u"#LeftLeft",   u"#Next",     u"#Prev",       u"#ThumbLineV", u"#ThumbLineH", u"#Minus",   u"#Plus",
    u"#PlusMinus",  u"#Check",    u"#TreeClosed", u"#TreeOpen",  u"#TurnRight",  u"#TurnLeft", u"#OnTop",
    u"#FitWindow",  u"#FitToWindow", u"#Palm",    u"#KeepRatio",
};

TEST(DrawerIconTest, EveryFigureStaysInsideItsContentRectangleAtEveryScale) {
    for (i32 s : {1, 2, 4})
        for (i32 size : {8, 15, 24, 33})
            for (const char16_t* name : kAllIcons) {
                const i32 margin = 10;
                Canvas c(size + 2 * margin, size + 2 * margin);
                ASSERT_TRUE(icon(c, margin, margin, margin + size, margin + size, name, kBlack, s));
                EXPECT_TRUE(isIconName(name));
                i32 inside = 0;
                for (auto [x, y] : c.where(kBlack)) {
                    const bool in = x >= margin && x < margin + size && y >= margin && y < margin + size;
                    EXPECT_TRUE(in) << s::gui::win::toUtf8(name) << " pixel (" << x << ", " << y << ") outside, s=" << s << " size=" << size;
                    inside += in;
                }
                if (size - 2 * s >= 6) {
                    EXPECT_GT(inside, 0) << s::gui::win::toUtf8(name) << " nothing painted, s=" << s << " size=" << size;
                }
            }
}

TEST(DrawerIconTest, MirroredPairsAreMirrorImages) {
    const std::pair<const char16_t*, const char16_t*> pairs[] = {
        {u"#Right", u"#Left"}, {u"#Next", u"#Prev"}, {u"#TurnRight", u"#TurnLeft"}, {u"#RightRight", u"#LeftLeft"}};
    for (auto [a, b] : pairs) {
        Canvas ca(20, 20), cb(20, 20);
        icon(ca, 0, 0, 20, 20, a);
        icon(cb, 0, 0, 20, 20, b);
        for (i32 y = 0; y < 20; ++y)
            for (i32 x = 0; x < 20; ++x)
                ASSERT_EQ(ca.at(x, y), cb.at(19 - x, y)) << "(" << x << ", " << y << ")";
    }
}

TEST(DrawerIconTest, MinusThicknessIsAFifthRoundedDownToEvenButAtLeastOne) {
    struct Case {
        i32 side; // content rectangle side at s = 1 (work area side + 2)
        i32 thickness;
    };
    for (const Case& k : {Case{22, 4}, Case{12, 2}, Case{10, 1}, Case{6, 1}, Case{32, 6}}) {
        Canvas c(k.side, k.side);
        ASSERT_TRUE(icon(c, 0, 0, k.side, k.side, u"#Minus"));
        const i32 work = (k.side - 2) & ~1;
        EXPECT_EQ(static_cast<i32>(c.where(kBlack).size()), work * k.thickness) << k.side;
    }
}

// -- borders --

TEST(DrawerBorderTest, UnderMenuStripSpansTheWholeWidth) {
    for (i32 w : {1, 7, 333}) {
        Canvas c(w, 4);
        auto strip = Pooled<border::win::UnderWindowMenu>(border::win::UnderWindowMenu::create());
        strip->paint(c.dc(), 0, 0, w, 4);
        for (i32 x = 0; x < w; ++x) {
            EXPECT_EQ(c.at(x, 0), (Rgb{172, 168, 153}));
            EXPECT_EQ(c.at(x, 1), kWhite);
            EXPECT_EQ(c.at(x, 2), kPaper);
        }
    }
}

TEST(DrawerBorderTest, PlainOutlineTakesOnlyTheOutermostPixels) {
    Canvas c(9, 6);
    auto plain = Pooled<border::win::Plain>(border::win::Plain::create());
    plain->setColour(145, 155, 156);
    plain->paint(c.dc(), 0, 0, 9, 6);
    const Rgb line{145, 155, 156};
    EXPECT_EQ(c.where(line).size(), static_cast<std::size_t>(2 * 9 + 2 * 4));
    EXPECT_EQ(c.at(0, 0), line);
    EXPECT_EQ(c.at(8, 5), line);
    EXPECT_EQ(c.at(1, 1), kPaper);
    EXPECT_EQ(c.at(7, 4), kPaper);
}

TEST(DrawerBorderTest, RaisedBevelDerivesTruncatedShades) {
    Canvas c(10, 10);
    border::win::Thin::paintFrame(c.cr(), 0, 0, 10, 10, border::win::Thin::kRaised, 0, Rgb{200, 100, 50}, true, 1);
    EXPECT_EQ(c.at(5, 0), (Rgb{229, 114, 57}));  // light, x 1.15
    EXPECT_EQ(c.at(5, 9), (Rgb{100, 50, 25}));   // dark2, x 0.5
    EXPECT_EQ(c.at(0, 5), (Rgb{210, 105, 52}));  // light2, x 1.05
    EXPECT_EQ(c.at(9, 5), (Rgb{140, 70, 35}));   // dark, x 0.7
    EXPECT_EQ(c.at(1, 1), kPaper);
}

TEST(DrawerBorderTest, BevelShadesClampAndFollowTheShadingSwitch) {
    const auto shades = border::win::Thin::shadesOf(Rgb{240, 10, 0}, true);
    EXPECT_EQ(shades.light, (Rgb{255, 11, 0}));
    EXPECT_EQ(shades.darkest, (Rgb{108, 4, 0}));
    Canvas c(10, 10);
    border::win::Thin::paintFrame(c.cr(), 0, 0, 10, 10, border::win::Thin::kPressed, 0, Rgb{200, 100, 50}, false, 1);
    EXPECT_EQ(c.where(Rgb{200, 100, 50}).size(), 36u);
}

TEST(DrawerBorderTest, BevelLinesAreTwoPixelsFromScaleTwoAndTabsHaveNoBottom) {
    Canvas c(12, 12);
    border::win::Thin::paintFrame(c.cr(), 0, 0, 12, 12, border::win::Thin::kTab, 0, Rgb{100, 100, 100}, true, 2);
    EXPECT_EQ(c.at(6, 0), (Rgb{105, 105, 105}));
    EXPECT_EQ(c.at(6, 1), (Rgb{105, 105, 105}));
    EXPECT_EQ(c.at(6, 2), kPaper);
    EXPECT_EQ(c.at(6, 11), kPaper);     // no bottom line
    EXPECT_EQ(c.at(0, 11), (Rgb{100, 100, 100})); // the sides run to the bottom
}

TEST(DrawerBorderTest, CornerStylesLeaveTheCornerPixelsOut) {
    Canvas cut(10, 10), round(10, 10);
    border::win::Thin::paintFrame(cut.cr(), 0, 0, 10, 10, 0, border::win::Thin::kCut, Rgb{100, 100, 100}, false, 1);
    border::win::Thin::paintFrame(round.cr(), 0, 0, 10, 10, 0, border::win::Thin::kRound, Rgb{100, 100, 100}, false, 1);
    for (auto [x, y] : {std::pair{0, 0}, {9, 0}, {0, 9}, {9, 9}}) {
        EXPECT_EQ(cut.at(x, y), kPaper);
        EXPECT_EQ(round.at(x, y), kPaper);
    }
    EXPECT_EQ(cut.at(1, 0), (Rgb{100, 100, 100}));
    EXPECT_EQ(round.at(1, 0), kPaper);
    EXPECT_EQ(round.at(1, 1), (Rgb{100, 100, 100}));
    EXPECT_EQ(round.at(2, 0), (Rgb{100, 100, 100}));
}

// -- every drawer --

TEST(DrawerTest, EmptyAndInvertedRectanglesPaintNothing) {
    std::vector<IDrawer*> drawers = {
        border::win::Plain::create(),       border::win::UnderWindowMenu::create(), border::win::Thin::create(),
        button::win::Thin::create(),        window::win::Thin::create(),            checkbox::win::Thin::create(),
        radiobutton::win::Thin::create(),   scrollbar::win::Thin::create(),         slider::win::Thin::create(),
        counter::win::Basic::create(),      groupbox::win::Thin::create(),          statusbar::win::Thin::create(),
        tabbox::win::Thin::create(),        listbox::win::Thin::create(),           listbox::win::Basic::create(),
        listheader::win::Thin::create(),    combo::win::Thin::create()};
    static_cast<window::win::Thin*>(drawers[4])->setBackgroundColour(1, 2, 3);
    Canvas c(16, 16);
    for (IDrawer* d : drawers) {
        d->paint(c.dc(), 5, 5, 5, 12);
        d->paint(c.dc(), 5, 5, 12, 5);
        d->paint(c.dc(), 12, 3, 4, 9);
        EXPECT_EQ(c.painted(), 0) << s::gui::win::toUtf8(d->getClassName());
        d->release();
    }
    auto button = Pooled<button::win::Thin>(button::win::Thin::create());
    button->paintButton(c.dc(), 9, 0, 2, 16, kButtonPressed, u"#Stop", true, nullptr, true, false);
    EXPECT_EQ(c.painted(), 0);
}

// -- button --

TEST(DrawerButtonTest, ToggledButtonSwapsNormalAndPressed) {
    auto button = Pooled<button::win::Thin>(button::win::Thin::create());
    button->setScale(1);
    button->setFaceColour(Rgb{250, 250, 250});
    button->setPressedFaceColour(Rgb{200, 200, 200});
    Canvas pressed(30, 20), toggledNormal(30, 20), toggledPressed(30, 20), normal(30, 20);
    button->paintButton(pressed.dc(), 0, 0, 30, 20, kButtonPressed, u"#Play", true, nullptr, false, false);
    button->paintButton(toggledNormal.dc(), 0, 0, 30, 20, kButtonNormal, u"#Play", true, nullptr, false, true);
    button->paintButton(toggledPressed.dc(), 0, 0, 30, 20, kButtonPressed, u"#Play", true, nullptr, false, true);
    button->paintButton(normal.dc(), 0, 0, 30, 20, kButtonNormal, u"#Play", true, nullptr, false, false);
    EXPECT_EQ(pressed.pixels(), toggledNormal.pixels());
    EXPECT_EQ(normal.pixels(), toggledPressed.pixels());
    EXPECT_EQ(normal.at(15, 3), (Rgb{250, 250, 250}));
    EXPECT_EQ(pressed.at(15, 3), (Rgb{200, 200, 200}));
}

TEST(DrawerButtonTest, IconSitsInTheContentRectangleAndMovesWithThePressOffset) {
    auto button = Pooled<button::win::Thin>(button::win::Thin::create());
    button->setScale(1);
    button->setTextColour(Rgb{255, 0, 0});
    // 24 x 20: content 2..22 x 2..18 (20 x 16), so "#Stop" is 14 x 14 at (5, 3).
    Canvas c(24, 20);
    button->paintButton(c.dc(), 0, 0, 24, 20, kButtonNormal, u"#Stop", true, nullptr, false, false);
    auto red = c.where(Rgb{255, 0, 0});
    ASSERT_EQ(red.size(), 196u);
    EXPECT_EQ(red.front(), std::make_pair(5, 3));

    button->setPressOffset(true);
    Canvas p(24, 20);
    button->paintButton(p.dc(), 0, 0, 24, 20, kButtonPressed, u"#Stop", true, nullptr, false, false);
    red = p.where(Rgb{255, 0, 0});
    ASSERT_EQ(red.size(), 196u);
    EXPECT_EQ(red.front(), std::make_pair(6, 4));
}

TEST(DrawerButtonTest, HashNameThatIsNoIconIsWrittenAsText) {
    auto button = Pooled<button::win::Thin>(button::win::Thin::create());
    button->setScale(1);
    button->setFaceColour(kWhite);
    button->setTextColour(kBlack);
    Canvas text(120, 30, kWhite);
    button->paintButton(text.dc(), 0, 0, 120, 30, kButtonNormal, u"#Triangle", true, nullptr, false, false);
    // The glyphs put dark pixels inside the content rectangle, which an
    // empty button leaves white.
    i32 dark = 0;
    for (i32 y = 4; y < 26; ++y)
        for (i32 x = 4; x < 116; ++x) {
            const Rgb p = text.at(x, y);
            dark += p.r < 128 && p.g < 128 && p.b < 128;
        }
    EXPECT_GT(dark, 10);
}

// -- window --

TEST(DrawerWindowTest, ResetDrawerIsTransparentWithTheGreyFrame) {
    auto window = Pooled<window::win::Thin>(window::win::Thin::create());
    EXPECT_TRUE(window->isTransparent());
    Canvas c(20, 10);
    window->paint(c.dc(), 0, 0, 20, 10);
    EXPECT_EQ(c.at(10, 0), (Rgb{120, 120, 120}));
    EXPECT_EQ(c.at(0, 5), (Rgb{120, 120, 120}));
    EXPECT_EQ(c.at(10, 5), kPaper);

    window->setBackgroundColour(1, 2, 3);
    EXPECT_FALSE(window->isTransparent());
    window->paint(c.dc(), 0, 0, 20, 10);
    EXPECT_EQ(c.at(10, 5), (Rgb{1, 2, 3}));

    window.reset(); // hands it back; the pool gives the same object out again
    auto again = Pooled<window::win::Thin>(window::win::Thin::create());
    EXPECT_TRUE(again->isTransparent());
    EXPECT_EQ(again->getBackgroundColour(), kWhite);
    EXPECT_EQ(again->getTopCornerStyle(), 0);
}

TEST(DrawerWindowTest, RoundedCornersFollowTheStaircase) {
    auto window = Pooled<window::win::Thin>(window::win::Thin::create());
    window->setBackgroundColour(255, 255, 255);
    window->setCornerStyles(window::win::Thin::kRounded, window::win::Thin::kSquare);
    Canvas c(30, 20);
    window->paint(c.dc(), 0, 0, 30, 20);
    const Rgb frame{120, 120, 120};
    // Top-left: the frame starts 5, 3, 2, 2, 1 pixels in on rows 0..4.
    const i32 insets[] = {5, 3, 2, 2, 1, 0};
    for (i32 row = 0; row < 6; ++row) {
        EXPECT_EQ(c.at(insets[row], row), frame) << row;
        EXPECT_EQ(c.at(29 - insets[row], row), frame) << row;
        if (insets[row] > 0) {
            EXPECT_EQ(c.at(insets[row] - 1, row), kPaper) << row;
            EXPECT_EQ(c.at(30 - insets[row], row), kPaper) << row;
        }
    }
    EXPECT_EQ(c.at(0, 19), frame); // square bottom corners
    EXPECT_EQ(c.at(29, 19), frame);
    EXPECT_EQ(window::win::Thin::cornerEllipse(2), 11);
}

// -- slider --

TEST(DrawerSliderTest, ChannelEndsPutTheThumbAgainstTheEdges) {
    auto slider = Pooled<slider::win::Thin>(slider::win::Thin::create());
    slider->setScale(1);
    i32 cl = 0, cr = 0;
    slider->getChannel(100, 10, &cl, &cr);
    EXPECT_EQ(cl, 5);
    EXPECT_EQ(cr, 95);
    slider->getChannel(5, 10, &cl, &cr);
    EXPECT_LE(cl, cr);
    EXPECT_EQ(slider->thumbCentre(100, 10, 0, 100, 0), 5);
    EXPECT_EQ(slider->thumbCentre(100, 10, 0, 100, 100), 95);
    EXPECT_EQ(slider->thumbCentre(100, 10, 0, 100, 150), 95);
    EXPECT_EQ(slider->thumbCentre(100, 10, 0, 100, 50), 50);
    EXPECT_EQ(slider->thumbCentre(100, 10, 7, 7, 7), 5);

    // Painted at the maximum, the thumb reaches the last column and leaves
    // the first one to the groove's end.
    slider->setColours(Rgb{68, 68, 68}, Rgb{200, 0, 0});
    Canvas c(100, 20);
    slider->paintSlider(c.dc(), 0, 0, 100, 20, 0, 100, 100, 0, false, 10, false, false);
    EXPECT_EQ(c.at(95, 10), (Rgb{200, 0, 0}));
    EXPECT_NE(c.at(99, 10), kPaper);
    EXPECT_EQ(c.at(89, 3), kPaper);
    EXPECT_EQ(c.at(2, 3), kPaper);
}

// -- scroll bar and counter --

TEST(DrawerScrollBarTest, ThumbSpanFollowsPageAndPosition) {
    i32 start = -1, len = -1;
    EXPECT_FALSE(scrollbar::win::Thin::thumbSpan(100, 0, 50, 50, 8, &start, &len));
    EXPECT_FALSE(scrollbar::win::Thin::thumbSpan(100, 0, 0, 50, 8, &start, &len));
    ASSERT_TRUE(scrollbar::win::Thin::thumbSpan(100, 0, 25, 100, 8, &start, &len));
    EXPECT_EQ(start, 0);
    EXPECT_EQ(len, 25);
    ASSERT_TRUE(scrollbar::win::Thin::thumbSpan(100, 75, 25, 100, 8, &start, &len));
    EXPECT_EQ(start + len, 100);
    ASSERT_TRUE(scrollbar::win::Thin::thumbSpan(100, 1000, 1, 100000, 8, &start, &len));
    EXPECT_EQ(len, 8);
    ASSERT_TRUE(scrollbar::win::Thin::thumbSpan(100, 500000, 1, 100000, 8, &start, &len));
    EXPECT_EQ(start + len, 100);
}

TEST(DrawerCounterTest, BarFillsItsShareAndClampsTheValue) {
    auto counter = Pooled<counter::win::Basic>(counter::win::Basic::create());
    counter->setScale(1);
    counter->setColours(Rgb{0, 0, 200}, Rgb{255, 165, 0});
    Canvas half(44, 10), over(44, 10);
    counter->paintCounter(half.dc(), 0, 0, 44, 10, 50, 100);
    counter->paintCounter(over.dc(), 0, 0, 44, 10, 500, 100);
    // Inside 2..42: half is 20 columns, its last two in the accent colour.
    EXPECT_EQ(half.at(2, 5), (Rgb{0, 0, 200}));
    EXPECT_EQ(half.at(20, 5), (Rgb{255, 165, 0}));
    EXPECT_EQ(half.at(21, 5), (Rgb{255, 165, 0}));
    EXPECT_EQ(half.at(22, 5), kPaper);
    EXPECT_EQ(over.at(41, 5), (Rgb{0, 0, 200}));
    EXPECT_TRUE(over.where(Rgb{255, 165, 0}).empty());
}

} // namespace
} // namespace s::test::gui
