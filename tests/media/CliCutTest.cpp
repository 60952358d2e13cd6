// snipforge-cli cut, run as a separate program: what a stop signal, a
// file-size limit and a full disk leave behind, and what they report.

#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifndef SNIPFORGE_CLI_PATH
#error "SNIPFORGE_CLI_PATH must name the built snipforge-cli"
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A clip whose precise cut takes seconds: long enough that the cut is still
// running when the test has seen it write.
const std::string& longClip() {
    static const std::string path = [] {
        const std::string dir = s::test::makeTempDir();
        const std::string clip = dir + "/long.mp4";
        const s::test::ToolRun run = s::test::runTool(
            {"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f",
             "lavfi", "-i", "sine", "-t", "60", "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac", clip});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        return run.exitStatus == 0 ? clip : std::string();
    }();
    return path;
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

long long fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

struct Fingerprint {
    std::string bytes;
    timespec mtime{};
    bool operator==(const Fingerprint& other) const {
        return bytes == other.bytes && mtime.tv_sec == other.mtime.tv_sec && mtime.tv_nsec == other.mtime.tv_nsec;
    }
};

Fingerprint fingerprint(const std::string& path) {
    Fingerprint f;
    f.bytes = s::test::readFile(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0)
        f.mtime = st.st_mtim;
    return f;
}

// One `snipforge-cli cut` in a private environment: its own home and
// runtime folder, output into `out`.
class CutRun {
public:
    CutRun(const std::string& input, const std::string& out, const std::string& end, rlim_t fileSizeLimit = 0) {
        m_base = s::test::makeTempDir();
        m_runtime = m_base + "/run";
        fs::create_directories(m_runtime);
        fs::create_directories(m_base + "/home");
        m_outPath = m_base + "/stdout";
        m_errPath = m_base + "/stderr";
        const std::vector<std::string> argv = {SNIPFORGE_CLI_PATH, "cut", input, "--start", "0", "--end", end,
                                               "--precise", "--out", out};
        m_pid = ::fork();
        if (m_pid != 0)
            return;
        ::setenv("HOME", (m_base + "/home").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_base + "/home").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        const int in = ::open("/dev/null", O_RDONLY);
        const int so = ::open(m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int se = ::open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || so < 0 || se < 0 || ::dup2(in, 0) < 0 || ::dup2(so, 1) < 0 || ::dup2(se, 2) < 0)
            ::_exit(126);
        if (fileSizeLimit > 0) {
            // The default action of the signal kills; the program must not
            // rely on its parent having ignored it.
            ::signal(SIGXFSZ, SIG_DFL);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(126);
        }
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ~CutRun() {
        if (m_pid > 0 && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    CutRun(const CutRun&) = delete;
    CutRun& operator=(const CutRun&) = delete;

    pid_t pid() const { return m_pid; }
    const std::string& runtime() const { return m_runtime; }
    std::string out() const { return s::test::readFile(m_outPath); }
    std::string err() const { return s::test::readFile(m_errPath); }
    bool running() {
        if (m_reaped)
            return false;
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_reaped = true;
            m_status = status;
        }
        return !m_reaped;
    }
    /// The raw wait status.
    int wait() {
        if (!m_reaped) {
            while (::waitpid(m_pid, &m_status, 0) < 0 && errno == EINTR) {
            }
            m_reaped = true;
        }
        return m_status;
    }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
    int m_status = 0;
    std::string m_base;
    std::string m_runtime;
    std::string m_outPath;
    std::string m_errPath;
};

// The position of `needle` in `text` after `after`; npos when either is
// missing.
size_t findAfter(const std::string& text, const std::string& after, const std::string& needle) {
    const size_t from = text.find(after);
    return from == std::string::npos ? std::string::npos : text.find(needle, from + after.size());
}

TEST(CliCut, StopSignalsCancelTheCutAndLeaveNothingBehind) {
    const std::string clip = longClip();
    ASSERT_FALSE(clip.empty());
    const Fingerprint before = fingerprint(clip);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(::strsignal(signal));
        const std::string out = s::test::makeTempDir();
        CutRun run(clip, out, "58", 0);
        // Wait until the converter is writing the scene: the output has
        // grown past the empty file that reserves its name.
        bool writing = false;
        while (!writing && run.running()) {
            for (const std::string& name : entries(out))
                writing = writing || (name.find(".CUT.") != std::string::npos && fileSize(out + "/" + name) > 0);
            if (!writing)
                std::this_thread::sleep_for(20ms);
        }
        ASSERT_TRUE(writing) << "the cut ended before it was seen writing:\n" << run.out() << run.err();
        ASSERT_TRUE(fs::exists(run.runtime() + "/snipforge-" + std::to_string(run.pid())));
        ASSERT_EQ(::kill(run.pid(), signal), 0);

        const int status = run.wait();
        ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal instead of exiting";
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << run.err();
        EXPECT_EQ(entries(out), std::vector<std::string>{}) << "partial output, temporary file or report left";
        EXPECT_EQ(entries(run.runtime()), std::vector<std::string>{}) << "runtime folder left";
        EXPECT_NE(run.err().find("stopped by signal"), std::string::npos) << run.err();
        EXPECT_TRUE(fingerprint(clip) == before) << "the input changed";
    }
}

TEST(CliCut, FileSizeLimitIsACleanFailureWithAReport) {
    const std::string clip = longClip();
    ASSERT_FALSE(clip.empty());
    const std::string out = s::test::makeTempDir();
    // Above the report's size, below the scene's.
    CutRun run(clip, out, "30", 48 * 1024);
    const int status = run.wait();
    ASSERT_TRUE(WIFEXITED(status)) << "killed (SIGXFSZ?) instead of failing";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(entries(out), std::vector<std::string>{"_error.txt"});
    const std::string report = s::test::readFile(out + "/_error.txt");
    EXPECT_NE(findAfter(report, "[FFmpeg Command]:", "File too large"), std::string::npos) << report;
    // The message and the failure line name the system's error.
    EXPECT_NE(findAfter(run.out(), "Error:", "File too large"), std::string::npos) << run.out();
    EXPECT_EQ(run.out().find("Unknown error"), std::string::npos) << run.out();
    EXPECT_NE(run.err().find("snipforge-cli: cut: "), std::string::npos) << run.err();
    EXPECT_NE(run.err().find("File too large"), std::string::npos) << run.err();
    EXPECT_EQ(entries(run.runtime()), std::vector<std::string>{});
}

TEST(CliCut, FullDiskNamesTheSystemErrorAndLeavesOnlyTheReport) {
    const std::string clip = longClip();
    ASSERT_FALSE(clip.empty());
    const std::string out = s::test::makeTempDir() + "/small";
    fs::create_directories(out);
    if (::mount("snipforge-test", out.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); FileSizeLimitIsACleanFailureWithAReport covers failed writes without privileges";
    }
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{out};

    CutRun run(clip, out, "30");
    const int status = run.wait();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(entries(out), std::vector<std::string>{"_error.txt"});
    const std::string report = s::test::readFile(out + "/_error.txt");
    EXPECT_NE(findAfter(report, "[FFmpeg Command]:", "No space left on device"), std::string::npos) << report;
    EXPECT_NE(findAfter(run.out(), "Error:", "No space left on device"), std::string::npos) << run.out();
    EXPECT_NE(run.err().find("No space left on device"), std::string::npos) << run.err();
}

} // namespace
