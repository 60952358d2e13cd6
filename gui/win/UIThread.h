#pragma once

#include "foundation/base/Types.h"

#include <functional>

namespace s::gui::win {

/// The one thread that runs GTK for every toolkit window of the process.
/// GTK is initialised and pumped there and touched nowhere else; other
/// threads hand work to it with `invoke` (synchronous) or `post`.
///
/// Started on first use; stopped by `stop()` or at process exit. After the
/// loop stopped, `invoke` and `post` refuse work (false) rather than wait
/// forever.
class UIThread {
public:
    static UIThread& instance();

    /// Starts the thread and initialises GTK there; true when it runs.
    /// False when GTK cannot open a display (the toolkit then works without
    /// native windows). Any thread; once started, later calls answer at once.
    bool start();
    /// Any thread.
    bool isRunning() const;
    /// Whether the caller runs on the GTK thread.
    static bool isUiThread();

    /// Runs `fn` on the GTK thread and waits until it returned; on the GTK
    /// thread itself it runs at once. False when the thread does not run
    /// (then `fn` did not run).
    bool invoke(const std::function<void()>& fn);
    /// Queues `fn` for the GTK thread without waiting. With `belowRedraw`
    /// it runs after GTK's pending layout and redraw work, so that a stream
    /// of posts cannot starve repaints; but repaints that never pause hold
    /// it back by a tenth of a second at most. A job accepted (true) always runs:
    /// when the loop stops, the thread runs what is queued before it ends.
    bool post(std::function<void()> fn, bool belowRedraw = false);

    /// Ends the loop after the work queued so far and joins the thread. Not
    /// on the GTK thread (there it only asks the loop to end).
    void stop();

private:
    UIThread() = default;
    struct State;
    State* state();
};

} // namespace s::gui::win
