// The external tool runner: with the real ffmpeg installed as the optional
// tool in a temporary program folder, and with small shell scripts standing
// in for a tool that misbehaves.

#include "media/tool/ExternalTool.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/file/win/ProgramFolder.h"
#include "media/tool/ToolOutput.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using s::i64;
using s::str::strbuffer::StrBuffer;
using s::thread::makePooled;
using s::thread::Pooled;
using namespace s::video::tool;
using s::base::Outcome;
using Clock = std::chrono::steady_clock;

namespace {

std::string utf8(const StrBuffer& b) {
    return b.toStdString();
}

Pooled<StrBuffer> str(const std::string& text) {
    Pooled<StrBuffer> b = makePooled<StrBuffer>();
    b->setUtf8(text);
    return b;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Records progress hooks and status events in the order they come.
class Recorder : public s::event::INamedEventTarget, public s::event::IProcessHooks {
public:
    struct Entry {
        bool isEvent;
        i64 total;
        i64 current;
        std::string text; // the event's payload
        bool rightTarget; // hooks: the target they were given; events: the right name
    };

    i64 sendEvent(const char16_t* name, i64 a, i64 b, s::base::IObject* object) override {
        auto* payload = dynamic_cast<StrBuffer*>(object);
        std::lock_guard<std::mutex> guard(m_lock);
        m_entries.push_back(
            {true, a, b, payload ? utf8(*payload) : "<none>", name == s::event::kProcessStatusUpdate});
        m_changed.notify_all();
        return 0;
    }
    void processStarted(s::event::INamedEventTarget*) override { ADD_FAILURE() << "processStarted"; }
    void processEnded(s::event::INamedEventTarget*) override { ADD_FAILURE() << "processEnded"; }
    void processProgress(s::event::INamedEventTarget* target, i64 total, i64 current) override {
        std::lock_guard<std::mutex> guard(m_lock);
        m_entries.push_back({false, total, current, {}, target == this});
    }

    std::vector<Entry> entries() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_entries;
    }
    bool waitForEvent(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, limit, [&] { return !m_entries.empty(); });
    }

    // Every report is a hook followed by its event with the same values, on
    // the right target, with the status text; the values rise and respect
    // the 40 % floor. Returns the number of reports.
    size_t checkReports(const std::string& statusText) {
        const std::vector<Entry> list = entries();
        EXPECT_EQ(list.size() % 2, 0u);
        i64 previous = 0;
        for (size_t i = 0; i + 1 < list.size(); i += 2) {
            const Entry& hook = list[i];
            const Entry& event = list[i + 1];
            EXPECT_FALSE(hook.isEvent);
            EXPECT_TRUE(hook.rightTarget);
            EXPECT_TRUE(event.isEvent);
            EXPECT_TRUE(event.rightTarget);
            EXPECT_EQ(event.text, statusText);
            EXPECT_EQ(hook.total, event.total);
            EXPECT_EQ(hook.current, event.current);
            EXPECT_GT(event.total, 0);
            EXPECT_LE(event.total, 10000);
            EXPECT_LE(event.current, event.total);
            EXPECT_GE(event.current * 10, event.total * 4) << "below the 40 % floor";
            EXPECT_GE(event.current, previous) << "progress went back";
            previous = event.current;
        }
        return list.size() / 2;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<Entry> m_entries;
};

// Whether process `pid` is gone (or only a zombie of someone else's).
bool processGone(pid_t pid) {
    const std::string stat = s::test::readFile("/proc/" + std::to_string(pid) + "/stat");
    if (stat.empty())
        return true;
    const size_t paren = stat.rfind(')');
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] == 'Z';
}

bool processGoneSoon(pid_t pid) {
    for (int i = 0; i < 100; ++i) {
        if (processGone(pid))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// No child process of ours is left, not even one waiting to be reaped.
bool noChildLeft() {
    int status;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// A program folder with the tool installed, set for the test's duration.
class ExternalToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_program = s::test::makeTempDir();
        m_work = s::test::makeTempDir();
        ASSERT_FALSE(m_program.empty());
        ASSERT_EQ(::mkdir((m_program + "/optional_tools").c_str(), 0755), 0);
        s::file::win::setProgramFolderOverride(m_program.c_str());
    }
    void TearDown() override { s::file::win::setProgramFolderOverride(nullptr); }

    std::string toolPath() const { return m_program + "/optional_tools/ffmpeg"; }
    void installRealTool() { ASSERT_EQ(::symlink("/usr/bin/ffmpeg", toolPath().c_str()), 0); }
    void installScript(const std::string& body) {
        ASSERT_TRUE(s::test::writeFile(toolPath(), "#!/bin/sh\n" + body));
        ASSERT_EQ(::chmod(toolPath().c_str(), 0755), 0);
    }

    // A 4 s clip of 320x240 H.264 and AAC stereo at 44.1 kHz, 25 fps.
    std::string makeClip() {
        const std::string path = m_work + "/in clip.mp4";
        const s::test::ToolRun run = s::test::runTool({"ffmpeg",    "-hide_banner",
                                                       "-loglevel", "error",
                                                       "-f",        "lavfi",
                                                       "-i",        "testsrc=size=320x240:rate=25",
                                                       "-f",        "lavfi",
                                                       "-i",        "sine=frequency=440:sample_rate=44100",
                                                       "-t",        "4",
                                                       "-c:v",      "libx264",
                                                       "-preset",   "ultrafast",
                                                       "-pix_fmt",  "yuv420p",
                                                       "-c:a",      "aac",
                                                       "-ac",       "2",
                                                       "-y",        path});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        return path;
    }

    Outcome run(const std::string& command, i64 durationMs, const std::atomic<bool>& stop) {
        Pooled<StrBuffer> cmd = str(command);
        Pooled<StrBuffer> status = str("out.mp4");
        Pooled<StrBuffer> work = str(m_work);
        m_report.clear();
        ToolRunContext context{&m_recorder, &m_recorder, &m_report};
        return runExternalTool(*cmd, *status, *work, durationMs, stop, context).outcome();
    }

    std::string m_program;
    std::string m_work;
    Recorder m_recorder;
    StrBuffer m_report;
};

} // namespace

// ---------------------------------------------------------------- output rules

TEST(ToolProgressParse, ScalesClampsAndFloors) {
    ProgressParse p =
        parseProgressChunk("frame=  250 fps= 50 q=28.0 size=  512kB time=00:00:10.00 bitrate= 1.0", 20000);
    EXPECT_EQ(p.kind, ProgressParse::kValue);
    EXPECT_EQ(p.total, 2000);
    EXPECT_EQ(p.current, 1000);

    // The first report of a long scene sits on the 40 % floor.
    p = parseProgressChunk("time=00:00:01.00 bitrate=N/A", 100000);
    EXPECT_EQ(p.total, 10000);
    EXPECT_EQ(p.current, 4000);

    // The old seconds-only form: 12.34 is 12 s 340 ms.
    p = parseProgressChunk("size= 1kB time=12.34 bitrate=", 20000);
    EXPECT_EQ(p.current, 1234);
    // Hours and minutes count; the last "time=" wins; the key's case does not matter.
    p = parseProgressChunk("time=00:00:01.00 TIME=01:02:03.50\tx", 4'000'000);
    EXPECT_EQ(p.total, 4000);
    EXPECT_EQ(p.current, 3723);
    // Past the end is held at the total; nothing parsable is held at the floor.
    p = parseProgressChunk("time=00:05:00.00 ", 20000);
    EXPECT_EQ(p.current, p.total);
    p = parseProgressChunk("time=N/A bitrate=N/A speed=N/A", 20000);
    EXPECT_EQ(p.current, 800);
    p = parseProgressChunk("time=-00:00:00.04 ", 20000);
    EXPECT_EQ(p.current, 800);
    // A short scene is not scaled; a duration of 0 counts as 1.
    p = parseProgressChunk("time=00:00:00.50 ", 900);
    EXPECT_EQ(p.total, 900);
    EXPECT_EQ(p.current, 500);
    p = parseProgressChunk("time=00:00:00.50 ", 0);
    EXPECT_EQ(p.total, 1);
    EXPECT_EQ(p.current, 1);

    EXPECT_EQ(parseProgressChunk("time=00:00:01.00", 20000).kind, ProgressParse::kNoValue);
    EXPECT_EQ(parseProgressChunk("Stream #0:0: Video: h264", 20000).kind, ProgressParse::kNotProgress);
}

TEST(ToolOutputReaderRules, ChunksGoToProgressOrReport) {
    Recorder recorder;
    StrBuffer report;
    report.set(u"head\n");
    Pooled<StrBuffer> status = str("clip.mp4");
    {
        ToolOutputReader reader(20000, status.get(), &recorder, &recorder, &report);
        // A log line and a progress line in one chunk: all of it is progress.
        reader.feed("Input #0, mov\nframe=1 time=00:00");
        reader.feed(":10.00 bitrate=1\r");
        reader.feed("Error while decoding\n\r");
        reader.feed("caf\xc3");
        reader.feed("\xa9 final words\n"); // a character split between two reads
        reader.finish();
    }
    EXPECT_EQ(utf8(report), "head\n[FFmpeg Output]:\nError while decoding\ncaf\xc3\xa9 final words\n");
    ASSERT_EQ(recorder.checkReports("clip.mp4"), 1u);
    EXPECT_EQ(recorder.entries()[1].total, 2000);
    EXPECT_EQ(recorder.entries()[1].current, 1000);
}

TEST(ToolOutputReaderRules, ReportStopsAfterTheChunkThatCrossesTheLimit) {
    StrBuffer report;
    {
        ToolOutputReader reader(1000, nullptr, nullptr, nullptr, &report);
        const std::string line(7000, 'x');
        for (int i = 0; i < 5; ++i)
            reader.feed(line + "\r");
        reader.feed("time=00:00:01.00 \r"); // progress without a target is fine
        reader.finish();
    }
    // Header (17) + 7000 + 7000 = 14017, + 7000 = 21017 > 20000: no more.
    EXPECT_EQ(report.length(), 17u + 3 * 7000u);
}

TEST(ToolCommandLine, SplitsLikeTheWindowsCommandLine) {
    Pooled<StrBuffer> line = makePooled<StrBuffer>();
    line->set(u"optional_tools/ffmpeg  -i \"/a b/c\\d.mp4\"\t-x \"\" a\"b c\"d \"\u65e5\u672c.mp4\" end ");
    const std::vector<std::string> args = splitCommandLine(*line);
    const std::vector<std::string> expected = {
        "optional_tools/ffmpeg",        "-i", "/a b/c\\d.mp4", "-x", "", "ab cd",
        "\xe6\x97\xa5\xe6\x9c\xac.mp4", "end"};
    EXPECT_EQ(args, expected);
}

// ---------------------------------------------------------------- availability

TEST(ProgramFolder, IsTheExecutablesFolderUnlessOverridden) {
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    const std::string self(exe, static_cast<size_t>(n));
    EXPECT_EQ(s::file::win::programFolderOs(), self.substr(0, self.rfind('/')));
    s::file::win::setProgramFolderOverride("/opt/snipforge/");
    EXPECT_EQ(s::file::win::programFolderOs(), "/opt/snipforge");
    EXPECT_EQ(externalToolPath(), "/opt/snipforge/optional_tools/ffmpeg");
    s::file::win::setProgramFolderOverride("relative/folder");
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(s::file::win::programFolderOs(), std::string(cwd) + "/relative/folder");
    s::file::win::setProgramFolderOverride(nullptr);
    EXPECT_EQ(s::file::win::programFolderOs(), self.substr(0, self.rfind('/')));
}

TEST_F(ExternalToolTest, AvailableOnlyAsAnExecutableFile) {
    EXPECT_FALSE(externalToolAvailable());
    ASSERT_TRUE(s::test::writeFile(toolPath(), "#!/bin/sh\n"));
    EXPECT_FALSE(externalToolAvailable()); // not executable
    ASSERT_EQ(::chmod(toolPath().c_str(), 0755), 0);
    EXPECT_TRUE(externalToolAvailable());
    ASSERT_EQ(::unlink(toolPath().c_str()), 0);
    ASSERT_EQ(::mkdir(toolPath().c_str(), 0755), 0);
    EXPECT_FALSE(externalToolAvailable()); // a folder
    ASSERT_EQ(::rmdir(toolPath().c_str()), 0);
    installRealTool();
    EXPECT_TRUE(externalToolAvailable());
    EXPECT_EQ(externalToolPath(), toolPath());
}

// ---------------------------------------------------------------- real cuts

TEST_F(ExternalToolTest, RealLosslessCutSucceedsWithRisingProgress) {
    installRealTool();
    const std::string input = makeClip();
    std::atomic<bool> stop{false};
    // The output is a bare name: it must land in the working folder.
    const Outcome result =
        run("optional_tools/ffmpeg -probesize 100M -analyzeduration 100M -ss 00:00:00.500 -i \"" + input +
                "\" -y -t 00:00:02.000 -map 0:0  -map 0:1  -vcodec copy  -acodec copy "
                " -scodec copy  -async 1  -f mp4 \"out.mp4\"",
            2000, stop);
    EXPECT_EQ(result, Outcome::kOk) << utf8(m_report);
    const s::test::FfprobeReport probe = s::test::runFfprobe(m_work + "/out.mp4");
    ASSERT_TRUE(probe.ok);
    ASSERT_EQ(probe.streams.size(), 2u);
    EXPECT_NEAR(std::stod(probe.format.at("duration")), 2.0, 0.6);
    EXPECT_GE(m_recorder.checkReports("out.mp4"), 1u);
    // The final report, made of the last chunk without a carriage return.
    EXPECT_GE(m_recorder.entries().back().current * 10, m_recorder.entries().back().total * 9);
    EXPECT_TRUE(noChildLeft());
}

TEST_F(ExternalToolTest, RealPreciseCutSucceedsWithRisingProgress) {
    installRealTool();
    const std::string input = makeClip();
    std::atomic<bool> stop{false};
    const Outcome result = run(
        "optional_tools/ffmpeg -probesize 100M -analyzeduration 100M -i \"" + input +
            "\" -ss 00:00:01.000 -y -t 00:00:02.000 -vcodec libx264 -threads 0 -preset medium -g 250 -bf 3"
            " -b:v 300000 -r 25 -s 320x240 -max_muxing_queue_size 9999 -f mp4 -acodec aac -strict "
            "experimental"
            " -ar 44100 -ac 2 -ab 128000 -async 1 \"" +
            m_work + "/precise.mp4\"",
        2000, stop);
    EXPECT_EQ(result, Outcome::kOk) << utf8(m_report);
    const s::test::FfprobeReport probe = s::test::runFfprobe(m_work + "/precise.mp4");
    ASSERT_TRUE(probe.ok);
    ASSERT_EQ(probe.streams.size(), 2u);
    EXPECT_EQ(probe.streams[0].at("codec_name"), "h264");
    EXPECT_EQ(probe.streams[1].at("codec_name"), "aac");
    EXPECT_GE(m_recorder.checkReports("out.mp4"), 1u);
    EXPECT_GE(m_recorder.entries().back().current * 10, m_recorder.entries().back().total * 9);
    EXPECT_TRUE(noChildLeft());
}

TEST_F(ExternalToolTest, FailingToolReturnsOneWithItsDiagnostics) {
    installRealTool();
    std::atomic<bool> stop{false};
    const Outcome result =
        run("optional_tools/ffmpeg -i \"" + m_work + "/missing.mp4\" -y \"out.mp4\"", 1000, stop);
    EXPECT_EQ(result, Outcome::kFailed);
    const std::string report = utf8(m_report);
    EXPECT_EQ(report.rfind("[FFmpeg Output]:\n", 0), 0u) << report;
    EXPECT_NE(report.find("missing.mp4: No such file or directory"), std::string::npos) << report;
    EXPECT_EQ(report.substr(report.size() - 2), "\n\n");
    EXPECT_TRUE(m_recorder.entries().empty());
    EXPECT_TRUE(noChildLeft());
}

TEST_F(ExternalToolTest, StopEndsALongPreciseCutAtOnce) {
    installRealTool();
    std::atomic<bool> stop{false};
    std::atomic<Outcome> result{Outcome::kOk};
    Clock::time_point stoppedAt;
    std::thread worker([&] {
        result = run("optional_tools/ffmpeg -f lavfi -i testsrc=size=320x240:rate=25 -t 60 -vcodec libx264"
                     " -preset veryslow -f mp4 -y \"long.mp4\"",
                     60000, stop);
    });
    // Once the tool reports progress it is well into the encoding.
    const bool reported = m_recorder.waitForEvent(std::chrono::seconds(30));
    stoppedAt = Clock::now();
    stop = true;
    worker.join();
    const double seconds = secondsSince(stoppedAt);
    EXPECT_TRUE(reported);
    EXPECT_EQ(result.load(), Outcome::kStopped);
    EXPECT_LT(seconds, 2.0);
    EXPECT_TRUE(noChildLeft());
}

// ---------------------------------------------------------------- misbehaving tools

TEST_F(ExternalToolTest, SilentToolIsStoppedInBothRunners) {
    // The script's own child must go as well: it holds the pipe open.
    installScript("sleep 30 &\necho $! > \"$1\"\nwait\n");
    for (bool simple : {false, true}) {
        SCOPED_TRACE(simple ? "simple runner" : "cut runner");
        const std::string pidFile = m_work + (simple ? "/simple.pid" : "/cut.pid");
        std::atomic<bool> stop{false};
        std::atomic<Outcome> result{Outcome::kOk};
        std::thread worker([&] {
            const std::string command = "optional_tools/ffmpeg \"" + pidFile + "\"";
            if (simple)
                result = runExternalToolSimple(*str(command), *str(m_work), stop).outcome();
            else
                result = run(command, 1000, stop);
        });
        std::string pid;
        for (int i = 0; i < 500 && pid.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            pid = s::test::readFile(pidFile);
        }
        const Clock::time_point stoppedAt = Clock::now();
        stop = true;
        worker.join();
        const double seconds = secondsSince(stoppedAt);
        ASSERT_FALSE(pid.empty());
        EXPECT_EQ(result.load(), Outcome::kStopped);
        EXPECT_LT(seconds, 2.0);
        EXPECT_TRUE(noChildLeft());
        EXPECT_TRUE(processGoneSoon(static_cast<pid_t>(std::stol(pid))));
    }
}

TEST_F(ExternalToolTest, ChildGetsArgumentsFolderAndOnlyTheStandardDescriptors) {
    // A descriptor this process leaves open to children by mistake.
    const int stray = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 3);
    installScript("out=\"$1\"; shift\n"
                  "printf '%s\\n' \"$@\" > \"$out/args\"\n"
                  "pwd > \"$out/pwd\"\n"
                  "readlink /proc/$$/fd/0 > \"$out/stdin\"\n"
                  "[ -e /proc/$$/fd/" +
                  std::to_string(stray) +
                  " ] && echo leaked > \"$out/stray\"\n"
                  "grep SigIgn /proc/$$/status > \"$out/sigign\"\n"
                  "echo to-stdout\n"
                  "echo to-stderr >&2\n"
                  "exit 3\n");
    const std::string record = s::test::makeTempDir();
    std::atomic<bool> stop{false};
    EXPECT_EQ(run("optional_tools/ffmpeg " + record + " -i \"a b.mp4\" \"\" x", 1000, stop),
              Outcome::kFailed);
    ::close(stray);

    EXPECT_EQ(s::test::readFile(record + "/args"), "-i\na b.mp4\n\nx\n");
    EXPECT_EQ(s::test::readFile(record + "/pwd"), m_work + "\n");
    EXPECT_EQ(s::test::readFile(record + "/stdin"), "/dev/null\n");
    EXPECT_EQ(s::test::readFile(record + "/stray"), "");
    // Broken pipes kill the tool as usual (bit 13 - 1 of the ignored set is clear).
    const std::string sigign = s::test::readFile(record + "/sigign");
    ASSERT_GT(sigign.size(), 8u);
    EXPECT_EQ(std::stoull(sigign.substr(sigign.find(':') + 1), nullptr, 16) & (1ull << (SIGPIPE - 1)), 0u);
    // This process itself ignores broken pipes once a runner ran.
    struct sigaction action;
    ASSERT_EQ(::sigaction(SIGPIPE, nullptr, &action), 0);
    EXPECT_EQ(action.sa_handler, SIG_IGN);
    // Both output streams arrive in the one pipe; the last line has no
    // carriage return after it and is kept all the same.
    EXPECT_EQ(utf8(m_report), "[FFmpeg Output]:\nto-stdout\nto-stderr\n\n\n");
}

TEST_F(ExternalToolTest, SimpleRunnerDiscardsOutputAndReportsStatus) {
    // Read before any redirection of the shell's own descriptors.
    installScript("o=$(readlink /proc/$$/fd/1); e=$(readlink /proc/$$/fd/2)\n"
                  "echo \"$o\" > \"$1/stdout\"; echo \"$e\" > \"$1/stderr\"\n"
                  "pwd > \"$1/pwd\"\nexit \"$2\"\n");
    const std::string record = s::test::makeTempDir();
    std::atomic<bool> stop{false};
    EXPECT_EQ(
        runExternalToolSimple(*str("optional_tools/ffmpeg " + record + " 0"), *str(m_work), stop).outcome(),
        Outcome::kOk);
    EXPECT_EQ(s::test::readFile(record + "/stdout"), "/dev/null\n");
    EXPECT_EQ(s::test::readFile(record + "/stderr"), "/dev/null\n");
    EXPECT_EQ(s::test::readFile(record + "/pwd"), m_work + "\n");
    EXPECT_EQ(
        runExternalToolSimple(*str("optional_tools/ffmpeg " + record + " 1"), *str(m_work), stop).outcome(),
        Outcome::kFailed);
    stop = true; // a run that fails after a stop request counts as stopped
    EXPECT_EQ(
        runExternalToolSimple(*str("optional_tools/ffmpeg " + record + " 1"), *str(m_work), stop).outcome(),
        Outcome::kStopped);
    EXPECT_TRUE(noChildLeft());
}

TEST_F(ExternalToolTest, ToolThatCannotStartFails) {
    std::atomic<bool> stop{false};
    EXPECT_EQ(run("optional_tools/ffmpeg -version", 1000, stop), Outcome::kFailed);
    const std::string report = utf8(m_report);
    EXPECT_EQ(report.rfind("[FFmpeg Output]:\nCould not start \"" + toolPath() + "\"", 0), 0u) << report;
    EXPECT_EQ(report.substr(report.size() - 2), "\n\n");
    // A working folder that does not exist fails the start as well.
    installRealTool();
    Pooled<StrBuffer> missing = str(m_work + "/no such folder");
    EXPECT_EQ(runExternalToolSimple(*str("optional_tools/ffmpeg -version"), *missing, stop).outcome(),
              Outcome::kFailed);
    EXPECT_EQ(runExternalToolSimple(*str("optional_tools/ffmpeg -version"), *str(m_work), stop).outcome(),
              Outcome::kOk);
    stop = true;
    EXPECT_EQ(runExternalToolSimple(*str("optional_tools/ffmpeg -version"), *missing, stop).outcome(),
              Outcome::kStopped);
}
