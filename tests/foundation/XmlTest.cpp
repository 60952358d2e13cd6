#include "foundation/col/array/Arrays.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/Node.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

using s::i16;
using s::i32;
using s::i64;
using s::i8;
using s::u16;
using s::u32;
using s::u8;
using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::thread::makePooled;
using s::thread::Pooled;
using s::xml::Node;

namespace {

Pooled<Node> parsed(const char16_t* text) {
    Pooled<Node> node = makePooled<Node>();
    node->parse(text);
    return node;
}

std::u16string xmlOf(const Node& node) {
    auto out = makePooled<StrBuffer>();
    node.toXml(out.get(), false);
    return std::u16string(out->view());
}

std::u16string stringOf(const Node& node, const char16_t* name, const char16_t* fallback = u"<absent>") {
    auto out = makePooled<StrBuffer>();
    node.getString(out.get(), name, fallback, false);
    return std::u16string(out->view());
}

// Writes the element, reads the text back and returns the new element.
Pooled<Node> roundTrip(const Node& node) { return parsed(xmlOf(node).c_str()); }

} // namespace

// ---------------------------------------------------------------- escaping

TEST(XmlEscaping, AttributeValuesUseTheAttributeTableAndReadBackUnchanged) {
    const char16_t* value = u"say \"hi\" & <go> a\tb\nc\rd";
    auto node = makePooled<Node>();
    node->setName(u"e");
    node->setString(u"v", value);
    EXPECT_EQ(std::u16string(node->getRaw(u"v", nullptr)),
              u"say &quot;hi&quot; &amp; &lt;go> a\tb&#10;c&#13;d");
    EXPECT_EQ(xmlOf(*node), u"<e v=\"say &quot;hi&quot; &amp; &lt;go> a\tb&#10;c&#13;d\"></e>");
    EXPECT_EQ(stringOf(*roundTrip(*node), u"v"), value);
}

TEST(XmlEscaping, ElementTextUsesTheTextTableAndKeepsSpacesAtBothEnds) {
    auto node = makePooled<Node>();
    node->setName(u"e");
    node->setString(u"", u" x ");
    EXPECT_EQ(xmlOf(*node), u"<e>&#160;x&#160;</e>");

    const char16_t* text = u"a \"q\" <b> & c\nd";
    node->clear();
    node->setName(u"e");
    node->setString(nullptr, text);
    EXPECT_EQ(std::u16string(node->getRaw(u"", nullptr)), u"a&#160;\"q\"&#160;&lt;b&gt;&#160;&amp;&#160;c&#10;d");
    EXPECT_EQ(stringOf(*roundTrip(*node), u""), text);
}

TEST(XmlEscaping, OnlyTheEntitiesOfTheValuesOwnKindAreDecoded) {
    auto node = parsed(u"<e a=\"&gt;&#160;&quot;&unknown;&am\">&quot;&#160;&gt;&#10;&amp;lt;&</e>");
    EXPECT_EQ(stringOf(*node, u"a"), u"&gt;&#160;\"&unknown;&am");
    // "&#160;" is a plain space, not U+00A0; "&amp;lt;" decodes once.
    EXPECT_EQ(stringOf(*node, u""), u"&quot; >\n&lt;&");
}

TEST(XmlEscaping, ElementTextIsTrimmedExceptWhereEntitiesMadeTheWhiteSpace) {
    EXPECT_EQ(stringOf(*parsed(u"<e>  word  </e>"), u""), u"word");
    EXPECT_EQ(stringOf(*parsed(u"<e>\r\n\t&#160;two words&#10;\t \n</e>"), u""), u" two words\n");
    // Attribute values are never trimmed.
    EXPECT_EQ(stringOf(*parsed(u"<e a=\"  x  \"/>"), u"a"), u"  x  ");
}

// ---------------------------------------------------------------- reading

TEST(XmlReader, CommentsAreDroppedAndEmptyElementsKept) {
    auto node = parsed(u"\xFEFF  <a><!-- a <comment> --><b/>\n  <!----><c k=\"1\" /></a>");
    EXPECT_TRUE(node->nameEquals(u"a"));
    ASSERT_EQ(node->childCount(), 2u);
    EXPECT_TRUE(node->getChild(0u)->nameEquals(u"b"));
    EXPECT_EQ(node->getChild(0u)->childCount(), 0u);
    EXPECT_EQ(node->getChild(1u)->getInt(u"k", 0), 1);
}

TEST(XmlReader, ReturnsThePositionJustAfterTheElement) {
    const char16_t* text = u"<a x=\"1\"/><b>t</b>tail";
    auto node = makePooled<Node>();
    const char16_t* next = node->parse(text);
    EXPECT_EQ(next, text + 10);
    next = node->parse(next);
    EXPECT_TRUE(node->nameEquals(u"b"));
    EXPECT_EQ(std::u16string(next), u"tail");
    EXPECT_EQ(*node->parse(next), u'\0');
}

TEST(XmlReader, TextBetweenChildrenAndOddAttributeSpellingsAreRead) {
    auto node = parsed(u"<r a = \"1\" b=2 flag c=\"x'y\">one<k/>two<k/></r>");
    EXPECT_EQ(node->getInt(u"a", 0), 1);
    EXPECT_EQ(node->getInt(u"b", 0), 2);
    EXPECT_EQ(std::u16string(node->getRaw(u"flag", u"?")), u"");
    EXPECT_EQ(stringOf(*node, u"c"), u"x'y");
    EXPECT_EQ(node->getAttributes().size(), 6u); // four attributes, two texts
    EXPECT_EQ(xmlOf(*node), u"<r a=\"1\" b=\"2\" flag=\"\" c=\"x'y\">one<k></k><k></k></r>");
}

TEST(XmlReader, TruncatedTextGivesAPartialTreeAndStopsAtTheEnd) {
    const char16_t* texts[] = {u"<a><b x=\"1", u"<a><b>text", u"<a><!-- open", u"<a", u"<", u"<!", u"<a></a", u"",
                               u"no markup"};
    for (const char16_t* text : texts) {
        auto node = makePooled<Node>();
        bool complete = true;
        const char16_t* end = node->parse(text, &complete);
        EXPECT_FALSE(complete) << "text: " << std::string(text, text + std::char_traits<char16_t>::length(text));
        EXPECT_EQ(*end, u'\0');
    }
    auto node = parsed(u"<a><b x=\"1");
    ASSERT_EQ(node->childCount(), 1u);
    EXPECT_EQ(node->getChild(0u)->getInt(u"x", 0), 1);
}

TEST(XmlReader, DeepNestingStopsAtTheDepthLimitWithoutExhaustingTheStack) {
    std::u16string text;
    for (int i = 0; i < 100000; ++i)
        text += u"<a>";
    auto node = makePooled<Node>();
    bool complete = true;
    EXPECT_EQ(*node->parse(text.c_str(), &complete), u'\0');
    EXPECT_FALSE(complete);
    u32 depth = 1;
    for (const Node* n = node.get(); n->childCount(); n = n->getChild(0u))
        ++depth;
    EXPECT_EQ(depth, Node::kMaxDepth);
}

// ---------------------------------------------------------------- writing

TEST(XmlWriter, WritesTextThenChildrenOnOneLineWithEndTags) {
    auto node = makePooled<Node>();
    node->setName(u"root");
    node->setString(u"k", u"v");
    node->setString(u"", u"text");
    node->setString(u"", u"second text is not written");
    node->addChild(u"one")->setNumber(u"n", 5);
    node->addChild(u"two");
    EXPECT_EQ(xmlOf(*node), u"<root k=\"v\">text<one n=\"5\"></one><two></two></root>");

    auto bytes = makePooled<ArrayU08>();
    node->toUtf8(bytes.get(), false);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
              "<root k=\"v\">text<one n=\"5\"></one><two></two></root>");
}

// ---------------------------------------------------------------- values

TEST(XmlValues, NumbersAreWrittenAsTheCFormatsAndParsedAsTheCLibraryDoes) {
    auto node = makePooled<Node>();
    node->setNumber(u"s8", static_cast<i8>(-128));
    node->setNumber(u"s64", static_cast<i64>(-9223372036854775807LL - 1));
    node->setNumber(u"u32", static_cast<u32>(4294967295u));
    node->setNumber(u"f", 1.5f);
    node->setNumber(u"d", -0.25);
    EXPECT_EQ(std::u16string(node->getRaw(u"s8", nullptr)), u"-128");
    EXPECT_EQ(std::u16string(node->getRaw(u"s64", nullptr)), u"-9223372036854775808");
    EXPECT_EQ(std::u16string(node->getRaw(u"u32", nullptr)), u"4294967295");
    EXPECT_EQ(std::u16string(node->getRaw(u"f", nullptr)), u"1.500000");
    EXPECT_EQ(std::u16string(node->getRaw(u"d", nullptr)), u"-0.250000");
    EXPECT_EQ(node->getInt(u"s64", static_cast<i64>(0)), -9223372036854775807LL - 1);
    EXPECT_EQ(node->getUnsigned(u"u32", static_cast<u32>(0)), 4294967295u);
    EXPECT_DOUBLE_EQ(node->getDouble(u"f", 0), 1.5);

    auto text = parsed(u"<e a=\"  -12abc\" b=\"x7\" c=\"-1\" d=\"300\" e=\"99999999999999999999\"/>");
    EXPECT_EQ(text->getInt(u"a", 0), -12);
    EXPECT_EQ(text->getInt(u"b", 5), 0);
    EXPECT_EQ(text->getUnsigned(u"c", static_cast<u32>(0)), 0xFFFFFFFFu);
    EXPECT_EQ(text->getUnsigned(u"d", static_cast<u8>(0)), 44); // 300 truncated to 8 bits
    EXPECT_EQ(text->getInt(u"e", static_cast<i64>(0)), 9223372036854775807LL);
    EXPECT_EQ(text->getInt(u"missing", static_cast<i16>(-7)), -7);
}

TEST(XmlValues, HexIsLowerCaseAndZeroPaddedPerValue) {
    auto node = makePooled<Node>();
    const u8 bytes[] = {0x0a, 0x0b, 0xff};
    const u16 words[] = {0xbeef, 0x1};
    const s::u64 quads[] = {0x1234};
    node->setHex(u"b", bytes, 3);
    node->setHex(u"w", words, 2);
    node->setHex(u"q", quads, 1);
    EXPECT_EQ(std::u16string(node->getRaw(u"b", nullptr)), u"0a0bff");
    EXPECT_EQ(std::u16string(node->getRaw(u"w", nullptr)), u"beef0001");
    EXPECT_EQ(std::u16string(node->getRaw(u"q", nullptr)), u"0000000000001234");
}

TEST(XmlValues, BooleansAcceptOneAndLowerCaseTrueOnly) {
    auto node = parsed(u"<e a=\"1\" b=\"1x\" c=\"true\" d=\"TRUE\" e=\"yes\" f=\"0\" g=\"tru\"/>");
    EXPECT_TRUE(node->getBool(u"a", false));
    EXPECT_TRUE(node->getBool(u"b", false));
    EXPECT_TRUE(node->getBool(u"c", false));
    EXPECT_FALSE(node->getBool(u"d", true));
    EXPECT_FALSE(node->getBool(u"e", true));
    EXPECT_FALSE(node->getBool(u"f", true));
    EXPECT_FALSE(node->getBool(u"g", true));
    EXPECT_TRUE(node->getBool(u"absent", true));
}

TEST(XmlValues, AttributeNamesMatchIgnoringCaseAndTheFirstRecordWins) {
    auto node = parsed(u"<e name=\"first\" NAME=\"second\"/>");
    EXPECT_EQ(stringOf(*node, u"Name"), u"first");
    EXPECT_EQ(node->getAttributes().removeAll(u"nAmE"), 2u);
    EXPECT_EQ(stringOf(*node, u"name", u"gone"), u"gone");
    // Element names: -1 ignores case, an explicit length compares exactly.
    auto tree = parsed(u"<Root><Child/></Root>");
    EXPECT_TRUE(tree->nameEquals(u"root"));
    EXPECT_FALSE(tree->nameEquals(u"root", 4));
    EXPECT_FALSE(tree->nameEquals(u"Roo", 3));
    EXPECT_TRUE(tree->nameEquals(u"Root", 4));
    u32 index = 9;
    EXPECT_FALSE(tree->findChild(u"child", &index, 5));
    EXPECT_TRUE(tree->findChild(u"child", &index));
    EXPECT_EQ(index, 0u);
}

TEST(XmlNodes, RemovedChildrenGoBackToTheNodePool) {
    auto node = makePooled<Node>();
    node->setName(u"r");
    Node* child = node->addChild(u"c");
    child->addChild(u"grandchild")->setString(u"k", u"v");
    const u32 before = s::thread::poolOf<Node>().pooledCount();
    node->removeChild(0);
    EXPECT_EQ(node->childCount(), 0u);
    EXPECT_EQ(s::thread::poolOf<Node>().pooledCount(), before + 2);
    // A node taken again comes back cleared.
    auto again = makePooled<Node>();
    EXPECT_EQ(again->getName(), nullptr);
    EXPECT_EQ(again->childCount(), 0u);
    EXPECT_EQ(again->getAttributes().size(), 0u);
}

// ---------------------------------------------------------------- files

TEST(XmlFiles, WriteAndReadAFileWithUnicodeMakingMissingFolders) {
    s::test::TempDir dir;
    const std::u16string path = s::test::utf16(dir.file("a/b/doc.xml"));
    auto node = makePooled<Node>();
    node->setName(u"doc");
    node->setString(u"name", u"\u65E5\u672C\u8A9E \U0001F3AC");
    node->addChild(u"\u5B50")->setString(u"", u"caf\u00E9");
    ASSERT_TRUE(node->writeFile(path.c_str()));
    EXPECT_EQ(s::test::readFile(dir.file("a/b/doc.xml")),
              "<doc name=\"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xF0\x9F\x8E\xAC\"><\xE5\xAD\x90>caf\xC3\xA9"
              "</\xE5\xAD\x90></doc>");

    auto back = makePooled<Node>();
    ASSERT_TRUE(back->readFile(path.c_str()));
    EXPECT_EQ(xmlOf(*back), xmlOf(*node));
}

TEST(XmlFiles, ByteOrderMarkAndLeadingCommentsAreSkippedWhenReadingAFile) {
    s::test::TempDir dir;
    ASSERT_TRUE(s::test::writeFile(dir.file("doc.xml"), "\xEF\xBB\xBF<!-- made by hand --><savedata Language=\"x\"/>"));
    auto node = makePooled<Node>();
    ASSERT_TRUE(node->readFile(s::test::utf16(dir.file("doc.xml")).c_str()));
    EXPECT_TRUE(node->nameEquals(u"savedata"));
    EXPECT_EQ(stringOf(*node, u"language"), u"x");

    EXPECT_FALSE(node->readFile(s::test::utf16(dir.file("missing.xml")).c_str()));
    EXPECT_EQ(node->getName(), nullptr);
    ASSERT_TRUE(s::test::writeFile(dir.file("comment.xml"), "<!-- only a comment -->"));
    EXPECT_FALSE(node->readFile(s::test::utf16(dir.file("comment.xml")).c_str()));
}

TEST(XmlFiles, AFailedWriteLeavesTheOldFileAsItWas) {
    s::test::TempDir dir;
    ASSERT_TRUE(s::test::writeFile(dir.file("doc.xml"), "<old/>"));
    ASSERT_TRUE(s::test::writeFile(dir.file("blocker"), "a file where a folder should be"));
    auto node = makePooled<Node>();
    node->setName(u"new");
    EXPECT_FALSE(node->writeFile(s::test::utf16(dir.file("blocker/doc.xml")).c_str()));
    EXPECT_FALSE(node->writeFile(s::test::utf16(dir.path()).c_str())); // a folder is not replaced
    EXPECT_EQ(s::test::readFile(dir.file("doc.xml")), "<old/>");
    ASSERT_TRUE(node->writeFile(s::test::utf16(dir.file("doc.xml")).c_str()));
    EXPECT_EQ(s::test::readFile(dir.file("doc.xml")), "<new></new>");
}
