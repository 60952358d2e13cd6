#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <string>

namespace s::lang {
class Localizer;
}
namespace s::gui::win {
class PopupMenu;
}

namespace s::gui::menuitem {

/// One entry of a pop-up menu: a text given literally or by language id, the
/// command id the menu bar reports when it is chosen, the checked state and
/// the separator and radio flags. A plain record; the menu that holds it owns
/// it (and the submenu an entry opens).
class MenuItem final : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(MenuItem)

public:
    MenuItem() = default;
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;
    const char16_t* getClassName() const override { return u"s_gui_menuitem_MenuItem"; }
    void reset() override;

    /// An entry whose text is the language text `textId` of `localizer`
    /// (which may still be null: the menu then lends its own).
    [[nodiscard]] static MenuItem* makeText(lang::Localizer* localizer, i32 textId, i32 command);
    /// An entry with a literal text, never translated.
    [[nodiscard]] static MenuItem* makeLiteral(const char16_t* text, i32 command);
    [[nodiscard]] static MenuItem* makeSeparator();

    lang::Localizer* getLocalizer() const { return m_localizer; }
    /// Not owned. The text is read again when the entry has a text id.
    void setLocalizer(lang::Localizer* localizer);
    /// -1 for a literal text.
    i32 getTextId() const { return m_textId; }
    void setTextId(i32 id);
    const char16_t* getText() const { return m_text.c_str(); }
    /// A literal text: clears the text id.
    void setText(const char16_t* text);
    /// Reads the text of the text id again; true when it changed.
    bool refreshText();

    i32 getCommand() const { return m_command; }
    void setCommand(i32 command) { m_command = command; }
    bool isChecked() const { return m_checked; }
    /// Makes the entry show a mark place from then on.
    void setChecked(bool checked) {
        m_checked = checked;
        m_checkable = true;
    }
    /// Whether the entry has shown or may show a mark.
    bool isCheckable() const { return m_checkable || m_radio; }
    bool isSeparator() const { return m_separator; }
    void setSeparator(bool separator) { m_separator = separator; }
    /// Its mark is drawn as a radio dot.
    bool isRadio() const { return m_radio; }
    void setRadio(bool radio) { m_radio = radio; }
    /// The menu this entry opens; owned by the menu that holds the entry.
    win::PopupMenu* getSubmenu() const { return m_submenu; }
    void setSubmenu(win::PopupMenu* submenu) { m_submenu = submenu; }

private:
    lang::Localizer* m_localizer = nullptr;
    i32 m_textId = -1;
    std::u16string m_text;
    i32 m_command = 0;
    bool m_checked = false;
    bool m_checkable = false;
    bool m_separator = false;
    bool m_radio = false;
    win::PopupMenu* m_submenu = nullptr;
};

} // namespace s::gui::menuitem
