#include "gui/drawer/Skinner.h"

#include "gui/Scale.h"
#include "gui/drawer/Paint.h"
#include "gui/drawer/button/win/Thin.h"
#include "gui/drawer/checkbox/win/Thin.h"
#include "gui/drawer/combo/win/Thin.h"
#include "gui/drawer/counter/win/Basic.h"
#include "gui/drawer/groupbox/win/Thin.h"
#include "gui/drawer/listbox/win/Thin.h"
#include "gui/drawer/listheader/win/Thin.h"
#include "gui/drawer/menu/win/Basic.h"
#include "gui/drawer/radiobutton/win/Thin.h"
#include "gui/drawer/scrollbar/win/Thin.h"
#include "gui/drawer/skin/Thin.h"
#include "gui/drawer/skin/ThinWindow.h"
#include "gui/drawer/slider/win/Thin.h"
#include "gui/drawer/statusbar/win/Thin.h"
#include "gui/drawer/tabbox/win/Thin.h"
#include "gui/drawer/text/win/Basic.h"
#include "gui/drawer/window/win/Thin.h"

namespace s::gui::drawer {

namespace {

/// Scroll bar thickness (times the scale).
constexpr i32 kScrollBarWidth = 15;
constexpr Rgb kAlternateRow{243, 243, 243};

/// A "Thin" scheme: background, lines, text, slider, counter, counter accent.
struct ThinScheme {
    const char16_t* name;
    Rgb c[6];
};

constexpr ThinScheme kThinSchemes[] = {
    {u"White", {{255, 255, 255}, {68, 68, 68}, {0, 0, 0}, {119, 119, 119}, {176, 176, 176}, {255, 165, 0}}},
    {u"Light Gray", {{240, 238, 228}, {0, 0, 0}, {0, 0, 0}, {176, 176, 176}, {176, 176, 176}, {255, 165, 0}}},
    {u"Black", {{51, 51, 51}, {176, 176, 176}, {255, 255, 255}, {176, 176, 176}, {213, 235, 107}, {255, 165, 0}}},
    {u"Ivory", {{236, 233, 216}, {0, 0, 0}, {0, 0, 0}, {168, 162, 128}, {168, 162, 128}, {255, 165, 0}}},
    {u"Sky Blue", {{255, 255, 255}, {87, 133, 255}, {0, 0, 0}, {87, 133, 255}, {87, 133, 255}, {255, 165, 0}}},
    {u"Pink", {{255, 255, 255}, {255, 93, 162}, {0, 0, 0}, {255, 93, 162}, {255, 93, 162}, {255, 165, 0}}},
    {u"Green", {{255, 255, 255}, {143, 175, 17}, {0, 51, 0}, {143, 175, 17}, {143, 175, 17}, {255, 165, 0}}},
    {u"Green2", {{213, 235, 107}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {255, 165, 0}}},
    {u"Yellow", {{255, 255, 255}, {224, 206, 0}, {0, 0, 0}, {224, 206, 0}, {224, 206, 0}, {255, 165, 0}}},
    {u"Orange", {{255, 255, 255}, {221, 135, 2}, {0, 0, 0}, {221, 135, 2}, {221, 135, 2}, {255, 165, 0}}},
    {u"Khaki", {{62, 92, 0}, {146, 185, 65}, {255, 255, 255}, {221, 135, 2}, {221, 135, 2}, {255, 165, 0}}},
    {u"Indigo", {{75, 0, 130}, {192, 125, 255}, {255, 255, 255}, {192, 125, 255}, {192, 125, 255}, {255, 165, 0}}},
    {u"Salmon Red",
     {{255, 48, 92}, {255, 189, 203}, {255, 255, 255}, {255, 189, 203}, {255, 189, 203}, {255, 165, 0}}},
};

/// A "ThinWindow" scheme: its number in the family's table and fifteen
/// colours C1..C15.
struct WindowScheme {
    i32 number;
    const char16_t* name;
    Rgb c[15];
};

constexpr WindowScheme kWindowSchemes[] = {
    {1, u"Black", {{51, 51, 51}, {85, 85, 85}, {85, 85, 85}, {176, 176, 176}, {176, 176, 176}, {255, 255, 255}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {2, u"Ivory", {{242, 240, 230}, {0, 0, 0}, {170, 170, 170}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {238, 238, 238}, {176, 176, 176}, {176, 176, 176}, {240, 238, 228}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {176, 176, 176}, {255, 165, 0}}},
    {3, u"White", {{255, 255, 255}, {68, 68, 68}, {204, 204, 204}, {68, 68, 68}, {68, 68, 68}, {0, 0, 0}, {238, 238, 238}, {119, 119, 119}, {119, 119, 119}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {119, 119, 119}, {255, 165, 0}}},
    {4, u"Beige", {{236, 233, 216}, {0, 0, 0}, {170, 170, 170}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {238, 238, 238}, {168, 162, 128}, {168, 162, 128}, {236, 233, 216}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {168, 162, 128}, {255, 165, 0}}},
    {6, u"Sky Blue", {{194, 223, 255}, {87, 133, 255}, {87, 133, 255}, {87, 133, 255}, {87, 133, 255}, {0, 0, 0}, {238, 238, 238}, {87, 133, 255}, {87, 133, 255}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {87, 133, 255}, {255, 165, 0}}},
    {7, u"Yellow", {{252, 255, 91}, {224, 206, 0}, {224, 206, 0}, {224, 206, 0}, {224, 206, 0}, {0, 0, 0}, {238, 238, 238}, {224, 206, 0}, {224, 206, 0}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {168, 255, 83}, {255, 165, 0}}},
    {8, u"Pink", {{255, 194, 230}, {255, 93, 162}, {255, 93, 162}, {255, 93, 162}, {255, 93, 162}, {0, 0, 0}, {238, 238, 238}, {255, 93, 162}, {255, 93, 162}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {255, 48, 92}, {255, 165, 0}}},
    {9, u"Salmon Red", {{255, 48, 92}, {255, 189, 203}, {255, 189, 203}, {255, 189, 203}, {255, 189, 203}, {255, 255, 255}, {51, 51, 51}, {255, 189, 203}, {255, 189, 203}, {255, 48, 92}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {255, 194, 230}, {255, 165, 0}}},
    {10, u"Green", {{184, 255, 61}, {129, 160, 7}, {129, 160, 7}, {129, 160, 7}, {129, 160, 7}, {0, 0, 0}, {238, 238, 238}, {143, 175, 17}, {143, 175, 17}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {143, 175, 17}, {255, 165, 0}}},
    {11, u"Khaki", {{62, 92, 0}, {146, 185, 65}, {146, 185, 65}, {146, 185, 65}, {146, 185, 65}, {255, 255, 255}, {51, 51, 51}, {221, 135, 2}, {221, 135, 2}, {62, 92, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {12, u"Indigo", {{49, 0, 130}, {192, 125, 255}, {192, 125, 255}, {192, 125, 255}, {192, 125, 255}, {255, 255, 255}, {51, 51, 51}, {195, 158, 255}, {195, 158, 255}, {49, 0, 130}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {192, 125, 255}, {255, 165, 0}}},
    {13, u"Orange", {{255, 207, 61}, {221, 135, 2}, {221, 135, 2}, {221, 135, 2}, {221, 135, 2}, {0, 0, 0}, {238, 238, 238}, {221, 135, 2}, {221, 135, 2}, {255, 255, 255}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {255, 255, 255}, {255, 165, 0}}},
    {16, u"Black II", {{51, 51, 51}, {85, 85, 85}, {85, 85, 85}, {176, 176, 176}, {176, 176, 176}, {221, 221, 221}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {17, u"Black Black", {{0, 0, 0}, {51, 51, 51}, {51, 51, 51}, {176, 176, 176}, {176, 176, 176}, {255, 255, 255}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {18, u"Black Black II", {{0, 0, 0}, {51, 51, 51}, {51, 51, 51}, {176, 176, 176}, {176, 176, 176}, {221, 221, 221}, {51, 51, 51}, {153, 153, 153}, {204, 204, 204}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0}, {238, 238, 238}, {213, 235, 107}, {255, 165, 0}}},
    {19, u"Classic LG", {{116, 116, 116}, {17, 17, 17}, {86, 86, 86}, {17, 17, 17}, {17, 17, 17}, {255, 255, 255}, {51, 51, 51}, {116, 116, 116}, {25, 25, 25}, {255, 255, 255}, {49, 49, 49}, {191, 191, 191}, {56, 56, 56}, {195, 234, 0}, {25, 25, 25}}},
};

/// The order in which the "ThinWindow" family lists its schemes (numbers 5,
/// 14 and 15 are not used).
constexpr i32 kWindowOrder[] = {3, 2, 1, 16, 17, 18, 19, 4, 6, 8, 9, 7, 10, 13, 11, 12};

const WindowScheme* windowScheme(i32 number) {
    for (const WindowScheme& scheme : kWindowSchemes)
        if (scheme.number == number)
            return &scheme;
    return nullptr;
}

} // namespace

Skinner::~Skinner() { clear(); }

void Skinner::reset() {
    clear();
    m_kind = kBasic;
}

void Skinner::clear() {
    for (ISkin* skin : m_skins)
        skin->release();
    m_skins.clear();
    m_names.clear();
    m_current = -1;
}

void Skinner::add(const char16_t* name, ISkin* skin) {
    skin->setName(name);
    m_names.emplace_back(name);
    m_skins.push_back(skin);
}

Skinner* Skinner::makeWindowSkinner() {
    Skinner* skinner = create();
    skinner->setKind(kThinWindow);
    skinner->build();
    return skinner;
}

void Skinner::build() {
    clear();
    const i32 s = displayScale();
    if (m_kind == kThin)
        buildThin(s);
    else if (m_kind == kThinWindow)
        buildThinWindow(s);
    m_current = m_skins.empty() ? -1 : 0;
}

void Skinner::buildThin(i32 s) {
    for (const ThinScheme& scheme : kThinSchemes) {
        const Rgb* c = scheme.c; // c[0] = C1
        skin::Thin* skin = skin::Thin::create();
        skin->setText(text::win::Basic::create());

        auto* window = window::win::Thin::create();
        window->setFrameColour(c[1].r, c[1].g, c[1].b);
        window->setBackgroundColour(c[0].r, c[0].g, c[0].b);
        window->setCornerStyles(window::win::Thin::kSquare, window::win::Thin::kSquare);
        window->setPartColour(0, c[2]);
        skin->setWindow(window);

        auto* button = button::win::Thin::create();
        button->setLineColour(c[1]);
        button->setHotLineColour(c[1]);
        button->setTextColour(c[2]);
        button->setHotTextColour(c[2]);
        button->setFaceColour(c[0]);
        button->setHotFaceColour(mixColour(c[0], c[1], 10));
        button->setPressedFaceColour(mixColour(c[0], c[1], 20));
        skin->setButton(button);

        auto* scrollBar = scrollbar::win::Thin::create();
        scrollBar->setWidth(kScrollBarWidth * s);
        scrollBar->setColours(c[1], c[0]);
        scrollBar->setPartColour(c[2]);
        skin->setScrollBar(scrollBar);

        auto* checkBox = checkbox::win::Thin::create();
        checkBox->setColours(c[1], c[2]);
        checkBox->setMarkColour(c[2]);
        checkBox->setHotColour(c[2]);
        skin->setCheckBox(checkBox);

        auto* radio = radiobutton::win::Thin::create();
        radio->setColours(c[1], c[2]);
        radio->setMarkColour(c[2]);
        radio->setHotColour(c[2]);
        skin->setRadioButton(radio);

        auto* slider = slider::win::Thin::create();
        slider->setColours(c[1], c[3]);
        skin->setSlider(slider);

        auto* counter = counter::win::Basic::create();
        counter->setColours(c[4], c[5]);
        skin->setCounter(counter);

        auto* header = listheader::win::Thin::create();
        header->setColours(c[1], c[0]);
        header->setTextColour(c[2]);
        skin->setListHeader(header);

        auto* list = listbox::win::Thin::create();
        list->setColours(c[0], c[2], c[1], c[0]);
        list->setAlternateColour(kAlternateRow);
        skin->setListBox(list);

        auto* statusBar = statusbar::win::Thin::create();
        statusBar->setLineColour(c[1]);
        skin->setStatusBar(statusBar);

        auto* menu = menu::win::Basic::create();
        menu->setHighlightColor(c[1].packed());
        skin->setMenu(menu);

        auto* combo = combo::win::Thin::create();
        combo->setColours(c[2], c[1]);
        combo->setArrowColour(c[2]);
        skin->setCombo(combo);

        auto* group = groupbox::win::Thin::create();
        group->setLineColour(c[1]);
        group->setTextColour(c[2]);
        skin->setGroupBox(group);

        auto* tabs = tabbox::win::Thin::create();
        tabs->setLineColour(c[1]);
        tabs->setTextColour(c[2]);
        skin->setTabBox(tabs);

        add(scheme.name, skin);
    }
}

void Skinner::buildThinWindow(i32 s) {
    for (const i32 number : kWindowOrder) {
        const WindowScheme* scheme = windowScheme(number);
        if (!scheme)
            continue;
        // C(n) is the table's column n.
        auto C = [scheme](i32 n) { return scheme->c[n - 1]; };
        skin::ThinWindow* skin = skin::ThinWindow::create();
        skin->setText(text::win::Basic::create());

        auto* window = window::win::Thin::create();
        window->setFrameColour(C(2).r, C(2).g, C(2).b);
        window->setBackgroundColour(C(1).r, C(1).g, C(1).b);
        window->setCornerStyles(window::win::Thin::kSquare, window::win::Thin::kSquare);
        const i32 parts[] = {3, 4, 9, 6, 3, 10};
        for (i32 i = 0; i < window::win::Thin::kPartCount; ++i)
            window->setPartColour(i, C(parts[i]));
        skin->setWindow(window);

        auto* button = button::win::Thin::create();
        button->setLineColour(C(4));
        button->setTextColour(C(6));
        button->setFaceColour(C(1));
        button->setPressedFaceColour(C(7));
        button->setHotFaceColour(C(3));
        button->setHotTextColour(C(6));
        button->setHotLineColour(C(4));
        skin->setButton(button);

        auto* scrollBar = scrollbar::win::Thin::create();
        scrollBar->setWidth(kScrollBarWidth * s);
        scrollBar->setColours(C(4), C(8));
        scrollBar->setPartColour(C(3));
        skin->setScrollBar(scrollBar);

        auto* checkBox = checkbox::win::Thin::create();
        checkBox->setColours(C(4), C(6));
        checkBox->setMarkColour(C(6));
        checkBox->setHotColour(C(3));
        skin->setCheckBox(checkBox);

        auto* radio = radiobutton::win::Thin::create();
        radio->setColours(C(4), C(6));
        radio->setMarkColour(C(6));
        radio->setHotColour(C(3));
        skin->setRadioButton(radio);

        auto* slider = slider::win::Thin::create();
        slider->setColours(C(4), C(8));
        skin->setSlider(slider);

        auto* counter = counter::win::Basic::create();
        counter->setColours(C(14), C(15));
        counter->setBackColour(C(10));
        skin->setCounter(counter);

        auto* header = listheader::win::Thin::create();
        header->setColours(C(4), C(9));
        header->setTextColour(C(6));
        skin->setListHeader(header);

        auto* list = listbox::win::Thin::create();
        list->setColours(C(11), C(12), C(9), C(10));
        list->setAlternateColour(C(13));
        skin->setListBox(list);

        auto* statusBar = statusbar::win::Thin::create();
        statusBar->setLineColour(C(4));
        statusBar->setPartColour(0, C(6));
        statusBar->setPartColour(1, C(4));
        statusBar->setPartColour(2, C(6));
        skin->setStatusBar(statusBar);

        auto* menu = menu::win::Basic::create();
        menu->setHighlightColor(C(4).packed());
        skin->setMenu(menu);

        auto* combo = combo::win::Thin::create();
        combo->setColours(C(6), C(4));
        combo->setArrowColour(C(6));
        skin->setCombo(combo);

        auto* group = groupbox::win::Thin::create();
        group->setLineColour(C(5));
        group->setTextColour(C(6));
        skin->setGroupBox(group);

        auto* tabs = tabbox::win::Thin::create();
        tabs->setLineColour(C(4));
        tabs->setTextColour(C(6));
        skin->setTabBox(tabs);

        add(scheme->name, skin);
    }
}

ISkin* Skinner::findSkin(const char16_t* name) const {
    const i32 i = indexOf(name);
    return i < 0 ? nullptr : m_skins[static_cast<std::size_t>(i)];
}

i32 Skinner::indexOf(const char16_t* name) const {
    if (!name)
        return -1;
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i] == name)
            return static_cast<i32>(i);
    return -1;
}

bool Skinner::setCurrent(const char16_t* name) {
    const i32 i = indexOf(name);
    if (i < 0)
        return false;
    m_current = i;
    return true;
}

const char16_t* Skinner::getCurrentName() const {
    return m_current >= 0 ? m_names[static_cast<std::size_t>(m_current)].c_str() : u"";
}

} // namespace s::gui::drawer
