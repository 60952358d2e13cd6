// Mutated media through the whole engine: tiny clips of every container,
// damaged by a seeded generator (bytes flipped, runs overwritten, cut off,
// pieces repeated or taken out), then probed, grabbed from and cut in both
// modes inside this process, as the program does. Every run must end by
// itself (a watchdog stops runs that do not, and the case fails), and a
// failed cut must leave no output behind.
//
// SNIPFORGE_FUZZ_CASES sets the number of cases over all shards (default
// below); SNIPFORGE_FUZZ_SEED moves every shard to other cases. A failing
// case prints its shard, number and seed; the mutated file is kept in the
// build tree's fixture folder as fuzz-failed-<seed>.<ext>.

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

class Fuzz : public testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { (void)s::system::win::loadMediaLibraries(); }

    /// Runs `command` in `dir` under a watchdog; false when it had to be
    /// stopped.
    static bool run(const StrBuffer& command, const StrBuffer& dir, i64 durationMs, int* result) {
        std::atomic<bool> stop{false};
        Watchdog watchdog(stop);
        *result = s::video::tool::runToolInProcess(command, dir, durationMs, nullptr, nullptr, nullptr, stop);
        return !watchdog.finish();
    }
};

TEST_P(Fuzz, MutatedMediaNeverCrashesHangsOrLeavesFiles) {
    const int shard = GetParam();
    std::vector<std::string> seedBytes;
    for (const Seed& seed : seeds()) {
        seedBytes.push_back(s::test::readFile(s::test::catalogueClip(seed.name, seed.args)));
        ASSERT_GT(seedBytes.back().size(), 100u) << seed.name;
    }
    const std::string dir = s::test::makeTempDir();
    ASSERT_FALSE(dir.empty());
    StrBuffer dirText, dirShort;
    dirText.setUtf8(dir);
    ASSERT_TRUE(s::file::win::shortPathInto(dirText.c_str(), &dirShort));
    const int cases = casesPerShard();
    int opened = 0, grabbed = 0, cut = 0;

    for (int n = 0; n < cases; ++n) {
        const unsigned long long caseSeed = baseSeed() * 1000003ull + static_cast<unsigned long long>(shard) * 100000ull +
                                            static_cast<unsigned long long>(n);
        std::mt19937_64 rng(caseSeed);
        const size_t which = static_cast<size_t>(rng() % seeds().size());
        const std::string name = seeds()[which].name;
        const std::string extension = name.substr(name.rfind('.'));
        std::string bytes = seedBytes[which];
        mutate(bytes, rng);
        const std::string input = dir + "/in" + extension;
        ASSERT_TRUE(s::test::writeFile(input, bytes));
        const std::string inputName = "in" + extension;
        SCOPED_TRACE("shard " + std::to_string(shard) + " case " + std::to_string(n) + " seed " +
                     std::to_string(caseSeed) + " (" + name + ")");
        bool failed = false;

        StrBuffer path;
        path.setUtf8(input);
        Pooled<s::video::VideoInfo> info;
        {
            // The probe cannot be stopped; the watchdog only tells when it
            // took too long.
            std::atomic<bool> late{false};
            Watchdog watchdog(late);
            info.reset(s::video::probe(path));
            EXPECT_FALSE(watchdog.finish()) << "the probe took too long";
        }
        EXPECT_TRUE(info->exists());
        const s::video::StreamInfo* video = info->firstStreamOfType(s::video::kStreamVideo);
        if (info->opened() && video) {
            StrBuffer inputShort;
            ASSERT_TRUE(s::file::win::shortPathInto(path.c_str(), &inputShort));
            const i64 durationUs = info->durationUs() > 0 ? std::min<i64>(info->durationUs(), 5'000'000) : 400'000;
            const i64 at = static_cast<i64>(rng() % static_cast<unsigned long long>(durationUs + 1));

            // The frame grab.
            StrBuffer command;
            s::video::gui::dialogs::snipforge::VideoToImageThreadInternal::buildFrameCommand(
                command, at, inputShort, dirShort.toStdString() + "/f.bmp", false);
            int result = 1;
            ++opened;
            EXPECT_TRUE(run(command, dirText, 1, &result)) << "hung: " << command.toStdString();
            grabbed += result == 0;
            std::error_code ignored;
            fs::remove(dir + "/f.bmp", ignored);

            // Both cut modes.
            Pooled<s::file::win::PathWin> inputPath = s::thread::adopt(s::file::win::newPath(path.c_str()));
            for (s::i32 mode : {s::video::cut::kLossless, s::video::cut::kPrecise}) {
                const std::string outName = mode == s::video::cut::kPrecise ? "o.mp4" : "o" + extension;
                const std::string outShort = dirShort.toStdString() + "/" + outName;
                StrBuffer outArg;
                outArg.setUtf8(outShort);
                s::video::cut::CutCommandInput plan;
                plan.startUs = static_cast<i64>(rng() % static_cast<unsigned long long>(durationUs / 2 + 1));
                plan.endUs = plan.startUs + 1 + static_cast<i64>(rng() % static_cast<unsigned long long>(durationUs));
                plan.mode = mode;
                plan.info = info.get();
                plan.inputPath = inputPath.get();
                plan.inputShortPath = inputShort.c_str();
                plan.outputShortPath = outArg.c_str();
                s::video::cut::buildCutCommand(command, plan);
                EXPECT_TRUE(run(command, dirText, (plan.endUs - plan.startUs) / 1000, &result))
                    << "hung: " << command.toStdString();
                const std::string out = dir + "/" + outName;
                cut += result == 0;
                if (result != 0) {
                    EXPECT_FALSE(fs::exists(out)) << "a failed cut left its output: " << command.toStdString();
                }
                fs::remove(out, ignored);
            }
        }
        EXPECT_EQ(leftovers(dir, inputName), std::vector<std::string>()) << "files left behind";
        EXPECT_EQ(runtimeFiles(), std::vector<std::string>()) << "files left in the runtime folder";
        failed = testing::Test::HasFailure();
        if (failed) {
            // Keep the case for a look and stop: later cases would only repeat the report.
            const std::string kept = std::string(SNIPFORGE_MEDIA_FIXTURE_DIR) + "/fuzz-failed-" +
                                     std::to_string(caseSeed) + extension;
            (void)s::test::writeFile(kept, bytes);
            ADD_FAILURE() << "kept as " << kept;
            return;
        }
        fs::remove(input);
    }
    std::printf("%d cases: %d opened with video, %d grabs and %d cuts succeeded\n", cases, opened, grabbed, cut);
}

INSTANTIATE_TEST_SUITE_P(Shards, Fuzz, testing::Range(0, kShards));

} // namespace
