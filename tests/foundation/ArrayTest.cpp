#include "foundation/col/CollectionInputStream.h"
#include "foundation/col/array/ArrayP.h"
#include "foundation/col/array/Arrays.h"
#include "foundation/col/array/Iterator.h"
#include "foundation/str/StrBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace s;
using namespace s::col::_array;
using s::str::strbuffer::StrBuffer;
using s::thread::adopt;
using s::thread::makePooled;
using s::thread::Pooled;

namespace {

template <class A, class T>
Pooled<A> arrayOf(std::initializer_list<T> values) {
    auto a = makePooled<A>();
    for (T v : values)
        a->append(v);
    return a;
}

template <class A>
std::vector<long long> contents(const A& a) {
    std::vector<long long> out;
    for (u32 i = 0; i < a.size(); ++i)
        out.push_back(a.get(i));
    return out;
}

std::u16string text(StrBuffer* s) {
    std::u16string out(s->view());
    s->release();
    return out;
}

// Counts live instances so ownership bugs show up as a wrong count.
struct Counted : base::IObject {
    static inline int live = 0;
    Counted() { ++live; }
    ~Counted() override { --live; }
    const char16_t* getClassName() const override { return u"Counted"; }
    base::IObject* newInstance() const override { return new Counted(); }
};

struct CountingDestructor : base::IDestructor {
    int calls = 0;
    void destroy(void** slot) override {
        if (!slot || !*slot)
            return;
        ++calls;
        delete static_cast<Counted*>(*slot);
        *slot = nullptr;
    }
};

} // namespace

TEST(ArrayGrowth, AppendsFollowTheGrowthPolicy) {
    auto a = makePooled<ArrayU32>();
    a->append(1u);
    EXPECT_EQ(a->capacity(), 100u);
    for (u32 i = 1; i < 100; ++i)
        a->append(i);
    EXPECT_EQ(a->capacity(), 100u);
    a->append(7u);
    EXPECT_EQ(a->capacity(), 300u);
    std::vector<u32> bulk(1000, 5);
    a->append(bulk.data(), 1000);
    EXPECT_EQ(a->capacity(), 2700u); // 300 -> 900 -> 2700
    EXPECT_EQ(a->size(), 1101u);
}

TEST(ArrayGrowth, ReserveSetSizeAndWriteGrowExactly) {
    auto a = makePooled<ArrayU08>();
    a->reserve(37);
    EXPECT_EQ(a->capacity(), 37u);
    a->setSize(41);
    EXPECT_EQ(a->capacity(), 41u);
    u8 bytes[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    a->write(bytes, 10, 0, 45);
    EXPECT_EQ(a->capacity(), 55u);
    EXPECT_EQ(a->size(), 55u);
    EXPECT_EQ(a->get(45), 1);
    EXPECT_EQ(a->get(54), 10);
}

TEST(ArrayEditing, InsertRemovePopAndTakeKeepOrder) {
    auto a = arrayOf<ArrayS32>({1, 2, 3, 4, 5});
    i32 mid[2] = {8, 9};
    a->insert(2, mid, 2);
    EXPECT_EQ(contents(*a), (std::vector<long long>{1, 2, 8, 9, 3, 4, 5}));
    a->prepend(mid, 1, 1);
    EXPECT_EQ(contents(*a), (std::vector<long long>{9, 1, 2, 8, 9, 3, 4, 5}));
    a->remove(1, 3);
    EXPECT_EQ(contents(*a), (std::vector<long long>{9, 9, 3, 4, 5}));
    i32 out[4] = {};
    a->popLast(out, 2, 1);
    EXPECT_EQ(out[1], 4);
    EXPECT_EQ(out[2], 5);
    a->popFirst(out, 1);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(contents(*a), (std::vector<long long>{9, 3}));
    a->take(1, out, 1);
    EXPECT_EQ(out[0], 3);
    a->removeFirst(1);
    EXPECT_EQ(a->size(), 0u);
}

TEST(ArrayEditing, InsertingFromItselfSurvivesRegrowth) {
    auto a = makePooled<ArrayU08>();
    for (u8 i = 0; i < 100; ++i)
        a->append(i);
    ASSERT_EQ(a->capacity(), 100u);
    a->append(a->bytes(), 100); // source lives in the storage being replaced
    ASSERT_EQ(a->size(), 200u);
    for (u32 i = 0; i < 200; ++i)
        ASSERT_EQ(a->get(i), i % 100) << i;
    a->write(a->bytes(), 200, 0, 150); // exact growth with an aliased source
    ASSERT_EQ(a->size(), 350u);
    for (u32 i = 0; i < 200; ++i)
        ASSERT_EQ(a->get(150 + i), i % 100) << i;
}

TEST(ArrayEditing, SwapAndReverse) {
    auto a = arrayOf<ArrayS64>({1, 2, 3, 4});
    a->swap(0, 3);
    EXPECT_EQ(contents(*a), (std::vector<long long>{4, 2, 3, 1}));
    a->reverse();
    EXPECT_EQ(contents(*a), (std::vector<long long>{1, 3, 2, 4}));
}

TEST(ArrayEditing, CopyBetweenArrays) {
    auto a = arrayOf<ArrayS32>({1, 2, 3});
    auto b = arrayOf<ArrayS32>({7});
    a->copyTo(b.get(), 1, 1, -1);
    EXPECT_EQ(contents(*b), (std::vector<long long>{7, 2, 3}));
    b->copyFrom(a.get(), 0, 3, 1);
    EXPECT_EQ(contents(*b), (std::vector<long long>{7, 2, 3, 1}));
    i32 raw[4] = {};
    b->copyToBuffer(raw, 1, 2, 2);
    EXPECT_EQ(raw[1], 3);
    EXPECT_EQ(raw[2], 1);
}

TEST(ArrayCompare, LengthFirstThenElements) {
    auto small = arrayOf<ArrayS32>({1, 2});
    auto longer = arrayOf<ArrayS32>({0, 0, 0});
    auto lower = arrayOf<ArrayS32>({1, 1});
    auto same = arrayOf<ArrayS32>({1, 2});
    EXPECT_LT(small->compareTo(longer.get()), 0);
    EXPECT_GT(small->compareTo(lower.get()), 0);
    EXPECT_EQ(small->compareTo(same.get()), 0);
    EXPECT_TRUE(small->equals(same.get()));
    auto negative = arrayOf<ArrayS32>({-1, 2});
    EXPECT_LT(negative->compareTo(small.get()), 0); // signed elements
    auto unsignedHigh = arrayOf<ArrayU32>({0xFFFFFFFFu});
    auto unsignedLow = arrayOf<ArrayU32>({1u});
    EXPECT_GT(unsignedHigh->compareTo(unsignedLow.get()), 0);
}

TEST(ArrayCompare, CompareRangeIsBytewiseAndShorterIsSmaller) {
    auto a = arrayOf<ArrayU08>({1, 2, 3, 4});
    u8 data[] = {9, 2, 3, 4, 5};
    EXPECT_EQ(a->compareRange(1, data, 3, 1, 3), 0);
    EXPECT_LT(a->compareRange(1, data, 4, 1, -1), 0); // tie, this range shorter
    EXPECT_LT(a->compareRange(0, data, 1, 0, 1), 0);
    EXPECT_GT(a->compareRange(3, data, 1, 1, 1), 0);
}

TEST(ArrayText, ToStringAndToXml) {
    auto bytes = arrayOf<ArrayU08>({10, 11, 255});
    EXPECT_EQ(text(bytes->toXml(nullptr, false)),
              u"<s_col__array_ArrayU08 length=\"3\">0a0bff</s_col__array_ArrayU08>");
    EXPECT_EQ(text(bytes->toString(nullptr, false)), u"s_col__array_ArrayU08 [10 11 255]");

    auto signedValues = arrayOf<ArrayS32>({-1, 16});
    EXPECT_EQ(text(signedValues->toXml(nullptr, false)),
              u"<s_col__array_ArrayS32 length=\"2\">ffffffff00000010</s_col__array_ArrayS32>");
    EXPECT_EQ(text(signedValues->toString(nullptr, false)), u"s_col__array_ArrayS32 [-1 16]");

    auto wide = arrayOf<ArrayS64>({-2});
    EXPECT_EQ(text(wide->appendXmlBody(nullptr, false)), u"fffffffffffffffe");

    auto out = makePooled<StrBuffer>();
    out->append(u"keep:");
    bytes->toString(out.get(), true);
    EXPECT_EQ(out->view(), u"keep:s_col__array_ArrayU08 [10 11 255]");
    bytes->toXml(out.get(), false);
    EXPECT_EQ(out->view().substr(0, 23), u"<s_col__array_ArrayU08 ");
}

TEST(ArrayText, ClassNamesKeepTheirUnderscores) {
    EXPECT_EQ(std::u16string(makePooled<ArrayP>()->getClassName()), u"s_col__array_ArrayP");
    EXPECT_EQ(std::u16string(makePooled<ArrayS08>()->getClassName()), u"s_col__array_ArrayS08");
    auto a = makePooled<ArrayU32>();
    auto it = adopt(static_cast<Iterator*>(a->iterator()));
    EXPECT_EQ(std::u16string(it->getClassName()), u"s_col_array_Iterator");
}

TEST(ArrayStream, WriteRoundsSizeDownToWholeElementsAndReadsBack) {
    auto a = makePooled<ArrayU32>();
    const u8 bytes[6] = {1, 0, 0, 0, 2, 0};
    u32 written = 0;
    ASSERT_TRUE(a->write(bytes, 6, &written));
    EXPECT_EQ(written, 6u);
    EXPECT_EQ(a->size(), 1u); // the second element is only half written
    EXPECT_EQ(a->getPosition(), 6);
    ASSERT_TRUE(a->write(bytes, 2, &written));
    EXPECT_EQ(a->size(), 2u);
    EXPECT_EQ(a->get(1), 0x00010002u);

    ASSERT_TRUE(a->rewind());
    u8 back[16] = {};
    u32 read = 0;
    ASSERT_TRUE(a->read(back, sizeof back, &read));
    EXPECT_EQ(read, 8u);
    EXPECT_FALSE(a->read(back, sizeof back, &read));
    EXPECT_EQ(read, 0u);
    ASSERT_TRUE(a->seekFromEnd(4));
    EXPECT_EQ(a->getPosition(), 4);
    EXPECT_TRUE(a->canSeek());
}

TEST(ArrayIteration, ForwardAndBackward) {
    auto a = arrayOf<ArrayS32>({5, 6, 7});
    auto it = adopt(a->iterator());
    EXPECT_EQ(it->index(), -1);
    std::vector<i32> seen;
    while (it->hasNext())
        seen.push_back(*static_cast<i32*>(it->next()));
    EXPECT_EQ(seen, (std::vector<i32>{5, 6, 7}));
    EXPECT_EQ(it->index(), 2);
    EXPECT_EQ(it->next(), nullptr);

    auto rev = adopt(a->reverseIterator());
    EXPECT_EQ(*static_cast<i32*>(rev->previous()), 7);
    EXPECT_EQ(*static_cast<i32*>(rev->previous()), 6);
    EXPECT_TRUE(rev->hasPrevious());

    auto at = adopt(a->iteratorAt(1));
    EXPECT_EQ(*static_cast<i32*>(at->next()), 6);
}

TEST(ArrayIteration, CollectionStreamReadsAtMost64BytesAtATime) {
    auto a = makePooled<ArrayU32>();
    for (u32 i = 0; i < 40; ++i)
        a->append(i);
    auto stream = adopt(static_cast<col::CollectionInputStream*>(a->openInputStream()));
    EXPECT_FALSE(stream->canSeek());
    std::vector<u8> all;
    u8 buffer[100];
    u32 n = 0;
    while (stream->read(buffer, 7, &n)) { // odd sizes split elements
        ASSERT_LE(n, 7u);
        all.insert(all.end(), buffer, buffer + n);
    }
    ASSERT_TRUE(stream->read(buffer, 100, &n) == false);
    ASSERT_EQ(all.size(), 160u);
    EXPECT_EQ(0, std::memcmp(all.data(), a->bytes(), 160));
    EXPECT_EQ(stream->getPosition(), 0);

    auto again = adopt(static_cast<col::CollectionInputStream*>(a->openInputStream()));
    ASSERT_TRUE(again->read(buffer, 100, &n));
    EXPECT_EQ(n, 64u);
}

TEST(ArrayOwnership, OwningArrayDestroysEachElementExactlyOnce) {
    CountingDestructor destructor;
    {
        auto a = makePooled<ArrayP>();
        a->setElementDestructor(&destructor);
        for (int i = 0; i < 10; ++i)
            a->append(new Counted());
        EXPECT_EQ(Counted::live, 10);
        a->remove(2, 3);
        EXPECT_EQ(Counted::live, 7);
        void* out[2] = {};
        a->popLast(out, 2); // handed out, not destroyed
        EXPECT_EQ(Counted::live, 7);
        delete static_cast<Counted*>(out[0]);
        delete static_cast<Counted*>(out[1]);
        a->setSize(3); // drops two
        EXPECT_EQ(Counted::live, 3);
        a->setSize(6); // new slots are null and harmless
        a->clear();
        EXPECT_EQ(Counted::live, 0);
        a->append(new Counted());
    } // release: reset disposes of the last element
    EXPECT_EQ(Counted::live, 0);
    EXPECT_EQ(destructor.calls, 9); // the two popped elements were deleted here, not by the array

    auto again = makePooled<ArrayP>();
    EXPECT_EQ(again->elementDestructor(), nullptr);
    EXPECT_EQ(again->size(), 0u);
}

TEST(ArrayOwnership, DeletingAnOwningArrayDisposesOfItsElements) {
    CountingDestructor destructor;
    auto* a = new ArrayP();
    a->setElementDestructor(&destructor);
    a->append(new Counted());
    a->append(nullptr);
    a->append(new Counted());
    delete a;
    EXPECT_EQ(Counted::live, 0);
    EXPECT_EQ(destructor.calls, 2);
}

TEST(ArrayPool, ReleasedArrayComesBackEmptyWithoutStorage) {
    ArrayU08* first = ArrayU08::create();
    first->append(u8{1});
    first->release();
    ArrayU08* second = ArrayU08::create();
    EXPECT_EQ(second, first); // last in, first out
    EXPECT_EQ(second->size(), 0u);
    EXPECT_EQ(second->capacity(), 0u);
    EXPECT_EQ(second->bytes(), nullptr);
    second->release();
}
