// Shortcuts, internet shortcuts, named streams, renaming to random names and
// the exclusive-access test of PathWin, on real files in a temporary folder.

#include "foundation/col/array/Arrays.h"
#include "foundation/file/win/PathArray.h"
#include "foundation/file/win/PathWin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

using s::col::_array::ArrayP;
using s::col::_array::ArrayU08;
using s::file::win::newPath;
using s::file::win::newStreamPath;
using s::file::win::PathHandle;
using s::file::win::PathWin;
using s::str::strbuffer::StrBuffer;
using s::test::entryExists;
using s::test::readFile;
using s::test::TempDir;
using s::test::utf16;
using s::test::utf8;
using s::test::writeFile;
using s::thread::Pooled;

namespace {

PathHandle path(const std::string& utf8Path) {
    return PathHandle(newPath(utf16(utf8Path).c_str()));
}

PathHandle stream(const std::string& file, const char16_t* name) {
    return PathHandle(newStreamPath(utf16(file).c_str(), name));
}

std::string linkText(const std::string& link) {
    char buffer[4096];
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

bool isLink(const std::string& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::string targetOf(const std::string& link) {
    PathHandle t(path(link)->shortcutTarget());
    return t ? utf8(t->fullPathText()) : std::string("<null>");
}

std::vector<std::string> entriesOf(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                out.emplace_back(e->d_name);
        }
        ::closedir(d);
    }
    return out;
}

std::string readStream(const std::string& file, const char16_t* name) {
    auto bytes = s::thread::makePooled<ArrayU08>();
    if (!stream(file, name)->readAll(bytes.get()))
        return "<failed>";
    return std::string(reinterpret_cast<const char*>(bytes->bytes()), bytes->size());
}

bool writeStream(const std::string& file, const char16_t* name, const char* text, bool append = false) {
    StrBuffer value;
    value.setUtf8(text);
    return stream(file, name)->writeText(value, append);
}

// Whether files in `folder` take user extended attributes.
bool takesUserAttributes(const std::string& folder) {
    const std::string probe = folder + "/.xattr-probe";
    if (!writeFile(probe, "p"))
        return false;
    const bool ok = ::setxattr(probe.c_str(), "user.probe", "1", 1, 0) == 0;
    ::unlink(probe.c_str());
    return ok;
}

// A folder on a file system without user extended attributes: a ramfs
// mounted for the test (which needs the right to mount), unmounted at the end.
class NoAttributeFolder {
public:
    NoAttributeFolder() {
        if (m_dir.path().empty())
            return;
        if (::mount("snipforge-test", m_dir.path().c_str(), "ramfs", MS_NOSUID | MS_NODEV, "size=1m") != 0) {
            m_reason = std::string("cannot mount a ramfs here: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
        if (takesUserAttributes(m_dir.path()))
            m_reason = "the mounted ramfs takes user extended attributes";
    }
    ~NoAttributeFolder() {
        if (m_mounted)
            ::umount2(m_dir.path().c_str(), MNT_DETACH);
    }
    NoAttributeFolder(const NoAttributeFolder&) = delete;
    NoAttributeFolder& operator=(const NoAttributeFolder&) = delete;

    bool usable() const { return m_mounted && m_reason.empty(); }
    const std::string& reason() const { return m_reason; }
    std::string file(const char* name) const { return m_dir.file(name); }

private:
    TempDir m_dir{"noxattr"};
    bool m_mounted = false;
    std::string m_reason;
};

} // namespace

TEST(PathShortcut, CreatedReadBackAndResolved) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("clip.mp4"), "video"));
    ASSERT_TRUE(writeFile(dir.file("other.mp4"), "other"));

    // ".lnk" is appended; the link holds the absolute path.
    EXPECT_TRUE(path(dir.file("clip.mp4"))->createShortcutAt(dir.u16("clip").c_str(), false));
    ASSERT_TRUE(isLink(dir.file("clip.lnk")));
    EXPECT_EQ(linkText(dir.file("clip.lnk")), dir.file("clip.mp4"));
    EXPECT_EQ(readFile(dir.file("clip.lnk")), "video");
    EXPECT_TRUE(path(dir.file("clip.lnk"))->isLnk());
    EXPECT_EQ(targetOf(dir.file("clip.lnk")), dir.file("clip.mp4"));
    // An ending in another case is kept as it is.
    EXPECT_TRUE(path(dir.file("clip.mp4"))->createShortcutAt(dir.u16("upper.LNK").c_str(), false));
    EXPECT_TRUE(isLink(dir.file("upper.LNK")));
    EXPECT_FALSE(entryExists(dir.file("upper.LNK.lnk")));

    // An existing link is replaced only with overwrite.
    EXPECT_FALSE(path(dir.file("other.mp4"))->createShortcutAt(dir.u16("clip.lnk").c_str(), false));
    EXPECT_EQ(linkText(dir.file("clip.lnk")), dir.file("clip.mp4"));
    EXPECT_TRUE(path(dir.file("other.mp4"))->createShortcutAt(dir.u16("clip.lnk").c_str(), true));
    EXPECT_EQ(linkText(dir.file("clip.lnk")), dir.file("other.mp4"));

    // A shortcut of a shortcut points where the first one points.
    EXPECT_TRUE(path(dir.file("clip.lnk"))->createShortcutAt(dir.u16("copy.lnk").c_str(), false));
    EXPECT_EQ(linkText(dir.file("copy.lnk")), dir.file("other.mp4"));

    // A relative target counts from the link's folder, "../" along real folders.
    ASSERT_TRUE(path(dir.file("sub/deeper"))->makeFolder());
    ASSERT_EQ(::symlink("sub/../clip.mp4", dir.file("rel.lnk").c_str()), 0);
    EXPECT_EQ(targetOf(dir.file("rel.lnk")), dir.file("clip.mp4"));
    ASSERT_EQ(::symlink("../clip.mp4", dir.file("sub/up.lnk").c_str()), 0);
    EXPECT_EQ(targetOf(dir.file("sub/up.lnk")), dir.file("clip.mp4"));
    ASSERT_EQ(::symlink("deeper", dir.file("sub/down.lnk").c_str()), 0);
    EXPECT_EQ(targetOf(dir.file("sub/down.lnk")), dir.file("sub/deeper"));
    // Not a link: no target.
    EXPECT_EQ(targetOf(dir.file("clip.mp4")), "<null>");

    // A relative path object makes an absolute link, not one that would
    // count from the link's folder.
    char cwd[4096];
    ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    const bool made = path("clip.mp4")->createShortcutAt(dir.u16("sub/fromRelative").c_str(), false);
    ASSERT_EQ(::chdir(cwd), 0);
    EXPECT_TRUE(made);
    EXPECT_EQ(linkText(dir.file("sub/fromRelative.lnk")), dir.file("clip.mp4"));
    EXPECT_EQ(readFile(dir.file("sub/fromRelative.lnk")), "video");

    // Arguments do not fit in a link: refused, nothing made.
    EXPECT_FALSE(path(dir.file("clip.mp4"))->createShortcutAt(dir.u16("args").c_str(), false, u"--fast"));
    EXPECT_FALSE(entryExists(dir.file("args.lnk")));
    // A missing entry gets no shortcut.
    EXPECT_FALSE(path(dir.file("nothing.mp4"))->createShortcutAt(dir.u16("nothing").c_str(), false));
    EXPECT_FALSE(entryExists(dir.file("nothing.lnk")));
}

TEST(PathShortcut, BrokenTargetsFoldersAndSelfAreHandledWithoutLoss) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("gone.mp4"), "v"));
    ASSERT_TRUE(path(dir.file("gone.mp4"))->createShortcutAt(dir.u16("gone").c_str(), false));
    ASSERT_EQ(::unlink(dir.file("gone.mp4").c_str()), 0);

    // The stored target is still read; the entry it names does not exist.
    auto broken = path(dir.file("gone.lnk"));
    EXPECT_TRUE(broken->isLnk());
    EXPECT_FALSE(broken->exists());
    PathHandle target(broken->shortcutTarget());
    ASSERT_TRUE(target);
    EXPECT_EQ(utf8(target->fullPathText()), dir.file("gone.mp4"));
    EXPECT_FALSE(target->exists());
    // A shortcut to nothing is not copied.
    EXPECT_FALSE(broken->createShortcutAt(dir.u16("copy").c_str(), true));
    EXPECT_FALSE(entryExists(dir.file("copy.lnk")));

    // A dangling link occupies its name: kept without overwrite, replaced with.
    ASSERT_TRUE(writeFile(dir.file("new.mp4"), "n"));
    EXPECT_FALSE(path(dir.file("new.mp4"))->createShortcutAt(dir.u16("gone.lnk").c_str(), false));
    EXPECT_EQ(linkText(dir.file("gone.lnk")), dir.file("gone.mp4"));
    EXPECT_TRUE(path(dir.file("new.mp4"))->createShortcutAt(dir.u16("gone.lnk").c_str(), true));
    EXPECT_EQ(readFile(dir.file("gone.lnk")), "n");

    // A folder with that name is never removed to make room.
    ASSERT_TRUE(path(dir.file("busy.lnk"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("busy.lnk/precious.txt"), "p"));
    EXPECT_FALSE(path(dir.file("new.mp4"))->createShortcutAt(dir.u16("busy.lnk").c_str(), true));
    EXPECT_EQ(readFile(dir.file("busy.lnk/precious.txt")), "p");

    // A shortcut file of another kind is not replaced by a link to itself.
    ASSERT_TRUE(writeFile(dir.file("windows.lnk"), "binary shortcut"));
    EXPECT_FALSE(path(dir.file("windows.lnk"))->createShortcutAt(dir.u16("windows").c_str(), true));
    EXPECT_EQ(readFile(dir.file("windows.lnk")), "binary shortcut");
    EXPECT_FALSE(isLink(dir.file("windows.lnk")));
    // ...but copied as a file elsewhere.
    EXPECT_TRUE(path(dir.file("windows.lnk"))->createShortcutAt(dir.u16("copied").c_str(), false));
    EXPECT_EQ(readFile(dir.file("copied.lnk")), "binary shortcut");
    EXPECT_FALSE(isLink(dir.file("copied.lnk")));
    // No temporary links are left behind.
    for (const auto& name : entriesOf(dir.path()))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST(PathShortcut, FolderShortcutsNeedALinkToAnExistingFolder) {
    TempDir dir;
    ASSERT_TRUE(path(dir.file("real/inside"))->makeFolder());
    ASSERT_TRUE(path(dir.file("fs"))->makeFolder());
    ASSERT_TRUE(path(dir.file("real"))->createShortcutAt(dir.u16("fs/target").c_str(), false));
    auto fs = path(dir.file("fs"));
    EXPECT_TRUE(fs->isFolderShortcut());
    EXPECT_EQ(utf8(fs->folderShortcutTarget()), dir.file("real"));
    PathHandle t(fs->folderShortcutTargetPath());
    ASSERT_TRUE(t);
    EXPECT_TRUE(t->isFolder());

    ASSERT_TRUE(writeFile(dir.file("file.txt"), "f"));
    ASSERT_TRUE(path(dir.file("notfs"))->makeFolder());
    ASSERT_TRUE(path(dir.file("file.txt"))->createShortcutAt(dir.u16("notfs/target").c_str(), false));
    EXPECT_FALSE(path(dir.file("notfs"))->isFolderShortcut());
    EXPECT_EQ(utf8(path(dir.file("notfs"))->folderShortcutTarget()), "");
    EXPECT_FALSE(PathHandle(path(dir.file("notfs"))->folderShortcutTargetPath()));

    ASSERT_EQ(::rename(dir.file("real").c_str(), dir.file("moved").c_str()), 0);
    EXPECT_FALSE(path(dir.file("fs"))->isFolderShortcut());
}

TEST(PathInternetShortcut, RoundTripsInItsIniForm) {
    TempDir dir;
    const char16_t* address = u"https://example.org/a?b=c&d=é#frag";
    auto site = path(dir.file("site"));
    EXPECT_TRUE(site->createInternetShortcut(address, false));
    EXPECT_EQ(readFile(dir.file("site.url")), "[InternetShortcut]\nURL=https://example.org/a?b=c&d=é#frag\n");
    auto file = path(dir.file("site.url"));
    EXPECT_TRUE(file->isUrl());
    EXPECT_EQ(std::u16string(file->url()), address);

    EXPECT_FALSE(path(dir.file("site.url"))->createInternetShortcut(u"https://other/", false));
    EXPECT_EQ(std::u16string(path(dir.file("site.url"))->url()), address);
    EXPECT_TRUE(path(dir.file("site.url"))->createInternetShortcut(u"https://other/", true));
    EXPECT_EQ(utf8(path(dir.file("site.url"))->url()), "https://other/");

    // A line break would add keys to the file: refused, the file unchanged.
    EXPECT_FALSE(path(dir.file("site.url"))->createInternetShortcut(u"https://x/\n[Other]\nURL=evil", true));
    EXPECT_EQ(utf8(path(dir.file("site.url"))->url()), "https://other/");
    EXPECT_FALSE(path(dir.file("empty"))->createInternetShortcut(u"", false));
    EXPECT_FALSE(entryExists(dir.file("empty.url")));

    // A file written elsewhere: byte-order mark, CR LF, other sections and
    // keys, spaces and another case.
    ASSERT_TRUE(writeFile(dir.file("made.URL"),
                          "\xEF\xBB\xBF[DEFAULT]\r\nBASEURL=http://wrong/\r\n"
                          "[internetshortcut]\r\nIconIndex=0\r\n url = http://right/ \r\n"
                          "[Other]\r\nURL=http://wrong-too/\r\n"));
    EXPECT_EQ(utf8(path(dir.file("made.URL"))->url()), "http://right/");
    ASSERT_TRUE(writeFile(dir.file("none.url"), "[Other]\nURL=http://wrong/\n"));
    EXPECT_EQ(utf8(path(dir.file("none.url"))->url()), "");
    // Only ".url" files are read.
    ASSERT_TRUE(writeFile(dir.file("plain.txt"), "[InternetShortcut]\nURL=http://x/\n"));
    EXPECT_EQ(utf8(path(dir.file("plain.txt"))->url()), "");
    StrBuffer out;
    out.set(u"keep:");
    path(dir.file("made.URL"))->urlInto(&out, true);
    EXPECT_EQ(utf8(out.view()), "keep:http://right/");
}

TEST(PathStreams, WrittenListedReadBackAndRemoved) {
    TempDir dir;
    if (!takesUserAttributes(dir.path()))
        GTEST_SKIP() << "the temporary folder's file system takes no user extended attributes";
    const std::string f = dir.file("file.txt");
    ASSERT_TRUE(writeFile(f, "content"));

    auto notes = stream(f, u"notes");
    EXPECT_TRUE(notes->isStream());
    EXPECT_EQ(utf8(notes->fullPathText()), f + ":notes");
    EXPECT_FALSE(notes->exists());
    EXPECT_TRUE(writeStream(f, u"notes", "hello"));
    EXPECT_TRUE(writeStream(f, u"notes", " world", true));
    EXPECT_TRUE(writeStream(f, u"zone", ""));
    EXPECT_EQ(readStream(f, u"notes"), "hello world");
    EXPECT_EQ(readStream(f, u"zone"), "");
    EXPECT_EQ(readStream(f, u"missing"), "<failed>");
    EXPECT_EQ(readFile(f), "content");
    EXPECT_EQ(path(f)->size(), 7);
    EXPECT_EQ(stream(f, u"notes")->size(), 11);
    EXPECT_TRUE(stream(f, u"notes")->exists());
    EXPECT_TRUE(stream(f, u"notes")->isFile());
    // Nothing named "file.txt:notes" appears beside the file.
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"file.txt"}));

    // Other attribute namespaces are not streams: never listed or removed.
    const bool trusted = ::setxattr(f.c_str(), "trusted.keep", "k", 1, 0) == 0;

    Pooled<ArrayP> streams(path(f)->listStreams(nullptr));
    std::vector<std::string> listed;
    for (s::u32 i = 0; i < streams->size(); ++i) {
        auto* p = streams->getAs<PathWin>(i);
        EXPECT_TRUE(p->isStream());
        listed.push_back(utf8(p->fullPathText()) + "=" + std::to_string(p->size()));
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{f + ":notes=11", f + ":zone=0"}));
    EXPECT_TRUE(path(f)->hasStreams(false));

    // A stream is made and removed as an entry of its own; the file stays.
    EXPECT_TRUE(stream(f, u"fresh")->createEmptyFile());
    EXPECT_FALSE(stream(f, u"fresh")->createEmptyFile());
    EXPECT_TRUE(stream(f, u"fresh")->remove());
    EXPECT_TRUE(stream(f, u"fresh")->remove()); // gone counts as done
    EXPECT_EQ(readFile(f), "content");
    // Moving, copying and renaming a stream are refused, and nothing is made.
    EXPECT_FALSE(stream(f, u"notes")->renameTo(dir.u16("renamed").c_str()));
    EXPECT_FALSE(stream(f, u"notes")->copyTo(dir.u16("copied").c_str(), true));
    EXPECT_FALSE(stream(f, u"notes")->moveTo(dir.u16("moved").c_str(), true));
    EXPECT_EQ(entriesOf(dir.path()), (std::vector<std::string>{"file.txt"}));
    // Names that no path or attribute can hold.
    EXPECT_FALSE(stream(f, u"a/b")->isValid());
    EXPECT_FALSE(stream(f, u"")->isValid());
    EXPECT_FALSE(stream(f, std::u16string(300, u'n').c_str())->isValid());
    // A stream of a missing file cannot be written.
    EXPECT_FALSE(writeStream(dir.file("absent.txt"), u"notes", "x"));
    EXPECT_FALSE(entryExists(dir.file("absent.txt")));

    // Deep: a folder's own streams and those of everything below it.
    ASSERT_TRUE(path(dir.file("tree/sub"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("tree/sub/inner.bin"), "i"));
    ASSERT_TRUE(writeStream(dir.file("tree/sub/inner.bin"), u"tag", "t"));
    EXPECT_FALSE(path(dir.file("tree"))->hasStreams(false));
    EXPECT_TRUE(path(dir.file("tree"))->hasStreams(true));
    EXPECT_TRUE(path(dir.file("tree"))->removeStreams(true));
    EXPECT_FALSE(path(dir.file("tree"))->hasStreams(true));
    EXPECT_EQ(readFile(dir.file("tree/sub/inner.bin")), "i");

    EXPECT_TRUE(path(f)->removeStreams(false));
    EXPECT_FALSE(path(f)->hasStreams(false));
    Pooled<ArrayP> after(path(f)->listStreams(nullptr));
    EXPECT_EQ(after->size(), 0u);
    EXPECT_EQ(readFile(f), "content");
    if (trusted) {
        char value[4] = {};
        EXPECT_EQ(::getxattr(f.c_str(), "trusted.keep", value, sizeof value), 1);
    }
}

TEST(PathStreams, FileSystemWithoutAttributesFailsCleanly) {
    NoAttributeFolder folder;
    if (!folder.usable())
        GTEST_SKIP() << "no file system without user extended attributes could be made: " << folder.reason();
    const std::string f = folder.file("file.txt");
    ASSERT_TRUE(writeFile(f, "content"));
    // The write fails and reports it; no file takes the stream's place.
    EXPECT_FALSE(writeStream(f, u"notes", "hello"));
    EXPECT_FALSE(writeStream(f, u"notes", "hello", true));
    EXPECT_FALSE(stream(f, u"notes")->createEmptyFile());
    EXPECT_FALSE(stream(f, u"notes")->exists());
    EXPECT_EQ(readStream(f, u"notes"), "<failed>");
    EXPECT_FALSE(entryExists(f + ":notes"));
    EXPECT_EQ(readFile(f), "content");
    Pooled<ArrayP> streams(path(f)->listStreams(nullptr));
    EXPECT_EQ(streams->size(), 0u);
    EXPECT_FALSE(path(f)->hasStreams(true));
    // Nothing can be there, so nothing is left.
    EXPECT_TRUE(path(f)->removeStreams(true));
}

TEST(PathScramble, OneFileWithANewNameAndItsContentIntact) {
    TempDir dir;
    ASSERT_TRUE(path(dir.file("short"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("short/ab"), "payload"));
    StrBuffer out;
    EXPECT_TRUE(path(dir.file("short/ab"))->scrambleName(1, &out, false));
    auto names = entriesOf(dir.file("short"));
    ASSERT_EQ(names.size(), 1u);
    const std::string& n = names[0];
    // Three random characters and the underscore.
    ASSERT_EQ(n.size(), 4u) << n;
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(n[i])) && n[i] != '0') << n;
    EXPECT_EQ(n[3], '_');
    EXPECT_EQ(utf8(out.view()), dir.file("short/" + n));
    EXPECT_EQ(readFile(dir.file("short/" + n)), "payload");

    // Every character but the dot changes, the extension too; several passes.
    ASSERT_TRUE(path(dir.file("long"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("long/ab.txt"), "second"));
    ASSERT_EQ(::chmod(dir.file("long/ab.txt").c_str(), 0444), 0);
    EXPECT_TRUE(path(dir.file("long/ab.txt"))->scrambleName(3, &out, true));
    names = entriesOf(dir.file("long"));
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].size(), 6u);
    EXPECT_EQ(names[0][2], '.');
    EXPECT_EQ(readFile(dir.file("long/" + names[0])), "second");
    struct stat st;
    ASSERT_EQ(::stat(dir.file("long/" + names[0]).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u) << "read-only again";

    // Refused: the root-like short paths.
    EXPECT_FALSE(path("/ab")->scrambleName(1, nullptr, false));
}

TEST(PathScramble, ACollidingNameIsNeverReplaced) {
    TempDir dir;
    // "a" becomes two random characters and "_": occupy all 61 x 61 names.
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz123456789";
    for (const char* x = alphabet; *x; ++x) {
        for (const char* y = alphabet; *y; ++y)
            ASSERT_TRUE(writeFile(dir.file(std::string{*x, *y, '_'}), std::string{*x, *y}));
    }
    ASSERT_TRUE(writeFile(dir.file("a"), "mine"));
    StrBuffer out;
    EXPECT_FALSE(path(dir.file("a"))->scrambleName(2, &out, false));
    EXPECT_EQ(utf8(out.view()), dir.file("a"));
    EXPECT_EQ(readFile(dir.file("a")), "mine");
    EXPECT_EQ(entriesOf(dir.path()).size(), 61u * 61u + 1u);
    EXPECT_EQ(readFile(dir.file("Qz_")), "Qz");
    EXPECT_EQ(readFile(dir.file("19_")), "19");
}

TEST(PathExclusive, AnotherOpenOfTheFileMakesItFalse) {
    TempDir dir;
    const std::string f = dir.file("tree/busy.bin");
    ASSERT_TRUE(path(dir.file("tree"))->makeFolder());
    ASSERT_TRUE(writeFile(f, "data"));
    ASSERT_TRUE(writeFile(dir.file("tree/empty.bin"), ""));
    EXPECT_TRUE(path(f)->canOpenExclusively(true));
    EXPECT_TRUE(path(dir.file("tree"))->canOpenExclusively(true));

    const int reader = ::open(f.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(path(f)->canOpenExclusively(true));
    EXPECT_FALSE(path(dir.file("tree"))->canOpenExclusively(true));
    const bool streams = takesUserAttributes(dir.path()) && writeStream(f, u"notes", "n");
    if (streams) {
        EXPECT_FALSE(stream(f, u"notes")->canOpenExclusively(true));
    }
    ::close(reader);
    if (streams) {
        EXPECT_TRUE(stream(f, u"notes")->canOpenExclusively(true));
    }
    const int emptyReader = ::open(dir.file("tree/empty.bin").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(emptyReader, 0);
    // An empty file has nothing to keep safe.
    EXPECT_TRUE(path(dir.file("tree/empty.bin"))->canOpenExclusively(true));
    ::close(emptyReader);
    EXPECT_TRUE(path(f)->canOpenExclusively(true));
    EXPECT_EQ(readFile(f), "data");

    // Read-only: made writable for the test, read-only again when asked.
    ASSERT_EQ(::chmod(f.c_str(), 0444), 0);
    EXPECT_TRUE(path(f)->canOpenExclusively(true));
    struct stat st;
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_TRUE(path(f)->canOpenExclusively(false));
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & 0200, 0u);

    EXPECT_FALSE(path(dir.file("missing"))->canOpenExclusively(true));
    EXPECT_FALSE(path("/ab")->canOpenExclusively(true));
}
