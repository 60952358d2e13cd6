#pragma once

#include "foundation/base/IObject.h"
#include "foundation/thread/ITask.h"

namespace s::thread {

/// Thread priorities: 1 above normal, 0 normal, -1 below normal, -2 lowest.
enum Priority : i32 {
    kPriorityLowest = -2,
    kPriorityBelowNormal = -1,
    kPriorityNormal = 0,
    kPriorityAboveNormal = 1,
};

/// A long-lived worker that runs a task once, n times or without end, with
/// optional pauses, and parks itself when it has nothing to do.
///
/// Every operation is called by the owner (any one thread at a time), never
/// from inside the task.
class IThread : public base::IObject {
public:
    virtual u32 getId() const = 0;
    virtual void execute(ITask* task) = 0;
    /// `times` runs back to back.
    virtual void execute(ITask* task, i32 times) = 0;
    /// `times` runs with a pause of `pauseMs` after each run but the last.
    virtual void executeWithPause(ITask* task, i32 times, i32 pauseMs) = 0;
    /// `times` runs, each starting `periodMs` after the previous start (at
    /// once when a run took longer).
    virtual void executeAtPeriod(ITask* task, i32 times, i32 periodMs) = 0;
    virtual void executeForever(ITask* task) = 0;
    virtual void executeForeverWithPause(ITask* task, i32 pauseMs) = 0;
    virtual void executeForeverAtPeriod(ITask* task, i32 periodMs) = 0;
    virtual bool isIdle() const = 0;
    /// Until idle.
    virtual void waitIdle() = 0;
    /// As `waitIdle()` for at most `timeoutMs`; a task still running then is
    /// considered hung: the worker is abandoned and a fresh idle one with the
    /// same priority takes its place. Returns true when it became idle.
    virtual bool waitIdle(i32 timeoutMs) = 0;
    /// No more runs after the one in progress.
    virtual void stop() = 0;
    virtual void stopAndWait() = 0;
    /// Until the worker has ended.
    virtual void join() = 0;
    /// Asks the worker to end after the run in progress.
    virtual void quit() = 0;
    virtual void quitAndJoin() = 0;
    /// One pause of `ms` before the next step of the loop.
    virtual void setDelay(i32 ms) = 0;
    /// Wakes a parked worker.
    virtual void resume() = 0;
    /// Parks the worker once more: a pending wake-up is dropped.
    virtual void suspend() = 0;
    virtual i32 getPriority() const = 0;
    virtual void setPriority(i32 priority) = 0;
};

} // namespace s::thread
