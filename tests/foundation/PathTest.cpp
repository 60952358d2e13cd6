// Splitting, name forms and derived paths of PathWin (no file system needed).

#include "foundation/file/win/OsText.h"
#include "foundation/file/win/PathWin.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using s::file::win::newPath;
using s::file::win::PathHandle;
using s::file::win::PathWin;

namespace {

PathHandle path(const char16_t* text) {
    return PathHandle(newPath(text));
}
PathHandle path(const std::u16string& text) {
    return PathHandle(newPath(text.c_str()));
}
std::u16string str(const char16_t* text) {
    return text;
}

} // namespace

TEST(PathSplit, TitleKeepsInnerDotsAndExtensionIsTheLastOne) {
    auto p = path(u"/home/u/Videos/clip.final.mp4");
    EXPECT_TRUE(p->isValid());
    EXPECT_TRUE(p->isAbsolute());
    EXPECT_EQ(str(p->fullPathText()), u"/home/u/Videos/clip.final.mp4");
    EXPECT_EQ(str(p->folder()), u"/home/u/Videos/");
    EXPECT_EQ(str(p->folderNoSlash()), u"/home/u/Videos");
    EXPECT_EQ(str(p->titleText()), u"clip.final");
    EXPECT_EQ(str(p->extWithDot()), u".mp4");
    EXPECT_EQ(str(p->extNoDot()), u"mp4");
    EXPECT_EQ(str(p->name()), u"clip.final.mp4");
    EXPECT_EQ(str(p->folderForm()), u"/home/u/Videos/clip.final.mp4/");
    EXPECT_TRUE(p->extEquals(u".MP4"));
    EXPECT_FALSE(p->extEquals(u".mp"));
}

TEST(PathSplit, TrailingSlashesAreDroppedAndTheRootStays) {
    auto p = path(u"/a/b///");
    EXPECT_EQ(str(p->fullPathText()), u"/a/b");
    EXPECT_EQ(str(p->titleText()), u"b");
    EXPECT_EQ(str(p->folder()), u"/a/");

    for (const char16_t* root : {u"/", u"///"}) {
        auto r = path(root);
        EXPECT_TRUE(r->isValid());
        EXPECT_EQ(str(r->fullPathText()), u"/");
        EXPECT_EQ(str(r->name()), u"");
        EXPECT_EQ(str(r->folder()), u"/");
        EXPECT_EQ(str(r->folderNoSlash()), u"/");
        EXPECT_EQ(str(r->folderForm()), u"/");
        EXPECT_EQ(r->parentOrNull(), nullptr);
        // The guard against changing a root.
        EXPECT_FALSE(r->makeFolder());
        EXPECT_FALSE(r->remove());
        EXPECT_FALSE(r->moveTo(u"/tmp/elsewhere", false));
        EXPECT_FALSE(r->copyTo(u"/tmp/elsewhere", false));
    }
    auto child = PathHandle(path(u"/")->child(u"etc"));
    EXPECT_EQ(str(child->fullPathText()), u"/etc");
}

TEST(PathSplit, DotNamesColonsAndRelativePaths) {
    auto hidden = path(u"/home/u/.config");
    EXPECT_EQ(str(hidden->titleText()), u".config");
    EXPECT_EQ(str(hidden->extWithDot()), u"");
    auto dots = path(u"/x/..");
    EXPECT_EQ(str(dots->titleText()), u"..");
    auto lone = path(u"/x/file.");
    EXPECT_EQ(str(lone->extWithDot()), u".");
    EXPECT_EQ(str(lone->extNoDot()), u"");

    // A ":" is an ordinary character of a name, not a stream separator.
    auto colon = path(u"/data/notes:v2.txt");
    EXPECT_FALSE(colon->isStream());
    EXPECT_EQ(str(colon->titleText()), u"notes:v2");
    EXPECT_EQ(str(colon->extWithDot()), u".txt");
    EXPECT_EQ(colon->creationTime(), 0); // missing, not a stream: still 0

    auto rel = path(u"clip.mp4");
    EXPECT_TRUE(rel->isValid());
    EXPECT_FALSE(rel->isAbsolute());
    EXPECT_EQ(str(rel->folder()), u"");
    EXPECT_EQ(rel->parentOrNull(), nullptr);
    EXPECT_TRUE(rel->makeParent()); // the current folder

    auto empty = path(u"");
    EXPECT_FALSE(empty->isValid());
    EXPECT_FALSE(empty->exists());
    EXPECT_EQ(empty->length(), 0u);
}

TEST(PathSplit, NamesThatAreNotUtf8SurviveTheRoundTrip) {
    const std::string bytes = "/tmp/bad\xff\xfename\xc3.txt";
    PathHandle p(s::file::win::newPathOs(bytes));
    EXPECT_EQ(p->osPathBytes(), bytes);
    EXPECT_EQ(str(p->extWithDot()), u".txt");
    PathHandle again(newPath(p->fullPathText()));
    EXPECT_EQ(again->osPathBytes(), bytes);
}

TEST(PathDerived, ChildExtensionSuffixAndParent) {
    auto p = path(u"/v/clip.mp4");
    EXPECT_EQ(str(PathHandle(p->child(u"x"))->fullPathText()), u"/v/clip.mp4/x");
    EXPECT_EQ(str(PathHandle(p->withExtension(u".mkv"))->fullPathText()), u"/v/clip.mkv");
    EXPECT_EQ(str(PathHandle(p->withSuffix(u"_TMP"))->fullPathText()), u"/v/clip_TMP.mp4");
    EXPECT_EQ(str(PathHandle(p->parent())->fullPathText()), u"/v");
    PathHandle top(path(u"/v")->parentOrNull());
    ASSERT_TRUE(top);
    EXPECT_EQ(str(top->fullPathText()), u"/");

    PathHandle joined(newPath(u"/v/", u"a b.mp4"));
    EXPECT_EQ(str(joined->name()), u"a b.mp4");
    PathHandle child(s::file::win::newChildPath(u"/v", u"c.mp4"));
    EXPECT_EQ(str(child->fullPathText()), u"/v/c.mp4");
    PathHandle lnk(s::file::win::newShortcutPath(u"/v", u"c"));
    EXPECT_EQ(str(lnk->fullPathText()), u"/v/c.lnk");
}

TEST(PathDerived, ComparesAndHashesAsItsFullPath) {
    auto a = path(u"/v/clip.mp4/");
    auto b = path(u"/v/clip.mp4");
    auto c = path(u"/v/CLIP.mp4");
    EXPECT_TRUE(a->equals(b.get()));
    EXPECT_EQ(a->hashCode(), b->hashCode());
    EXPECT_FALSE(a->equals(c.get()));
    EXPECT_TRUE(a->equalsIgnoreCase(c.get()));
    EXPECT_LT(path(u"/a")->compareTo(path(u"/b").get()), 0);
}

TEST(PathRelative, RelativizeUsesWholeNamesAndResolveClimbs) {
    s::test::TempDir dir;
    const std::u16string base = dir.u16();
    auto p = path(base + u"/a/bc/");
    // Not existing: the base is the folder part unless asked for a folder.
    EXPECT_EQ(str(p->relativize((base + u"/a/bd/x.txt").c_str(), true)), u"../bd/x.txt");
    EXPECT_EQ(str(p->relativize((base + u"/a/bd/x.txt").c_str(), false)), u"bd/x.txt");
    EXPECT_EQ(str(p->relativize((base + u"/z/y.txt").c_str(), true)), u"../../z/y.txt");
    EXPECT_EQ(str(p->relativize((base + u"/a/bc/x.txt").c_str(), true)), u"x.txt");
    // Different kinds of path: unchanged.
    EXPECT_EQ(str(p->relativize(u"rel/x.txt", true)), u"rel/x.txt");

    auto q = path(u"/a/b/c");
    EXPECT_EQ(str(q->resolve(u"../x.txt", true)), u"/a/b/x.txt");
    EXPECT_EQ(str(q->resolve(u"./../../x.txt", true)), u"/a/x.txt");
    EXPECT_EQ(str(q->resolve(u"../x.txt", false)), u"/a/x.txt");
    EXPECT_EQ(str(q->resolve(u"../../../../../x", true)), u"/x");
    EXPECT_EQ(str(q->resolve(u"/abs/y", true)), u"/abs/y");
    EXPECT_EQ(str(path(u"d/f.txt")->resolve(u"../../x", false)), u"../x");
}
