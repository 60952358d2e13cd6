#include "preview/VideoToImageThread.h"

#include "foundation/file/win/ShortPath.h"
#include "foundation/thread/win/Thread.h"
#include "image/win/BufferedImage.h"
#include "media/tool/ExternalTool.h"
#include "preview/VideoToImageThreadInternal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace s::video::gui::dialogs::snipforge {

using str::strbuffer::StrBuffer;

namespace {

/// Without the runner's signal (no descriptor was left for it), how often a
/// grab looks whether the runner has finished.
constexpr int kPollMs = 10;
/// How long a picture waits for the window before "UpdateVideoImage" is
/// sent again (a window busy with a message may have let it go by).
constexpr auto kRepeatEvent = std::chrono::milliseconds(510);
/// After a stop, how long a grab still waits for the runner's tool to let go
/// of the pipe before it closes its end anyway.
constexpr auto kStopGrace = std::chrono::milliseconds(600);
/// Room for the headers beyond the pixels of a full-size picture.
constexpr u32 kHeaderRoom = 2048;
constexpr u32 kReadChunk = 65536;

u32 readLe32(const u8* p) {
    return static_cast<u32>(p[0]) | static_cast<u32>(p[1]) << 8 | static_cast<u32>(p[2]) << 16 |
           static_cast<u32>(p[3]) << 24;
}
u16 readLe16(const u8* p) {
    return static_cast<u16>(p[0] | p[1] << 8);
}

/// Makes sure `path` is a FIFO of ours (an entry of another kind left there
/// is replaced) and opens it without blocking, for reading and writing: as a
/// writer of its own, the reader never sees an end of data or a hang-up (a
/// FIFO whose last writer has gone reports one at once, for ever, so a wait
/// on it would turn into a spin), only data or nothing. -1 on failure.
int openPipe(const std::string& path) {
    if (path.empty())
        return -1;
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && !S_ISFIFO(status.st_mode))
        ::unlink(path.c_str());
    if (::mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST)
        return -1;
    if (::lstat(path.c_str(), &status) != 0 || !S_ISFIFO(status.st_mode))
        return -1;
    return ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
}

} // namespace

VideoToImageThread::VideoToImageThread() = default;

VideoToImageThread::~VideoToImageThread() {
    if (m_thread)
        reset();
}

thread::ObjLocker& VideoToImageThread::sharedGrabLock() {
    // Never destroyed: a worker may still hold it while statics are torn down.
    static thread::ObjLocker* const lock = new thread::ObjLocker(thread::ObjLocker::kWaitable);
    return *lock;
}

std::string VideoToImageThread::pipePath() {
    const std::string folder = file::win::runtimeFolder();
    return folder.empty() ? std::string() : folder + "/image.bmp";
}

bool VideoToImageThread::setup(event::INamedEventTarget* target, const StrBuffer& path, i32 width, i32 height,
                               bool useExternalTool) {
    if (m_thread || width <= 0 || height <= 0)
        return false;
    // A tool whose reader went away must get an error, not end the process.
    tool::ignoreSigpipe();

    m_target = target;
    m_width = width;
    m_height = height;
    m_useExternalTool = useExternalTool;
    m_stopRequested.store(false, std::memory_order_release);
    m_imagePending.store(false, std::memory_order_release);
    m_grabCount.store(0, std::memory_order_release);
    {
        std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
        const u64 bytes = static_cast<u64>(width) * static_cast<u64>(height) * 3u + kHeaderRoom;
        m_frameBuffer.setSize(0);
        m_frameBuffer.reserve(static_cast<u32>(std::min<u64>(bytes, kMaxFrameBytes)));
    }

    m_runner = VideoToImageThreadInternal::create();
    // The runner asks, between two packets of a direct grab, whether a newer
    // position has come meanwhile.
    const auto newestPending = [this](i64* positionUs) {
        std::lock_guard<thread::ObjLocker> guard(m_requestLock);
        if (m_requests.size() == 0)
            return false;
        *positionUs = m_requests.get(m_requests.size() - 1);
        return true;
    };
    if (!m_runner->setup(path, useExternalTool, newestPending)) {
        m_runner->release();
        m_runner = nullptr;
        return false;
    }
    m_thread = thread::win::Thread::create();
    m_thread->setPriority(thread::kPriorityAboveNormal);
    m_thread->execute(this);
    return true;
}

VideoToImageThread* VideoToImageThread::createFor(event::INamedEventTarget* target, const StrBuffer& path,
                                                  i32 width, i32 height, bool useExternalTool) {
    VideoToImageThread* grabber = create();
    if (!grabber->setup(target, path, width, height, useExternalTool)) {
        grabber->release();
        return nullptr;
    }
    return grabber;
}

void VideoToImageThread::requestFrame(i64 positionUs) {
    {
        std::lock_guard<thread::ObjLocker> guard(m_requestLock);
        m_requests.append(positionUs);
    }
    // Taking the wake lock orders this after a waiter's check of the list.
    { std::lock_guard<std::mutex> wake(m_wakeLock); }
    m_wake.notify_all();
}

bool VideoToImageThread::isBusy() {
    if (m_working.load(std::memory_order_acquire))
        return true;
    std::lock_guard<thread::ObjLocker> guard(m_requestLock);
    return m_requests.size() > 0;
}

u32 VideoToImageThread::getPendingRequestCount() {
    std::lock_guard<thread::ObjLocker> guard(m_requestLock);
    return m_requests.size();
}

void VideoToImageThread::run() {
    m_running.store(true, std::memory_order_release);
    while (!stopping()) {
        i64 position = -1;
        {
            // requestFrame and reset notify under the wake lock: nothing
            // else ends an idle wait.
            std::unique_lock<std::mutex> wake(m_wakeLock);
            m_wake.wait(wake, [this] { return stopping() || getPendingRequestCount() > 0; });
            std::lock_guard<thread::ObjLocker> guard(m_requestLock);
            if (m_requests.size() > 0) {
                // Only the newest request counts; older ones are dropped.
                position = m_requests.get(m_requests.size() - 1);
                m_requests.setSize(0);
                m_working.store(true, std::memory_order_release);
            }
        }
        if (position < 0)
            continue;
        const bool made = grab(position);
        if (stopping())
            break;
        if (!made) {
            // Given up for a newer position: nothing is shown for this one.
            m_working.store(false, std::memory_order_release);
            continue;
        }
        m_grabCount.fetch_add(1, std::memory_order_acq_rel);
        handOver();
    }
    m_working.store(false, std::memory_order_release);
    m_running.store(false, std::memory_order_release);
}

bool VideoToImageThread::grab(i64 positionUs) {
    // Taking the lock waits for a cut's tool run; a stop meanwhile must not
    // wait for all of it (reset wakes the wait).
    if (!sharedGrabLock().lockUnless([this] { return stopping(); }))
        return true;
    std::lock_guard<thread::ObjLocker> grabGuard(sharedGrabLock(), std::adopt_lock);
    if (!m_useExternalTool)
        return grabInProcess(positionUs);
    runGrab(positionUs, false);
    // The external tool writes nothing for a position at or past the last
    // frame; the in-process one then shows the last frame instead of
    // leaving the previous picture.
    if (!stopping() && !m_frameDropped) {
        bool received = false;
        {
            std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
            received = m_frameBuffer.size() > 0;
        }
        if (!received)
            return grabInProcess(positionUs);
    }
    return true;
}

bool VideoToImageThread::grabInProcess(i64 positionUs) {
    if (m_runner->servesDirectly()) {
        switch (grabDirect(positionUs)) {
        case VideoToImageThreadInternal::Outcome::kPicture:
        case VideoToImageThreadInternal::Outcome::kNone:
            return true;
        case VideoToImageThreadInternal::Outcome::kAbandoned:
            return false;
        case VideoToImageThreadInternal::Outcome::kNeedsTool:
            break; // the frame command can still make it
        }
        if (stopping())
            return true;
    }
    runGrab(positionUs, true);
    return true;
}

VideoToImageThreadInternal::Outcome VideoToImageThread::grabDirect(i64 positionUs) {
    {
        std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
        m_frameBuffer.setSize(0);
    }
    m_frameDropped = false;
    m_runner->startGrab(positionUs, VideoToImageThreadInternal::Mode::kDirect);
    // Only a stop ends the wait early (reset asks the runner to stop, which
    // wakes it); the runner is then given kStopGrace to end its decode.
    if (!m_runner->waitFinished()) {
        m_runner->requestStop();
        if (!m_runner->waitFinished(kStopGrace))
            return VideoToImageThreadInternal::Outcome::kNone;
    }
    std::vector<u8> picture;
    const VideoToImageThreadInternal::Outcome outcome = m_runner->takePicture(picture);
    if (outcome != VideoToImageThreadInternal::Outcome::kPicture)
        return outcome;
    if (picture.size() > kMaxFrameBytes)
        return outcome; // as through the pipe: too big a picture is dropped
    std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
    const u32 size = static_cast<u32>(picture.size());
    m_frameBuffer.reserve(size);
    m_frameBuffer.setSize(size);
    std::memcpy(m_frameBuffer.data(), picture.data(), size);
    return outcome;
}

void VideoToImageThread::runGrab(i64 positionUs, bool inProcess) {
    {
        std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
        m_frameBuffer.setSize(0);
    }
    m_frameDropped = false;

    const int fd = openPipe(pipePath());
    if (fd < 0)
        return; // nothing received; without a pipe the tool must not run
    m_runner->startGrab(positionUs, inProcess);

    // Read while the tool writes, until the runner has finished (the pipe
    // shows no end: we hold a writing end too). The wait ends with data in
    // the pipe or with the runner's signal, which its finish and a stop
    // (reset asks the runner to stop) give; only the grace period after a
    // stop is timed.
    const int runnerSignal = m_runner->signalFd();
    std::chrono::steady_clock::time_point stopSeen{};
    bool stopNoted = false;
    while (m_runner->isBusy()) {
        int timeout = runnerSignal < 0 ? kPollMs : -1;
        if (stopping()) {
            const auto now = std::chrono::steady_clock::now();
            if (!stopNoted) {
                stopNoted = true;
                stopSeen = now;
                m_runner->requestStop();
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(kStopGrace - (now - stopSeen));
            if (left.count() <= 0)
                break;
            const int leftMs = static_cast<int>(left.count());
            timeout = timeout < 0 ? leftMs : std::min(timeout, leftMs);
        }
        if (readPipe(fd) == ReadResult::kData)
            continue;
        pollfd waiting[2] = {{fd, POLLIN, 0}, {runnerSignal, POLLIN, 0}};
        ::poll(waiting, runnerSignal < 0 ? 1 : 2, timeout);
        // Cleared before the conditions are looked at again, so that a
        // signal after this stays for the next wait.
        m_runner->clearSignal();
    }
    // The tool has finished: whatever it left in the pipe is the rest.
    while (readPipe(fd) == ReadResult::kData) {
    }
    ::close(fd);

    if (m_frameDropped) {
        std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
        m_frameBuffer.setSize(0);
    }
}

VideoToImageThread::ReadResult VideoToImageThread::readPipe(int fd) {
    std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
    u32 received = m_frameBuffer.size();
    if (received == m_frameBuffer.capacity()) {
        // A picture beyond the reserved room (rows padded past width x 3):
        // grow, so the tool is never left stalled on a full pipe. Past the
        // hard limit, keep reading but drop the picture.
        if (received >= kMaxFrameBytes) {
            m_frameDropped = true;
            received = 0;
            m_frameBuffer.setSize(0);
        } else {
            const u64 grown = std::max<u64>(static_cast<u64>(received) * 2u, kReadChunk);
            m_frameBuffer.reserve(static_cast<u32>(std::min<u64>(grown, kMaxFrameBytes)));
        }
    }
    const u32 room = m_frameBuffer.capacity() - received;
    m_frameBuffer.setSize(m_frameBuffer.capacity());
    const ssize_t count = ::read(fd, m_frameBuffer.data() + received, room);
    const int error = errno;
    m_frameBuffer.setSize(received + (count > 0 ? static_cast<u32>(count) : 0u));
    if (count > 0)
        return ReadResult::kData;
    // No end of data while we hold a writing end; taken as nothing waiting.
    if (count == 0)
        return ReadResult::kNothing;
    return error == EINTR ? ReadResult::kData : ReadResult::kNothing;
}

void VideoToImageThread::handOver() {
    m_imagePending.store(true, std::memory_order_release);
    // The picture is made: from here on the window is the one that is busy.
    m_working.store(false, std::memory_order_release);
    if (m_target)
        m_target->sendEvent(event::kUpdateVideoImage, 0, 0, nullptr);
    // Taking the picture and a stop both wake this wait (a window that is
    // gone never takes the picture, and releasing the grabber must not wait
    // for it); only the repeat of the event is timed.
    std::unique_lock<std::mutex> wake(m_wakeLock);
    while (!m_wake.wait_for(wake, kRepeatEvent, [this] {
        return !m_imagePending.load(std::memory_order_acquire) || stopping();
    })) {
        wake.unlock();
        if (m_target)
            m_target->sendEvent(event::kUpdateVideoImage, 0, 0, nullptr);
        wake.lock();
    }
}

void VideoToImageThread::clearImagePending() {
    {
        // Under the wake lock, so that the worker's check and its wait are
        // one step for this change.
        std::lock_guard<std::mutex> wake(m_wakeLock);
        m_imagePending.store(false, std::memory_order_release);
    }
    m_wake.notify_all();
}

bool VideoToImageThread::takeImage(image::win::BufferedImage* image, bool* sizeChanged) {
    if (sizeChanged)
        *sizeChanged = false;
    bool copied = false;
    {
        std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
        const u8* bytes = m_frameBuffer.data();
        const u64 length = m_frameBuffer.size();
        if (image && bytes && length >= 54 && bytes[0] == 'B' && bytes[1] == 'M') {
            const u32 offBits = readLe32(bytes + 10);
            const i32 width = static_cast<i32>(readLe32(bytes + 18));
            const i32 height = static_cast<i32>(readLe32(bytes + 22));
            const u16 planes = readLe16(bytes + 26);
            const u16 bitCount = readLe16(bytes + 28);
            // Rows are read as three bytes per pixel: only 24-bit pictures
            // with one plane are what the tool writes and what we accept.
            if (width > 0 && width <= m_width && height > 0 && height <= m_height && planes == 1 &&
                bitCount == 24) {
                const u64 stride =
                    ((static_cast<u64>(planes) * bitCount * static_cast<u64>(width) + 31) / 8) & ~u64{3};
                if (offBits >= 54 &&
                    static_cast<u64>(offBits) + stride * static_cast<u64>(height) <= length) {
                    bool ready = true;
                    if (image->getWidth() != width || image->getHeight() != height) {
                        ready = image->prepare(width, height);
                        if (sizeChanged)
                            *sizeChanged = true; // a failed resize leaves it 0 x 0
                    }
                    for (i32 i = 0; ready && i < height; ++i) {
                        const u8* source = bytes + offBits + static_cast<u64>(i) * stride;
                        image::Pixel* row = image->getRow(height - 1 - i);
                        for (i32 x = 0; x < width; ++x, source += 3)
                            row[x] = 0xFF000000u | static_cast<u32>(source[2]) << 16 |
                                     static_cast<u32>(source[1]) << 8 | source[0];
                    }
                    if (ready) {
                        image->setHasAlpha(false);
                        image->dropCaches();
                        copied = true;
                    }
                }
            }
        }
    }
    clearImagePending();
    return copied;
}

void VideoToImageThread::reset() {
    {
        std::lock_guard<std::mutex> wake(m_wakeLock);
        m_stopRequested.store(true, std::memory_order_release);
    }
    // Every wait of the worker ends for the stop: its idle wait and the hand
    // over (m_wake), the wait for the grab lock, and a grab's wait for the
    // runner (which requestStop wakes).
    m_wake.notify_all();
    sharedGrabLock().wakeWaiters();
    if (m_runner)
        m_runner->requestStop();
    if (m_thread) {
        m_thread->waitIdle();
        m_thread->release();
        m_thread = nullptr;
    }
    if (m_runner) {
        m_runner->release();
        m_runner = nullptr;
    }
    m_stopRequested.store(false, std::memory_order_release);
    m_target = nullptr;
    m_width = 0;
    m_height = 0;
    m_useExternalTool = false;
    {
        std::lock_guard<thread::ObjLocker> guard(m_requestLock);
        m_requests.setSize(0);
    }
    {
        std::lock_guard<thread::ObjLocker> guard(m_bufferLock);
        m_frameBuffer.dispose();
    }
    m_frameDropped = false;
    m_imagePending.store(false, std::memory_order_release);
    m_working.store(false, std::memory_order_release);
    m_running.store(false, std::memory_order_release);
}

} // namespace s::video::gui::dialogs::snipforge
