#pragma once

#include "gui/ITextStyle.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

/// Radio buttons raise code 0 to every list: enable, disable, checked,
/// unchecked (source = the radio button).
inline constexpr i32 kRadioButtonChanged = 0;

/// One of several options. The radio buttons of one container form a group:
/// a user's click checks the button and unchecks the checked siblings, each
/// change notifying. A programmatic check changes only the button addressed.
class IRadioButton : public ITextStyle {
public:
    virtual void setText(const char16_t* text) = 0;
    virtual const char16_t* getText() const = 0;
    virtual void setTextId(i32 id) = 0;

    virtual void addCheckedListener(events::IEventListener* l) = 0;
    virtual void addUncheckedListener(events::IEventListener* l) = 0;
    virtual void addEnableListener(events::IEventListener* l) = 0;
    virtual void addDisableListener(events::IEventListener* l) = 0;

    virtual bool isChecked() const = 0;
    /// A change with `notify` calls the checked or unchecked listeners;
    /// siblings are left alone.
    virtual void setChecked(bool checked, bool notify) = 0;
};

} // namespace s::gui
