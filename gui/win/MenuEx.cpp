#include "gui/win/MenuEx.h"

#include "gui/IWindow.h"
#include "gui/Scale.h"
#include "gui/drawer/menu/win/Basic.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/FontSetting.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/Relayout.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

namespace s::gui::win {

namespace {
constexpr i32 kMarginX = 6;
constexpr i32 kMarginY = 3;
constexpr const char* kMoveHookKey = "snipforge-move-hook";

char32_t upper(char32_t c) {
    return static_cast<char32_t>(g_unichar_toupper(static_cast<gunichar>(c)));
}

/// A title as shown: "&&" becomes "&", a single "&" is dropped and marks the
/// character after it, whose index in the shown text goes to `marked` (-1
/// when none is marked).
std::u16string shownTitle(const char16_t* raw, i32* marked) {
    std::u16string out;
    *marked = -1;
    for (const char16_t* p = raw ? raw : u""; *p; ++p) {
        if (*p == u'&') {
            if (p[1] == u'&') {
                out += u'&';
                ++p;
            } else if (p[1] && *marked < 0) {
                *marked = static_cast<i32>(out.size());
            }
            continue;
        }
        out += *p;
    }
    return out;
}
} // namespace

MenuEx::MenuEx() : m_font(FontSetting::create()), m_drawer(drawer::menu::win::Basic::create()) {
    m_font->setSizeCode(kDefaultSizeCode);
    m_state.font = m_font;
    m_state.marginX = kMarginX * displayScale();
    m_state.marginY = kMarginY * displayScale();
    measure();
}

namespace {
/// A menu closing while it is released must not call back into the bar.
void releaseMenus(std::vector<PopupMenu*>& menus) {
    for (PopupMenu* menu : menus) {
        menu->setChooser(nullptr);
        menu->setClosedHandler(nullptr);
        menu->release();
    }
    menus.clear();
}
} // namespace

MenuEx::~MenuEx() {
    releaseMenus(m_menus);
    m_font->release();
    m_drawer->release();
}

void MenuEx::reset() {
    releaseMenus(m_menus);
    m_checked.clear();
    m_command = -1;
    m_commandListeners.clear();
    m_open = -1;
    m_state = drawer::MenuBarState{};
    m_state.font = m_font;
    m_state.marginX = kMarginX * displayScale();
    m_state.marginY = kMarginY * displayScale();
    m_font->reset();
    m_font->setSizeCode(kDefaultSizeCode);
    m_drawer->reset();
    Component::reset();
    measure();
}

// -- text style --

void MenuEx::fontChanged() {
    measure();
    redraw();
}

// -- menus and commands --

void MenuEx::addMenu(IPopupMenu* popup) {
    auto* menu = dynamic_cast<PopupMenu*>(popup);
    if (!menu)
        return;
    m_menus.push_back(menu);
    const i32 index = static_cast<i32>(m_menus.size()) - 1;
    menu->setChooser([this](i32 command) { chooseCommand(command); });
    menu->setClosedHandler([this, index] {
        if (m_open == index)
            menuClosed();
    });
    for (const auto& [command, checked] : m_checked)
        menu->setItemChecked(command, checked);
    adoptWindowLocalizer();
    measure();
    redraw();
}

IPopupMenu* MenuEx::getMenu(i32 index) const {
    if (index < 0 || index >= getMenuCount())
        return nullptr;
    return m_menus[static_cast<std::size_t>(index)];
}

bool MenuEx::isChecked(i32 command) const {
    if (auto it = m_checked.find(command); it != m_checked.end())
        return it->second;
    for (const PopupMenu* menu : m_menus)
        if (const menuitem::MenuItem* item = menu->findItem(command))
            return item->isChecked();
    return false;
}

void MenuEx::setChecked(i32 command, bool checked) {
    m_checked[command] = checked;
    for (PopupMenu* menu : m_menus)
        menu->setItemChecked(command, checked);
}

void MenuEx::chooseCommand(i32 command) {
    m_command = command;
    m_commandListeners.fire(this, kMenuCommand);
}

void MenuEx::setItemMargins(i32 x, i32 y) {
    m_state.marginX = x < 0 ? 0 : x;
    m_state.marginY = y < 0 ? 0 : y;
    measure();
    redraw();
}

void MenuEx::setLastTitleAtRight(bool atRight) {
    m_state.lastAtRight = atRight;
    m_boxesWidth = -1;
    redraw();
}

void MenuEx::setLastTitleAsLink(bool asLink) {
    m_state.lastAsLink = asLink;
    redraw();
}

// -- language --

void MenuEx::adoptWindowLocalizer() {
    lang::Localizer* localizer = m_window ? m_window->getLocalizer() : nullptr;
    if (!localizer)
        return;
    for (PopupMenu* menu : m_menus)
        if (!menu->getLocalizer())
            menu->setLocalizer(localizer);
}

void MenuEx::onWindowChanged() {
    adoptWindowLocalizer();
    measure();
}

void MenuEx::onLanguageChanged() {
    adoptWindowLocalizer();
    for (PopupMenu* menu : m_menus)
        menu->refreshTexts();
    measure();
    redraw();
}

// -- measuring and painting --

drawer::IMenu* MenuEx::drawer() const {
    if (m_window)
        if (drawer::ISkin* skin = m_window->getSkin(); skin && skin->getMenu())
            return skin->getMenu();
    return m_drawer;
}

void MenuEx::measure() {
    m_state.titles.clear();
    m_state.mnemonics.clear();
    m_mnemonicChars.clear();
    for (const PopupMenu* menu : m_menus) {
        i32 marked = -1;
        m_state.titles.push_back(shownTitle(menu->getTitle(), &marked));
        m_state.mnemonics.push_back(marked);
    }
    // Marked mnemonics first; every other title takes its first letter or
    // digit that is still free.
    std::u32string taken;
    for (std::size_t i = 0; i < m_state.titles.size(); ++i)
        if (m_state.mnemonics[i] >= 0)
            taken += upper(m_state.titles[i][static_cast<std::size_t>(m_state.mnemonics[i])]);
    for (std::size_t i = 0; i < m_state.titles.size(); ++i) {
        const std::u16string& title = m_state.titles[i];
        for (std::size_t k = 0; m_state.mnemonics[i] < 0 && k < title.size(); ++k) {
            const char16_t c = title[k];
            if (c >= 0xD800 && c <= 0xDFFF) // outside the basic plane: not offered
                continue;
            if (g_unichar_isalnum(c) && taken.find(upper(c)) == std::u32string::npos) {
                m_state.mnemonics[i] = static_cast<i32>(k);
                taken += upper(c);
            }
        }
        const i32 at = m_state.mnemonics[i];
        m_mnemonicChars.push_back(at >= 0 ? upper(title[static_cast<std::size_t>(at)]) : 0);
    }
    m_boxesWidth = -1;
    i32 w = 0;
    i32 h = 0;
    std::vector<i32> boxes;
    if (m_state.titles.empty()) {
        // An empty bar keeps the height of one title.
        drawer::MenuBarState probe = m_state;
        probe.titles = {u""};
        probe.lastAtRight = false;
        drawer()->layoutTitles(probe, 0, &boxes);
        h = boxes.empty() ? 0 : boxes[3];
    } else {
        drawer::MenuBarState natural = m_state;
        natural.lastAtRight = false;
        drawer()->layoutTitles(natural, 0, &boxes);
        w = boxes[boxes.size() - 2];
        h = boxes[3];
    }
    if (w == m_measuredW && h == m_measuredH)
        return;
    setMeasuredSize(w, h);
    layoutAfterMeasure(this);
}

const std::vector<i32>& MenuEx::getTitleBoxes() {
    if (m_boxesWidth != m_width) {
        drawer()->layoutTitles(m_state, m_width, &m_boxes);
        m_boxesWidth = m_width;
    }
    return m_boxes;
}

i32 MenuEx::titleAt(i32 x, i32 y) {
    const std::vector<i32>& boxes = getTitleBoxes();
    for (std::size_t i = 0; i + 3 < boxes.size(); i += 4)
        if (x >= boxes[i] && x < boxes[i + 2] && y >= boxes[i + 1] && y < boxes[i + 3])
            return static_cast<i32>(i / 4);
    return -1;
}

void MenuEx::paint(MemDC& dc, i32 w, i32 h) {
    drawer()->paintBar(dc, 0, 0, w, h, m_state);
}

void MenuEx::setHot(i32 index) {
    if (m_state.hot == index)
        return;
    m_state.hot = index;
    redraw();
}

bool MenuEx::onMouse(const MouseEvent& event) {
    switch (event.kind) {
    case MouseEvent::kEnter:
    case MouseEvent::kMove:
        if (m_open < 0)
            setHot(titleAt(event.x, event.y));
        return true;
    case MouseEvent::kLeave:
        if (m_open < 0)
            setHot(-1);
        return true;
    case MouseEvent::kPress:
    case MouseEvent::kDoubleClick: {
        if (event.button != 1)
            return false;
        const i32 index = titleAt(event.x, event.y);
        if (index < 0)
            return false;
        m_state.mouseDown = true;
        setHot(index);
        redraw();
        openMenu(index);
        return true;
    }
    case MouseEvent::kRelease:
        if (event.button != 1)
            return false;
        m_state.mouseDown = false;
        redraw();
        return true;
    }
    return false;
}

i32 MenuEx::titleForMnemonic(char32_t ch) const {
    if (ch == 0)
        return -1;
    for (std::size_t i = 0; i < m_mnemonicChars.size(); ++i)
        if (m_mnemonicChars[i] == upper(ch))
            return static_cast<i32>(i);
    return -1;
}

char32_t MenuEx::mnemonicOf(i32 index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_mnemonicChars.size())
        return 0;
    return m_mnemonicChars[static_cast<std::size_t>(index)];
}

bool MenuEx::openMenuByKeyboard(i32 index) {
    if (index < 0 || index >= getMenuCount())
        return false;
    if (m_open >= 0) {
        if (GtkWidget* open = m_menus[static_cast<std::size_t>(m_open)]->getNativeMenu())
            gtk_menu_shell_deactivate(GTK_MENU_SHELL(open));
    }
    setHot(index);
    openMenu(index, true);
    return m_open == index;
}

void MenuEx::onMoveCurrent(void* menu, i32 direction, void* data) {
    auto* self = static_cast<MenuEx*>(data);
    const i32 count = self->getMenuCount();
    if (self->m_open < 0 || count < 2)
        return;
    i32 step = 0;
    if (direction == GTK_MENU_DIR_CHILD) {
        // An entry with a submenu opens it, as GTK does.
        GtkWidget* item = gtk_menu_shell_get_selected_item(GTK_MENU_SHELL(menu));
        if (item && gtk_menu_item_get_submenu(GTK_MENU_ITEM(item)))
            return;
        step = 1;
    } else if (direction == GTK_MENU_DIR_PARENT) {
        step = -1;
    } else {
        return;
    }
    g_signal_stop_emission_by_name(menu, "move-current");
    self->openMenuByKeyboard((self->m_open + step + count) % count);
}

void MenuEx::openMenu(i32 index, bool byKeyboard) {
    if (!m_window || !m_window->isRealized() || !UIThread::isUiThread())
        return;
    auto* fixed = static_cast<GtkWidget*>(m_window->getNativeContainer());
    if (!fixed || !gtk_widget_get_window(fixed))
        return;
    PopupMenu* menu = m_menus[static_cast<std::size_t>(index)];
    GtkWidget* native = menu->getNativeMenu();
    if (!native)
        return;
    const std::vector<i32>& boxes = getTitleBoxes();
    const std::size_t b = static_cast<std::size_t>(index) * 4;
    i32 hostX = 0;
    i32 hostY = 0;
    getNativeHost(&hostX, &hostY);
    // A fixed container without a window of its own is allocated in its
    // parent's window coordinates, which is the window the menu is placed in.
    GtkAllocation alloc;
    gtk_widget_get_allocation(fixed, &alloc);
    if (gtk_widget_get_has_window(fixed))
        alloc.x = alloc.y = 0;
    GdkRectangle rect{alloc.x + hostX + boxes[b], alloc.y + hostY + boxes[b + 1], boxes[b + 2] - boxes[b],
                      boxes[b + 3] - boxes[b + 1]};
    if (!g_object_get_data(G_OBJECT(native), kMoveHookKey)) {
        g_signal_connect(native, "move-current", G_CALLBACK(onMoveCurrent), this);
        g_object_set_data(G_OBJECT(native), kMoveHookKey, this);
    }
    m_open = index;
    GdkEvent* trigger = gtk_get_current_event();
    gtk_menu_popup_at_rect(GTK_MENU(native), gtk_widget_get_window(fixed), &rect, GDK_GRAVITY_SOUTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, trigger);
    if (trigger)
        gdk_event_free(trigger);
    if (byKeyboard)
        gtk_menu_shell_select_first(GTK_MENU_SHELL(native), TRUE);
}

void MenuEx::menuClosed() {
    m_open = -1;
    m_state.mouseDown = false;
    m_state.hot = -1;
    redraw();
}

} // namespace s::gui::win
