// snipforge-cli frame --out IMAGE: the extension picks the format, each file
// decodes (with the ffmpeg tool) to the frame at the position, and a name
// that selects no format is refused before anything is written.

#include "support/Catalogue.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using s::test::CliRun;

std::string clip() {
    return s::test::catalogueClip("frames.mp4",
                                  {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=4", "-c:v",
                                   "libx264", "-preset", "veryfast", "-g", "25", "-pix_fmt", "yuv420p"});
}

/// The picture of a file as the ffmpeg tool decodes it (one stream of it), as
/// packed BGR or BGRA.
std::string decoded(const std::string& path, const std::string& pixels, int stream = 0) {
    const s::test::ToolRun run = s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-map",
                                                   "0:" + std::to_string(stream), "-frames:v", "1", "-f",
                                                   "rawvideo", "-pix_fmt", pixels, "-"});
    EXPECT_EQ(run.exitStatus, 0) << path << ": " << run.err;
    return run.out;
}

/// Mean absolute difference per byte.
double difference(const std::string& a, const std::string& b) {
    if (a.size() != b.size() || a.empty())
        return 1e9;
    unsigned long long sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += static_cast<unsigned>(
            std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i])));
    return static_cast<double>(sum) / static_cast<double>(a.size());
}

class CliFrameFormats : public s::test::CatalogueFixture {
protected:
    void SetUp() override {
        CatalogueFixture::SetUp();
        m_input = clip();
        ASSERT_FALSE(m_input.empty());
        watch(m_input);
        m_video = s::test::decodeVideo(m_input);
        ASSERT_GT(m_video.frameCount(), 60u);
    }

    /// The decoded frame at `index`, packed BGR.
    std::string frame(size_t index) const {
        const size_t bytes = static_cast<size_t>(m_video.width) * m_video.height * 3;
        return m_video.bgr.substr(index * bytes, bytes);
    }

    std::string m_input;
    s::test::DecodedVideo m_video;
};

TEST_F(CliFrameFormats, EachExtensionWritesItsFormatHoldingTheFrameAtThePosition) {
    // 1.52 s is frame 38; the frames around it differ, so a neighbour or a
    // picture of another moment is caught by the nearest-frame search.
    const size_t expected = 38;
    struct Case {
        const char* name;
        const char* codec; // as ffprobe names it
        double limit;      // mean difference per byte from the decoded frame
    };
    const Case cases[] = {
        {"shot.bmp", "bmp", 0.5},    {"shot.PNG", "png", 0.5}, {"shot.jpg", "mjpeg", 4.0},
        {"shot.JPEG", "mjpeg", 4.0}, {"shot.gif", "gif", 8.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string picture = m_outDir + "/" + c.name;
        const CliRun run = cli({"frame", m_input, "--at", "1.52", "--out", picture});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        const s::test::FfprobeReport report = s::test::runFfprobe(picture);
        ASSERT_TRUE(report.ok && report.streams.size() == 1);
        EXPECT_EQ(s::test::fieldText(report.streams[0], "codec_name"), c.codec);
        s::test::Bitmap bitmap;
        bitmap.width = m_video.width;
        bitmap.height = m_video.height;
        bitmap.bgr = decoded(picture, "bgr24");
        const s::test::FrameMatch match = s::test::nearestFrame(m_video, bitmap);
        EXPECT_EQ(match.index, static_cast<long>(expected));
        EXPECT_LT(difference(bitmap.bgr, frame(expected)), c.limit);
    }
}

TEST_F(CliFrameFormats, AnIconHoldsEveryDefaultSizeAndDepthOfTheFrame) {
    const std::string bmp = m_outDir + "/shot.bmp";
    ASSERT_EQ(cli({"frame", m_input, "--at", "1.52", "--out", bmp}).exitStatus, 0);
    for (const char* name : {"shot.ico", "shot.Icon"}) {
        SCOPED_TRACE(name);
        const std::string icon = m_outDir + "/" + name;
        const CliRun run = cli({"frame", m_input, "--at", "1.52", "--out", icon});
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        const s::test::FfprobeReport report = s::test::runFfprobe(icon);
        ASSERT_TRUE(report.ok);
        // Sizes 16, 24, 32 and 48, each at 4, 8 and 32 bits.
        ASSERT_EQ(report.streams.size(), 12u);
        for (size_t i = 0; i < 12; ++i) {
            const int size = std::vector<int>{16, 24, 32, 48}[i / 3];
            EXPECT_EQ(s::test::fieldText(report.streams[i], "width"), std::to_string(size));
            EXPECT_EQ(s::test::fieldText(report.streams[i], "height"), std::to_string(size));
        }
        // The 48-pixel true-colour entry is the frame kept at its ratio: 48 x 36
        // in the middle, transparent above and below.
        const std::string bgra = decoded(icon, "bgra", 11);
        ASSERT_EQ(bgra.size(), 48u * 48 * 4);
        const s::test::ToolRun scaled =
            s::test::runTool({"ffmpeg", "-nostdin", "-v", "error", "-i", bmp, "-vf", "scale=48:36:flags=area",
                              "-f", "rawvideo", "-pix_fmt", "bgr24", "-"});
        ASSERT_EQ(scaled.out.size(), 48u * 36 * 3);
        std::string inner;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 48; ++x) {
                const size_t at = (static_cast<size_t>(y) * 48 + x) * 4;
                const unsigned alpha = static_cast<unsigned char>(bgra[at + 3]);
                if (y < 6 || y >= 42) {
                    EXPECT_EQ(alpha, 0u) << "at " << x << "," << y;
                } else {
                    EXPECT_EQ(alpha, 255u) << "at " << x << "," << y;
                    inner.append(bgra, at, 3);
                }
            }
        }
        EXPECT_LT(difference(inner, scaled.out), 12.0);
    }
}

TEST_F(CliFrameFormats, AnExtensionThatNamesNoFormatIsRefusedAndNothingIsWritten) {
    for (const char* name : {"shot.tif", "shot", "shot.jpg.txt", "shot.pn", ".png"}) {
        SCOPED_TRACE(name);
        const std::string picture = m_outDir + "/" + name;
        const CliRun run = cli({"frame", m_input, "--at", "1.52", "--out", picture});
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_NE(run.err.find("bmp, gif, ico, icon, jpeg, jpg, png"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(picture));
    }
    EXPECT_TRUE(std::filesystem::is_empty(m_outDir));
}

TEST_F(CliFrameFormats, MissingFoldersAreMadeAndAFolderThatCannotBeSaysWhy) {
    const std::string picture = m_outDir + "/missing/deeper/shot.png";
    const CliRun made = cli({"frame", m_input, "--at", "1.52", "--out", picture});
    EXPECT_EQ(made.exitStatus, 0) << made.err;
    EXPECT_EQ(s::test::readFile(picture).substr(1, 3), "PNG");

    // A file where a folder would have to be: nothing is written.
    ASSERT_TRUE(s::test::writeFile(m_outDir + "/plain", "x"));
    const std::string blocked = m_outDir + "/plain/sub/shot.png";
    const CliRun run = cli({"frame", m_input, "--at", "1.52", "--out", blocked});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("Not a directory"), std::string::npos) << run.err;
    EXPECT_EQ(s::test::readFile(m_outDir + "/plain"), "x");
}

TEST_F(CliFrameFormats, AReadOnlyFolderSaysWhyAndLeavesTheOldFileWhole) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    const std::string folder = m_outDir + "/locked";
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const std::string picture = folder + "/shot.png";
    ASSERT_TRUE(s::test::writeFile(picture, "old"));
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const CliRun run = cli({"frame", m_input, "--at", "1.52", "--out", picture});
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("Permission denied"), std::string::npos) << run.err;
    EXPECT_EQ(s::test::readFile(picture), "old");
    EXPECT_EQ(std::vector<std::string>({"shot.png"}).size(),
              static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {})));
}

TEST_F(CliFrameFormats, AFullDiskSaysWhyAndLeavesTheOldFileWhole) {
    const std::string disk = m_outDir + "/disk";
    ASSERT_TRUE(std::filesystem::create_directory(disk));
    if (::mount("snipforge-test", disk.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << ")";
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{disk};
    // A 320 x 240 BMP is 225 KB.
    const std::string picture = disk + "/shot.bmp";
    ASSERT_TRUE(s::test::writeFile(picture, "old"));
    const CliRun run = cli({"frame", m_input, "--at", "1.52", "--out", picture});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    EXPECT_EQ(s::test::readFile(picture), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk), {}), 1) << "a partial file was left";
}

} // namespace
