#include "app/win/AppBase.h"
#include "app/ISkinManager.h"
#include "app/process/commandline/win/CommandLine.h"
#include "app/win/ProgramIcon.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/lang/Localizer.h"
#include "foundation/map/IMappedData.h"
#include "foundation/reg/MappedData.h"
#include "foundation/reg/win/RegDir.h"
#include "image/win/BufferedImage.h"
#include "tests/app/AppTestEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace s::app::win {
namespace {

using process::commandline::win::CommandLine;

std::vector<std::u16string> parsed(std::vector<const char*> arguments) {
    auto line = thread::makePooled<CommandLine>();
    arguments.insert(arguments.begin(), "snipforge");
    line->parse(static_cast<int>(arguments.size()), arguments.data());
    std::vector<std::u16string> out;
    for (u32 i = 0; i < line->count(); ++i)
        out.emplace_back(line->argument(i));
    EXPECT_EQ(line->argument(line->count()), nullptr);
    return out;
}

TEST(CommandLineTest, SwitchesBecomeDashAndNamePlainArgumentsStay) {
    EXPECT_TRUE(parsed({}).empty());
    EXPECT_EQ(parsed({"clip one.mp4", "-x", "--verbose", "/tmp/a.mkv"}),
              (std::vector<std::u16string>{u"clip one.mp4", u"-x", u"-verbose", u"/tmp/a.mkv"}));
    EXPECT_EQ(parsed({"-", "--level=3", "Ünïcode €.mp4"}),
              (std::vector<std::u16string>{u"-", u"-level=3", u"Ünïcode €.mp4"}));
    // "--" ends the switches and is not an argument itself.
    EXPECT_EQ(parsed({"-a", "--", "-b.mp4", "--", "c"}),
              (std::vector<std::u16string>{u"-a", u"-b.mp4", u"--", u"c"}));

    auto line = thread::makePooled<CommandLine>();
    const char* argv[] = {"snipforge", "--Quiet"};
    line->parse(2, argv);
    EXPECT_TRUE(line->hasSwitch(u"Quiet"));
    EXPECT_FALSE(line->hasSwitch(u"quiet"));
    // This process's own arguments: the test binary was started with none
    // or with GoogleTest's switches, which all read as switches.
    ASSERT_TRUE(line->parseOwnProcess());
    for (u32 i = 0; i < line->count(); ++i)
        EXPECT_EQ(line->argument(i)[0], u'-');
}

TEST(CommandLineTest, FilesAreThePlainArgumentsMadeAbsolute) {
    EXPECT_EQ(absoluteArgumentPath("clip.mp4", "/home/u"), "/home/u/clip.mp4");
    EXPECT_EQ(absoluteArgumentPath("./a//b/./clip.mp4", "/home/u/"), "/home/u/a/b/clip.mp4");
    // ".." may cross a symbolic link: it stays for the kernel to resolve.
    EXPECT_EQ(absoluteArgumentPath("../clip.mp4", "/home/u"), "/home/u/../clip.mp4");
    EXPECT_EQ(absoluteArgumentPath("/tmp/x.mkv", ""), "/tmp/x.mkv");
    EXPECT_EQ(absoluteArgumentPath("file:///tmp/a%20b.mkv", "/home/u"), "/tmp/a b.mkv");
    // A name with a colon is a name, not an address.
    EXPECT_EQ(absoluteArgumentPath("a:b.mp4", "/w"), "/w/a:b.mp4");
    EXPECT_EQ(absoluteArgumentPath("https://example.org/v.mp4", "/w"), "/w/https:/example.org/v.mp4");
    EXPECT_EQ(absoluteArgumentPath("file://host/share/v.mp4", "/w"), "");
    EXPECT_EQ(absoluteArgumentPath("clip.mp4", ""), "");
    EXPECT_EQ(absoluteArgumentPath("", "/w"), "");
}

TEST(ProgramIconTest, EverySizeIsSquareWithTransparentCorners) {
    for (i32 size : {16, 32, 64, 128, 256}) {
        auto icon = thread::adopt(drawProgramIcon(size));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->getWidth(), size);
        EXPECT_EQ(icon->getHeight(), size);
        EXPECT_EQ(icon->getRow(0)[0] >> 24, 0u) << size;
        EXPECT_EQ(icon->getRow(size / 2)[size / 4] >> 24, 255u) << size;
    }
    EXPECT_EQ(drawProgramIcon(0), nullptr);
}

class FakeSkins final : public ISkinManager {
public:
    bool hasSkin(const char16_t* name) const override {
        const std::u16string n(name);
        return n == u"White" || n == u"Black" || n == u"Classic LG";
    }
    const char16_t* getCurrentSkinName() const override { return current.c_str(); }
    bool setCurrentSkin(const char16_t* name) override {
        if (!hasSkin(name))
            return false;
        current = name;
        ++changes;
        return true;
    }
    std::u16string current = u"White";
    int changes = 0;
};

class AppBaseTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_env.ok()); }

    /// The program's key and its store, as an installer or an earlier run
    /// leaves them.
    static constexpr const char16_t* kProductKey = u"Software\\Zarvo\\Zarvo Snipforge";
    static constexpr const char16_t* kStoreKey = u"Software\\Zarvo\\Zarvo Snipforge\\SaveData";

    thread::Pooled<AppBase> start(std::vector<const char*> arguments = {}) {
        arguments.insert(arguments.begin(), "snipforge");
        auto app = thread::makePooled<AppBase>();
        EXPECT_TRUE(app->init(static_cast<int>(arguments.size()), arguments.data()));
        app->setUriOpener([this](const char16_t* uri) {
            m_opened.emplace_back(uri);
            return true;
        });
        return app;
    }

    static void plantSilentMarker() {
        auto key = thread::makePooled<reg::win::RegDir>();
        ASSERT_TRUE(key->open(kProductKey, true));
        ASSERT_TRUE(key->setString(AppBase::kSilentValue, u"1"));
    }
    static bool silentMarkerPresent() {
        auto key = thread::makePooled<reg::win::RegDir>();
        return key->open(kProductKey, false) && key->hasValue(AppBase::kSilentValue);
    }

    test::AppTestEnv m_env;
    std::vector<std::u16string> m_opened;
};

TEST_F(AppBaseTest, StartUpOpensTheStoreAndWritesTheProgramsIdentity) {
    auto app = start({"movie.mp4"});
    ASSERT_NE(app->getSettings(), nullptr);
    EXPECT_EQ(app->getTextBase(), 500000);
    EXPECT_EQ(app->getCommandLine()->count(), 1u);
    EXPECT_TRUE(app->getSettings()->isAutoSave());

    auto store = thread::makePooled<reg::MappedData>();
    ASSERT_TRUE(store->open(kStoreKey));
    EXPECT_EQ(std::u16string(store->getString(u"SoftwareID", u"", u"")), u"Zarvo Snipforge");
    EXPECT_EQ(std::u16string(store->getString(u"Version", u"", u"")), u"1.17");

    ASSERT_NE(app->getModule(), nullptr);
    ASSERT_NE(app->getModuleFolder(), nullptr);
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe);
    ASSERT_GT(n, 0);
    const std::u16string expected = test::utf16(std::string_view(exe, static_cast<size_t>(n)));
    EXPECT_EQ(std::u16string(app->getModule()->fullPathText()), expected);
    EXPECT_EQ(std::u16string(app->getModuleFolder()->fullPathText()),
              expected.substr(0, expected.rfind(u'/')));

    ASSERT_NE(app->getIcon256(), nullptr);
    EXPECT_EQ(app->getIcon16()->getWidth(), 16);
    EXPECT_EQ(app->getIcon128()->getWidth(), 128);
    EXPECT_EQ(app->getIcon(20), app->getIcon32());
    EXPECT_EQ(app->getIcon(1000), app->getIcon256());
}

TEST_F(AppBaseTest, StoredLanguageIsAppliedAndRepaired) {
    {
        auto store = thread::makePooled<reg::MappedData>();
        ASSERT_TRUE(store->open(kStoreKey));
        ASSERT_TRUE(store->setString(lang::kLanguageGroup, u"", u"german"));
    }
    auto app = start();
    EXPECT_EQ(std::u16string(app->getLocalizer()->currentLanguage()), u"German");
    EXPECT_EQ(std::u16string(app->getLanguage()), u"German"); // the letter case is repaired

    // A language no pack has selects English, and that is what is stored.
    EXPECT_TRUE(app->setLanguage(u"Klingon"));
    EXPECT_EQ(std::u16string(app->getLanguage()), u"English");
    EXPECT_TRUE(app->setLanguage(u"french"));
    EXPECT_EQ(std::u16string(app->getLanguage()), u"French");
}

TEST_F(AppBaseTest, SilentInstallOpensThePageOnceAndOnlyWithoutArguments) {
    plantSilentMarker();
    {
        auto app = start({"clip.mp4"});
        EXPECT_TRUE(app->checkStart());
        EXPECT_TRUE(m_opened.empty());
    }
    EXPECT_TRUE(silentMarkerPresent());
    {
        auto app = start();
        EXPECT_TRUE(app->checkStart());
        ASSERT_EQ(m_opened.size(), 1u);
        EXPECT_EQ(m_opened[0], u"https://zarvo.example/snipforge/");
    }
    EXPECT_FALSE(silentMarkerPresent());
    {
        auto app = start();
        EXPECT_TRUE(app->checkStart());
        EXPECT_EQ(m_opened.size(), 1u);
    }
}

TEST_F(AppBaseTest, SecondStartPresentsTheFirstAndStops) {
    int presented = 0;
    auto first = start();
    first->setPresentHandler([&](const std::vector<std::string>&) { ++presented; });
    EXPECT_TRUE(first->checkStart());
    auto second = start();
    EXPECT_FALSE(second->checkStart());
    EXPECT_EQ(presented, 1);
    // Once the first has ended, a start goes on.
    first.reset();
    auto third = start();
    EXPECT_TRUE(third->checkStart());
}

TEST_F(AppBaseTest, SecondStartHandsItsFilesToTheFirst) {
    std::vector<std::vector<std::string>> requests;
    auto first = start();
    first->setPresentHandler([&](const std::vector<std::string>& files) { requests.push_back(files); });
    EXPECT_TRUE(first->checkStart());
    char* cwd = ::getcwd(nullptr, 0);
    ASSERT_NE(cwd, nullptr);
    const std::string here = std::string(cwd) == "/" ? "" : cwd;
    std::free(cwd);
    // Switches and standard input are no files; after "--" a dash is.
    auto second = start({"clip one.mp4", "--verbose", "-", "/tmp/b.mkv", "--", "-x.mp4"});
    EXPECT_FALSE(second->checkStart());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0],
              (std::vector<std::string>{here + "/clip one.mp4", "/tmp/b.mkv", here + "/-x.mp4"}));
    auto third = start({"--verbose"});
    EXPECT_FALSE(third->checkStart());
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[1].empty());
}

TEST_F(AppBaseTest, StoredSkinIsMadeCurrentAndUnknownNamesYieldTheCurrentOne) {
    FakeSkins skins;
    auto app = start();
    EXPECT_TRUE(app->setSkin(u"Black"));
    app->setSkins(&skins);
    EXPECT_EQ(skins.current, u"Black");
    EXPECT_EQ(skins.changes, 1);
    EXPECT_EQ(std::u16string(app->getSkin()), u"Black");

    EXPECT_TRUE(app->setSkin(u"Mauve"));
    EXPECT_EQ(std::u16string(app->getSkin()), u"Black");
    app->setSkins(&skins); // an unknown stored name changes nothing
    EXPECT_EQ(skins.changes, 1);
}

TEST_F(AppBaseTest, SavingMarksTheStoreSavedAndReleaseForgetsIt) {
    auto app = start();
    EXPECT_FALSE(app->isSettingsSaved());
    EXPECT_TRUE(app->saveSettings());
    EXPECT_TRUE(app->isSettingsSaved());
    AppBase* raw = app.release();
    raw->release();
    // A reused object starts over.
    auto again = thread::makePooled<AppBase>();
    EXPECT_FALSE(again->isSettingsSaved());
    EXPECT_EQ(again->getSettings(), nullptr);
    EXPECT_EQ(again->getIcon16(), nullptr);
}

} // namespace
} // namespace s::app::win
