#include "foundation/col/array/Arrays.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

using s::i32;
using s::i64;
using s::u32;
using s::u64;
using s::u8;
using s::col::_array::ArrayU08;
using s::str::strarray::StrArray;
using s::str::strbuffer::Iterator;
using s::str::strbuffer::kFromEnd;
using s::str::strbuffer::StrBuffer;
using s::thread::adopt;
using s::thread::makePooled;
using s::thread::Pooled;

namespace {

Pooled<StrBuffer> str(const char16_t* text) {
    Pooled<StrBuffer> s = makePooled<StrBuffer>();
    s->append(text);
    return s;
}

std::u16string text(const StrBuffer& s) { return std::u16string(s.view()); }

std::vector<u8> bytesOf(const ArrayU08& a) { return {a.data(), a.data() + a.size()}; }

std::vector<std::u16string> texts(const StrArray& a) {
    std::vector<std::u16string> out;
    for (u32 i = 0; i < a.size(); ++i)
        out.push_back(text(*a.get(i)));
    return out;
}

} // namespace

// ---------------------------------------------------------------- storage

TEST(StrBufferStorage, EmptyStringGivesSharedTerminatedTextWithoutStorage) {
    StrBuffer a;
    StrBuffer b;
    EXPECT_EQ(a.c_str()[0], u'\0');
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.chars(), nullptr);
    EXPECT_EQ(a.capacity(), 0u);
    a.setLength(0);
    EXPECT_EQ(a.chars(), nullptr);
}

TEST(StrBufferStorage, GrowsByPolicyOneCharacterAtATime) {
    StrBuffer s;
    s.append(u'a');
    EXPECT_EQ(s.capacity(), 100u);
    for (int i = 1; i < 100; ++i)
        s.append(u'a');
    EXPECT_EQ(s.capacity(), 100u);
    s.append(u'b');
    EXPECT_EQ(s.capacity(), 300u);
    EXPECT_EQ(s.length(), 101u);
    EXPECT_EQ(s.charAt(100), u'b');
}

TEST(StrBufferStorage, ReserveAndSetLengthGrowExactly) {
    StrBuffer s;
    s.reserve(7);
    EXPECT_EQ(s.capacity(), 7u);
    s.reserve(3);
    EXPECT_EQ(s.capacity(), 7u);
    s.setLength(12);
    EXPECT_EQ(s.capacity(), 12u);
    s.ensureCapacity(13);
    EXPECT_EQ(s.capacity(), 100u);
}

TEST(StrBufferStorage, CStrTerminatesLazilyAfterTheLastCharacter) {
    auto s = str(u"abcdef");
    s->setLength(3); // "def" stays in the storage behind the length
    EXPECT_EQ(std::u16string(s->c_str()), u"abc");
    s->clear();
    EXPECT_EQ(s->c_str()[0], u'\0');
    EXPECT_NE(s->chars(), nullptr); // clear keeps the storage
    s->dispose();
    EXPECT_EQ(s->chars(), nullptr);
}

TEST(StrBufferStorage, PooledStringComesBackReset) {
    StrBuffer* s = StrBuffer::create();
    s->append(u"some text");
    s->release();
    auto again = makePooled<StrBuffer>();
    EXPECT_EQ(again->length(), 0u);
    EXPECT_EQ(again->capacity(), 0u);
    EXPECT_EQ(again->chars(), nullptr);
}

TEST(StrBufferStorage, ObjectBaseIsAtTheObjectAddress) {
    StrBuffer s;
    EXPECT_EQ(static_cast<void*>(static_cast<s::base::IObject*>(&s)), static_cast<void*>(&s));
    EXPECT_EQ(std::u16string(s.getClassName()), u"s_str_strbuffer_StrBuffer");
}

// ---------------------------------------------------------------- appending

TEST(StrBufferAppend, PiecesOfItselfSurviveTheGrowthTheyCause) {
    StrBuffer s;
    s.reserve(10);
    s.append(u"0123456789");
    s.append(s.chars() + 2, 5); // forces a move of the storage
    EXPECT_EQ(text(s), u"012345678923456");
    s.append(s);
    EXPECT_EQ(text(s), u"012345678923456012345678923456");
    s.prepend(s.chars() + 10, 5);
    EXPECT_EQ(text(s.keep(0, 10)), u"2345601234");
    s.set(s.chars() + 5, 3);
    EXPECT_EQ(text(s), u"012");
}

TEST(StrBufferAppend, WideTextBecomesUtf16WithSurrogatePairs) {
    StrBuffer s;
    s.append(L"a\U0001F600\u00e9");
    EXPECT_EQ(text(s), u"a\U0001F600\u00e9");
    EXPECT_EQ(s.length(), 4u);
}

TEST(StrBufferAppend, Latin1AndHex) {
    StrBuffer s;
    const u8 latin1[] = {0x41, 0xe9, 0xff};
    s.appendLatin1(latin1, 3).append("!");
    EXPECT_EQ(text(s), u"A\u00e9\u00ff!");
    s.clear();
    const u8 b[] = {0x0a, 0xff};
    const s::u16 w[] = {0xbeef};
    const u32 d[] = {0x1};
    const u64 q[] = {0x0123456789abcdefull};
    s.appendHex(b, 2).appendHex(w, 1).appendHex(d, 1).appendHex(q, 1);
    EXPECT_EQ(text(s), u"0affbeef000000010123456789abcdef");
}

// ---------------------------------------------------------------- numbers

TEST(StrBufferNumbers, AppendsInPrintfForms) {
    StrBuffer s;
    s.append(static_cast<s::i8>(-128)).append(u' ').append(static_cast<u8>(255)).append(u' ');
    s.append(static_cast<s::i16>(-300)).append(u' ').append(std::numeric_limits<u32>::max()).append(u' ');
    s.append(std::numeric_limits<i64>::min()).append(u' ').append(std::numeric_limits<u64>::max()).append(u' ');
    s.append(1.5).append(u' ').append(0.1f).append(u' ').append(-2.0);
    EXPECT_EQ(text(s), u"-128 255 -300 4294967295 -9223372036854775808 18446744073709551615 "
                       u"1.500000 0.100000 -2.000000");
}

TEST(StrBufferNumbers, AppendMakesRoomFor256Characters) {
    StrBuffer s;
    s.append(7);
    EXPECT_EQ(s.capacity(), 300u);
    EXPECT_EQ(text(s), u"7");
}

TEST(StrBufferNumbers, HugeDoubleIsNotCutShort) {
    StrBuffer s;
    s.append(1e300);
    EXPECT_EQ(s.length(), 301u + 7u);
    EXPECT_TRUE(s.startsWith(u"1000000000"));
    EXPECT_TRUE(s.endsWith(u".000000"));
}

TEST(StrBufferNumbers, SetReplacesTheTextFromAnyThread) {
    auto s = str(u"old");
    s->set(42);
    EXPECT_EQ(text(*s), u"42");
    s->set(2.25);
    EXPECT_EQ(text(*s), u"2.250000");

    std::vector<std::thread> threads;
    std::vector<int> ok(4, 1); // one slot per thread
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &ok] {
            StrBuffer local;
            for (i32 i = 0; i < 2000; ++i) {
                local.set(i * 10 + t);
                if (local.toS32() != i * 10 + t)
                    ok[t] = 0;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(ok, std::vector<int>(4, 1));
}

TEST(StrBufferNumbers, ParsesLikeTheCLibrary) {
    EXPECT_EQ(str(u"  -42xyz")->toS32(), -42);
    EXPECT_EQ(str(u"+7")->toS32(), 7);
    EXPECT_EQ(str(u"abc")->toS32(), 0);
    EXPECT_EQ(str(u"")->toS64(), 0);
    EXPECT_EQ(str(u"99999999999")->toS32(), std::numeric_limits<i32>::max());
    EXPECT_EQ(str(u"-99999999999")->toS32(), std::numeric_limits<i32>::min());
    EXPECT_EQ(str(u"300")->toU08(), 255);
    EXPECT_EQ(str(u"-9223372036854775808")->toS64(), std::numeric_limits<i64>::min());
    EXPECT_EQ(str(u"18446744073709551615")->toU64(), std::numeric_limits<u64>::max());
    EXPECT_EQ(str(u"4294967295")->toU32(), 4294967295u);
    EXPECT_EQ(str(u"12\u0663")->toS32(), 12); // a non-ASCII digit stops the parse
    EXPECT_FLOAT_EQ(str(u" 2.5e1abc")->toFloat(), 25.0f);
    EXPECT_FLOAT_EQ(str(u"-0.125")->toFloat(), -0.125f);
    EXPECT_FLOAT_EQ(str(u"x")->toFloat(), 0.0f);
}

TEST(StrBufferNumbers, IntegerAndHexTests) {
    EXPECT_FALSE(str(u"-")->isInteger());
    EXPECT_FALSE(str(u"")->isInteger());
    EXPECT_TRUE(str(u"-5")->isInteger());
    EXPECT_TRUE(str(u"007")->isInteger());
    EXPECT_FALSE(str(u"5-")->isInteger());
    EXPECT_FALSE(str(u"1.0")->isInteger());

    EXPECT_TRUE(str(u"09afAF")->isHex());
    EXPECT_FALSE(str(u"0x1")->isHex());
    EXPECT_FALSE(str(u"")->isHex());
    EXPECT_EQ(str(u"ff")->parseHex(), 255u);
    EXPECT_EQ(str(u"FFFFFFFF")->parseHex(), 0xffffffffu);
    EXPECT_EQ(str(u"1g")->parseHex(), 16u); // a non-hex character counts as 0

    auto bytes = adopt(str(u"0a0BfF1")->hexToBytes(nullptr, false));
    EXPECT_EQ(bytesOf(*bytes), (std::vector<u8>{0x0a, 0x0b, 0xff}));
}

// ---------------------------------------------------------------- UTF-8 and code pages

TEST(StrBufferUtf8, CountedAndUncountedTerminator) {
    auto s = str(u"abc");
    auto counted = adopt(s->toUtf8(nullptr, false));
    EXPECT_EQ(bytesOf(*counted), (std::vector<u8>{'a', 'b', 'c', 0}));
    auto uncounted = adopt(s->toUtf8Uncounted(nullptr, false));
    ASSERT_EQ(uncounted->size(), 3u);
    EXPECT_EQ(uncounted->data()[3], 0);

    s->toUtf8Uncounted(uncounted.get(), true); // appends after the data
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(uncounted->data())), "abcabc");
    s->toUtf8(counted.get(), false); // replaces
    EXPECT_EQ(counted->size(), 4u);
}

TEST(StrBufferUtf8, RoundTripsEmojiAndJapanese) {
    const std::u16string original = u"caf\u00e9 \u65e5\u672c\u8a9e \U0001F600\U0001F3AC";
    auto s = str(original.c_str());
    auto utf8 = adopt(s->toUtf8Uncounted(nullptr, false));
    const std::string expected = "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xf0\x9f\x98\x80\xf0\x9f\x8e\xac";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(utf8->data()), utf8->size()), expected);

    StrBuffer back;
    back.append(u"x").fromUtf8(utf8->data(), false, static_cast<i32>(utf8->size()));
    EXPECT_EQ(text(back), original);
    EXPECT_EQ(s->toStdString(), expected);
}

TEST(StrBufferUtf8, IllFormedInputBecomesReplacementCharacters) {
    StrBuffer s;
    // stray continuation, truncated sequence, overlong, encoded surrogate,
    // beyond U+10FFFF, truncated at the very end
    s.setUtf8("A\x80" "B\xe3\x81" "C\xc0\xaf" "D\xed\xa0\x80" "E\xf4\x90\x80\x80" "F\xf0\x9f\x98");
    EXPECT_EQ(text(s), u"A\ufffdB\ufffdC\ufffd\ufffdD\ufffd\ufffd\ufffdE\ufffd\ufffd\ufffd\ufffdF\ufffd");

    StrBuffer lone;
    lone.append(u'\xd83d').append(u'x');
    EXPECT_EQ(lone.toStdString(), "\xef\xbf\xbdx");
}

TEST(StrBufferCodePages, Utf16CopiesOrSwapsBytes) {
    auto s = str(u"A\u3042");
    auto le = adopt(s->toCodePage(1200, nullptr, false));
    EXPECT_EQ(bytesOf(*le), (std::vector<u8>{0x41, 0x00, 0x42, 0x30, 0x00, 0x00}));
    auto be = adopt(s->toCodePageUncounted(1201, nullptr, false));
    EXPECT_EQ(bytesOf(*be), (std::vector<u8>{0x00, 0x41, 0x30, 0x42}));

    StrBuffer back;
    back.fromCodePage(1201, be->data(), false, static_cast<i32>(be->size()));
    EXPECT_EQ(text(back), u"A\u3042");
    back.fromCodePage(1200, le->data(), true, -1); // up to the zero character
    EXPECT_EQ(text(back), u"A\u3042A\u3042");
}

TEST(StrBufferCodePages, OtherCodePagesGoThroughThePlatform) {
    auto s = str(u"\u20ac\u00e9");
    auto cp1252 = adopt(s->toCodePage(1252, nullptr, false));
    EXPECT_EQ(bytesOf(*cp1252), (std::vector<u8>{0x80, 0xe9, 0x00}));
    StrBuffer back;
    back.fromCodePage(1252, cp1252->data(), false);
    EXPECT_EQ(text(back), u"\u20ac\u00e9");

    const u8 sjis[] = {0x82, 0xa0, 0x41}; // Hiragana A, 'A' in Shift-JIS
    back.fromCodePage(932, sjis, false, 3);
    EXPECT_EQ(text(back), u"\u3042A");

    auto ansi = adopt(s->toCodePage(0, nullptr, false));
    EXPECT_EQ(bytesOf(*ansi), (std::vector<u8>{0xe2, 0x82, 0xac, 0xc3, 0xa9, 0x00}));
}

TEST(StrBufferCodePages, FailedConversionAddsNothing) {
    StrBuffer s;
    s.append(u"keep");
    const u8 truncated[] = {0x82}; // half a Shift-JIS character
    s.fromCodePage(932, truncated, true, 1);
    EXPECT_EQ(text(s), u"keep");
    const u8 plain[] = {'a', 0};
    s.fromCodePage(99999, plain, true);
    EXPECT_EQ(text(s), u"keep");
    auto out = adopt(s.toCodePage(99999, nullptr, false));
    EXPECT_EQ(out->size(), 0u);
}

// ---------------------------------------------------------------- searching

TEST(StrBufferSearch, CharactersForwardAndBackward) {
    auto s = str(u"xaxbx");
    u32 i = 77;
    EXPECT_TRUE(s->lastIndexOf(u'x', &i, kFromEnd));
    EXPECT_EQ(i, 4u);
    EXPECT_TRUE(s->lastIndexOf(u'x', &i, 4));
    EXPECT_EQ(i, 2u);
    EXPECT_TRUE(s->indexOf(u'x', &i, 1));
    EXPECT_EQ(i, 2u);
    EXPECT_TRUE(s->indexOfAny(u"bq", -1, &i));
    EXPECT_EQ(i, 3u);
    EXPECT_TRUE(s->lastIndexOfIgnoreCase(u'A', &i));
    EXPECT_EQ(i, 1u);

    i = 77;
    EXPECT_FALSE(s->indexOf(u'z', &i));
    EXPECT_FALSE(s->lastIndexOf(u'x', &i, 0));
    EXPECT_FALSE(str(u"")->lastIndexOf(u'x', &i));
    EXPECT_EQ(i, 77u); // untouched when nothing is found
}

TEST(StrBufferSearch, StringsAndRegions) {
    auto s = str(u"one Two one two");
    u32 i = 0;
    EXPECT_TRUE(s->indexOf(u"one", &i, 1));
    EXPECT_EQ(i, 8u);
    EXPECT_TRUE(s->lastIndexOf(u"one", &i));
    EXPECT_EQ(i, 8u);
    EXPECT_TRUE(s->lastIndexOf(u"one", &i, 8));
    EXPECT_EQ(i, 0u);
    EXPECT_TRUE(s->indexOfIgnoreCase(*str(u"TWO"), &i));
    EXPECT_EQ(i, 4u);
    EXPECT_TRUE(s->lastIndexOfIgnoreCase(u"TWO", &i));
    EXPECT_EQ(i, 12u);
    EXPECT_FALSE(s->indexOf(u"", &i));

    EXPECT_TRUE(s->regionMatches(4, u"xTwo", 1, 3));
    EXPECT_FALSE(s->regionMatches(4, u"Two", 0, -1)); // must end at the end
    EXPECT_TRUE(s->regionMatches(12, u"two", 0, -1));
    EXPECT_TRUE(s->regionMatchesIgnoreCase(12, u"TWO", 0, -1));
    EXPECT_FALSE(s->regionMatches(13, u"two", 0, 3));
    EXPECT_TRUE(s->startsWith(u"one "));
    EXPECT_TRUE(s->endsWithIgnoreCase(u"TWO"));
    EXPECT_FALSE(s->endsWith(u"xone Two one two"));
}

TEST(StrBufferSearch, BeforeLastGivesTheTextBeforeTheLastOccurrence) {
    auto path = str(u"/a/b.c/d.mkv");
    EXPECT_EQ(text(*adopt(path->beforeLast(u'.'))), u"/a/b.c/d");
    EXPECT_EQ(text(*adopt(path->beforeLastAny(u"/.", -1))), u"/a/b.c/d");
    EXPECT_EQ(text(*adopt(path->beforeLast(*str(u"/")))), u"/a/b.c");
    EXPECT_EQ(text(*adopt(path->beforeLastIgnoreCase(u'D'))), u"/a/b.c/");
    EXPECT_EQ(adopt(path->beforeLast(u'#'))->length(), 0u);
}

// ---------------------------------------------------------------- replacing and slicing

TEST(StrBufferReplace, EqualShorterAndLongerReplacements) {
    auto equal = str(u"a-b-c");
    const char16_t* storage = equal->chars();
    equal->replaceAll(u"-", u"+");
    EXPECT_EQ(text(*equal), u"a+b+c");
    EXPECT_EQ(equal->chars(), storage);

    auto shorter = str(u"xxabxxcdxx");
    storage = shorter->chars();
    shorter->replaceAll(u"xx", u"y");
    EXPECT_EQ(text(*shorter), u"yabycdy");
    EXPECT_EQ(shorter->chars(), storage);

    auto longer = str(u"a.b.c.");
    longer->replaceAll(u".", u"<->");
    EXPECT_EQ(text(*longer), u"a<->b<->c<->");

    auto overlapping = str(u"aaaaa");
    overlapping->replaceAll(u"aa", u"b");
    EXPECT_EQ(text(*overlapping), u"bba");

    auto folded = str(u"Foo foo FOO bar");
    folded->replaceAllIgnoreCase(u"foo", u"quux");
    EXPECT_EQ(text(*folded), u"quux quux quux bar");

    auto untouched = str(u"abc");
    untouched->replaceAll(u"", u"x").replaceAll(u"z", u"y");
    EXPECT_EQ(text(*untouched), u"abc");
}

TEST(StrBufferReplace, ReplacementMayComeFromTheStringItself) {
    auto s = str(u"ab");
    s->replaceAll(u"a", s->c_str()); // "ab" replaces "a"
    EXPECT_EQ(text(*s), u"abb");
}

TEST(StrBufferSlicing, KeepSubstringAndClone) {
    auto s = str(u"0123456789");
    EXPECT_EQ(text(*adopt(s->substring(7, 100))), u"789");
    EXPECT_EQ(text(*adopt(s->substring(3, 5))), u"34");
    auto copy = adopt(s->clone());
    s->keep(2, 4);
    EXPECT_EQ(text(*s), u"23");
    EXPECT_EQ(text(*copy), u"0123456789");
    s->keep(5, 9);
    EXPECT_EQ(s->length(), 0u);
}

TEST(StrBufferSlicing, ReverseKeepsSurrogatePairsInOrder) {
    auto s = str(u"ab\U0001F600c");
    s->reverse();
    EXPECT_EQ(text(*s), u"c\U0001F600ba");
}

TEST(StrBufferSlicing, TrimmingDefaultAndCustomSets) {
    auto s = str(u" \t x y \n\u3000\r");
    s->trimRight().trimLeft();
    EXPECT_EQ(text(*s), u"x y");
    auto padded = str(u"ab    ");
    padded->trimRight(4);
    EXPECT_EQ(text(*padded), u"ab  ");
    auto custom = str(u"--==x==--");
    custom->trimLeft(u"-=", -1).trimRight(u"-", 1);
    EXPECT_EQ(text(*custom), u"x==");
}

// ---------------------------------------------------------------- case

TEST(StrBufferCase, ConversionsDoNotDependOnTheProcessLocale) {
    auto s = str(u"\u00c4pfel \u0391\u0392 Stra\u00dfe");
    s->toLowerCase();
    EXPECT_EQ(text(*s), u"\u00e4pfel \u03b1\u03b2 stra\u00dfe");
    s->toUpperCase();
    EXPECT_EQ(text(*s), u"\u00c4PFEL \u0391\u0392 STRA\u00dfE");

    auto c = str(u"hELLO wORLD");
    c->capitalize();
    EXPECT_EQ(text(*c), u"Hello world");
    auto accented = str(u"\u00c9LAN");
    accented->capitalize();
    EXPECT_EQ(text(*accented), u"\u00e9lan"); // only a-z is raised
    EXPECT_EQ(accented->charAtUpperCase(0), u'\u00e9');
    EXPECT_EQ(accented->charAtUpperCase(1), u'L');
}

// ---------------------------------------------------------------- comparison and hashing

TEST(StrBufferCompare, OrdersByStoredBytesLowByteFirst) {
    EXPECT_LT(str(u"abc")->compareTo(str(u"abd").get()), 0);
    EXPECT_LT(str(u"ab")->compareTo(str(u"abc").get()), 0);
    EXPECT_GT(str(u"abc")->compareTo(str(u"ab").get()), 0);
    EXPECT_EQ(str(u"abc")->compareTo(str(u"abc").get()), 0);
    // 0x0100 is stored 00 01, 0x00ff is stored ff 00: the first byte decides.
    EXPECT_LT(str(u"\u0100")->compareTo(str(u"\u00ff").get()), 0);
    EXPECT_GT(str(u"\u0201")->compareTo(str(u"\u0101").get()), 0);
}

TEST(StrBufferCompare, IgnoringCaseThenByLength) {
    EXPECT_EQ(str(u"ABC")->compareToIgnoreCase(str(u"abc").get()), 0);
    EXPECT_LT(str(u"abc")->compareToIgnoreCase(str(u"ABD").get()), 0);
    EXPECT_LT(str(u"AB")->compareToIgnoreCase(str(u"abc").get()), 0);
    EXPECT_TRUE(str(u"\u00c4x")->equalsIgnoreCase(str(u"\u00e4X").get()));
    EXPECT_TRUE(str(u"abc")->equals(str(u"abc").get()));
    EXPECT_FALSE(str(u"abc")->equals(str(u"abcd").get()));
    EXPECT_FALSE(str(u"abc")->equals(str(u"ABC").get()));
    EXPECT_FALSE(str(u"")->equals(nullptr));
}

TEST(StrBufferCompare, HashValues) {
    EXPECT_EQ(str(u"")->hashCode(), 0);
    EXPECT_EQ(str(u"ab")->hashCode(), 160);
    EXPECT_EQ(str(u"AB")->hashCodeIgnoreCase(), 160);
    EXPECT_EQ(str(u"s_str_strbuffer_StrBuffer")->hashCode(), 1248511616);
    EXPECT_EQ(str(u"The quick brown fox jumps over the lazy dog")->hashCode(), -21230816);
}

// ---------------------------------------------------------------- stream

TEST(StrBufferStream, WriteThenReadTheCharacterBytes) {
    StrBuffer s;
    u32 n = 0;
    const char16_t hi[] = u"hi";
    ASSERT_TRUE(s.write(hi, 4, &n));
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(s.capacity(), 100u);
    EXPECT_EQ(text(s), u"hi");
    EXPECT_EQ(s.getPosition(), 4);

    EXPECT_FALSE(s.read(nullptr, 0, &n)); // at the end
    ASSERT_TRUE(s.seekFromEnd(2));
    char16_t c = 0;
    ASSERT_TRUE(s.read(&c, 8, &n));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(c, u'i');
    EXPECT_FALSE(s.read(&c, 2, &n));
    EXPECT_EQ(n, 0u);

    ASSERT_TRUE(s.rewind());
    ASSERT_TRUE(s.skip(2));
    const char16_t o = u'o';
    ASSERT_TRUE(s.write(&o, 2, &n));
    EXPECT_EQ(text(s), u"ho");
    EXPECT_TRUE(s.back(4));
    EXPECT_FALSE(s.back(1));
    EXPECT_EQ(s.getPosition(), 0);
}

TEST(StrBufferStream, LengthCoversWholeCharactersOnly) {
    StrBuffer s;
    const u8 three[] = {0x41, 0x00, 0x42};
    u32 n = 0;
    ASSERT_TRUE(s.write(three, 3, &n));
    EXPECT_EQ(s.length(), 1u);
    const u8 one[] = {0x00};
    ASSERT_TRUE(s.write(one, 1, &n));
    EXPECT_EQ(text(s), u"AB");

    ASSERT_TRUE(s.seek(12)); // beyond the end: the gap reads as zeros
    const char16_t z = u'z';
    ASSERT_TRUE(s.write(&z, 2, &n));
    EXPECT_EQ(text(s), std::u16string(u"AB\0\0\0\0z", 7));
    ASSERT_TRUE(s.seekToEnd());
    EXPECT_EQ(s.getPosition(), 14);
    s.closeAndClear();
    EXPECT_EQ(s.length(), 0u);
    EXPECT_EQ(s.getPosition(), 0);
}

// ---------------------------------------------------------------- iterators

TEST(StrBufferIterator, WalksTheCharactersBothWays) {
    auto s = str(u"abc");
    Pooled<Iterator> it(s->iterator());
    std::u16string seen;
    while (auto* c = static_cast<const char16_t*>(it->next()))
        seen += *c;
    EXPECT_EQ(seen, u"abc");
    EXPECT_EQ(std::u16string(it->getClassName()), u"s_str_strbuffer_Iterator");

    Pooled<Iterator> end(s->iteratorAtEnd());
    EXPECT_EQ(*static_cast<const char16_t*>(end->previous()), u'c');
    Pooled<Iterator> at(s->iteratorAt(1));
    EXPECT_EQ(*static_cast<const char16_t*>(at->next()), u'b');
    Pooled<Iterator> fromEnd(s->iteratorFromEnd(1));
    EXPECT_EQ(*static_cast<const char16_t*>(fromEnd->previous()), u'b');
}

// ---------------------------------------------------------------- splitting

TEST(StrBufferSplit, EmptyPiecesAreLeftOut) {
    auto pieces = adopt(str(u",a,,b,")->split(u','));
    EXPECT_EQ(texts(*pieces), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(adopt(str(u",,,")->split(u','))->size(), 0u);
    EXPECT_EQ(texts(*adopt(str(u"whole")->split(u','))), (std::vector<std::u16string>{u"whole"}));
}

TEST(StrBufferWords, DistinctWordsInOrder) {
    auto s = str(u"The cat and the CAT of 100% +5 -x, (dog)");
    EXPECT_EQ(texts(*adopt(s->words(false))),
              (std::vector<std::u16string>{u"The", u"cat", u"and", u"of", u"100%", u"+5", u"-x", u"dog"}));
    EXPECT_EQ(texts(*adopt(s->words(true))),
              (std::vector<std::u16string>{u"cat", u"100%", u"+5", u"-x", u"dog"}));
    auto endsWithStopWord = str(u"salt and");
    EXPECT_EQ(texts(*adopt(endsWithStopWord->words(true))), (std::vector<std::u16string>{u"salt"}));
}

TEST(StrBufferWords, CjkPunctuationSeparatesAndLettersJoin) {
    auto cjk = str(u"\u6771\u4eac\u3002\u5927\u962a\u300c\u4eac\u90fd\u300d\uff08x\uff09");
    EXPECT_EQ(texts(*adopt(cjk->words(false))),
              (std::vector<std::u16string>{u"\u6771\u4eac", u"\u5927\u962a", u"\u4eac\u90fd", u"x"}));
    auto latin = str(u"M\u00fcller caf\u00e9\u00d7tea");
    EXPECT_EQ(texts(*adopt(latin->words(false))),
              (std::vector<std::u16string>{u"M\u00fcller", u"caf\u00e9", u"tea"}));
}
