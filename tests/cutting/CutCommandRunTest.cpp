// The planned commands as the real ffmpeg takes them: each mode and attempt
// run through the external tool runner, on aliases of names with spaces,
// and the result checked with ffprobe.

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/file/win/ProgramFolder.h"
#include "foundation/file/win/ShortPath.h"
#include "media/tool/ExternalTool.h"
#include "media/video/StreamInfo.h"
#include "media/video/VideoInfo.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace s::video::cut;
using s::i32;
using s::i64;
using s::file::win::PathWin;
using s::str::strbuffer::StrBuffer;
using s::test::TempDir;
using s::test::utf16;
using s::thread::adopt;
using s::thread::makePooled;
using s::thread::Pooled;

namespace {

// Output of a shell command, or "" when it failed.
std::string shell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    return ::pclose(pipe) == 0 ? out : std::string();
}

std::string shellQuoted(const std::string& path) {
    std::string text = "'";
    for (char c : path)
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

// "codec,codec,...|duration" of a file, by ffprobe.
std::string describe(const std::string& path) {
    const std::string codecs =
        shell("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + shellQuoted(path));
    const std::string duration =
        shell("ffprobe -v error -show_entries format=duration -of csv=p=0 " + shellQuoted(path));
    std::string text;
    for (char c : codecs)
        text += c == '\n' ? ',' : c;
    return text + "|" + duration.substr(0, duration.find('.'));
}

class CutCommandRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_dir.path().empty());
        const std::string tools = m_dir.file("program/optional_tools");
        ASSERT_EQ(::mkdir(m_dir.file("program").c_str(), 0755), 0);
        ASSERT_EQ(::mkdir(tools.c_str(), 0755), 0);
        ASSERT_EQ(::symlink("/usr/bin/ffmpeg", (tools + "/ffmpeg").c_str()), 0);
        s::file::win::setProgramFolderOverride(m_dir.file("program").c_str());
        ASSERT_TRUE(s::video::tool::externalToolAvailable());

        m_input = m_dir.file("my clip.mkv");
        ASSERT_EQ(
            std::system(
                (std::string("ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i "
                             "sine=sample_rate=44100 -t 3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p "
                             "-c:a aac -ac 2 -y ") +
                 shellQuoted(m_input))
                    .c_str()),
            0);
        m_info->formatName().set(u"matroska,webm");
        m_info->setHasVideo(true);
        m_info->setHasAudio(true);
        m_info->setVideoWidth(320);
        m_info->setVideoHeight(240);
        s::video::StreamInfo* v = m_info->addStream();
        v->setType(s::video::kStreamVideo);
        v->setRealFrameRate({25, 1});
        s::video::StreamInfo* a = m_info->addStream();
        a->setType(s::video::kStreamAudio);
        a->setSampleRate(44100);
        a->setChannels(2);
    }
    void TearDown() override { s::file::win::setProgramFolderOverride(nullptr); }

    // Plans and runs one cut as the cut job does; returns the output's path.
    std::string cut(i32 mode, i32 attempt, i64 startUs, i64 endUs) {
        Pooled<PathWin> folder = adopt(s::file::win::newPath(utf16(m_dir.path()).c_str()));
        Pooled<PathWin> input = adopt(s::file::win::newPath(utf16(m_input).c_str()));
        Pooled<PathWin> output = adopt(outputPathFor(*folder, *input, startUs, endUs, mode));
        EXPECT_TRUE(output->createEmptyFile());

        auto inShort = makePooled<StrBuffer>();
        auto outShort = makePooled<StrBuffer>();
        EXPECT_TRUE(s::file::win::shortPathInto(input->fullPathText(), inShort.get()));
        EXPECT_TRUE(s::file::win::shortPathInto(output->fullPathText(), outShort.get()));
        EXPECT_TRUE(isToolUsable(*outShort)) << outShort->toStdString();

        CutCommandInput plan;
        plan.startUs = startUs;
        plan.endUs = endUs;
        plan.mode = mode;
        plan.external = true;
        plan.attempt = attempt;
        plan.info = m_info.get();
        plan.inputPath = input.get();
        plan.inputShortPath = inShort->c_str();
        plan.outputShortPath = outShort->c_str();
        auto command = makePooled<StrBuffer>();
        buildCutCommand(*command, plan);

        auto name = makePooled<StrBuffer>();
        output->nameInto(name.get(), false);
        auto workDir = makePooled<StrBuffer>();
        workDir->set(output->folderNoSlash());
        auto report = makePooled<StrBuffer>();
        std::atomic<bool> stop{false};
        s::video::tool::ToolRunContext context{nullptr, nullptr, report.get()};
        EXPECT_TRUE(s::video::tool::runExternalTool(*command, *name, *workDir, (endUs - startUs) / 1000, stop,
                                                    context)
                        .isOk())
            << command->toStdString() << "\n"
            << report->toStdString();
        return output->fullPathStr().toStdString();
    }

    TempDir m_dir{"cut run"};
    std::string m_input;
    Pooled<s::video::VideoInfo> m_info = makePooled<s::video::VideoInfo>();
};

} // namespace

TEST_F(CutCommandRunTest, LosslessBothAttempts) {
    const std::string first = cut(kLossless, 1, 500'000, 2'500'000);
    EXPECT_EQ(first, m_dir.file("my clip.CUT.00'00-00'02.mkv"));
    EXPECT_EQ(describe(first), "h264,aac,|2");
    const std::string second = cut(kLossless, 2, 500'000, 2'500'000);
    EXPECT_EQ(second, m_dir.file("my clip.CUT.00'00-00'02 (1).mkv"));
    EXPECT_EQ(describe(second), "h264,aac,|2");
}

TEST_F(CutCommandRunTest, PreciseToMp4) {
    const std::string out = cut(kPrecise, 1, 1'000'000, 2'000'000);
    EXPECT_EQ(out, m_dir.file("my clip.CUT.00'01.000-00'02.000.mp4"));
    EXPECT_EQ(describe(out), "h264,aac,|1");
}
