#include "gui/win/UIThread.h"

#include <gtk/gtk.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace s::gui::win {

struct UIThread::State {
    std::mutex mutex;
    std::condition_variable changed;
    // Guarded by mutex:
    bool started = false;   // start() ran its course (whatever the outcome)
    bool running = false;   // accepts work
    std::thread thread;     // joined by stop()
    std::thread::id id;
    GMainLoop* loop = nullptr; // the GTK thread's loop; quit under mutex
};

namespace {

// The state lock, for runJob. Set once before the thread starts.
std::mutex* g_stateLock = nullptr;

struct Job {
    std::function<void()> fn;
    std::mutex* mutex = nullptr; // the state lock the job was made under
    // For invoke(): the waiter's flag, guarded by the state mutex.
    bool* done = nullptr;
    std::condition_variable* changed = nullptr;
};

gboolean runJob(gpointer data) {
    auto* job = static_cast<Job*>(data);
    // The job was made under the state lock; taking it once here orders
    // that with this thread in a way the race detector can see (GLib's own
    // hand-over inside the main loop is invisible to it).
    { std::lock_guard lock(*g_stateLock); }
    job->fn();
    if (job->done) {
        std::lock_guard lock(*job->mutex);
        *job->done = true;
        job->changed->notify_all();
    }
    delete job;
    return G_SOURCE_REMOVE;
}

// A job posted below redraw waits behind GTK's repaints, but not for as long
// as repaints keep coming: on a slow machine they can follow one another
// without pause, while the worker that posted the job waits for it (and a
// task's end event, left waiting, keeps the window busy and deaf to its
// Save button). So the job is also put on a timer of this length; whichever
// source fires first runs it and removes the other.
constexpr guint kLateJobMs = 100;

struct LateJob {
    std::function<void()> fn; // emptied when it ran
    guint idleSource = 0;
    guint timerSource = 0;
    int liveSources = 2; // the last source to go frees the job
};

gboolean runLateJob(gpointer data) {
    auto* job = static_cast<LateJob*>(data);
    // As in runJob; the source ids were also set under this lock.
    { std::lock_guard lock(*g_stateLock); }
    if (!job->fn)
        return G_SOURCE_REMOVE;
    const std::function<void()> fn = std::move(job->fn);
    job->fn = nullptr;
    const guint self = g_source_get_id(g_main_current_source());
    g_source_remove(self == job->idleSource ? job->timerSource : job->idleSource);
    fn();
    return G_SOURCE_REMOVE;
}

void lateJobSourceGone(gpointer data) {
    auto* job = static_cast<LateJob*>(data);
    if (--job->liveSources == 0)
        delete job;
}

void stopAtExit() { UIThread::instance().stop(); }

} // namespace

UIThread& UIThread::instance() {
    static UIThread* thread = new UIThread(); // lives until exit; stopped by the exit hook
    return *thread;
}

UIThread::State* UIThread::state() {
    static State* s = [] {
        auto* state = new State();
        g_stateLock = &state->mutex;
        return state;
    }();
    return s;
}

bool UIThread::start() {
    State* s = state();
    std::unique_lock lock(s->mutex);
    if (s->started)
        return s->running;
    s->started = true;
    bool ready = false;
    bool ok = false;
    s->thread = std::thread([s, &ready, &ok] {
        const bool init = gtk_init_check(nullptr, nullptr);
        // GTK mirrors its widgets on a right-to-left desktop (Arabic,
        // Persian, Hebrew). The toolkit's layouts place everything left to
        // right in every language, so its controls, menus and boxes keep
        // that direction too: a mirrored slider would start at the right of
        // a timeline whose step buttons go left to right. Texts still read
        // in their own direction (Pango lays out each paragraph by its
        // script).
        if (init)
            gtk_widget_set_default_direction(GTK_TEXT_DIR_LTR);
        GMainLoop* loop = init ? g_main_loop_new(nullptr, FALSE) : nullptr;
        {
            std::lock_guard l(s->mutex);
            s->id = std::this_thread::get_id();
            s->loop = loop;
            s->running = init;
            ok = init;
            ready = true;
            s->changed.notify_all();
        }
        if (!loop)
            return;
        g_main_loop_run(loop);
        // Work queued before the loop stopped accepting it still runs, so
        // that no waiter of invoke() is left blocked.
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        g_main_loop_unref(loop);
    });
    s->changed.wait(lock, [&] { return ready; });
    if (ok) {
        std::atexit(stopAtExit);
    } else {
        // Without a display the thread has already ended: collect it.
        lock.unlock();
        s->thread.join();
    }
    return ok;
}

bool UIThread::isRunning() const {
    State* s = const_cast<UIThread*>(this)->state();
    std::lock_guard lock(s->mutex);
    return s->running;
}

bool UIThread::isUiThread() {
    State* s = instance().state();
    std::lock_guard lock(s->mutex);
    return s->started && s->id == std::this_thread::get_id();
}

bool UIThread::invoke(const std::function<void()>& fn) {
    if (isUiThread()) {
        fn();
        return true;
    }
    State* s = state();
    bool done = false;
    std::unique_lock lock(s->mutex);
    if (!s->running)
        return false;
    auto* job = new Job{fn, &s->mutex, &done, &s->changed};
    g_idle_add_full(G_PRIORITY_HIGH_IDLE, runJob, job, nullptr);
    s->changed.wait(lock, [&] { return done; });
    return true;
}

bool UIThread::post(std::function<void()> fn, bool belowRedraw) {
    State* s = state();
    std::lock_guard lock(s->mutex);
    if (!s->running)
        return false;
    if (!belowRedraw) {
        g_idle_add_full(G_PRIORITY_HIGH_IDLE, runJob, new Job{std::move(fn), &s->mutex}, nullptr);
        return true;
    }
    auto* job = new LateJob{std::move(fn)};
    job->idleSource = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, runLateJob, job, lateJobSourceGone);
    job->timerSource = g_timeout_add_full(G_PRIORITY_DEFAULT, kLateJobMs, runLateJob, job, lateJobSourceGone);
    return true;
}

void UIThread::stop() {
    State* s = state();
    std::thread thread;
    {
        std::lock_guard lock(s->mutex);
        if (!s->running) {
            if (s->thread.joinable() && s->id != std::this_thread::get_id())
                thread = std::move(s->thread);
        } else {
            s->running = false;
            g_main_loop_quit(s->loop);
            if (s->id != std::this_thread::get_id())
                thread = std::move(s->thread);
        }
    }
    if (thread.joinable())
        thread.join();
}

} // namespace s::gui::win
