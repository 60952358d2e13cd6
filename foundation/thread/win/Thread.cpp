#include "foundation/thread/win/Thread.h"

#include <cerrno>
#include <chrono>
#include <mutex>
#include <system_error>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace s::thread::win {

namespace {

using Clock = std::chrono::steady_clock;
using Guard = std::unique_lock<ObjLocker>;

/// Nice values for the four priorities; anything beyond the range counts as
/// the nearest end.
int niceOf(i32 priority) {
    if (priority >= kPriorityAboveNormal)
        return -5;
    if (priority == kPriorityNormal)
        return 0;
    if (priority == kPriorityBelowNormal)
        return 5;
    return 10;
}

i32 priorityOfNice(int nice) {
    if (nice <= -3)
        return kPriorityAboveNormal;
    if (nice <= 2)
        return kPriorityNormal;
    if (nice <= 7)
        return kPriorityBelowNormal;
    return kPriorityLowest;
}

/// The nice value of kernel thread `tid` (0: the calling thread), or
/// `fallback` when it cannot be read.
int niceOfThread(i32 tid, int fallback) {
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    return errno == 0 ? nice : fallback;
}

/// A negative count would otherwise never reach 0 and run without end.
i32 countOf(i32 times) { return times < 0 ? 0 : times; }

/// Sleeps `ms` with the lock released, cut short only by a quit request.
/// Called and returns with the lock held once.
void pauseFor(Thread::ControlBlock& block, Guard& guard, i64 ms) {
    if (ms <= 0)
        return;
    auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    block.wake.wait_until(guard, deadline, [&] { return block.quitRequested.load() != 0; });
}

/// Parks until `resume()` or a quit request. Called and returns with the
/// lock held once; the decision to park and the wait happen under the same
/// hold, so no wake-up falls between them.
void park(Thread::ControlBlock& block, Guard& guard) {
    block.wake.wait(guard, [&] { return block.wakePending || block.quitRequested.load() != 0; });
    block.wakePending = false;
}

} // namespace

Thread::Thread() { createWorker(); }

Thread::~Thread() {
    if (m_handle.joinable())
        quitAndJoin();
}

void Thread::createWorker() {
    m_block = std::make_shared<ControlBlock>();
    try {
        m_handle = std::thread(&Thread::loop, m_block);
    } catch (const std::system_error&) {
        // No worker: getId() stays 0 and the priority is never applied, so
        // setpriority never touches the calling thread by mistake.
        return;
    }
    {
        Guard guard(m_block->lock);
        m_block->wake.wait(guard, [&] { return m_block->tid.load() != 0; });
    }
    (void)applyPriority(); // not permitted to raise: the worker keeps the creator's priority
}

int Thread::applyPriority() {
    i32 tid = m_block->tid.load();
    if (tid == 0)
        return -1;
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceOf(m_priority)) == 0)
        return 0;
    return errno;
}

void Thread::loop(std::shared_ptr<ControlBlock> block) {
    ControlBlock& b = *block;
    Guard guard(b.lock);
    b.tid.store(static_cast<i32>(::syscall(SYS_gettid)));
    b.wake.notify_all();
    // A new worker starts parked.
    park(b, guard);

    while (b.quitRequested.load() == 0) {
        if (b.delayMs != 0) {
            i32 ms = b.delayMs;
            b.delayMs = 0;
            pauseFor(b, guard, ms);
        } else if (b.remainingRuns != 0) {
            if (b.remainingRuns != -1)
                --b.remainingRuns;
            ITask* task = b.task;
            i32 left = b.remainingRuns;
            i32 pauseMode = b.pauseMode;
            i32 pauseMs = b.pauseMs;
            guard.unlock();
            auto t0 = Clock::now();
            if (task) {
                task->run();
                guard.lock();
                if (pauseMode != 0 && left != 0) {
                    if (pauseMode == 1) {
                        pauseFor(b, guard, pauseMs);
                    } else {
                        auto elapsed =
                            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
                        pauseFor(b, guard, pauseMs - elapsed);
                    }
                }
                continue; // straight on to the next step, never parked
            }
            guard.lock();
        } else {
            b.idle.store(1);
            b.idleChanged.notify_all();
        }
        if (b.idle.load() != 0)
            park(b, guard);
    }
}

u32 Thread::getId() const { return static_cast<u32>(m_block->tid.load()); }

void Thread::setRuns(ITask* task, i32 runs, i32 pauseMode, i32 pauseMs) {
    {
        Guard guard(m_block->lock);
        m_block->delayMs = 0;
        m_block->task = task;
        m_block->remainingRuns = runs;
        m_block->pauseMode = pauseMode;
        m_block->pauseMs = pauseMs;
        m_block->idle.store(0);
    }
    resume();
}

void Thread::execute(ITask* task) { setRuns(task, 1, 0, 0); }
void Thread::execute(ITask* task, i32 times) { setRuns(task, countOf(times), 0, 0); }
void Thread::executeWithPause(ITask* task, i32 times, i32 pauseMs) { setRuns(task, countOf(times), 1, pauseMs); }
void Thread::executeAtPeriod(ITask* task, i32 times, i32 periodMs) { setRuns(task, countOf(times), 2, periodMs); }
void Thread::executeForever(ITask* task) { setRuns(task, -1, 0, 0); }
void Thread::executeForeverWithPause(ITask* task, i32 pauseMs) { setRuns(task, -1, 1, pauseMs); }
void Thread::executeForeverAtPeriod(ITask* task, i32 periodMs) { setRuns(task, -1, 2, periodMs); }

bool Thread::isIdle() const { return m_block->idle.load() != 0; }

void Thread::waitIdle() {
    Guard guard(m_block->lock);
    m_block->idleChanged.wait(guard, [&] { return m_block->idle.load() != 0; });
}

bool Thread::waitIdle(i32 timeoutMs) {
    {
        // The timeout is the caller's verdict on a hung task; the wait
        // itself ends as soon as the worker goes idle.
        Guard guard(m_block->lock);
        const auto timeout = std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
        if (m_block->idleChanged.wait_for(guard, timeout, [&] { return m_block->idle.load() != 0; }))
            return true;
    }
    // The task is considered hung. A thread cannot be killed safely here, so
    // the worker is abandoned: it keeps its own control block, told to quit,
    // and ends by itself should the task ever return.
    quit();
    if (m_handle.joinable())
        m_handle.detach();
    createWorker();
    return false;
}

void Thread::stop() {
    {
        Guard guard(m_block->lock);
        m_block->remainingRuns = 0;
    }
    resume();
}

void Thread::stopAndWait() {
    stop();
    waitIdle();
}

void Thread::join() {
    // A parked worker must wake to see a quit request. Without a worker
    // (it could not be started) there is nothing to wait for.
    resume();
    if (m_handle.joinable())
        m_handle.join();
}

void Thread::quit() {
    {
        Guard guard(m_block->lock);
        m_block->quitRequested.store(1);
    }
    resume();
}

void Thread::quitAndJoin() {
    quit();
    join();
}

void Thread::setDelay(i32 ms) {
    Guard guard(m_block->lock);
    m_block->delayMs = ms;
}

void Thread::resume() {
    Guard guard(m_block->lock);
    m_block->wakePending = true;
    m_block->wake.notify_all();
}

void Thread::suspend() {
    Guard guard(m_block->lock);
    m_block->wakePending = false;
}

i32 Thread::getPriority() const {
    i32 tid = m_block->tid.load();
    if (tid == 0)
        return m_priority;
    return priorityOfNice(niceOfThread(tid, niceOf(m_priority)));
}

void Thread::setPriority(i32 priority) {
    m_priority = priority;
    int refusal = applyPriority();
    if (refusal != EPERM && refusal != EACCES)
        return;
    // Without the right to raise priority, a worker that once ran at a low
    // priority could never come back to normal, and a pooled worker would
    // carry that into its next use. A fresh worker starts at the caller's
    // nice value, so an idle worker is replaced when that gets closer.
    i32 tid = m_block->tid.load();
    int target = niceOf(priority);
    int current = niceOfThread(tid, target);
    int callers = niceOfThread(0, current);
    if (current > target && callers < current && m_block->idle.load() != 0) {
        quitAndJoin();
        createWorker();
    }
}

void Thread::run() {
    if (m_runFn)
        m_runFn(this);
}

void Thread::reset() {
    if (m_block->idle.load() == 0)
        stopAndWait();
    setPriority(kPriorityNormal);
    suspend();
    {
        Guard guard(m_block->lock);
        m_block->idle.store(1);
        m_block->idleChanged.notify_all();
        m_block->task = nullptr;
    }
    m_runFn = nullptr;
}

} // namespace s::thread::win
