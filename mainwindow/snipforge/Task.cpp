// The cutter's worker task: opening a file, or handing a cut to its job.

#include "mainwindow/snipforge/CutJob.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/tool/ExternalTool.h"
#include "media/video/Probe.h"
#include "media/video/StreamInfo.h"

#include <cstdint>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace s::video::gui::dialogs::snipforge {

using file::win::PathHandle;
using str::strbuffer::StrBuffer;
using Guard = std::lock_guard<thread::ObjLocker>;

void Dialog::run() {
    reportStart();
    m_jobLock.lock();
    for (u32 index = 0; index < m_inputPaths.size(); ++index) {
        if (m_stopRequested.load())
            break;
        StrBuffer path;
        path.set(*m_inputPaths.get(index));
        const u32 count = m_inputPaths.size();
        const bool cut = m_job->cut;
        const i32 mode = m_job->mode;
        const i64 startUs = m_job->startUs;
        const i64 endUs = m_job->endUs;
        // The window takes the job lock on its own thread, so it is never
        // held while an event waits for that thread.
        m_jobLock.unlock();
        PathHandle input(file::win::newPath(path));
        StrBuffer name;
        input->nameInto(&name, false);
        reportProgress(count, index, &name);
        if (index == 0 && mode == Setting::kFirstPath) {
            // An open says why a path could not be loaded; a cut whose input
            // went away says so too.
            if (!cut)
                openJob(path);
            else if (input->exists() && input->isFile())
                CutJob(*this, *input, startUs, endUs).run();
            else
                reportMissingInput(name);
        }
        m_jobLock.lock();
    }
    m_jobLock.unlock();
    reportEnd();
}

thread::ObjLocker& Dialog::currentGrabLock() {
    Guard guard(m_sourceLock);
    return m_frameSource ? m_frameSource->grabLock() : fallbackGrabLock();
}

void Dialog::openJob(const StrBuffer& path) {
    VideoInfo* info = nullptr;
    StrBuffer failure;
    {
        // The grabber of the file loaded now may be running a frame.
        Guard grab(currentGrabLock());
        info = probe(path, &failure);
    }
    const StreamInfo* video = info->firstStreamOfType(kStreamVideo);
    // The file loaded before stays loaded unless this one can be shown and
    // cut: it needs a video stream and a duration.
    if (!video || info->durationUs() <= 0) {
        sendOpenFailure(path, *info, failure);
        info->release();
        return;
    }
    const Rational64 rate = video->realFrameRate();
    const i64 frameUs = frameLengthUs(rate.num, rate.den, info->hasVideo());
    IFrameSource* source = nullptr;
    if (m_frameSourceFactory)
        // Pictures arrive turned upright, so a sideways phone clip's come
        // in its shown size.
        source = m_frameSourceFactory(m_context.target, info->path(), video->displayWidth(),
                                      video->displayHeight(), tool::externalToolAvailable());
    replaceLoadedFile(info, frameUs, source);
    if (m_context.target)
        m_context.target->sendEvent(event::kUpdateUI, 0, 0, nullptr);
}

void Dialog::sendOpenFailure(const StrBuffer& path, const VideoInfo& info, const StrBuffer& probeFailure) {
    if (!m_context.target)
        return;
    OpenFailure failure;
    failure.path.set(path);
    const std::string os = path.toStdString();
    // Looked at again: the probe does not say what kind of entry it met.
    struct stat st {};
    if (::stat(os.c_str(), &st) != 0) {
        failure.reason.set(
            text(3009000, u"The file does not exist (it may have been moved, renamed or deleted)."));
    } else if (S_ISDIR(st.st_mode)) {
        failure.reason.set(text(3009010, u"It is a folder, not a file."));
    } else if (S_ISREG(st.st_mode) && st.st_size == 0) {
        failure.reason.set(text(3009020, u"The file is empty."));
    } else if (S_ISREG(st.st_mode) && ::access(os.c_str(), R_OK) != 0) {
        failure.reason.set(text(3009050, u"The file cannot be read (no permission)."));
    } else if (!info.opened()) {
        failure.reason.set(text(3009030, u"It is not a video file the program can read (damaged, cut short, "
                                         u"or not a media file at all)."));
        failure.detail.set(probeFailure);
    } else if (!info.firstStreamOfType(kStreamVideo)) {
        failure.reason.set(
            text(3009040, u"It has no video stream (an audio file?): only videos can be cut."));
    } else {
        failure.reason.set(text(3007100, u"The program failed to find the video duration length."));
    }
    m_context.target->sendEvent(event::kOpenFailed, 0, 0, &failure);
}

void Dialog::reportMissingInput(const StrBuffer& inputName) {
    m_firstError.set(text(3009060, u"The video file is no longer there (moved, renamed or deleted)."));
    const StrBuffer none;
    sendReport(kReportFailed, inputName, none, none);
}

void Dialog::sendReport(i32 code, const StrBuffer& inputName, const StrBuffer& outputName,
                        const StrBuffer& outputFolder) {
    if (!m_context.target)
        return;
    ReportPayload payload;
    payload.code = code;
    payload.inputName = &inputName;
    payload.outputName = &outputName;
    payload.outputFolder = &outputFolder;
    if (code != kReportSaved && code != kReportSavedNoAudio)
        payload.errorText = &m_firstError;
    payload.note = &m_cutNote;
    m_context.target->sendEvent(event::kReportError,
                                static_cast<i64>(reinterpret_cast<std::intptr_t>(&inputName)),
                                static_cast<i64>(reinterpret_cast<std::intptr_t>(&outputName)), &payload);
}

} // namespace s::video::gui::dialogs::snipforge
