// The cutter window built on the toolkit: its tree and sizes at two display
// scales, the mapping of the dialog's notifications onto the controls, the
// menus and the routing of the frame's events. Needs a display (Xvfb); the
// tests skip without one. Pictures of the window go to the screenshot folder.

#include "foundation/lang/LangPack.h"
#include "foundation/lang/Localizer.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/MappedData.h"
#include "gui/Scale.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/ComboBox.h"
#include "gui/win/Image.h"
#include "gui/win/Label.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/RadioButton.h"
#include "gui/win/Slider.h"
#include "gui/win/TextField.h"
#include "gui/win/UIThread.h"
#include "gui/win/Window.h"
#include "image/win/BufferedImage.h"
#include "mainwindow/snipforge/CutterWindow.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/system/win/MediaLibraries.h"
#include "resources/Resources.h"
#include "support/LayoutChecks.h"
#include "support/UiThreadHelpers.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using s::i32;
using s::i64;
using s::str::strbuffer::StrBuffer;
using namespace s::video::gui::dialogs::snipforge;
namespace dnd = s::gui::dialogs::dragndrop;
namespace sw = s::gui::win;

namespace {

using s::test::onUi;
using s::test::utf8;

s::lang::Localizer* englishPack() {
    static s::lang::Localizer* localizer = [] {
        auto* l = s::lang::Localizer::create();
        l->setSystemLanguage(u"English");
        const auto bytes = s::resources::languagePackXml();
        EXPECT_TRUE(l->loadUtf8(bytes.data(), static_cast<s::u32>(bytes.size())));
        l->selectLanguage(u"English");
        return l;
    }();
    return localizer;
}

// One clip with sound (no "no audio" message to answer), made once.
const std::string& clipPath() {
    static const std::string path = [] {
        const std::string dir = s::test::makeTempDir();
        const std::string out = dir + "/clip.mp4";
        const s::test::ToolRun run = s::test::runTool(
            {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
             "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t",
             "4", "-c:v", "libx264", "-g", "25", "-pix_fmt", "yuv420p", "-c:a", "aac", out});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        return out;
    }();
    return path;
}

std::string screenshotPath(const std::string& name) {
    fs::create_directories(SNIPFORGE_SCREENSHOT_DIR);
    return std::string(SNIPFORGE_SCREENSHOT_DIR) + "/" + name + ".png";
}

template <class Pred>
bool waitUntil(Pred pred, int timeoutMs = 20000) {
    return s::test::waitUntil(pred, timeoutMs, 20);
}

class CutterWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_display = sw::UIThread::instance().start(); }

    void SetUp() override {
        if (!s_display)
            GTEST_SKIP() << "no display";
        ASSERT_NE(englishPack(), nullptr);
    }

    // Builds the window at a display scale, with `prepare` run on the store
    // before the dialog reads it.
    void open(i32 scale, const std::function<void(s::map::IMappedData&)>& prepare = {}) {
        s::gui::setDisplayScale(scale);
        m_dir = s::test::makeTempDir();
        ASSERT_TRUE(m_store->open(StrBuffer().setUtf8(m_dir + "/SaveData.xml").c_str()));
        if (prepare)
            prepare(*m_store);
        m_window = sw::Window::create();
        m_window->setLocalizer(englishPack());
        dnd::DialogContext context;
        context.settings = m_store.get();
        context.localizer = englishPack();
        context.target = m_window;
        m_dialog = std::make_unique<Dialog>(context);
        m_cutter = std::make_unique<CutterWindow>(*m_dialog);
        m_cutter->frame().setMessagePresenter([this](const char16_t* text) {
            m_messages.push_back(utf8(text));
            m_messagesOnUi.push_back(sw::UIThread::isUiThread());
        });
        ASSERT_TRUE(m_cutter->build(m_window));
        s::test::settleUi();
    }

    void TearDown() override {
        if (!m_dialog)
            return;
        m_dialog->waitUntilIdle();
        // The frame grabber's threads send to the window: stop them first,
        // then the window (and its listeners), then the widgets' owner.
        m_dialog->replaceLoadedFile(nullptr, 41666, nullptr);
        // Pooled font settings take the scale current when they are handed
        // back: go back to 1 before the controls are released.
        s::gui::setDisplayScale(1);
        m_window->release();
        m_cutter.reset();
        m_dialog.reset();
    }

    dnd::Frame& frame() { return m_cutter->frame(); }
    CutterPanel& panel() { return m_cutter->panel(); }

    void loadClip() {
        s::str::strarray::StrArray paths;
        StrBuffer path;
        path.setUtf8(clipPath());
        paths.append(path.c_str());
        bool started = false;
        onUi([&] { started = m_dialog->openPaths(paths); });
        ASSERT_TRUE(started);
        m_dialog->waitUntilIdle();
        s::test::settleUi();
    }

    std::vector<std::string> overlaps() {
        std::vector<std::string> out;
        onUi([&] {
            out = s::test::siblingOverlaps(m_window);
            for (std::string& line : s::test::childrenOutsideParents(m_window))
                out.push_back(std::move(line));
        });
        return out;
    }

    static inline bool s_display = false;
    s::thread::Pooled<s::xml::MappedData> m_store = s::thread::makePooled<s::xml::MappedData>();
    sw::Window* m_window = nullptr;
    std::unique_ptr<Dialog> m_dialog;
    std::unique_ptr<CutterWindow> m_cutter;
    std::string m_dir;
    std::vector<std::string> m_messages;
    std::vector<bool> m_messagesOnUi;
};

TEST_F(CutterWindowTest, EmptyWindowHasDisabledEditingAndTheDropHint) {
    open(1);
    onUi([&] {
        EXPECT_EQ(utf8(panel().fileLabel()->getText()), "Please drop a video file here!");
        EXPECT_EQ(utf8(panel().durationLabel()->getText()), "[00:00:00]");
        EXPECT_EQ(utf8(panel().sizeLabel()->getText()), "0 MB");
        for (s::gui::IComponent* control : panel().editingControls())
            EXPECT_FALSE(control->isEnabled()) << utf8(control->getClassName());
        EXPECT_EQ(panel().editingControls().size(), 8u + CutterPanel::kStepButtonCount + 1u);
        EXPECT_EQ(panel().slider(0)->getMax(), 100);
        EXPECT_TRUE(panel().markerRadio(0)->isChecked());
        EXPECT_FALSE(panel().markerRadio(1)->isChecked());
        EXPECT_TRUE(panel().cutModeRadio(0)->isChecked());
        EXPECT_EQ(utf8(frame().statusLabel()->getText()), "Ready");
        EXPECT_EQ(utf8(frame().linkLabel()->getText()), "Zarvo");
        // The preview starts as a black 16 x 9 picture.
        auto* image = static_cast<sw::Image*>(panel().preview())->getImage();
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->getWidth(), 16);
        EXPECT_EQ(image->getHeight(), 9);
        EXPECT_EQ(image->getRow(4)[8], 0xFF000000u);
        // The window fills its client area with the frame's parts.
        EXPECT_GT(panel().preview()->getWidth(), 0);
        EXPECT_GT(panel().preview()->getHeight(), 0);
        EXPECT_FALSE(frame().progressBox()->isVisible());
        EXPECT_TRUE(frame().linkBox()->isVisible());
    });
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
    EXPECT_TRUE(s::test::saveWindowPng(m_window, screenshotPath("empty-scale1")));
}

TEST_F(CutterWindowTest, MenusFollowTheStoredStateAndThePack) {
    open(1, [](s::map::IMappedData& store) {
        store.setS32(dnd::kFileGroup, dnd::kOutputFolderSettingKey, 0);
        store.setString(dnd::kFileGroup, dnd::kOutputDirCustomPathKey, u"/tmp/cuts");
        store.setBool(dnd::kViewGroup, dnd::kKeepOnTopKey, true);
    });
    onUi([&] {
        sw::PopupMenu* file = frame().fileMenu();
        ASSERT_EQ(file->getItemCount(), 8); // with the custom entry
        EXPECT_EQ(file->indexOf(310), 5);
        EXPECT_EQ(utf8(file->getItem(5)->getText()), "Output to:\u00a0\"/tmp/cuts\"");
        EXPECT_TRUE(file->getItem(5)->isChecked());
        EXPECT_FALSE(file->getItem(2)->isChecked());
        EXPECT_TRUE(file->getItem(1)->isSeparator());
        EXPECT_EQ(file->indexOf(330), 7);
        // One language entry per pack under its own name, the current one marked.
        sw::PopupMenu* languages = frame().languageMenu();
        s::lang::Localizer* pack = englishPack();
        ASSERT_EQ(languages->getItemCount(), 2 + static_cast<i32>(pack->packCount()));
        for (s::u32 i = 0; i < pack->packCount(); ++i) {
            EXPECT_EQ(languages->getItem(2 + i)->getCommand(), 2 + static_cast<i32>(i));
            EXPECT_EQ(utf8(languages->getItem(2 + i)->getText()), utf8(pack->pack(i)->getTrueName()));
            EXPECT_EQ(languages->getItem(2 + i)->isChecked(), pack->pack(i) == pack->currentPack());
        }
        EXPECT_TRUE(frame().menuBar()->isChecked(100));
        EXPECT_TRUE(m_window->isKeepOnTop());
        EXPECT_EQ(frame().aboutMenu()->indexOf(10950), -1);
        EXPECT_EQ(frame().menuBar()->getMenuCount(), 4);
    });
}

TEST_F(CutterWindowTest, MenuCommandsReachTheDialogAndAreStored) {
    open(1);
    onUi([&] {
        frame().menuBar()->chooseCommand(322);
        EXPECT_EQ(m_dialog->outputFolderMode(), 12);
        EXPECT_TRUE(frame().fileMenu()->getItem(3)->isChecked());
        EXPECT_FALSE(frame().fileMenu()->getItem(2)->isChecked());

        // Keep on top: the mark, the window and the store (no application
        // store attached) all take it.
        frame().menuBar()->chooseCommand(100);
        EXPECT_TRUE(frame().menuBar()->isChecked(100));
        EXPECT_TRUE(m_window->isKeepOnTop());
        frame().menuBar()->chooseCommand(125);
        EXPECT_EQ(m_window->getMiddleClickAction(), s::gui::kActionDoNothing);
        // A command nobody knows changes nothing.
        frame().menuBar()->chooseCommand(4242);
    });
    EXPECT_EQ(m_store->getS32(dnd::kFileGroup, dnd::kOutputFolderSettingKey, -1), 12);
    EXPECT_TRUE(m_store->getBool(dnd::kViewGroup, dnd::kKeepOnTopKey, false));
    EXPECT_EQ(utf8(m_store->getString(dnd::kViewGroup, dnd::kOnMClickKey, u"")), "DoNothing");
    // A message while on top is shown with keep-on-top off, then restored.
    bool onTopDuringBox = true;
    onUi([&] {
        frame().setMessagePresenter([&](const char16_t*) { onTopDuringBox = m_window->isKeepOnTop(); });
        frame().onMessage(u"hello");
        EXPECT_TRUE(m_window->isKeepOnTop());
    });
    EXPECT_FALSE(onTopDuringBox);
}

class CutterWindowScaleTest : public CutterWindowTest, public ::testing::WithParamInterface<i32> {};

TEST_P(CutterWindowScaleTest, FixedSizesFollowTheDisplayScale) {
    const i32 s = GetParam();
    open(s);
    onUi([&] {
        EXPECT_EQ(frame().strip()->getHeight(), 7 * s);
        EXPECT_EQ(panel().timeField(0)->getWidth(), 70 * s);
        EXPECT_EQ(panel().timeField(1)->getWidth(), 70 * s);
        EXPECT_EQ(frame().resizer()->getWidth(), 12 * s);
        EXPECT_EQ(frame().resizer()->getHeight(), 12 * s);
        EXPECT_EQ(frame().progressBox()->getWidth(), 0);
        EXPECT_EQ(panel().slider(0)->getThumbLength(), 20 * s);
        EXPECT_EQ(panel().framesRow()->getHeight(), 0);
        // Padding and gaps: the panel column's content starts 10 x s in.
        EXPECT_EQ(panel().panelColumn()->getPadLeft(), 10 * s);
        EXPECT_EQ(frame().contentArea()->getPadLeft(), 8 * s);
        EXPECT_EQ(frame().contentArea()->getHGap(), 10 * s);
        EXPECT_EQ(frame().mainColumn()->getVGap(), 4 * s);
        // The status bar's paddings as well.
        EXPECT_EQ(frame().statusBar()->getPadTop(), 2 * s);
        EXPECT_EQ(frame().statusBar()->getPadLeft(), 2 * s);
        EXPECT_EQ(frame().linkBox()->getPadLeft(), 3 * s);

        // A task starts: the progress box replaces the link box.
        frame().onProgressBoxShown(true);
    });
    s::test::settleUi();
    onUi([&] {
        EXPECT_TRUE(frame().progressBox()->isVisible());
        EXPECT_FALSE(frame().linkBox()->isVisible());
        EXPECT_EQ(frame().linkBox()->getWidth(), 0);
        EXPECT_EQ(frame().progressBar()->getWidth(), 100 * s);
        EXPECT_EQ(frame().progressBar()->getHeight(), 16 * s);
        EXPECT_EQ(frame().cancelButton()->getWidth(), 75 * s);
        EXPECT_EQ(frame().cancelButton()->getHeight(), 18 * s);
    });
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
    EXPECT_TRUE(s::test::saveWindowPng(m_window, screenshotPath("progress-scale" + std::to_string(s))));
    onUi([&] { frame().onProgressBoxShown(false); });
    s::test::settleUi();
    onUi([&] {
        EXPECT_FALSE(frame().progressBox()->isVisible());
        EXPECT_TRUE(frame().linkBox()->isVisible());
        EXPECT_GT(frame().linkBox()->getWidth(), 0);
    });
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
    EXPECT_TRUE(s::test::saveWindowPng(m_window, screenshotPath("empty-scale" + std::to_string(s))));
}

INSTANTIATE_TEST_SUITE_P(Scales, CutterWindowScaleTest, ::testing::Values(1, 2));

TEST_F(CutterWindowTest, CutModeShowsTheFrameRowAndWidensTheFields) {
    open(1);
    onUi([&] {
        for (s::gui::IComponent* control : panel().editingControls())
            control->setEnabled(true);
        panel().cutModeRadio(1)->userClicked();
    });
    s::test::settleUi();
    onUi([&] {
        EXPECT_EQ(m_dialog->cutMode(), 1);
        EXPECT_FALSE(panel().cutModeRadio(0)->isChecked());
        EXPECT_TRUE(panel().framesRow()->isVisible());
        EXPECT_GT(panel().framesRow()->getHeight(), 12);
        EXPECT_EQ(panel().timeField(0)->getWidth(), 90);
        EXPECT_EQ(utf8(panel().timeField(0)->getText()), "0:00:00.000");
        EXPECT_NE(panel().stepButton(5, true), nullptr);
        EXPECT_GT(panel().stepButton(5, true)->getWidth(), 0);
        // Measured while the row was collapsed, they must still get their height.
        EXPECT_GT(panel().stepButton(5, true)->getHeight(), 0);
    });
    EXPECT_EQ(utf8(m_store->getString(dnd::kViewGroup, dnd::kCutModeKey, u"")), "Precise cut  (re-encode and slow)");
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
    EXPECT_TRUE(s::test::saveWindowPng(m_window, screenshotPath("precise-empty-scale1")));

    onUi([&] { panel().cutModeRadio(0)->userClicked(); });
    s::test::settleUi();
    onUi([&] {
        EXPECT_EQ(m_dialog->cutMode(), 0);
        EXPECT_FALSE(panel().framesRow()->isVisible());
        EXPECT_EQ(panel().framesRow()->getHeight(), 0);
        EXPECT_EQ(panel().timeField(1)->getWidth(), 70);
        EXPECT_EQ(utf8(panel().timeField(1)->getText()), "0:00:00");
    });
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
}

TEST_F(CutterWindowTest, StoredPreciseModeIsRestoredAtBuild) {
    open(1, [](s::map::IMappedData& store) {
        store.setString(dnd::kViewGroup, dnd::kCutModeKey, u"Precise cut  (re-encode and slow)");
    });
    onUi([&] {
        EXPECT_TRUE(panel().cutModeRadio(1)->isChecked());
        EXPECT_FALSE(panel().cutModeRadio(0)->isChecked());
        EXPECT_TRUE(panel().framesRow()->isVisible());
        EXPECT_EQ(panel().timeField(0)->getWidth(), 90);
    });
}

TEST_F(CutterWindowTest, LongFileNameDoesNotWidenTheWindow) {
    open(1);
    i32 widthBefore = 0;
    i32 minBefore = 0;
    onUi([&] {
        widthBefore = m_window->getWidth();
        minBefore = m_window->getMinWidth();
        std::u16string name(400, u'w');
        name += u".mp4";
        // The other two labels keep their widths: only the name changes.
        panel().onFileLoaded(name.c_str(), u"[00:00:00]", u"0 MB");
    });
    s::test::settleUi();
    onUi([&] {
        EXPECT_EQ(m_window->getWidth(), widthBefore);
        EXPECT_EQ(m_window->getMinWidth(), minBefore);
        EXPECT_LT(panel().fileLabel()->getWidth(), widthBefore);
        EXPECT_EQ(utf8(panel().fileLabel()->getText()).size(), 404u);
    });
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
}

TEST_F(CutterWindowTest, FrameRoutesCancelDropsProgressAndClose) {
    open(1);
    onUi([&] {
        frame().cancelButton()->click();
        EXPECT_TRUE(m_dialog->isStopRequested());
        EXPECT_EQ(utf8(frame().statusLabel()->getText()), "Canceling..");

        frame().onProgress(25001, 12501);
        EXPECT_EQ(frame().progressBar()->getMax(), 25001);
        EXPECT_EQ(frame().progressBar()->getPosition(), 12501);
        // A range the bar cannot take leaves it alone.
        frame().onProgress(dnd::Frame::kMaxProgressRange + 1, 5);
        EXPECT_EQ(frame().progressBar()->getMax(), 25001);
        frame().onProgress(dnd::Frame::kMaxProgressRange, 5);
        EXPECT_EQ(frame().progressBar()->getMax(), dnd::Frame::kMaxProgressRange);

        // A drop on the content area is an open: a folder that does not
        // exist fails the output-folder check with a message.
        frame().contentArea()->dropFiles({u"relative-name.mp4"});
        EXPECT_FALSE(m_dialog->isBusy());
    });
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], "The output folder is inaccessible or write-protected.");

    // Close: the size goes to the store of the scale's view group.
    i32 w = 0;
    i32 h = 0;
    onUi([&] {
        w = m_window->getWidth();
        h = m_window->getHeight();
        m_window->close();
    });
    EXPECT_TRUE(waitUntil([&] { return m_window->isClosed(); }));
    EXPECT_EQ(m_store->getS32(u"MainWindow\\View", u"LargeWidth", -1), w);
    EXPECT_EQ(m_store->getS32(u"MainWindow\\View", u"LargeHeight", -1), h);
}

TEST_F(CutterWindowTest, MessageFromAWorkerIsShownOnTheUiThread) {
    open(1);
    std::thread worker([&] { frame().onMessage(u"from the worker"); });
    worker.join();
    EXPECT_TRUE(waitUntil([&] { return !m_messages.empty(); }));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0], "from the worker");
    EXPECT_TRUE(m_messagesOnUi[0]);
}

TEST_F(CutterWindowTest, LoadedClipFillsTheControls) {
    ASSERT_TRUE(s::system::win::loadMediaLibraries());
    ASSERT_FALSE(clipPath().empty());
    open(1);
    loadClip();
    StrBuffer size;
    Dialog::sizeText(static_cast<i64>(fs::file_size(clipPath())), size);
    onUi([&] {
        EXPECT_EQ(utf8(panel().fileLabel()->getText()), "clip.mp4");
        EXPECT_EQ(utf8(panel().durationLabel()->getText()), "[00:00:04]");
        EXPECT_EQ(utf8(panel().sizeLabel()->getText()), size.toStdString());
        for (i32 which : {0, 1}) {
            EXPECT_EQ(panel().slider(which)->getMin(), 0);
            EXPECT_EQ(panel().slider(which)->getMax(), 4);
        }
        EXPECT_EQ(panel().slider(0)->getPosition(), 0);
        EXPECT_EQ(panel().slider(1)->getPosition(), 4);
        EXPECT_EQ(utf8(panel().timeField(0)->getText()), "0:00:00");
        EXPECT_EQ(utf8(panel().timeField(1)->getText()), "0:00:04");
        for (s::gui::IComponent* control : panel().editingControls())
            EXPECT_TRUE(control->isEnabled()) << utf8(control->getClassName());
        EXPECT_EQ(utf8(frame().statusLabel()->getText()), "Ready");
        EXPECT_FALSE(frame().progressBox()->isVisible());
    });
    EXPECT_TRUE(m_messages.empty());
    // The first frame replaces the black picture.
    EXPECT_TRUE(waitUntil([&] {
        auto* image = static_cast<sw::Image*>(panel().preview())->getImage();
        return image && image->getWidth() == 320 && image->getHeight() == 240;
    }));
    s::test::settleUi();
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
    EXPECT_TRUE(s::test::saveWindowPng(m_window, screenshotPath("loaded-lossless-scale1")));

    // Stepping through the panel's buttons moves the start marker.
    onUi([&] { panel().stepButton(1, false)->click(); });
    onUi([&] {
        EXPECT_EQ(m_dialog->startUs(), 1000000);
        EXPECT_EQ(utf8(panel().timeField(0)->getText()), "0:00:01");
        EXPECT_EQ(panel().slider(0)->getPosition(), 1);
        panel().cutModeRadio(1)->userClicked();
    });
    s::test::settleUi(20);
    onUi([&] {
        EXPECT_EQ(utf8(panel().timeField(0)->getText()), "0:00:01.000");
        panel().stepButton(5, true)->click();
        // 25 frames per second: five frames are 200 ms.
        EXPECT_EQ(m_dialog->startUs(), 1200000);
    });
    s::test::settleUi(20);
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
    EXPECT_TRUE(s::test::saveWindowPng(m_window, screenshotPath("loaded-precise-scale1")));
}

TEST_F(CutterWindowTest, KeysStepSetMarkersAndSaveOnlyWhatIsATime) {
    ASSERT_TRUE(s::system::win::loadMediaLibraries());
    ASSERT_FALSE(clipPath().empty());
    open(1);
    Shortcuts& keys = m_cutter->shortcuts();
    // Nothing loaded: the editing keys do nothing; the others still work.
    onUi([&] { EXPECT_FALSE(keys.perform(KeyAction::kStepForward, 0, 0)); });
    loadClip();
    onUi([&] {
        // Lossless: a second; Shift five; Ctrl+Shift three minutes, which
        // stops at the end of the file.
        EXPECT_TRUE(keys.perform(KeyAction::kStepForward, 0, 0));
        EXPECT_EQ(m_dialog->startUs(), 1000000);
        EXPECT_TRUE(keys.perform(KeyAction::kStepForward, s::gui::kKeyShift | s::gui::kKeyControl, 0));
        EXPECT_EQ(m_dialog->startUs(), 4000000);
        EXPECT_TRUE(keys.perform(KeyAction::kStepBack, s::gui::kKeyShift, 0));
        EXPECT_EQ(m_dialog->startUs(), 0);
        EXPECT_EQ(utf8(panel().timeField(0)->getText()), "0:00:00");
        panel().cutModeRadio(1)->userClicked();
    });
    s::test::settleUi(20);
    onUi([&] {
        // Precise: a frame (25 per second), Shift a second.
        EXPECT_TRUE(keys.perform(KeyAction::kStepForward, 0, 0));
        EXPECT_EQ(m_dialog->startUs(), 40000);
        EXPECT_TRUE(keys.perform(KeyAction::kStepForward, s::gui::kKeyShift, 0));
        EXPECT_EQ(m_dialog->startUs(), 1040000);
        // The end at the frame on show, then two frames on.
        EXPECT_TRUE(keys.perform(KeyAction::kEndHere, 0, 0));
        EXPECT_TRUE(panel().markerRadio(1)->isChecked());
        EXPECT_TRUE(keys.perform(KeyAction::kStepForward, 0, 0));
        EXPECT_TRUE(keys.perform(KeyAction::kStepForward, 0, 0));
        EXPECT_EQ(m_dialog->endUs(), 1120000);
        EXPECT_EQ(utf8(panel().timeField(1)->getText()), "0:00:01.120");
        EXPECT_TRUE(keys.perform(KeyAction::kGoToStart, 0, 0));
        EXPECT_TRUE(panel().markerRadio(0)->isChecked());
        // Escape outside a time field is not the window's.
        EXPECT_FALSE(keys.perform(KeyAction::kRevertTime, 0, 0));

        // Ctrl+S while the end field holds text that is no time: it is
        // taken first, found wanting, and nothing is saved.
        gtk_widget_grab_focus(panel().timeField(1)->getWidget());
        panel().timeField(1)->setText(u"0:00:01.1x", true);
        EXPECT_TRUE(keys.perform(KeyAction::kSave, s::gui::kKeyControl, 0));
        EXPECT_TRUE(m_dialog->isTimeInvalid(1));
        EXPECT_FALSE(m_dialog->isBusy());
        EXPECT_TRUE(panel().timeField(1)->isInvalid());
        EXPECT_NE(utf8(frame().statusLabel()->getText()).find("Not a time: \"0:00:01.1x\""), std::string::npos);
        // Escape in the field brings the end's time back.
        EXPECT_TRUE(keys.perform(KeyAction::kRevertTime, 0, 0));
        EXPECT_EQ(utf8(panel().timeField(1)->getText()), "0:00:01.120");
        EXPECT_FALSE(panel().timeField(1)->isInvalid());
        EXPECT_EQ(utf8(frame().statusLabel()->getText()), "Ready");
    });
}

TEST_F(CutterWindowTest, LoadedClipAtScaleTwo) {
    ASSERT_TRUE(s::system::win::loadMediaLibraries());
    ASSERT_FALSE(clipPath().empty());
    open(2);
    loadClip();
    EXPECT_TRUE(waitUntil([&] {
        auto* image = static_cast<sw::Image*>(panel().preview())->getImage();
        return image && image->getWidth() == 320;
    }));
    s::test::settleUi();
    onUi([&] {
        EXPECT_EQ(utf8(panel().fileLabel()->getText()), "clip.mp4");
        EXPECT_EQ(panel().timeField(0)->getWidth(), 140);
    });
    EXPECT_EQ(overlaps(), std::vector<std::string>{});
    EXPECT_TRUE(s::test::saveWindowPng(m_window, screenshotPath("loaded-lossless-scale2")));
}

} // namespace
