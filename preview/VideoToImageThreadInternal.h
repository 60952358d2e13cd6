#pragma once

#include "foundation/base/IObject.h"
#include "foundation/base/Types.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/ITask.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace s::thread::win {
class Thread;
}
namespace s::video::frame {
class FrameReader;
}

namespace s::video::gui::dialogs::snipforge {

/// The frame runner: makes the picture at one position at a time, for the
/// grabber that owns it.
///
/// With the external tool it runs the tool's frame command, which writes a
/// BMP into the frame pipe. Without it, it serves positions from the file
/// it keeps open (`frame::FrameReader`: demuxer and decoder stay open, so a
/// step costs about one decode) and hands the BMP over directly; a file that
/// the reader cannot serve exactly goes through the in-process tool's frame
/// command and the pipe instead, as with the external tool.
///
/// The grabber hands a position over with `startGrab` and waits with
/// `waitFinished`, or on `signalFd` beside the pipe; the runner clears the
/// position when it has finished, which tells the grabber that nothing more
/// will be written. Threads: `startGrab`, `isBusy`, `waitFinished`,
/// `signalFd`, `clearSignal`, `takePicture` and `requestStop` from any
/// thread; `setup` and `release` by the owner.
class VideoToImageThreadInternal : public base::IObject,
                                   public virtual thread::IPoolable,
                                   public thread::ITask {
    S_POOLED_CLASS(VideoToImageThreadInternal)

public:
    static constexpr u32 kMaxPooled = 8;

    VideoToImageThreadInternal();
    VideoToImageThreadInternal(const VideoToImageThreadInternal&) = delete;
    VideoToImageThreadInternal& operator=(const VideoToImageThreadInternal&) = delete;
    ~VideoToImageThreadInternal() override;

    const char16_t* getClassName() const override {
        return u"s_video_gui_dialogs_snipforge_VideoToImageThreadInternal";
    }

    /// Takes the file (its folder becomes the tool's working folder, its
    /// short form goes into the command) and starts the runner's worker,
    /// idle until a position comes. False when already set up.
    /// `newestPending` (may be empty) tells, on the runner's thread, the
    /// newest position asked for meanwhile: a direct grab is given up for it
    /// unless going on leads there.
    [[nodiscard]] bool setup(const str::strbuffer::StrBuffer& path, bool useExternalTool,
                             std::function<bool(i64* positionUs)> newestPending = {});

    /// How a position is to be made.
    enum class Mode {
        kTool,          ///< the frame command of the chosen tool, into the pipe
        kInProcessTool, ///< the in-process tool's frame command, into the pipe
        kDirect,        ///< from the open file, handed over by `takePicture`
    };
    /// How a direct grab ended.
    enum class Outcome {
        kNone,      ///< nothing made (stopped, or a pipe grab)
        kPicture,   ///< a picture waits for `takePicture`
        kAbandoned, ///< given up for a newer position
        kNeedsTool, ///< the open file could not give it: grab it with the frame command
    };

    /// Hands a position to grab over. Any thread.
    void startGrab(i64 positionUs, Mode mode);
    /// The pipe grab of the chosen tool (`inProcess`: the in-process tool
    /// even when the external one was chosen).
    void startGrab(i64 positionUs, bool inProcess = false) {
        startGrab(positionUs, inProcess ? Mode::kInProcessTool : Mode::kTool);
    }
    /// Whether a position is handed over and its tool run has not finished.
    [[nodiscard]] bool isBusy() const { return m_requestedUs.load(std::memory_order_acquire) >= 0; }
    /// Waits until the position handed over is finished or a stop is
    /// requested; true when finished. Any thread.
    bool waitFinished();
    /// Waits until the position handed over is finished or `timeout`
    /// passed; true when finished. Any thread.
    bool waitFinished(std::chrono::milliseconds timeout);
    /// A descriptor that turns readable when a position finishes and when a
    /// stop is requested, for waiting on it together with others (poll);
    /// it stays readable until `clearSignal()`. -1 when it could not be
    /// made. Valid from `setup` until the runner is released.
    [[nodiscard]] int signalFd() const { return m_signal; }
    /// Makes `signalFd` unreadable until the next finish or stop. For the
    /// one thread that waits on it.
    void clearSignal();
    /// Whether direct grabs may be tried: none has yet found the file
    /// unservable. Any thread.
    [[nodiscard]] bool servesDirectly() const { return !m_readerUnusable.load(std::memory_order_acquire); }
    /// After a finished direct grab: its outcome, and with kPicture the BMP
    /// swapped into `bmp`. Any thread, once the grab has finished.
    Outcome takePicture(std::vector<u8>& bmp);
    /// Asks the loop and a tool run in progress to end. Any thread.
    void requestStop();

    /// The command line for `positionUs`, writing into `pipe`: the input is
    /// opened with a fast seek to at most 2 s before the position and decoded
    /// forward from there. Replaces the text of `out`; returns it.
    static str::strbuffer::StrBuffer& buildFrameCommand(str::strbuffer::StrBuffer& out, i64 positionUs,
                                                        const str::strbuffer::StrBuffer& inputShortPath,
                                                        const std::string& pipe, bool external);

    /// The runner's loop, on its worker. Not for callers.
    void run() override;
    /// Stops and waits for the worker; forgets the file.
    void reset() override;

private:
    void runTool(i64 positionUs, bool external);
    void runDirect(i64 positionUs);
    void finish();
    /// Makes `signalFd` readable.
    void signal();

    thread::win::Thread* m_thread = nullptr; // owner only
    thread::ObjLocker m_lock;                // taken around changes of m_requestedUs
    std::atomic<i64> m_requestedUs{-1};      // -1: none; set by the grabber, cleared by the worker
    std::atomic<bool> m_stopRequested{false};
    std::atomic<Mode> m_mode{Mode::kTool}; // the request's way: set with it by the grabber
    std::atomic<bool> m_running{false};    // written by the worker
    // Wakes the worker for a position or a stop, and the grabber when one is
    // finished; waiters check m_requestedUs and m_stopRequested under it.
    // Lock order: m_lock before m_wakeLock; no other lock is taken under
    // either (the grabber may hold the grab lock when it takes them).
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    // The open file of direct grabs: made, used and dropped by the worker
    // (and by reset once the worker is idle).
    std::unique_ptr<video::frame::FrameReader> m_reader;
    std::atomic<bool> m_readerUnusable{false}; // written by the worker
    std::function<bool(i64*)> m_newestPending; // set by setup before the worker starts
    int m_signal = -1;                  // an eventfd: made by setup, closed by reset once the worker is idle
    std::mutex m_pictureLock;           // taken alone
    std::vector<u8> m_picture;          // guarded by m_pictureLock
    Outcome m_outcome = Outcome::kNone; // guarded by m_pictureLock
    // Set by setup before the worker starts; read by the worker.
    str::strbuffer::StrBuffer m_inputPath;
    str::strbuffer::StrBuffer m_inputFolder;
    str::strbuffer::StrBuffer m_inputShortPath;
    bool m_useExternalTool = false;
};

} // namespace s::video::gui::dialogs::snipforge
