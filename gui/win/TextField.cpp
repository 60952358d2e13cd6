#include "gui/win/TextField.h"
#include "gui/Scale.h"

#include "gui/win/Text.h"

#include <gtk/gtk.h>

namespace s::gui::win {

TextField::TextField() = default;

TextField::~TextField() { unrealize(); }

void TextField::reset() {
    TextControlBase::reset();
    m_changeListeners.clear();
    m_enterListeners.clear();
    m_focusLostListeners.clear();
    m_password = false;
    m_editable = true;
    m_invalid = false;
    m_quiet = false;
}

const char16_t* TextField::getText() {
    if (m_widget)
        m_text = fromUtf8(gtk_entry_get_text(GTK_ENTRY(m_widget)));
    return m_text.c_str();
}

void TextField::setText(const char16_t* text, bool notify) {
    std::u16string value = text ? text : u"";
    m_textId = -1;
    if (m_widget) {
        // The widget reports the change itself (once, and only when the text
        // differs); it is the user's only with notify.
        m_text = std::move(value);
        m_quiet = !notify;
        gtk_entry_set_text(GTK_ENTRY(m_widget), toUtf8(m_text.c_str(), m_text.size()).c_str());
        m_quiet = false;
        return;
    }
    if (value == m_text)
        return;
    m_text = std::move(value);
    if (notify)
        m_changeListeners.fire(this, kTextFieldChanged);
}

void TextField::selectAll() {
    if (!m_widget)
        return;
    gtk_widget_grab_focus(m_widget);
    // The caret goes to the end of the selection, which scrolls it into view.
    gtk_editable_select_region(GTK_EDITABLE(m_widget), 0, -1);
}

void TextField::setPassword(bool password) {
    m_password = password;
    if (m_widget) {
        gtk_entry_set_visibility(GTK_ENTRY(m_widget), !password);
        gtk_entry_set_invisible_char(GTK_ENTRY(m_widget), '*');
    }
}

void TextField::setEditable(bool editable) {
    m_editable = editable;
    if (m_widget)
        gtk_editable_set_editable(GTK_EDITABLE(m_widget), editable);
}

void TextField::setInvalid(bool invalid) {
    m_invalid = invalid;
    if (!m_widget)
        return;
    GtkStyleContext* context = gtk_widget_get_style_context(m_widget);
    if (invalid)
        gtk_style_context_add_class(context, "error");
    else
        gtk_style_context_remove_class(context, "error");
}

void TextField::userChanged(const char16_t* text) {
    m_text = text ? text : u"";
    m_changeListeners.fire(this, kTextFieldChanged);
}

void TextField::enterPressed() { m_enterListeners.fire(this, kTextFieldEnter); }

void TextField::focusLost() { m_focusLostListeners.fire(this, kTextFieldFocusLost); }

GtkWidget* TextField::createWidget() {
    GtkWidget* entry = gtk_entry_new();
    // The layouts give the width; the entry's own wish of some twenty
    // characters would otherwise be its minimum.
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
    return entry;
}

void TextField::afterRealize() {
    setPassword(m_password);
    setEditable(m_editable);
    setInvalid(m_invalid);
    TextControlBase::afterRealize(); // applies the text before the handlers exist
    connect(m_widget, "changed", reinterpret_cast<void (*)()>(onChanged));
    connect(m_widget, "activate", reinterpret_cast<void (*)()>(onActivate));
    connect(m_widget, "focus-out-event", reinterpret_cast<void (*)()>(onFocusOut));
}

void TextField::beforeUnrealize() {
    getText(); // keeps what the user typed
    TextControlBase::beforeUnrealize();
}

void TextField::applyText() {
    const bool quiet = m_quiet;
    m_quiet = true;
    gtk_entry_set_text(GTK_ENTRY(m_widget), toUtf8(m_text.c_str(), m_text.size()).c_str());
    m_quiet = quiet;
}

void TextField::estimateSize(i32 /*textW*/, i32 textH, i32* w, i32* h) const {
    // Not the text's width: a field does not grow while the user types.
    *w = textH * 6 + 12;
    *h = textH + 8;
}

void TextField::appendCss(std::string& css) const {
    css += "entry { padding: " + std::to_string(displayScale()) + "px " + std::to_string(4 * displayScale()) +
           "px; }\n";
    // The same look in every theme, so that it reads as an error.
    css += "entry.error { color: #b00000; border-color: #d00000; background-image: none; "
           "background-color: #ffe8e8; }\n";
}

void TextField::onChanged(void* widget, void* data) {
    TextField* self = controlOf<TextField>(data);
    if (self->m_quiet)
        return;
    self->userChanged(fromUtf8(gtk_entry_get_text(GTK_ENTRY(widget))).c_str());
}

void TextField::onActivate(void*, void* data) { controlOf<TextField>(data)->enterPressed(); }

int TextField::onFocusOut(void*, void*, void* data) {
    controlOf<TextField>(data)->focusLost();
    return FALSE; // the entry must still see it (caret, selection)
}

} // namespace s::gui::win
