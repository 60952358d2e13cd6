#include "foundation/col/array/ArrayP.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"

#include <gtest/gtest.h>

using s::u32;
using s::str::strarray::StrArray;
using s::str::strbuffer::StrBuffer;
using s::thread::makePooled;
using s::thread::poolOf;

namespace {

// Strings idle in the string pool; the pool keeps up to 1000, far more than
// these tests hand back.
u32 idleStrings() { return poolOf<StrBuffer>().pooledCount(); }

} // namespace

TEST(StrArray, RemovedAndClearedStringsGoBackToThePool) {
    auto a = makePooled<StrArray>();
    a->append(u"one");
    a->append(u"two");
    a->append(u"three", 3);
    ASSERT_EQ(a->size(), 3u);
    EXPECT_EQ(std::u16string(a->get(2)->view()), u"thr");

    u32 before = idleStrings();
    a->remove(0);
    EXPECT_EQ(idleStrings(), before + 1);
    EXPECT_EQ(std::u16string(a->get(0)->view()), u"two");
    a->clear();
    EXPECT_EQ(idleStrings(), before + 3);
    EXPECT_EQ(a->size(), 0u);
}

TEST(StrArray, ReleasedArrayHandsBackItsStringsAndStaysOwning) {
    StrArray* a = StrArray::create();
    a->append(u"x");
    a->append(StrBuffer::create());
    u32 before = idleStrings();
    a->release();
    EXPECT_EQ(idleStrings(), before + 2);

    // The same array may come back from the pool: it must still own.
    auto again = makePooled<StrArray>();
    EXPECT_EQ(again->size(), 0u);
    EXPECT_EQ(again->array()->elementDestructor(), &poolOf<StrBuffer>());
    EXPECT_EQ(std::u16string(again->getClassName()), u"s_str_strarray_StrArray");
}

TEST(StrArray, ContainsWithAndWithoutCase) {
    auto a = makePooled<StrArray>();
    a->append(u"Alpha");
    a->append(u"beta");
    u32 at = 99;
    EXPECT_TRUE(a->contains(u"beta", false, &at));
    EXPECT_EQ(at, 1u);
    EXPECT_FALSE(a->contains(u"alpha", false));
    EXPECT_TRUE(a->contains(u"ALPHA", true, &at));
    EXPECT_EQ(at, 0u);
    EXPECT_FALSE(a->contains(u"alph", true));
}

TEST(StrArray, DestructorDeletesItsStrings) {
    // Under AddressSanitizer a leak or a double free here fails the run.
    auto* a = new StrArray();
    a->append(u"kept until the array dies");
    a->append(u"another");
    delete a;
}
