#include "gui/win/ComboBox.h"

#include "gui/IWindow.h"
#include "gui/combobox/ComboBoxItem.h"
#include "gui/win/Text.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace s::gui::win {

using combobox::ComboBoxItem;

ComboBox::ComboBox() = default;

ComboBox::~ComboBox() {
    unrealize();
    for (ComboBoxItem* item : m_items)
        item->release();
}

void ComboBox::reset() {
    TextControlBase::reset();
    for (ComboBoxItem* item : m_items)
        item->release();
    m_items.clear();
    m_selected = m_previous = -1;
    m_updating = false;
    m_selectionListeners.clear();
}

ComboBoxItem* ComboBox::getItem(i32 i) const {
    return i >= 0 && i < getItemCount() ? m_items[static_cast<std::size_t>(i)] : nullptr;
}

void ComboBox::addItem(ComboBoxItem* item) {
    if (!item || std::find(m_items.begin(), m_items.end(), item) != m_items.end())
        return;
    m_items.push_back(item);
    adoptLocalizer(item);
    if (m_widget) {
        m_updating = true;
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(m_widget), toUtf8(item->getText()).c_str());
        m_updating = false;
    }
    remeasure();
}

void ComboBox::removeAllItems() {
    for (ComboBoxItem* item : m_items)
        item->release();
    m_items.clear();
    m_selected = m_previous = -1;
    if (m_widget)
        fillWidget();
    remeasure();
}

void ComboBox::select(i32 index, bool notify) {
    if (m_items.empty())
        return;
    if (index < 0 || index >= getItemCount())
        index = 0;
    if (index == m_selected)
        return;
    m_previous = m_selected;
    m_selected = index;
    applySelection();
    if (notify)
        m_selectionListeners.fire(this, kComboBoxSelectionChanged);
}

void ComboBox::userSelected(i32 index) {
    if (index < 0 || index >= getItemCount() || index == m_selected)
        return;
    m_previous = m_selected;
    m_selected = index;
    m_selectionListeners.fire(this, kComboBoxSelectionChanged);
}

void ComboBox::onLanguageChanged() {
    bool changed = false;
    for (ComboBoxItem* item : m_items) {
        adoptLocalizer(item);
        changed |= item->refreshText();
    }
    if (m_widget)
        fillWidget(); // the items may have re-read their texts themselves
    if (changed)
        remeasure();
}

void ComboBox::onWindowChanged() {
    for (ComboBoxItem* item : m_items)
        adoptLocalizer(item);
}

void ComboBox::adoptLocalizer(ComboBoxItem* item) {
    if (item->getTextId() >= 0 && !item->getLocalizer() && m_window && m_window->getLocalizer())
        item->setTextId(item->getTextId(), m_window->getLocalizer());
}

GtkWidget* ComboBox::createWidget() { return gtk_combo_box_text_new(); }

void ComboBox::afterRealize() {
    fillWidget();
    connect(m_widget, "changed", reinterpret_cast<void (*)()>(onChanged));
    TextControlBase::afterRealize();
}

void ComboBox::beforeUnrealize() {
    // Selections reach the stored state as they happen.
    TextControlBase::beforeUnrealize();
}

void ComboBox::fillWidget() {
    m_updating = true;
    auto* box = GTK_COMBO_BOX_TEXT(m_widget);
    gtk_combo_box_text_remove_all(box);
    for (ComboBoxItem* item : m_items)
        gtk_combo_box_text_append_text(box, toUtf8(item->getText()).c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(m_widget), m_selected);
    m_updating = false;
}

void ComboBox::applySelection() {
    if (!m_widget)
        return;
    m_updating = true;
    gtk_combo_box_set_active(GTK_COMBO_BOX(m_widget), m_selected);
    m_updating = false;
}

void ComboBox::estimateSize(i32, i32 textH, i32* w, i32* h) const {
    // As wide as the widest entry, plus the arrow.
    i32 widest = 0;
    for (ComboBoxItem* item : m_items) {
        i32 tw = 0;
        i32 th = 0;
        measureText(item->getText(), *m_font, &tw, &th);
        widest = std::max(widest, tw);
    }
    *w = widest + 12 + 24;
    *h = textH + 10;
}

void ComboBox::onChanged(void* widget, void* data) {
    ComboBox* self = controlOf<ComboBox>(data);
    if (!self->m_updating)
        self->userSelected(gtk_combo_box_get_active(GTK_COMBO_BOX(widget)));
}

} // namespace s::gui::win
