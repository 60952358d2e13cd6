#include "preview/VideoToImageThreadInternal.h"

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/OsText.h"
#include "foundation/file/win/ShortPath.h"
#include "foundation/str/TimeText.h"
#include "foundation/thread/win/Thread.h"
#include "media/converter/InProcessTool.h"
#include "media/frame/FrameReader.h"
#include "media/tool/ExternalTool.h"

#include <chrono>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace s::video::gui::dialogs::snipforge {

using str::strbuffer::StrBuffer;

namespace {

/// How far before the position the input is opened, in microseconds.
constexpr i64 kSeekLeadUs = 2000000;
/// Longest short form the command takes.
constexpr u32 kMaxShortPath = 780;

} // namespace

VideoToImageThreadInternal::VideoToImageThreadInternal() = default;

VideoToImageThreadInternal::~VideoToImageThreadInternal() {
    // Objects destroyed by their pool at exit were reset on hand-back.
    if (m_thread)
        reset();
}

bool VideoToImageThreadInternal::setup(const StrBuffer& path, bool useExternalTool,
                                       std::function<bool(i64*)> newestPending) {
    if (m_thread)
        return false;
    m_useExternalTool = useExternalTool;
    m_newestPending = std::move(newestPending);
    m_readerUnusable.store(false, std::memory_order_release);
    m_inputPath.clear();
    m_inputPath.append(path);
    // The folder without a trailing "/"; the root stays "/".
    m_inputFolder.clear();
    u32 slash = 0;
    if (path.lastIndexOf(u'/', &slash))
        m_inputFolder.append(path.chars(), static_cast<i32>(slash == 0 ? 1 : slash));
    file::win::shortPathInto(m_inputPath.c_str(), &m_inputShortPath);
    if (m_inputShortPath.length() > kMaxShortPath)
        m_inputShortPath.setLength(kMaxShortPath);
    m_requestedUs.store(-1, std::memory_order_release);
    m_stopRequested.store(false, std::memory_order_release);
    m_signal = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

    m_thread = thread::win::Thread::create();
    m_thread->setPriority(thread::kPriorityAboveNormal);
    m_thread->execute(this);
    return true;
}

void VideoToImageThreadInternal::startGrab(i64 positionUs, Mode mode) {
    {
        std::lock_guard<std::mutex> picture(m_pictureLock);
        m_outcome = Outcome::kNone;
    }
    {
        std::lock_guard<thread::ObjLocker> guard(m_lock);
        std::lock_guard<std::mutex> wake(m_wakeLock);
        m_mode.store(mode, std::memory_order_release);
        m_requestedUs.store(positionUs < 0 ? 0 : positionUs, std::memory_order_release);
    }
    m_wake.notify_all();
}

void VideoToImageThreadInternal::requestStop() {
    {
        std::lock_guard<std::mutex> wake(m_wakeLock);
        m_stopRequested.store(true, std::memory_order_release);
    }
    m_wake.notify_all();
    m_finished.notify_all();
    signal();
}

bool VideoToImageThreadInternal::waitFinished() {
    std::unique_lock<std::mutex> wake(m_wakeLock);
    m_finished.wait(wake, [this] { return !isBusy() || m_stopRequested.load(std::memory_order_acquire); });
    return !isBusy();
}

bool VideoToImageThreadInternal::waitFinished(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> wake(m_wakeLock);
    return m_finished.wait_for(wake, timeout, [this] { return !isBusy(); });
}

void VideoToImageThreadInternal::signal() {
    if (m_signal >= 0)
        (void)::eventfd_write(m_signal, 1); // fails only when the count is full: still readable
}

void VideoToImageThreadInternal::clearSignal() {
    eventfd_t count = 0;
    if (m_signal >= 0)
        (void)::eventfd_read(m_signal, &count); // EAGAIN when nothing was signalled
}

VideoToImageThreadInternal::Outcome VideoToImageThreadInternal::takePicture(std::vector<u8>& bmp) {
    std::lock_guard<std::mutex> picture(m_pictureLock);
    const Outcome outcome = m_outcome;
    if (outcome == Outcome::kPicture)
        bmp.swap(m_picture);
    m_outcome = Outcome::kNone;
    return outcome;
}

StrBuffer& VideoToImageThreadInternal::buildFrameCommand(StrBuffer& out, i64 positionUs,
                                                         const StrBuffer& inputShortPath,
                                                         const std::string& pipe, bool external) {
    const i64 first = positionUs < kSeekLeadUs ? 0 : positionUs - kSeekLeadUs;
    const i64 second = positionUs < kSeekLeadUs ? positionUs : kSeekLeadUs;
    thread::Pooled<StrBuffer> firstText = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> secondText = thread::makePooled<StrBuffer>();
    str::timetext::appendClock(*firstText, first, str::timetext::kCommandClock);
    str::timetext::appendClock(*secondText, second, str::timetext::kCommandClock);

    out.clear();
    if (external) {
        out.append(video::cut::kExternalToolCommand)
            .append(u" -ss ")
            .append(*firstText)
            .append(u" -i \"")
            .append(inputShortPath)
            .append(u"\" -y -an -f image2 -ss ")
            .append(*secondText)
            .append(u" -frames:v 1 \"")
            .appendUtf8(pipe)
            .append(u"\"");
    } else {
        out.append(video::cut::kInProcessToolCommand)
            .append(u" -ss ")
            .append(*firstText)
            .append(u" -t 1 -i ")
            .append(inputShortPath)
            .append(u" -y -an -f image2 -ss ")
            .append(*secondText)
            .append(u" -vframes 1 ")
            .appendUtf8(pipe);
    }
    return out;
}

void VideoToImageThreadInternal::runTool(i64 positionUs, bool external) {
    thread::Pooled<StrBuffer> command = thread::makePooled<StrBuffer>();
    buildFrameCommand(*command, positionUs, m_inputShortPath, file::win::runtimeFolder() + "/image.bmp",
                      external);
    // The result does not matter: the grabber judges the bytes it received.
    if (external)
        (void)tool::runExternalToolSimple(*command, m_inputFolder, m_stopRequested);
    else
        (void)tool::runToolInProcess(*command, m_inputFolder, 1, nullptr, nullptr, nullptr, m_stopRequested);
}

void VideoToImageThreadInternal::runDirect(i64 positionUs) {
    Outcome outcome = Outcome::kNeedsTool;
    if (!m_reader && !m_readerUnusable.load(std::memory_order_acquire)) {
        auto reader = std::make_unique<video::frame::FrameReader>(m_stopRequested);
        // The alias has no characters a URL or the libraries could misread.
        const base::Result opened = reader->open(file::win::toOsText(m_inputShortPath.view()));
        if (opened.isOk())
            m_reader = std::move(reader);
        else if (opened.isFailed()) // a stopped opening says nothing about the file
            m_readerUnusable.store(true, std::memory_order_release);
    }
    std::vector<u8> bmp;
    if (m_reader) {
        // A newer position gives this one up unless decoding on passes it.
        const auto abandon = [this, positionUs] {
            i64 newest = 0;
            return m_newestPending && m_newestPending(&newest) && !m_reader->continuesTo(positionUs, newest);
        };
        switch (m_reader->grab(positionUs, bmp, abandon)) {
        case video::frame::GrabResult::kPicture:
            outcome = Outcome::kPicture;
            break;
        case video::frame::GrabResult::kAbandoned:
            outcome = Outcome::kAbandoned;
            break;
        case video::frame::GrabResult::kStopped:
            outcome = Outcome::kNone;
            break;
        case video::frame::GrabResult::kFailed:
            outcome = Outcome::kNeedsTool;
            break;
        case video::frame::GrabResult::kUnsupported:
            outcome = Outcome::kNeedsTool;
            m_readerUnusable.store(true, std::memory_order_release);
            m_reader.reset();
            break;
        }
    }
    std::lock_guard<std::mutex> picture(m_pictureLock);
    m_picture.swap(bmp);
    m_outcome = outcome;
}

void VideoToImageThreadInternal::finish() {
    {
        std::lock_guard<thread::ObjLocker> guard(m_lock);
        std::lock_guard<std::mutex> wake(m_wakeLock);
        m_requestedUs.store(-1, std::memory_order_release);
    }
    m_finished.notify_all();
    signal();
}

void VideoToImageThreadInternal::run() {
    m_running.store(true, std::memory_order_release);
    while (!m_stopRequested.load(std::memory_order_acquire)) {
        i64 position = -1;
        {
            // startGrab and requestStop notify under the wake lock: nothing
            // else ends an idle wait.
            std::unique_lock<std::mutex> wake(m_wakeLock);
            m_wake.wait(wake, [this] {
                return m_requestedUs.load(std::memory_order_acquire) >= 0 ||
                       m_stopRequested.load(std::memory_order_acquire);
            });
            position = m_requestedUs.load(std::memory_order_acquire);
        }
        if (position < 0 || m_stopRequested.load(std::memory_order_acquire))
            continue;
        switch (m_mode.load(std::memory_order_acquire)) {
        case Mode::kDirect:
            runDirect(position);
            break;
        case Mode::kInProcessTool:
            runTool(position, false);
            break;
        case Mode::kTool:
            runTool(position, m_useExternalTool);
            break;
        }
        finish();
    }
    // A position taken but never run still counts as finished.
    finish();
    m_running.store(false, std::memory_order_release);
}

void VideoToImageThreadInternal::reset() {
    requestStop();
    if (m_thread) {
        m_thread->waitIdle();
        m_thread->release();
        m_thread = nullptr;
    }
    // The worker is idle: the open file is ours to close (its index thread
    // ends within a packet).
    m_reader.reset();
    m_readerUnusable.store(false, std::memory_order_release);
    m_newestPending = nullptr;
    {
        std::lock_guard<std::mutex> picture(m_pictureLock);
        m_picture.clear();
        m_picture.shrink_to_fit();
        m_outcome = Outcome::kNone;
    }
    m_stopRequested.store(false, std::memory_order_release);
    if (m_signal >= 0) {
        ::close(m_signal);
        m_signal = -1;
    }
    m_inputPath.clear();
    m_inputFolder.clear();
    m_inputShortPath.clear();
    m_requestedUs.store(-1, std::memory_order_release);
    m_useExternalTool = false;
}

} // namespace s::video::gui::dialogs::snipforge
