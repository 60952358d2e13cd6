#pragma once

#include "gui/ITextStyle.h"
#include "gui/events/IEventListener.h"

namespace s::gui {

namespace combobox {
class ComboBoxItem;
}

/// Code of the selection listeners (source = the combo box).
inline constexpr i32 kComboBoxSelectionChanged = 0;

/// A drop-down list of ComboBoxItem entries.
class IComboBox : public ITextStyle {
public:
    virtual i32 getItemCount() const = 0;
    /// Null when out of range.
    virtual combobox::ComboBoxItem* getItem(i32 i) const = 0;
    /// Appends an entry; the box owns it from then on.
    virtual void addItem(combobox::ComboBoxItem* item) = 0;
    /// Releases every entry; nothing is selected afterwards.
    virtual void removeAllItems() = 0;

    /// An index out of range selects entry 0 (nothing without entries).
    /// Selecting the current entry again does nothing; otherwise the
    /// previous index is remembered and, with `notify`, code 0 is raised.
    virtual void select(i32 index, bool notify) = 0;
    /// -1 while nothing is selected.
    virtual i32 getSelectedIndex() const = 0;
    virtual combobox::ComboBoxItem* getSelectedItem() const = 0;
    /// The index selected before the last change; -1 at first.
    virtual i32 getPreviousIndex() const = 0;

    virtual void addSelectionListener(events::IEventListener* l) = 0;

    virtual void setPercentWidth(i32 p) = 0;
    virtual void setFixedWidth(i32 px) = 0;
};

} // namespace s::gui
