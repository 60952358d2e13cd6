#include "gui/dialogs/win/FolderSelector.h"
#include "gui/win/NativeScale.h"

#include "gui/IWindow.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

namespace s::gui::dialogs::win {

using gui::win::fromUtf8;
using gui::win::toUtf8;
using gui::win::UIThread;

bool FolderSelector::show(IWindow* parent, const char16_t* initialPath, const char16_t* title) {
    if (!UIThread::instance().start())
        return false;
    const std::string caption = toUtf8(title && *title ? title : kDefaultTitle);
    const std::string initial = toUtf8(initialPath);
    bool ok = false;
    std::u16string chosen;
    UIThread::instance().invoke([&] {
        const bool onTop = parent && parent->isKeepOnTop();
        if (onTop)
            parent->setKeepOnTop(false);
        GtkWindow* owner = parent && parent->isRealized() ? GTK_WINDOW(parent->getNativeHandle()) : nullptr;
        gui::win::applyNativeScale();
        GtkWidget* dialog = gtk_file_chooser_dialog_new(caption.c_str(), owner, GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                                        "_Cancel", GTK_RESPONSE_CANCEL, "_Select",
                                                        GTK_RESPONSE_ACCEPT, nullptr);
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
        gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
        gtk_file_chooser_set_local_only(chooser, TRUE);
        gtk_file_chooser_set_create_folders(chooser, TRUE);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
        if (!initial.empty()) {
            if (g_file_test(initial.c_str(), G_FILE_TEST_IS_DIR)) {
                gtk_file_chooser_set_current_folder(chooser, initial.c_str());
            } else {
                gchar* up = g_path_get_dirname(initial.c_str());
                if (g_file_test(up, G_FILE_TEST_IS_DIR))
                    gtk_file_chooser_set_current_folder(chooser, up);
                g_free(up);
            }
        }
        if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
            // Null for a place without a file-system path.
            gchar* path = gtk_file_chooser_get_filename(chooser);
            if (!path) {
                // Nothing selected: the folder shown is the choice.
                path = gtk_file_chooser_get_current_folder(chooser);
            }
            if (path) {
                gchar* utf8 = g_filename_to_utf8(path, -1, nullptr, nullptr, nullptr);
                chosen = fromUtf8(utf8 ? utf8 : path);
                g_free(utf8);
                g_free(path);
                ok = !chosen.empty();
            }
        }
        gtk_widget_destroy(dialog);
        if (onTop)
            parent->setKeepOnTop(true);
        if (parent && parent->isRealized())
            parent->activate(true);
    });
    if (ok)
        m_path = std::move(chosen);
    return ok;
}

} // namespace s::gui::dialogs::win
