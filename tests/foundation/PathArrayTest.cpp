// PathArray sorting, grouping and batch operations, wildcard searches and
// the neighbour of an entry, on real files in a temporary folder.

#include "foundation/file/win/PathArray.h"
#include "foundation/file/Extension.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/StrArray.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using s::col::_array::ArrayP;
using s::file::Extension;
using s::file::IPathArray;
using s::file::win::newPath;
using s::file::win::PathArray;
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
using s::thread::Pooled;

namespace {

PathHandle path(const std::string& utf8Path) {
    return PathHandle(newPath(utf16(utf8Path).c_str()));
}

std::string linkText(const std::string& link) {
    char buffer[4096];
    const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

// The elements' full paths, less the folder's prefix.
std::vector<std::string> relative(const ArrayP& a, const TempDir& dir) {
    std::vector<std::string> out;
    for (s::u32 i = 0; i < a.size(); ++i) {
        const std::string full = utf8(a.getAs<PathWin>(i)->fullPathText());
        out.push_back(full.compare(0, dir.path().size() + 1, dir.path() + "/") == 0
                          ? full.substr(dir.path().size() + 1)
                          : full);
    }
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

Pooled<PathArray> arrayOf(const TempDir& dir, const std::vector<std::string>& names) {
    Pooled<PathArray> a(PathArray::create());
    for (const auto& n : names)
        a->appendPath(dir.u16(n).c_str());
    return a;
}

// Runs with XDG_DATA_HOME pointing into `dir`, so the trash is the test's.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const std::string& folder) {
        if (const char* old = std::getenv("XDG_DATA_HOME"))
            m_old = old, m_had = true;
        ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
    }
    ~ScopedDataHome() {
        if (m_had)
            ::setenv("XDG_DATA_HOME", m_old.c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

private:
    std::string m_old;
    bool m_had = false;
};

} // namespace

TEST(PathArraySort, CaseIgnoredOverTheCommonLengthShorterFirstEqualKeysKeepTheirOrder) {
    TempDir dir;
    // Names with the same key ignoring case (apple/Apple, APP/app,
    // Éclair/éclair) must stay in their input order; a prefix sorts first;
    // a hidden name's dot sorts before letters; "É" lower-cases to "é", which
    // comes after every ASCII letter.
    auto a = arrayOf(dir, {"Zebra", "apple", ".hidden", "Éclair", "APP", "Apple", "éclair", "app", "b"});
    a->sortByPath();
    EXPECT_EQ(relative(*a, dir), (std::vector<std::string>{".hidden", "APP", "app", "apple", "Apple", "b",
                                                           "Zebra", "Éclair", "éclair"}));
    EXPECT_EQ(std::string(utf8(a->getClassName())), "s_file_win_PathArray");
}

TEST(PathArraySort, ByExtensionIsStableAcrossMergedRuns) {
    TempDir dir;
    // Enough elements for the merge steps (runs of 7 or more), with many
    // equal keys in different case; the title records the input order.
    const char* exts[] = {".mp4", ".MP4", ".mkv", ".Mp4", "", ".avi", ".MKV", ".mp", ".m"};
    std::vector<std::pair<std::string, int>> expected; // (lower-cased ext, input index)
    Pooled<PathArray> a(PathArray::create());
    for (int i = 0; i < 57; ++i) {
        const std::string ext = exts[(i * 7 + i / 5) % 9];
        a->appendPath(dir.u16("f" + std::to_string(i) + ext).c_str());
        std::string lower = ext;
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        expected.emplace_back(lower, i);
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    a->sortByExt();
    ASSERT_EQ(a->size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string title = utf8(a->path(static_cast<s::u32>(i))->titleText());
        EXPECT_EQ(title, "f" + std::to_string(expected[i].second)) << "at " << i;
    }
}

TEST(PathArraySort, RecordedKindsMoveWithTheirElements) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("c.txt"), "c"));
    ASSERT_EQ(::mkdir(dir.file("B").c_str(), 0755), 0);
    ASSERT_TRUE(writeFile(dir.file("a.txt"), "a"));
    ASSERT_EQ(::mkdir(dir.file("d").c_str(), 0755), 0);
    auto a = arrayOf(dir, {"B", "c.txt", "d", "a.txt"});
    EXPECT_FALSE(a->hasRecordedKinds());
    a->recordKinds();
    EXPECT_TRUE(a->recordedKind(0));
    EXPECT_FALSE(a->recordedKind(1));
    // The kinds stay as recorded, also when the entries change.
    ASSERT_EQ(::rmdir(dir.file("B").c_str()), 0);
    a->sortByPath();
    EXPECT_EQ(relative(*a, dir), (std::vector<std::string>{"a.txt", "B", "c.txt", "d"}));
    EXPECT_FALSE(a->recordedKind(0));
    EXPECT_TRUE(a->recordedKind(1));
    EXPECT_FALSE(a->recordedKind(2));
    EXPECT_TRUE(a->recordedKind(3));
    EXPECT_FALSE(a->recordedKind(4));

    Pooled<PathArray> placed(a->placedIn(u"/elsewhere"));
    EXPECT_EQ(relative(*placed, dir), (std::vector<std::string>{"/elsewhere/a.txt", "/elsewhere/B",
                                                                "/elsewhere/c.txt", "/elsewhere/d"}));
    EXPECT_TRUE(placed->recordedKind(1));
    Pooled<PathArray> links(a->shortcutsIn(u"/links/"));
    EXPECT_EQ(utf8(links->path(3)->fullPathText()), "/links/d.lnk");
    EXPECT_TRUE(links->recordedKind(3));

    const auto& list = a->buildFromList();
    const std::u16string expected = dir.u16("a.txt") + u'\0' + dir.u16("B") + u'\0' + dir.u16("c.txt") +
                                    u'\0' + dir.u16("d") + u'\0' + u'\0';
    EXPECT_EQ(std::u16string(list.view()), expected);
}

TEST(PathArrayGroups, FilesGroupUnderTheirSizeLabels) {
    TempDir dir;
    const std::vector<std::pair<std::string, size_t>> files = {
        {"empty", 0}, {"k-1", 1023}, {"k", 1024}, {"5k", 5000}, {"10k", 10240}, {"200k", 200000}};
    for (const auto& [name, bytes] : files)
        ASSERT_TRUE(writeFile(dir.file(name), std::string(bytes, 'x')));
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    auto a = arrayOf(dir, {"200k", "empty", "folder", "5k", "k-1", "missing", "10k", "k"});

    auto describe = [&](ArrayP* groups) {
        std::vector<std::string> out;
        for (s::u32 i = 0; i < groups->size(); ++i) {
            auto* g = groups->getAs<Extension>(i);
            std::string line = utf8(g->key().view()) + ":";
            for (s::u32 k = 0; k < g->pathCount(); ++k)
                line += " " + utf8(g->paths()->path(k)->name());
            out.push_back(line);
        }
        return out;
    };
    Pooled<ArrayP> above(a->groupBySizeAbove());
    EXPECT_EQ(describe(above.get()),
              (std::vector<std::string>{"1024: empty k-1", "10240: 5k k", "102400: 10k", "1048576: 200k"}));
    Pooled<ArrayP> below(a->groupBySizeBelow());
    EXPECT_EQ(describe(below.get()), (std::vector<std::string>{"1024: 5k k", "10240: 10k", "102400: 200k"}));
    auto* first = below->getAs<Extension>(0);
    EXPECT_EQ(std::string(utf8(first->getClassName())), "s_file_Extension");
    // A group compares as its key.
    Pooled<Extension> probe(Extension::create());
    probe->key().set(u"1024");
    EXPECT_TRUE(first->equals(probe.get()));
    EXPECT_EQ(first->hashCode(), probe->hashCode());
    // The groups hold their own copies: the list outlives the array.
    a.reset();
    EXPECT_EQ(utf8(first->paths()->path(1)->name()), "k");
}

TEST(PathSearch, WildcardsMatchNamesInTheFolder) {
    TempDir dir;
    for (const char* f : {"a.mp4", "b.MP4", "c.txt", ".h.mp4", "ab.mp4", "😀.txt", "x😀y.txt"})
        ASSERT_TRUE(writeFile(dir.file(f), "v"));
    ASSERT_EQ(::mkdir(dir.file("folder.mp4").c_str(), 0755), 0);
    ASSERT_EQ(::symlink(dir.file("a.mp4").c_str(), dir.file("alias.mp4").c_str()), 0);

    Pooled<ArrayP> files(path(dir.file("*.mp4"))->findFiles(false, false, nullptr));
    // Case counts as on the file system; hidden entries need `all`; links
    // and folders are no files.
    EXPECT_EQ(sorted(relative(*files, dir)), (std::vector<std::string>{"a.mp4", "ab.mp4"}));
    Pooled<ArrayP> entries(path(dir.file("*.mp4"))->findEntries(true, false, nullptr));
    EXPECT_EQ(sorted(relative(*entries, dir)),
              (std::vector<std::string>{".h.mp4", "a.mp4", "ab.mp4", "folder.mp4"}));
    Pooled<ArrayP> one(path(dir.file("?.mp4"))->findFiles(false, false, nullptr));
    EXPECT_EQ(relative(*one, dir), (std::vector<std::string>{"a.mp4"}));
    // "?" is one character, also outside the basic plane.
    Pooled<ArrayP> emoji(path(dir.file("?.txt"))->findFiles(false, false, nullptr));
    EXPECT_EQ(sorted(relative(*emoji, dir)), (std::vector<std::string>{"c.txt", "😀.txt"}));
    Pooled<ArrayP> inner(path(dir.file("x?y*"))->findFiles(false, false, nullptr));
    EXPECT_EQ(relative(*inner, dir), (std::vector<std::string>{"x😀y.txt"}));
    Pooled<ArrayP> exact(path(dir.file("c.txt"))->findFiles(false, false, nullptr));
    EXPECT_EQ(relative(*exact, dir), (std::vector<std::string>{"c.txt"}));
    Pooled<ArrayP> none(path(dir.file("*.mkv"))->findFiles(true, false, nullptr));
    EXPECT_EQ(none->size(), 0u);
    // A new result is a PathArray that can be sorted at once.
    auto* asArray = dynamic_cast<PathArray*>(entries.get());
    ASSERT_NE(asArray, nullptr);
    asArray->sortByPath();
    EXPECT_EQ(relative(*asArray, dir), (std::vector<std::string>{".h.mp4", "a.mp4", "ab.mp4", "folder.mp4"}));
}

TEST(PathSearch, RecursiveSearchEndsInALinkLoopAndFindsEachFileOnce) {
    TempDir dir;
    ASSERT_TRUE(path(dir.file("t/sub/deep"))->makeFolder());
    for (const char* f : {"t/a.mp4", "t/sub/x.mp4", "t/sub/yy.mp4", "t/sub/deep/z.mp4", "t/sub/deep/n.txt"})
        ASSERT_TRUE(writeFile(dir.file(f), "v"));
    // Loops: back to the top, to the folder itself, and two links at each other.
    ASSERT_EQ(::symlink(dir.file("t").c_str(), dir.file("t/sub/deep/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", dir.file("t/sub/self").c_str()), 0);
    ASSERT_EQ(::symlink("ping", dir.file("t/pong").c_str()), 0);
    ASSERT_EQ(::symlink("pong", dir.file("t/ping").c_str()), 0);

    Pooled<ArrayP> found(path(dir.file("t/?.mp4"))->findFiles(false, true, nullptr));
    EXPECT_EQ(sorted(relative(*found, dir)),
              (std::vector<std::string>{"t/a.mp4", "t/sub/deep/z.mp4", "t/sub/x.mp4"}));
    Pooled<ArrayP> all(path(dir.file("t/*"))->findEntries(true, true, nullptr));
    EXPECT_EQ(sorted(relative(*all, dir)),
              (std::vector<std::string>{"t/a.mp4", "t/sub", "t/sub/deep", "t/sub/deep/n.txt",
                                        "t/sub/deep/z.mp4", "t/sub/x.mp4", "t/sub/yy.mp4"}));
}

TEST(PathNeighbour, ForwardsBackwardsWithAndWithoutWrap) {
    TempDir dir;
    for (const char* f : {"c.mp4", "a.MP4", "b.txt", "D.mp4", ".hidden.mp4"})
        ASSERT_TRUE(writeFile(dir.file(f), "v"));
    Pooled<StrArray> videos(StrArray::create());
    videos->append(u".mp4");
    auto next = [&](const char* from, bool forward, bool wrap) {
        PathHandle n(path(dir.file(from))->neighbour(forward, videos.get(), true, wrap));
        return n ? utf8(n->name()) : std::string("<none>");
    };
    // Sorted ignoring case: a.MP4, c.mp4, D.mp4 (the hidden one is not shown).
    EXPECT_EQ(next("a.MP4", true, false), "c.mp4");
    EXPECT_EQ(next("c.mp4", true, false), "D.mp4");
    EXPECT_EQ(next("D.mp4", true, false), "<none>");
    EXPECT_EQ(next("D.mp4", true, true), "a.MP4");
    EXPECT_EQ(next("c.mp4", false, false), "a.MP4");
    EXPECT_EQ(next("a.MP4", false, false), "<none>");
    EXPECT_EQ(next("a.MP4", false, true), "D.mp4");
    // A name outside the selection counts where it would stand.
    EXPECT_EQ(next("b.txt", true, false), "c.mp4");
    EXPECT_EQ(next("b.txt", false, false), "a.MP4");
    EXPECT_EQ(next("zz.mp4", true, false), "<none>");
    EXPECT_EQ(next("zz.mp4", true, true), "a.MP4");

    // Without a filter the text file is a neighbour too.
    PathHandle any(path(dir.file("a.MP4"))->neighbour(true, nullptr, true, false));
    ASSERT_TRUE(any);
    EXPECT_EQ(utf8(any->name()), "b.txt");

    // Unsorted: the file system's order, as the listing gives it.
    Pooled<StrArray> order(path(dir.path())->listNames(false, false));
    ASSERT_EQ(order->size(), 4u);
    for (s::u32 i = 0; i < order->size(); ++i) {
        PathHandle n(path(dir.file(utf8(order->get(i)->view())))->neighbour(true, nullptr, false, true));
        ASSERT_TRUE(n);
        EXPECT_EQ(utf8(n->name()), utf8(order->get((i + 1) % order->size())->view()));
    }

    // One name: no other entry, not even with wrap.
    TempDir lone;
    ASSERT_TRUE(writeFile(lone.file("only.mp4"), "v"));
    PathHandle self(path(lone.file("only.mp4"))->neighbour(true, nullptr, true, true));
    EXPECT_FALSE(self);
}

TEST(PathArrayBatch, CopyAndMoveNeverReplaceAndKeepShortcutsAsLinks) {
    TempDir dir;
    ASSERT_TRUE(path(dir.file("src/F/inner"))->makeFolder());
    ASSERT_TRUE(writeFile(dir.file("src/a.txt"), "A"));
    ASSERT_TRUE(writeFile(dir.file("src/F/inner/b.txt"), "B"));
    ASSERT_EQ(::symlink(dir.file("src/a.txt").c_str(), dir.file("src/a.lnk").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("src/gone").c_str(), dir.file("src/broken.lnk").c_str()), 0);

    auto a = arrayOf(dir, {"src/a.txt", "src/F", "src/a.lnk", "src/broken.lnk"});
    EXPECT_EQ(a->copyAllTo(dir.u16("out/new").c_str(), true), IPathArray::kBatchDone);
    EXPECT_EQ(readFile(dir.file("out/new/a.txt")), "A");
    EXPECT_EQ(readFile(dir.file("out/new/F/inner/b.txt")), "B");
    EXPECT_EQ(linkText(dir.file("out/new/a.lnk")), dir.file("src/a.txt"));
    EXPECT_EQ(linkText(dir.file("out/new/broken.lnk")), dir.file("src/gone"));
    EXPECT_TRUE(a->recordedKind(1));

    // Again over the copies: nothing is replaced.
    ASSERT_TRUE(writeFile(dir.file("src/a.txt"), "changed"));
    EXPECT_EQ(a->copyAllTo(dir.u16("out/new").c_str()), IPathArray::kBatchPartial);
    EXPECT_EQ(readFile(dir.file("out/new/a.txt")), "A");

    // Moving into a folder shortcut lands in its target; one name is taken.
    ASSERT_TRUE(path(dir.file("dest"))->makeFolder());
    ASSERT_TRUE(path(dir.file("via"))->makeFolder());
    ASSERT_EQ(::symlink(dir.file("dest").c_str(), dir.file("via/target.lnk").c_str()), 0);
    ASSERT_TRUE(writeFile(dir.file("dest/a.lnk"), "occupied"));
    EXPECT_EQ(a->moveAllTo(dir.u16("via").c_str()), IPathArray::kBatchPartial);
    EXPECT_EQ(readFile(dir.file("dest/a.txt")), "changed");
    EXPECT_EQ(readFile(dir.file("dest/F/inner/b.txt")), "B");
    EXPECT_EQ(linkText(dir.file("dest/broken.lnk")), dir.file("src/gone"));
    EXPECT_EQ(readFile(dir.file("dest/a.lnk")), "occupied");
    EXPECT_TRUE(entryExists(dir.file("src/a.lnk")));
    EXPECT_FALSE(entryExists(dir.file("src/a.txt")));
    EXPECT_FALSE(entryExists(dir.file("src/F")));
    EXPECT_FALSE(entryExists(dir.file("via/a.txt")));

    // The sources are gone now: that is a failure, not a success.
    EXPECT_EQ(a->moveAllTo(dir.u16("elsewhere").c_str()), IPathArray::kBatchFailed);
    // A file is no target folder.
    EXPECT_EQ(a->copyAllTo(dir.u16("dest/a.txt").c_str()), IPathArray::kBatchFailed);
}

TEST(PathArrayBatch, ShortcutsUniqueNamesAndTrash) {
    TempDir dir;
    ASSERT_TRUE(writeFile(dir.file("one.txt"), "1"));
    ASSERT_TRUE(path(dir.file("Two"))->makeFolder());
    auto a = arrayOf(dir, {"one.txt", "Two", "missing.txt"});
    ASSERT_TRUE(path(dir.file("links"))->makeFolder());
    EXPECT_EQ(a->createShortcutsIn(dir.u16("links").c_str()), IPathArray::kBatchDone);
    EXPECT_EQ(linkText(dir.file("links/one.txt.lnk")), dir.file("one.txt"));
    EXPECT_EQ(linkText(dir.file("links/Two.lnk")), dir.file("Two"));
    EXPECT_FALSE(entryExists(dir.file("links/missing.txt.lnk")));
    EXPECT_EQ(a->createShortcutsIn(dir.u16("links").c_str()), IPathArray::kBatchPartial);

    a->makeUnique();
    EXPECT_EQ(relative(*a, dir), (std::vector<std::string>{"one (1).txt", "Two (1)", "missing.txt"}));

    TempDir data;
    ScopedDataHome home(data.path());
    auto doomed = arrayOf(dir, {"one.txt", "Two", "missing.txt"});
    EXPECT_EQ(doomed->deleteAll(), IPathArray::kBatchDone);
    EXPECT_FALSE(entryExists(dir.file("one.txt")));
    EXPECT_FALSE(entryExists(dir.file("Two")));
    EXPECT_EQ(readFile(data.file("Trash/files/one.txt")), "1");
    EXPECT_TRUE(entryExists(data.file("Trash/info/Two.trashinfo")));
}
