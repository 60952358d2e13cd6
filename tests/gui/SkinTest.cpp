#include "DrawerCanvas.h"

#include "gui/Scale.h"
#include "gui/drawer/Skinner.h"
#include "gui/drawer/button/win/Thin.h"
#include "gui/drawer/listbox/win/Thin.h"
#include "gui/drawer/scrollbar/win/Thin.h"
#include "gui/drawer/skin/Thin.h"
#include "gui/drawer/skin/ThinWindow.h"
#include "gui/drawer/window/win/Thin.h"
#include "gui/win/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace s::test::gui {
namespace {

using namespace s::gui::drawer;
using s::thread::Pooled;

std::vector<std::string> namesOf(const Skinner& skinner) {
    std::vector<std::string> out;
    for (const auto& name : skinner.getNames())
        out.push_back(s::gui::win::toUtf8(name.c_str()));
    return out;
}

bool complete(const ISkin* skin) {
    return skin->getWindow() && skin->getButton() && skin->getText() && skin->getScrollBar() && skin->getCheckBox() &&
           skin->getRadioButton() && skin->getSlider() && skin->getCounter() && skin->getListHeader() &&
           skin->getListBox() && skin->getStatusBar() && skin->getMenu() && skin->getCombo() && skin->getGroupBox() &&
           skin->getTabBox();
}

TEST(SkinTest, WindowSkinnerListsItsSchemesInTheFamilyOrder) {
    auto skinner = Pooled<Skinner>(Skinner::makeWindowSkinner());
    EXPECT_EQ(skinner->getKind(), Skinner::kThinWindow);
    const std::vector<std::string> expected = {"White",       "Ivory",     "Black",      "Black II",
                                               "Black Black", "Black Black II", "Classic LG", "Beige",
                                               "Sky Blue",    "Pink",      "Salmon Red", "Yellow",
                                               "Green",       "Orange",    "Khaki",      "Indigo"};
    EXPECT_EQ(namesOf(*skinner), expected);
    ASSERT_EQ(skinner->getCount(), 16u);
    for (u32 i = 0; i < skinner->getCount(); ++i) {
        EXPECT_EQ(std::u16string(skinner->getSkin(i)->getName()), skinner->getNames()[i]);
        EXPECT_TRUE(complete(skinner->getSkin(i))) << expected[i];
        EXPECT_EQ(std::u16string(skinner->getSkin(i)->getClassName()), u"s_gui_drawer_skin_ThinWindow");
    }

    ISkin* classic = skinner->findSkin(u"Classic LG");
    ASSERT_NE(classic, nullptr);
    EXPECT_EQ(classic, skinner->getSkin(6));
    EXPECT_EQ(skinner->findSkin(u"classic lg"), nullptr);
    EXPECT_EQ(skinner->findSkin(nullptr), nullptr);

    // Its drawers carry the scheme's colours: window frame C2 on background
    // C1 with square corners, list rows C11/C12/C9/C10/C13.
    auto* window = static_cast<window::win::Thin*>(classic->getWindow());
    EXPECT_EQ(window->getFrameColour(), (Rgb{17, 17, 17}));
    EXPECT_EQ(window->getBackgroundColour(), (Rgb{116, 116, 116}));
    EXPECT_FALSE(window->isTransparent());
    EXPECT_EQ(window->getTopCornerStyle(), 0);
    EXPECT_EQ(window->getBottomCornerStyle(), 0);
    auto* list = static_cast<listbox::win::Thin*>(classic->getListBox());
    EXPECT_EQ(list->getBackgroundColour(), (Rgb{49, 49, 49}));
    EXPECT_EQ(list->getTextColour(), (Rgb{191, 191, 191}));
    EXPECT_EQ(list->getSelectionColour(), (Rgb{25, 25, 25}));
    EXPECT_EQ(list->getSelectedTextColour(), (Rgb{255, 255, 255}));
    EXPECT_EQ(list->getAlternateColour(), (Rgb{56, 56, 56}));
    EXPECT_EQ(static_cast<button::win::Thin*>(classic->getButton())->getLineColour(), (Rgb{17, 17, 17}));
}

TEST(SkinTest, ThinFamilyFollowsItsSchemeTable) {
    auto skinner = Pooled<Skinner>(Skinner::create());
    skinner->setKind(Skinner::kThin);
    skinner->build();
    const std::vector<std::string> expected = {"White",  "Light Gray", "Black",  "Ivory", "Sky Blue",
                                               "Pink",   "Green",      "Green2", "Yellow", "Orange",
                                               "Khaki",  "Indigo",     "Salmon Red"};
    EXPECT_EQ(namesOf(*skinner), expected);
    for (ISkin* skin : skinner->getSkins()) {
        EXPECT_TRUE(complete(skin));
        EXPECT_EQ(std::u16string(skin->getClassName()), u"s_gui_drawer_skin_Thin");
    }
    ISkin* black = skinner->findSkin(u"Black");
    ASSERT_NE(black, nullptr);
    auto* window = static_cast<window::win::Thin*>(black->getWindow());
    EXPECT_EQ(window->getBackgroundColour(), (Rgb{51, 51, 51}));
    EXPECT_EQ(window->getFrameColour(), (Rgb{176, 176, 176}));
    auto* list = static_cast<listbox::win::Thin*>(black->getListBox());
    EXPECT_EQ(list->getAlternateColour(), (Rgb{243, 243, 243}));

    // Building again rebuilds rather than listing every skin twice.
    skinner->build();
    EXPECT_EQ(skinner->getCount(), 13u);
}

TEST(SkinTest, BasicFamilyHasNoSkins) {
    auto skinner = Pooled<Skinner>(Skinner::create());
    EXPECT_EQ(skinner->getKind(), Skinner::kBasic);
    skinner->build();
    EXPECT_EQ(skinner->getCount(), 0u);
    EXPECT_EQ(skinner->getCurrent(), nullptr);
    EXPECT_EQ(std::u16string(skinner->getCurrentName()), u"");
    EXPECT_EQ(skinner->getSkin(0), nullptr);
    EXPECT_EQ(skinner->getName(0), nullptr);
}

TEST(SkinTest, CurrentSkinChangesOnlyToAKnownName) {
    auto skinner = Pooled<Skinner>(Skinner::makeWindowSkinner());
    EXPECT_EQ(std::u16string(skinner->getCurrentName()), u"White");
    EXPECT_TRUE(skinner->setCurrent(u"Classic LG"));
    EXPECT_EQ(skinner->getCurrent(), skinner->findSkin(u"Classic LG"));
    EXPECT_FALSE(skinner->setCurrent(u"Green2")); // a Thin scheme only
    EXPECT_EQ(std::u16string(skinner->getCurrentName()), u"Classic LG");
}

TEST(SkinTest, ScrollBarWidthFollowsTheDisplayScale) {
    const i32 before = s::gui::displayScale();
    s::gui::setDisplayScale(2);
    auto skinner = Pooled<Skinner>(Skinner::makeWindowSkinner());
    EXPECT_EQ(skinner->getSkin(0)->getScrollBar()->getWidth(), 30);
    s::gui::setDisplayScale(before);
}

TEST(SkinTest, ResetReleasesEverySkinAndItsDrawers) {
    auto skinner = Pooled<Skinner>(Skinner::makeWindowSkinner());
    auto& skins = s::thread::poolOf<skin::ThinWindow>();
    auto& buttons = s::thread::poolOf<button::win::Thin>();
    auto& windows = s::thread::poolOf<window::win::Thin>();
    const u32 idleSkins = skins.pooledCount();
    const u32 idleButtons = buttons.pooledCount();
    const u32 idleWindows = windows.pooledCount();

    skinner->reset();
    EXPECT_EQ(skinner->getCount(), 0u);
    EXPECT_TRUE(skinner->getNames().empty());
    EXPECT_EQ(skinner->getKind(), Skinner::kBasic);
    EXPECT_EQ(skins.pooledCount(), idleSkins + 16);
    EXPECT_EQ(buttons.pooledCount(), idleButtons + 16);
    EXPECT_EQ(windows.pooledCount(), idleWindows + 16);
}

TEST(SkinTest, ReplacingADrawerReleasesTheOldOneOnce) {
    auto skin = Pooled<skin::Thin>(skin::Thin::create());
    auto& buttons = s::thread::poolOf<button::win::Thin>();
    auto* first = button::win::Thin::create();
    auto* second = button::win::Thin::create();
    const u32 idle = buttons.pooledCount();
    skin->setButton(first);
    skin->setButton(first); // the same drawer again: kept
    EXPECT_EQ(buttons.pooledCount(), idle);
    skin->setButton(second);
    EXPECT_EQ(buttons.pooledCount(), idle + 1);
    skin->setButton(nullptr);
    EXPECT_EQ(buttons.pooledCount(), idle + 2);
    EXPECT_EQ(skin->getButton(), nullptr);
}

TEST(SkinTest, SkinDrawersPaintInTheSchemeColours) {
    auto skinner = Pooled<Skinner>(Skinner::makeWindowSkinner());
    ISkin* classic = skinner->findSkin(u"Classic LG");
    ASSERT_NE(classic, nullptr);
    Canvas c(40, 30);
    classic->getWindow()->paint(c.dc(), 0, 0, 40, 30);
    EXPECT_EQ(c.at(0, 0), (Rgb{17, 17, 17}));
    EXPECT_EQ(c.at(20, 15), (Rgb{116, 116, 116}));
    // A normal button: face C1, raised frame from C4, the icon in C6.
    classic->getButton()->paintButton(c.dc(), 0, 0, 24, 20, kButtonNormal, u"#Stop", true, nullptr, false, false);
    EXPECT_EQ(c.at(1, 10), (Rgb{116, 116, 116}));
    EXPECT_EQ(c.at(10, 10), (Rgb{255, 255, 255}));
}

} // namespace
} // namespace s::test::gui
