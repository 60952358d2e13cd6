#pragma once

#include "gui/ITextStyle.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

/// Check box event codes (source = the check box).
enum CheckBoxEvent : i32 {
    kCheckBoxEnabledChanged = 0, ///< enable listeners / disable listeners
    kCheckBoxChecked = 1,        ///< checked listeners
    kCheckBoxUnchecked = 2,      ///< unchecked listeners
};

/// A two-state option with a caption.
class ICheckBox : public ITextStyle {
public:
    virtual void setText(const char16_t* text) = 0;
    virtual const char16_t* getText() const = 0;
    virtual void setTextId(i32 id) = 0;

    virtual void addCheckedListener(events::IEventListener* l) = 0;
    virtual void addUncheckedListener(events::IEventListener* l) = 0;
    virtual void addEnableListener(events::IEventListener* l) = 0;
    virtual void addDisableListener(events::IEventListener* l) = 0;

    virtual bool isChecked() const = 0;
    /// A change notifies the checked or unchecked listeners, as a user's
    /// click does; setting the current state again changes nothing.
    virtual void setChecked(bool checked) = 0;
    /// With `notify` false the state changes silently.
    virtual void setChecked(bool checked, bool notify) = 0;

    /// `target` is enabled while the box is checked and disabled while it is
    /// not (from the next change on). The box keeps the listeners it makes.
    virtual void enableWhenChecked(IComponent* target) = 0;
    /// The reverse of enableWhenChecked.
    virtual void disableWhenChecked(IComponent* target) = 0;
    /// `target` is editable while the box is checked, read-only otherwise.
    virtual void unlockWhenChecked(IComponent* target) = 0;
    /// The reverse of unlockWhenChecked.
    virtual void lockWhenChecked(IComponent* target) = 0;
};

} // namespace s::gui
