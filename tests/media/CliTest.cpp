// snipforge-cli probe, run as a separate program.

#include "foundation/str/StrBuffer.h"
#include "foundation/thread/Pool.h"
#include "media/system/win/MediaLibraries.h"
#include "media/video/Probe.h"
#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#ifndef SNIPFORGE_CLI_PATH
#error "SNIPFORGE_CLI_PATH must name the built snipforge-cli"
#endif

namespace {

using s::str::strbuffer::StrBuffer;
using s::test::Fixture;
using s::test::ToolRun;
using s::thread::Pooled;

ToolRun cli(std::vector<std::string> args, const std::string& cwd = {}) {
    args.insert(args.begin(), SNIPFORGE_CLI_PATH);
    return s::test::runTool(args, cwd);
}

std::string reportInProcess(const std::string& path) {
    StrBuffer name;
    name.setUtf8(path);
    Pooled<s::video::VideoInfo> info(s::video::probe(name));
    Pooled<StrBuffer> report(info->report());
    return report->toStdString();
}

size_t lineCount(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

class CliTest : public testing::Test {
protected:
    static void SetUpTestSuite() { (void)s::system::win::loadMediaLibraries(); }
};

TEST_F(CliTest, ProbePrintsTheReportAndSucceeds) {
    const std::string path = s::test::fixturePath(Fixture::Mp4H264Aac);
    ASSERT_FALSE(path.empty());
    const ToolRun run = cli({"probe", path});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, reportInProcess(path));
    EXPECT_EQ(run.err, "");
}

TEST_F(CliTest, NamesThatLookLikeOptionsOrAddressesAreFiles) {
    const std::string dir = s::test::makeTempDir();
    const std::string source = s::test::fixturePath(Fixture::WavPcm16);
    for (const char* name : {"-x.mp4", "a:b.mp4"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(std::filesystem::copy_file(source, dir + "/" + name));
        const ToolRun run = cli({"probe", name}, dir);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_TRUE(run.out.starts_with(std::string("File Name: ") + name + "\n")) << run.out;
    }
    const ToolRun escaped = cli({"probe", "--", "-x.mp4"}, dir);
    EXPECT_EQ(escaped.exitStatus, 0) << escaped.err;
}

TEST_F(CliTest, AFileThatCannotBeOpenedFailsWithOneLineOfReason) {
    const std::string dir = s::test::makeTempDir();
    ASSERT_TRUE(s::test::writeFile(dir + "/empty.mp4", ""));
    const ToolRun empty = cli({"probe", dir + "/empty.mp4"});
    EXPECT_EQ(empty.exitStatus, 1);
    EXPECT_TRUE(empty.out.starts_with("File Name: empty.mp4\n")) << empty.out;
    EXPECT_TRUE(empty.err.starts_with("snipforge-cli: probe: ")) << empty.err;
    EXPECT_EQ(lineCount(empty.err), 1u) << empty.err;

    const ToolRun missing = cli({"probe", dir + "/missing.mp4"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(lineCount(missing.err), 1u) << missing.err;
    EXPECT_NE(missing.err.find("missing.mp4"), std::string::npos) << missing.err;
}

TEST_F(CliTest, CommandLineMistakesAreUsageErrors) {
    EXPECT_EQ(cli({}).exitStatus, 2);
    EXPECT_EQ(cli({"probe"}).exitStatus, 2);
    EXPECT_EQ(cli({"probe", "a.mp4", "b.mp4"}).exitStatus, 2);
    const ToolRun unknown = cli({"slice", "a.mp4"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_NE(unknown.err.find("slice"), std::string::npos);
    const ToolRun help = cli({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_NE(help.out.find("probe FILE"), std::string::npos);
}

} // namespace
