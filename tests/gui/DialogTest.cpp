#include "gui/dialogs/win/FileOpener.h"
#include "gui/dialogs/win/FolderSelector.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace s;
using namespace s::gui;
using s::gui::dialogs::win::FileOpener;
using s::gui::win::UIThread;

namespace {

// ---------------------------------------------------------------------------
// The save dialog's file-type rule

TEST(FileTypeChange, AppendsTheExtensionOfThePatternsLastDotKeepingTheOldOne) {
    EXPECT_EQ(FileOpener::nameForTypeChange(u"/shots/a.jpg", u"*.png"), u"/shots/a.jpg.png");
    EXPECT_EQ(FileOpener::nameForTypeChange(u"/shots/capture.png", u"*.jpeg;*.jpg"), u"/shots/capture.png.jpg");
    EXPECT_EQ(FileOpener::nameForTypeChange(u"/shots/capture", u"*.bmp"), u"/shots/capture.bmp");
    // Applied again it appends again.
    EXPECT_EQ(FileOpener::nameForTypeChange(u"/shots/a.png", u"*.png"), u"/shots/a.png.png");
}

TEST(FileTypeChange, EmptyTextAndWildcardExtensionsLeaveTheNameAlone) {
    EXPECT_EQ(FileOpener::nameForTypeChange(u"", u"*.png"), u"");
    EXPECT_EQ(FileOpener::nameForTypeChange(u"/shots/a.jpg", u"*.*"), u"/shots/a.jpg");
    EXPECT_EQ(FileOpener::nameForTypeChange(u"/shots/a.jpg", u"*"), u"/shots/a.jpg");
    EXPECT_EQ(FileOpener::nameForTypeChange(u"/shots/a.jpg", u"*.jp?"), u"/shots/a.jpg");
}

TEST(FileOpenerFields, FilterAccumulatesInCallOrderAndResetRestoresDefaults) {
    auto opener = thread::makePooled<FileOpener>();
    EXPECT_TRUE(opener->isOpenMode());
    EXPECT_TRUE(opener->isFollowLinks());
    EXPECT_FALSE(opener->isMultiSelect());
    opener->setSaveMode();
    opener->addFileType(u"JPG", u"*.jpeg;*.jpg");
    opener->addFileType(u"PNG", u"*.png");
    opener->setInitialDir(u"/shots");
    opener->setFileName(u"capture.jpg");
    opener->setDefaultExt(u"jpg");
    EXPECT_FALSE(opener->isOpenMode());
    EXPECT_EQ(opener->getFilter(), u"JPG|*.jpeg;*.jpg|PNG|*.png|");
    opener->setOptions(true, false); // also back to the open dialog
    EXPECT_TRUE(opener->isOpenMode());
    EXPECT_TRUE(opener->isMultiSelect());
    EXPECT_FALSE(opener->isFollowLinks());
    opener->reset();
    EXPECT_TRUE(opener->isOpenMode());
    EXPECT_TRUE(opener->isFollowLinks());
    EXPECT_FALSE(opener->isMultiSelect());
    EXPECT_TRUE(opener->getFilter().empty());
    EXPECT_TRUE(opener->getInitialDir().empty());
    EXPECT_TRUE(opener->getFileName().empty());
    EXPECT_TRUE(opener->getDefaultExt().empty());
    EXPECT_EQ(std::u16string(opener->getPath()), u"");
}

// ---------------------------------------------------------------------------
// Real dialogs, driven from the test thread while a worker waits in them

/// The first top-level window of type `type` that is showing.
GtkWidget* findDialog(GType type) {
    GtkWidget* found = nullptr;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
        auto* w = static_cast<GtkWidget*>(l->data);
        if (G_TYPE_CHECK_INSTANCE_TYPE(w, type) && gtk_widget_get_visible(w))
            found = w;
    }
    g_list_free(all);
    return found;
}

/// Waits until a dialog of `type` shows and `ready` says it is ready (the
/// chooser loads folders in the background), then runs `fn` with it on the
/// interface thread. False when none came.
bool withDialog(GType type, const std::function<void(GtkWidget*)>& fn,
                const std::function<bool(GtkWidget*)>& ready = {}) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        bool done = false;
        UIThread::instance().invoke([&] {
            if (GtkWidget* d = findDialog(type); d && (!ready || ready(d))) {
                fn(d);
                done = true;
            }
        });
        if (done)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!UIThread::instance().start())
            GTEST_SKIP() << "no display";
    }
};

TEST_F(DialogTest, SaveDialogSelectsFirstTypeAndAppendsPickedTypesExtension) {
    test::TempDir dir;
    auto opener = thread::makePooled<FileOpener>();
    opener->setSaveMode();
    opener->setInitialDir(test::utf16(dir.path()).c_str());
    opener->setFileName(u"a.jpg");
    opener->addFileType(u"JPG", u"*.jpeg;*.jpg");
    opener->addFileType(u"GIF", u"*.gif");
    opener->addFileType(u"PNG", u"*.png");
    bool shown = false;
    std::thread worker([&] { shown = opener->show(nullptr); });

    std::string initialType;
    std::vector<std::string> types;
    std::string afterPick;
    std::string afterEmptyPick;
    const bool found = withDialog(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* d) {
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(d);
        initialType = gtk_file_filter_get_name(gtk_file_chooser_get_filter(chooser));
        GSList* filters = gtk_file_chooser_list_filters(chooser);
        for (GSList* f = filters; f; f = f->next)
            types.emplace_back(gtk_file_filter_get_name(GTK_FILE_FILTER(f->data)));
        // The user picks PNG: the name gets ".png" after its own extension.
        gtk_file_chooser_set_filter(chooser, GTK_FILE_FILTER(g_slist_nth_data(filters, 2)));
        gchar* name = gtk_file_chooser_get_current_name(chooser);
        afterPick = name;
        g_free(name);
        // With an empty name box a pick changes nothing.
        gtk_file_chooser_set_current_name(chooser, "");
        gtk_file_chooser_set_filter(chooser, GTK_FILE_FILTER(g_slist_nth_data(filters, 1)));
        name = gtk_file_chooser_get_current_name(chooser);
        afterEmptyPick = name;
        g_free(name);
        g_slist_free(filters);
        gtk_file_chooser_set_current_name(chooser, "b.gif");
        gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
    });
    worker.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(initialType, "JPG");
    EXPECT_EQ(types, (std::vector<std::string>{"JPG", "GIF", "PNG"}));
    EXPECT_EQ(afterPick, "a.jpg.png");
    EXPECT_EQ(afterEmptyPick, "");
    EXPECT_TRUE(shown);
    EXPECT_EQ(test::utf8(opener->getPath()), dir.file("b.gif"));
    ASSERT_EQ(opener->getPaths().size(), 1u);
}

TEST_F(DialogTest, CancelledDialogAnswersFalseAndKeepsThePreviousPath) {
    test::TempDir dir;
    test::writeFile(dir.file("clip.mp4"), "x");
    auto opener = thread::makePooled<FileOpener>();
    opener->setInitialDir(test::utf16(dir.path()).c_str());
    opener->setFileName(u"clip.mp4");
    bool shown = false;
    std::thread first([&] { shown = opener->show(nullptr); });
    ASSERT_TRUE(withDialog(
        GTK_TYPE_FILE_CHOOSER_DIALOG, [](GtkWidget* d) { gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT); },
        [](GtkWidget* d) {
            gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(d));
            g_free(chosen);
            return chosen != nullptr;
        }));
    first.join();
    ASSERT_TRUE(shown);
    EXPECT_EQ(test::utf8(opener->getPath()), dir.file("clip.mp4"));

    // Over a parent kept on top, which gives that up while the dialog runs.
    win::Window* parent = win::Window::create();
    parent->setKeepOnTop(true);
    parent->showWindow(true, true);
    bool parentOnTopMeanwhile = true;
    std::thread second([&] { shown = opener->show(parent); });
    ASSERT_TRUE(withDialog(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* d) {
        parentOnTopMeanwhile = parent->isKeepOnTop();
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(d)), GTK_WINDOW(parent->getNativeHandle()));
        gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_CANCEL);
    }));
    second.join();
    EXPECT_FALSE(parentOnTopMeanwhile);
    EXPECT_TRUE(parent->isKeepOnTop());
    parent->release();
    EXPECT_FALSE(shown);
    EXPECT_EQ(test::utf8(opener->getPath()), dir.file("clip.mp4"));
    EXPECT_TRUE(opener->getPaths().empty());
}

TEST_F(DialogTest, SaveOverAnExistingFileAsksFirst) {
    test::TempDir dir;
    test::writeFile(dir.file("old.png"), "x");
    auto opener = thread::makePooled<FileOpener>();
    opener->setSaveMode();
    opener->setInitialDir(test::utf16(dir.path()).c_str());
    opener->setFileName(u"old.png");
    bool shown = false;
    std::thread worker([&] { shown = opener->show(nullptr); });
    ASSERT_TRUE(withDialog(GTK_TYPE_FILE_CHOOSER_DIALOG,
                           [](GtkWidget* d) { gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT); }));
    // "No" returns to the chooser, which the user then cancels.
    ASSERT_TRUE(withDialog(GTK_TYPE_MESSAGE_DIALOG,
                           [](GtkWidget* d) { gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_NO); }));
    ASSERT_TRUE(withDialog(GTK_TYPE_FILE_CHOOSER_DIALOG,
                           [](GtkWidget* d) { gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_CANCEL); }));
    worker.join();
    EXPECT_FALSE(shown);
}

TEST_F(DialogTest, FolderSelectorUsesDefaultTitleAndAnswersTheFolder) {
    test::TempDir dir;
    auto selector = thread::makePooled<dialogs::win::FolderSelector>();
    bool shown = false;
    std::thread worker([&] { shown = selector->show(nullptr, test::utf16(dir.path()).c_str(), nullptr); });
    std::string title;
    ASSERT_TRUE(withDialog(GTK_TYPE_FILE_CHOOSER_DIALOG, [&](GtkWidget* d) {
        title = gtk_window_get_title(GTK_WINDOW(d));
        gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_ACCEPT);
    }));
    worker.join();
    EXPECT_EQ(title, "Please Select the Destination");
    EXPECT_TRUE(shown);
    EXPECT_EQ(test::utf8(selector->getPath()), dir.path());
}

TEST_F(DialogTest, MessageBoxesAnswerFromAnyThreadWithTheApplicationCaption) {
    win::MessageBoxW::setCaption(u"Cutter");
    auto box = thread::makePooled<win::MessageBoxW>();
    auto answer = [&](gint response, const std::function<bool()>& ask, std::string* title) {
        bool result = false;
        std::thread worker([&] { result = ask(); });
        const bool found = withDialog(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* d) {
            *title = gtk_window_get_title(GTK_WINDOW(d));
            gtk_dialog_response(GTK_DIALOG(d), response);
        });
        worker.join();
        EXPECT_TRUE(found);
        return result;
    };
    std::string title;
    EXPECT_TRUE(answer(GTK_RESPONSE_YES, [&] { return box->askYesNo(u"Proceed?"); }, &title));
    EXPECT_EQ(title, "Cutter");
    EXPECT_FALSE(answer(GTK_RESPONSE_NO, [&] { return box->askYesNo(u"Proceed?"); }, &title));
    // Closed by the window's close box: a No.
    EXPECT_FALSE(answer(GTK_RESPONSE_DELETE_EVENT, [&] { return box->askYesNo(u"Proceed?"); }, &title));

    bool yes = true;
    EXPECT_TRUE(answer(GTK_RESPONSE_NO, [&] { return box->askYesNoCancel(u"Save?", &yes); }, &title));
    EXPECT_FALSE(yes);
    EXPECT_TRUE(answer(GTK_RESPONSE_YES, [&] { return box->askYesNoCancel(u"Save?", &yes); }, &title));
    EXPECT_TRUE(yes);
    EXPECT_FALSE(answer(GTK_RESPONSE_CANCEL, [&] { return box->askYesNoCancel(u"Save?", &yes); }, &title));
    win::MessageBoxW::setCaption(win::MessageBoxW::kDefaultCaption);
}

} // namespace
