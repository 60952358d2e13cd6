// The frame grabber against real media: clips made with the ffmpeg tool, the
// pictures compared pixel for pixel with ffmpeg's own decoding of the same
// frames, with the in-process tool and with the real ffmpeg installed as the
// external tool. Then coalescing of requests, releasing in every state, and
// the "frame" command of the headless front end.

#include "preview/VideoToImageThread.h"
#include "foundation/event/EventLoop.h"
#include "foundation/event/INamedEventListener.h"
#include "foundation/file/win/ProgramFolder.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"
#include "image/win/BufferedImage.h"
#include "media/system/win/MediaLibraries.h"
#include "media/tool/ExternalTool.h"
#include "preview/VideoToImageThreadInternal.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <mutex>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using s::i32;
using s::i64;
using s::u32;
using s::str::strbuffer::StrBuffer;
using s::video::gui::dialogs::snipforge::VideoToImageThread;
using s::video::gui::dialogs::snipforge::VideoToImageThreadInternal;
using namespace std::chrono_literals;

namespace {

// ------------------------------------------------------------------ helpers

/// Runs `argv` (found through PATH) with no input, its output to `outFile`
/// and its errors to `errFile` (/dev/null when empty); the exit status, or
/// -1.
int runProgram(const std::vector<std::string>& argv, const std::string& outFile = {},
               const std::string& errFile = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.empty() ? "/dev/null" : outFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.empty() ? "/dev/null" : errFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

/// A clip kept in the build tree between runs, with every frame of its
/// video decoded by ffmpeg into packed BGR rows (top row first).
struct Clip {
    std::string path;
    i32 width = 0;
    i32 height = 0;
    std::string frames; // width * height * 3 bytes per frame, in order

    size_t frameCount() const { return frames.size() / (static_cast<size_t>(width) * height * 3); }
};

/// Makes (once) the clip `name` with the ffmpeg arguments `make` (output
/// last) and decodes it. Writes go through temporary names and a rename, so
/// test processes running side by side never see half a file.
Clip clip(const std::string& name, i32 width, i32 height, const std::vector<std::string>& make) {
    const std::string dir = SNIPFORGE_PREVIEW_FIXTURE_DIR;
    ::mkdir(dir.c_str(), 0755);
    Clip result;
    result.path = dir + "/" + name;
    result.width = width;
    result.height = height;
    const std::string raw = result.path + ".bgr";
    const std::string tmp = ".tmp" + std::to_string(::getpid());
    struct stat status {};
    if (::stat(result.path.c_str(), &status) != 0) {
        std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
        argv.insert(argv.end(), make.begin(), make.end());
        const std::string ext = name.substr(name.rfind('.'));
        argv.push_back(result.path + tmp + ext);
        EXPECT_EQ(runProgram(argv), 0) << "making " << name;
        ::rename((result.path + tmp + ext).c_str(), result.path.c_str());
    }
    if (::stat(raw.c_str(), &status) != 0) {
        EXPECT_EQ(runProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", result.path, "-map", "0:v:0",
                              "-vsync", "passthrough", "-pix_fmt", "bgr24", "-f", "rawvideo", raw + tmp}),
                  0)
            << "decoding " << name;
        ::rename((raw + tmp).c_str(), raw.c_str());
    }
    result.frames = readAll(raw);
    return result;
}

/// 4 s of 320x240 at 25 fps with a key frame every 2 s, and sound.
const Clip& mainClip() {
    static const Clip c =
        clip("clip25.mp4", 320, 240, {"-f",       "lavfi",     "-i",   "testsrc=size=320x240:rate=25",
                                      "-f",       "lavfi",     "-i",   "sine=frequency=440:sample_rate=44100",
                                      "-t",       "4",         "-c:v", "libx264",
                                      "-preset",  "ultrafast", "-g",   "50",
                                      "-pix_fmt", "yuv420p",   "-c:a", "aac"});
    return c;
}

/// 3 s of MPEG-TS whose timestamps start at 10 s: position 0 is still the
/// first frame.
const Clip& offsetClip() {
    static const Clip c =
        clip("offset.ts", 320, 240,
             {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-t", "3", "-c:v", "libx264", "-preset",
              "ultrafast", "-g", "25", "-pix_fmt", "yuv420p", "-output_ts_offset", "10"});
    return c;
}

/// 20 s of 320x240 at 25 fps with one key frame: a position near the end
/// takes the whole file's decoding.
const Clip& longClip() {
    static const Clip c = clip("long.mp4", 320, 240,
                               {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-t", "20", "-c:v", "libx264",
                                "-preset", "ultrafast", "-g", "500", "-keyint_min", "500", "-pix_fmt", "yuv420p"});
    return c;
}

/// 322 x 1000: every BMP row needs two bytes of padding, so the picture is
/// larger than width x height x 3 + 2048.
const Clip& paddedClip() {
    static const Clip c = clip("padded.mp4", 322, 1000,
                               {"-f", "lavfi", "-i", "testsrc=size=322x1000:rate=25", "-t", "1", "-c:v",
                                "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"});
    return c;
}

/// The frame the grab at `positionUs` must show: the first at or after the
/// position as the command rounds it (whole milliseconds), for clips at
/// 25 fps.
size_t expectedFrame(i64 positionUs) {
    const i64 ms = (positionUs + 500) / 1000;
    return static_cast<size_t>((ms * 25 + 999) / 1000);
}

/// The index of the clip's frame that `pixels` shows exactly, or -1.
long findFrame(const Clip& c, const std::vector<u32>& pixels) {
    const size_t frameBytes = static_cast<size_t>(c.width) * c.height * 3;
    if (pixels.size() != static_cast<size_t>(c.width) * c.height)
        return -1;
    for (size_t f = 0; f < c.frameCount(); ++f) {
        const unsigned char* bgr = reinterpret_cast<const unsigned char*>(c.frames.data()) + f * frameBytes;
        bool same = true;
        for (size_t i = 0; i < pixels.size() && same; ++i, bgr += 3)
            same = pixels[i] == (0xFF000000u | u32{bgr[2]} << 16 | u32{bgr[1]} << 8 | bgr[0]);
        if (same)
            return static_cast<long>(f);
    }
    return -1;
}

/// Stands in for the window: an event loop whose listener takes every
/// picture offered (unless told not to) and keeps a copy of each.
class Window : public s::event::INamedEventListener {
public:
    struct Picture {
        bool copied = false;
        std::vector<u32> pixels;
    };

    explicit Window(bool takePictures = true) : m_take(takePictures) {
        m_loop.addNamedEventListener(this);
        EXPECT_TRUE(m_loop.start());
    }
    ~Window() override {
        m_loop.stop();
        m_loop.removeNamedEventListener(this);
    }

    s::event::INamedEventTarget* target() { return &m_loop; }
    /// The window closes: events are no longer delivered (the target itself
    /// stays, as a closed window's does).
    void close() { m_loop.stop(); }
    void attach(VideoToImageThread* grabber) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_grabber = grabber;
    }

    void onNamedEvent(s::event::INamedEventSource& source) override {
        if (source.getEventName() != s::event::kUpdateVideoImage)
            return;
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_events;
        if (m_take && m_grabber) {
            Picture picture;
            picture.copied = m_grabber->takeImage(m_image.get());
            if (picture.copied)
                for (i32 y = 0; y < m_image->getHeight(); ++y)
                    picture.pixels.insert(picture.pixels.end(), m_image->getRow(y),
                                          m_image->getRow(y) + m_image->getWidth());
            m_pictures.push_back(std::move(picture));
        }
        m_changed.notify_all();
    }

    /// Waits until `count` pictures (or events, when not taking) came.
    bool waitFor(size_t count, std::chrono::seconds limit = 120s) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, limit,
                                  [&] { return (m_take ? m_pictures.size() : m_events) >= count; });
    }
    std::vector<Picture> pictures() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_pictures;
    }
    int events() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events;
    }

private:
    s::event::EventLoop m_loop;
    const bool m_take;
    std::mutex m_lock;
    std::condition_variable m_changed;
    VideoToImageThread* m_grabber = nullptr; // guarded by m_lock
    s::thread::Pooled<s::image::win::BufferedImage> m_image =
        s::thread::makePooled<s::image::win::BufferedImage>();
    std::vector<Picture> m_pictures; // guarded by m_lock
    int m_events = 0;                // guarded by m_lock
};

using Grabber = s::thread::Pooled<VideoToImageThread>;

Grabber makeGrabber(Window& window, const Clip& c, bool external, i32 width = 0, i32 height = 0) {
    StrBuffer path;
    path.setUtf8(c.path);
    Grabber grabber(VideoToImageThread::createFor(window.target(), path, width ? width : c.width,
                                                  height ? height : c.height, external));
    EXPECT_TRUE(grabber);
    window.attach(grabber.get());
    return grabber;
}

/// Releases `grabber` on another thread and says whether that ended within
/// `limit`. A release that hangs ends the test process: nothing else could
/// be trusted after it.
bool releasesWithin(Grabber& grabber, std::chrono::milliseconds limit) {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    VideoToImageThread* raw = grabber.release();
    std::thread releaser([raw, &done] {
        raw->release();
        done.set_value();
    });
    if (finished.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "releasing the grabber did not end within %lld ms\n",
                     static_cast<long long>(limit.count()));
        std::_Exit(3);
    }
    releaser.join();
    return true;
}

/// A program folder for the test's duration, with or without an
/// "optional_tools/ffmpeg".
class ProgramFolder {
public:
    ProgramFolder() {
        ::mkdir(m_dir.file("optional_tools").c_str(), 0755);
        s::file::win::setProgramFolderOverride(m_dir.path().c_str());
    }
    ~ProgramFolder() { s::file::win::setProgramFolderOverride(nullptr); }
    std::string toolPath() { return m_dir.file("optional_tools/ffmpeg"); }
    void installRealTool() { ASSERT_EQ(::symlink("/usr/bin/ffmpeg", toolPath().c_str()), 0); }
    void installScript(const std::string& body) {
        std::ofstream(toolPath()) << "#!/bin/sh\n" << body;
        ASSERT_EQ(::chmod(toolPath().c_str(), 0755), 0);
    }

private:
    s::test::TempDir m_dir;
};

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(s::system::win::loadMediaLibraries()); }
};

// ------------------------------------------------------------ right frames

/// Both tools: in-process (false) and the real ffmpeg as external tool.
class FrameGrab : public PreviewTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            m_program.installRealTool();
            ASSERT_TRUE(s::video::tool::externalToolAvailable());
        }
    }

    /// Grabs `positions` one after the other (each waits for the previous
    /// picture) and checks each picture is exactly the expected frame.
    void expectFrames(const Clip& c, const std::vector<i64>& positions) {
        ASSERT_GT(c.frameCount(), 0u);
        Window window;
        Grabber grabber = makeGrabber(window, c, GetParam());
        for (size_t i = 0; i < positions.size(); ++i) {
            SCOPED_TRACE("position " + std::to_string(positions[i]));
            grabber->requestFrame(positions[i]);
            ASSERT_TRUE(window.waitFor(i + 1));
            const Window::Picture picture = window.pictures()[i];
            ASSERT_TRUE(picture.copied);
            const size_t wanted = expectedFrame(positions[i]);
            ASSERT_LT(wanted, c.frameCount());
            EXPECT_EQ(findFrame(c, picture.pixels), static_cast<long>(wanted));
        }
        EXPECT_TRUE(releasesWithin(grabber, 10000ms));
    }

    ProgramFolder m_program;
};

TEST_P(FrameGrab, ShowsTheFirstFrameAtOrAfterEachPosition) {
    // Before and after the 2 s lead, on a frame, between frames, across the
    // key frame at 2 s, the rounding of 2.0005 s up to 2.001 s, and back.
    expectFrames(mainClip(), {0, 1'200'000, 2'000'500, 3'100'000, 2'500'000, 40'000, 3'960'000});
}

TEST_P(FrameGrab, CountsPositionsFromTheFirstFrameOfAFileThatStartsLate) {
    expectFrames(offsetClip(), {0, 1'000'000, 2'480'000});
}

TEST_P(FrameGrab, ReadsAPictureLargerThanTheReservedBufferWhole) {
    expectFrames(paddedClip(), {520'000});
}

TEST_P(FrameGrab, TheEndOfTheFileAndBetweenTheLastFrameAndTheEndShowTheLastFrame) {
    const Clip& c = mainClip();
    ASSERT_EQ(c.frameCount(), 100u);
    Window window;
    Grabber grabber = makeGrabber(window, c, GetParam());
    const i64 positions[] = {4'000'000, 3'980'000};
    for (size_t i = 0; i < std::size(positions); ++i) {
        SCOPED_TRACE("position " + std::to_string(positions[i]));
        grabber->requestFrame(positions[i]);
        ASSERT_TRUE(window.waitFor(i + 1));
        ASSERT_TRUE(window.pictures()[i].copied);
        EXPECT_EQ(findFrame(c, window.pictures()[i].pixels), 99);
    }
    EXPECT_TRUE(releasesWithin(grabber, 10000ms));
}

INSTANTIATE_TEST_SUITE_P(Tools, FrameGrab, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "ExternalFfmpeg" : "InProcess";
                         });

TEST_F(PreviewTest, PictureBeyondTheVideoSizeLeavesTheImageAlone) {
    const Clip& c = mainClip();
    Window window;
    // Set up for a smaller video: the 320x240 picture is not accepted.
    Grabber grabber = makeGrabber(window, c, false, 160, 120);
    grabber->requestFrame(1'000'000);
    ASSERT_TRUE(window.waitFor(1));
    const Window::Picture picture = window.pictures()[0];
    EXPECT_FALSE(picture.copied);
    EXPECT_FALSE(grabber->isImagePending());
}

TEST_F(PreviewTest, PositionsAtAndPastTheEndShowTheLastFrameAndTheNextGrabWorks) {
    // The end of the file (4 s), between the last frame (3.96 s) and the
    // end, far past the end, and then an ordinary position again.
    const Clip& c = mainClip();
    ASSERT_EQ(c.frameCount(), 100u);
    Window window;
    Grabber grabber = makeGrabber(window, c, false);
    const i64 positions[] = {4'000'000, 3'980'000, 30'000'000};
    for (size_t i = 0; i < std::size(positions); ++i) {
        SCOPED_TRACE("position " + std::to_string(positions[i]));
        grabber->requestFrame(positions[i]);
        ASSERT_TRUE(window.waitFor(i + 1));
        ASSERT_TRUE(window.pictures()[i].copied);
        EXPECT_EQ(findFrame(c, window.pictures()[i].pixels), 99);
    }
    grabber->requestFrame(500'000);
    ASSERT_TRUE(window.waitFor(4));
    ASSERT_TRUE(window.pictures()[3].copied);
    EXPECT_EQ(findFrame(c, window.pictures()[3].pixels), static_cast<long>(expectedFrame(500'000)));
}

// ---------------------------------------------------------------- requests

TEST_F(PreviewTest, RequestsMadeDuringAGrabCollapseToTheNewest) {
    // The external tool's grab runs to its end whatever comes meanwhile.
    ProgramFolder program;
    program.installRealTool();
    const Clip& c = mainClip();
    Window window;
    Grabber grabber = makeGrabber(window, c, true);
    {
        // A cut holding the grab lock keeps the grab of 0.5 s in progress.
        std::lock_guard<s::thread::ObjLocker> cut(grabber->getGrabLock());
        grabber->requestFrame(500'000);
        for (int i = 0; i < 12000 && grabber->getPendingRequestCount() != 0; ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_EQ(grabber->getPendingRequestCount(), 0u);
        grabber->requestFrame(1'000'000);
        grabber->requestFrame(1'500'000);
        grabber->requestFrame(2'600'000);
    }
    ASSERT_TRUE(window.waitFor(2));
    // Room for a wrong third grab to show itself.
    std::this_thread::sleep_for(1500ms);
    const std::vector<Window::Picture> pictures = window.pictures();
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(grabber->getGrabCount(), 2u);
    EXPECT_EQ(findFrame(c, pictures[0].pixels), static_cast<long>(expectedFrame(500'000)));
    EXPECT_EQ(findFrame(c, pictures[1].pixels), static_cast<long>(expectedFrame(2'600'000)));
}

TEST(FrameCommand, SplitsThePositionIntoTwoSeeks) {
    StrBuffer shortPath;
    shortPath.setUtf8("/run/x/a7.mkv");
    StrBuffer command;
    VideoToImageThreadInternal::buildFrameCommand(command, 2'000'000, shortPath, "/run/x/image.bmp", false);
    EXPECT_EQ(command.toStdString(), "ffmpeg -ss 00:00:00.000 -t 1 -i /run/x/a7.mkv -y -an -f image2 -ss "
                                     "00:00:02.000 -vframes 1 /run/x/image.bmp");
    VideoToImageThreadInternal::buildFrameCommand(command, 2'000'500, shortPath, "/run/x/image.bmp", true);
    EXPECT_EQ(command.toStdString(),
              "optional_tools/ffmpeg -ss 00:00:00.001 -i \"/run/x/a7.mkv\" -y -an -f image2 "
              "-ss 00:00:02.000 -frames:v 1 \"/run/x/image.bmp\"");
    VideoToImageThreadInternal::buildFrameCommand(command, 75'500'000, shortPath, "p", false);
    EXPECT_NE(command.toStdString().find("-ss 00:01:13.500 -t 1 -i"), std::string::npos);
}

// ---------------------------------------------------------------- releasing

TEST_F(PreviewTest, ReleasingWhileThePictureIsNeverTakenEnds) {
    Window window(false);
    Grabber grabber = makeGrabber(window, mainClip(), false);
    grabber->requestFrame(1'000'000);
    // The event is repeated while nobody takes the picture.
    ASSERT_TRUE(window.waitFor(2));
    EXPECT_TRUE(grabber->isImagePending());
    EXPECT_TRUE(releasesWithin(grabber, 5000ms));
}

TEST_F(PreviewTest, ReleasingAfterTheWindowIsGoneEnds) {
    Window window;
    Grabber grabber = makeGrabber(window, mainClip(), false);
    window.close(); // events now return at once, untaken
    grabber->requestFrame(1'000'000);
    for (int i = 0; i < 12000 && grabber->getGrabCount() == 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(grabber->getGrabCount(), 1u);
    EXPECT_TRUE(releasesWithin(grabber, 5000ms));
}

TEST_F(PreviewTest, ReleasingWhileWaitingForTheGrabLockEnds) {
    Window window;
    Grabber grabber = makeGrabber(window, mainClip(), false);
    std::lock_guard<s::thread::ObjLocker> cut(VideoToImageThread::sharedGrabLock());
    grabber->requestFrame(1'000'000);
    for (int i = 0; i < 12000 && grabber->getPendingRequestCount() != 0; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(releasesWithin(grabber, 5000ms));
    EXPECT_EQ(window.events(), 0);
}

TEST_F(PreviewTest, ReleasingDuringAToolRunThatNeverWritesEnds) {
    ProgramFolder program;
    program.installScript("exec sleep 60\n");
    Window window;
    Grabber grabber = makeGrabber(window, mainClip(), true);
    grabber->requestFrame(1'000'000);
    // Let the tool start and the grab settle into waiting for it.
    for (int i = 0; i < 12000 && grabber->getPendingRequestCount() != 0; ++i)
        std::this_thread::sleep_for(10ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(releasesWithin(grabber, 5000ms));
}

TEST_F(PreviewTest, AWriterThatQuitsHalfwayEndsTheGrabWithoutAPicture) {
    ProgramFolder program;
    // Writes the start of a BMP into the pipe (the last argument) and quits.
    program.installScript("for last; do :; done\nprintf 'BM\\066\\204\\003\\000' > \"$last\"\n");
    Window window;
    Grabber grabber = makeGrabber(window, mainClip(), true);
    grabber->requestFrame(1'000'000);
    ASSERT_TRUE(window.waitFor(1));
    EXPECT_FALSE(window.pictures()[0].copied);
    EXPECT_TRUE(releasesWithin(grabber, 5000ms));
}

// ----------------------------------------------------------- command line

TEST_F(PreviewTest, CommandLineWritesTheFrameAsA24BitBmp) {
    const Clip& c = mainClip();
    s::test::TempDir dir;
    const std::string out = dir.file("frame.bmp");
    ASSERT_EQ(runProgram({SNIPFORGE_CLI_PATH, "frame", c.path, "--at", "0:00:02.500", "--out", out}), 0);
    const std::string bmp = readAll(out);
    ASSERT_GT(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<unsigned char>(bmp[28]), 24u);
    // ffmpeg decodes the written file into the very frame at 2.5 s.
    const std::string raw = dir.file("frame.bgr");
    ASSERT_EQ(runProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", out, "-pix_fmt", "bgr24", "-f",
                          "rawvideo", raw}),
              0);
    const size_t frameBytes = static_cast<size_t>(c.width) * c.height * 3;
    EXPECT_TRUE(readAll(raw) == c.frames.substr(expectedFrame(2'500'000) * frameBytes, frameBytes));

    ASSERT_EQ(runProgram({SNIPFORGE_CLI_PATH, "frame", c.path, "--at", "1.2", "--out", out}), 0);
    ASSERT_EQ(runProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", out, "-pix_fmt", "bgr24", "-f",
                          "rawvideo", raw}),
              0);
    EXPECT_TRUE(readAll(raw) == c.frames.substr(expectedFrame(1'200'000) * frameBytes, frameBytes));

    // A name with spaces, quotes, a leading "-", ":" and Japanese characters
    // reaches the tool through its short form.
    const std::string odd = dir.file("-a 'b' \"c\" d:e \u65e5\u672c.mp4");
    std::ofstream(odd, std::ios::binary) << readAll(c.path);
    ASSERT_EQ(runProgram({SNIPFORGE_CLI_PATH, "frame", "--at", "3.5", "--out", out, "--", odd}), 0);
    ASSERT_EQ(runProgram({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", out, "-pix_fmt", "bgr24", "-f",
                          "rawvideo", raw}),
              0);
    EXPECT_TRUE(readAll(raw) == c.frames.substr(expectedFrame(3'500'000) * frameBytes, frameBytes));
}

TEST_F(PreviewTest, CommandLineFailsWithOneLineReason) {
    const Clip& c = mainClip();
    s::test::TempDir dir;
    const std::string out = dir.file("frame.bmp");
    const std::string err = dir.file("err.txt");
    const std::vector<std::vector<std::string>> bad = {
        {"frame", c.path, "--at", "1:2", "--out", out},     // not a time form
        {"frame", c.path, "--at", "0:00:61", "--out", out}, // seconds beyond 59
        {"frame", c.path, "--at", "-1", "--out", out},      // negative
        {"frame", c.path, "--at", "9.5", "--out", out},     // beyond the end
        {"frame", dir.file("missing.mp4"), "--at", "1", "--out", out},
        {"frame", c.path, "--at", "1"}, // no output
        {"frame", c.path, "--at", "1", "--out", dir.file("plain/x.bmp")}, // a file where a folder must be
    };
    ASSERT_TRUE(s::test::writeFile(dir.file("plain"), "x"));
    for (std::vector<std::string> args : bad) {
        args.insert(args.begin(), SNIPFORGE_CLI_PATH);
        SCOPED_TRACE(args[3]);
        EXPECT_EQ(runProgram(args, {}, err), 1);
        const std::string text = readAll(err);
        EXPECT_EQ(text.rfind("snipforge-cli: frame: ", 0), 0u) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    }
    struct stat status {};
    EXPECT_NE(::stat(out.c_str(), &status), 0);
}

} // namespace

// ------------------------------------------------- the file kept open

namespace {

TEST_F(PreviewTest, ANewerRequestSupersedesAnInProgressDecodeAndOnlyItIsShown) {
    const Clip& c = longClip();
    ASSERT_EQ(c.frameCount(), 500u);
    Window window;
    Grabber grabber = makeGrabber(window, c, false);
    grabber->requestFrame(1'000'000);
    ASSERT_TRUE(window.waitFor(1));
    // 19.6 s needs the whole file decoded from its only key frame; 0.4 s,
    // asked for at once, lies behind it: the decode is given up.
    grabber->requestFrame(19'600'000);
    std::this_thread::sleep_for(2ms);
    grabber->requestFrame(400'000);
    ASSERT_TRUE(window.waitFor(2));
    std::this_thread::sleep_for(500ms); // room for a wrong picture to show itself
    const std::vector<Window::Picture> pictures = window.pictures();
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(findFrame(c, pictures[1].pixels), static_cast<long>(expectedFrame(400'000)));
    EXPECT_EQ(grabber->getGrabCount(), 2u);
    EXPECT_FALSE(grabber->isBusy());
}

TEST_F(PreviewTest, RequestsAheadOfTheDecodeShowInOrderNewestLast) {
    // As when dragging forward: a decode that leads to the newer position is
    // finished and shown on the way, so pictures come as fast as they decode.
    const Clip& c = longClip();
    Window window;
    Grabber grabber = makeGrabber(window, c, false);
    const i64 positions[] = {2'000'000, 6'000'000, 10'000'000, 14'000'000, 18'000'000};
    for (i64 position : positions) {
        grabber->requestFrame(position);
        std::this_thread::sleep_for(3ms);
    }
    ASSERT_TRUE(window.waitFor(1));
    for (int i = 0; i < 12000 && (grabber->isBusy() || grabber->isImagePending()); ++i)
        std::this_thread::sleep_for(10ms);
    const std::vector<Window::Picture> pictures = window.pictures();
    long previous = -1;
    for (const Window::Picture& picture : pictures) {
        const long frame = findFrame(c, picture.pixels);
        EXPECT_GT(frame, previous) << "an older position showed after a newer one";
        previous = frame;
    }
    EXPECT_EQ(previous, static_cast<long>(expectedFrame(18'000'000)));
}

TEST_F(PreviewTest, ReleasingInProcessEndsWithinASecondInEveryState) {
    const Clip& c = longClip();
    {
        // Idle, before any request.
        Window window;
        Grabber grabber = makeGrabber(window, c, false);
        EXPECT_TRUE(releasesWithin(grabber, 1000ms));
    }
    {
        // In the middle of decoding the whole file.
        Window window;
        Grabber grabber = makeGrabber(window, c, false);
        grabber->requestFrame(19'900'000);
        std::this_thread::sleep_for(20ms);
        EXPECT_TRUE(releasesWithin(grabber, 1000ms));
    }
    {
        // Right after the first picture, while the packet index is built.
        Window window;
        Grabber grabber = makeGrabber(window, c, false);
        grabber->requestFrame(100'000);
        ASSERT_TRUE(window.waitFor(1));
        EXPECT_TRUE(releasesWithin(grabber, 1000ms));
    }
    {
        // With a picture the window never takes.
        Window window(false);
        Grabber grabber = makeGrabber(window, c, false);
        grabber->requestFrame(5'000'000);
        ASSERT_TRUE(window.waitFor(1));
        EXPECT_TRUE(releasesWithin(grabber, 1000ms));
    }
}

} // namespace
