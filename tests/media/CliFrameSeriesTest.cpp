// snipforge-cli frame --at T1,T2,... --out DIR: several positions in order
// through one grabber, each picture the same as a grab of that position
// alone, with one timing line per picture.

#include "support/Catalogue.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using s::test::CliRun;

class CliFrameSeries : public s::test::CatalogueFixture {};

std::string clip() {
    return s::test::catalogueClip(
        "series.mkv", {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=4", "-c:v", "libx264",
                       "-preset", "veryfast", "-g", "25", "-bf", "2", "-pix_fmt", "yuv420p"});
}

TEST_F(CliFrameSeries, WritesEachPositionInRequestOrderAsAGrabOfItAloneWould) {
    const std::string input = watch(clip());
    // Forward, back across a key frame (1 s), a jump and the same again.
    const std::vector<std::string> times = {"1.08", "1.12", "1.04", "0.96", "0:00:03.2", "1.12"};
    std::string list;
    for (const std::string& t : times)
        list += (list.empty() ? "" : ",") + t;
    const CliRun series = cli({"frame", input, "--at", list, "--out", m_outDir});
    ASSERT_EQ(series.exitStatus, 0) << series.err;

    std::istringstream lines(series.out);
    std::string line;
    const std::regex timing(R"(frame ([0-9]+) at ([^:]+|[0-9:.]+): [0-9]+\.[0-9] ms)");
    for (size_t i = 0; i < times.size(); ++i) {
        SCOPED_TRACE(times[i]);
        ASSERT_TRUE(std::getline(lines, line));
        std::smatch parts;
        ASSERT_TRUE(std::regex_match(line, parts, timing)) << line;
        EXPECT_EQ(parts[1].str(), std::to_string(i + 1));
        EXPECT_EQ(parts[2].str(), times[i]);
        char name[32];
        std::snprintf(name, sizeof name, "/%04zu.bmp", i + 1);
        const std::string picture = s::test::readFile(m_outDir + name);
        ASSERT_GT(picture.size(), 54u);
        const std::string alone = m_outDir + "/alone.bmp";
        const CliRun single = cli({"frame", input, "--at", times[i], "--out", alone});
        ASSERT_EQ(single.exitStatus, 0) << single.err;
        EXPECT_TRUE(single.out.empty()) << "one time prints nothing, as before";
        EXPECT_EQ(s::test::textDigest(picture), s::test::textDigest(s::test::readFile(alone)));
    }
    EXPECT_FALSE(std::getline(lines, line));
}

TEST_F(CliFrameSeries, AnotherTypeAndTheRefusals) {
    const std::string input = watch(clip());
    const CliRun png = cli({"frame", input, "--at", "0.5,2", "--out", m_outDir, "--type", "png"});
    ASSERT_EQ(png.exitStatus, 0) << png.err;
    EXPECT_EQ(s::test::readFile(m_outDir + "/0002.png").substr(1, 3), "PNG");
    // Several times need a folder; a type that names no format, and a bad
    // time anywhere in the list, are refused before any picture.
    EXPECT_NE(cli({"frame", input, "--at", "0.5,2", "--out", m_outDir + "/x.bmp"}).exitStatus, 0);
    EXPECT_EQ(cli({"frame", input, "--at", "0.5,2", "--out", m_outDir, "--type", "tiff"}).exitStatus, 2);
    const CliRun bad = cli({"frame", input, "--at", "0.5,,2", "--out", m_outDir});
    EXPECT_NE(bad.exitStatus, 0);
    EXPECT_NE(bad.err.find("bad time"), std::string::npos) << bad.err;
}

} // namespace
