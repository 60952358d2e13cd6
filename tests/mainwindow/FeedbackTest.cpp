// What the cutter tells the user when something does not work out: a file
// that cannot be opened, an empty scene, a saved or failed scene, and the
// way to the file manager. Files are made by the ffmpeg tool; the model runs
// on the headless event loop, so every message is what the window would
// show.

#include "foundation/event/EventLoop.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/StrArray.h"
#include "gui/win/FileManager.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/system/win/MediaLibraries.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <memory>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using s::i64;
using s::str::strbuffer::StrBuffer;
using namespace s::video::gui::dialogs::snipforge;
namespace dnd = s::gui::dialogs::dragndrop;

namespace {

std::string utf8(const char16_t* text) {
    StrBuffer b;
    b.set(text);
    return b.toStdString();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string ffmpeg(const std::string& dir, const std::string& name, std::vector<std::string> args) {
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(dir + "/" + name);
    EXPECT_EQ(s::test::runTool(argv).exitStatus, 0) << name;
    return dir + "/" + name;
}

// Media made once per process.
struct Media {
    std::string dir;
    std::string clip;      // H.264 + AAC, 4 s
    std::string audio;     // AAC in M4A
    std::string raw;       // an H.264 elementary stream: video without a duration
    std::string truncated; // the first part of an MP4 whose index is at its end
};

const Media& media() {
    static const Media m = [] {
        Media out;
        out.dir = s::test::makeTempDir();
        out.clip = ffmpeg(out.dir, "clip.mp4",
                          {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i",
                           "sine=frequency=440", "-t", "4", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a",
                           "aac"});
        out.audio = ffmpeg(out.dir, "audio.m4a",
                           {"-f", "lavfi", "-i", "sine=frequency=440", "-t", "1", "-c:a", "aac"});
        out.raw = ffmpeg(out.dir, "raw.h264",
                         {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-t", "1", "-c:v", "libx264",
                          "-f", "h264"});
        const std::string whole = s::test::readFile(out.clip);
        out.truncated = out.dir + "/truncated.mp4";
        s::test::writeFile(out.truncated, whole.substr(0, whole.size() / 2));
        return out;
    }();
    return m;
}

// A frame source that does nothing.
class NoSource final : public IFrameSource {
public:
    void requestFrame(i64) override {}
    s::thread::ObjLocker& grabLock() override { return m_lock; }
    bool takeImage(s::image::win::BufferedImage*) override { return false; }
    void discardImage() override {}
    void releaseSource() override { delete this; }

private:
    s::thread::ObjLocker m_lock;
};

IFrameSource* makeNoSource(s::event::INamedEventTarget*, const StrBuffer&, s::i32, s::i32, bool) {
    return new NoSource();
}

// Records messages (plain and saved-scene ones) and the loaded files.
class Recorder final : public dnd::IDialogObserver, public s::event::INamedEventListener {
public:
    void onNamedEvent(s::event::INamedEventSource& source) override {
        std::lock_guard<std::mutex> guard(lock);
        if (source.getEventName() == s::event::kUpdateUI)
            ++updates;
    }
    void onMessage(const char16_t* text) override {
        std::lock_guard<std::mutex> guard(lock);
        messages.push_back(utf8(text));
    }
    void onSceneSaved(const char16_t* text, const char16_t* path) override {
        std::lock_guard<std::mutex> guard(lock);
        saved.push_back(utf8(text));
        savedPaths.push_back(utf8(path));
    }
    std::vector<std::string> takeMessages() {
        std::lock_guard<std::mutex> guard(lock);
        std::vector<std::string> out;
        out.swap(messages);
        return out;
    }

    std::mutex lock;
    int updates = 0;
    std::vector<std::string> messages;
    std::vector<std::string> saved;
    std::vector<std::string> savedPaths;
};

class FeedbackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(s::system::win::loadMediaLibraries()); }

    void SetUp() override {
        m_dir = s::test::makeTempDir();
        ASSERT_TRUE(m_loop.start());
        dnd::DialogContext context;
        context.target = &m_loop;
        m_dialog = std::make_unique<Dialog>(context);
        m_dialog->setFrameSourceFactory(makeNoSource);
        m_dialog->setObserver(&m_recorder);
        m_dialog->loadSettings();
        m_loop.addNamedEventListener(&m_recorder);
        m_loop.addNamedEventListener(m_dialog.get());
    }

    void TearDown() override {
        m_dialog->waitUntilIdle();
        m_loop.stop();
        m_loop.removeNamedEventListener(&m_recorder);
        m_loop.removeNamedEventListener(m_dialog.get());
        m_dialog.reset();
    }

    std::string place(const std::string& source, const std::string& name) {
        const std::string target = m_dir + "/" + name;
        fs::copy_file(source, target);
        return target;
    }

    bool open(const std::string& path) {
        s::str::strarray::StrArray paths;
        StrBuffer b;
        b.setUtf8(path);
        paths.append(b.c_str());
        const bool started = m_dialog->openPaths(paths);
        m_dialog->waitUntilIdle();
        return started;
    }

    std::string loadedPath() {
        std::lock_guard<s::thread::ObjLocker> guard(m_dialog->modelLock());
        return m_dialog->videoInfo() ? m_dialog->videoInfo()->path().toStdString() : std::string();
    }

    std::string m_dir;
    s::event::EventLoop m_loop;
    Recorder m_recorder;
    std::unique_ptr<Dialog> m_dialog;
};

TEST_F(FeedbackTest, FilesThatCannotBeOpenedAreNamedWithTheReasonAndTheLoadedFileStays) {
    // Before anything is loaded there is nothing to keep.
    const std::string missing = m_dir + "/gone.mp4";
    ASSERT_TRUE(open(missing));
    std::vector<std::string> messages = m_recorder.takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "The program failed to open the file.\r\n\"" + missing +
                  "\"\r\n\r\nThe file does not exist (it may have been moved, renamed or deleted).");

    const std::string clip = place(media().clip, "clip.mp4");
    ASSERT_TRUE(open(clip));
    EXPECT_TRUE(m_recorder.takeMessages().empty());
    ASSERT_EQ(loadedPath(), clip);
    const i64 duration = m_dialog->endUs();
    m_dialog->setPositions(1000000, 2000000);

    const std::string text = m_dir + "/notes.mp4";
    ASSERT_TRUE(s::test::writeFile(text, "This is a shopping list, not a video.\n"));
    const std::string empty = m_dir + "/empty.mp4";
    ASSERT_TRUE(s::test::writeFile(empty, ""));
    const std::string folder = m_dir + "/a folder.mp4";
    fs::create_directories(folder);
    struct Case {
        std::string path;
        std::string reason;
        std::string detail; // a part of the libraries' words, when they are shown
    } cases[] = {
        {text, "It is not a video file the program can read", "Details:  cannot open: Invalid data"},
        {empty, "The file is empty.", ""},
        {missing, "The file does not exist", ""},
        {place(media().audio, "song.m4a"), "It has no video stream (an audio file?)", ""},
        {place(media().truncated, "cut short.mp4"), "It is not a video file the program can read",
         "Details:  "},
        {place(media().raw, "stream.h264"), "The program failed to find the video duration length.", ""},
        {folder, "It is a folder, not a file.", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(open(c.path));
        messages = m_recorder.takeMessages();
        ASSERT_EQ(messages.size(), 1u);
        const std::string& m = messages[0];
        EXPECT_TRUE(m.starts_with("The program failed to open the file.\r\n\"" + c.path + "\"\r\n\r\n")) << m;
        EXPECT_TRUE(contains(m, c.reason)) << m;
        EXPECT_EQ(contains(m, "Details:"), !c.detail.empty()) << m;
        if (!c.detail.empty()) {
            EXPECT_TRUE(contains(m, c.detail)) << m;
        }
        EXPECT_TRUE(m.ends_with("\r\n\r\nThe video loaded before stays loaded.")) << m;
        // The clip is still the one loaded, with the scene as it was.
        EXPECT_EQ(loadedPath(), clip);
        EXPECT_EQ(m_dialog->videoInfo()->durationUs(), duration);
        EXPECT_EQ(m_dialog->startUs(), 1000000);
        EXPECT_EQ(m_dialog->endUs(), 2000000);
    }
    std::lock_guard<std::mutex> guard(m_recorder.lock);
    EXPECT_EQ(m_recorder.updates, 1);
}

TEST_F(FeedbackTest, AnEmptySceneSaysWhyNothingIsSaved) {
    ASSERT_TRUE(open(place(media().clip, "clip.mp4")));
    m_recorder.takeMessages();
    const i64 duration = m_dialog->endUs();
    m_dialog->setPositions(1500000, 1500000);
    EXPECT_FALSE(m_dialog->saveScene());
    std::vector<std::string> messages = m_recorder.takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Nothing was saved: the scene is empty.\r\n\r\nIts start and its end are at the same "
              "position:  0:00:01\r\nMove the start or the end marker first.");
    // The message leaves the model idle: the next scene saves.
    EXPECT_FALSE(m_dialog->isBusy());
    m_dialog->setCutMode(kPreciseMode, false);
    // Both at the end of the file, in the precise mode's format.
    m_dialog->setPositions(duration, duration);
    EXPECT_FALSE(m_dialog->saveScene());
    messages = m_recorder.takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    StrBuffer end;
    Dialog::formatTime(duration, kPreciseMode, end);
    EXPECT_TRUE(contains(messages[0], "position:  " + end.toStdString() + "\r\n")) << messages[0];
    EXPECT_TRUE(contains(messages[0], ".")) << messages[0];
    m_dialog->setPositions(1000000, 2000000);
    EXPECT_TRUE(m_dialog->saveScene());
    m_dialog->waitUntilIdle();
    EXPECT_TRUE(m_recorder.takeMessages().empty());
    std::lock_guard<std::mutex> guard(m_recorder.lock);
    EXPECT_EQ(m_recorder.saved.size(), 1u);
}

TEST_F(FeedbackTest, ASavedSceneIsNamedWithItsFolderAndCanBeShown) {
    const std::string clip = place(media().clip, "clip.mp4");
    ASSERT_TRUE(open(clip));
    m_dialog->setOutputFolderMode(dnd::kOutputSubFolder);
    m_dialog->setPositions(1000000, 2000000);
    ASSERT_TRUE(m_dialog->saveScene());
    m_dialog->waitUntilIdle();
    std::lock_guard<std::mutex> guard(m_recorder.lock);
    EXPECT_TRUE(m_recorder.messages.empty());
    ASSERT_EQ(m_recorder.saved.size(), 1u);
    const std::string name = "clip.CUT.00'01-00'02.mp4";
    EXPECT_EQ(m_recorder.saved[0], "Saved Successfully!\r\n\r\nOutput File:  " + name +
                                       "\r\nFolder:  " + m_dir +
                                       "/Cuts\r\n\r\n(Please make sure the audio was saved correctly too.)");
    ASSERT_EQ(m_recorder.savedPaths.size(), 1u);
    EXPECT_EQ(m_recorder.savedPaths[0], m_dir + "/Cuts/" + name);
    EXPECT_TRUE(fs::exists(m_recorder.savedPaths[0]));
}

TEST_F(FeedbackTest, ASaveWhoseVideoWentAwaySaysSoAndAsksForNoReport) {
    const std::string clip = place(media().clip, "clip.mp4");
    ASSERT_TRUE(open(clip));
    m_recorder.takeMessages();
    ASSERT_TRUE(fs::remove(clip));
    m_dialog->setPositions(1000000, 2000000);
    ASSERT_TRUE(m_dialog->saveScene());
    m_dialog->waitUntilIdle();
    std::vector<std::string> messages = m_recorder.takeMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "Conversion Failed!\r\n\r\nInput File:  clip.mp4\r\n\r\nError:  The video file is no "
              "longer there (moved, renamed or deleted).\r\n\r\nWe are sorry for the trouble.");
    // Nothing was written: no partial file and no error report.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 0);
}

TEST_F(FeedbackTest, AFailedCutNamesItsErrorAndTheFolderOfTheReport) {
    StrBuffer message;
    m_dialog->reportMessage(message, kReportFailed, u"in.mp4", u"in.CUT.mp4", u"Disk quota exceeded",
                            u"/data/out");
    EXPECT_EQ(
        message.toStdString(),
        "Conversion Failed!\r\n\r\nInput File:  in.mp4\r\nOutput File:  in.CUT.mp4\r\nFolder:  /data/out"
        "\r\n\r\nError:  Disk quota exceeded\r\n\r\nPlease send us the \"_error.txt\" file that was created "
        "beside the output file.\r\nYou can reach us through the support page of our web site.\r\n\r\nWe are "
        "sorry for the trouble.");
}

TEST(FeedbackDesktopTest, WithoutADesktopFolderTheMessageSaysTheSceneWentHome) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A process of its own: the desktop folder is looked up once per process.
    EXPECT_EXIT(
        {
            const std::string home = s::test::makeTempDir() + "/home";
            fs::create_directories(home + "/.config");
            ::setenv("HOME", home.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
            Dialog dialog(dnd::DialogContext{});
            dialog.loadSettings();
            dialog.setOutputFolderMode(dnd::kOutputDesktop);
            const bool checked = dialog.checkOutputFolder(u"/somewhere/clip.mp4") &&
                                 dialog.resolvedOutputFolder()->fullPathStr().toStdString() == home;
            StrBuffer saved;
            dialog.reportMessage(saved, kReportSaved, u"clip.mp4", u"clip.CUT.mp4", nullptr, u"/x");
            const bool noted =
                contains(saved.toStdString(), "Folder:  /x\r\n\r\nThere is no desktop folder, so the "
                                              "scene was saved in the home folder.");
            dialog.setOutputFolderMode(dnd::kOutputSameFolder);
            dialog.reportMessage(saved, kReportSaved, u"clip.mp4", u"clip.CUT.mp4", nullptr, u"/x");
            const bool onlyForDesktop = !contains(saved.toStdString(), "desktop");
            std::_Exit(checked && noted && onlyForDesktop && s::file::win::desktopFolderIsHome() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// The file manager is reached without the caller waiting, through the
// commands it finds; the desktop's own services are left out (no bus).
class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = s::test::makeTempDir();
        fs::create_directories(m_dir + "/bin");
        fs::create_directories(m_dir + "/run");
        fs::create_directories(m_dir + "/data");
        remember("PATH");
        remember("DBUS_SESSION_BUS_ADDRESS");
        remember("XDG_RUNTIME_DIR");
        remember("XDG_DATA_HOME");
        remember("XDG_DATA_DIRS");
        ::setenv("PATH", (m_dir + "/bin").c_str(), 1);
        ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
        ::setenv("XDG_RUNTIME_DIR", (m_dir + "/run").c_str(), 1);
        // No desktop entry handles folders.
        ::setenv("XDG_DATA_HOME", (m_dir + "/data").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", (m_dir + "/data").c_str(), 1);
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved)
            value.empty() ? ::unsetenv(name.c_str()) : ::setenv(name.c_str(), value.c_str(), 1);
    }
    void remember(const char* name) {
        const char* value = std::getenv(name);
        m_saved.emplace_back(name, value ? value : "");
    }
    void fakeOpener(const std::string& body) {
        const std::string path = m_dir + "/bin/xdg-open";
        ASSERT_TRUE(s::test::writeFile(path, "#!/bin/sh\n" + body));
        ASSERT_EQ(::chmod(path.c_str(), 0755), 0);
    }

    // The answer of showInFileManager and how long the call itself took.
    bool show(const std::string& path, std::chrono::milliseconds* callTook) {
        std::atomic<int> answer{-1};
        const auto before = std::chrono::steady_clock::now();
        s::gui::win::showInFileManager(path, [&answer](bool shown) { answer = shown ? 1 : 0; });
        *callTook =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
        for (int i = 0; i < 300 && answer.load() < 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_GE(answer.load(), 0) << "no answer";
        return answer.load() == 1;
    }

    std::string m_dir;
    std::vector<std::pair<std::string, std::string>> m_saved;
};

TEST_F(FileManagerTest, TheFoldersOpenerIsUsedAndAMissingOneIsReported) {
    const std::string file = m_dir + "/Videos/clip.CUT.mp4";
    std::chrono::milliseconds took{};
    // None at all: the answer is no, and soon.
    EXPECT_FALSE(show(file, &took));
    EXPECT_LT(took.count(), 500);

    // An opener that has nothing to open folders with says so.
    fakeOpener("exit 3\n");
    EXPECT_FALSE(show(file, &took));

    fakeOpener("printf '%s\\n' \"$@\" > '" + m_dir + "/opened'\n");
    EXPECT_TRUE(show(file, &took));
    EXPECT_EQ(s::test::readFile(m_dir + "/opened"), m_dir + "/Videos\n");

    // A session bus that is not there is passed over.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + m_dir + "/run/no-bus").c_str(), 1);
    fs::remove(m_dir + "/opened");
    EXPECT_TRUE(show(file, &took));
    EXPECT_EQ(s::test::readFile(m_dir + "/opened"), m_dir + "/Videos\n");

    // An opener that starts a program and stays with it: the caller does
    // not wait for it (the answer comes later, on the helper thread).
    fakeOpener("exec /bin/sleep 12\n");
    auto answer = std::make_shared<std::atomic<int>>(-1);
    const auto before = std::chrono::steady_clock::now();
    s::gui::win::showInFileManager(file, [answer](bool shown) { *answer = shown ? 1 : 0; });
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(answer->load(), -1);
}

} // namespace
