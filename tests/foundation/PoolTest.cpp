#include "foundation/cleaner/Cleaners.h"
#include "foundation/thread/EasyPooler.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"
#include "foundation/thread/PoolerBase.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using s::i32;
using s::u32;
using s::thread::EasyPooler;
using s::thread::ObjLocker;

namespace {

/// Counts its living instances; `reset()` clears `value` and counts itself.
class Counted : public s::base::IObject, public s::thread::IPoolable {
public:
    Counted() {
        ++s_live;
        ++s_made;
    }
    ~Counted() override {
        --s_live;
        ++s_destroyed;
    }
    const char16_t* getClassName() const override { return u"Counted"; }
    IObject* newInstance() const override { return new Counted(); }
    void release() override {}
    void reset() override {
        value = 0;
        ++resets;
    }

    int value = 0;
    int resets = 0;
    std::atomic<int> holders{0};

    static inline std::atomic<int> s_live{0};
    static inline std::atomic<int> s_made{0};
    static inline std::atomic<int> s_destroyed{0};
    static void zero() { s_live = s_made = s_destroyed = 0; }
};

EasyPooler* countedPooler(u32 maxPooled) {
    return new EasyPooler(
        maxPooled, []() -> void* { return new Counted(); }, [](void* p) { delete static_cast<Counted*>(p); },
        [](void* p) { static_cast<Counted*>(p)->reset(); });
}

class PoolTest : public ::testing::Test {
protected:
    void SetUp() override { Counted::zero(); }
    void TearDown() override {
        // Every object made was destroyed, and none twice.
        EXPECT_EQ(Counted::s_live.load(), 0);
        EXPECT_EQ(Counted::s_destroyed.load(), Counted::s_made.load());
    }
};

} // namespace

TEST_F(PoolTest, TakeReturnsTheLastGivenBackAlreadyReset) {
    EasyPooler* pool = countedPooler(1000);
    auto* a = static_cast<Counted*>(pool->take());
    auto* b = static_cast<Counted*>(pool->take());
    ASSERT_NE(a, b);
    EXPECT_EQ(Counted::s_made.load(), 2);

    a->value = 7;
    b->value = 8;
    pool->giveBack(a);
    pool->giveBack(b);
    // The reset happens at hand-back, once, and never at take.
    EXPECT_EQ(a->value, 0);
    EXPECT_EQ(a->resets, 1);
    EXPECT_EQ(pool->pooledCount(), 2u);

    EXPECT_EQ(pool->take(), b);
    EXPECT_EQ(pool->take(), a);
    EXPECT_EQ(a->resets, 1);
    EXPECT_EQ(Counted::s_made.load(), 2);
    EXPECT_EQ(pool->pooledCount(), 0u);

    pool->giveBack(a);
    pool->giveBack(b);
    delete pool; // destroys both idle objects
    EXPECT_EQ(Counted::s_live.load(), 0);
}

TEST_F(PoolTest, GiveBackToAFullPoolDestroysAtOnce) {
    EasyPooler* pool = countedPooler(2);
    void* objects[3] = {pool->take(), pool->take(), pool->take()};
    pool->giveBack(objects[0]);
    pool->giveBack(objects[1]);
    EXPECT_EQ(Counted::s_live.load(), 3);
    pool->giveBack(objects[2]);
    EXPECT_EQ(Counted::s_live.load(), 2);
    EXPECT_EQ(pool->pooledCount(), 2u);
    delete pool;
}

TEST_F(PoolTest, PoolKeepingNothingDestroysEveryGiveBack) {
    EasyPooler* pool = countedPooler(0);
    for (int i = 0; i < 3; ++i) {
        void* object = pool->take();
        pool->giveBack(object);
        EXPECT_EQ(Counted::s_live.load(), 0);
    }
    EXPECT_EQ(Counted::s_made.load(), 3);
    EXPECT_EQ(pool->pooledCount(), 0u);
    delete pool;
}

TEST_F(PoolTest, DestroyThroughTheDestructorFaceHandsBack) {
    EasyPooler* pool = countedPooler(10);
    s::base::IDestructor* destructor = pool;
    void* slot = nullptr;
    destructor->destroy(&slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(pool->pooledCount(), 0u);

    slot = static_cast<s::base::IGenerator*>(pool)->generate();
    void* object = slot;
    destructor->destroy(&slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(pool->pooledCount(), 1u);
    EXPECT_EQ(pool->take(), object);
    pool->giveBack(object);

    // A new pooler from newInstance() starts empty with the same behaviour.
    auto* twin = static_cast<EasyPooler*>(pool->newInstance());
    EXPECT_EQ(twin->pooledCount(), 0u);
    EXPECT_EQ(twin->maxPooled(), 10u);
    void* fresh = twin->take();
    EXPECT_NE(fresh, object);
    twin->giveBack(fresh);
    delete twin;
    delete pool;
}

TEST_F(PoolTest, ClosedPoolDestroysItsIdleObjectsAndLaterGiveBacks) {
    EasyPooler* pool = countedPooler(10);
    void* a = pool->take();
    void* b = pool->take();
    pool->giveBack(a);
    pool->close();
    EXPECT_EQ(Counted::s_live.load(), 1);
    pool->giveBack(b);
    EXPECT_EQ(Counted::s_live.load(), 0);
    delete pool;
}

TEST_F(PoolTest, ConcurrentTakeAndGiveBackNeverShareAnObject) {
    EasyPooler* pool = countedPooler(8);
    std::atomic<int> shared{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                auto* a = static_cast<Counted*>(pool->take());
                auto* b = static_cast<Counted*>(pool->take());
                if (a->holders.fetch_add(1) != 0 || b->holders.fetch_add(1) != 0)
                    ++shared;
                a->value = i;
                a->holders.fetch_sub(1);
                b->holders.fetch_sub(1);
                pool->giveBack(a);
                pool->giveBack(b);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(shared.load(), 0);
    EXPECT_LE(pool->pooledCount(), 8u);
    EXPECT_EQ(static_cast<u32>(Counted::s_live.load()), pool->pooledCount());
    delete pool;
}

namespace {

/// A pooled class with its own process-wide pool.
class Widget : public s::base::IObject, public s::thread::IPoolable {
    S_POOLED_CLASS(Widget)
public:
    const char16_t* getClassName() const override { return u"Widget"; }
    void reset() override { label = 0; }
    int label = 0;
};

/// A pooled class that keeps no idle objects.
class Handle : public s::base::IObject, public s::thread::IPoolable {
    S_POOLED_CLASS(Handle)
public:
    static constexpr u32 kMaxPooled = 0;
    Handle() { ++s_live; }
    ~Handle() override { --s_live; }
    const char16_t* getClassName() const override { return u"Handle"; }
    void reset() override {}
    static inline int s_live = 0;
};

struct Record {
    int a;
    double b;
};

} // namespace

TEST(PoolOfTest, PooledHandleReleasesOnScopeExit) {
    Widget* seen = nullptr;
    u32 before = s::thread::poolOf<Widget>().pooledCount();
    {
        auto widget = s::thread::makePooled<Widget>();
        widget->label = 5;
        seen = widget.get();
        EXPECT_EQ(s::thread::poolOf<Widget>().pooledCount(), before > 0 ? before - 1 : 0);
    }
    EXPECT_EQ(seen->label, 0); // reset on the way back; the pool still holds it
    auto again = s::thread::adopt(static_cast<Widget*>(seen->newInstance()));
    EXPECT_EQ(again.get(), seen);
    auto other = s::thread::makePooled<Widget>();
    EXPECT_NE(other.get(), seen);
}

TEST(PoolOfTest, ClassKeepingNoIdleObjectsDestroysOnRelease) {
    EXPECT_EQ(s::thread::poolOf<Handle>().maxPooled(), 0u);
    EXPECT_EQ(s::thread::poolOf<Widget>().maxPooled(), 1000u);
    Handle* handle = Handle::create();
    EXPECT_EQ(Handle::s_live, 1);
    handle->release();
    EXPECT_EQ(Handle::s_live, 0);
}

TEST(PoolOfTest, RecordsComeBackZeroFilled) {
    auto& pool = s::thread::recordPoolOf<Record>();
    auto* record = static_cast<Record*>(pool.take());
    EXPECT_EQ(record->a, 0);
    EXPECT_EQ(record->b, 0.0);
    record->a = 42;
    record->b = 1.5;
    pool.giveBack(record);
    auto* again = static_cast<Record*>(pool.take());
    EXPECT_EQ(again, record);
    EXPECT_EQ(again->a, 0);
    EXPECT_EQ(again->b, 0.0);
    pool.giveBack(again);
}

namespace {

/// A plain-record pool whose records carry their own size in the first word.
class SizedPool : public s::thread::Factory {
public:
    explicit SizedPool(u32 maxPooled = 1000) { m_maxPooled = maxPooled; }
    ~SizedPool() override { drain(); }

    void* make(u32 size) {
        auto* item = static_cast<u32*>(std::calloc(1, std::max<u32>(size, sizeof(u32))));
        *item = size;
        ++live;
        return item;
    }
    void* generate() override { return make(16); }
    IObject* newInstance() const override { return new SizedPool(m_maxPooled); }
    u32 sizeOf(void* item) const override { return *static_cast<u32*>(item); }
    void resetItem(void* item) override {
        ++resets;
        (void)item;
    }
    void destroyItem(void** item) override {
        std::free(*item);
        *item = nullptr;
        --live;
        ++s_destroyed;
    }

    int live = 0;
    static inline int s_destroyed = 0;
    int resets = 0;
};

} // namespace

TEST(PoolerBaseTest, WithoutSizeAccountingOnlyTheCountLimits) {
    SizedPool pool(2);
    void* big = pool.make(1 << 20);
    void* small = pool.take();
    void* third = pool.take();
    pool.giveBack(big, -1);
    pool.giveBack(small, -1);
    EXPECT_EQ(pool.pooledCount(), 2u);
    EXPECT_EQ(pool.pooledSize(), 0u);
    pool.giveBack(third, -1);
    EXPECT_EQ(pool.pooledCount(), 2u);
    EXPECT_EQ(pool.live, 2);
    EXPECT_EQ(pool.resets, 2);
    EXPECT_EQ(pool.take(), small);
    pool.giveBack(small, -1);
    EXPECT_EQ(pool.getClassName(), std::u16string(u"s_thread_Factory"));
}

TEST(PoolerBaseTest, SizeAccountingLimitsItemAndTotalBytes) {
    SizedPool pool;
    pool.setSizeAccounting(true);

    pool.giveBack(pool.make(1025), -1); // larger than one item may be
    EXPECT_EQ(pool.live, 0);
    EXPECT_EQ(pool.pooledCount(), 0u);

    // 100 records of 1024 bytes fill the 102400-byte budget exactly.
    std::vector<void*> items;
    for (int i = 0; i < 101; ++i)
        items.push_back(pool.make(1024));
    for (int i = 0; i < 100; ++i)
        pool.giveBack(items[i], -1);
    EXPECT_EQ(pool.pooledSize(), 102400u);
    EXPECT_EQ(pool.pooledCount(), 100u);
    pool.giveBack(items[100], -1);
    EXPECT_EQ(pool.pooledCount(), 100u);
    EXPECT_EQ(pool.live, 100);

    // Taking gives the bytes back to the budget.
    void* taken = pool.take();
    EXPECT_EQ(taken, items[99]);
    EXPECT_EQ(pool.pooledSize(), 102400u - 1024u);

    // An explicit size wins over sizeOf: a record claiming 2000 bytes is
    // refused, one claiming 8 fits the remaining budget.
    pool.giveBack(taken, 2000);
    EXPECT_EQ(pool.live, 99);
    void* tiny = pool.make(4);
    pool.giveBack(tiny, 8);
    EXPECT_EQ(pool.pooledSize(), 102400u - 1024u + 8u);

    void* slot = nullptr;
    pool.destroy(&slot);
    slot = pool.make(16);
    pool.destroy(&slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(pool.pooledCount(), 101u);
}

TEST(PoolerBaseTest, DestructionDestroysEveryHeldRecordOnce) {
    int before = SizedPool::s_destroyed;
    auto* pool = new SizedPool();
    for (int i = 0; i < 5; ++i)
        pool->giveBack(pool->make(32), -1);
    void* kept = pool->take();
    delete pool;
    EXPECT_EQ(SizedPool::s_destroyed - before, 4);
    std::free(kept);
}

namespace {

class CountedIObject : public s::base::IObject {
public:
    CountedIObject() { ++s_live; }
    ~CountedIObject() override { --s_live; }
    const char16_t* getClassName() const override { return u"CountedIObject"; }
    IObject* newInstance() const override { return new CountedIObject(); }
    static inline int s_live = 0;
};

class SpyDestructor : public s::base::IDestructor {
public:
    void destroy(void** slot) override {
        ++calls;
        delete static_cast<CountedIObject*>(*slot);
        *slot = nullptr;
    }
    int calls = 0;
};

int g_deleterCalls = 0;
void countingDeleter(void* object) {
    ++g_deleterCalls;
    delete static_cast<CountedIObject*>(object);
}

} // namespace

TEST(ObjLockerTest, DisposesOfItsObjectByDeleterThenDestructorThenDelete) {
    g_deleterCalls = 0;
    SpyDestructor spy;
    {
        ObjLocker locker;
        locker.attach(new CountedIObject(), &countingDeleter, &spy);
    }
    EXPECT_EQ(g_deleterCalls, 1);
    EXPECT_EQ(spy.calls, 0);
    {
        ObjLocker locker;
        locker.attach(new CountedIObject(), nullptr, &spy);
    }
    EXPECT_EQ(spy.calls, 1);
    {
        ObjLocker locker;
        locker.attach(new CountedIObject());
        EXPECT_EQ(CountedIObject::s_live, 1);
    }
    EXPECT_EQ(CountedIObject::s_live, 0);
    {
        ObjLocker empty; // nothing attached: nothing to dispose of
    }
    EXPECT_EQ(g_deleterCalls, 1);
    EXPECT_EQ(spy.calls, 1);
}

TEST(ObjLockerTest, AWaiterTakesTheLockAtItsOutermostRelease) {
    ObjLocker locker(ObjLocker::kWaitable);
    locker.lock();
    locker.lock(); // recursive: the inner release frees nothing
    auto waited = std::async(std::launch::async, [&] {
        const bool taken = locker.lockUnless([] { return false; });
        if (taken)
            locker.unlock();
        return taken;
    });
    locker.unlock();
    EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    locker.unlock();
    const std::future_status status = waited.wait_for(std::chrono::seconds(10));
    if (status != std::future_status::ready)
        locker.wakeWaiters(); // so that a failure does not hang the run
    ASSERT_EQ(status, std::future_status::ready) << "the release was missed";
    EXPECT_TRUE(waited.get());
}

TEST(ObjLockerTest, AWaiterGivesUpWhenWokenWhileTheLockIsHeld) {
    ObjLocker locker(ObjLocker::kWaitable);
    locker.lock();
    std::atomic<bool> giveUp{false};
    auto waited = std::async(std::launch::async, [&] {
        const bool taken = locker.lockUnless([&] { return giveUp.load(); });
        if (taken)
            locker.unlock();
        return taken;
    });
    EXPECT_EQ(waited.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    giveUp = true;
    locker.wakeWaiters();
    const std::future_status status = waited.wait_for(std::chrono::seconds(10));
    locker.unlock(); // lets a waiter that missed the wake end
    ASSERT_EQ(status, std::future_status::ready) << "the wake was lost";
    EXPECT_FALSE(waited.get());
}

TEST(CleanerTest, DisposeAndNullTheSlot) {
    s::base::IDestructor* objects = s::cleaner::CleanerIObject::get();
    EXPECT_EQ(objects, s::cleaner::CleanerIObject::get());
    void* slot = nullptr;
    objects->destroy(&slot);
    EXPECT_EQ(slot, nullptr);
    slot = static_cast<s::base::IObject*>(new CountedIObject());
    objects->destroy(&slot);
    EXPECT_EQ(slot, nullptr);
    EXPECT_EQ(CountedIObject::s_live, 0);

    s::base::IDestructor* raw = s::cleaner::CleanerRawObject::get();
    slot = std::malloc(64);
    raw->destroy(&slot);
    EXPECT_EQ(slot, nullptr);
    raw->destroy(&slot);
    EXPECT_EQ(slot, nullptr);
}

namespace {

/// An idle object in a pool that still holds a pooled member, as a class
/// that keeps its parts for reuse would.
class ExitInner : public s::base::IObject, public s::thread::IPoolable {
    S_POOLED_CLASS(ExitInner)
public:
    ExitInner() { ++s_live; }
    ~ExitInner() override { --s_live; }
    const char16_t* getClassName() const override { return u"ExitInner"; }
    void reset() override {}
    static inline int s_live = 0;
};

class ExitOuter : public s::base::IObject, public s::thread::IPoolable {
    S_POOLED_CLASS(ExitOuter)
public:
    ExitOuter() : m_inner(ExitInner::create()) {}
    ~ExitOuter() override { m_inner->release(); }
    const char16_t* getClassName() const override { return u"ExitOuter"; }
    void reset() override {}

private:
    ExitInner* m_inner;
};

/// Made before the pools, so it is destroyed after them: the last word on
/// what the pools left behind.
struct ExitCheck {
    ~ExitCheck() {
        if (ExitInner::s_live != 0)
            std::_Exit(3);
    }
};

[[noreturn]] void releaseIntoPoolsThenExit() {
    static ExitCheck check;
    ExitOuter::create()->release();
    std::exit(0);
}

} // namespace

TEST(PoolOfTest, ProcessExitDestroysIdleObjectsWhoseMembersGoToAnEarlierClosedPool) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(releaseIntoPoolsThenExit(), ::testing::ExitedWithCode(0), "");
}
