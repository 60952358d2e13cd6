#pragma once

#include "gui/ITextStyle.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

class IPopupMenu;

/// Menu bar event codes (source = the bar).
enum MenuExEvent : i32 {
    kMenuCommand = 0, ///< a command was chosen; read it with getCommand
};

/// The menu bar the toolkit draws itself: one title per drop-down menu; a
/// press on a title opens its menu under it. Chosen commands arrive as code 0
/// to the command listeners. Checked states are kept per command id.
class IMenuEx : public ITextStyle {
public:
    /// Appends a menu; the bar owns it from then on. Its title is the menu's
    /// title (by language id or literal).
    virtual void addMenu(IPopupMenu* popup) = 0;
    virtual i32 getMenuCount() const = 0;
    virtual IPopupMenu* getMenu(i32 index) const = 0;

    /// The stored state of `command` (false when never set and no entry of it
    /// is checked).
    virtual bool isChecked(i32 command) const = 0;
    /// Stores the state and sets the mark of every entry of `command`.
    virtual void setChecked(i32 command, bool checked) = 0;

    /// The last command chosen; -1 before the first.
    virtual i32 getCommand() const = 0;
    virtual void addCommandListener(events::IEventListener* l) = 0;
    /// Takes `command` as chosen: stores it and raises code 0. The window's
    /// menus call it when the user picks an entry.
    virtual void chooseCommand(i32 command) = 0;

    /// Room around each title's text (already scaled); 6 x 3 times the
    /// display scale by default.
    virtual void setItemMargins(i32 x, i32 y) = 0;
    /// The last title stands against the bar's right edge.
    virtual void setLastTitleAtRight(bool atRight) = 0;
    /// The last title looks like a link and is never highlighted.
    virtual void setLastTitleAsLink(bool asLink) = 0;
};

} // namespace s::gui
