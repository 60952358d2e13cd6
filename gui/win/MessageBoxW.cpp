#include "gui/win/MessageBoxW.h"
#include "gui/win/NativeScale.h"

#include "gui/IWindow.h"
#include "gui/win/Text.h"
#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace s::gui::win {

namespace {

struct Shared {
    std::mutex mutex;
    IWindow* mainWindow = nullptr; // guarded by mutex
    std::u16string caption = MessageBoxW::kDefaultCaption;
};

Shared& shared() {
    static Shared* s = new Shared();
    return *s;
}

void logMessage(const std::string& message) {
    const char* path = std::getenv(MessageBoxW::kMessageLogVariable);
    if (!path || !*path)
        return;
    // Line breaks as "\n" alone, whatever the text used.
    std::string text = message;
    std::erase(text, '\r');
    if (FILE* f = std::fopen(path, "ae")) {
        std::fprintf(f, "%s\n--\n", text.c_str());
        std::fclose(f);
    }
}

// Runs a message dialog over `parent` (its owner, when realized) until it is
// answered; its response. Closing the owner (a stop signal) destroys the box
// with it.
gint runDialog(GtkWidget* dialog, GtkWindow* owner, IWindow* parent, const std::string& caption,
               const std::string& message) {
    gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
    // A box over a window that stays on top must not hide behind it.
    if (owner && parent->isKeepOnTop())
        gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
    logMessage(message);
    g_object_add_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer*>(&dialog));
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    if (dialog) {
        g_object_remove_weak_pointer(G_OBJECT(dialog), reinterpret_cast<gpointer*>(&dialog));
        gtk_widget_destroy(dialog);
    }
    return response;
}

} // namespace

void MessageBoxW::setMainWindow(IWindow* window) {
    std::lock_guard lock(shared().mutex);
    shared().mainWindow = window;
}

IWindow* MessageBoxW::getMainWindow() {
    std::lock_guard lock(shared().mutex);
    return shared().mainWindow;
}

void MessageBoxW::forgetMainWindow(IWindow* window) {
    std::lock_guard lock(shared().mutex);
    if (shared().mainWindow == window)
        shared().mainWindow = nullptr;
}

void MessageBoxW::setCaption(const char16_t* caption) {
    std::lock_guard lock(shared().mutex);
    shared().caption = caption ? caption : u"";
}

std::u16string MessageBoxW::getCaption() {
    std::lock_guard lock(shared().mutex);
    return shared().caption;
}

bool MessageBoxW::askYesNoCancel(const char16_t* text, bool* yes) { return runBox(nullptr, kYesNoCancel, text, yes); }

bool MessageBoxW::runBox(IWindow* parent, i32 kind, const char16_t* text, bool* yes) {
    const std::string message = toUtf8(text);
    const std::string caption = toUtf8(getCaption().c_str());
    if (!UIThread::instance().start()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
        if (yes)
            *yes = false;
        return false;
    }
    if (!parent)
        parent = getMainWindow();
    gint response = GTK_RESPONSE_NONE;
    const bool ran = UIThread::instance().invoke([&] {
        GtkWindow* owner = nullptr;
        if (parent && parent->isRealized())
            owner = GTK_WINDOW(parent->getNativeHandle());
        GtkMessageType type = GTK_MESSAGE_INFO;
        GtkButtonsType buttons = GTK_BUTTONS_OK;
        switch (kind) {
        case kWarning:
            type = GTK_MESSAGE_WARNING;
            break;
        case kError:
            type = GTK_MESSAGE_ERROR;
            break;
        case kYesNo:
            type = GTK_MESSAGE_QUESTION;
            buttons = GTK_BUTTONS_YES_NO;
            break;
        case kYesNoCancel:
            type = GTK_MESSAGE_QUESTION;
            buttons = GTK_BUTTONS_NONE;
            break;
        default:
            break;
        }
        applyNativeScale();
        GtkWidget* dialog =
            gtk_message_dialog_new(owner, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), type, buttons, "%s",
                                   message.c_str());
        if (kind == kYesNoCancel) {
            gtk_dialog_add_buttons(GTK_DIALOG(dialog), "_Yes", GTK_RESPONSE_YES, "_No", GTK_RESPONSE_NO, "_Cancel",
                                   GTK_RESPONSE_CANCEL, nullptr);
            gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
        }
        response = runDialog(dialog, owner, parent, caption, message);
    });
    if (!ran) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
        if (yes)
            *yes = false;
        return false;
    }
    switch (kind) {
    case kYesNo:
        return response == GTK_RESPONSE_YES;
    case kYesNoCancel:
        if (response != GTK_RESPONSE_YES && response != GTK_RESPONSE_NO)
            return false;
        if (yes)
            *yes = response == GTK_RESPONSE_YES;
        return true;
    default:
        return true;
    }
}

bool MessageBoxW::runActionBox(IWindow* parent, const char16_t* text, const char16_t* actionLabel,
                               const char16_t* closeLabel) {
    const std::string message = toUtf8(text);
    const std::string caption = toUtf8(getCaption().c_str());
    const std::string action = toUtf8(actionLabel);
    const std::string close = toUtf8(closeLabel);
    if (!UIThread::instance().start()) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
        return false;
    }
    if (!parent)
        parent = getMainWindow();
    gint response = GTK_RESPONSE_NONE;
    const bool ran = UIThread::instance().invoke([&] {
        GtkWindow* owner = nullptr;
        if (parent && parent->isRealized())
            owner = GTK_WINDOW(parent->getNativeHandle());
        applyNativeScale();
        GtkWidget* dialog = gtk_message_dialog_new(
            owner, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
            GTK_MESSAGE_INFO, GTK_BUTTONS_NONE, "%s", message.c_str());
        // Labels are plain text: an underscore in a translation is no
        // mnemonic.
        GtkWidget* actionButton =
            gtk_dialog_add_button(GTK_DIALOG(dialog), action.c_str(), GTK_RESPONSE_ACCEPT);
        gtk_button_set_use_underline(GTK_BUTTON(actionButton), FALSE);
        GtkWidget* closeButton = gtk_dialog_add_button(GTK_DIALOG(dialog), close.c_str(), GTK_RESPONSE_CLOSE);
        gtk_button_set_use_underline(GTK_BUTTON(closeButton), FALSE);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
        gtk_widget_grab_focus(closeButton);
        response = runDialog(dialog, owner, parent, caption, message);
    });
    if (!ran) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
        return false;
    }
    return response == GTK_RESPONSE_ACCEPT;
}

} // namespace s::gui::win
