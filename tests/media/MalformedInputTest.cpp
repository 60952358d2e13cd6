// Files the probe must survive, and files it must not follow.

#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"
#include "media/system/win/MediaLibraries.h"
#include "media/video/Probe.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

namespace {

using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;
using namespace s::video;
using s::test::Fixture;

struct Probed {
    Pooled<VideoInfo> info;
    std::string failure;
    std::string report;
};

Probed probeFile(const std::string& path) {
    StrBuffer name;
    name.setUtf8(path);
    StrBuffer failure;
    Probed probed{Pooled<VideoInfo>(probe(name, &failure)), failure.toStdString(), {}};
    Pooled<StrBuffer> report(probed.info->report());
    probed.report = report->toStdString();
    return probed;
}

/// Counts the opens of one file by any process while it lives.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& path) {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0)
            m_watch = inotify_add_watch(m_fd, path.c_str(), IN_OPEN);
    }
    ~OpenWatch() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0 && m_watch >= 0; }
    int opens() {
        int count = 0;
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return count;
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if (event->mask & IN_OPEN)
                    ++count;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    int m_fd = -1;
    int m_watch = -1;
};

class MalformedInputTest : public testing::Test {
protected:
    static void SetUpTestSuite() { (void)s::system::win::loadMediaLibraries(); }
    void SetUp() override {
        m_dir = s::test::makeTempDir();
        ASSERT_FALSE(m_dir.empty());
    }
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = m_dir + "/" + name;
        EXPECT_TRUE(s::test::writeFile(path, bytes));
        return path;
    }
    std::string m_dir;
};

TEST_F(MalformedInputTest, AMissingFileIsReportedAsNotExisting) {
    Probed probed = probeFile(m_dir + "/nothing-here.mp4");
    EXPECT_FALSE(probed.info->exists());
    EXPECT_FALSE(probed.info->opened());
    EXPECT_EQ(probed.info->path().length(), 0u);
    EXPECT_FALSE(probed.failure.empty());
    EXPECT_TRUE(probed.report.starts_with("File Name: \nFile Size (Bytes): 0\n"));
    EXPECT_NE(probed.report.find("Number of Streams: 0\n"), std::string::npos);
}

TEST_F(MalformedInputTest, EmptyTextAndFolderAreNotOpenedButNamed) {
    const std::string empty = write("empty.mp4", "");
    const std::string text = write("notes.mp4", "These are not the frames you are looking for.\n");
    const std::string folder = m_dir + "/folder.mp4";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    for (const std::string& path : {empty, text, folder}) {
        SCOPED_TRACE(path);
        Probed probed = probeFile(path);
        EXPECT_TRUE(probed.info->exists());
        EXPECT_FALSE(probed.info->opened());
        EXPECT_EQ(probed.info->streamCount(), 0u);
        EXPECT_FALSE(probed.failure.empty());
        EXPECT_EQ(probed.failure.find('\n'), std::string::npos);
        EXPECT_TRUE(probed.report.starts_with("File Name: " + path.substr(path.rfind('/') + 1) + "\n"));
    }
}

TEST_F(MalformedInputTest, AFifoIsNotReadSoTheProbeCannotBlockOnIt) {
    const std::string fifo = m_dir + "/pipe.mp4";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Probed probed = probeFile(fifo);
    EXPECT_TRUE(probed.info->exists());
    EXPECT_FALSE(probed.info->opened());
}

TEST_F(MalformedInputTest, AnIndexAtTheFrontSurvivesACutOffEnd) {
    const std::string whole = s::test::readFile(s::test::fixturePath(Fixture::FastStartMp4));
    ASSERT_GT(whole.size(), 1000u);
    const std::string path = write("truncated.mp4", whole.substr(0, whole.size() / 2));
    Probed probed = probeFile(path);
    EXPECT_TRUE(probed.info->opened()) << probed.failure;
    EXPECT_EQ(probed.info->streamCount(), 2u);
    EXPECT_EQ(probed.info->videoWidth(), 320);
    EXPECT_EQ(probed.info->fileSize(), static_cast<s::i64>(whole.size() / 2));
}

TEST_F(MalformedInputTest, AHalfWrittenRecordingWithoutItsIndexIsNotOpened) {
    // The ffmpeg tool writes the index last: cut before it, as a recording
    // that is still being written looks.
    const std::string whole = s::test::readFile(s::test::fixturePath(Fixture::Mp4H264Aac));
    ASSERT_GT(whole.size(), 1000u);
    const std::string path = write("recording.mp4", whole.substr(0, whole.size() * 6 / 10));
    Probed probed = probeFile(path);
    EXPECT_TRUE(probed.info->exists());
    EXPECT_FALSE(probed.info->opened());
    EXPECT_FALSE(probed.failure.empty());
}

TEST_F(MalformedInputTest, EveryCutOffPointOfEveryContainerReturns) {
    for (Fixture fixture :
         {Fixture::Mp4H264Aac, Fixture::FastStartMp4, Fixture::MkvSubtitles, Fixture::WebmVp9Opus,
          Fixture::AviMpeg4Mp3, Fixture::TsStartOffset, Fixture::MovTimecode}) {
        const std::string whole = s::test::readFile(s::test::fixturePath(fixture));
        ASSERT_GT(whole.size(), 1000u) << s::test::fixtureName(fixture);
        for (size_t cut : {size_t{1}, size_t{8}, size_t{100}, size_t{1000}, whole.size() / 7,
                           whole.size() / 3, whole.size() - 1}) {
            SCOPED_TRACE(std::string(s::test::fixtureName(fixture)) + " cut at " + std::to_string(cut));
            std::string bytes = whole.substr(0, cut);
            const std::string path = write("cut.bin", bytes);
            Probed probed = probeFile(path);
            EXPECT_TRUE(probed.info->exists());
            // Whatever could be read is consistent: no streams unless opened.
            if (!probed.info->opened()) {
                EXPECT_EQ(probed.info->streamCount(), 0u);
            }
            EXPECT_EQ(probed.report.find("\n\n"), std::string::npos);
        }
    }
}

TEST_F(MalformedInputTest, ColonsAndLeadingDashesAreJustPartsOfALocalName) {
    const std::string source = s::test::readFile(s::test::fixturePath(Fixture::WavPcm16));
    ASSERT_FALSE(source.empty());
    write("a:b.mp4", source);
    write("-x.mp4", source);
    write("http:", source);
    char previous[PATH_MAX];
    ASSERT_NE(::getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(::chdir(m_dir.c_str()), 0);
    for (const char* name : {"a:b.mp4", "-x.mp4", "http:", "./a:b.mp4"}) {
        SCOPED_TRACE(name);
        Probed probed = probeFile(name);
        EXPECT_TRUE(probed.info->opened()) << probed.failure;
        EXPECT_EQ(probed.info->streamCount(), 1u);
        EXPECT_EQ(probed.info->path().toStdString(), name);
    }
    ASSERT_EQ(::chdir(previous), 0);
}

/// A 24-bit BMP of the given size, all black.
std::string bmp(int width, int height) {
    const int row = (width * 3 + 3) & ~3;
    const int size = 54 + row * height;
    std::string bytes(static_cast<size_t>(size), '\0');
    auto put = [&](int at, int value, int count) {
        for (int i = 0; i < count; ++i)
            bytes[static_cast<size_t>(at + i)] = static_cast<char>((value >> (8 * i)) & 0xff);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, row * height, 4);
    return bytes;
}

TEST_F(MalformedInputTest, ANameThatLooksLikeAnImageSequenceIsOneFile) {
    write("frame%d.bmp", bmp(4, 2));
    write("frame1.bmp", bmp(2, 2));
    write("frame2.bmp", bmp(2, 2));
    Probed probed = probeFile(m_dir + "/frame%d.bmp");
    ASSERT_TRUE(probed.info->opened()) << probed.failure;
    ASSERT_EQ(probed.info->streamCount(), 1u);
    EXPECT_EQ(probed.info->videoWidth(), 4); // not 2, the size of frame1.bmp
}

TEST_F(MalformedInputTest, PlaylistsAndScriptsNamedLikeVideosOpenNothingElse) {
    const std::string target = m_dir + "/target.mp4";
    ASSERT_TRUE(std::filesystem::copy_file(s::test::fixturePath(Fixture::Mp4H264Aac), target));
    struct Case {
        const char* name;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"playlist.mp4", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\n" + target + "\n#EXT-X-ENDLIST\n"},
        {"script.mp4", "ffconcat version 1.0\nfile '" + target + "'\n"},
        {"manifest.mp4",
         "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
         "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\" "
         "mediaPresentationDuration=\"PT2S\"><Period><AdaptationSet><Representation id=\"1\" "
         "bandwidth=\"1000\">"
         "<BaseURL>" +
             target + "</BaseURL></Representation></AdaptationSet></Period></MPD>\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = write(c.name, c.text);
        OpenWatch watch(target);
        ASSERT_TRUE(watch.ok());
        Probed probed = probeFile(path);
        EXPECT_EQ(watch.opens(), 0) << "the probe followed the reference";
        EXPECT_TRUE(probed.info->exists());
        EXPECT_EQ(probed.info->streamCount(), 0u);
        EXPECT_FALSE(probed.info->opened());
        EXPECT_NE(probed.failure.find("refusing"), std::string::npos) << probed.failure;
    }
    // The watch does see a reader that follows the playlist, so the checks
    // above can fail.
    OpenWatch watch(target);
    std::vector<std::string> argv = {"ffprobe", "-v", "quiet", "-show_format", m_dir + "/playlist.mp4"};
    (void)s::test::runTool(argv);
    EXPECT_GT(watch.opens(), 0);
}

} // namespace
