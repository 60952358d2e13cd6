// Replacing files so that a crash never leaves a half-written one.

#include "foundation/file/AtomicWrite.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using s::file::writeFileAtomically;
using s::test::entryExists;
using s::test::readFile;
using s::test::TempDir;
using s::test::writeFile;

namespace {

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (e->d_name[0] != '.' || (e->d_name[1] != 0 && e->d_name[1] != '.'))
                out.push_back(e->d_name);
        }
        ::closedir(d);
    }
    return out;
}

} // namespace

TEST(AtomicWrite, ReplacesKeepingModeAndLinksAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string file = dir.file("settings file.xml");
    ASSERT_TRUE(writeFile(file, "old content that is longer"));
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(writeFileAtomically(file.c_str(), "new", 3));
    EXPECT_EQ(readFile(file), "new");
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"settings file.xml"});

    ASSERT_EQ(::symlink(file.c_str(), dir.file("link.xml").c_str()), 0);
    ASSERT_TRUE(writeFileAtomically(dir.file("link.xml").c_str(), "via link", 8));
    EXPECT_EQ(readFile(file), "via link");
    ASSERT_EQ(::lstat(dir.file("link.xml").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    ASSERT_TRUE(writeFileAtomically(dir.file("empty").c_str(), nullptr, 0));
    EXPECT_TRUE(entryExists(dir.file("empty")));
    EXPECT_EQ(readFile(dir.file("empty")), "");
}

TEST(AtomicWrite, FailuresLeaveEverythingAsItWas) {
    TempDir dir;
    EXPECT_FALSE(writeFileAtomically(dir.file("no/folder/x").c_str(), "x", 1));
    EXPECT_FALSE(entryExists(dir.file("no")));
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    EXPECT_FALSE(writeFileAtomically(dir.file("sub").c_str(), "x", 1));
    EXPECT_EQ(entries(dir.file("sub")).size(), 0u);
    EXPECT_FALSE(writeFileAtomically(nullptr, "x", 1));
    EXPECT_FALSE(writeFileAtomically(dir.file("y").c_str(), nullptr, 5));
}

// A writer killed at an arbitrary moment leaves the old or the new content,
// never a mix or a truncated file.
TEST(AtomicWrite, KilledWriterNeverLeavesAPartialFile) {
    TempDir dir;
    const std::string file = dir.file("state.bin");
    const std::string a(1 << 21, 'a');
    const std::string b(1 << 21, 'b');
    ASSERT_TRUE(writeFile(file, a));

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        for (int i = 0;; ++i) {
            const std::string& next = i % 2 ? a : b;
            if (!writeFileAtomically(file.c_str(), next.data(), next.size()))
                ::_exit(1);
            if (i == 2)
                (void)!::write(ready[1], "r", 1);
        }
    }
    ::close(ready[1]);
    char r;
    ASSERT_EQ(::read(ready[0], &r, 1), 1); // the writer is in its loop
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string left = readFile(file);
    EXPECT_TRUE(left == a || left == b) << "size " << left.size();
}
