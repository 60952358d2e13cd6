// snipforge-cli speaks the system's language: the status lines and the
// result of a cut, and the refusals of frame, come from the window's
// language pack, chosen by LANGUAGE, LC_ALL, LC_MESSAGES and LANG.

#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef SNIPFORGE_CLI_PATH
#error "SNIPFORGE_CLI_PATH must name the built snipforge-cli"
#endif

namespace {

// The program run through env(1) with the locale variables cleared and then
// `locale` set, and its own home (the window's settings are not read).
s::test::ToolRun cliIn(const std::vector<std::string>& locale, const std::vector<std::string>& args) {
    static const std::string home = s::test::makeTempDir();
    std::vector<std::string> argv = {"env",          "-u", "LANGUAGE", "-u", "LC_ALL", "-u", "LC_MESSAGES",
                                     "-u",           "LANG", "HOME=" + home, "XDG_CONFIG_HOME=" + home};
    argv.insert(argv.end(), locale.begin(), locale.end());
    argv.push_back(SNIPFORGE_CLI_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    return s::test::runTool(argv);
}

const std::string& clip() {
    static const std::string path = [] {
        const std::string out = s::test::makeTempDir() + "/clip.mp4";
        const s::test::ToolRun run = s::test::runTool(
            {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
             "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100", "-t",
             "2", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", out});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        return out;
    }();
    return path;
}

} // namespace

TEST(CliLanguage, CutReportsInTheSystemLanguage) {
    ASSERT_FALSE(clip().empty());
    struct Case {
        std::vector<std::string> locale;
        const char* saved; // the result's first line
        const char* ready; // the last status
    };
    const Case cases[] = {
        {{"LANG=C.UTF-8"}, "Saved Successfully!", "status: Ready"},
        {{"LANG=de_DE.UTF-8"}, "Erfolgreich gespeichert!", "status: Bereit"},
        {{"LANG=en_US.UTF-8", "LC_MESSAGES=ja_JP.UTF-8"}, "\u4fdd\u5b58\u3057\u307e\u3057\u305f\uff01",
         "status: \u6e96\u5099\u5b8c\u4e86"},
        {{"LANG=en_US.UTF-8", "LANGUAGE=pt_BR:pt"}, "Salvo com sucesso!", "status: Pronto"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale.back());
        const std::string out = s::test::makeTempDir();
        const s::test::ToolRun run = cliIn(c.locale, {"cut", clip(), "--start", "0", "--end", "1", "--out", out});
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_NE(run.out.find(std::string("\n") + c.saved + "\n"), std::string::npos) << run.out;
        EXPECT_NE(run.out.rfind(std::string(c.ready) + "\n"), std::string::npos) << run.out;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 1) << "one cut";
    }
}

TEST(CliLanguage, FrameRefusalsAreInTheSystemLanguage) {
    ASSERT_FALSE(clip().empty());
    const std::string dir = s::test::makeTempDir();
    const s::test::ToolRun french =
        cliIn({"LC_ALL=fr_FR.UTF-8"}, {"frame", clip(), "--at", "1", "--out", dir + "/shot.tif"});
    EXPECT_EQ(french.exitStatus, 2);
    EXPECT_NE(french.err.find("L'image n'a pas \u00e9t\u00e9 enregistr\u00e9e"), std::string::npos) << french.err;
    EXPECT_NE(french.err.find("Types pris en charge : bmp, gif, ico, icon, jpeg, jpg, png"), std::string::npos)
        << french.err;

    // A language without a pack of its own gets English.
    const s::test::ToolRun icelandic =
        cliIn({"LANG=is_IS.UTF-8"}, {"frame", clip(), "--at", "1", "--out", dir + "/shot.tif"});
    EXPECT_NE(icelandic.err.find("The picture was not saved"), std::string::npos) << icelandic.err;

    // An audio file: the window's words for it.
    const std::string song = dir + "/song.m4a";
    ASSERT_EQ(s::test::runTool({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                "sine=frequency=440", "-t", "1", "-c:a", "aac", song})
                  .exitStatus,
              0);
    const s::test::ToolRun russian =
        cliIn({"LANG=ru_RU.UTF-8"}, {"frame", song, "--at", "0.5", "--out", dir + "/shot.png"});
    EXPECT_EQ(russian.exitStatus, 1);
    EXPECT_NE(russian.err.find("\u0412 \u043d\u0451\u043c \u043d\u0435\u0442 \u0432\u0438\u0434\u0435\u043e"
                               "\u0434\u043e\u0440\u043e\u0436\u043a\u0438"),
              std::string::npos)
        << russian.err;
}
