#pragma once

#include "foundation/base/IObject.h"
#include "foundation/base/Types.h"
#include "foundation/col/array/Arrays.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/ITask.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"

#include "preview/VideoToImageThreadInternal.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>

namespace s::thread::win {
class Thread;
}
namespace s::image::win {
class BufferedImage;
}

namespace s::video::gui::dialogs::snipforge {

/// The frame grabber of one opened file: turns positions into still pictures
/// for the window.
///
/// Positions (microseconds from the start of the file, as the slider counts
/// them: 0 is the first frame) come in through `requestFrame`; only the
/// newest pending one is grabbed. With the external tool, a grab has the
/// frame runner write one 24-bit BMP into the frame pipe (a FIFO "image.bmp"
/// in the process's runtime folder) and reads it whole; without it, the
/// runner serves the position from the file it keeps open and hands the BMP
/// over directly (falling back to the in-process tool and the pipe for files
/// it cannot serve exactly). Such a direct grab is given up, between two
/// packets, when a newer position comes that it does not lead to: nothing is
/// shown for it, and no picture of an older position ever follows a newer
/// one. Then it sends "UpdateVideoImage" (a = 0, b = 0, no payload) to the
/// target; the target's listener copies the picture with `takeImage`. Until
/// it does, the event is repeated about every half second.
///
/// Life cycle: `create()` (or `newInstance()`), `setup(...)`, requests,
/// `release()`. Releasing stops both workers and returns within about a
/// second in every state, also when the picture is never taken or a tool
/// run is in progress. `release()` must not be called from inside a
/// listener of the target while that listener blocks delivery (the grabber
/// may be waiting in `sendEvent` for it), that is, not from the thread that
/// delivers the target's events while it is delivering one of ours.
///
/// Threads: `requestFrame`, `takeImage`, `isImagePending`,
/// `clearImagePending` and `getGrabLock` from any thread; `setup` and
/// `release` by the owner.
class VideoToImageThread : public base::IObject, public virtual thread::IPoolable, public thread::ITask {
    S_POOLED_CLASS(VideoToImageThread)

public:
    /// The grabber holds a worker thread and a FIFO while in use; idle
    /// objects are kept only a few.
    static constexpr u32 kMaxPooled = 8;
    /// Pictures are never accepted beyond this many bytes: a bigger one is
    /// still read to its end (so the tool finishes) and then dropped.
    static constexpr u32 kMaxFrameBytes = 256u * 1024u * 1024u;

    VideoToImageThread();
    VideoToImageThread(const VideoToImageThread&) = delete;
    VideoToImageThread& operator=(const VideoToImageThread&) = delete;
    ~VideoToImageThread() override;

    const char16_t* getClassName() const override {
        return u"s_video_gui_dialogs_snipforge_VideoToImageThread";
    }

    /// Sets the grabber up for the file `path` (width x height: the first
    /// video stream's size, the largest picture accepted) and starts its
    /// runner and its own worker, both idle until a request arrives. Events
    /// go to `target` (may be null: pictures are then grabbed but nobody is
    /// told). `useExternalTool` picks the external tool over the in-process
    /// one. False when the grabber was already set up or the size is not
    /// positive; nothing is started then.
    [[nodiscard]] bool setup(event::INamedEventTarget* target, const str::strbuffer::StrBuffer& path,
                             i32 width, i32 height, bool useExternalTool);

    /// A new grabber set up as by `setup`, or null when that fails. The
    /// caller releases it.
    [[nodiscard]] static VideoToImageThread* createFor(event::INamedEventTarget* target,
                                                       const str::strbuffer::StrBuffer& path, i32 width,
                                                       i32 height, bool useExternalTool);

    /// Asks for the picture at `positionUs`. Returns at once; a request still
    /// pending when a newer one comes is dropped. Any thread.
    void requestFrame(i64 positionUs);

    /// Copies the received picture into `image` (0xAARRGGBB, opaque), when
    /// the bytes received hold a complete BMP no larger than the grabber's
    /// width x height; otherwise `image` stays as it is. The image is resized
    /// to the picture's size when it differs (`*sizeChanged` tells, when
    /// given) and its caches are dropped. Clears the pending flag either way.
    /// Returns true when a picture was copied. Any thread; normally the
    /// target's listener for "UpdateVideoImage".
    bool takeImage(image::win::BufferedImage* image, bool* sizeChanged = nullptr);

    /// Whether a received picture waits for `takeImage`. Any thread.
    [[nodiscard]] bool isImagePending() const { return m_imagePending.load(std::memory_order_acquire); }
    /// Tells the grabber the window is done with the picture (what
    /// `takeImage` also does). Any thread.
    void clearImagePending();

    /// The grab lock: held for a whole grab. A cut holds it around its tool
    /// run and around the probe of its output, and an open around its probe,
    /// because the in-process tool and the prober keep process-wide state
    /// and change the current folder. It is one lock for the whole process,
    /// shared by every grabber (they also share the frame pipe), so it may be
    /// taken while grabbers come and go. Recursive, and waitable: a grabber
    /// that waits for it gives up when it is released.
    ///
    /// Lock order: a cut takes it under the dialog's model lock; a grab
    /// takes the grabber's buffer lock and the runner's locks under it.
    /// Nobody takes it while holding a grabber's wake, request or buffer
    /// lock.
    [[nodiscard]] thread::ObjLocker& getGrabLock() { return sharedGrabLock(); }
    [[nodiscard]] static thread::ObjLocker& sharedGrabLock();

    /// Grabs completed since setup (with or without a picture). Any thread.
    [[nodiscard]] u32 getGrabCount() const { return m_grabCount.load(std::memory_order_acquire); }
    /// Requests not yet taken up by the grabber's loop. Any thread.
    [[nodiscard]] u32 getPendingRequestCount();
    /// Whether a request waits or a picture is being made (not yet handed
    /// over). Any thread.
    [[nodiscard]] bool isBusy();

    /// The frame pipe's path (kernel bytes); empty when the runtime folder
    /// cannot be made.
    [[nodiscard]] static std::string pipePath();

    /// The grabber's loop, on its worker. Not for callers.
    void run() override;
    /// Stops and waits for both workers, closes the pipe and forgets the
    /// file; runs when the grabber is released.
    void reset() override;

private:
    /// One grab of `positionUs` under the grab lock: pipe, runner, read;
    /// once more in-process when the external tool wrote nothing. False
    /// when it was given up for a newer position (nothing to hand over).
    bool grab(i64 positionUs);
    /// The in-process grab: direct from the open file, else the frame
    /// command through the pipe. False when given up.
    bool grabInProcess(i64 positionUs);
    /// One direct grab into the frame buffer.
    VideoToImageThreadInternal::Outcome grabDirect(i64 positionUs);
    /// One tool run for `positionUs` into the frame buffer.
    void runGrab(i64 positionUs, bool inProcess);
    enum class ReadResult { kData, kNothing };
    /// Reads what waits in the pipe into the frame buffer (growing it, or
    /// dropping the picture past kMaxFrameBytes).
    ReadResult readPipe(int fd);
    /// Sends "UpdateVideoImage" and waits until the picture is taken or a
    /// stop is requested, repeating the event about every half second.
    void handOver();
    bool stopping() const { return m_stopRequested.load(std::memory_order_acquire); }

    thread::win::Thread* m_thread = nullptr;        // owner only (setup / reset)
    VideoToImageThreadInternal* m_runner = nullptr; // owner only (setup / reset)
    event::INamedEventTarget* m_target = nullptr;   // set by setup before the worker starts
    i32 m_width = 0;                                // set by setup before the worker starts
    i32 m_height = 0;                               // set by setup before the worker starts
    bool m_useExternalTool = false;                 // set by setup before the worker starts

    // Taken under m_wakeLock by the idle wait, alone everywhere else (also
    // on the runner's thread, which asks for the newest position).
    thread::ObjLocker m_requestLock;
    col::_array::ArrayS64 m_requests; // guarded by m_requestLock

    // Taken under the grab lock by the worker, alone by the window.
    thread::ObjLocker m_bufferLock;
    col::_array::ArrayU08 m_frameBuffer; // guarded by m_bufferLock; written by the worker
    bool m_frameDropped = false;         // worker only: the current picture outgrew kMaxFrameBytes

    std::atomic<bool> m_stopRequested{false}; // set by reset, read by the worker
    std::atomic<bool> m_running{false};       // written by the worker
    std::atomic<bool> m_imagePending{false};  // set by the worker, cleared by the window
    std::atomic<u32> m_grabCount{0};          // written by the worker
    std::atomic<bool> m_working{false};       // a request is taken up and not handed over; the worker
    // Wakes the worker for a request, a stop, or the window taking the
    // picture it waits to hand over; the worker checks the request list,
    // the stop flag and the pending flag under it. Lock order: m_wakeLock
    // before m_requestLock (the idle wait reads the request list under it);
    // no other lock is taken under it.
    std::mutex m_wakeLock;
    std::condition_variable m_wake;
};

} // namespace s::video::gui::dialogs::snipforge
