// A bounded, deterministic mutation loop over the XML reader: thousands of
// damaged and truncated documents must neither crash nor hang nor read past
// the end of their text (each text sits in an allocation of exactly its size,
// so AddressSanitizer sees any over-read), and whatever tree comes out must
// be written in a form that reads back to the same tree.

#include "foundation/col/array/Arrays.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/Node.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

using s::u32;
using s::u8;
using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::thread::makePooled;
using s::xml::Node;

namespace {

const char16_t* const kSeeds[] = {
    u"<savedata>English<MainWindow><View Width=\"700\" Height=\"680\" Compact=\"0\"></View>"
    u"<File OutputDirCustomPath0=\"/home/u/Videos &amp; clips\"></File></MainWindow>"
    u"<SoftwareID>Zarvo&#160;Snipforge</SoftwareID><Bytes k=\"0a0bff\"></Bytes></savedata>",
    u"\xFEFF<!-- language pack -->\n<pack>\n  <entry id=\"300000\" comment=\"- software/registry id\">\n"
    u"    <English>Zarvo Snipforge</English>\n    <!-- note --><Japanese>\u65E5\u672C</Japanese>\n"
    u"  </entry>\n  <entry id=\"1090000\"><English>Lossless cut&#160;&#160;(very fast)</English></entry>\n</pack>",
    u"<a x=\"&quot;&lt;&#10;&#13;&amp;\" y=unquoted z><b/><c>&#160;t&gt;&#160;</c>tail<d e=\"1\"/></a>",
};

// Characters that steer the reader: markup, quotes, entities, white space
// and the terminator itself.
const char16_t kSpecials[] = {u'<', u'>', u'/', u'"', u'=', u'!', u'-', u'&', u';', u'#', u' ',
                              u'\t', u'\n', u'\'', u'\0', u'a', 0xD800, 0xFFFF};

std::u16string mutate(std::u16string text, std::mt19937& rng) {
    auto pick = [&](size_t n) { return n ? static_cast<size_t>(rng() % n) : 0; };
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) {
        const size_t at = pick(text.size() + 1);
        switch (rng() % 6) {
        case 0: // truncate
            text.resize(at);
            break;
        case 1: // replace one character
            if (at < text.size())
                text[at] = kSpecials[pick(std::size(kSpecials))];
            break;
        case 2: // insert
            text.insert(text.begin() + static_cast<std::ptrdiff_t>(at), kSpecials[pick(std::size(kSpecials))]);
            break;
        case 3: { // delete a range
            const size_t n = pick(16);
            text.erase(at, n);
            break;
        }
        case 4: { // duplicate a range (nesting, repeated tags)
            const size_t n = pick(64);
            text.insert(at, text.substr(pick(text.size() + 1), n));
            break;
        }
        default: // open many elements at once
            text.insert(at, std::u16string(pick(40) * 3, u'<'));
            break;
        }
    }
    return text;
}

std::u16string xmlOf(const Node& node) {
    auto out = makePooled<StrBuffer>();
    node.toXml(out.get(), false);
    return std::u16string(out->view());
}

} // namespace

TEST(XmlReaderFuzz, DamagedDocumentsGiveTreesThatWriteAndReadBackStably) {
    constexpr int kRounds = 10000;
    std::mt19937 rng(20260318);
    int complete = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::u16string text = mutate(kSeeds[round % std::size(kSeeds)], rng);

        // Exactly sized: the terminator is the last element of the block.
        std::unique_ptr<char16_t[]> exact(new char16_t[text.size() + 1]);
        std::copy(text.begin(), text.end(), exact.get());
        exact[text.size()] = 0;
        const size_t length = std::char_traits<char16_t>::length(exact.get());

        auto node = makePooled<Node>();
        bool whole = false;
        const char16_t* end = node->parse(exact.get(), &whole);
        ASSERT_GE(end, exact.get());
        ASSERT_LE(end, exact.get() + length);
        complete += whole;

        // The same damage as UTF-8 bytes, with invalid sequences mixed in.
        auto bytes = makePooled<ArrayU08>();
        for (char16_t c : text) {
            if (c < 0x80)
                bytes->append(static_cast<u8>(c));
            else
                bytes->append(static_cast<u8>(0x80 | (rng() & 0x7F)));
        }
        std::unique_ptr<u8[]> exactBytes(new u8[bytes->size() ? bytes->size() : 1]);
        std::copy(bytes->data(), bytes->data() + bytes->size(), exactBytes.get());
        auto fromBytes = makePooled<Node>();
        (void)fromBytes->parseUtf8(exactBytes.get(), bytes->size());

        // The writer's form of any tree reads back to the same form (a
        // comment read on its own is not an element and has no written form).
        if (node->isComment())
            continue;
        const std::u16string written = xmlOf(*node);
        auto again = makePooled<Node>();
        bool againWhole = false;
        again->parse(written.c_str(), &againWhole);
        ASSERT_EQ(xmlOf(*again), written) << "round " << round;
        if (node->getName()) {
            ASSERT_TRUE(againWhole) << "round " << round;
        }
    }
    // The damage must leave some documents whole, or the loop tests little.
    EXPECT_GT(complete, 100);
    EXPECT_LT(complete, kRounds);
}
