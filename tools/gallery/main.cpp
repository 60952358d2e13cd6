// The toolkit gallery: one window with every control, box kind and drawer,
// for looking at the toolkit (and for the screenshot test).
//
//   gallery                               shows the window until it is closed
//   gallery --screenshot FILE [--scale N] lays it out at display scale N,
//                                         checks the layout, writes a PNG and
//                                         exits (1 when the layout is broken)

#include "gui/Scale.h"
#include "gui/drawer/Icons.h"
#include "gui/drawer/Skinner.h"
#include "gui/drawer/border/win/Plain.h"
#include "gui/drawer/border/win/Thin.h"
#include "gui/drawer/border/win/UnderWindowMenu.h"
#include "gui/drawer/slider/win/Thin.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Image.h"
#include "gui/win/Label.h"
#include "gui/win/LayoutCheck.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/Spacer.h"
#include "gui/win/StatusBar.h"
#include "gui/win/TextField.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"
#include "gui/combobox/ComboBoxItem.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace s;
using namespace s::gui;
using namespace s::gui::win;

i32 px(i32 v) { return v * displayScale(); }

/// A drawn sample of the drawers that no control of the gallery shows by
/// itself: the bevel types and corners, the plain borders and the icons.
class DrawerSample final : public Component {
    S_POOLED_CLASS(DrawerSample)

public:
    static constexpr u32 kMaxPooled = 0;
    const char16_t* getClassName() const override { return u"gallery_DrawerSample"; }
    bool isDrawn() const override { return true; }

    void paint(MemDC& dc, i32 w, i32 /*h*/) override {
        cairo_t* cr = dc.getContext();
        const i32 s = displayScale();
        const i32 cell = px(26);
        const i32 columns = w / cell > 0 ? w / cell : 1;
        i32 index = 0;
        auto next = [&](i32* x, i32* y) {
            *x = (index % columns) * cell;
            *y = (index / columns) * cell;
            ++index;
        };
        i32 x = 0;
        i32 y = 0;
        // Bevels: raised, flat, pressed, tab; square, cut and round corners.
        for (i32 type = 0; type < 4; ++type) {
            next(&x, &y);
            drawer::border::win::Thin::paintFrame(cr, x, y, x + cell - px(4), y + cell - px(4), type, type % 3,
                                                  {200, 100, 50}, true, s);
        }
        // Icons.
        static const char16_t* const kIcons[] = {
            u"#Play", u"#Pause", u"#Stop", u"#Prev", u"#Next", u"#Left", u"#Right", u"#Up", u"#Down",
            u"#LeftLeft", u"#RightRight", u"#Speaker", u"#Mute", u"#Minus", u"#Plus", u"#PlusMinus",
            u"#Check", u"#X", u"#OnTop", u"#Palm", u"#KeepRatio", u"#TurnLeft", u"#TurnRight",
            u"#FitWindow", u"#FitToWindow", u"#Transform", u"#TreeOpen", u"#TreeClosed", u"#_", u"#.",
            u"#ThumbLineV", u"#ThumbLineH", u"#Color-0000a0ff", u"#Resizer"};
        for (const char16_t* name : kIcons) {
            next(&x, &y);
            drawer::paintIcon(cr, x + px(2), y + px(2), x + cell - px(6), y + cell - px(6), name, 40, 40, 40, s);
        }
        dc.flush();
    }

    void setSampleSize(i32 w, i32 h) { setMeasuredSize(w, h); }
};

Label* label(const char16_t* text, i32 sizeCode = 0) {
    Label* l = Label::create();
    l->setSizeCode(sizeCode);
    l->setText(text, false);
    return l;
}

Button* button(const char16_t* text) {
    Button* b = Button::create();
    b->setText(text);
    return b;
}

Box* box(i32 kind) {
    Box* b = Box::create();
    b->setKind(kind);
    return b;
}

Spacer* spacer(i32 w, i32 h) {
    Spacer* sp = Spacer::create();
    sp->setFixedWidth(px(w));
    sp->setFixedHeight(px(h));
    return sp;
}

image::win::BufferedImage* gradient(i32 w, i32 h) {
    auto* img = image::win::BufferedImage::create();
    if (!img->allocate(w, h))
        return img;
    for (i32 y = 0; y < h; ++y) {
        image::Pixel* row = img->getRow(y);
        for (i32 x = 0; x < w; ++x)
            row[x] = 0xFF000000u | (static_cast<u32>(x * 255 / w) << 16) | (static_cast<u32>(y * 255 / h) << 8) | 0x60;
    }
    return img;
}

MenuEx* makeMenuBar() {
    MenuEx* bar = MenuEx::create();
    bar->setSizeCode(-1);
    bar->setItemMargins(px(6), px(3));
    PopupMenu* file = PopupMenu::create();
    file->setTitle(u"File");
    file->add(menuitem::MenuItem::makeLiteral(u"Open...", 300));
    file->add(menuitem::MenuItem::makeSeparator());
    for (i32 i = 0; i < 3; ++i) {
        static const char16_t* const kTexts[] = {u"Output to:  The Same Folder", u"Output to:  Sub Folder",
                                                 u"Output to:  Desktop"};
        menuitem::MenuItem* item = menuitem::MenuItem::makeLiteral(kTexts[i], 321 + i);
        item->setRadio(true);
        file->add(item);
    }
    file->checkRadio(2);
    bar->addMenu(file);
    PopupMenu* view = PopupMenu::create();
    view->setTitle(u"View");
    view->add(menuitem::MenuItem::makeLiteral(u"Keep on Top", 100));
    view->add(menuitem::MenuItem::makeLiteral(u"Easy Drag", 120));
    bar->addMenu(view);
    bar->setChecked(120, true);
    PopupMenu* about = PopupMenu::create();
    about->setTitle(u"About");
    about->add(menuitem::MenuItem::makeLiteral(u"Version Information", 10000));
    bar->addMenu(about);
    return bar;
}

void buildGallery(Window* window) {
    window->setTitle(u"Snipforge toolkit gallery");
    window->setBackgroundSystem(false);

    MenuEx* menu = makeMenuBar();
    menu->setPercentWidth(100);
    window->add(menu);

    Box* strip = box(kColumn);
    strip->setPercentWidth(100, false);
    strip->setFixedHeight(px(7), false);
    strip->setBorder(drawer::border::win::UnderWindowMenu::create());
    window->add(strip);

    Box* body = box(kColumn);
    body->setPercentSize100();
    body->setPadding(px(8));
    body->setVGap(px(8));
    window->add(body);

    // Labels: sizes, styles, wrapping, ellipsis, a clickable one.
    Box* labels = box(kFlow);
    labels->setPercentWidth(100, false);
    labels->setHGap(px(12));
    labels->setVGap(px(4));
    labels->add(label(u"Label 10 pt"));
    labels->add(label(u"Bold 14 pt", 100));
    labels->add(label(u"Small 8 pt", 100001));
    for (i32 style = 1; style <= 7; ++style) {
        Label* l = label((u"Style " + std::u16string(1, static_cast<char16_t>(u'0' + style))).c_str());
        l->setTextStyle(style);
        labels->add(l);
    }
    Label* link = label(u"Clickable label", -1);
    link->setClickable(true);
    link->setNormalColor(51, 51, 51);
    link->setHoverColor(0, 0, 238);
    labels->add(link);
    Label* amp = label(u"Fish & Chips");
    labels->add(amp);
    body->add(labels);

    Label* wrapped = label(u"A long label with word wrap on: its words break into lines at the width the "
                           u"layout offers, and the label grows as tall as its lines.");
    wrapped->setWordWrap(true);
    wrapped->setPercentWidth(100);
    body->add(wrapped);
    Label* ellipsis = label(u"An end-ellipsis label is cut with three dots when it is too long for its place: "
                            u"/home/user/Videos/a very long folder name/and an even longer file name.mkv");
    ellipsis->setEndEllipsis(true);
    ellipsis->setPercentWidth(100);
    body->add(ellipsis);

    // Standard controls.
    Box* controls = box(kRow);
    controls->setPercentWidth(100, false);
    controls->setHGap(px(10));
    controls->setVAlignCenter();
    controls->add(button(u"Button"));
    Button* toggle = button(u"Toggle");
    toggle->setToggle(true, true, 0, 0);
    controls->add(toggle);
    Button* disabled = button(u"Disabled");
    disabled->setEnabled(false);
    controls->add(disabled);
    Button* swatch = button(u"");
    swatch->setColor(255, 0, 0);
    swatch->setFixedWidth(px(24));
    swatch->setFixedHeight(px(24));
    controls->add(swatch);
    CheckBox* check = CheckBox::create();
    check->setText(u"Check box");
    check->setChecked(true, false);
    controls->add(check);
    RadioButton* radio1 = RadioButton::create();
    radio1->setText(u"Radio one");
    radio1->setChecked(true, false);
    controls->add(radio1);
    RadioButton* radio2 = RadioButton::create();
    radio2->setText(u"Radio two");
    controls->add(radio2);
    body->add(controls);

    Box* inputs = box(kRow);
    inputs->setPercentWidth(100, false);
    inputs->setHGap(px(10));
    inputs->setVAlignCenter();
    TextField* field = TextField::create();
    field->setText(u"0:01:05.500", false);
    field->setFixedWidth(px(110));
    inputs->add(field);
    ComboBox* combo = ComboBox::create();
    for (const char16_t* t : {u"Save a Scene", u"Second entry", u"Third entry"}) {
        auto* item = combobox::ComboBoxItem::create();
        item->setText(t);
        combo->addItem(item);
    }
    combo->select(0, false);
    inputs->add(combo);
    ProgressBar* progress = ProgressBar::create();
    progress->setFixedWidth(px(100));
    progress->setFixedHeight(px(16));
    progress->setRange(0, 100);
    progress->setPosition(60);
    inputs->add(progress);
    Image* picture = Image::create();
    picture->setImage(gradient(px(64), px(36)), true);
    picture->setFixedWidth(px(64));
    picture->setFixedHeight(px(36));
    inputs->add(picture);
    body->add(inputs);

    // Sliders: the platform's, one with a drawer, one with two thumbs.
    Slider* plain = Slider::create();
    plain->setPercentWidth(100);
    plain->setThumbLength(px(20));
    plain->setPosition(30);
    body->add(plain);
    Slider* drawn = Slider::create();
    drawn->setPercentWidth(100);
    drawn->setDrawer(drawer::slider::win::Thin::create(), true);
    drawn->setPosition(50);
    body->add(drawn);
    Slider* range = Slider::create();
    range->setPercentWidth(100);
    range->setDrawer(drawer::slider::win::Thin::create(), true);
    range->setRangeMode(true);
    range->setPosition(20);
    range->setSecondPosition(70);
    body->add(range);

    // Box kinds: a group box holding a flow, a pile and a bordered column.
    Box* kinds = box(kRow);
    kinds->setPercentWidth(100, false);
    kinds->setHGap(px(10));
    GroupBox* group = GroupBox::create();
    group->setText(u"Group box with a flow");
    group->setPadding(px(8));
    group->setPadTop(px(18));
    Box* flow = box(kFlow);
    flow->setHGap(px(4));
    flow->setVGap(px(4));
    flow->setFixedWidth(px(180), false);
    for (const char16_t* t : {u"< 1", u"1 >", u"< 5", u"5 >", u"< 10", u"10 >"})
        flow->add(button(t));
    group->add(flow);
    kinds->add(group);
    Box* pile = box(kPile);
    pile->setFixedWidth(px(120), false);
    pile->setFixedHeight(px(60), false);
    pile->setBackgroundColor(255, 255, 255, false);
    pile->setBorder([] {
        auto* b = drawer::border::win::Plain::create();
        b->setColour(145, 155, 156);
        return b;
    }());
    pile->setHAlignCenter();
    pile->setVAlignCenter();
    pile->add(label(u"Pile box"));
    kinds->add(pile);
    Box* column = box(kColumn);
    column->setVGap(px(2));
    column->setPadding(px(4));
    column->setBackgroundColor(236, 233, 216, false);
    auto* bevel = drawer::border::win::Thin::create();
    bevel->setColour(168, 162, 128);
    column->setBorder(bevel);
    column->add(label(u"Column"));
    column->add(label(u"with a bevel"));
    kinds->add(column);
    DrawerSample* sample = DrawerSample::create();
    sample->setSampleSize(px(26) * 13, px(26) * 3);
    kinds->add(sample);
    body->add(kinds);

    window->add(spacer(1, 3));
    StatusBar* status = StatusBar::create();
    status->setPercentWidth(100);
    status->setPadding(px(2));
    Box* statusBox = box(kRow);
    statusBox->setPercentSize100();
    statusBox->setPadLeftRight(px(2));
    statusBox->setVAlignCenter();
    Label* ready = label(u"Ready", 100001);
    ready->setEndEllipsis(true);
    statusBox->add(ready);
    status->add(statusBox);
    window->add(status);
}

/// Runs the GTK loop until nothing is pending, a few times, so that sizes,
/// layouts and paints have settled.
void settle(Window* window) {
    for (int round = 0; round < 6; ++round) {
        window->invoke([] {
            while (gtk_events_pending())
                gtk_main_iteration_do(FALSE);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
}

bool writeScreenshot(Window* window, const char* file) {
    bool ok = false;
    window->invoke([&] {
        auto* top = static_cast<GtkWidget*>(window->getNativeHandle());
        if (!top)
            return;
        const int w = gtk_widget_get_allocated_width(top);
        const int h = gtk_widget_get_allocated_height(top);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
        cairo_t* cr = cairo_create(surface);
        gtk_widget_draw(top, cr);
        cairo_destroy(cr);
        ok = cairo_surface_write_to_png(surface, file) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(surface);
    });
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    const char* screenshot = nullptr;
    int scale = 1;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--screenshot") && i + 1 < argc)
            screenshot = argv[++i];
        else if (!std::strcmp(argv[i], "--scale") && i + 1 < argc)
            scale = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: gallery [--screenshot FILE] [--scale 1|2|4]\n");
            return 2;
        }
    }
    setDisplayScale(scale);
    if (!UIThread::instance().start()) {
        std::fprintf(stderr, "gallery: cannot open a display\n");
        return 1;
    }
    Window* window = Window::create();
    buildGallery(window);
    window->resizeWindow(px(760), px(480));
    window->showWindow(true, true);
    window->invoke([window] {
        window->doLayout();
        window->fitToMinimum();
    });
    if (!screenshot) {
        window->waitUntilClosed();
        window->invoke([window] { window->release(); });
        return 0;
    }
    settle(window);
    int status = 0;
    window->invoke([window, &status] {
        for (const std::string& problem : findLayoutProblems(window)) {
            std::fprintf(stderr, "gallery: %s\n", problem.c_str());
            status = 1;
        }
    });
    if (!writeScreenshot(window, screenshot)) {
        std::fprintf(stderr, "gallery: cannot write %s\n", screenshot);
        status = 1;
    }
    window->invoke([window] { window->release(); });
    return status;
}
