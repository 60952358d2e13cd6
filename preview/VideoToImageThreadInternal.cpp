#include "preview/VideoToImageThreadInternal.h"

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/ShortPath.h"
#include "foundation/thread/win/Thread.h"
#include "media/converter/InProcessTool.h"
#include "media/tool/ExternalTool.h"

#include <mutex>
#include <unistd.h>

namespace s::video::gui::dialogs::snipforge {

using str::strbuffer::StrBuffer;

namespace {

/// How far before the position the input is opened, in microseconds.
constexpr i64 kSeekLeadUs = 2000000;
/// Longest short form the command takes.
constexpr u32 kMaxShortPath = 780;
constexpr useconds_t kPollUs = 10000;

} // namespace

VideoToImageThreadInternal::VideoToImageThreadInternal() = default;

VideoToImageThreadInternal::~VideoToImageThreadInternal() {
    // Objects destroyed by their pool at exit were reset on hand-back.
    if (m_thread)
        reset();
}

bool VideoToImageThreadInternal::setup(const StrBuffer& path, bool useExternalTool) {
    if (m_thread)
        return false;
    m_useExternalTool = useExternalTool;
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

    m_thread = thread::win::Thread::create();
    m_thread->setPriority(thread::kPriorityAboveNormal);
    m_thread->execute(this);
    return true;
}

void VideoToImageThreadInternal::startGrab(i64 positionUs, bool inProcess) {
    std::lock_guard<thread::ObjLocker> guard(m_lock);
    m_inProcessOnce.store(inProcess, std::memory_order_release);
    m_requestedUs.store(positionUs < 0 ? 0 : positionUs, std::memory_order_release);
}

StrBuffer& VideoToImageThreadInternal::buildFrameCommand(StrBuffer& out, i64 positionUs,
                                                         const StrBuffer& inputShortPath,
                                                         const std::string& pipe, bool external) {
    const i64 first = positionUs < kSeekLeadUs ? 0 : positionUs - kSeekLeadUs;
    const i64 second = positionUs < kSeekLeadUs ? positionUs : kSeekLeadUs;
    thread::Pooled<StrBuffer> firstText = thread::makePooled<StrBuffer>();
    thread::Pooled<StrBuffer> secondText = thread::makePooled<StrBuffer>();
    video::cut::fmtTime(*firstText, first);
    video::cut::fmtTime(*secondText, second);

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

void VideoToImageThreadInternal::runTool(i64 positionUs) {
    thread::Pooled<StrBuffer> command = thread::makePooled<StrBuffer>();
    const bool external = m_useExternalTool && !m_inProcessOnce.load(std::memory_order_acquire);
    buildFrameCommand(*command, positionUs, m_inputShortPath, file::win::runtimeFolder() + "/image.bmp", external);
    // The result does not matter: the grabber judges the bytes it received.
    if (external)
        (void)tool::runExternalToolSimple(*command, m_inputFolder, m_stopRequested);
    else
        (void)tool::runToolInProcess(*command, m_inputFolder, 1, nullptr, nullptr, nullptr, m_stopRequested);
}

void VideoToImageThreadInternal::run() {
    m_running.store(true, std::memory_order_release);
    while (!m_stopRequested.load(std::memory_order_acquire)) {
        const i64 position = m_requestedUs.load(std::memory_order_acquire);
        if (position < 0) {
            ::usleep(kPollUs);
            continue;
        }
        runTool(position);
        {
            std::lock_guard<thread::ObjLocker> guard(m_lock);
            m_requestedUs.store(-1, std::memory_order_release);
        }
    }
    // A position taken but never run still counts as finished.
    {
        std::lock_guard<thread::ObjLocker> guard(m_lock);
        m_requestedUs.store(-1, std::memory_order_release);
    }
    m_running.store(false, std::memory_order_release);
}

void VideoToImageThreadInternal::reset() {
    m_stopRequested.store(true, std::memory_order_release);
    if (m_thread) {
        m_thread->waitIdle();
        m_thread->release();
        m_thread = nullptr;
    }
    m_stopRequested.store(false, std::memory_order_release);
    m_inputPath.clear();
    m_inputFolder.clear();
    m_inputShortPath.clear();
    m_requestedUs.store(-1, std::memory_order_release);
    m_useExternalTool = false;
}

} // namespace s::video::gui::dialogs::snipforge
