// Mutated media through the whole engine: tiny clips of every container,
// damaged by a seeded generator (bytes flipped, runs overwritten, cut off,
// pieces repeated or taken out), then probed, grabbed from and cut in both
// modes inside this process, as the program does. Every run must end by
// itself (a watchdog stops runs that do not, and the case fails), and a
// failed cut must leave no output behind.
//
// SNIPFORGE_FUZZ_CASES sets the number of cases over all shards (default
// below); SNIPFORGE_FUZZ_SEED moves every shard to other cases. Each case is
// made from its own seed alone. A failing case prints its seed, and its
// mutated file is kept in the build tree's fixture folder as
// fuzz-failed-seed<seed>.<ext>; a case that ends the process (a crash, a
// sanitizer's report) leaves fuzz-running-seed<seed>.<ext> there.

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/file/win/ShortPath.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"
#include "media/converter/InProcessTool.h"
#include "media/system/win/MediaLibraries.h"
#include "media/video/Probe.h"
#include "media/video/StreamInfo.h"
#include "preview/VideoToImageThreadInternal.h"
#include "support/Catalogue.h"
#include "support/MediaFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using s::i64;
using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;

constexpr int kShards = 8;
constexpr int kDefaultCases = 4000;
/// A run of these tiny files takes well under a second; one that has not
/// ended after this long hangs (generous for the sanitizer builds and a busy
/// machine).
constexpr auto kRunLimit = std::chrono::seconds(30);

struct Seed {
    const char* name;
    std::vector<std::string> args;
};

const std::vector<std::string> kTiny = {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=25:duration=0.4",
                                        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=22050:duration=0.4"};

std::vector<std::string> tiny(std::initializer_list<std::string> codecs) {
    std::vector<std::string> args = kTiny;
    args.insert(args.end(), codecs);
    return args;
}

const std::vector<Seed>& seeds() {
    static const std::vector<Seed> list = {
        {"fuzz-seed.mp4", tiny({"-c:v", "libx264", "-preset", "ultrafast", "-bf", "2", "-g", "5", "-c:a", "aac"})},
        {"fuzz-seed.mkv", tiny({"-c:v", "libx264", "-preset", "ultrafast", "-g", "5", "-c:a", "libvorbis"})},
        {"fuzz-seed.ts", tiny({"-c:v", "libx264", "-preset", "ultrafast", "-g", "5", "-c:a", "aac"})},
        {"fuzz-seed.avi", tiny({"-c:v", "mpeg4", "-g", "5", "-c:a", "libmp3lame"})},
        {"fuzz-seed.mpg", tiny({"-c:v", "mpeg2video", "-g", "5", "-c:a", "mp2", "-f", "mpeg"})},
        {"fuzz-seed.webm", tiny({"-c:v", "libvpx", "-deadline", "realtime", "-g", "5", "-c:a", "libopus"})},
        {"fuzz-seed.mov", tiny({"-c:v", "libx264", "-preset", "ultrafast", "-g", "5", "-c:a", "aac"})},
    };
    return list;
}

/// Damages `bytes` with one to three mutations drawn from `rng`.
void mutate(std::string& bytes, std::mt19937_64& rng) {
    auto below = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(rng() % n); };
    const int count = 1 + static_cast<int>(rng() % 3);
    for (int m = 0; m < count && !bytes.empty(); ++m) {
        switch (rng() % 5) {
        case 0: // flip bits here and there
            for (int i = 0, n = 1 + static_cast<int>(rng() % 16); i < n; ++i)
                bytes[below(bytes.size())] ^= static_cast<char>(1u << (rng() % 8));
            break;
        case 1: { // overwrite a run
            const size_t at = below(bytes.size());
            const size_t length = std::min(bytes.size() - at, 1 + below(512));
            const char fill = static_cast<char>(rng() % 3 == 0 ? 0 : rng());
            for (size_t i = 0; i < length; ++i)
                bytes[at + i] = rng() % 2 ? fill : static_cast<char>(rng());
            break;
        }
        case 2: // cut off
            bytes.resize(below(bytes.size()));
            break;
        case 3: { // repeat a piece
            const size_t at = below(bytes.size());
            const size_t length = std::min(bytes.size() - at, 1 + below(4096));
            const std::string piece = bytes.substr(at, length);
            bytes.insert(below(bytes.size() + 1), piece);
            break;
        }
        default: { // take a piece out
            const size_t at = below(bytes.size());
            bytes.erase(at, std::min(bytes.size() - at, 1 + below(4096)));
            break;
        }
        }
    }
}

/// Sets `stop` when the run it guards has not ended within the limit.
class Watchdog {
public:
    explicit Watchdog(std::atomic<bool>& stop)
        : m_thread([this, &stop] {
              std::unique_lock<std::mutex> guard(m_lock);
              if (!m_changed.wait_for(guard, kRunLimit, [this] { return m_done; })) {
                  m_fired = true;
                  stop.store(true);
              }
          }) {}
    ~Watchdog() { finish(); }
    /// The run ended; true when the watchdog had to stop it.
    bool finish() {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_done = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
        return m_fired;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};

int casesPerShard() {
    int total = kDefaultCases;
    if (const char* text = std::getenv("SNIPFORGE_FUZZ_CASES"); text && std::atoi(text) > 0)
        total = std::atoi(text);
    return (total + kShards - 1) / kShards;
}

unsigned long long baseSeed() {
    const char* text = std::getenv("SNIPFORGE_FUZZ_SEED");
    return text ? std::strtoull(text, nullptr, 10) : 0x5eedull;
}

/// The entries of `dir` other than `keep`.
std::vector<std::string> leftovers(const std::string& dir, const std::string& keep) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename() != keep)
            found.push_back(entry.path().filename().string());
    return found;
}

/// Regular files (not aliases) in the process's runtime folder.
std::vector<std::string> runtimeFiles() {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(s::file::win::runtimeFolder(), error))
        if (!entry.is_symlink())
            found.push_back(entry.path().filename().string());
    return found;
}

/// Runs `command` in `dir` under a watchdog; false when it had to be
/// stopped.
bool runGuarded(const StrBuffer& command, const StrBuffer& dir, i64 durationMs, bool* converted) {
    if (std::getenv("SNIPFORGE_FUZZ_VERBOSE")) // the commands, for a look at a failing case
        std::fprintf(stderr, "fuzz: %s\n", command.toStdString().c_str());
    std::atomic<bool> stop{false};
    Watchdog watchdog(stop);
    *converted =
        s::video::tool::runToolInProcess(command, dir, durationMs, nullptr, nullptr, nullptr, stop).isOk();
    return !watchdog.finish();
}

struct Tally {
    int cases = 0;
    int opened = 0;
    int grabbed = 0;
    int cut = 0;
};

/// Mutated cases in a folder of their own, one after the other.
class CaseRunner {
public:
    CaseRunner() {
        for (const Seed& seed : seeds()) {
            m_seedBytes.push_back(s::test::readFile(s::test::catalogueClip(seed.name, seed.args)));
            EXPECT_GT(m_seedBytes.back().size(), 100u) << seed.name;
        }
        m_dir = s::test::makeTempDir();
        m_dirText.setUtf8(m_dir);
        EXPECT_TRUE(s::file::win::shortPathInto(m_dirText.c_str(), &m_dirShort));
    }

    /// The case of `caseSeed`: false when it failed (and was kept).
    bool run(unsigned long long caseSeed, Tally& tally);

private:
    void drive(std::mt19937_64& rng, const std::string& input, const std::string& extension, Tally& tally);

    std::vector<std::string> m_seedBytes;
    std::string m_dir;
    StrBuffer m_dirText;
    StrBuffer m_dirShort;
};

bool CaseRunner::run(unsigned long long caseSeed, Tally& tally) {
    std::mt19937_64 rng(caseSeed);
    const size_t which = static_cast<size_t>(rng() % seeds().size());
    const std::string name = seeds()[which].name;
    const std::string extension = name.substr(name.rfind('.'));
    std::string bytes = m_seedBytes[which];
    mutate(bytes, rng);
    const std::string input = m_dir + "/in" + extension;
    EXPECT_TRUE(s::test::writeFile(input, bytes));
    // A case that ends the process (a crash, a sanitizer's report) leaves
    // this behind, so that it can be looked at.
    const std::string running =
        std::string(SNIPFORGE_MEDIA_FIXTURE_DIR) + "/fuzz-running-seed" + std::to_string(caseSeed) + extension;
    EXPECT_TRUE(s::test::writeFile(running, bytes));
    SCOPED_TRACE("case seed " + std::to_string(caseSeed) + " (" + name + ")");

    ++tally.cases;
    drive(rng, input, extension, tally);
    EXPECT_EQ(leftovers(m_dir, "in" + extension), std::vector<std::string>()) << "files left behind";
    EXPECT_EQ(runtimeFiles(), std::vector<std::string>()) << "files left in the runtime folder";
    std::error_code ignored;
    fs::remove(running, ignored);
    if (testing::Test::HasFailure()) {
        const std::string kept = std::string(SNIPFORGE_MEDIA_FIXTURE_DIR) + "/fuzz-failed-seed" +
                                 std::to_string(caseSeed) + extension;
        (void)s::test::writeFile(kept, bytes);
        ADD_FAILURE() << "kept as " << kept;
        return false;
    }
    fs::remove(input, ignored);
    return true;
}

void CaseRunner::drive(std::mt19937_64& rng, const std::string& input, const std::string& extension,
                       Tally& tally) {
    StrBuffer path;
    path.setUtf8(input);
    Pooled<s::video::VideoInfo> info;
    {
        // The probe cannot be stopped; the watchdog only tells when it took
        // too long.
        std::atomic<bool> late{false};
        Watchdog watchdog(late);
        info.reset(s::video::probe(path));
        EXPECT_FALSE(watchdog.finish()) << "the probe took too long";
    }
    EXPECT_TRUE(info->exists());
    if (!info->opened() || !info->firstStreamOfType(s::video::kStreamVideo))
        return;
    ++tally.opened;
    StrBuffer inputShort;
    ASSERT_TRUE(s::file::win::shortPathInto(path.c_str(), &inputShort));
    const i64 durationUs = info->durationUs() > 0 ? std::min<i64>(info->durationUs(), 5'000'000) : 400'000;
    const i64 at = static_cast<i64>(rng() % static_cast<unsigned long long>(durationUs + 1));

    // The frame grab.
    StrBuffer command;
    s::video::gui::dialogs::snipforge::VideoToImageThreadInternal::buildFrameCommand(
        command, at, inputShort, m_dirShort.toStdString() + "/f.bmp", false);
    bool converted = false;
    EXPECT_TRUE(runGuarded(command, m_dirText, 1, &converted)) << "hung: " << command.toStdString();
    tally.grabbed += converted;
    if (converted) {
        EXPECT_TRUE(s::test::readFile(m_dir + "/f.bmp").starts_with("BM"))
            << "a grab reported as done wrote no picture: " << command.toStdString();
    }
    std::error_code ignored;
    fs::remove(m_dir + "/f.bmp", ignored);

    // Both cut modes.
    Pooled<s::file::win::PathWin> inputPath = s::thread::adopt(s::file::win::newPath(path.c_str()));
    for (s::i32 mode : {s::video::cut::kLossless, s::video::cut::kPrecise}) {
        const std::string outName = mode == s::video::cut::kPrecise ? "o.mp4" : "o" + extension;
        StrBuffer outArg;
        outArg.setUtf8(m_dirShort.toStdString() + "/" + outName);
        s::video::cut::CutCommandInput plan;
        plan.startUs = static_cast<i64>(rng() % static_cast<unsigned long long>(durationUs / 2 + 1));
        plan.endUs = plan.startUs + 1 + static_cast<i64>(rng() % static_cast<unsigned long long>(durationUs));
        plan.mode = mode;
        plan.info = info.get();
        plan.inputPath = inputPath.get();
        plan.inputShortPath = inputShort.c_str();
        plan.outputShortPath = outArg.c_str();
        s::video::cut::buildCutCommand(command, plan);
        EXPECT_TRUE(runGuarded(command, m_dirText, (plan.endUs - plan.startUs) / 1000, &converted))
            << "hung: " << command.toStdString();
        const std::string out = m_dir + "/" + outName;
        tally.cut += converted;
        if (!converted) {
            EXPECT_FALSE(fs::exists(out)) << "a failed cut left its output: " << command.toStdString();
        } else {
            std::error_code missing;
            EXPECT_GT(fs::file_size(out, missing), 0u)
                << "a cut reported as done saved nothing: " << command.toStdString();
            StrBuffer outPath, why;
            outPath.setUtf8(out);
            Pooled<s::video::VideoInfo> saved(s::video::probe(outPath, &why));
            EXPECT_TRUE(saved->opened()) << "a cut reported as done cannot be read back (" << why.toStdString()
                                         << "): " << command.toStdString();
        }
        fs::remove(out, ignored);
    }
}

class Fuzz : public testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { (void)s::system::win::loadMediaLibraries(); }
};

TEST_P(Fuzz, MutatedMediaNeverCrashesHangsOrLeavesFiles) {
    const int shard = GetParam();
    CaseRunner runner;
    ASSERT_FALSE(testing::Test::HasFailure());
    Tally tally;
    const int cases = casesPerShard();
    for (int n = 0; n < cases; ++n) {
        const unsigned long long caseSeed = baseSeed() * 1000003ull +
                                            static_cast<unsigned long long>(shard) * 100000ull +
                                            static_cast<unsigned long long>(n);
        // Stop at the first failing case: later ones would only repeat it.
        if (!runner.run(caseSeed, tally))
            return;
    }
    std::printf("%d cases: %d opened with video, %d grabs and %d cuts succeeded\n", tally.cases, tally.opened,
                tally.grabbed, tally.cut);
}

INSTANTIATE_TEST_SUITE_P(Shards, Fuzz, testing::Range(0, kShards));

// Cases the fuzz test found, run again by their seeds.
TEST_F(Fuzz, FoundCasesStaySolved) {
    CaseRunner runner;
    ASSERT_FALSE(testing::Test::HasFailure());
    Tally tally;
    // A Matroska file whose damaged Vorbis audio decodes to samples of 10^9:
    // the precise cut's AAC encoder ran for hours and ignored the stop.
    EXPECT_TRUE(runner.run(7200050, tally));
    EXPECT_EQ(tally.opened, 1);
}

TEST_F(Fuzz, FoundCrashesStaySolved) {
    CaseRunner runner;
    ASSERT_FALSE(testing::Test::HasFailure());
    Tally tally;
    // A Matroska file whose damage leaves a video bit rate of 701 bits/s:
    // the H.264 encoder refuses the rate, and the precise cut crashed while
    // reporting that.
    EXPECT_TRUE(runner.run(7400524, tally));
    EXPECT_EQ(tally.opened, 1);
}

} // namespace
