#pragma once

#include "foundation/base/IObject.h"
#include "foundation/base/Types.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/ITask.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"

#include <atomic>
#include <string>

namespace s::thread::win {
class Thread;
}

namespace s::video::gui::dialogs::snipforge {

/// The frame runner: runs the tool command that writes the picture at one
/// position into the frame pipe, one position at a time, for the grabber
/// that owns it.
///
/// The grabber hands a position over with `startGrab` and polls `isBusy`;
/// the runner clears the position when the tool has finished, which tells
/// the grabber that nothing more will be written. Threads: `startGrab`,
/// `isBusy` and `requestStop` from any thread; `setup` and `release` by the
/// owner.
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
    [[nodiscard]] bool setup(const str::strbuffer::StrBuffer& path, bool useExternalTool);

    /// Hands a position to grab over; with `inProcess`, the in-process tool
    /// runs for it even when the external one was chosen. Any thread.
    void startGrab(i64 positionUs, bool inProcess = false);
    /// Whether a position is handed over and its tool run has not finished.
    [[nodiscard]] bool isBusy() const { return m_requestedUs.load(std::memory_order_acquire) >= 0; }
    /// Asks the loop and a tool run in progress to end. Any thread.
    void requestStop() { m_stopRequested.store(true, std::memory_order_release); }

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
    void runTool(i64 positionUs);

    thread::win::Thread* m_thread = nullptr; // owner only
    thread::ObjLocker m_lock;                // taken around changes of m_requestedUs
    std::atomic<i64> m_requestedUs{-1};      // -1: none; set by the grabber, cleared by the worker
    std::atomic<bool> m_stopRequested{false};
    std::atomic<bool> m_inProcessOnce{false}; // the request's tool: set with it by the grabber
    std::atomic<bool> m_running{false}; // written by the worker
    // Set by setup before the worker starts; read by the worker.
    str::strbuffer::StrBuffer m_inputPath;
    str::strbuffer::StrBuffer m_inputFolder;
    str::strbuffer::StrBuffer m_inputShortPath;
    bool m_useExternalTool = false;
};

} // namespace s::video::gui::dialogs::snipforge
