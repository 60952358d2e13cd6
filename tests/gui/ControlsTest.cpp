#include "gui/combobox/ComboBoxItem.h"
#include "gui/drawer/IDrawer.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ComboBox.h"
#include "gui/win/ProgressBar.h"
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
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace s;
using namespace s::gui;
using s::gui::win::UIThread;

namespace {

/// Records (source, code) pairs, optionally with a note of some state at
/// the time of the call.
struct Recorder : events::IEventListener {
    explicit Recorder(std::string tag = {}) : tag(std::move(tag)) {}
    void onEvent(IComponent* source, i32 code) override {
        sources.push_back(source);
        codes.push_back(code);
        if (log)
            log->push_back(tag + ":" + std::to_string(code));
        if (probe)
            probes.push_back(probe());
    }
    std::string tag;
    std::vector<IComponent*> sources;
    std::vector<i32> codes;
    std::vector<std::string>* log = nullptr;
    std::function<int()> probe;
    std::vector<int> probes;
};

/// A slider drawer with a known channel: from 5 to width - 6.
struct TestSliderDrawer : drawer::ISlider {
    const char16_t* getClassName() const override { return u"test_SliderDrawer"; }
    base::IObject* newInstance() const override { return new TestSliderDrawer(); }
    void release() override {
        if (released)
            *released = true;
        delete this;
    }
    void reset() override {}
    void paint(win::MemDC&, i32, i32, i32, i32) override {}
    void paintSlider(win::MemDC&, i32, i32, i32, i32, i32, i32, i32, i32, bool, i32, bool, bool) override { ++paints; }
    void getChannel(i32 width, i32, i32* left, i32* right) override {
        *left = 5;
        *right = width - 6;
    }
    int paints = 0;
    bool* released = nullptr;
};

combobox::ComboBoxItem* item(const char16_t* text) {
    auto* it = combobox::ComboBoxItem::create();
    it->setText(text);
    return it;
}

} // namespace

// ---------------------------------------------------------------------------
// State without a display: every operation works on the stored state.

TEST(ComboBoxState, OutOfRangeSelectsFirstEntryAndRepeatsNothing) {
    auto* box = win::ComboBox::create();
    Recorder rec;
    box->addSelectionListener(&rec);
    box->select(1, true); // no entries: nothing to select
    EXPECT_EQ(box->getSelectedIndex(), -1);
    EXPECT_TRUE(rec.codes.empty());

    box->addItem(item(u"a"));
    box->addItem(item(u"b"));
    box->addItem(item(u"c"));
    box->select(5, true);
    EXPECT_EQ(box->getSelectedIndex(), 0);
    EXPECT_EQ(rec.codes, (std::vector<i32>{kComboBoxSelectionChanged}));
    box->select(5, true); // entry 0 already selected
    box->select(-3, true);
    EXPECT_EQ(rec.codes.size(), 1u);

    box->select(2, false);
    EXPECT_EQ(rec.codes.size(), 1u);
    EXPECT_EQ(box->getSelectedIndex(), 2);
    EXPECT_EQ(box->getPreviousIndex(), 0);
    EXPECT_EQ(std::u16string(box->getSelectedItem()->getText()), u"c");

    box->userSelected(2); // the user picks the current entry
    EXPECT_EQ(rec.codes.size(), 1u);
    box->userSelected(1);
    EXPECT_EQ(rec.codes.size(), 2u);
    EXPECT_EQ(box->getPreviousIndex(), 2);

    box->removeAllItems();
    EXPECT_EQ(box->getItemCount(), 0);
    EXPECT_EQ(box->getSelectedIndex(), -1);
    EXPECT_EQ(box->getSelectedItem(), nullptr);
    box->release();
}

TEST(SliderState, DefaultsClampingAndNoEventFromSetPosition) {
    auto* slider = win::Slider::create();
    Recorder rec;
    slider->addChangeListener(&rec);
    EXPECT_EQ(slider->getMin(), 0);
    EXPECT_EQ(slider->getMax(), 100);
    EXPECT_EQ(slider->getPosition(), 0);
    EXPECT_EQ(slider->getTickFrequency(), 1);
    EXPECT_EQ(slider->getPageSize(), 10);
    EXPECT_EQ(slider->getLineSize(), 1);
    EXPECT_FALSE(slider->hasTickMarks());

    slider->setPosition(150);
    EXPECT_EQ(slider->getPosition(), 100);
    slider->setPosition(-5);
    EXPECT_EQ(slider->getPosition(), 0);
    EXPECT_TRUE(rec.codes.empty());

    slider->setTickFrequency(5);
    EXPECT_EQ(slider->getPageSize(), 50);
    EXPECT_EQ(slider->getLineSize(), 5);
    slider->setTickFrequency(1);

    // A narrower range pulls the position in, silently.
    slider->setPosition(80);
    slider->setRange(0, 40);
    EXPECT_EQ(slider->getPosition(), 40);
    EXPECT_TRUE(rec.codes.empty());
    slider->setRange(0, 100);
    slider->release();
}

TEST(SliderState, UserChangesAreClampedStoredAndRaisedOnlyWhenDifferent) {
    auto* slider = win::Slider::create();
    Recorder rec;
    rec.probe = [slider] { return slider->getPosition(); };
    slider->addChangeListener(&rec);

    EXPECT_TRUE(slider->userKey(GDK_KEY_Up)); // Up grows by a page
    EXPECT_EQ(slider->getPosition(), 10);
    EXPECT_TRUE(slider->userKey(GDK_KEY_Down));
    EXPECT_EQ(slider->getPosition(), 0);
    EXPECT_TRUE(slider->userKey(GDK_KEY_Down)); // already at the bottom: no event
    EXPECT_FALSE(slider->userKey(GDK_KEY_Right)); // the platform's own key
    EXPECT_EQ(rec.probes, (std::vector<int>{10, 0}));

    slider->userValue(37.4);
    slider->userValue(37.0);  // same after rounding
    slider->userValue(250.0); // read back clamped
    EXPECT_EQ(rec.probes, (std::vector<int>{10, 0, 37, 100}));
    for (i32 c : rec.codes)
        EXPECT_EQ(c, kSliderChanged);
    slider->release();
}

TEST(SliderState, RangeModeKeepsFirstBelowSecond) {
    auto* slider = win::Slider::create();
    Recorder rec;
    slider->addChangeListener(&rec);
    slider->setRangeMode(true);
    EXPECT_EQ(slider->getSecondPosition(), 100);

    slider->setSecondPosition(50);
    EXPECT_EQ(slider->getSecondPosition(), 50);
    EXPECT_EQ(rec.codes.size(), 1u);

    slider->setPosition(80); // at most second - 1
    EXPECT_EQ(slider->getPosition(), 49);
    EXPECT_EQ(rec.codes.size(), 1u);

    slider->setSecondPosition(10); // at least first + 1: stays 50, no event
    EXPECT_EQ(slider->getSecondPosition(), 50);
    EXPECT_EQ(rec.codes.size(), 1u);

    slider->setSecondPosition(500);
    EXPECT_EQ(slider->getSecondPosition(), 100);
    EXPECT_EQ(rec.codes.size(), 2u);

    slider->setRange(0, 30);
    EXPECT_EQ(slider->getSecondPosition(), 30);
    EXPECT_LE(slider->getPosition(), slider->getSecondPosition() - 1);
    slider->release();
}

TEST(SliderState, DrawnSliderPointsAndPicksThumbs) {
    auto* slider = win::Slider::create();
    bool released = false;
    auto* drawer = new TestSliderDrawer();
    drawer->released = &released;
    slider->setDrawer(drawer, true);
    Recorder rec;
    rec.probe = [slider] { return slider->getPosition() * 1000 + slider->getSecondPosition(); };
    slider->addChangeListener(&rec);

    // Width 111: channel 5 .. 105, so x = 5 + p gives position p.
    EXPECT_EQ(slider->positionAt(5, 111), 0);
    EXPECT_EQ(slider->positionAt(55, 111), 50);
    EXPECT_EQ(slider->positionAt(105, 111), 100);
    slider->userPress(30, 111); // straight to the point, not by a page
    EXPECT_EQ(slider->getPosition(), 25);
    slider->userDrag(200, 111); // held: moves follow, clamped
    EXPECT_EQ(slider->getPosition(), 100);
    slider->userRelease();
    slider->userDrag(10, 111); // released: moves do nothing
    EXPECT_EQ(slider->getPosition(), 100);
    slider->userWheel(-2);
    EXPECT_EQ(slider->getPosition(), 98);

    slider->setRangeMode(true);
    slider->setRange(100, 200); // a range that does not start at 0
    slider->setPosition(100);
    slider->setSecondPosition(150);
    rec.probes.clear();
    // Places: (pos - min) * (111 - 10) / 100 -> first at 0..9, second at 50..59.
    EXPECT_EQ(slider->thumbAt(3, 111), 1);
    EXPECT_EQ(slider->thumbAt(52, 111), 2);
    EXPECT_EQ(slider->thumbAt(30, 111), 0);
    slider->userPress(30, 111); // on neither thumb: ignored
    slider->userDrag(60, 111);
    EXPECT_TRUE(rec.probes.empty());
    slider->userPress(52, 111); // takes the second thumb
    slider->userDrag(85, 111);  // -> 180
    slider->userDrag(0, 111);   // cannot pass the first
    slider->userRelease();
    EXPECT_EQ(rec.probes, (std::vector<int>{100147, 100180, 100101}));

    slider->setDrawer(nullptr, false);
    EXPECT_TRUE(released); // an owned drawer goes back when replaced
    slider->release();
}

TEST(TextFieldState, SetTextWithoutNotificationIsSilent) {
    auto* field = win::TextField::create();
    Recorder rec;
    field->addChangeListener(&rec);
    field->setText(u"0:00:01", false);
    EXPECT_TRUE(rec.codes.empty());
    EXPECT_EQ(std::u16string(field->getText()), u"0:00:01");
    field->setText(u"0:00:02", true);
    field->setText(u"0:00:02", true); // no change
    EXPECT_EQ(rec.codes, (std::vector<i32>{kTextFieldChanged}));
    field->release();
}

TEST(ButtonState, ClickRaisesOneThenTogglesThenTwo) {
    auto* button = win::Button::create();
    std::vector<std::string> log;
    Recorder action("action");
    Recorder after("after");
    action.log = after.log = &log;
    action.probe = after.probe = [button] { return button->isToggled() ? 1 : 0; };
    button->addActionListener(&action);
    button->addAfterActionListener(&after);
    button->setToggle(true, false, 0, 0);

    button->click();
    EXPECT_EQ(log, (std::vector<std::string>{"action:1", "after:2"}));
    // The toggle flips between the two lists.
    EXPECT_EQ(action.probes, (std::vector<int>{0}));
    EXPECT_EQ(after.probes, (std::vector<int>{1}));

    button->click(); // pressed stays pressed without clickReleases
    EXPECT_TRUE(button->isToggled());
    button->setToggle(true, true, 0, 0);
    button->click();
    EXPECT_FALSE(button->isToggled());

    button->setEnabled(false);
    button->click();
    EXPECT_FALSE(button->isToggled()); // a disabled toggle keeps its state
    button->release();
}

TEST(ButtonState, AutoRepeatWaitsForTheDelayAndSkipsTicksOutside) {
    auto* button = win::Button::create();
    Recorder press;
    button->addPressListener(&press);
    button->setAutoRepeat(true);

    button->pressed();
    EXPECT_EQ(press.codes, (std::vector<i32>{kButtonPress}));
    EXPECT_TRUE(button->isTimerRunning(kButtonDelayTimerId));
    EXPECT_FALSE(button->isTimerRunning(kButtonRepeatTimerId));

    button->setPointerInside(false);
    button->timerTick(kButtonDelayTimerId); // outside: skipped, still waiting
    EXPECT_TRUE(button->isTimerRunning(kButtonDelayTimerId));
    button->setPointerInside(true);
    button->timerTick(kButtonDelayTimerId); // the switch raises nothing itself
    EXPECT_FALSE(button->isTimerRunning(kButtonDelayTimerId));
    EXPECT_TRUE(button->isTimerRunning(kButtonRepeatTimerId));
    EXPECT_EQ(press.codes.size(), 1u);

    button->timerTick(kButtonRepeatTimerId);
    button->setPointerInside(false);
    button->timerTick(kButtonRepeatTimerId);
    button->setPointerInside(true);
    button->timerTick(kButtonRepeatTimerId);
    EXPECT_EQ(press.codes.size(), 3u);

    button->released();
    EXPECT_FALSE(button->isTimerRunning(kButtonDelayTimerId));
    EXPECT_FALSE(button->isTimerRunning(kButtonRepeatTimerId));
    button->timerTick(kButtonRepeatTimerId); // a late tick after the release
    EXPECT_EQ(press.codes.size(), 3u);

    button->setAutoRepeat(false);
    button->pressed();
    EXPECT_FALSE(button->isTimerRunning(kButtonDelayTimerId));
    button->release();
}

TEST(ButtonState, ColourSwatchTextRoundTrips) {
    auto* button = win::Button::create();
    button->setColor(255, 0, 0);
    EXPECT_EQ(std::u16string(button->getText()), u"#Color-000000ff");
    button->setColor(0x12, 0x34, 0x56);
    EXPECT_EQ(std::u16string(button->getText()), u"#Color-00563412");
    i32 r = 0, g = 0, b = 0;
    ASSERT_TRUE(win::Button::parseColorText(button->getText(), &r, &g, &b));
    EXPECT_EQ(r, 0x12);
    EXPECT_EQ(g, 0x34);
    EXPECT_EQ(b, 0x56);
    ASSERT_TRUE(win::Button::parseColorText(u"#Color-00FF0000", &r, &g, &b));
    EXPECT_EQ(b, 255);
    EXPECT_FALSE(win::Button::parseColorText(u"#Color-00ff00", &r, &g, &b));
    EXPECT_FALSE(win::Button::parseColorText(u"#Color-00ff00zz", &r, &g, &b));
    EXPECT_FALSE(win::Button::parseColorText(u"#Play", &r, &g, &b));
    button->release();
}

TEST(ButtonState, MeasuresItsTextWithoutADisplay) {
    auto* small = win::Button::create();
    auto* large = win::Button::create();
    small->setText(u"OK");
    large->setText(u"Save this Scene!");
    EXPECT_GT(small->getMeasuredWidth(), 0);
    EXPECT_GT(large->getMeasuredWidth(), small->getMeasuredWidth());
    const i32 normalHeight = large->getMeasuredHeight();
    large->setSizeCode(110); // bold 24 points
    EXPECT_GT(large->getMeasuredHeight(), normalHeight);
    EXPECT_TRUE(large->isBold());
    large->setFixedWidth(75);
    EXPECT_EQ(large->getMinWidth(), 75);
    EXPECT_EQ(large->getMaxWidth(), 75);
    small->release();
    large->release();
}

TEST(CheckBoxState, ChangesNotifyOnceAndSilentChangesDoNot) {
    auto* box = win::CheckBox::create();
    Recorder checked, unchecked, enabled, disabled;
    box->addCheckedListener(&checked);
    box->addUncheckedListener(&unchecked);
    box->addEnableListener(&enabled);
    box->addDisableListener(&disabled);

    box->setChecked(true);
    box->setChecked(true); // no change
    EXPECT_EQ(checked.codes, (std::vector<i32>{kCheckBoxChecked}));
    box->userToggled(false);
    EXPECT_EQ(unchecked.codes, (std::vector<i32>{kCheckBoxUnchecked}));
    box->setChecked(true, false);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(checked.codes.size(), 1u);

    box->setEnabled(false);
    box->setEnabled(false);
    box->setEnabled(true);
    EXPECT_EQ(disabled.codes, (std::vector<i32>{kCheckBoxEnabledChanged}));
    EXPECT_EQ(enabled.codes, (std::vector<i32>{kCheckBoxEnabledChanged}));
    box->release();
}

TEST(CheckBoxState, EnablesAndLocksOtherControlsWhileChecked) {
    auto* box = win::CheckBox::create();
    auto* target = win::Button::create();
    auto* field = win::TextField::create();
    box->enableWhenChecked(target);
    box->lockWhenChecked(field);

    box->setChecked(true);
    EXPECT_TRUE(target->isEnabled());
    EXPECT_FALSE(field->isEditable());
    box->setChecked(false);
    EXPECT_FALSE(target->isEnabled());
    EXPECT_TRUE(field->isEditable());
    box->setChecked(true, false); // silent: the targets are not told
    EXPECT_FALSE(target->isEnabled());
    box->release();
    target->release();
    field->release();
}

TEST(RadioButtonState, UserClickUnchecksSiblingsProgrammaticChecksDoNot) {
    auto* group = win::Box::create();
    auto* start = win::RadioButton::create();
    auto* end = win::RadioButton::create();
    auto* other = win::CheckBox::create();
    group->add(start);
    group->add(other);
    group->add(end);
    std::vector<std::string> log;
    Recorder startOn("start+"), startOff("start-"), endOn("end+"), endOff("end-");
    for (Recorder* r : {&startOn, &startOff, &endOn, &endOff})
        r->log = &log;
    start->addCheckedListener(&startOn);
    start->addUncheckedListener(&startOff);
    end->addCheckedListener(&endOn);
    end->addUncheckedListener(&endOff);

    start->setChecked(true, false);
    end->userClicked();
    EXPECT_FALSE(start->isChecked());
    EXPECT_TRUE(end->isChecked());
    EXPECT_EQ(log, (std::vector<std::string>{"end+:0", "start-:0"}));

    end->userClicked(); // already checked: nothing
    EXPECT_EQ(log.size(), 2u);

    start->setChecked(true, true); // only this one changes
    EXPECT_TRUE(end->isChecked());
    EXPECT_EQ(log.back(), "start+:0");

    // Radio buttons of another container are another group.
    auto* elsewhere = win::Box::create();
    auto* lone = win::RadioButton::create();
    elsewhere->add(lone);
    lone->userClicked();
    EXPECT_TRUE(start->isChecked());
    EXPECT_TRUE(end->isChecked());
    group->release();
    elsewhere->release();
}

TEST(ProgressBarState, FractionOfTheRange) {
    auto* bar = win::ProgressBar::create();
    bar->setRange(0, 25001);
    bar->setPosition(12501);
    EXPECT_NEAR(bar->getFraction(), 12501.0 / 25001.0, 1e-12);
    bar->setRange(100, 100);
    EXPECT_EQ(bar->getFraction(), 0.0); // empty range
    bar->setRange(0, 10);
    bar->setPosition(20);
    EXPECT_EQ(bar->getFraction(), 1.0);
    EXPECT_EQ(bar->getPosition(), 20);
    bar->release();
}

// ---------------------------------------------------------------------------
// Real widgets in a real window, driven by real input.

namespace {

using snipforge::test::waitFor;

void onUi(const std::function<void()>& fn) { UIThread::instance().invoke(fn); }

class ControlsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Real input goes through the X server: a display of its own keeps
        // window tests running at the same time out of the way.
        snipforge::test::usePrivateDisplayForProcess();
        if (!UIThread::instance().start())
            GTEST_SKIP() << "no display";
        if (!haveXTest())
            GTEST_SKIP() << "no XTest";
        m_window = win::Window::create();
    }
    void TearDown() override {
        if (m_window)
            m_window->release();
    }
    /// Shows the window with its children and waits until every native
    /// widget is mapped and placed by the layout.
    void show(const std::vector<win::Component*>& controls) {
        m_window->resizeWindow(400, 300);
        m_window->moveWindow(10, 10);
        m_window->showWindow(true, true);
        ASSERT_TRUE(waitFor([&] {
            for (win::Component* c : controls) {
                GtkWidget* w = c->getWidget();
                if (!w || !gtk_widget_get_mapped(w) || c->getWidth() <= 0)
                    return false;
                GtkAllocation a;
                gtk_widget_get_allocation(w, &a);
                if (a.width <= 1)
                    return false;
            }
            return true;
        }));
    }
    /// XTest, so that input takes the X server's way (pointer grabs, focus,
    /// the widgets' own input windows). False without it.
    bool haveXTest() { return m_xtest.load(); }
    /// A left click (press and release) in the middle of the control.
    void click(win::Component* c) {
        onUi([&] {
            GtkWidget* w = c->getWidget();
            GtkWidget* top = static_cast<GtkWidget*>(m_window->getNativeHandle());
            gint x = 0;
            gint y = 0;
            gtk_widget_translate_coordinates(w, top, gtk_widget_get_allocated_width(w) / 2,
                                             gtk_widget_get_allocated_height(w) / 2, &x, &y);
            GdkWindow* window = gtk_widget_get_window(top);
            m_xtest.moveTo(window, x, y);
            m_xtest.button(window, 1, true);
            m_xtest.button(window, 1, false);
        });
    }
    /// Gives `c` the keyboard focus and waits until GTK reports it.
    bool focus(win::Component* c) {
        onUi([&] {
            gtk_window_present(GTK_WINDOW(m_window->getNativeHandle()));
            gtk_widget_grab_focus(c->getWidget());
        });
        return waitFor([&] { return gtk_widget_has_focus(c->getWidget()) != 0; });
    }
    /// A key press and release, into the focused widget.
    void key(guint keyval) {
        onUi([&] {
            GdkDisplay* gd = gdk_display_get_default();
            GdkKeymapKey* keys = nullptr;
            gint n = 0;
            if (!gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gd), keyval, &keys, &n) || n == 0)
                return;
            const unsigned code = keys[0].keycode;
            g_free(keys);
            GdkWindow* window = gtk_widget_get_window(static_cast<GtkWidget*>(m_window->getNativeHandle()));
            m_xtest.key(window, code, true);
            m_xtest.key(window, code, false);
        });
    }
    snipforge::test::XTest m_xtest;
    win::Window* m_window = nullptr;
};

} // namespace

TEST_F(ControlsWindowTest, ButtonClickRaisesActionThenAfterAction) {
    auto* button = win::Button::create();
    button->setText(u"Save this Scene!");
    std::vector<std::string> log;
    Recorder action("action"), after("after"), press("press");
    action.log = after.log = press.log = &log;
    button->addActionListener(&action);
    button->addAfterActionListener(&after);
    button->addPressListener(&press);
    m_window->add(button);
    show({button});

    click(button);
    ASSERT_TRUE(waitFor([&] { return log.size() >= 3; }));
    EXPECT_EQ(log, (std::vector<std::string>{"press:3", "action:1", "after:2"}));
    EXPECT_EQ(action.sources.front(), static_cast<IComponent*>(button));
}

TEST_F(ControlsWindowTest, StoredStateReachesTheWidgetsAndUserTextIsKept) {
    auto* check = win::CheckBox::create();
    auto* field = win::TextField::create();
    auto* slider = win::Slider::create();
    auto* combo = win::ComboBox::create();
    check->setText(u"A & B");
    check->setChecked(true, false);
    field->setText(u"0:00:00", false);
    slider->setRange(0, 50);
    slider->setPosition(30);
    combo->addItem(item(u"one"));
    combo->addItem(item(u"two"));
    combo->select(1, false);
    for (win::Component* c : std::initializer_list<win::Component*>{check, field, slider, combo})
        m_window->add(c);
    show({check, field, slider, combo});

    onUi([&] {
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check->getWidget())));
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(check->getWidget())), "A & B");
        EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(field->getWidget())), "0:00:00");
        EXPECT_EQ(gtk_range_get_value(GTK_RANGE(slider->getWidget())), 30.0);
        EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(combo->getWidget())), 1);
        // Set while realized, without a notification from the widget.
        slider->setPosition(45);
        EXPECT_EQ(gtk_range_get_value(GTK_RANGE(slider->getWidget())), 45.0);
        gtk_entry_set_text(GTK_ENTRY(field->getWidget()), "1:02:03"); // as if typed
        field->unrealize();
        EXPECT_EQ(field->getWidget(), nullptr);
    });
    EXPECT_EQ(std::u16string(field->getText()), u"1:02:03");
    EXPECT_EQ(slider->getPosition(), 45);
}

TEST_F(ControlsWindowTest, TextFieldTypingEnterAndFocusLoss) {
    auto* field = win::TextField::create();
    auto* other = win::TextField::create();
    Recorder changed, enter, lost;
    field->addChangeListener(&changed);
    field->addEnterListener(&enter);
    field->addFocusLostListener(&lost);
    m_window->add(field);
    m_window->add(other);
    show({field, other});

    onUi([&] { field->setText(u"quiet", false); });
    EXPECT_TRUE(changed.codes.empty());

    ASSERT_TRUE(focus(field));
    key(GDK_KEY_End);
    key(GDK_KEY_a);
    ASSERT_TRUE(waitFor([&] { return !changed.codes.empty(); }));
    EXPECT_EQ(changed.codes.front(), kTextFieldChanged);
    onUi([&] { EXPECT_EQ(std::u16string(field->getText()), u"quieta"); });

    key(GDK_KEY_Return);
    ASSERT_TRUE(waitFor([&] { return !enter.codes.empty(); }));
    EXPECT_EQ(enter.codes, (std::vector<i32>{kTextFieldEnter}));

    // The window itself may lose and regain the focus meanwhile (that is a
    // focus loss too); moving the focus to another field must add one.
    ASSERT_TRUE(focus(field));
    const std::size_t before = lost.codes.size();
    onUi([&] { gtk_widget_grab_focus(other->getWidget()); });
    ASSERT_TRUE(waitFor([&] { return lost.codes.size() > before; }));
    for (i32 code : lost.codes)
        EXPECT_EQ(code, kTextFieldFocusLost);
}

TEST_F(ControlsWindowTest, RadioClickUnchecksSiblingWithNotifications) {
    auto* start = win::RadioButton::create();
    auto* end = win::RadioButton::create();
    start->setText(u"Start:");
    end->setText(u"End:");
    start->setChecked(true, false);
    std::vector<std::string> log;
    Recorder startOn("start+"), startOff("start-"), endOn("end+"), endOff("end-");
    for (Recorder* r : {&startOn, &startOff, &endOn, &endOff})
        r->log = &log;
    start->addCheckedListener(&startOn);
    start->addUncheckedListener(&startOff);
    end->addCheckedListener(&endOn);
    end->addUncheckedListener(&endOff);
    m_window->add(start);
    m_window->add(end);
    show({start, end});

    click(end);
    ASSERT_TRUE(waitFor([&] { return log.size() >= 2; }));
    EXPECT_EQ(log, (std::vector<std::string>{"end+:0", "start-:0"}));
    onUi([&] {
        EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(start->getWidget())));
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(end->getWidget())));
        // Programmatic: both may be checked, and the widgets show it.
        start->setChecked(true, false);
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(start->getWidget())));
        EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(end->getWidget())));
        end->setChecked(false, false);
        EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(end->getWidget())));
    });

    click(start); // a checked radio stays checked and says nothing
    click(end);
    ASSERT_TRUE(waitFor([&] { return log.size() >= 4; }));
    EXPECT_EQ(log[2], "end+:0");
    EXPECT_EQ(log[3], "start-:0");
}

TEST_F(ControlsWindowTest, SliderUpArrowMovesAPageAndRaisesOnce) {
    auto* slider = win::Slider::create();
    slider->setPercentWidth(100);
    Recorder rec;
    rec.probe = [slider] { return slider->getPosition(); };
    slider->addChangeListener(&rec);
    m_window->add(slider);
    show({slider});

    ASSERT_TRUE(focus(slider));
    key(GDK_KEY_Up);
    ASSERT_TRUE(waitFor([&] { return !rec.probes.empty(); }));
    key(GDK_KEY_Down);
    key(GDK_KEY_Down); // at 0: nothing more
    key(GDK_KEY_Right); // the platform's line step
    ASSERT_TRUE(waitFor([&] { return rec.probes.size() >= 3; }));
    EXPECT_EQ(rec.probes, (std::vector<int>{10, 0, 1}));
    onUi([&] { EXPECT_EQ(gtk_range_get_value(GTK_RANGE(slider->getWidget())), 1.0); });
}

TEST_F(ControlsWindowTest, DrawnSliderJumpsToTheClickedPoint) {
    auto* slider = win::Slider::create();
    slider->setDrawer(new TestSliderDrawer(), true);
    slider->setFixedWidth(211); // channel 5 .. 205: one unit per two pixels
    slider->setFixedHeight(20);
    Recorder rec;
    slider->addChangeListener(&rec);
    m_window->add(slider);
    show({slider});

    click(slider);
    ASSERT_TRUE(waitFor([&] { return !rec.codes.empty(); }));
    // The middle pixel of 211 is 105: round(100 * 100 / 200) = 50.
    EXPECT_EQ(slider->getPosition(), 50);
    EXPECT_TRUE(waitFor([&] { return static_cast<TestSliderDrawer*>(slider->getDrawer())->paints > 0; }));
}

TEST_F(ControlsWindowTest, TextsByIdFollowTheWindowsLanguage) {
    constexpr std::string_view pack = R"(<lang>
<languages>
<entry tagName="eng" engName="English" trueName="English"/>
<entry tagName="deu" engName="German" trueName="Deutsch"/>
</languages>
<entries>
<entry id="100"><eng>Open...</eng><deu>Öffnen...</deu></entry>
<entry id="200"><eng>Start:</eng><deu>Anfang:</deu></entry>
</entries>
</lang>)";
    auto localizer = thread::makePooled<lang::Localizer>();
    localizer->setSystemLanguage(u"English");
    ASSERT_TRUE(localizer->loadUtf8(reinterpret_cast<const u8*>(pack.data()), static_cast<u32>(pack.size())));
    m_window->setLocalizer(localizer.get());

    auto* button = win::Button::create();
    button->setTextId(100);
    auto* radio = win::RadioButton::create();
    radio->setTextId(200);
    auto* combo = win::ComboBox::create();
    auto* entry = combobox::ComboBoxItem::create();
    entry->setTextId(200, nullptr); // takes the window's localizer when the box joins it
    combo->addItem(entry);
    combo->addItem(item(u"literal"));
    combo->select(0, false);
    m_window->add(button);
    m_window->add(radio);
    m_window->add(combo);
    EXPECT_EQ(std::u16string(button->getText()), u"Open...");
    EXPECT_EQ(std::u16string(entry->getText()), u"Start:");
    show({button, radio, combo});

    const i32 englishWidth = button->getMeasuredWidth();
    onUi([&] { localizer->selectLanguage(u"German"); });
    onUi([&] {
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(button->getWidget())), "Öffnen...");
        EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(radio->getWidget())), "Anfang:");
        gchar* shown = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(combo->getWidget()));
        EXPECT_STREQ(shown, "Anfang:");
        g_free(shown);
    });
    EXPECT_EQ(std::u16string(combo->getItem(1)->getText()), u"literal");
    EXPECT_GT(button->getMeasuredWidth(), englishWidth); // measured again for the longer text
    m_window->release(); // before the localizer the items listen to
    m_window = nullptr;
}

TEST_F(ControlsWindowTest, ColourButtonShowsItsSwatch) {
    auto* button = win::Button::create();
    button->setColor(0, 0, 255);
    button->setFixedWidth(40);
    button->setFixedHeight(24);
    m_window->add(button);
    show({button});

    u32 centre = 0;
    u32 frame = 0;
    ASSERT_TRUE(waitFor([&] {
        auto* top = static_cast<GtkWidget*>(m_window->getNativeHandle());
        GtkWidget* w = button->getWidget();
        gint x = 0;
        gint y = 0;
        gtk_widget_translate_coordinates(w, top, 0, 0, &x, &y);
        const int tw = gtk_widget_get_allocated_width(top);
        const int th = gtk_widget_get_allocated_height(top);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, tw, th);
        cairo_t* cr = cairo_create(surface);
        gtk_widget_draw(top, cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        auto at = [&](int px, int py) {
            return reinterpret_cast<const u32*>(data + static_cast<std::ptrdiff_t>(py) * stride)[px] & 0xFFFFFF;
        };
        centre = at(x + 20, y + 12);
        frame = at(x + 2, y + 12); // the swatch's black frame, 2 pixels in
        cairo_surface_destroy(surface);
        return centre == 0x0000FFu;
    }));
    EXPECT_EQ(frame, 0x000000u);
}

TEST_F(ControlsWindowTest, ControlsInACollapsedRowDoNotShow) {
    // A widget never shrinks below its minimum size, so a collapsed row
    // (fixed height 0) must hide its controls rather than squeeze them.
    auto* row = win::Box::create();
    row->setFixedHeight(0, false);
    auto* inside = win::Button::create();
    inside->setText(u"< 1");
    row->add(inside);
    auto* below = win::Button::create();
    below->setText(u"Save");
    m_window->add(row);
    m_window->add(below);
    show({below});
    onUi([&] {
        ASSERT_NE(inside->getWidget(), nullptr);
        EXPECT_FALSE(gtk_widget_get_visible(inside->getWidget()));
        row->setFixedHeight(-1, true); // the row opens again
    });
    EXPECT_TRUE(waitFor([&] { return gtk_widget_get_visible(inside->getWidget()) != 0; }));
    onUi([&] {
        inside->setVisible(false, true);
        EXPECT_FALSE(gtk_widget_get_visible(inside->getWidget()));
    });
}
