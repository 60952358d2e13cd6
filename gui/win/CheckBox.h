#pragma once

#include "foundation/thread/Pool.h"
#include "gui/ICheckBox.h"
#include "gui/events/ListenerList.h"
#include "gui/win/TextControl.h"

#include <vector>

namespace s::gui::events {
class TargetSwitch;
}

namespace s::gui::win {

/// A check box over a GtkCheckButton.
class CheckBox final : public TextControl<ICheckBox> {
    S_POOLED_CLASS(CheckBox)

public:
    static constexpr u32 kMaxPooled = 0;

    CheckBox();
    ~CheckBox() override;
    const char16_t* getClassName() const override { return u"s_gui_win_CheckBox"; }
    void reset() override;

    // -- ICheckBox --
    void setText(const char16_t* text) override { setLiteralText(text); }
    const char16_t* getText() const override { return m_text.c_str(); }
    void setTextId(i32 id) override { setTextById(id); }
    void addCheckedListener(events::IEventListener* l) override { m_checkedListeners.add(l); }
    void addUncheckedListener(events::IEventListener* l) override { m_uncheckedListeners.add(l); }
    void addEnableListener(events::IEventListener* l) override { m_enableListeners.add(l); }
    void addDisableListener(events::IEventListener* l) override { m_disableListeners.add(l); }
    bool isChecked() const override { return m_checked; }
    void setChecked(bool checked) override { setChecked(checked, true); }
    void setChecked(bool checked, bool notify) override;
    void enableWhenChecked(IComponent* target) override;
    void disableWhenChecked(IComponent* target) override;
    void unlockWhenChecked(IComponent* target) override;
    void lockWhenChecked(IComponent* target) override;

    /// Raises code 0 to the enable or disable listeners on a change.
    void setEnabled(bool enabled) override;

    /// The user toggled the box (public for tests): stores and notifies.
    void userToggled(bool checked);

protected:
    GtkWidget* createWidget() override;
    void afterRealize() override;
    void beforeUnrealize() override;
    void applyText() override;
    void estimateSize(i32 textW, i32 textH, i32* w, i32* h) const override;
    const char* cssNode() const override { return "checkbutton"; }

private:
    void applyChecked();
    /// Makes a switch of kind `On` for the checked list and one of kind
    /// `Off` for the unchecked list, both aimed at `target`; the box owns them.
    template <class On, class Off>
    void attachPair(IComponent* target);
    static void onToggled(void* widget, void* data);

    events::ListenerList m_checkedListeners;
    events::ListenerList m_uncheckedListeners;
    events::ListenerList m_enableListeners;
    events::ListenerList m_disableListeners;
    std::vector<events::TargetSwitch*> m_switches; // Enabler and friends, released at reset
    bool m_checked = false;
    bool m_updating = false; // the widget is being set from the stored state
};

} // namespace s::gui::win
