#pragma once

#include "gui/ITextStyle.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

/// Text field event codes (source = the field).
enum TextFieldEvent : i32 {
    kTextFieldChanged = 1,   ///< change listeners
    kTextFieldEnter = 2,     ///< enter listeners; the key is consumed
    kTextFieldFocusLost = 3, ///< focus-lost listeners
};

/// A single-line text entry.
class ITextField : public ITextStyle {
public:
    /// What the field shows now (the user's typing included). Valid until
    /// the next call on the field.
    virtual const char16_t* getText() = 0;
    /// With `notify` false the change listeners do not hear of this change;
    /// with `notify` true they do when the text differs from the current one.
    virtual void setText(const char16_t* text, bool notify) = 0;

    virtual void addChangeListener(events::IEventListener* l) = 0;
    virtual void addEnterListener(events::IEventListener* l) = 0;
    virtual void addFocusLostListener(events::IEventListener* l) = 0;

    /// Focuses the field and selects its whole text.
    virtual void selectAll() = 0;
    /// Shows "*" for every character.
    virtual void setPassword(bool password) = 0;
    virtual bool isPassword() const = 0;
    virtual bool isEditable() const = 0;

    virtual void setPercentWidth(i32 p) = 0;
    virtual void setFixedWidth(i32 px) = 0;
    virtual void setFixedHeight(i32 px) = 0;
};

} // namespace s::gui
