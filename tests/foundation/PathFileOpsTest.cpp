// PathWin operations on real files in a temporary folder.

#include "foundation/col/array/ArrayP.h"
#include "foundation/col/array/Arrays.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/StrArray.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using s::col::_array::ArrayP;
using s::col::_array::ArrayU08;
using s::file::win::newPath;
using s::file::win::PathHandle;
using s::file::win::PathWin;
using s::str::strarray::StrArray;
using s::test::entryExists;
using s::test::readFile;
using s::test::TempDir;
using s::test::utf16;
using s::test::utf8;
using s::test::writeFile;
using s::thread::adopt;

namespace {

PathHandle path(const std::string& utf8Path) {
    return PathHandle(newPath(utf16(utf8Path).c_str()));
}

std::string text(const char16_t* t) {
    return utf8(t);
}

std::vector<std::string> names(const StrArray& a) {
    std::vector<std::string> out;
    for (s::u32 i = 0; i < a.size(); ++i)
        out.push_back(utf8(a.get(i)->view()));
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> listed(const ArrayP& a, const TempDir& dir) {
    std::vector<std::string> out;
    for (s::u32 i = 0; i < a.size(); ++i)
        out.push_back(text(a.getAs<PathWin>(i)->fullPathText()).substr(dir.path().size() + 1));
    return out;
}

void chownTree(const std::string& path, uid_t uid, gid_t gid) {
    ::lchown(path.c_str(), uid, gid);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    if (DIR* d = ::opendir(path.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                chownTree(path + "/" + e->d_name, uid, gid);
        }
        ::closedir(d);
    }
}

// Runs `fn` with an ordinary user's rights, under which permissions really
// stop operations: directly when the tests do not run as root, else in a
// child process switched to "nobody" after `owned` was given to it.
bool asOrdinaryUser(const std::string& owned, const std::function<bool()>& fn) {
    if (::geteuid() != 0)
        return fn();
    constexpr uid_t kNobody = 65534;
    chownTree(owned, kNobody, kNobody);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        ::_exit(fn() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(PathNumbering, FilesAndFoldersGetTheFirstFreeNumber) {
    TempDir dir;
    auto missing = path(dir.file("clip.mp4"));
    EXPECT_EQ(text(PathHandle(missing->numberedUnique())->fullPathText()), dir.file("clip.mp4"));

    ASSERT_TRUE(writeFile(dir.file("clip.mp4"), "x"));
    ASSERT_TRUE(writeFile(dir.file("clip (1).mp4"), "x"));
    auto clip = path(dir.file("clip.mp4"));
    EXPECT_EQ(text(PathHandle(clip->numberedUnique())->fullPathText()), dir.file("clip (2).mp4"));
    EXPECT_EQ(text(PathHandle(clip->numberedUniquePlain())->fullPathText()), dir.file("clip1.mp4"));

    ASSERT_EQ(::mkdir(dir.file("Cuts.old").c_str(), 0755), 0);
    auto folder = path(dir.file("Cuts.old"));
    // A folder is numbered after its whole name, not before its "extension".
    EXPECT_EQ(text(PathHandle(folder->numberedUnique())->fullPathText()), dir.file("Cuts.old (1)"));
    EXPECT_EQ(text(PathHandle(folder->withSuffix(u"_x"))->fullPathText()), dir.file("Cuts.old_x"));

    // A dangling link occupies its name as well.
    ASSERT_EQ(::symlink("/nonexistent/target", dir.file("dangling.txt").c_str()), 0);
    EXPECT_EQ(text(PathHandle(path(dir.file("dangling.txt"))->numberedUnique())->fullPathText()),
              dir.file("dangling (1).txt"));
}

TEST(PathCreate, ExistingEntriesAreRefusedAndParentsAreMade) {
    TempDir dir;
    auto deep = path(dir.file("a/b/c"));
    EXPECT_TRUE(deep->makeFolder());
    EXPECT_TRUE(path(dir.file("a/b/c"))->isFolder());
    EXPECT_FALSE(path(dir.file("a/b/c"))->makeFolder());

    auto file = path(dir.file("x/y/empty.bin"));
    EXPECT_TRUE(file->createEmptyFile());
    auto again = path(dir.file("x/y/empty.bin"));
    EXPECT_TRUE(again->isFile());
    EXPECT_EQ(again->size(), 0);
    EXPECT_FALSE(again->createEmptyFile());
    ASSERT_TRUE(writeFile(dir.file("x/y/empty.bin"), "keep"));
    EXPECT_FALSE(path(dir.file("x/y/empty.bin"))->createEmptyFile());
    EXPECT_EQ(readFile(dir.file("x/y/empty.bin")), "keep");
    // A file is no folder to make.
    EXPECT_FALSE(path(dir.file("x/y/empty.bin"))->makeFolder());
}

TEST(PathRemove, ReadOnlyFilesWholeTreesAndLinksWithoutFollowing) {
    TempDir dir;
    EXPECT_TRUE(path(dir.file("never-was"))->remove());

    ASSERT_TRUE(writeFile(dir.file("ro.txt"), "x"));
    ASSERT_EQ(::chmod(dir.file("ro.txt").c_str(), 0444), 0);
    auto ro = path(dir.file("ro.txt"));
    EXPECT_TRUE(ro->getAttributes() & PathWin::kReadOnly);
    EXPECT_TRUE(ro->remove());
    EXPECT_FALSE(entryExists(dir.file("ro.txt")));

    // A tree with hidden entries, a read-only folder and links to things
    // outside it: the links go, their targets stay.
    ASSERT_TRUE(path(dir.file("tree/sub/deeper"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("tree/.hidden"), "h"));
    ASSERT_TRUE(writeFile(dir.file("tree/sub/deeper/f.bin"), "f"));
    ASSERT_TRUE(path(dir.file("outside"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("outside/precious.txt"), "p"));
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("tree/sub/link-to-folder").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("outside/precious.txt").c_str(), dir.file("tree/link-to-file").c_str()), 0);
    ASSERT_EQ(::chmod(dir.file("tree/sub").c_str(), 0555), 0);

    EXPECT_TRUE(path(dir.file("tree"))->remove());
    EXPECT_FALSE(entryExists(dir.file("tree")));
    EXPECT_EQ(readFile(dir.file("outside/precious.txt")), "p");

    // A link to a folder is removed as a link.
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("alias").c_str()), 0);
    EXPECT_TRUE(path(dir.file("alias"))->remove());
    EXPECT_FALSE(entryExists(dir.file("alias")));
    EXPECT_EQ(readFile(dir.file("outside/precious.txt")), "p");
}

TEST(PathRemove, ReadOnlyFoldersGoForAnOrdinaryUserToo) {
    TempDir dir;
    ASSERT_TRUE(path(dir.file("tree/locked/inner"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("tree/locked/file.txt"), "x"));
    ASSERT_TRUE(writeFile(dir.file("tree/locked/inner/.hidden"), "x"));
    ASSERT_EQ(::chmod(dir.file("tree/locked/file.txt").c_str(), 0444), 0);
    ASSERT_EQ(::chmod(dir.file("tree/locked/inner").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.file("tree/locked").c_str(), 0555), 0);
    const std::string tree = dir.file("tree");
    EXPECT_TRUE(asOrdinaryUser(dir.path(), [&] { return path(tree)->remove() && !entryExists(tree); }));
}

TEST(PathCopy, FolderIntoItselfIsRefusedAndTreesCopy) {
    TempDir dir;
    ASSERT_TRUE(path(dir.file("src/inner"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("src/a.txt"), "A"));
    ASSERT_TRUE(writeFile(dir.file("src/inner/b.txt"), "B"));

    auto src = path(dir.file("src"));
    EXPECT_FALSE(src->copyTo(utf16(dir.file("src/inner/copy")).c_str(), true));
    EXPECT_FALSE(src->copyTo(utf16(dir.file("src")).c_str(), true));
    // Another spelling of the same place is caught too.
    EXPECT_FALSE(src->copyTo(utf16(dir.file("src/inner/../inner/x")).c_str(), true));
    EXPECT_FALSE(entryExists(dir.file("src/inner/copy")));
    EXPECT_FALSE(entryExists(dir.file("src/inner/x")));

    EXPECT_TRUE(src->copyTo(utf16(dir.file("dst/nested")).c_str(), false));
    EXPECT_EQ(readFile(dir.file("dst/nested/a.txt")), "A");
    EXPECT_EQ(readFile(dir.file("dst/nested/inner/b.txt")), "B");
    EXPECT_FALSE(src->copyTo(utf16(dir.file("dst/nested")).c_str(), false));

    auto a = path(dir.file("src/a.txt"));
    ASSERT_TRUE(writeFile(dir.file("other.txt"), "old"));
    EXPECT_FALSE(a->copyTo(utf16(dir.file("other.txt")).c_str(), false));
    EXPECT_EQ(readFile(dir.file("other.txt")), "old");
    EXPECT_TRUE(a->copyTo(utf16(dir.file("other.txt")).c_str(), true));
    EXPECT_EQ(readFile(dir.file("other.txt")), "A");
    // Onto itself, even with overwrite, the file must survive.
    EXPECT_FALSE(a->copyTo(utf16(dir.file("src/./a.txt")).c_str(), true));
    EXPECT_EQ(readFile(dir.file("src/a.txt")), "A");
    EXPECT_TRUE(a->copyTo(utf16(dir.file("made/for/it.txt")).c_str(), false));
    EXPECT_EQ(readFile(dir.file("made/for/it.txt")), "A");
}

TEST(PathMove, RenameAndMoveNeverReplaceUnlessAsked) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("a.txt"), "A"));
    ASSERT_TRUE(writeFile(dir.file("b.txt"), "B"));
    EXPECT_FALSE(path(dir.file("a.txt"))->renameTo(utf16(dir.file("b.txt")).c_str()));
    EXPECT_FALSE(path(dir.file("a.txt"))->moveTo(utf16(dir.file("b.txt")).c_str(), false));
    EXPECT_EQ(readFile(dir.file("b.txt")), "B");
    EXPECT_TRUE(path(dir.file("a.txt"))->moveTo(utf16(dir.file("b.txt")).c_str(), true));
    EXPECT_EQ(readFile(dir.file("b.txt")), "A");
    EXPECT_FALSE(entryExists(dir.file("a.txt")));
    EXPECT_TRUE(path(dir.file("b.txt"))->renameTo(utf16(dir.file("c.txt")).c_str()));
    EXPECT_EQ(readFile(dir.file("c.txt")), "A");
}

TEST(PathMove, BetweenFileSystemsNothingIsLost) {
    TempDir dir;
    TempDir other({}, "/dev/shm");
    struct stat a;
    struct stat b;
    if (other.path().empty() || ::stat(dir.path().c_str(), &a) != 0 ||
        ::stat(other.path().c_str(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "needs a second file system at /dev/shm";

    ASSERT_TRUE(path(dir.file("tree/sub"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("tree/a.txt"), "A"));
    ASSERT_TRUE(writeFile(dir.file("tree/sub/.b"), "B"));
    ASSERT_EQ(::symlink("../a.txt", dir.file("tree/sub/link").c_str()), 0);
    ASSERT_EQ(::chmod(dir.file("tree/a.txt").c_str(), 0640), 0);

    EXPECT_TRUE(path(dir.file("tree"))->moveTo(utf16(other.file("moved")).c_str(), false));
    EXPECT_FALSE(entryExists(dir.file("tree")));
    EXPECT_EQ(readFile(other.file("moved/a.txt")), "A");
    EXPECT_EQ(readFile(other.file("moved/sub/.b")), "B");
    EXPECT_EQ(readFile(other.file("moved/sub/link")), "A");
    char target[64] = {};
    EXPECT_EQ(::readlink(other.file("moved/sub/link").c_str(), target, sizeof target - 1), 8);
    struct stat st;
    ASSERT_EQ(::stat(other.file("moved/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    ASSERT_TRUE(writeFile(dir.file("f.txt"), "new"));
    ASSERT_TRUE(writeFile(other.file("f.txt"), "old"));
    EXPECT_FALSE(path(dir.file("f.txt"))->moveTo(utf16(other.file("f.txt")).c_str(), false));
    EXPECT_EQ(readFile(dir.file("f.txt")), "new");
    EXPECT_TRUE(path(dir.file("f.txt"))->moveTo(utf16(other.file("f.txt")).c_str(), true));
    EXPECT_EQ(readFile(other.file("f.txt")), "new");
    EXPECT_FALSE(entryExists(dir.file("f.txt")));
}

TEST(PathListing, HiddenAndLinkedEntriesAndDepthFirstOrder) {
    TempDir dir;
    ASSERT_TRUE(path(dir.file("f1/f2"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("f1/f2/deep.txt"), "d"));
    ASSERT_TRUE(writeFile(dir.file("top.txt"), "t"));
    ASSERT_TRUE(writeFile(dir.file(".dot"), "h"));
    ASSERT_EQ(::symlink(dir.file("top.txt").c_str(), dir.file("link.txt").c_str()), 0);

    auto root = path(dir.path());
    EXPECT_EQ(names(*adopt(root->listNames(false, false))), (std::vector<std::string>{"f1", "top.txt"}));
    EXPECT_EQ(names(*adopt(root->listNames(false, true))),
              (std::vector<std::string>{".dot", "f1", "top.txt"}));
    EXPECT_EQ(names(*adopt(root->listFolderNames(true, true))), (std::vector<std::string>{dir.file("f1")}));
    EXPECT_EQ(names(*adopt(root->listFileNames(false, true))), (std::vector<std::string>{".dot", "top.txt"}));

    auto all = adopt(root->listEntries(false, true, nullptr));
    const auto entries = listed(*all, dir);
    ASSERT_EQ(entries.size(), 4u);
    const auto at = [&](const char* name) {
        return std::find(entries.begin(), entries.end(), name) - entries.begin();
    };
    // Each folder comes right before what it holds.
    EXPECT_EQ(at("f1/f2"), at("f1") + 1);
    EXPECT_EQ(at("f1/f2/deep.txt"), at("f1/f2") + 1);

    auto files = adopt(root->listFiles(false, true, nullptr));
    auto fileNames = listed(*files, dir);
    std::sort(fileNames.begin(), fileNames.end());
    EXPECT_EQ(fileNames, (std::vector<std::string>{"f1/f2/deep.txt", "top.txt"}));
    auto folders = adopt(root->listFolders(true, false, nullptr));
    EXPECT_EQ(listed(*folders, dir), (std::vector<std::string>{"f1"}));

    EXPECT_TRUE(root->hasEntries(false));
    ASSERT_TRUE(path(dir.file("only-hidden"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("only-hidden/.x"), "x"));
    EXPECT_FALSE(path(dir.file("only-hidden"))->hasEntries(false));
    EXPECT_FALSE(path(dir.file("only-hidden"))->isEmptyFolder());
    ASSERT_TRUE(path(dir.file("empty"))->makeFolder());
    EXPECT_TRUE(path(dir.file("empty"))->isEmptyFolder());
}

TEST(PathAttributes, KindsSizesAndTimes) {
    TempDir dir;
    auto missing = path(dir.file("missing"));
    EXPECT_EQ(missing->getAttributes(), PathWin::kInvalid);
    EXPECT_FALSE(missing->isFolder());
    EXPECT_FALSE(missing->isFile());
    EXPECT_FALSE(missing->isHidden());
    EXPECT_EQ(missing->size(), 0);

    ASSERT_TRUE(writeFile(dir.file(".h"), std::string(532, 'x')));
    auto hidden = path(dir.file(".h"));
    EXPECT_TRUE(hidden->isHidden());
    EXPECT_TRUE(hidden->isFile());
    EXPECT_EQ(text(hidden->sizeText()), "532 bytes");
    EXPECT_GE(hidden->sizeOnDisk(), 532);
    EXPECT_EQ(hidden->sizeOnDisk() % 512, 0);
    EXPECT_TRUE(hidden->hide()); // already hidden

    ASSERT_TRUE(writeFile(dir.file("big.bin"), std::string(1540000, 'b')));
    EXPECT_EQ(text(path(dir.file("big.bin"))->sizeText()), "1.46 MB");
    EXPECT_EQ(text(path(dir.file("big.bin"))->typeName()), "BIN File");

    auto plain = path(dir.file("big.bin"));
    EXPECT_EQ(plain->getAttributes(), PathWin::kNormal);
    EXPECT_TRUE(plain->setWritable(false));
    EXPECT_TRUE(path(dir.file("big.bin"))->getAttributes() & PathWin::kReadOnly);
    EXPECT_TRUE(plain->setAttributes(PathWin::kNormal));
    EXPECT_FALSE(path(dir.file("big.bin"))->getAttributes() & PathWin::kReadOnly);
    EXPECT_FALSE(plain->addAttributes(PathWin::kSystem));
    EXPECT_FALSE(plain->hide()); // hiding would need a rename

    ASSERT_EQ(::symlink(dir.path().c_str(), dir.file("up").c_str()), 0);
    const auto linkAttributes = path(dir.file("up"))->getAttributes();
    EXPECT_TRUE(linkAttributes & PathWin::kReparsePoint);
    EXPECT_TRUE(linkAttributes & PathWin::kFolder);

    auto root = path(dir.path());
    EXPECT_EQ(text(root->typeName()), "File folder");
    EXPECT_EQ(text(root->sizeText()), "");
    s::u32 files = 0;
    s::u32 folders = 0;
    ASSERT_TRUE(path(dir.file("sub"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("sub/s.bin"), "12345"));
    // Links are not followed: "up" would count the folder twice.
    EXPECT_EQ(root->size(true, true, &files, &folders, true), 532 + 1540000 + 5);
    EXPECT_EQ(files, 3u);
    EXPECT_EQ(folders, 1u);
    EXPECT_EQ(path(dir.path())->size(true, false, nullptr, nullptr, true), 532 + 1540000);

    auto timed = path(dir.file("sub"));
    EXPECT_TRUE(timed->setTimes(-1, 1000000000, 1100000000, true, true, true, true, true));
    EXPECT_EQ(timed->lastWriteTime(true), 1000000000);
    EXPECT_EQ(timed->lastAccessTime(), 1100000000);
    EXPECT_EQ(path(dir.file("sub/s.bin"))->lastWriteTime(), 1000000000);
    // The flag of the entry's kind decides.
    EXPECT_FALSE(path(dir.file(".h"))->setTimes(-1, 5, 5, true, true, false, true, false));
    EXPECT_NE(path(dir.file(".h"))->lastWriteTime(), 5);

    EXPECT_TRUE(root->isSameVolume(utf16(dir.file("not/yet/there")).c_str()));
    EXPECT_FALSE(root->isSameVolume(u"relative/path"));
    EXPECT_FALSE(std::u16string(root->volumeRoot()).empty());
    EXPECT_EQ(root->volumeRoot()[0], u'/');
}

// Every operation on names that command lines and code pages trip over.
TEST(PathAwkwardNames, EveryOperationWorks) {
    TempDir dir("with space ü");
    const std::vector<std::string> awkward = {
        "with space.mp4",       "quote\"d'it.mp4", "-leading dash.mkv",  "colon:name.txt",
        "日本語のファイル.mp4", "emoji 😀🎬.webm",   "tab\tand\\back.bin",
    };
    for (const std::string& name : awkward) {
        SCOPED_TRACE(name);
        auto p = path(dir.file(name));
        EXPECT_FALSE(p->isStream());
        ASSERT_TRUE(p->createEmptyFile());
        EXPECT_TRUE(path(dir.file(name))->exists());
        EXPECT_TRUE(path(dir.file(name))->isFile());
        EXPECT_EQ(text(p->name()), name);

        s::str::strbuffer::StrBuffer content;
        content.appendUtf8("content of " + name);
        EXPECT_TRUE(p->writeText(content, false));
        EXPECT_EQ(readFile(dir.file(name)), "content of " + name);
        auto bytes = s::thread::makePooled<ArrayU08>();
        EXPECT_TRUE(path(dir.file(name))->readAll(bytes.get()));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                  "content of " + name);

        auto listedNames = names(*adopt(path(dir.path())->listFileNames(false, true)));
        EXPECT_NE(std::find(listedNames.begin(), listedNames.end(), name), listedNames.end());

        const std::string copy = "copy of " + name;
        EXPECT_TRUE(p->copyTo(utf16(dir.file(copy)).c_str(), false));
        EXPECT_EQ(readFile(dir.file(copy)), "content of " + name);
        PathHandle numbered(p->numberedUnique());
        EXPECT_NE(text(numbered->fullPathText()), dir.file(name));
        EXPECT_TRUE(numbered->createEmptyFile());
        EXPECT_TRUE(numbered->remove());

        EXPECT_TRUE(p->renameTo(utf16(dir.file("renamed " + name)).c_str()));
        EXPECT_TRUE(path(dir.file("renamed " + name))->moveTo(utf16(dir.file(name)).c_str(), false));
        EXPECT_TRUE(path(dir.file(name))->remove());
        EXPECT_TRUE(path(dir.file(copy))->remove());
        EXPECT_FALSE(entryExists(dir.file(name)));

        auto folder = path(dir.file("folder " + name));
        EXPECT_TRUE(folder->makeFolder());
        EXPECT_TRUE(path(dir.file("folder " + name))->isFolder());
        EXPECT_TRUE(path(dir.file("folder " + name))->remove());
    }
}

TEST(PathTrash, RecycleMovesIntoTheTrashWithItsRecord) {
    TempDir dir;
    const char* old = std::getenv("XDG_DATA_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);

    ASSERT_TRUE(writeFile(dir.file("bin me.txt"), "gone"));
    EXPECT_TRUE(path(dir.file("bin me.txt"))->recycle());
    EXPECT_FALSE(entryExists(dir.file("bin me.txt")));
    EXPECT_EQ(readFile(dir.file("data/Trash/files/bin me.txt")), "gone");
    const std::string info = readFile(dir.file("data/Trash/info/bin me.txt.trashinfo"));
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u);
    EXPECT_NE(info.find("/bin%20me.txt\n"), std::string::npos);
    EXPECT_NE(info.find("\nDeletionDate="), std::string::npos);

    // A second entry of that name gets a name of its own.
    ASSERT_TRUE(writeFile(dir.file("bin me.txt"), "again"));
    EXPECT_TRUE(path(dir.file("bin me.txt"))->recycle());
    EXPECT_EQ(readFile(dir.file("data/Trash/files/bin me.txt")), "gone");
    EXPECT_EQ(readFile(dir.file("data/Trash/files/bin me.txt.2")), "again");
    EXPECT_TRUE(entryExists(dir.file("data/Trash/info/bin me.txt.2.trashinfo")));

    if (old)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(PathProcessWide, TempFileAndDesktop) {
    PathHandle temp(s::file::win::newTempFile());
    ASSERT_TRUE(temp);
    EXPECT_TRUE(temp->isFile());
    EXPECT_EQ(temp->size(), 0);
    EXPECT_EQ(text(temp->titleText()).rfind("NEW", 0), 0u);
    EXPECT_TRUE(temp->remove());
    EXPECT_TRUE(path(utf8(s::file::win::desktopFolder().view()))->isFolder());
    EXPECT_EQ(std::u16string(s::file::win::systemDriveRoot()), u"/");
}
