#pragma once

#include "foundation/base/Types.h"

namespace s::lang {
class Localizer;
}
namespace s::gui::menuitem {
class MenuItem;
}

namespace s::gui {

/// One drop-down menu of MenuItem entries, with the title the menu bar shows
/// for it. The menu owns its entries and its submenus. Positions count every
/// entry, separators included.
class IPopupMenu {
public:
    virtual ~IPopupMenu() = default;

    /// Not owned. Entries with a text id and no localizer of their own, and
    /// the title, take their texts from it.
    virtual void setLocalizer(lang::Localizer* localizer) = 0;
    virtual lang::Localizer* getLocalizer() const = 0;
    /// The title in the bar, by language id.
    virtual void setTextId(i32 id) = 0;
    virtual i32 getTextId() const = 0;
    /// A literal title; clears the text id.
    virtual void setTitle(const char16_t* title) = 0;
    virtual const char16_t* getTitle() const = 0;

    /// Appends an entry; the menu owns it from then on.
    virtual void add(menuitem::MenuItem* item) = 0;
    /// Appends an entry that opens `popup` (its title is the entry's text);
    /// the menu owns the submenu from then on.
    virtual void addSubmenu(IPopupMenu* popup) = 0;
    /// Inserts before position `index` (appends when index is past the end;
    /// a negative index counts as 0). The menu owns the entry.
    virtual void insertAt(i32 index, menuitem::MenuItem* item) = 0;
    /// Removes and releases the entry at `index`; false when there is none.
    virtual bool removeAt(i32 index) = 0;
    virtual i32 getItemCount() const = 0;
    /// Null when out of range.
    virtual menuitem::MenuItem* getItem(i32 index) const = 0;
    /// The first entry of `command` in this menu or its submenus; null when
    /// none.
    virtual menuitem::MenuItem* findItem(i32 command) const = 0;
    /// Position of the first entry of `command` in this menu; -1 when none.
    virtual i32 indexOf(i32 command) const = 0;

    /// The radio mark goes to the entry at `index` and leaves every other
    /// radio entry of this menu. An index out of range only clears the marks.
    virtual void checkRadio(i32 index) = 0;
    /// A literal text for every entry of `command` (this menu and its
    /// submenus); false when no entry has that command.
    virtual bool setItemText(i32 command, const char16_t* text) = 0;
    /// Every entry of `command` becomes checked or unchecked; false when none.
    virtual bool setItemChecked(i32 command, bool checked) = 0;
    /// Reads every text given by id again (title, entries, submenus); true
    /// when one changed.
    virtual bool refreshTexts() = 0;
};

} // namespace s::gui
