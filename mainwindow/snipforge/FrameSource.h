#pragma once

#include "foundation/base/Types.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/ObjLocker.h"

namespace s::image::win {
class BufferedImage;
}

namespace s::video::gui::dialogs::snipforge {

/// What the cutter needs of the frame grabber of an opened file: position
/// requests and the grab lock that keeps frame runs, cut runs and probes
/// apart (the in-process tool and the prober share process-wide state).
class IFrameSource {
public:
    virtual ~IFrameSource() = default;
    /// Asks for the picture at `us`; the newest request wins. Any thread.
    virtual void requestFrame(i64 us) = 0;
    /// Held around every tool run and probe that may overlap a frame run.
    virtual thread::ObjLocker& grabLock() = 0;
    /// After "UpdateVideoImage": copies the picture into `image` (see the
    /// grabber's `takeImage`); true when one was copied.
    virtual bool takeImage(image::win::BufferedImage* image) = 0;
    /// Whether a received picture waits for `takeImage`. Sources that cannot
    /// tell say true and let `takeImage` decide.
    virtual bool isImagePending() const { return true; }
    /// Whether a request waits or its picture is still being made. Sources
    /// that cannot tell say false.
    virtual bool isBusy() { return false; }
    /// After "UpdateVideoImage" when nobody shows pictures: lets the grabber
    /// go on without waiting for the picture to be taken.
    virtual void discardImage() = 0;
    /// Stops the grabber's threads and frees it; the object is gone after.
    virtual void releaseSource() = 0;
};

/// Makes the frame source of a newly opened file (target: where
/// "UpdateVideoImage" goes). Null when no grabber could be made.
using FrameSourceFactory = IFrameSource* (*)(event::INamedEventTarget* target,
                                             const str::strbuffer::StrBuffer& path, i32 width, i32 height,
                                             bool external);

/// The factory the program uses: the frame grabber of the preview.
FrameSourceFactory defaultFrameSourceFactory();

/// The lock that serialises tool runs and probes while no file (and so no
/// grabber) is loaded. Process-wide; recursive.
thread::ObjLocker& fallbackGrabLock();

/// The length of one frame in microseconds for a stream rate num/den (32-bit
/// values, as the probe reports them): 33366 for 30000/1001, 16683 for
/// 60000/1001, 41708 for 24000/1001, 1e9 / (thousandths of frames per
/// second) below 60 frames per second, 16666 at 60 and above, and 41666 for
/// an unknown rate or a file without video.
[[nodiscard]] i64 frameLengthUs(i64 num, i64 den, bool hasVideo);

} // namespace s::video::gui::dialogs::snipforge
