#include "gui/win/CheckBox.h"

#include "gui/events/Enablers.h"
#include "gui/win/Text.h"

#include <gtk/gtk.h>

namespace s::gui::win {

CheckBox::CheckBox() = default;

CheckBox::~CheckBox() {
    unrealize();
    for (events::TargetSwitch* s : m_switches)
        s->release();
}

void CheckBox::reset() {
    TextControlBase::reset();
    m_checkedListeners.clear();
    m_uncheckedListeners.clear();
    m_enableListeners.clear();
    m_disableListeners.clear();
    for (events::TargetSwitch* s : m_switches)
        s->release();
    m_switches.clear();
    m_checked = false;
    m_updating = false;
}

void CheckBox::setChecked(bool checked, bool notify) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    applyChecked();
    if (notify)
        (checked ? m_checkedListeners : m_uncheckedListeners).fire(this, checked ? kCheckBoxChecked : kCheckBoxUnchecked);
}

void CheckBox::userToggled(bool checked) { setChecked(checked, true); }

void CheckBox::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    TextControlBase::setEnabled(enabled);
    (enabled ? m_enableListeners : m_disableListeners).fire(this, kCheckBoxEnabledChanged);
}

GtkWidget* CheckBox::createWidget() { return gtk_check_button_new(); }

void CheckBox::afterRealize() {
    applyChecked();
    connect(m_widget, "toggled", reinterpret_cast<void (*)()>(onToggled));
    TextControlBase::afterRealize();
}

void CheckBox::beforeUnrealize() {
    // The stored state follows every toggle already.
    TextControlBase::beforeUnrealize();
}

void CheckBox::applyText() {
    gtk_button_set_use_underline(GTK_BUTTON(m_widget), FALSE);
    gtk_button_set_label(GTK_BUTTON(m_widget), toUtf8(m_text.c_str(), m_text.size()).c_str());
}

void CheckBox::estimateSize(i32 textW, i32 textH, i32* w, i32* h) const {
    *w = textW + 24;
    *h = textH + 6;
}

void CheckBox::applyChecked() {
    if (!m_widget)
        return;
    m_updating = true;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_widget), m_checked);
    m_updating = false;
}

void CheckBox::onToggled(void* widget, void* data) {
    CheckBox* self = controlOf<CheckBox>(data);
    if (!self->m_updating)
        self->userToggled(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)));
}

// -- enabling other controls --

template <class On, class Off>
void CheckBox::attachPair(IComponent* target) {
    if (!target)
        return;
    On* on = On::create();
    on->setSource(this);
    on->addTarget(target);
    Off* off = Off::create();
    off->setSource(this);
    off->addTarget(target);
    m_switches.push_back(on);
    m_switches.push_back(off);
    m_checkedListeners.add(on);
    m_uncheckedListeners.add(off);
}

void CheckBox::enableWhenChecked(IComponent* target) { attachPair<events::Enabler, events::Disabler>(target); }
void CheckBox::disableWhenChecked(IComponent* target) { attachPair<events::Disabler, events::Enabler>(target); }
void CheckBox::unlockWhenChecked(IComponent* target) { attachPair<events::Editabler, events::UnEditabler>(target); }
void CheckBox::lockWhenChecked(IComponent* target) { attachPair<events::UnEditabler, events::Editabler>(target); }

} // namespace s::gui::win
