#include "gui/dialogs/win/FileDialogEx.h"
#include "gui/win/NativeScale.h"

#include "gui/dialogs/win/FileOpener.h"
#include "gui/win/Text.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace s::gui::dialogs::win {

using gui::win::fromUtf8;
using gui::win::toUtf8;

namespace {

/// The patterns of one type ("*.jpeg;*.jpg"), case-folded, for a
/// case-insensitive match as the desktop's file systems expect of types.
struct Patterns {
    std::vector<std::string> folded;
};

std::string casefold(const char* text) {
    gchar* f = g_utf8_casefold(text, -1);
    std::string out = f ? f : "";
    g_free(f);
    return out;
}

gboolean matchPatterns(const GtkFileFilterInfo* info, gpointer data) {
    if (!info->display_name)
        return FALSE;
    const std::string name = casefold(info->display_name);
    for (const std::string& p : static_cast<Patterns*>(data)->folded) {
        if (g_pattern_match_simple(p.c_str(), name.c_str()))
            return TRUE;
    }
    return FALSE;
}

void freePatterns(gpointer data) { delete static_cast<Patterns*>(data); }

Patterns* patternsOf(const std::u16string& pattern) {
    auto* p = new Patterns;
    std::string text = toUtf8(pattern.c_str());
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        std::string one = text.substr(start, end - start);
        one.erase(0, one.find_first_not_of(' '));
        one.erase(one.find_last_not_of(' ') + 1);
        if (!one.empty())
            p->folded.push_back(casefold(one.c_str()));
        start = end + 1;
    }
    return p;
}

void onFilterChanged(GObject*, GParamSpec*, gpointer self) { static_cast<FileDialogEx*>(self)->onTypeChanged(); }

} // namespace

FileDialogEx::~FileDialogEx() { FileDialogEx::reset(); }

void FileDialogEx::reset() {
    if (m_dialog) {
        gtk_widget_destroy(m_dialog);
        m_dialog = nullptr;
    }
    m_filters.clear();
    m_open = true;
    m_multiSelect = false;
    m_followLinks = true;
    m_initialDir.clear();
    m_fileName.clear();
    m_defaultExt.clear();
    m_types.clear();
}

void FileDialogEx::addFileType(const std::u16string& description, const std::u16string& pattern) {
    m_types.emplace_back(description, pattern);
}

std::string FileDialogEx::withDefaultExt(const std::string& path) const {
    std::u16string ext = m_defaultExt;
    if (!ext.empty() && ext[0] == u'.')
        ext.erase(0, 1);
    if (ext.empty())
        return path;
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.find('.', 1) != std::string::npos && base.back() != '.')
        return path;
    return path + (base.back() == '.' ? "" : ".") + toUtf8(ext.c_str());
}

bool FileDialogEx::confirmOverwrite(const std::string& path) {
    if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS))
        return true;
    gchar* base = g_path_get_basename(path.c_str());
    GtkWidget* ask = gtk_message_dialog_new(GTK_WINDOW(m_dialog), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                            GTK_BUTTONS_YES_NO,
                                            "%s already exists.\nDo you want to replace it?", base);
    g_free(base);
    const gint response = gtk_dialog_run(GTK_DIALOG(ask));
    gtk_widget_destroy(ask);
    return response == GTK_RESPONSE_YES;
}

void FileDialogEx::onTypeChanged() {
    if (!m_dialog || m_open)
        return;
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(m_dialog);
    GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
    auto it = std::find(m_filters.begin(), m_filters.end(), static_cast<void*>(filter));
    if (it == m_filters.end())
        return;
    const std::u16string& pattern = m_types[static_cast<std::size_t>(it - m_filters.begin())].second;
    gchar* name = gtk_file_chooser_get_current_name(chooser);
    const std::string typed = name ? name : "";
    g_free(name);
    if (typed.empty())
        return;
    gchar* folder = gtk_file_chooser_get_current_folder(chooser);
    std::string prefix = folder ? folder : "";
    g_free(folder);
    if (!prefix.empty() && prefix.back() != '/')
        prefix += '/';
    const std::string full = typed[0] == '/' ? typed : prefix + typed;
    const std::string changed =
        toUtf8(FileOpener::nameForTypeChange(fromUtf8(full.c_str()), pattern).c_str());
    if (changed == full)
        return;
    // The name box holds names relative to the current folder.
    const bool inFolder = typed[0] != '/' && changed.compare(0, prefix.size(), prefix) == 0;
    gtk_file_chooser_set_current_name(chooser, inFolder ? changed.substr(prefix.size()).c_str() : changed.c_str());
}

bool FileDialogEx::run(GtkWindow* parent, std::vector<std::u16string>* paths) {
    if (paths)
        paths->clear();
    const GtkFileChooserAction action = m_open ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE;
    gui::win::applyNativeScale();
    m_dialog = gtk_file_chooser_dialog_new(m_open ? "Open" : "Save As", parent, action, "_Cancel",
                                           GTK_RESPONSE_CANCEL, m_open ? "_Open" : "_Save", GTK_RESPONSE_ACCEPT,
                                           nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(m_dialog);
    gtk_window_set_modal(GTK_WINDOW(m_dialog), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(m_dialog), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(m_dialog), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    gtk_file_chooser_set_select_multiple(chooser, m_open && m_multiSelect);
    // The overwrite question is asked for the final name (with the default
    // extension), below.
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FALSE);

    m_filters.clear();
    for (const auto& [description, pattern] : m_types) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, toUtf8(description.c_str()).c_str());
        gtk_file_filter_add_custom(filter, GTK_FILE_FILTER_DISPLAY_NAME, matchPatterns, patternsOf(pattern),
                                   freePatterns);
        gtk_file_chooser_add_filter(chooser, filter);
        m_filters.push_back(filter);
    }
    if (!m_filters.empty())
        gtk_file_chooser_set_filter(chooser, GTK_FILE_FILTER(m_filters.front()));

    const std::string dir = toUtf8(m_initialDir.c_str());
    if (!dir.empty())
        gtk_file_chooser_set_current_folder(chooser, dir.c_str());
    std::string name = toUtf8(m_fileName.c_str());
    if (!name.empty()) {
        // A name with a folder part starts in that folder.
        if (const std::size_t slash = name.rfind('/'); slash != std::string::npos) {
            if (slash > 0)
                gtk_file_chooser_set_current_folder(chooser, name.substr(0, slash).c_str());
            name = name.substr(slash + 1);
        }
        if (m_open) {
            gchar* folder = gtk_file_chooser_get_current_folder(chooser);
            if (folder) {
                gchar* full = g_build_filename(folder, name.c_str(), nullptr);
                if (g_file_test(full, G_FILE_TEST_EXISTS))
                    gtk_file_chooser_set_filename(chooser, full);
                g_free(full);
                g_free(folder);
            }
        } else if (!name.empty()) {
            gtk_file_chooser_set_current_name(chooser, name.c_str());
        }
    }
    // Connected after the first type was selected: only the user's picks count.
    if (!m_open)
        g_signal_connect(m_dialog, "notify::filter", G_CALLBACK(onFilterChanged), this);

    bool accepted = false;
    std::vector<std::u16string> chosen;
    for (;;) {
        if (gtk_dialog_run(GTK_DIALOG(m_dialog)) != GTK_RESPONSE_ACCEPT)
            break;
        chosen.clear();
        GSList* files = gtk_file_chooser_get_filenames(chooser);
        for (GSList* f = files; f; f = f->next) {
            auto* path = static_cast<gchar*>(f->data);
            gchar* utf8 = g_filename_to_utf8(path, -1, nullptr, nullptr, nullptr);
            chosen.push_back(fromUtf8(utf8 ? utf8 : path));
            g_free(utf8);
        }
        g_slist_free_full(files, g_free);
        if (chosen.empty())
            continue;
        if (!m_open) {
            const std::string final = withDefaultExt(toUtf8(chosen.front().c_str()));
            if (!confirmOverwrite(final))
                continue;
            chosen.front() = fromUtf8(final.c_str());
        }
        accepted = true;
        break;
    }
    g_signal_handlers_disconnect_by_data(m_dialog, this);
    gtk_widget_destroy(m_dialog);
    m_dialog = nullptr;
    m_filters.clear();
    if (accepted && paths)
        *paths = std::move(chosen);
    return accepted;
}

} // namespace s::gui::dialogs::win
