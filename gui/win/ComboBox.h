#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IComboBox.h"
#include "gui/events/ListenerList.h"
#include "gui/win/TextControl.h"

#include <vector>

namespace s::gui::win {

/// A drop-down list over a GtkComboBoxText. It owns its entries.
class ComboBox final : public TextControl<IComboBox> {
    S_POOLED_CLASS(ComboBox)

public:
    static constexpr u32 kMaxPooled = 0;

    ComboBox();
    ~ComboBox() override;
    const char16_t* getClassName() const override { return u"s_gui_win_ComboBox"; }
    void reset() override;

    // -- IComboBox --
    i32 getItemCount() const override { return static_cast<i32>(m_items.size()); }
    combobox::ComboBoxItem* getItem(i32 i) const override;
    void addItem(combobox::ComboBoxItem* item) override;
    void removeAllItems() override;
    void select(i32 index, bool notify) override;
    i32 getSelectedIndex() const override { return m_selected; }
    combobox::ComboBoxItem* getSelectedItem() const override { return getItem(m_selected); }
    i32 getPreviousIndex() const override { return m_previous; }
    void addSelectionListener(events::IEventListener* l) override { m_selectionListeners.add(l); }
    void setPercentWidth(i32 p) override { Component::setPercentWidth(p); }
    void setFixedWidth(i32 px) override { Component::setFixedWidth(px); }

    /// Entries with text ids read their texts again and the list shows them.
    void onLanguageChanged() override;

    /// The user picked entry `index` (public for tests): code 0 when it
    /// differs from the current one.
    void userSelected(i32 index);

protected:
    GtkWidget* createWidget() override;
    void afterRealize() override;
    void beforeUnrealize() override;
    void onWindowChanged() override;
    void estimateSize(i32 textW, i32 textH, i32* w, i32* h) const override;
    const char* cssNode() const override { return "combobox"; }

private:
    /// The widget's list from the entries, and its selection.
    void fillWidget();
    void applySelection();
    /// Entries with an id but no localizer take the window's.
    void adoptLocalizer(combobox::ComboBoxItem* item);
    static void onChanged(void* widget, void* data);

    std::vector<combobox::ComboBoxItem*> m_items; // owned
    i32 m_selected = -1;
    i32 m_previous = -1;
    bool m_updating = false; // the widget is being set from the stored state
    events::ListenerList m_selectionListeners;
};

} // namespace s::gui::win
