// The cutter's model and worker task end to end: files made by the ffmpeg
// tool, cuts through the in-process converter and through the real ffmpeg
// installed as the external tool (or scripts standing in for a failing or
// hanging one), results checked with ffprobe.

#include "foundation/event/EventLoop.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/file/win/ProgramFolder.h"
#include "foundation/file/win/ShortPath.h"
#include "foundation/str/StrArray.h"
#include "foundation/xml/MappedData.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/system/win/MediaLibraries.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using s::i64;
using s::str::strbuffer::StrBuffer;
using namespace s::video::gui::dialogs::snipforge;
namespace dnd = s::gui::dialogs::dragndrop;

namespace {

// The desktop folder is looked up once per process: point it at a folder of
// ours before anything asks.
const std::string& fakeHome() {
    static const std::string home = [] {
        std::string dir = s::test::makeTempDir() + "/home";
        fs::create_directories(dir + "/Desktop");
        fs::create_directories(dir + "/.config");
        ::setenv("HOME", dir.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir + "/.config").c_str(), 1);
        return dir;
    }();
    return home;
}
const bool kHomeReady = !fakeHome().empty();

std::string utf8(const char16_t* text) {
    StrBuffer b;
    b.set(text);
    return b.toStdString();
}

bool run(const std::vector<std::string>& argv) {
    return s::test::runTool(argv).exitStatus == 0;
}

// Media made once per process and copied where a test wants it.
struct Media {
    std::string dir;
    std::string clip;   // H.264 + AAC, 29.97 fps, 4 s
    std::string silent; // H.264 only, 25 fps
    std::string ntsc60; // 60000/1001
    std::string audio;  // AAC in M4A
    std::string text;   // not media at all
};

const Media& media() {
    static const Media m = [] {
        Media out;
        out.dir = s::test::makeTempDir();
        auto gen = [&](const std::string& name, std::vector<std::string> args) {
            std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y"};
            argv.insert(argv.end(), args.begin(), args.end());
            argv.push_back(out.dir + "/" + name);
            EXPECT_TRUE(run(argv)) << name;
            return out.dir + "/" + name;
        };
        out.clip = gen("clip.mp4", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30000/1001", "-f",
                                    "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t", "4", "-c:v",
                                    "libx264", "-g", "15", "-pix_fmt", "yuv420p", "-c:a", "aac"});
        out.silent = gen("silent.mp4", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-t", "3",
                                        "-c:v", "libx264", "-g", "10", "-pix_fmt", "yuv420p"});
        out.ntsc60 = gen("ntsc60.mp4", {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=60000/1001", "-t",
                                        "1", "-c:v", "libx264", "-pix_fmt", "yuv420p"});
        out.audio = gen("audio.m4a", {"-f", "lavfi", "-i", "sine=frequency=440", "-t", "1", "-c:a", "aac"});
        out.text = out.dir + "/notes.txt";
        s::test::writeFile(out.text, "not a video\n");
        return out;
    }();
    return m;
}

// A frame source that only counts what the cutter asks of it.
struct FakeSources {
    std::mutex lock;
    int made = 0;
    int released = 0;
    std::vector<i64> requests;
};
FakeSources g_sources;

class FakeSource final : public IFrameSource {
public:
    void requestFrame(i64 us) override {
        std::lock_guard<std::mutex> guard(g_sources.lock);
        g_sources.requests.push_back(us);
    }
    s::thread::ObjLocker& grabLock() override { return m_lock; }
    bool takeImage(s::image::win::BufferedImage*) override { return false; }
    void discardImage() override {}
    void releaseSource() override {
        {
            std::lock_guard<std::mutex> guard(g_sources.lock);
            ++g_sources.released;
        }
        delete this;
    }

private:
    s::thread::ObjLocker m_lock;
};

IFrameSource* makeFake(s::event::INamedEventTarget*, const StrBuffer&, s::i32, s::i32, bool) {
    std::lock_guard<std::mutex> guard(g_sources.lock);
    ++g_sources.made;
    return new FakeSource();
}

// Records events, hooks and messages.
class Recorder final : public s::event::INamedEventListener,
                       public s::event::IProcessHooks,
                       public dnd::IDialogObserver {
public:
    void onNamedEvent(s::event::INamedEventSource& source) override {
        std::lock_guard<std::mutex> guard(m_lock);
        const char16_t* name = source.getEventName();
        if (name == s::event::kUpdateUI)
            ++updateUI;
        if (name == s::event::kReportError) {
            auto* payload = dynamic_cast<ReportPayload*>(source.getEventObject());
            codes.push_back(payload ? payload->code : -1);
            errorTexts.push_back(payload && payload->errorText ? payload->errorText->toStdString() : "");
            outputNames.push_back(payload && payload->outputName ? payload->outputName->toStdString() : "");
        }
        if (name == s::event::kProcessStatusEnd)
            ++ends;
    }
    void processStarted(s::event::INamedEventTarget*) override { ++hooks; }
    void processProgress(s::event::INamedEventTarget*, i64 total, i64 current) override {
        if (current < 0 || current > total)
            ++badProgress;
        if (total == 100 && current == 40)
            ++attempts;
    }
    void processEnded(s::event::INamedEventTarget*) override { ++hooks; }
    void onStatusText(const char16_t* text) override {
        std::lock_guard<std::mutex> guard(m_lock);
        statuses.push_back(utf8(text));
    }
    void onMessage(const char16_t* text) override {
        std::lock_guard<std::mutex> guard(m_lock);
        messages.push_back(utf8(text));
    }

    std::mutex m_lock;
    int updateUI = 0;
    int ends = 0;
    std::atomic<int> hooks{0};
    std::atomic<int> badProgress{0};
    std::atomic<int> attempts{0}; // cut attempts begun
    std::vector<int> codes;
    std::vector<std::string> outputNames;
    std::vector<std::string> errorTexts; // the payloads' first error lines
    std::vector<std::string> messages;
    std::vector<std::string> statuses;
};

std::vector<std::string> listDir(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

double durationOf(const std::string& path) {
    s::test::FfprobeReport report = s::test::runFfprobe(path);
    if (!report.ok)
        return -1;
    return std::atof(report.format["duration"].c_str());
}

class CutJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(kHomeReady);
        ASSERT_TRUE(s::system::win::loadMediaLibraries());
    }

    void SetUp() override {
        m_dir = s::test::makeTempDir();
        ASSERT_TRUE(m_loop.start());
        s::gui::dialogs::dragndrop::DialogContext context;
        context.hooks = &m_recorder;
        context.target = &m_loop;
        m_dialog = std::make_unique<Dialog>(context);
        m_dialog->setFrameSourceFactory(makeFake);
        m_dialog->setObserver(&m_recorder);
        m_dialog->loadSettings();
        // The recorder hears each event before the dialog, which ends the
        // busy state at "ProcessStatusEnd".
        m_loop.addNamedEventListener(&m_recorder);
        m_loop.addNamedEventListener(m_dialog.get());
    }

    void TearDown() override {
        m_dialog->waitUntilIdle();
        m_loop.stop();
        m_loop.removeNamedEventListener(&m_recorder);
        m_loop.removeNamedEventListener(m_dialog.get());
        m_dialog.reset();
        s::file::win::setProgramFolderOverride(nullptr);
        s::file::win::setRuntimeFolderOverride(nullptr);
    }

    // Aliases with a space in them cannot go into a command as they are,
    // which sends the cut through a temporary file.
    void forceTemporaryOutput() {
        const std::string runtime = m_dir + "/run time";
        s::file::win::setRuntimeFolderOverride(runtime.c_str());
    }

    void useFolder(const std::string& folder) {
        fs::create_directories(folder);
        StrBuffer b;
        b.setUtf8(folder);
        m_dialog->useOutputFolderForRun(b.c_str());
    }

    // Copies a generated file into the test's folder under `name`.
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

    // Cuts [startUs, endUs] of the loaded file; the result code (-1 when no
    // report came).
    int cut(i64 startUs, i64 endUs) {
        const size_t before = m_recorder.codes.size();
        m_dialog->setPositions(startUs, endUs);
        if (!m_dialog->saveScene())
            return -2;
        m_dialog->waitUntilIdle();
        std::lock_guard<std::mutex> guard(m_recorder.m_lock);
        return m_recorder.codes.size() > before ? m_recorder.codes.back() : -1;
    }

    // Installs `program` (a link to the real ffmpeg, or a script) as the
    // external tool.
    void installTool(const std::string& script) {
        const std::string program = m_dir + "/program";
        fs::create_directories(program + "/optional_tools");
        const std::string tool = program + "/optional_tools/ffmpeg";
        if (script.empty()) {
            ASSERT_EQ(::symlink("/usr/bin/ffmpeg", tool.c_str()), 0);
        } else {
            ASSERT_TRUE(s::test::writeFile(tool, "#!/bin/sh\n" + script));
            ASSERT_EQ(::chmod(tool.c_str(), 0755), 0);
        }
        s::file::win::setProgramFolderOverride(program.c_str());
    }

    std::string m_dir;
    s::event::EventLoop m_loop;
    Recorder m_recorder;
    std::unique_ptr<Dialog> m_dialog;
};

TEST(FrameLength, KnownAndUnknownRates) {
    EXPECT_EQ(frameLengthUs(30000, 1001, true), 33366);
    EXPECT_EQ(frameLengthUs(60000, 1001, true), 16683);
    EXPECT_EQ(frameLengthUs(60, 1, true), 16666);
    EXPECT_EQ(frameLengthUs(120, 1, true), 16666);
    EXPECT_EQ(frameLengthUs(0, 0, true), 41666);
    EXPECT_EQ(frameLengthUs(25, 1, true), 40000);
    EXPECT_EQ(frameLengthUs(25, 1, false), 41666);
}

TEST(DisplayScale, BoundsAndGroups) {
    EXPECT_EQ(dnd::Dialog::displayScaleFor(3840, 2160), 2);
    EXPECT_EQ(dnd::Dialog::displayScaleFor(1920, 1080), 1);
    EXPECT_EQ(dnd::Dialog::displayScaleFor(1921, 1619), 1);
    EXPECT_EQ(dnd::Dialog::displayScaleFor(4097, 3240), 4);
    EXPECT_EQ(dnd::Dialog::displayScaleFor(4096, 3240), 2);
    EXPECT_EQ(utf8(dnd::Dialog::viewGroupFor(1)), "View");
    EXPECT_EQ(utf8(dnd::Dialog::viewGroupFor(2)), "View4K");
    EXPECT_EQ(utf8(dnd::Dialog::viewGroupFor(4)), "View8K");
}

TEST_F(CutJobTest, OpeningNonVideoKeepsThePreviousFileAndSendsNoUpdate) {
    ASSERT_TRUE(open(place(media().clip, "clip.mp4")));
    ASSERT_NE(m_dialog->videoInfo(), nullptr);
    EXPECT_EQ(m_dialog->frameUs(), 33366);
    EXPECT_EQ(m_recorder.updateUI, 1);
    EXPECT_EQ(m_dialog->startUs(), 0);
    EXPECT_EQ(m_dialog->endUs(), m_dialog->videoInfo()->durationUs());
    const std::string loaded = m_dialog->videoInfo()->path().toStdString();

    ASSERT_TRUE(open(place(media().audio, "audio.m4a")));
    ASSERT_TRUE(open(place(media().text, "notes.txt")));
    EXPECT_EQ(m_recorder.updateUI, 1);
    EXPECT_EQ(m_dialog->videoInfo()->path().toStdString(), loaded);
    EXPECT_EQ(m_dialog->frameUs(), 33366);
    EXPECT_EQ(m_recorder.ends, 3);

    ASSERT_TRUE(open(place(media().ntsc60, "ntsc60.mp4")));
    EXPECT_EQ(m_recorder.updateUI, 2);
    EXPECT_EQ(m_dialog->frameUs(), 16683);
    std::lock_guard<std::mutex> guard(g_sources.lock);
    EXPECT_EQ(g_sources.made - g_sources.released, 1); // the first grabber was released
    EXPECT_EQ(g_sources.requests.back(), 0);
}

TEST_F(CutJobTest, SeveralDroppedPathsLoadOnlyTheFirstAndReportEach) {
    s::str::strarray::StrArray paths;
    for (const std::string& path :
         {place(media().clip, "a.mp4"), place(media().silent, "b.mp4"), m_dir + "/c"}) {
        StrBuffer b;
        b.setUtf8(path);
        paths.append(b.c_str());
    }
    ASSERT_TRUE(m_dialog->openPaths(paths));
    m_dialog->waitUntilIdle();
    EXPECT_EQ(m_recorder.updateUI, 1);
    EXPECT_EQ(m_dialog->videoInfo()->path().toStdString(), m_dir + "/a.mp4");
    std::lock_guard<std::mutex> guard(m_recorder.m_lock);
    EXPECT_EQ(m_recorder.statuses, (std::vector<std::string>{"a.mp4", "b.mp4", "c", "Done!", "Ready"}));
}

TEST_F(CutJobTest, LosslessAndPreciseNamesInEveryFolderMode) {
    const std::string input = place(media().clip, "clip.mp4");
    ASSERT_TRUE(open(input));
    const std::string desktop = fakeHome() + "/Desktop";
    const std::string custom = m_dir + "/custom out";
    fs::create_directories(custom);
    struct Case {
        int mode;
        std::string folder;
    } cases[] = {{dnd::kOutputSameFolder, m_dir},
                 {dnd::kOutputSubFolder, m_dir + "/Cuts"},
                 {dnd::kOutputDesktop, desktop},
                 {dnd::kOutputCustom, custom}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        if (c.mode == dnd::kOutputCustom) {
            StrBuffer folder;
            folder.setUtf8(custom);
            m_dialog->useOutputFolderForRun(folder.c_str());
        } else {
            m_dialog->setOutputFolderMode(c.mode);
        }
        m_dialog->setCutMode(kLosslessMode, false);
        EXPECT_EQ(cut(1000000, 2500000), kReportSaved);
        const std::string lossless = c.folder + "/clip.CUT.00'01-00'02.mp4";
        ASSERT_TRUE(fs::exists(lossless));
        EXPECT_NEAR(durationOf(lossless), 1.5, 0.6);

        m_dialog->setCutMode(kPreciseMode, false);
        EXPECT_EQ(cut(1000000, 2500000), kReportSaved);
        const std::string precise = c.folder + "/clip.CUT.00'01.000-00'02.500.mp4";
        ASSERT_TRUE(fs::exists(precise));
        s::test::FfprobeReport report = s::test::runFfprobe(precise);
        ASSERT_TRUE(report.ok);
        ASSERT_EQ(report.streams.size(), 2u);
        EXPECT_EQ(report.streams[0]["codec_name"], "h264");
        EXPECT_EQ(report.streams[0]["width"], "320");
        EXPECT_EQ(report.streams[1]["codec_name"], "aac");
        EXPECT_NEAR(durationOf(precise), 1.5, 0.1);
    }
    // A name that is taken is never overwritten: the next cut is numbered.
    m_dialog->setOutputFolderMode(dnd::kOutputSameFolder);
    m_dialog->setCutMode(kLosslessMode, false);
    const std::string first = m_dir + "/clip.CUT.00'01-00'02.mp4";
    const std::string before = s::test::readFile(first);
    EXPECT_EQ(cut(1000000, 2500000), kReportSaved);
    EXPECT_TRUE(fs::exists(m_dir + "/clip.CUT.00'01-00'02 (1).mp4"));
    EXPECT_EQ(s::test::readFile(first), before);
    EXPECT_EQ(m_recorder.badProgress.load(), 0);
}

TEST_F(CutJobTest, FileWithoutAudioReportsCodeFive) {
    ASSERT_TRUE(open(place(media().silent, "silent.mp4")));
    // Start after end: the two are swapped.
    EXPECT_EQ(cut(1000000, 0), kReportSavedNoAudio);
    EXPECT_TRUE(fs::exists(m_dir + "/silent.CUT.00'00-00'01.mp4"));
    // An end less than a second before the end of the file means its end.
    const i64 duration = m_dialog->videoInfo()->durationUs();
    ASSERT_GE(duration, 2900000);
    EXPECT_EQ(cut(duration - 1500000, duration - 500000), kReportSavedNoAudio);
    EXPECT_TRUE(fs::exists(m_dir + "/silent.CUT.00'01-00'03.mp4"));
    // An empty scene starts nothing.
    EXPECT_EQ(cut(500000, 500000), -2);
}

TEST_F(CutJobTest, AwkwardInputNamesAreCutAndLeftUntouched) {
    const std::string name = "-x 'q\" a:b \xe6\x97\xa5\xe6\x9c\xac.mp4";
    const std::string input = place(media().clip, name);
    const std::string original = s::test::readFile(input);
    ASSERT_TRUE(open(input));
    ASSERT_NE(m_dialog->videoInfo(), nullptr);
    m_dialog->setCutMode(kPreciseMode, false);
    EXPECT_EQ(cut(500000, 1500000), kReportSaved);
    const std::string output = m_dir + "/-x 'q\" a:b \xe6\x97\xa5\xe6\x9c\xac.CUT.00'00.500-00'01.500.mp4";
    EXPECT_NEAR(durationOf(output), 1.0, 0.1);
    EXPECT_EQ(s::test::readFile(input), original);
}

TEST_F(CutJobTest, RealExternalToolCutsBothModes) {
    installTool("");
    const std::string input = place(media().clip, "my clip.mp4");
    ASSERT_TRUE(open(input));
    EXPECT_EQ(cut(1000000, 3000000), kReportSaved);
    EXPECT_NEAR(durationOf(m_dir + "/my clip.CUT.00'01-00'03.mp4"), 2.0, 0.6);
    m_dialog->setCutMode(kPreciseMode, false);
    EXPECT_EQ(cut(1000000, 3000000), kReportSaved);
    EXPECT_NEAR(durationOf(m_dir + "/my clip.CUT.00'01.000-00'03.000.mp4"), 2.0, 0.1);
}

TEST_F(CutJobTest, FailureWritesNumberedReportsAndLeavesNoPartialFile) {
    const std::string calls = m_dir + "/calls.txt";
    installTool("echo \"$@\" >> '" + calls + "'\necho 'simulated tool failure' >&2\nexit 1\n");
    const std::string input = place(media().clip, "clip.mp4");
    ASSERT_TRUE(open(input));
    EXPECT_EQ(cut(1000000, 2000000), kReportFailed);
    EXPECT_EQ(cut(1000000, 2000000), kReportFailed);
    EXPECT_EQ(listDir(m_dir),
              (std::vector<std::string>{"_error (1).txt", "_error.txt", "calls.txt", "clip.mp4", "program"}));
    const std::string report = s::test::readFile(m_dir + "/_error.txt");
    EXPECT_EQ(report.rfind("[Input Path]: " + input + "\r\n", 0), 0u) << report;
    EXPECT_NE(report.find("[Output Path]: " + m_dir + "/clip.CUT.00'01-00'02.mp4\r\n"), std::string::npos);
    EXPECT_NE(report.find("[Video Info]:"), std::string::npos);
    EXPECT_NE(report.find("[FFmpeg Command]:\r\noptional_tools/ffmpeg"), std::string::npos);
    EXPECT_NE(report.find("simulated tool failure"), std::string::npos);
    EXPECT_EQ(report.find("\n\n"), std::string::npos);
    EXPECT_EQ(report.find("\r\n\r\n"), std::string::npos) << "empty lines are dropped";

    // Lossless: the failed first attempt is retried once, seeking after the
    // input; two cuts make four runs.
    std::string lines = s::test::readFile(calls);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4);
    // Precise, re-encoding the whole scene with the tool: no retry.
    m_dialog->setCutMode(kPreciseMode, false);
    m_dialog->setSmartPrecise(false, false);
    EXPECT_EQ(cut(1000000, 2000000), kReportFailed);
    lines = s::test::readFile(calls);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 5);
    EXPECT_TRUE(fs::exists(m_dir + "/_error (2).txt"));
    // Re-encoding only the edges needs no tool: the scene is saved.
    m_dialog->setSmartPrecise(true, false);
    EXPECT_EQ(cut(1000000, 2000000), kReportSaved);
    lines = s::test::readFile(calls);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 5);
}

TEST_F(CutJobTest, LosslessRetrySucceedsAfterFailedFirstAttempt) {
    // The stand-in fails whenever the input is seeked before "-i" (the first
    // attempt at a start after 0) and runs the real tool otherwise.
    installTool("case \"$*\" in *'-ss '*' -i '*) exit 1;; esac\nexec /usr/bin/ffmpeg \"$@\"\n");
    ASSERT_TRUE(open(place(media().clip, "clip.mp4")));
    EXPECT_EQ(cut(1000000, 2500000), kReportSaved);
    EXPECT_GT(durationOf(m_dir + "/clip.CUT.00'01-00'02.mp4"), 1.0);
    EXPECT_FALSE(fs::exists(m_dir + "/_error.txt"));
}

TEST_F(CutJobTest, StopDuringCutLeavesNothingBehind) {
    const std::string started = m_dir + "/started";
    installTool("for last; do :; done\necho partial > \"$last\"\ntouch '" + started + "'\nsleep 30\n");
    ASSERT_TRUE(open(place(media().clip, "clip.mp4")));
    m_dialog->setPositions(1000000, 2000000);
    ASSERT_TRUE(m_dialog->saveScene());
    for (int i = 0; i < 3000 && !fs::exists(started); ++i)
        ::usleep(10000);
    ASSERT_TRUE(fs::exists(started));
    m_dialog->requestStop(false);
    m_dialog->waitUntilIdle();
    EXPECT_TRUE(m_recorder.codes.empty());
    fs::remove(started);
    EXPECT_EQ(listDir(m_dir), (std::vector<std::string>{"clip.mp4", "program"}));
}

TEST_F(CutJobTest, StopDuringInProcessCutLeavesNothingBehind) {
    // Long enough that re-encoding it takes seconds even on a fast machine.
    const std::string input = m_dir + "/long.mp4";
    ASSERT_TRUE(run(
        {"ffmpeg",  "-nostdin",  "-loglevel", "error", "-f", "lavfi", "-i",   "testsrc=size=320x240:rate=25",
         "-f",      "lavfi",     "-i",        "sine",  "-t", "60",    "-c:v", "libx264",
         "-preset", "ultrafast", "-c:a",      "aac",   input}));
    ASSERT_TRUE(open(input));
    m_dialog->setCutMode(kPreciseMode, false);
    m_dialog->setPositions(0, 55000000);
    ASSERT_TRUE(m_dialog->saveScene());
    while (m_recorder.attempts.load() == 0)
        ::usleep(10000);
    ::usleep(300000);
    m_dialog->requestStop(false);
    m_dialog->waitUntilIdle();
    EXPECT_TRUE(m_recorder.codes.empty());
    EXPECT_EQ(listDir(m_dir), std::vector<std::string>{"long.mp4"});
}

TEST_F(CutJobTest, FailedInProcessCutNamesTheConverterError) {
    // A scene far larger than the file-size limit set around the cut: the
    // converter's writes fail with EFBIG once the first buffer is out.
    const std::string input = m_dir + "/long.mp4";
    ASSERT_TRUE(
        run({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25",
             "-t", "20", "-c:v", "libx264", "-preset", "ultrafast", input}));
    ASSERT_TRUE(open(input));
    m_dialog->setCutMode(kPreciseMode, false);
    const std::string out = m_dir + "/out";
    useFolder(out);

    struct LimitFileSize {
        rlimit saved{};
        void (*savedHandler)(int) = SIG_DFL;
        explicit LimitFileSize(rlim_t bytes) {
            savedHandler = std::signal(SIGXFSZ, SIG_IGN);
            ::getrlimit(RLIMIT_FSIZE, &saved);
            rlimit limit = saved;
            limit.rlim_cur = bytes;
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ~LimitFileSize() {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, savedHandler);
        }
    };
    int code = -1;
    {
        LimitFileSize limit(32 * 1024);
        code = cut(0, 15000000);
    }
    EXPECT_EQ(code, kReportFailed);
    EXPECT_EQ(listDir(out), std::vector<std::string>{"_error.txt"});

    // The report has the converter's lines after the command.
    const std::string report = s::test::readFile(out + "/_error.txt");
    const size_t command = report.find("[FFmpeg Command]:\r\nffmpeg ");
    ASSERT_NE(command, std::string::npos) << report;
    const size_t output = report.find("[FFmpeg Output]:\r\n", command);
    ASSERT_NE(output, std::string::npos) << report;
    EXPECT_NE(report.find("File too large", output), std::string::npos) << report;

    // The payload and the message name the first error (a packet write or
    // the final one, depending on how much the muxer holds back).
    std::lock_guard<std::mutex> guard(m_recorder.m_lock);
    ASSERT_FALSE(m_recorder.errorTexts.empty());
    const std::string first = m_recorder.errorTexts.back();
    EXPECT_TRUE(first.ends_with(": File too large")) << first;
    EXPECT_EQ(first.find('['), std::string::npos) << "the message carries no log prefix: " << first;
    EXPECT_NE(report.find(first, output), std::string::npos) << report;
    ASSERT_FALSE(m_recorder.messages.empty());
    const std::string& message = m_recorder.messages.back();
    EXPECT_NE(message.find("Error:  " + first + "\r\n"), std::string::npos) << message;
    EXPECT_EQ(message.find("Unknown error"), std::string::npos) << message;
}

TEST_F(CutJobTest, FailureWithoutAnErrorLineKeepsTheUnknownErrorText) {
    StrBuffer message;
    m_dialog->reportMessage(message, kReportFailed, u"in.mp4", u"out.mp4", u"");
    EXPECT_NE(message.toStdString().find("Error:  Unknown error has happened."), std::string::npos);
    m_dialog->reportMessage(message, kReportFailed, u"in.mp4", u"out.mp4", u"disk full");
    EXPECT_NE(message.toStdString().find("Error:  disk full\r\n"), std::string::npos);
    m_dialog->reportMessage(message, kReportSaved, u"in.mp4", u"out.mp4", u"disk full");
    EXPECT_EQ(message.toStdString().find("disk full"), std::string::npos);
}

TEST_F(CutJobTest, TemporaryOutputIsMovedOntoTheOutputName) {
    installTool("");
    forceTemporaryOutput();
    const std::string out = m_dir + "/out";
    useFolder(out);
    ASSERT_TRUE(open(place(media().clip, "clip.mp4")));
    EXPECT_EQ(cut(1000000, 2500000), kReportSaved);
    EXPECT_EQ(listDir(out), std::vector<std::string>{"clip.CUT.00'01-00'02.mp4"});
    EXPECT_NEAR(durationOf(out + "/clip.CUT.00'01-00'02.mp4"), 1.5, 0.6);
}

TEST_F(CutJobTest, FailedMoveOfTheTemporaryOutputIsReportedAndKeepsTheScene) {
    installTool("");
    forceTemporaryOutput();
    const std::string out = m_dir + "/out";
    useFolder(out);
    m_dialog->setMoveFunction([](const s::file::win::PathWin&, const char16_t*) { return false; });
    ASSERT_TRUE(open(place(media().clip, "clip.mp4")));
    EXPECT_EQ(cut(1000000, 2500000), kReportFailed);
    ASSERT_FALSE(m_recorder.outputNames.empty());
    EXPECT_EQ(m_recorder.outputNames.back(), out + "/_TMP.mp4");
    EXPECT_EQ(listDir(out), (std::vector<std::string>{"_TMP.mp4", "_error.txt"}));
    EXPECT_GT(durationOf(out + "/_TMP.mp4"), 1.0);
    EXPECT_NE(s::test::readFile(out + "/_error.txt").find("[Move Failed]"), std::string::npos);
    EXPECT_EQ(m_recorder.errorTexts.back(),
              "The scene could not be renamed to " + out + "/clip.CUT.00'01-00'02.mp4");
}

TEST_F(CutJobTest, AnEdgesOnlyCutWhoseCheckFailsIsReEncodedWholeAndSaysWhy) {
    namespace smart = s::video::smartcut;
    const std::string out = m_dir + "/out";
    useFolder(out);
    // The real edges-only cut, with its output cut short before the check.
    std::vector<smart::SmartCutStatus> attempts;
    m_dialog->setSmartCutFunction([&attempts](const smart::SmartCutRequest& request) {
        smart::SmartCutRequest damaging = request;
        damaging.beforeCheck = [path = request.outputPath] {
            fs::resize_file(path, fs::file_size(path) / 2);
        };
        const smart::SmartCutResult result = smart::runSmartCut(damaging);
        attempts.push_back(result.status);
        return result;
    });
    m_dialog->setCutMode(kPreciseMode, false);
    ASSERT_TRUE(open(place(media().clip, "clip.mp4")));
    EXPECT_EQ(cut(500000, 3000000), kReportSaved);
    EXPECT_EQ(attempts, std::vector<smart::SmartCutStatus>{smart::SmartCutStatus::kCheckFailed});

    // The full re-encode took its place, and the status line said why.
    const std::vector<std::string> written = listDir(out);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_NEAR(durationOf(out + "/" + written[0]), 2.5, 0.1);
    s::test::ToolRun decode = s::test::runTool(
        {"ffmpeg", "-nostdin", "-v", "error", "-i", out + "/" + written[0], "-f", "null", "-"});
    EXPECT_EQ(decode.exitStatus, 0);
    EXPECT_EQ(decode.err, "");
    std::lock_guard<std::mutex> guard(m_recorder.m_lock);
    EXPECT_TRUE(std::any_of(m_recorder.statuses.begin(), m_recorder.statuses.end(),
                            [](const std::string& line) {
                                return line.find("The whole scene was re-encoded: the check of the written "
                                                 "scene failed (the written scene") != std::string::npos;
                            }))
        << ::testing::PrintToString(m_recorder.statuses);
}

TEST_F(CutJobTest, CustomFolderIsStoredAndEmptyCustomFallsBackToSameFolder) {
    s::thread::Pooled<s::xml::MappedData> store = s::thread::makePooled<s::xml::MappedData>();
    StrBuffer file;
    file.setUtf8(m_dir + "/settings/SaveData.xml");
    store->open(file.c_str());
    s::gui::dialogs::dragndrop::DialogContext context;
    context.settings = store.get();
    Dialog dialog(context);
    dialog.loadSettings();
    EXPECT_EQ(dialog.outputFolderMode(), dnd::kOutputSameFolder);
    dialog.setOutputFolderMode(dnd::kOutputCustom); // no custom folder yet
    const std::string input = place(media().clip, "clip.mp4");
    StrBuffer inputText;
    inputText.setUtf8(input);
    EXPECT_TRUE(dialog.checkOutputFolder(inputText.c_str()));
    EXPECT_EQ(dialog.outputFolderMode(), dnd::kOutputSameFolder);
    EXPECT_EQ(store->getS32(dnd::kFileGroup, dnd::kOutputFolderSettingKey, -1), dnd::kOutputCustom);

    StrBuffer folder;
    folder.setUtf8(m_dir + "/chosen");
    dialog.chooseCustomOutputFolder(folder.c_str());
    EXPECT_TRUE(dialog.checkOutputFolder(inputText.c_str())); // missing, but its parent is writable
    EXPECT_EQ(utf8(dialog.resolvedOutputFolder()->fullPathText()), m_dir + "/chosen");
    EXPECT_EQ(utf8(store->getString(dnd::kFileGroup, dnd::kOutputDirCustomPathKey, u"")), m_dir + "/chosen");

    // A folder that cannot be made is refused with its path in the message.
    StrBuffer bad;
    bad.setUtf8(m_dir + "/missing/deeper");
    dialog.useOutputFolderForRun(bad.c_str());
    dialog.setObserver(&m_recorder);
    EXPECT_FALSE(dialog.checkOutputFolder(inputText.c_str()));
    ASSERT_FALSE(m_recorder.messages.empty());
    EXPECT_EQ(m_recorder.messages.back(),
              "The output folder is inaccessible or write-protected.\r\n\"" + m_dir + "/missing/deeper\"");

    // Closing stores the window size under the scale's group.
    dialog.setDisplayScale(2);
    dialog.onClose(1400, 1360);
    EXPECT_EQ(store->getS32(u"MainWindow\\View4K", u"LargeWidth", 0), 1400);
    EXPECT_EQ(store->getS32(u"MainWindow\\View4K", u"LargeHeight", 0), 1360);

    // The cut mode is stored as the button's text and restored from it.
    dialog.setCutMode(kPreciseMode);
    Dialog again(context);
    again.loadSettings();
    EXPECT_EQ(again.cutMode(), kPreciseMode);
    EXPECT_EQ(again.outputFolderMode(), dnd::kOutputCustom);
}

} // namespace
