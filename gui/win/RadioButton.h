#pragma once

#include "foundation/thread/Pool.h"
#include "gui/IRadioButton.h"
#include "gui/events/ListenerList.h"
#include "gui/win/TextControl.h"

namespace s::gui::win {

/// A radio button over a GtkRadioButton.
///
/// The group is the toolkit's: the radio buttons of the same parent. GTK's
/// own group logic would uncheck siblings on every programmatic check, and
/// it cannot uncheck a button by itself; so each widget is grouped only with
/// an unseen partner that takes the check when the button is unchecked, and
/// a user's click unchecks the siblings here.
class RadioButton final : public TextControl<IRadioButton> {
    S_POOLED_CLASS(RadioButton)

public:
    static constexpr u32 kMaxPooled = 0;

    RadioButton();
    ~RadioButton() override;
    const char16_t* getClassName() const override { return u"s_gui_win_RadioButton"; }
    void reset() override;

    // -- IRadioButton --
    void setText(const char16_t* text) override { setLiteralText(text); }
    const char16_t* getText() const override { return m_text.c_str(); }
    void setTextId(i32 id) override { setTextById(id); }
    void addCheckedListener(events::IEventListener* l) override { m_checkedListeners.add(l); }
    void addUncheckedListener(events::IEventListener* l) override { m_uncheckedListeners.add(l); }
    void addEnableListener(events::IEventListener* l) override { m_enableListeners.add(l); }
    void addDisableListener(events::IEventListener* l) override { m_disableListeners.add(l); }
    bool isChecked() const override { return m_checked; }
    void setChecked(bool checked, bool notify) override;

    /// Raises code 0 to the enable or disable listeners on a change.
    void setEnabled(bool enabled) override;

    /// A user's click (public for tests): checks this button with
    /// notification, then unchecks the checked siblings, each notifying.
    /// Clicking a checked button changes nothing.
    void userClicked();

protected:
    GtkWidget* createWidget() override;
    void afterRealize() override;
    void beforeUnrealize() override;
    void applyText() override;
    void estimateSize(i32 textW, i32 textH, i32* w, i32* h) const override;
    const char* cssNode() const override { return "radiobutton"; }

private:
    void applyChecked();
    static void onToggled(void* widget, void* data);

    events::ListenerList m_checkedListeners;
    events::ListenerList m_uncheckedListeners;
    events::ListenerList m_enableListeners;
    events::ListenerList m_disableListeners;
    bool m_checked = false;
    bool m_updating = false;           // the widget is being set from the stored state
    GtkWidget* m_partner = nullptr;    // unseen group partner; owned while realized
};

} // namespace s::gui::win
