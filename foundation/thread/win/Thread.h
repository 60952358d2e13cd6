#pragma once

#include "foundation/thread/IPoolable.h"
#include "foundation/thread/IThread.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <thread>

namespace s::thread::win {

/// A persistent worker thread, pooled: a `Thread` taken from its pool is
/// parked and ready at once.
///
/// The worker runs the loop on a heap control block that it shares with the
/// owner. The loop never holds the lock while it runs a task, sleeps or
/// parks. A worker found hung by `waitIdle(timeout)` keeps its own control
/// block (told to quit) and is detached; a fresh worker replaces it.
class Thread : public IThread, public virtual IPoolable, public ITask {
    S_POOLED_CLASS(Thread)

public:
    using RunFn = void (*)(ITask*);

    /// Starts the worker, parked and idle.
    Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    /// Waits for a task in progress to return, then ends the worker.
    ~Thread() override;

    u32 getId() const override;
    void execute(ITask* task) override;
    void execute(ITask* task, i32 times) override;
    void executeWithPause(ITask* task, i32 times, i32 pauseMs) override;
    void executeAtPeriod(ITask* task, i32 times, i32 periodMs) override;
    void executeForever(ITask* task) override;
    void executeForeverWithPause(ITask* task, i32 pauseMs) override;
    void executeForeverAtPeriod(ITask* task, i32 periodMs) override;
    bool isIdle() const override;
    void waitIdle() override;
    bool waitIdle(i32 timeoutMs) override;
    void stop() override;
    void stopAndWait() override;
    void join() override;
    void quit() override;
    void quitAndJoin() override;
    void setDelay(i32 ms) override;
    void resume() override;
    void suspend() override;
    i32 getPriority() const override;
    void setPriority(i32 priority) override;
    void setRunFunction(RunFn fn) { m_runFn = fn; }

    /// Calls the run function with this thread's task face.
    void run() override;
    /// Stops a busy worker, normal priority, parked and idle, no run function.
    void reset() override;

    const char16_t* getClassName() const override { return u"s_thread_win_Thread"; }

    /// The state the owner and the worker share.
    struct ControlBlock {
        ObjLocker lock;
        std::condition_variable_any wake; // waited on under lock by the worker
        // Notified under lock when idle turns 1; waited on by waitIdle.
        std::condition_variable_any idleChanged;
        bool wakePending = false;         // guarded by lock
        i32 delayMs = 0;                  // guarded by lock
        ITask* task = nullptr;            // guarded by lock
        i32 remainingRuns = 0;            // guarded by lock; -1 without end
        i32 pauseMode = 0;                // guarded by lock; 0 none, 1 pause, 2 period
        i32 pauseMs = 0;                  // guarded by lock
        std::atomic<u8> idle{1};          // written under lock, also read without
        std::atomic<u8> quitRequested{0}; // written under lock, also read without
        std::atomic<i32> tid{0};          // the worker's kernel thread id, once known
    };

private:
    /// Creates the control block and the worker; applies `m_priority`. (Named
    /// apart from the pooled `create()`.)
    void createWorker();
    /// Sets the worker's nice value for `m_priority`: 0 on success, else the
    /// errno of the refusal (-1 when there is no worker).
    [[nodiscard]] int applyPriority();
    void setRuns(ITask* task, i32 runs, i32 pauseMode, i32 pauseMs);
    static void loop(std::shared_ptr<ControlBlock> block);

    std::thread m_handle;                  // owner only
    std::shared_ptr<ControlBlock> m_block; // owner only (the block is shared)
    i32 m_priority = 0;                    // owner only
    RunFn m_runFn = nullptr;
};

} // namespace s::thread::win
