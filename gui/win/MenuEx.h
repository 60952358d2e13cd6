#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IMenuEx.h"
#include "gui/drawer/IDrawer.h"
#include "gui/events/ListenerList.h"
#include "gui/win/Component.h"
#include "gui/win/TextStyle.h"

#include <map>
#include <vector>

namespace s::gui::drawer::menu::win {
class Basic;
}

namespace s::gui::win {

class FontSetting;
class PopupMenu;

/// The menu bar: a toolkit-drawn component that shows the titles of its
/// drop-down menus through the menu drawer (the window skin's, else its own
/// plain one). The title under the mouse is hot; a left press on a title
/// opens its menu as a GtkMenu right under the title, and the title stays hot
/// until the menu closes. The bar measures its titles: min width the sum of
/// the title boxes, height the tallest box.
class MenuEx final : public Component, public TextStyleOf<MenuEx, IMenuEx> {
    S_POOLED_CLASS(MenuEx)

public:
    static constexpr u32 kMaxPooled = 0;
    /// The default size code of the bar's font (9 points).
    static constexpr i32 kDefaultSizeCode = -1;

    MenuEx();
    ~MenuEx() override;
    const char16_t* getClassName() const override { return u"s_gui_win_MenuEx"; }
    /// Releases the menus and returns to the defaults.
    void reset() override;
    IComponent* asComponent() override { return this; }

    // -- ITextStyle (the rest from TextStyleOf) --
    void fontChanged() override;

    // -- IMenuEx --
    void addMenu(IPopupMenu* popup) override;
    i32 getMenuCount() const override { return static_cast<i32>(m_menus.size()); }
    IPopupMenu* getMenu(i32 index) const override;
    bool isChecked(i32 command) const override;
    void setChecked(i32 command, bool checked) override;
    i32 getCommand() const override { return m_command; }
    void addCommandListener(events::IEventListener* l) override { m_commandListeners.add(l); }
    void chooseCommand(i32 command) override;
    void setItemMargins(i32 x, i32 y) override;
    void setLastTitleAtRight(bool atRight) override;
    void setLastTitleAsLink(bool asLink) override;

    // -- drawn component --
    bool isDrawn() const override { return true; }
    void paint(MemDC& dc, i32 w, i32 h) override;
    bool onMouse(const MouseEvent& event) override;
    /// Titles and entries given by id are read again.
    void onLanguageChanged() override;

    /// The title under the mouse or open; -1 none.
    i32 getHotIndex() const { return m_state.hot; }
    /// The title whose menu is open; -1 none.
    i32 getOpenIndex() const { return m_open; }
    /// The title whose mnemonic is `ch` (compared in upper case); -1 none.
    /// A title's mnemonic is the character after a single "&" in it, else
    /// its first letter or digit that no title before it took; it is
    /// underlined in the bar.
    i32 titleForMnemonic(char32_t ch) const;
    /// The mnemonic character of a title, upper case; 0 none.
    char32_t mnemonicOf(i32 index) const;
    /// Opens a title's menu for the keyboard (F10, Alt and a mnemonic): its
    /// first entry is selected, and Left and Right go on to the menus beside
    /// it. False when it cannot open. User-interface thread.
    bool openMenuByKeyboard(i32 index);
    /// The title at a point of the bar; -1 none.
    i32 titleAt(i32 x, i32 y);
    /// left, top, right, bottom per title at the bar's current width.
    const std::vector<i32>& getTitleBoxes();
    /// The bar's own plain drawer (used when the window's skin has none).
    drawer::menu::win::Basic* getBasicDrawer() const { return m_drawer; }

protected:
    void onWindowChanged() override;

private:
    friend class TextStyleOf<MenuEx, IMenuEx>;
    FontSetting* styleFont() const { return m_font; }
    void textColorChanged() { redraw(); }
    drawer::IMenu* drawer() const;
    /// Titles from the menus, the measured size, the parent's layout when it
    /// changed.
    void measure();
    void setHot(i32 index);
    void openMenu(i32 index, bool byKeyboard = false);
    /// Left or Right in an open menu: the menu beside it opens instead.
    static void onMoveCurrent(void* menu, i32 direction, void* self);
    void menuClosed();
    void adoptWindowLocalizer();

    std::vector<PopupMenu*> m_menus; // owned
    std::map<i32, bool> m_checked;
    i32 m_command = -1;
    events::ListenerList m_commandListeners;
    FontSetting* m_font;
    drawer::menu::win::Basic* m_drawer;
    drawer::MenuBarState m_state;
    i32 m_open = -1;
    std::vector<i32> m_boxes;
    std::vector<char32_t> m_mnemonicChars; // per title, upper case; 0 none
    i32 m_boxesWidth = -1;                 // width m_boxes were laid out for; -1 stale
};

} // namespace s::gui::win
