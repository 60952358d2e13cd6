#include "gui/win/MenuEx.h"

#include "gui/IWindow.h"
#include "gui/Scale.h"
#include "gui/drawer/menu/win/Basic.h"
#include "gui/win/FontSetting.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/Relayout.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"
#include "gui/menuitem/MenuItem.h"

#include <gtk/gtk.h>

namespace s::gui::win {

namespace {
constexpr i32 kMarginX = 6;
constexpr i32 kMarginY = 3;
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

void MenuEx::setSizeCode(i32 code) {
    m_font->setSizeCode(code);
    fontChanged();
}
void MenuEx::setFontFace(const char16_t* face) {
    m_font->setFace(face);
    fontChanged();
}
void MenuEx::setFontHeight(i32 height) {
    m_font->setHeight(height);
    fontChanged();
}
i32 MenuEx::getFontHeight() const { return m_font->getHeight(); }
void MenuEx::setBold(bool bold) {
    m_font->setBold(bold);
    fontChanged();
}
bool MenuEx::isBold() const { return m_font->getWeight() >= 700; }
void MenuEx::setItalic(bool italic) {
    m_font->setItalic(italic);
    fontChanged();
}
bool MenuEx::isItalic() const { return m_font->isItalic(); }
void MenuEx::setUnderline(bool underline) {
    m_font->setUnderline(underline);
    fontChanged();
}
bool MenuEx::isUnderline() const { return m_font->isUnderline(); }
void MenuEx::setTextColor(i32 r, i32 g, i32 b) {
    m_font->setColor(r, g, b);
    redraw();
}
u32 MenuEx::getTextColor() const { return m_font->getColor(); }

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
    for (const PopupMenu* menu : m_menus)
        m_state.titles.push_back(fromUtf8(menuText(menu->getTitle(), false).c_str()));
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

void MenuEx::paint(MemDC& dc, i32 w, i32 h) { drawer()->paintBar(dc, 0, 0, w, h, m_state); }

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

void MenuEx::openMenu(i32 index) {
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
    m_open = index;
    GdkEvent* trigger = gtk_get_current_event();
    gtk_menu_popup_at_rect(GTK_MENU(native), gtk_widget_get_window(fixed), &rect, GDK_GRAVITY_SOUTH_WEST,
                           GDK_GRAVITY_NORTH_WEST, trigger);
    if (trigger)
        gdk_event_free(trigger);
}

void MenuEx::menuClosed() {
    m_open = -1;
    m_state.mouseDown = false;
    m_state.hot = -1;
    redraw();
}

} // namespace s::gui::win
