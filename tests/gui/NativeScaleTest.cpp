// The controls GTK draws follow the display scale as the toolkit-drawn ones
// do: indicators, sliders, fields, combo boxes, menus, the default font of
// dialogs; and the version window shows its address whole.

#include "gui/win/NativeScale.h"
#include "gui/Scale.h"
#include "gui/combobox/ComboBoxItem.h"
#include "gui/dialogs/About3.h"
#include "gui/win/Box.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ComboBox.h"
#include "gui/win/Label.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/TextField.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"

#include "support/PrivateDisplay.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <map>
#include <string>
#include <thread>

using namespace s;
using namespace s::gui;
using s::gui::win::UIThread;
using snipforge::test::waitFor;

namespace {

/// Natural sizes of a set of native controls made at one display scale.
struct Measured {
    std::map<std::string, std::pair<int, int>> sizes; // name -> (width, height)
    int fontSize = 0;                                 // the default font, in Pango units
    int menuItemHeight = 0;
};

class NativeScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        snipforge::test::usePrivateDisplayForProcess();
        if (!UIThread::instance().start())
            GTEST_SKIP() << "no display";
    }
    void TearDown() override {
        setDisplayScale(1);
        UIThread::instance().invoke([] { win::applyNativeScale(); });
    }

    static std::pair<int, int> natural(GtkWidget* w) {
        // The layout's size request would come back: ask without it.
        gint rw = -1;
        gint rh = -1;
        gtk_widget_get_size_request(w, &rw, &rh);
        gtk_widget_set_size_request(w, -1, -1);
        GtkRequisition n{};
        gtk_widget_get_preferred_size(w, nullptr, &n);
        gtk_widget_set_size_request(w, rw, rh);
        return {n.width, n.height};
    }

    /// The controls made at `scale`. Released controls go back to their
    /// pools with the defaults of the scale current at that moment (a
    /// process has one scale all its life), so the next scale is set first.
    Measured measureAt(i32 scale, i32 nextScale) {
        setDisplayScale(scale);
        Measured m;
        win::Window* window = win::Window::create();
        auto* radio = win::RadioButton::create();
        radio->setText(u"");
        auto* check = win::CheckBox::create();
        check->setText(u"");
        auto* slider = win::Slider::create();
        slider->setRange(0, 100);
        auto* field = win::TextField::create();
        field->setText(u"0:00:00", false);
        auto* combo = win::ComboBox::create();
        auto* entry = combobox::ComboBoxItem::create();
        entry->setText(u"Save a Scene");
        combo->addItem(entry);
        for (win::Component* c : std::initializer_list<win::Component*>{radio, check, slider, field, combo})
            window->add(c);
        window->resizeWindow(400, 300);
        window->showWindow(true, false);
        const bool made = waitFor([&] {
            for (win::Component* c :
                 std::initializer_list<win::Component*>{radio, check, slider, field, combo})
                if (!c->getWidget() || !gtk_widget_get_mapped(c->getWidget()))
                    return false;
            return true;
        });
        EXPECT_TRUE(made);
        // A changed screen style reaches the widgets with the next frames.
        for (int i = 0; i < 10; ++i) {
            UIThread::instance().invoke([] {});
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        UIThread::instance().invoke([&] {
            if (!made)
                return;
            m.sizes["radio"] = natural(radio->getWidget());
            m.sizes["check"] = natural(check->getWidget());
            m.sizes["slider"] = natural(slider->getWidget());
            m.sizes["field"] = natural(field->getWidget());
            m.sizes["combo"] = natural(combo->getWidget());
            gchar* font = nullptr;
            g_object_get(gtk_settings_get_default(), "gtk-font-name", &font, nullptr);
            if (PangoFontDescription* d = pango_font_description_from_string(font ? font : "")) {
                m.fontSize = pango_font_description_get_size(d);
                pango_font_description_free(d);
            }
            g_free(font);
            // A pop-up menu's item, as the menus of the menu bar make them.
            GtkWidget* menu = gtk_menu_new();
            GtkWidget* item = gtk_radio_menu_item_new_with_label(nullptr, "Output to the Source Folder");
            gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
            gtk_widget_show(item);
            m.menuItemHeight = natural(item).second;
            gtk_widget_destroy(menu);
        });
        setDisplayScale(nextScale);
        UIThread::instance().invoke([&] { window->release(); });
        return m;
    }
};

TEST_F(NativeScaleTest, NativeControlsMenusAndTheDefaultFontGrowWithTheScale) {
    const Measured one = measureAt(1, 2);
    const Measured two = measureAt(2, 4);
    const Measured four = measureAt(4, 1);
    const Measured again = measureAt(1, 1);
    ASSERT_EQ(one.sizes.size(), 5u);
    for (const auto& [scale, m] : {std::pair<int, const Measured&>{2, two}, {4, four}}) {
        ASSERT_EQ(m.sizes.size(), 5u);
        for (const auto& [name, size] : one.sizes) {
            const auto [w, h] = m.sizes.at(name);
            // One-pixel borders and the text's own paddings stay: well over
            // three quarters of the scale, not always all of it.
            EXPECT_GE(w * 4, size.first * scale * 3) << name << " at " << scale << ": " << size.first << "x"
                                                     << size.second << " -> " << w << "x" << h;
            EXPECT_GE(h * 4, size.second * scale * 3) << name << " at " << scale << ": " << size.first << "x"
                                                      << size.second << " -> " << w << "x" << h;
        }
        EXPECT_EQ(m.fontSize, scale * one.fontSize);
        EXPECT_GE(m.menuItemHeight * 4, one.menuItemHeight * scale * 3)
            << scale << ": " << one.menuItemHeight << " -> " << m.menuItemHeight;
    }
    // Back at scale 1 nothing of scale 2 is left.
    EXPECT_EQ(again.sizes, one.sizes);
    EXPECT_EQ(again.fontSize, one.fontSize);
    EXPECT_EQ(again.menuItemHeight, one.menuItemHeight);
}

TEST_F(NativeScaleTest, TheVersionWindowShowsItsAddressWholeAtEveryScale) {
    const std::u16string url = u"https://zarvo.example/snipforge/a/longer/address/";
    for (i32 scale : {1, 2, 4}) {
        setDisplayScale(scale);
        dialogs::About3* about = dialogs::About3::create();
        about->setInfo(u"1.17", u"2026-12-09", url.c_str());
        about->show(scale);
        win::Window* window = about->getWindow();
        ASSERT_NE(window, nullptr);
        // The same text in a label that is never cut: its width is the
        // address's.
        win::Label* whole = win::Label::create();
        whole->setText(url.c_str(), false);
        i32 textW = 0;
        UIThread::instance().invoke([&] { textW = whole->getMinWidth(); });
        ASSERT_GT(textW, 100 * scale);
        win::Label* shown = about->getUrlLabel();
        const bool fits = waitFor([&] {
            i32 x = 0;
            i32 y = 0;
            shown->getNativeHost(&x, &y);
            return window->isRealized() && shown->getWidth() >= textW &&
                   x + shown->getWidth() <= window->getWidth();
        });
        EXPECT_TRUE(fits) << "scale " << scale << ": the address is " << textW << " wide, shown in "
                          << shown->getWidth() << " of a window " << window->getWidth() << " wide";
        UIThread::instance().invoke([&] {
            whole->release();
            about->release();
        });
    }
}

} // namespace
