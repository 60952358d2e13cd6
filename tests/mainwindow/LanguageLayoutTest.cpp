// Every language of the pack in the cutter window, chosen from the Language
// menu as a user does: the window empty and loaded in both cut modes, its
// four menus, the version window and the message of a saved scene. The
// toolkit's layout check (nothing sticks out of its parent, nothing smaller
// than its text needs, no overlapping siblings) must pass for each, at
// display scale 1 for all 40 languages and at scale 2 for a sample. Each
// picture goes to <screenshots>/languages/, and one contact sheet per scale
// shows them side by side. Needs a display (Xvfb); skips without one. Runs
// on an X server of its own.

#include "foundation/lang/LangPack.h"
#include "foundation/lang/Localizer.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/MappedData.h"
#include "gui/Scale.h"
#include "gui/dialogs/About3.h"
#include "gui/win/Image.h"
#include "gui/win/Label.h"
#include "gui/win/LayoutCheck.h"
#include "gui/win/MenuEx.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"
#include "image/win/BufferedImage.h"
#include "mainwindow/dragndrop/IMenuView.h"
#include "mainwindow/snipforge/CutterWindow.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/system/win/MediaLibraries.h"
#include "resources/Resources.h"
#include "support/LayoutChecks.h"
#include "support/MediaFixtures.h"
#include "support/PrivateDisplay.h"
#include "support/UiThreadHelpers.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using s::i32;
using s::str::strbuffer::StrBuffer;
using namespace s::video::gui::dialogs::snipforge;
namespace dnd = s::gui::dialogs::dragndrop;
namespace sw = s::gui::win;

namespace {

// Long words (German, Finnish, Russian), the scripts that need fonts of
// their own (Japanese, Traditional Chinese, Thai, Hindi) and right to left
// (Arabic).
const std::vector<std::string> kScaleTwoSample = {"deu", "fin", "rus", "jpn", "zht", "tha", "hin", "ara"};

using s::test::onUi;
using s::test::utf8;

const std::string& clipPath() {
    static const std::string path = [] {
        const std::string out = s::test::makeTempDir() + "/clip.mp4";
        const s::test::ToolRun run = s::test::runTool({"ffmpeg",
                                                       "-nostdin",
                                                       "-loglevel",
                                                       "error",
                                                       "-y",
                                                       "-f",
                                                       "lavfi",
                                                       "-i",
                                                       "testsrc=size=320x240:rate=25",
                                                       "-f",
                                                       "lavfi",
                                                       "-i",
                                                       "sine=frequency=440:sample_rate=44100",
                                                       "-t",
                                                       "4",
                                                       "-c:v",
                                                       "libx264",
                                                       "-g",
                                                       "25",
                                                       "-pix_fmt",
                                                       "yuv420p",
                                                       "-c:a",
                                                       "aac",
                                                       out});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        return out;
    }();
    return path;
}

std::string shotFolder() {
    const std::string dir = std::string(SNIPFORGE_SCREENSHOT_DIR) + "/languages";
    fs::create_directories(dir);
    return dir;
}

// Draws a GTK widget as it is laid out now into a PNG (user-interface thread).
bool saveWidgetPng(GtkWidget* widget, const std::string& path) {
    if (!widget || !gtk_widget_get_realized(widget))
        return false;
    const int w = gtk_widget_get_allocated_width(widget);
    const int h = gtk_widget_get_allocated_height(widget);
    if (w <= 0 || h <= 0)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    gtk_widget_draw(widget, cr);
    cairo_destroy(cr);
    const bool saved = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return saved;
}

GtkWidget* shownMessageDialog() {
    GtkWidget* found = nullptr;
    GList* all = gtk_window_list_toplevels();
    for (GList* l = all; l; l = l->next) {
        auto* w = static_cast<GtkWidget*>(l->data);
        if (GTK_IS_MESSAGE_DIALOG(w) && gtk_widget_get_mapped(w))
            found = w;
    }
    g_list_free(all);
    return found;
}

template <class Pred> bool waitUntil(Pred pred, int timeoutMs = 10000) {
    return s::test::waitUntil(pred, timeoutMs, 10);
}

// The width and height of a PNG file from its header; 0, 0 when unreadable.
std::pair<int, int> pngSize(const std::string& path) {
    unsigned char header[24] = {};
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {0, 0};
    const size_t n = std::fread(header, 1, sizeof header, f);
    std::fclose(f);
    if (n != sizeof header)
        return {0, 0};
    auto be32 = [&](int at) {
        return static_cast<int>(header[at]) << 24 | header[at + 1] << 16 | header[at + 2] << 8 |
               header[at + 3];
    };
    return {be32(16), be32(20)};
}

// Puts the pictures side by side at `1/shrink` of their size with the ffmpeg
// tool, one row per language: every picture is padded to the tallest one,
// each row (an hstack) to the widest row, and the rows are stacked.
bool writeContactSheet(const std::vector<std::vector<std::string>>& rows, int shrink,
                       const std::string& out) {
    int tallest = 0;
    int widest = 0;
    for (const auto& row : rows) {
        int w = 0;
        for (const std::string& png : row) {
            const auto [pw, ph] = pngSize(png);
            tallest = std::max(tallest, (ph / shrink + 1) & ~1);
            w += (pw / shrink + 1) & ~1;
        }
        widest = std::max(widest, w);
    }
    std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
    std::string graph;
    int input = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].empty())
            continue;
        std::string stack;
        for (const std::string& png : rows[r]) {
            args.insert(args.end(), {"-i", png});
            const std::string name = "p" + std::to_string(input);
            graph += "[" + std::to_string(input) + ":v]format=rgb24,scale=trunc(iw/" +
                     std::to_string(shrink) + "/2)*2:trunc(ih/" + std::to_string(shrink) +
                     "/2)*2,pad=iw+8:" + std::to_string(tallest + 8) + ":4:4:color=gray[" + name + "];";
            stack += "[" + name + "]";
            ++input;
        }
        graph += stack + (rows[r].size() > 1 ? "hstack=inputs=" + std::to_string(rows[r].size()) : "null") +
                 ",pad=" + std::to_string(widest + 8 * 16) + ":ih:0:0:color=gray[r" + std::to_string(r) +
                 "];";
    }
    std::string all;
    int stacked = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (!rows[r].empty()) {
            all += "[r" + std::to_string(r) + "]";
            ++stacked;
        }
    }
    if (stacked == 0)
        return false;
    graph += all + (stacked > 1 ? "vstack=inputs=" + std::to_string(stacked) : "null") + "[out]";
    args.insert(args.end(), {"-filter_complex", graph, "-map", "[out]", "-frames:v", "1", out});
    const s::test::ToolRun run = s::test::runTool(args);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    return run.exitStatus == 0;
}

class LanguageLayoutTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Menus grab the pointer and the keyboard: an X server of its own
        // keeps them from other tests running at the same time.
        snipforge::test::usePrivateDisplayForProcess();
        s_display = sw::UIThread::instance().start();
    }

    void SetUp() override {
        if (!s_display)
            GTEST_SKIP() << "no display";
        ASSERT_TRUE(s::system::win::loadMediaLibraries());
        m_localizer = s::lang::Localizer::create();
        m_localizer->setSystemLanguage(u"English");
        const auto bytes = s::resources::languagePackXml();
        ASSERT_TRUE(m_localizer->loadUtf8(bytes.data(), static_cast<s::u32>(bytes.size())));
        ASSERT_EQ(m_localizer->packCount(), 40u);
    }

    void TearDown() override {
        if (m_dialog) {
            m_dialog->waitUntilIdle();
            m_dialog->replaceLoadedFile(nullptr, 41666, nullptr);
            s::gui::setDisplayScale(1);
            m_window->release();
            m_cutter.reset();
            m_dialog.reset();
        }
        if (m_localizer)
            onUi([&] { m_localizer->release(); });
    }

    void open(i32 scale) {
        s::gui::setDisplayScale(scale);
        m_dir = s::test::makeTempDir();
        ASSERT_TRUE(m_store->open(StrBuffer().setUtf8(m_dir + "/SaveData.xml").c_str()));
        m_window = sw::Window::create();
        m_window->setLocalizer(m_localizer);
        dnd::DialogContext context;
        context.settings = m_store.get();
        context.localizer = m_localizer;
        context.target = m_window;
        m_dialog = std::make_unique<Dialog>(context);
        m_cutter = std::make_unique<CutterWindow>(*m_dialog);
        ASSERT_TRUE(m_cutter->build(m_window));
        s::test::settleUi();
    }

    // The Language menu's entry for pack `index`, as if the user chose it.
    void chooseLanguage(i32 index) {
        onUi([&] { m_dialog->onCommand(dnd::kCmdLanguageFirst + index); });
        s::test::settleUi(3);
    }

    std::vector<std::string> problems(sw::Window* window) {
        std::vector<std::string> out;
        onUi([&] { out = sw::findLayoutProblems(window); });
        return out;
    }

    // The window as it is now: layout checked and drawn.
    void checkAndShoot(const std::string& what, std::vector<std::string>& row) {
        const std::string path = shotFolder() + "/" + what + ".png";
        EXPECT_EQ(problems(m_window), std::vector<std::string>{}) << what;
        EXPECT_TRUE(s::test::saveWindowPng(m_window, path)) << what;
        row.push_back(path);
    }

    void shootMenus(const std::string& prefix, std::vector<std::string>& row) {
        for (i32 m = 0; m < 4; ++m) {
            GtkWidget* menu = nullptr;
            bool opened = false;
            onUi([&] { opened = m_cutter->frame().menuBar()->openMenuByKeyboard(m); });
            ASSERT_TRUE(opened) << prefix << " menu " << m;
            ASSERT_TRUE(waitUntil([&] {
                auto* popup = dynamic_cast<sw::PopupMenu*>(m_cutter->frame().menuBar()->getMenu(m));
                menu = popup ? popup->getNativeMenu() : nullptr;
                return menu && gtk_widget_get_mapped(menu);
            }));
            s::test::settleUi(2);
            const std::string path = shotFolder() + "/" + prefix + "-menu" + std::to_string(m + 1) + ".png";
            bool saved = false;
            onUi([&] {
                saved = saveWidgetPng(gtk_widget_get_toplevel(menu), path);
                gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu));
            });
            EXPECT_TRUE(saved) << path;
            row.push_back(path);
            ASSERT_TRUE(waitUntil([&] { return m_cutter->frame().menuBar()->getOpenIndex() < 0; }));
        }
    }

    void shootVersionWindow(const std::string& prefix, std::vector<std::string>& row) {
        onUi([&] { m_dialog->onCommand(dnd::kCmdVersion); });
        sw::Window* about = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            about =
                m_cutter->frame().versionWindow() ? m_cutter->frame().versionWindow()->getWindow() : nullptr;
            return about && !about->isClosed();
        }));
        s::test::settleUi(3);
        const std::string path = shotFolder() + "/" + prefix + "-version.png";
        EXPECT_EQ(problems(about), std::vector<std::string>{}) << prefix << " version window";
        EXPECT_TRUE(s::test::saveWindowPng(about, path));
        row.push_back(path);
        onUi([&] { about->close(); });
    }

    // The box a saved scene ends with, shown as the window shows it.
    void shootSavedMessage(const std::string& prefix, std::vector<std::string>& row) {
        StrBuffer text;
        onUi([&] {
            m_dialog->reportMessage(text, kReportSaved, u"/home/user/Videos/clip.mp4",
                                    u"/home/user/Videos/clip_cut_00.00.01-00.00.03.mp4", nullptr,
                                    u"/home/user/Videos");
        });
        // Paths in a right-to-left message are isolated left-to-right runs
        // (else "/home/user/Videos" shows as "home/user/Videos/"); other
        // languages get them as they are.
        const std::string tag = prefix.substr(0, 3);
        const bool rightToLeft = tag == "ara" || tag == "per" || tag == "heb";
        EXPECT_EQ(utf8(text.c_str()).find("\u2066/home/user/Videos\u2069") != std::string::npos, rightToLeft)
            << prefix;
        EXPECT_EQ(utf8(text.c_str()).find("\u2066") != std::string::npos, rightToLeft) << prefix;
        std::thread box([&] {
            (void)sw::MessageBoxW::runActionBox(m_window, text.c_str(), m_localizer->getText(3010020),
                                                m_localizer->getText(2010001000));
        });
        GtkWidget* dialog = nullptr;
        const bool shown = waitUntil([&] { return (dialog = shownMessageDialog()) != nullptr; });
        EXPECT_TRUE(shown) << prefix;
        if (shown) {
            s::test::settleUi(3);
            const std::string path = shotFolder() + "/" + prefix + "-message.png";
            bool saved = false;
            onUi([&] {
                saved = saveWidgetPng(dialog, path);
                gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CLOSE);
            });
            EXPECT_TRUE(saved) << path;
            row.push_back(path);
        }
        box.join();
    }

    // Every state of the window in each language of `tags` at `scale`; one
    // row of pictures per language in the contact sheet.
    void runLanguages(i32 scale, const std::vector<std::string>& tags) {
        ASSERT_FALSE(clipPath().empty());
        open(scale);
        std::vector<i32> indexes;
        for (const std::string& tag : tags) {
            for (s::u32 i = 0; i < m_localizer->packCount(); ++i) {
                if (utf8(m_localizer->pack(i)->getTagName()) == tag)
                    indexes.push_back(static_cast<i32>(i));
            }
        }
        ASSERT_EQ(indexes.size(), tags.size());
        const std::string s = "-s" + std::to_string(scale);
        std::vector<std::vector<std::string>> rows(tags.size());

        for (size_t l = 0; l < tags.size(); ++l) {
            chooseLanguage(indexes[l]);
            ASSERT_EQ(utf8(m_localizer->currentPack()->getTagName()), tags[l]);
            checkAndShoot(tags[l] + s + "-1-empty", rows[l]);
            shootMenus(tags[l] + s, rows[l]);
            shootVersionWindow(tags[l] + s, rows[l]);
            shootSavedMessage(tags[l] + s, rows[l]);
        }

        s::str::strarray::StrArray paths;
        StrBuffer path;
        path.setUtf8(clipPath());
        paths.append(path.c_str());
        bool started = false;
        onUi([&] { started = m_dialog->openPaths(paths); });
        ASSERT_TRUE(started);
        m_dialog->waitUntilIdle();
        ASSERT_TRUE(waitUntil([&] {
            auto* image = static_cast<sw::Image*>(m_cutter->panel().preview())->getImage();
            return image && image->getWidth() == 320;
        }));
        for (size_t l = 0; l < tags.size(); ++l) {
            chooseLanguage(indexes[l]);
            checkAndShoot(tags[l] + s + "-2-lossless", rows[l]);
            // The status line follows the language too.
            onUi([&] {
                EXPECT_EQ(utf8(m_cutter->frame().statusLabel()->getText()),
                          utf8(m_localizer->getText(609450)))
                    << tags[l];
            });
            onUi([&] { m_cutter->panel().cutModeRadio(1)->userClicked(); });
            s::test::settleUi(3);
            checkAndShoot(tags[l] + s + "-3-precise", rows[l]);
            onUi([&] { m_cutter->panel().cutModeRadio(0)->userClicked(); });
            s::test::settleUi(2);
        }
        EXPECT_TRUE(writeContactSheet(rows, 2 * scale,
                                      std::string(SNIPFORGE_SCREENSHOT_DIR) + "/languages-scale" +
                                          std::to_string(scale) + ".png"));
    }

    static inline bool s_display = false;
    s::lang::Localizer* m_localizer = nullptr;
    s::thread::Pooled<s::xml::MappedData> m_store = s::thread::makePooled<s::xml::MappedData>();
    sw::Window* m_window = nullptr;
    std::unique_ptr<Dialog> m_dialog;
    std::unique_ptr<CutterWindow> m_cutter;
    std::string m_dir;
};

} // namespace

TEST_F(LanguageLayoutTest, EveryLanguageFitsAtScaleOne) {
    std::vector<std::string> tags;
    for (s::u32 i = 0; i < m_localizer->packCount(); ++i)
        tags.push_back(utf8(m_localizer->pack(i)->getTagName()));
    runLanguages(1, tags);
}

TEST_F(LanguageLayoutTest, LongAndNonLatinLanguagesFitAtScaleTwo) {
    runLanguages(2, kScaleTwoSample);
}

TEST(RightToLeftDesktop, KeepsTheWindowLeftToRight) {
    // GTK takes a right-to-left direction from the desktop's language
    // (LANGUAGE here, as for the C.UTF-8 locale every system has); the
    // window and its controls stay left to right while Arabic texts show.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto run = [] {
        ::setenv("LANGUAGE", "ar", 1);
        ::setenv("LANG", "C.UTF-8", 1);
        ::unsetenv("LC_ALL");
        ::unsetenv("LC_MESSAGES");
        if (!sw::UIThread::instance().start())
            std::exit(3);
        int direction = -1;
        onUi([&] { direction = gtk_widget_get_default_direction(); });
        std::exit(direction == GTK_TEXT_DIR_LTR ? 0 : 1);
    };
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    EXPECT_EXIT(run(), testing::ExitedWithCode(0), "");
}

TEST(LanguageGlyphs, EveryTextOfEveryLanguageHasItsGlyphs) {
    // The installed fonts cover every text: none is drawn with boxes for
    // characters that no font has (the Chinese, Japanese, Korean, Thai and
    // Hindi texts need fonts beyond DejaVu).
    s::lang::Localizer* localizer = s::lang::Localizer::create();
    const auto bytes = s::resources::languagePackXml();
    ASSERT_TRUE(localizer->loadUtf8(bytes.data(), static_cast<s::u32>(bytes.size())));
    std::vector<i32> ids;
    const std::string document(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    static const std::regex entry("<entry id=\"([0-9]+)\"");
    for (auto it = std::sregex_iterator(document.begin(), document.end(), entry);
         it != std::sregex_iterator(); ++it)
        ids.push_back(std::stoi((*it)[1].str()));
    ASSERT_GT(ids.size(), 100u);
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoFontDescription* font = pango_font_description_from_string("Sans 9");
    for (s::u32 p = 0; p < localizer->packCount(); ++p) {
        s::lang::LangPack* pack = localizer->pack(p);
        localizer->selectLanguage(pack->getEngName());
        const std::string tag = utf8(pack->getTagName());
        int missing = 0;
        std::string where;
        for (i32 id : ids) {
            const std::string text = utf8(pack->getText(id));
            PangoLayout* layout = pango_layout_new(context);
            pango_layout_set_font_description(layout, font);
            pango_layout_set_text(layout, text.c_str(), -1);
            const int unknown = pango_layout_get_unknown_glyphs_count(layout);
            g_object_unref(layout);
            if (unknown > 0 && where.empty())
                where = text;
            missing += unknown;
        }
        const std::string own = utf8(pack->getTrueName());
        EXPECT_EQ(missing, 0) << tag << ": no glyphs for some characters, first in \"" << where << "\"";
        PangoLayout* name = pango_layout_new(context);
        pango_layout_set_font_description(name, font);
        pango_layout_set_text(name, own.c_str(), -1);
        EXPECT_EQ(pango_layout_get_unknown_glyphs_count(name), 0) << tag << " " << own;
        g_object_unref(name);
    }
    pango_font_description_free(font);
    g_object_unref(context);
    localizer->release();
}
