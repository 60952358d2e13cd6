#include "gui/win/RadioButton.h"

#include "gui/win/Text.h"

#include <gtk/gtk.h>

namespace s::gui::win {

RadioButton::RadioButton() = default;

RadioButton::~RadioButton() { unrealize(); }

void RadioButton::reset() {
    TextControlBase::reset();
    m_checkedListeners.clear();
    m_uncheckedListeners.clear();
    m_enableListeners.clear();
    m_disableListeners.clear();
    m_checked = false;
    m_updating = false;
}

void RadioButton::setChecked(bool checked, bool notify) {
    if (checked == m_checked)
        return;
    m_checked = checked;
    applyChecked();
    if (notify)
        (checked ? m_checkedListeners : m_uncheckedListeners).fire(this, kRadioButtonChanged);
}

void RadioButton::setEnabled(bool enabled) {
    if (enabled == m_enabled)
        return;
    TextControlBase::setEnabled(enabled);
    (enabled ? m_enableListeners : m_disableListeners).fire(this, kRadioButtonChanged);
}

void RadioButton::userClicked() {
    if (m_checked)
        return;
    setChecked(true, true);
    if (!m_parent)
        return;
    // A listener may change the tree: walk a copy.
    const std::vector<IComponent*> siblings = m_parent->getChildren();
    for (IComponent* c : siblings) {
        auto* radio = dynamic_cast<RadioButton*>(c);
        if (radio && radio != this && radio->m_parent == m_parent && radio->isChecked())
            radio->setChecked(false, true);
    }
}

GtkWidget* RadioButton::createWidget() {
    m_partner = gtk_radio_button_new(nullptr);
    g_object_ref_sink(m_partner);
    return gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(m_partner));
}

void RadioButton::afterRealize() {
    applyChecked();
    connect(m_widget, "toggled", reinterpret_cast<void (*)()>(onToggled));
    TextControlBase::afterRealize();
}

void RadioButton::beforeUnrealize() {
    TextControlBase::beforeUnrealize();
    if (m_partner) {
        gtk_widget_destroy(m_partner);
        g_object_unref(m_partner);
        m_partner = nullptr;
    }
}

void RadioButton::applyText() {
    gtk_button_set_use_underline(GTK_BUTTON(m_widget), FALSE);
    gtk_button_set_label(GTK_BUTTON(m_widget), toUtf8(m_text.c_str(), m_text.size()).c_str());
}

void RadioButton::estimateSize(i32 textW, i32 textH, i32* w, i32* h) const {
    *w = textW + 24;
    *h = textH + 6;
}

void RadioButton::applyChecked() {
    if (!m_widget || !m_partner)
        return;
    m_updating = true;
    // Checking the partner is the only way to uncheck a GTK radio button.
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_checked ? m_widget : m_partner), TRUE);
    m_updating = false;
}

void RadioButton::onToggled(void* widget, void* data) {
    RadioButton* self = controlOf<RadioButton>(data);
    if (self->m_updating)
        return;
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget)))
        self->userClicked();
    else
        self->applyChecked(); // only the partner can take it; keep the stored state
}

} // namespace s::gui::win
