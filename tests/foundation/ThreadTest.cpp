#include "foundation/thread/win/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using s::i32;
using s::i64;
using s::u32;
using s::thread::ITask;
using s::thread::win::Thread;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// Waits are bounded so that a broken worker fails the test instead of hanging
// it; the bound is far above anything a loaded machine needs.
constexpr auto kPatience = 10s;

i64 msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

u32 currentTid() { return static_cast<u32>(::syscall(SYS_gettid)); }

/// A one-shot signal between the test and a task.
class Flag {
public:
    void set() {
        std::lock_guard guard(m_mutex);
        m_set = true;
        m_cv.notify_all();
    }
    bool wait(Clock::duration timeout = kPatience) {
        std::unique_lock guard(m_mutex);
        return m_cv.wait_for(guard, timeout, [&] { return m_set; });
    }
    bool isSet() {
        std::lock_guard guard(m_mutex);
        return m_set;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_set = false;
};

/// Notes when each run starts and ends and on which kernel thread it runs.
/// Run number `holdRun` (counted from 1) signals `entered` and then waits for
/// `proceed`.
class RecordingTask : public ITask {
public:
    explicit RecordingTask(i32 workMs = 0, i32 holdRun = 0) : m_workMs(workMs), m_holdRun(holdRun) {}

    void run() override {
        i32 number;
        {
            std::lock_guard guard(m_mutex);
            m_starts.push_back(Clock::now());
            m_tids.push_back(currentTid());
            number = static_cast<i32>(m_starts.size());
        }
        if (number == m_holdRun) {
            entered.set();
            proceed.wait();
        }
        if (m_workMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(m_workMs));
        std::lock_guard guard(m_mutex);
        m_ends.push_back(Clock::now());
    }

    std::vector<Clock::time_point> starts() {
        std::lock_guard guard(m_mutex);
        return m_starts;
    }
    std::vector<Clock::time_point> ends() {
        std::lock_guard guard(m_mutex);
        return m_ends;
    }
    std::vector<u32> tids() {
        std::lock_guard guard(m_mutex);
        return m_tids;
    }
    size_t started() { return starts().size(); }
    size_t finished() { return ends().size(); }

    Flag entered;
    Flag proceed;

private:
    std::mutex m_mutex;
    std::vector<Clock::time_point> m_starts;
    std::vector<Clock::time_point> m_ends;
    std::vector<u32> m_tids;
    i32 m_workMs;
    i32 m_holdRun;
};

/// Polls `isIdle()` without the renewal that `waitIdle(timeout)` would do.
bool becomesIdle(Thread& thread, Clock::duration timeout = kPatience) {
    auto deadline = Clock::now() + timeout;
    while (!thread.isIdle()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

template <class Pred>
bool eventually(Pred pred, Clock::duration timeout = kPatience) {
    auto deadline = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

bool kernelThreadExists(u32 tid) {
    return std::filesystem::exists("/proc/self/task/" + std::to_string(tid));
}

int niceOfTid(u32 tid) {
    errno = 0;
    return ::getpriority(PRIO_PROCESS, tid);
}

} // namespace

TEST(ThreadTest, NewWorkerIsIdleAndRunsTasksOnItsOwnThread) {
    Thread thread;
    EXPECT_TRUE(thread.isIdle());
    EXPECT_NE(thread.getId(), 0u);
    EXPECT_NE(thread.getId(), currentTid());
    EXPECT_TRUE(kernelThreadExists(thread.getId()));

    RecordingTask task;
    thread.execute(&task, 3);
    ASSERT_TRUE(becomesIdle(thread));
    EXPECT_EQ(task.finished(), 3u);
    for (u32 tid : task.tids())
        EXPECT_EQ(tid, thread.getId());

    // The same worker takes the next job.
    thread.execute(&task);
    thread.waitIdle();
    EXPECT_EQ(task.finished(), 4u);
    EXPECT_EQ(task.tids().back(), thread.getId());

    // Nothing runs on its own after the work is done.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(task.started(), 4u);
    EXPECT_EQ(thread.getClassName(), std::u16string(u"s_thread_win_Thread"));
}

TEST(ThreadTest, NegativeCountRunsNothing) {
    Thread thread;
    RecordingTask task;
    thread.execute(&task, -3);
    ASSERT_TRUE(becomesIdle(thread));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(task.started(), 0u);
}

TEST(ThreadTest, PauseFollowsEveryRunButTheLast) {
    Thread thread;
    RecordingTask task;
    thread.executeWithPause(&task, 3, 300);
    ASSERT_TRUE(becomesIdle(thread));
    auto starts = task.starts();
    auto ends = task.ends();
    ASSERT_EQ(starts.size(), 3u);
    ASSERT_EQ(ends.size(), 3u);
    EXPECT_GE(msBetween(ends[0], starts[1]), 295);
    EXPECT_GE(msBetween(ends[1], starts[2]), 295);
    EXPECT_GE(msBetween(starts[0], starts[2]), 595);

    // A single run has no pause at all: with a very long one, the worker
    // would otherwise stay busy far beyond the bound.
    RecordingTask once;
    auto t0 = Clock::now();
    thread.executeWithPause(&once, 1, 30000);
    ASSERT_TRUE(becomesIdle(thread));
    EXPECT_LT(msBetween(t0, Clock::now()), 10000);
    EXPECT_EQ(once.finished(), 1u);
}

TEST(ThreadTest, PeriodIsMeasuredFromStartToStart) {
    Thread thread;
    RecordingTask task(100);
    thread.executeAtPeriod(&task, 3, 500);
    ASSERT_TRUE(becomesIdle(thread));
    auto starts = task.starts();
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_GE(msBetween(starts[0], starts[1]), 495);
    EXPECT_GE(msBetween(starts[1], starts[2]), 495);
}

TEST(ThreadTest, RunLongerThanPeriodIsFollowedAtOnce) {
    Thread thread;
    RecordingTask task(900);
    thread.executeAtPeriod(&task, 2, 800);
    ASSERT_TRUE(becomesIdle(thread));
    auto starts = task.starts();
    auto ends = task.ends();
    ASSERT_EQ(starts.size(), 2u);
    i64 runLength = msBetween(starts[0], ends[0]);
    // Waiting a period (or most of one) after the long run would show here.
    EXPECT_LT(msBetween(starts[0], starts[1]), runLength + 700);
}

TEST(ThreadTest, StopLetsTheCurrentRunFinishThenIdles) {
    Thread thread;
    RecordingTask task(10, 2);
    thread.executeForever(&task);
    ASSERT_TRUE(task.entered.wait());
    thread.stop();
    EXPECT_FALSE(thread.isIdle()); // run 2 is still in progress
    task.proceed.set();
    thread.waitIdle();
    EXPECT_EQ(task.started(), 2u);
    EXPECT_EQ(task.finished(), 2u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(task.started(), 2u);
}

TEST(ThreadTest, StopDuringEndlessPausedRunsIdlesAfterThePause) {
    Thread thread;
    RecordingTask task;
    thread.executeForeverAtPeriod(&task, 200);
    ASSERT_TRUE(eventually([&] { return task.finished() >= 2; }));
    thread.stopAndWait();
    EXPECT_TRUE(thread.isIdle());
    size_t runs = task.started();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(task.started(), runs);
}

TEST(ThreadTest, ExecuteDropsAPendingDelay) {
    Thread thread;
    thread.setDelay(30000);
    RecordingTask task;
    auto t0 = Clock::now();
    thread.execute(&task);
    ASSERT_TRUE(becomesIdle(thread));
    EXPECT_EQ(task.finished(), 1u);
    EXPECT_LT(msBetween(t0, Clock::now()), 10000);
}

TEST(ThreadTest, DelayDuringASeriesSleepsOnce) {
    Thread thread;
    RecordingTask task(0, 1);
    thread.execute(&task, 3);
    ASSERT_TRUE(task.entered.wait());
    thread.setDelay(1000);
    task.proceed.set();
    ASSERT_TRUE(becomesIdle(thread));
    auto starts = task.starts();
    auto ends = task.ends();
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_GE(msBetween(ends[0], starts[1]), 995);
    // Had the delay stayed pending, the next gap would be as long again.
    EXPECT_LT(msBetween(ends[1], starts[2]), 800);
}

TEST(ThreadTest, WaitIdleWithZeroTimeoutOnIdleWorkerKeepsIt) {
    Thread thread;
    u32 id = thread.getId();
    auto t0 = Clock::now();
    EXPECT_TRUE(thread.waitIdle(0));
    EXPECT_TRUE(thread.waitIdle(5000));
    EXPECT_LT(msBetween(t0, Clock::now()), 5000);
    EXPECT_EQ(thread.getId(), id);
}

TEST(ThreadTest, WaitIdleTimeoutAbandonsHungWorkerForAFreshOne) {
    RecordingTask hung(0, 1);
    {
        Thread thread;
        thread.setPriority(s::thread::kPriorityBelowNormal);
        u32 oldId = thread.getId();
        thread.execute(&hung, 5);
        ASSERT_TRUE(hung.entered.wait());

        auto t0 = Clock::now();
        EXPECT_FALSE(thread.waitIdle(0));
        EXPECT_LT(msBetween(t0, Clock::now()), 5000);
        EXPECT_TRUE(thread.isIdle());
        EXPECT_NE(thread.getId(), oldId);
        EXPECT_EQ(thread.getPriority(), s::thread::kPriorityBelowNormal);

        RecordingTask fresh;
        thread.execute(&fresh, 2);
        EXPECT_TRUE(thread.waitIdle(5000));
        EXPECT_EQ(fresh.finished(), 2u);
        EXPECT_EQ(fresh.tids().front(), thread.getId());

        // A timeout that runs out renews as well.
        RecordingTask stuck(0, 1);
        thread.execute(&stuck);
        ASSERT_TRUE(stuck.entered.wait());
        u32 secondId = thread.getId();
        EXPECT_FALSE(thread.waitIdle(60));
        EXPECT_NE(thread.getId(), secondId);
        stuck.proceed.set();
        // (Waiting on the task, not only on the kernel thread, also tells a
        // race detector that the abandoned worker is done with it.)
        EXPECT_TRUE(eventually([&] { return stuck.finished() == 1; }));
        EXPECT_TRUE(eventually([&] { return !kernelThreadExists(secondId); }));

        // The abandoned worker no longer belongs to this Thread: destroying
        // the Thread does not wait for the hung task.
    }
    // Once the hung task returns, its worker ends by itself instead of
    // making the remaining runs.
    u32 hungTid = hung.tids().front();
    EXPECT_TRUE(kernelThreadExists(hungTid));
    hung.proceed.set();
    EXPECT_TRUE(eventually([&] { return hung.finished() == 1; }));
    EXPECT_TRUE(eventually([&] { return !kernelThreadExists(hungTid); }));
    EXPECT_EQ(hung.started(), 1u);
}

TEST(ThreadTest, DestructionWaitsForTheRunningTask) {
    RecordingTask task(300, 1);
    {
        Thread thread;
        thread.execute(&task, 5);
        ASSERT_TRUE(task.entered.wait());
        task.proceed.set();
    }
    // The run in progress completed; the remaining runs were not made.
    EXPECT_EQ(task.finished(), 1u);
    EXPECT_EQ(task.started(), 1u);
}

TEST(ThreadTest, DestructionCutsALongPauseShort) {
    RecordingTask task;
    auto t0 = Clock::now();
    {
        Thread thread;
        thread.executeForeverWithPause(&task, 60000);
        ASSERT_TRUE(eventually([&] { return task.finished() == 1; }));
    }
    EXPECT_LT(msBetween(t0, Clock::now()), 10000);
    EXPECT_EQ(task.started(), 1u);
}

TEST(ThreadTest, QuitAndJoinEndsTheWorker) {
    Thread thread;
    u32 id = thread.getId();
    thread.quitAndJoin();
    EXPECT_FALSE(kernelThreadExists(id));
}

namespace {
std::atomic<ITask*> g_runFnArgument{nullptr};
std::atomic<u32> g_runFnTid{0};
void recordRunFn(ITask* self) {
    g_runFnTid = currentTid();
    g_runFnArgument = self;
}
} // namespace

TEST(ThreadTest, OwnRunCallsTheRunFunctionWithItsTaskFace) {
    Thread thread;
    thread.setRunFunction(&recordRunFn);
    thread.execute(static_cast<ITask*>(&thread));
    ASSERT_TRUE(becomesIdle(thread));
    EXPECT_EQ(g_runFnArgument.load(), static_cast<ITask*>(&thread));
    EXPECT_EQ(g_runFnTid.load(), thread.getId());
}

TEST(ThreadTest, PooledWorkerComesBackIdleOnTheSameOsThread) {
    Thread* thread = Thread::create();
    u32 id = thread->getId();
    RecordingTask endless(5);
    thread->setRunFunction(&recordRunFn);
    thread->executeForever(&endless);
    ASSERT_TRUE(eventually([&] { return endless.finished() >= 2; }));

    // Handing back a busy worker stops it after the run in progress.
    thread->release();
    size_t runs = endless.started();
    EXPECT_EQ(endless.finished(), runs);

    Thread* again = Thread::create();
    ASSERT_EQ(again, thread);
    EXPECT_TRUE(again->isIdle());
    EXPECT_EQ(again->getId(), id);

    // The run function is gone with the reset: running the thread's own task
    // face does nothing now.
    g_runFnArgument = nullptr;
    again->execute(static_cast<ITask*>(again));
    ASSERT_TRUE(becomesIdle(*again));
    EXPECT_EQ(g_runFnArgument.load(), nullptr);

    RecordingTask next;
    again->execute(&next);
    again->waitIdle();
    EXPECT_EQ(next.finished(), 1u);
    EXPECT_EQ(next.tids().front(), id);
    EXPECT_EQ(endless.started(), runs);
    again->release();
}

TEST(ThreadTest, PriorityRoundTrip) {
    errno = 0;
    if (::getpriority(PRIO_PROCESS, 0) != 0 || errno != 0)
        GTEST_SKIP() << "the tests run at a nice value other than 0";
    Thread thread;
    EXPECT_EQ(thread.getPriority(), s::thread::kPriorityNormal);
    // Lowering is always permitted.
    for (i32 p : {s::thread::kPriorityBelowNormal, s::thread::kPriorityLowest}) {
        thread.setPriority(p);
        EXPECT_EQ(thread.getPriority(), p);
    }
    EXPECT_EQ(niceOfTid(thread.getId()), 10);
    // Back to normal works with or without the right to raise priority.
    thread.setPriority(s::thread::kPriorityNormal);
    EXPECT_EQ(thread.getPriority(), s::thread::kPriorityNormal);

    thread.setPriority(s::thread::kPriorityAboveNormal);
    int nice = niceOfTid(thread.getId());
    if (nice == 0)
        GTEST_SKIP() << "raising a thread's priority is not permitted here";
    EXPECT_EQ(nice, -5);
    EXPECT_EQ(thread.getPriority(), s::thread::kPriorityAboveNormal);
    thread.setPriority(s::thread::kPriorityNormal);
    EXPECT_EQ(niceOfTid(thread.getId()), 0);
}

namespace {
/// Drops CAP_SYS_NICE from the calling thread only; true when the thread can
/// no longer raise its own priority.
bool dropNiceCapability() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective &= ~(1u << CAP_SYS_NICE);
    if (::syscall(SYS_capset, &header, data) != 0)
        return false;
    if (::setpriority(PRIO_PROCESS, 0, -1) == 0) {
        (void)::setpriority(PRIO_PROCESS, 0, 0);
        return false;
    }
    return true;
}
} // namespace

TEST(ThreadTest, WorkerReturnsToNormalPriorityWithoutTheRightToRaise) {
    // New threads inherit the process's nice value; below normal to begin
    // with, nothing can get back to 0 without the right to raise.
    errno = 0;
    if (::getpriority(PRIO_PROCESS, 0) != 0 || errno != 0)
        GTEST_SKIP() << "the tests run at a nice value other than 0";
    bool dropped = false;
    i32 priorityAfter = 99;
    int niceAfter = 99;
    u32 runsOn = 0;
    u32 workerId = 0;
    bool samePooledObject = false;
    int pooledNiceAfter = 99;
    // Capabilities are per thread: the owner runs on a thread of its own.
    std::thread owner([&] {
        dropped = dropNiceCapability();
        if (!dropped)
            return;
        Thread thread;
        thread.setPriority(s::thread::kPriorityLowest);
        thread.setPriority(s::thread::kPriorityNormal);
        priorityAfter = thread.getPriority();
        niceAfter = niceOfTid(thread.getId());
        RecordingTask task;
        thread.execute(&task);
        thread.waitIdle();
        runsOn = task.tids().front();
        workerId = thread.getId();

        // The same through the pool: the hand-back resets to normal.
        Thread* pooled = Thread::create();
        pooled->setPriority(s::thread::kPriorityLowest);
        pooled->release();
        Thread* again = Thread::create();
        samePooledObject = again == pooled;
        pooledNiceAfter = niceOfTid(again->getId());
        again->release();
    });
    owner.join();
    if (!dropped)
        GTEST_SKIP() << "cannot drop CAP_SYS_NICE here";
    EXPECT_EQ(priorityAfter, s::thread::kPriorityNormal);
    EXPECT_EQ(niceAfter, 0);
    EXPECT_EQ(runsOn, workerId);
    EXPECT_TRUE(samePooledObject);
    EXPECT_EQ(pooledNiceAfter, 0);
}
