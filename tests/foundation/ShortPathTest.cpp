// Short forms (aliases in the runtime folder) and the runtime folder's life.

#include "foundation/file/win/ShortPath.h"
#include "foundation/file/win/PathWin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using s::file::win::runtimeFolder;
using s::file::win::setRuntimeFolderOverride;
using s::file::win::shortPathInto;
using s::file::win::shortPathOs;
using s::str::strbuffer::StrBuffer;
using s::test::entryExists;
using s::test::readFile;
using s::test::TempDir;
using s::test::utf16;
using s::test::utf8;
using s::test::writeFile;

namespace {

// What the cut planner asks of a path it puts into a tool command line: no
// space anywhere, and a last part of at most 12 characters below 256.
bool toolUsable(std::u16string_view p) {
    if (p.find(u' ') != std::u16string_view::npos)
        return false;
    const size_t slash = p.rfind(u'/');
    if (slash == std::u16string_view::npos)
        return true;
    const auto last = p.substr(slash + 1);
    if (last.size() > 12)
        return false;
    for (char16_t c : last) {
        if (c >= 256)
            return false;
    }
    return true;
}

std::u16string alias(const std::string& utf8Path, bool* made = nullptr) {
    StrBuffer out;
    const bool ok = shortPathInto(utf16(utf8Path).c_str(), &out);
    if (made)
        *made = ok;
    return std::u16string(out.view());
}

// Restores an environment variable when the test ends.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : m_name(name) {
        const char* v = std::getenv(name);
        m_had = v != nullptr;
        if (v)
            m_value = v;
    }
    ~EnvGuard() {
        if (m_had)
            ::setenv(m_name, m_value.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had = false;
    std::string m_value;
};

// A child run of this executable: it makes its runtime folder with an alias
// in it, prints the folder and then exits normally ("exit") or as a crash
// would, without exit hooks ("crash"). Runs before main, so the child does
// nothing else.
[[maybe_unused]] const bool g_childRun = [] {
    const char* mode = std::getenv("SNIPFORGE_RUNTIME_CHILD");
    if (!mode)
        return false;
    const std::string folder = runtimeFolder();
    const bool aliased = !shortPathOs("/").empty();
    std::printf("%s\n", aliased ? folder.c_str() : "");
    std::fflush(stdout);
    if (std::string(mode) == "crash")
        ::_exit(0);
    std::exit(0);
}();

std::string runChild(const std::string& mode, const std::string& runtimeDir) {
    char exe[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return {};
    exe[n] = 0;
    const std::string command =
        "SNIPFORGE_RUNTIME_CHILD=" + mode + " XDG_RUNTIME_DIR=" + runtimeDir + " '" + exe + "'";
    FILE* child = ::popen(command.c_str(), "r");
    if (!child)
        return {};
    char line[PATH_MAX] = {};
    const bool got = std::fgets(line, sizeof line, child) != nullptr;
    ::pclose(child);
    std::string out = got ? line : "";
    if (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

class ShortPathTest : public ::testing::Test {
protected:
    void SetUp() override { setRuntimeFolderOverride(m_runtime.path().c_str()); }
    void TearDown() override { setRuntimeFolderOverride(nullptr); }

    TempDir m_runtime;
    TempDir m_data{"short path data ü"};
};

} // namespace

TEST_F(ShortPathTest, AliasesOfAwkwardFilesAreShortAndOpenTheFile) {
    const std::vector<std::string> names = {
        "with space.mp4",
        "quote\"d'it.mkv",
        "-leading.mp4",
        "colon:name.mov",
        "日本語のファイル名.mp4",
        "emoji 😀🎬.webm",
        "no extension",
        "long extension.abcdefgh",
        "a very long name with many words in it, more than twelve characters.mp4",
    };
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(writeFile(m_data.file(name), "content of " + name));
        bool made = false;
        const std::u16string a = alias(m_data.file(name), &made);
        ASSERT_TRUE(made);
        EXPECT_TRUE(toolUsable(a)) << utf8(a);
        EXPECT_EQ(utf8(a).rfind(m_runtime.path() + "/", 0), 0u);
        EXPECT_EQ(readFile(utf8(a)), "content of " + name);
        EXPECT_EQ(alias(m_data.file(name)), a) << "the same path gets the same alias";
    }
    // Short ASCII extensions survive, so tools still guess the format.
    const std::string webm = utf8(alias(m_data.file("emoji 😀🎬.webm")));
    EXPECT_EQ(webm.substr(webm.size() - 5), ".webm");
    const std::string mkv = utf8(alias(m_data.file("quote\"d'it.mkv")));
    EXPECT_EQ(mkv.substr(mkv.size() - 4), ".mkv");
    // Another spelling of the same file is the same file.
    ASSERT_EQ(::mkdir(m_data.file("sub").c_str(), 0755), 0);
    EXPECT_EQ(alias(m_data.path() + "/./sub/../with space.mp4"), alias(m_data.file("with space.mp4")));
    EXPECT_NE(alias(m_data.file("with space.mp4")), alias(m_data.file("-leading.mp4")));
}

TEST_F(ShortPathTest, FolderAliasReachesFilesMadeInside) {
    const std::string folder = m_data.file("日本 folder \"x\"");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    bool made = false;
    const std::u16string a = alias(folder, &made);
    ASSERT_TRUE(made);
    EXPECT_TRUE(toolUsable(a));
    ASSERT_TRUE(writeFile(utf8(a) + "/_TMP.mp4", "cut"));
    EXPECT_EQ(readFile(folder + "/_TMP.mp4"), "cut");
}

TEST_F(ShortPathTest, MissingEntryKeepsThePathAndARemovedAliasIsRemade) {
    bool made = true;
    EXPECT_EQ(utf8(alias(m_data.file("not here.mp4"), &made)), m_data.file("not here.mp4"));
    EXPECT_FALSE(made);

    ASSERT_TRUE(writeFile(m_data.file("f.mp4"), "f"));
    const std::string first = utf8(alias(m_data.file("f.mp4")));
    ASSERT_EQ(::unlink(first.c_str()), 0);
    const std::string second = utf8(alias(m_data.file("f.mp4")));
    EXPECT_EQ(readFile(second), "f");
}

TEST(RuntimeFolder, DefaultPlaceModeAndFallbackForSpaces) {
    EnvGuard xdgGuard("XDG_RUNTIME_DIR");
    TempDir xdg;
    ::setenv("XDG_RUNTIME_DIR", xdg.path().c_str(), 1);
    setRuntimeFolderOverride(nullptr);
    const std::string folder = runtimeFolder();
    EXPECT_EQ(folder, xdg.file("snipforge-" + std::to_string(::getpid())));
    struct stat st;
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Switching away removes the default folder with its aliases.
    ASSERT_FALSE(shortPathOs("/").empty());
    TempDir spaced("runtime with space");
    ::setenv("XDG_RUNTIME_DIR", spaced.path().c_str(), 1);
    setRuntimeFolderOverride(nullptr);
    EXPECT_FALSE(entryExists(folder));

    const std::string fallback = runtimeFolder();
    EXPECT_EQ(fallback.find(' '), std::string::npos);
    EXPECT_EQ(fallback.substr(fallback.rfind('/') + 1),
              "snipforge-" + std::to_string(::geteuid()) + "-" + std::to_string(::getpid()));
    setRuntimeFolderOverride(nullptr);
    EXPECT_FALSE(entryExists(fallback));
}

TEST(RuntimeFolder, RemovedAtExitAndLeftoversOfCrashesCleanedAtNextStart) {
    EnvGuard xdgGuard("XDG_RUNTIME_DIR");
    TempDir xdg;
    ASSERT_EQ(::mkdir(xdg.file("snipforge-1").c_str(), 0700), 0); // a live process's folder

    const std::string exited = runChild("exit", xdg.path());
    ASSERT_FALSE(exited.empty());
    EXPECT_EQ(exited.rfind(xdg.path() + "/snipforge-", 0), 0u);
    EXPECT_FALSE(entryExists(exited));

    const std::string crashed = runChild("crash", xdg.path());
    ASSERT_FALSE(crashed.empty());
    EXPECT_TRUE(entryExists(crashed));

    ::setenv("XDG_RUNTIME_DIR", xdg.path().c_str(), 1);
    setRuntimeFolderOverride(nullptr);
    const std::string mine = runtimeFolder();
    EXPECT_TRUE(entryExists(mine));
    EXPECT_FALSE(entryExists(crashed));
    EXPECT_TRUE(entryExists(xdg.file("snipforge-1")));
    setRuntimeFolderOverride(nullptr);
}
