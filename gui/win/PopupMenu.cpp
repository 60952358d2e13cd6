#include "gui/win/PopupMenu.h"

#include "foundation/lang/Localizer.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

namespace s::gui::win {

using menuitem::MenuItem;

namespace {

constexpr const char* kCommandKey = "snipforge-command";
constexpr const char* kMarkKey = "snipforge-mark";

} // namespace

std::string menuText(const char16_t* text, bool mnemonic) {
    std::u16string out;
    for (const char16_t* p = text ? text : u""; *p; ++p) {
        if (*p == u'&') {
            if (p[1] == u'&') {
                out += u'&';
                ++p;
            } else if (p[1] && mnemonic) {
                out += u'_';
            }
            continue;
        }
        if (*p == u'_' && mnemonic)
            out += u'_';
        out += *p;
    }
    return toUtf8(out.c_str(), out.size());
}

PopupMenu::~PopupMenu() { reset(); }

void PopupMenu::reset() {
    if (m_native) {
        if (UIThread::isUiThread())
            destroyNative();
        else if (!UIThread::instance().invoke([this] { destroyNative(); }))
            m_native = nullptr; // GTK has stopped: nothing can be freed through it any more
    }
    for (MenuItem* item : m_items) {
        if (PopupMenu* sub = item->getSubmenu())
            sub->release();
        item->release();
    }
    m_items.clear();
    m_localizer = nullptr;
    m_textId = -1;
    m_title.clear();
    m_parentMenu = nullptr;
    m_chooser = nullptr;
    m_onClosed = nullptr;
    m_stale = true;
    ++m_revision;
}

void PopupMenu::changed() {
    m_stale = true;
    ++m_revision;
    // The parent's GtkMenu holds this menu's; it is made again with it.
    if (m_parentMenu)
        m_parentMenu->changed();
}

void PopupMenu::setLocalizer(lang::Localizer* localizer) {
    m_localizer = localizer;
    for (MenuItem* item : m_items) {
        if (!item->getLocalizer() && item->getTextId() >= 0)
            item->setLocalizer(localizer);
        if (PopupMenu* sub = item->getSubmenu(); sub && !sub->m_localizer)
            sub->setLocalizer(localizer);
    }
    refreshTexts();
    changed();
}

void PopupMenu::setTextId(i32 id) {
    m_textId = id;
    if (id >= 0 && m_localizer)
        m_title = m_localizer->getText(id);
    changed();
}

void PopupMenu::setTitle(const char16_t* title) {
    m_textId = -1;
    m_title = title ? title : u"";
    changed();
}

void PopupMenu::addSubmenu(IPopupMenu* popup) {
    auto* sub = dynamic_cast<PopupMenu*>(popup);
    if (!sub || sub == this)
        return;
    if (!sub->m_localizer && m_localizer)
        sub->setLocalizer(m_localizer);
    sub->m_parentMenu = this;
    MenuItem* item = MenuItem::create();
    item->setText(sub->getTitle());
    item->setSubmenu(sub);
    add(item);
}

void PopupMenu::insertAt(i32 index, MenuItem* item) {
    if (!item)
        return;
    if (!item->getLocalizer() && item->getTextId() >= 0 && m_localizer)
        item->setLocalizer(m_localizer);
    const i32 at = index < 0 ? 0 : (index > getItemCount() ? getItemCount() : index);
    m_items.insert(m_items.begin() + at, item);
    changed();
}

bool PopupMenu::removeAt(i32 index) {
    if (index < 0 || index >= getItemCount())
        return false;
    MenuItem* item = m_items[static_cast<std::size_t>(index)];
    m_items.erase(m_items.begin() + index);
    changed();
    // The GtkMenu still shows the old entries until it is made again; it
    // keeps only command numbers, never the records themselves.
    if (PopupMenu* sub = item->getSubmenu()) {
        if (sub->m_native && UIThread::isUiThread())
            sub->destroyNative();
        sub->m_parentMenu = nullptr;
        sub->release();
    }
    item->release();
    return true;
}

MenuItem* PopupMenu::getItem(i32 index) const {
    if (index < 0 || index >= getItemCount())
        return nullptr;
    return m_items[static_cast<std::size_t>(index)];
}

MenuItem* PopupMenu::findItem(i32 command) const {
    for (MenuItem* item : m_items) {
        if (!item->isSeparator() && !item->getSubmenu() && item->getCommand() == command)
            return item;
        if (PopupMenu* sub = item->getSubmenu())
            if (MenuItem* found = sub->findItem(command))
                return found;
    }
    return nullptr;
}

i32 PopupMenu::indexOf(i32 command) const {
    for (i32 i = 0; i < getItemCount(); ++i) {
        const MenuItem* item = m_items[static_cast<std::size_t>(i)];
        if (!item->isSeparator() && !item->getSubmenu() && item->getCommand() == command)
            return i;
    }
    return -1;
}

void PopupMenu::checkRadio(i32 index) {
    for (i32 i = 0; i < getItemCount(); ++i) {
        MenuItem* item = m_items[static_cast<std::size_t>(i)];
        if (i == index && !item->isSeparator()) {
            item->setRadio(true);
            item->setChecked(true);
        } else if (item->isRadio()) {
            item->setChecked(false);
        }
    }
    changed();
}

bool PopupMenu::setItemText(i32 command, const char16_t* text) {
    bool found = false;
    for (MenuItem* item : m_items) {
        if (!item->isSeparator() && !item->getSubmenu() && item->getCommand() == command) {
            item->setText(text);
            found = true;
        }
        if (PopupMenu* sub = item->getSubmenu())
            found = sub->setItemText(command, text) || found;
    }
    if (found)
        changed();
    return found;
}

bool PopupMenu::setItemChecked(i32 command, bool checked) {
    bool found = false;
    for (MenuItem* item : m_items) {
        if (!item->isSeparator() && !item->getSubmenu() && item->getCommand() == command) {
            item->setChecked(checked);
            found = true;
        }
        if (PopupMenu* sub = item->getSubmenu())
            found = sub->setItemChecked(command, checked) || found;
    }
    if (found)
        changed();
    return found;
}

bool PopupMenu::refreshTexts() {
    bool any = false;
    if (m_textId >= 0 && m_localizer) {
        const char16_t* title = m_localizer->getText(m_textId);
        if (m_title != title) {
            m_title = title;
            any = true;
        }
    }
    for (MenuItem* item : m_items) {
        if (PopupMenu* sub = item->getSubmenu()) {
            any = sub->refreshTexts() || any;
            if (sub->m_title != item->getText()) {
                item->setText(sub->getTitle());
                any = true;
            }
        } else {
            any = item->refreshText() || any;
        }
    }
    if (any)
        changed();
    return any;
}

bool PopupMenu::isNativeStale() const {
    if (!m_native || m_stale)
        return true;
    for (const MenuItem* item : m_items)
        if (const PopupMenu* sub = item->getSubmenu(); sub && sub->isNativeStale())
            return true;
    return false;
}

GtkWidget* PopupMenu::getNativeMenu() {
    if (!UIThread::isUiThread())
        return nullptr;
    if (isNativeStale()) {
        destroyNative();
        m_native = buildNative();
        m_stale = false;
    }
    return m_native;
}

void PopupMenu::destroyNative() {
    for (MenuItem* item : m_items)
        if (PopupMenu* sub = item->getSubmenu())
            sub->destroyNative();
    if (!m_native)
        return;
    gtk_widget_destroy(m_native);
    g_object_unref(m_native);
    m_native = nullptr;
}

GtkWidget* PopupMenu::buildNative() {
    GtkWidget* menu = gtk_menu_new();
    g_object_ref_sink(menu);
    for (MenuItem* item : m_items) {
        GtkWidget* entry = nullptr;
        if (item->isSeparator()) {
            entry = gtk_separator_menu_item_new();
        } else if (PopupMenu* sub = item->getSubmenu()) {
            entry = gtk_menu_item_new_with_mnemonic(menuText(item->getText(), true).c_str());
            sub->m_chooser = m_chooser;
            sub->destroyNative();
            sub->m_native = sub->buildNative();
            sub->m_stale = false;
            gtk_menu_item_set_submenu(GTK_MENU_ITEM(entry), sub->m_native);
        } else {
            if (item->isCheckable()) {
                entry = gtk_check_menu_item_new_with_mnemonic(menuText(item->getText(), true).c_str());
                gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(entry), item->isRadio());
                gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(entry), item->isChecked());
                g_object_set_data(G_OBJECT(entry), kMarkKey, GINT_TO_POINTER(item->isChecked() ? 1 : 0));
            } else {
                entry = gtk_menu_item_new_with_mnemonic(menuText(item->getText(), true).c_str());
            }
            g_object_set_data(G_OBJECT(entry), kCommandKey, GINT_TO_POINTER(item->getCommand()));
            g_signal_connect(entry, "activate", G_CALLBACK(+[](GtkMenuItem* widget, gpointer data) {
                                 auto* self = static_cast<PopupMenu*>(data);
                                 if (GTK_IS_CHECK_MENU_ITEM(widget)) {
                                     // GTK flipped the mark already; the model decides.
                                     const bool mark = g_object_get_data(G_OBJECT(widget), kMarkKey) != nullptr;
                                     g_signal_handlers_block_matched(widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                                                     nullptr, data);
                                     gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), mark);
                                     g_signal_handlers_unblock_matched(widget, G_SIGNAL_MATCH_DATA, 0, 0, nullptr,
                                                                       nullptr, data);
                                 }
                                 const i32 command =
                                     GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kCommandKey));
                                 if (self->m_chooser)
                                     self->m_chooser(command);
                             }),
                             this);
        }
        gtk_widget_show(entry);
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), entry);
    }
    if (!m_parentMenu)
        g_signal_connect(menu, "deactivate", G_CALLBACK(+[](GtkMenuShell*, gpointer data) {
                             auto* self = static_cast<PopupMenu*>(data);
                             if (self->m_onClosed)
                                 self->m_onClosed();
                         }),
                         this);
    return menu;
}

} // namespace s::gui::win
