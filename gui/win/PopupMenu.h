#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "gui/IPopupMenu.h"

#include <functional>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;

namespace s::gui::win {

/// A drop-down menu of MenuItem entries, shown as a GtkMenu. The entries are
/// the model; the GtkMenu is made from them on the user-interface thread when
/// the menu is about to open, and made again after any change, so entries can
/// be changed from the thread that builds the interface before the window
/// exists. The menu reports a chosen entry by its command id to its chooser;
/// a chosen check entry keeps the mark of the model (the owner decides
/// whether it flips, through the bar's `setChecked`).
class PopupMenu final : public base::IObject, public thread::IPoolable, public IPopupMenu {
    S_POOLED_CLASS(PopupMenu)

public:
    static constexpr u32 kMaxPooled = 0;
    using Chooser = std::function<void(i32 command)>;

    PopupMenu() = default;
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    ~PopupMenu() override;
    const char16_t* getClassName() const override { return u"s_gui_win_PopupMenu"; }
    /// Releases the entries and submenus and destroys the GtkMenu.
    void reset() override;

    // -- IPopupMenu --
    void setLocalizer(lang::Localizer* localizer) override;
    lang::Localizer* getLocalizer() const override { return m_localizer; }
    void setTextId(i32 id) override;
    i32 getTextId() const override { return m_textId; }
    void setTitle(const char16_t* title) override;
    const char16_t* getTitle() const override { return m_title.c_str(); }
    void add(menuitem::MenuItem* item) override { insertAt(getItemCount(), item); }
    void addSubmenu(IPopupMenu* popup) override;
    void insertAt(i32 index, menuitem::MenuItem* item) override;
    bool removeAt(i32 index) override;
    i32 getItemCount() const override { return static_cast<i32>(m_items.size()); }
    menuitem::MenuItem* getItem(i32 index) const override;
    menuitem::MenuItem* findItem(i32 command) const override;
    i32 indexOf(i32 command) const override;
    void checkRadio(i32 index) override;
    bool setItemText(i32 command, const char16_t* text) override;
    bool setItemChecked(i32 command, bool checked) override;
    bool refreshTexts() override;

    /// Receives the command of a chosen entry, on the user-interface thread.
    /// Submenus report to their top menu's chooser.
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }
    /// Called when the shown menu closes, chosen or not.
    void setClosedHandler(std::function<void()> handler) { m_onClosed = std::move(handler); }
    /// The menu that holds this one as a submenu; null for a top menu.
    PopupMenu* getParentMenu() const { return m_parentMenu; }

    /// Counts changes of the entries and texts.
    u32 getRevision() const { return m_revision; }
    /// Whether the GtkMenu must be made (again) before it is shown.
    bool isNativeStale() const;
    /// The GtkMenu, made or made again as needed. User-interface thread only.
    GtkWidget* getNativeMenu();
    /// Destroys the GtkMenu (and the submenus'); the entries stay.
    void destroyNative();

private:
    void changed();
    GtkWidget* buildNative();

    std::vector<menuitem::MenuItem*> m_items; // owned
    lang::Localizer* m_localizer = nullptr;
    i32 m_textId = -1;
    std::u16string m_title;
    PopupMenu* m_parentMenu = nullptr;
    Chooser m_chooser;
    std::function<void()> m_onClosed;
    u32 m_revision = 0;
    bool m_stale = true;
    GtkWidget* m_native = nullptr; // user-interface thread; one reference held
};

/// A menu text for GTK: "&x" marks the mnemonic ("_x"), "&&" is an "&", and
/// an "_" stays itself. `mnemonic` false drops the marks instead (titles).
std::string menuText(const char16_t* text, bool mnemonic);

} // namespace s::gui::win
