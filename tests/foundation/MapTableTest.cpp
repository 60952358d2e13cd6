#include "foundation/cleaner/Cleaners.h"
#include "foundation/col/array/ArrayP.h"
#include "foundation/map/Map.h"
#include "foundation/map/MapTable.h"
#include "foundation/str/StrBuffer.h"

#include <gtest/gtest.h>

#include <string>

using namespace s;
using s::map::MapEntry;
using s::map::MapTable;
using s::str::strbuffer::StrBuffer;
using s::thread::adopt;
using s::thread::makePooled;

namespace {

StrBuffer* key(const std::string& text) {
    StrBuffer* k = StrBuffer::create();
    k->setUtf8(text);
    return k;
}

// Gives back keys to the StrBuffer pool and counts how often.
struct CountingPoolDestructor : base::IDestructor {
    int calls = 0;
    void destroy(void** slot) override {
        if (!slot || !*slot)
            return;
        ++calls;
        s::thread::poolOf<StrBuffer>().destroy(slot);
    }
};

} // namespace

TEST(MapTableGrowth, RehashesBeforeTheInsertionThatPassesHalfLoad) {
    auto table = makePooled<MapTable>();
    table->setKeyDestructors(&s::thread::poolOf<StrBuffer>(), s::cleaner::CleanerIObject::get());
    EXPECT_EQ(table->bucketCount(), 0u); // nothing allocated before the first insertion
    for (int i = 0; i < 105; ++i)
        ASSERT_TRUE(table->put(key("k" + std::to_string(i)), nullptr));
    EXPECT_EQ(table->bucketCount(), 211u);
    EXPECT_EQ(table->count(), 105u);
    ASSERT_TRUE(table->put(key("k105"), nullptr));
    EXPECT_EQ(table->bucketCount(), 431u);
    EXPECT_EQ(table->sizeClass(), 1u);
    for (int i = 0; i < 106; ++i) {
        auto probe = adopt(key("k" + std::to_string(i)));
        ASSERT_NE(table->find(probe.get()), nullptr) << i;
    }
    for (int i = 106; i < 216; ++i)
        ASSERT_TRUE(table->put(key("k" + std::to_string(i)), nullptr));
    EXPECT_EQ(table->bucketCount(), 863u);
}

TEST(MapTableGrowth, EntriesComeInBucketOrderAndCoverEverything) {
    auto table = makePooled<MapTable>();
    table->setKeyDestructors(&s::thread::poolOf<StrBuffer>(), nullptr);
    for (int i = 0; i < 50; ++i)
        ASSERT_TRUE(table->put(key(std::to_string(i)), reinterpret_cast<void*>(static_cast<intptr_t>(i + 1))));
    auto entries = adopt(table->entries());
    ASSERT_EQ(entries->size(), 50u);
    u32 previousBucket = 0;
    long sum = 0;
    for (u32 i = 0; i < entries->size(); ++i) {
        auto* entry = entries->getAs<MapEntry>(i);
        u32 bucket = entry->hash % table->bucketCount();
        EXPECT_GE(bucket, previousBucket);
        previousBucket = bucket;
        sum += reinterpret_cast<intptr_t>(entry->value);
    }
    EXPECT_EQ(sum, 50 * 51 / 2);
}

TEST(MapTableKeys, DuplicateKeyIsRefusedAndTableUnchanged) {
    auto table = makePooled<MapTable>();
    table->setKeyDestructors(&s::thread::poolOf<StrBuffer>(), nullptr);
    int one = 1;
    int two = 2;
    ASSERT_TRUE(table->put(key("same"), &one));
    auto duplicate = adopt(key("same"));
    EXPECT_FALSE(table->put(duplicate.get(), &two));
    EXPECT_EQ(table->count(), 1u);
    EXPECT_EQ(table->get(duplicate.get()), &one);
}

TEST(MapTableKeys, IgnoreCaseHashesAndMatchesWithoutCase) {
    auto table = makePooled<MapTable>();
    table->setKeyDestructors(&s::thread::poolOf<StrBuffer>(), nullptr);
    table->setIgnoreCase(true);
    int value = 3;
    ASSERT_TRUE(table->put(key("Language"), &value));
    auto probe = adopt(key("LANGUAGE"));
    EXPECT_EQ(table->get(probe.get()), &value);
    auto lower = adopt(key("language"));
    EXPECT_FALSE(table->put(lower.get(), &value));
    EXPECT_EQ(table->count(), 1u);

    auto exact = makePooled<MapTable>();
    exact->setKeyDestructors(&s::thread::poolOf<StrBuffer>(), nullptr);
    ASSERT_TRUE(exact->put(key("Language"), &value));
    EXPECT_EQ(exact->get(probe.get()), nullptr);
}

TEST(MapTableLifecycle, ClearAndDestroyUseTheirOwnPolicies) {
    CountingPoolDestructor clearKeys;
    CountingPoolDestructor finalKeys;
    auto* table = new MapTable();
    table->setKeyDestructors(&clearKeys, &finalKeys);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(table->put(key(std::to_string(i)), nullptr));
    table->clear();
    EXPECT_EQ(clearKeys.calls, 5);
    EXPECT_EQ(table->count(), 0u);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(table->put(key(std::to_string(i)), nullptr));
    delete table;
    EXPECT_EQ(finalKeys.calls, 3);
    EXPECT_EQ(clearKeys.calls, 5);
}

TEST(MapTableLifecycle, PooledTableComesBackEmptyWithoutPolicies) {
    CountingPoolDestructor clearKeys;
    MapTable* table = MapTable::create();
    table->setKeyDestructors(&clearKeys, nullptr);
    table->setIgnoreCase(true);
    ASSERT_TRUE(table->put(key("a"), nullptr));
    table->release();
    EXPECT_EQ(clearKeys.calls, 1);
    MapTable* again = MapTable::create();
    EXPECT_EQ(again->count(), 0u);
    EXPECT_EQ(again->bucketCount(), 0u);
    ASSERT_TRUE(again->put(key("a"), nullptr));
    auto probe = adopt(key("A"));
    EXPECT_EQ(again->find(probe.get()), nullptr); // ignoreCase was reset
    again->setKeyDestructors(&s::thread::poolOf<StrBuffer>(), nullptr);
    again->release();
}

TEST(SmallMap, PutReplaceRemove) {
    CountingPoolDestructor values;
    auto m = makePooled<s::map::Map>();
    m->setValueDestructor(&values);
    auto k1 = adopt(key("one"));
    auto k2 = adopt(key("two"));
    m->put(k1.get(), key("1"));
    m->put(k2.get(), key("2"));
    m->put(k1.get(), key("uno")); // replaces and disposes of "1"
    EXPECT_EQ(values.calls, 1);
    EXPECT_EQ(static_cast<StrBuffer*>(m->get(k1.get()))->view(), u"uno");
    EXPECT_TRUE(m->remove(k2.get()));
    EXPECT_FALSE(m->remove(k2.get()));
    EXPECT_EQ(m->count(), 1u);
    m->clear();
    EXPECT_EQ(values.calls, 3);
}
