// The cutter's worker task: opening a file and cutting a scene.

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/ShortPath.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/converter/InProcessTool.h"
#include "media/smartcut/SmartCut.h"
#include "media/tool/ExternalTool.h"
#include "media/video/Probe.h"
#include "media/video/StreamInfo.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace s::video::gui::dialogs::snipforge {

using file::win::PathHandle;
using file::win::PathWin;
using str::strbuffer::StrBuffer;
using Guard = std::lock_guard<thread::ObjLocker>;

namespace {

constexpr i32 kReserveTries = 5;
constexpr i32 kShortFormTries = 20;
constexpr i32 kRemoveRetryMs = 200;
constexpr i32 kRemoveGiveUpMs = 5000;

void sleepMs(i32 ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool entryExists(const StrBuffer& path) {
    PathHandle fresh(file::win::newPath(path));
    return fresh->exists();
}

i64 entrySize(const StrBuffer& path) {
    PathHandle fresh(file::win::newPath(path));
    return fresh->exists() ? fresh->size() : -1;
}

} // namespace

/// Carries the in-process tool's progress reports to the dialog, which sends
/// them with the process hook in front.
class ProgressRelay final : public event::INamedEventTarget {
public:
    explicit ProgressRelay(Dialog& dialog) : m_dialog(dialog) {}
    i64 sendEvent(const char16_t*, i64, i64, base::IObject*) override { return 0; }

    static void report(i64 current, i64 total, const StrBuffer* statusText,
                       event::INamedEventTarget* target) {
        auto* relay = static_cast<ProgressRelay*>(target);
        if (total < 1)
            total = 1;
        // A cut's bar never goes back below where its start put it.
        const i64 floor = total * 40 / 100;
        if (current < floor)
            current = floor;
        if (current > total)
            current = total;
        relay->m_dialog.reportProgress(total, current, const_cast<StrBuffer*>(statusText));
    }

private:
    Dialog& m_dialog;
};

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
                cutJob(*input, startUs, endUs);
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

void Dialog::removePartial(const PathWin& path) {
    for (i32 waited = 0;; waited += kRemoveRetryMs) {
        PathHandle fresh(file::win::newPath(path.fullPathStr()));
        if (!fresh->exists() && !fresh->isSymbolicLink())
            return;
        (void)fresh->remove(true);
        if (!entryExists(path.fullPathStr()) || waited >= kRemoveGiveUpMs)
            return;
        sleepMs(kRemoveRetryMs);
    }
}

bool Dialog::writeErrorReport(const PathWin& folder) {
    StrBuffer text;
    const std::u16string_view report = m_errorReport.view();
    size_t from = 0;
    while (from <= report.size()) {
        size_t end = report.find(u'\n', from);
        if (end == std::u16string_view::npos)
            end = report.size();
        if (end > from) {
            if (text.length() > 0)
                text.append(u"\r\n");
            text.append(report.data() + from, static_cast<i32>(end - from));
        }
        from = end + 1;
    }
    PathHandle dir(file::win::newPath(folder.fullPathStr()));
    if (!dir->exists())
        (void)dir->makeFolder(true);
    PathHandle first(file::win::newChildPath(folder.fullPathText(), u"_error.txt"));
    // Never replace an earlier report: take the first free numbered name and
    // claim it before writing.
    for (i32 tries = 0; tries < 100; ++tries) {
        PathHandle target(first->numberedUnique());
        if (!target || !target->createEmptyFile(false))
            continue;
        PathHandle fresh(file::win::newPath(target->fullPathStr()));
        return fresh->writeText(text, false);
    }
    return false;
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

void Dialog::noteToolLog(const StrBuffer& lines, const StrBuffer& firstError) {
    m_firstError.set(firstError);
    if (lines.length() > 0)
        m_errorReport.append(u"[FFmpeg Output]:\n").append(lines);
    m_errorReport.append(u"\n\n");
}

void Dialog::appendSmartCutReason(StrBuffer& out, const video::smartcut::SmartCutResult& result) const {
    namespace smart = video::smartcut;
    // The codec's or pixel format's own name; else the English words.
    StrBuffer detail;
    detail.setUtf8(result.reasonName.empty() ? result.reason : result.reasonName);
    // The common reasons in the user's language; the technical rest as the
    // libraries put it, after a sentence that says what kind it is.
    const char16_t* known = nullptr;
    bool withDetail = true;
    switch (result.reasonKind) {
    case smart::SmartCutReason::kNotH264:
        known = text(3012010, u"the video is not H.264");
        break;
    case smart::SmartCutReason::kNot8Bit420:
        known = text(3012011, u"the video is not 8-bit 4:2:0");
        break;
    case smart::SmartCutReason::kInterlaced:
        known = text(3012012, u"the video is interlaced");
        withDetail = false;
        break;
    case smart::SmartCutReason::kSubtitles:
        known = text(3012013, u"the source has subtitles");
        withDetail = false;
        break;
    case smart::SmartCutReason::kNoWholeGroup:
        known = text(3012014, u"the scene holds no whole group of pictures that could be copied");
        break;
    case smart::SmartCutReason::kOther:
        known = result.status == smart::SmartCutStatus::kCheckFailed
                    ? text(3012015, u"the check of the written scene failed")
                    : text(3012016, u"this video cannot be copied in part");
        break;
    }
    out.append(known);
    if (withDetail)
        out.append(u" (").append(detail).append(u')');
}

bool Dialog::smartCutJob(const PathWin& input, const PathWin& written, i64 startUs, i64 endUs,
                         const StrBuffer& outName) {
    namespace smart = video::smartcut;
    smart::SmartCutRequest request;
    request.inputPath = StrBuffer().set(input.fullPathText()).toStdString();
    request.outputPath = StrBuffer().set(written.fullPathText()).toStdString();
    request.startUs = startUs;
    request.endUs = endUs;
    request.stop = &m_stopRequested;
    // The sound as the full re-encode makes it: every track the probe can
    // name, at the first track's rate, channels and bit rate.
    if (const StreamInfo* first = m_videoInfo->firstStreamOfType(kStreamAudio);
        first && m_videoInfo->hasAudio()) {
        for (u32 i = 0; i < m_videoInfo->streamCount(); ++i) {
            const StreamInfo* stream = m_videoInfo->stream(i);
            if (stream->type() != kStreamAudio ||
                stream->codecName().view() == std::u16string_view(u"Unknown"))
                continue;
            smart::AudioTarget target;
            target.streamIndex = static_cast<int>(i);
            target.sampleRate = cut::toolSampleRate(first->sampleRate());
            target.channels = first->channels() > 2 ? 6 : std::max(first->channels(), 1);
            target.bitRate = cut::toolAudioBitRate(first->bitRate());
            request.audio.push_back(target);
        }
    }
    request.progress = [&](double fraction, smart::SmartCutPhase) {
        // As the converter's: the bar starts at 40 % and never goes back.
        reportProgress(100, 40 + static_cast<i64>(fraction * 60.0), const_cast<StrBuffer*>(&outName));
    };

    reportProgress(100, 40, const_cast<StrBuffer*>(&outName));
    smart::SmartCutResult result;
    tool::ToolLog log;
    tool::runWithToolLog([&] { result = m_smartCut ? m_smartCut(request) : smart::runSmartCut(request); },
                         log);
    switch (result.status) {
    case smart::SmartCutStatus::kDone:
        m_cutNote.set(
            text(3012000, u"Only the edges of the scene were re-encoded; the rest was copied unchanged."));
        return true;
    case smart::SmartCutStatus::kStopped:
        return false;
    default:
        break;
    }
    m_cutNote.set(text(3012001, u"The whole scene was re-encoded:")).append(u' ');
    appendSmartCutReason(m_cutNote, result);
    if (result.status == smart::SmartCutStatus::kFailed && log.firstError.length() > 0)
        m_cutNote.append(u" (").append(log.firstError).append(u')');
    // What the attempt wrote is replaced by the full re-encode, or removed
    // with the partial output when that fails too.
    return false;
}

void Dialog::cutJob(const PathWin& input, i64 startUs, i64 endUs) {
    Guard model(m_modelLock);
    if (!m_videoInfo || !m_resolvedOutputFolder)
        return;
    const i32 mode = m_cutMode.load();

    // Plan the names; the sub-folder mode's folder is made here.
    PathHandle folder(file::win::newPath(m_resolvedOutputFolder->fullPathStr()));
    if (!folder->exists()) {
        (void)folder->makeFolder(true);
        folder.reset(file::win::newPath(m_resolvedOutputFolder->fullPathStr()));
    }
    PathHandle output(cut::outputPathFor(*folder, input, startUs, endUs, mode, false));
    if (!entryExists(input.fullPathStr())) {
        StrBuffer name;
        input.nameInto(&name, false);
        reportMissingInput(name);
        return;
    }
    StrBuffer outFolder;
    outFolder.set(folder->fullPathStr());
    while (outFolder.length() > 1 && outFolder.endsWith(u"/"))
        outFolder.setLength(outFolder.length() - 1);

    // Reserve the output name. The file is made exclusively, so an entry
    // that appears meanwhile only moves the cut on to the next number and
    // is never overwritten.
    bool reserved = false;
    bool foreignOutput = false;
    for (i32 tries = 0; tries < kReserveTries && !reserved; ++tries) {
        if (entryExists(output->fullPathStr()))
            output.reset(output->numberedUnique());
        if (output->createEmptyFile(true)) {
            reserved = true;
        } else if (!entryExists(output->fullPathStr()) && tries + 1 < kReserveTries) {
            sleepMs(100);
        }
    }
    if (!reserved) {
        foreignOutput = entryExists(output->fullPathStr());
        notifyMessage(u"Failed to create the output file.\r\nProblem in the file system permissions?");
    }
    StrBuffer inputName;
    input.nameInto(&inputName, false);
    StrBuffer outName;
    output->nameInto(&outName, false);
    StrBuffer inputShort;
    (void)file::win::shortPathInto(input.fullPathText(), &inputShort);

    // The tool's output argument: the output's alias, or a temporary file in
    // the output folder reached through the folder's alias.
    StrBuffer outputArg;
    bool usable = false;
    for (i32 tries = 0; tries < kShortFormTries && !usable && reserved; ++tries) {
        usable = file::win::shortPathInto(output->fullPathText(), &outputArg) && cut::isToolUsable(outputArg);
        if (!usable && tries + 1 < kShortFormTries)
            sleepMs(100);
    }
    if (!reserved)
        (void)file::win::shortPathInto(output->fullPathText(), &outputArg);
    PathHandle temp;
    u32 slash = 0;
    if (!usable && outputArg.lastIndexOf(u'/', &slash)) {
        for (i32 tries = 0; tries < kReserveTries && !temp; ++tries) {
            PathHandle candidate(cut::tempOutputFor(*output));
            if (candidate && candidate->createEmptyFile(true))
                temp = std::move(candidate);
        }
        if (temp) {
            StrBuffer folderShort;
            (void)file::win::shortPathInto(folder->fullPathText(), &folderShort);
            outputArg.set(folderShort).append(u'/').append(temp->name());
        }
    }

    const bool external = tool::externalToolAvailable();
    StrBuffer workDir;
    output->folderNoSlashInto(&workDir, false);
    StrBuffer command;
    i32 result = tool::kToolFailed;
    const PathWin& written = temp ? *temp : *output;
    m_cutNote.clear();
    bool smartDone = false;
    if (mode == kPreciseMode && m_smartPrecise.load() && reserved && !foreignOutput)
        smartDone = smartCutJob(input, written, startUs, endUs, outName);
    if (smartDone)
        result = tool::kToolSuccess;
    // The whole scene is re-encoded; the status line says why when the
    // edges-only cut was tried.
    StrBuffer runStatus;
    runStatus.set(outName);
    if (!smartDone && m_cutNote.length() > 0)
        runStatus.append(u"  \u2014  ").append(m_cutNote);
    for (i32 attempt = 1; attempt <= 2 && !foreignOutput && !smartDone && !m_stopRequested.load();
         ++attempt) {
        cut::CutCommandInput plan;
        plan.startUs = startUs;
        plan.endUs = endUs;
        plan.mode = mode;
        plan.external = external;
        plan.attempt = attempt;
        plan.info = m_videoInfo;
        plan.inputPath = &input;
        plan.inputShortPath = inputShort.c_str();
        plan.outputShortPath = outputArg.c_str();
        cut::buildCutCommand(command, plan);

        m_errorReport.clear();
        m_firstError.clear();
        m_errorReport.append(u"[Input Path]: ").append(input.fullPathText()).append(u"\n");
        m_errorReport.append(u"[Output Path]: ").append(output->fullPathText()).append(u"\n");
        m_errorReport.append(u" \n").append(u"[Video Info]:\n");
        if (thread::Pooled<StrBuffer> report{m_videoInfo->report()})
            m_errorReport.append(*report);
        m_errorReport.append(u" \n \n").append(u"[FFmpeg Command]:\n").append(command).append(u" \n \n");
        if (m_cutNote.length() > 0)
            m_errorReport.append(u"[Precise Cut]: ").append(m_cutNote).append(u"\n\n");

        reportProgress(100, 40, &runStatus);
        const i64 durationMs = (endUs - startUs) / 1000;
        {
            Guard grab(currentGrabLock());
            if (external) {
                tool::ToolRunContext context;
                context.target = m_context.target;
                context.hooks = m_context.hooks;
                context.errorReport = &m_errorReport;
                result =
                    tool::runExternalTool(command, runStatus, workDir, durationMs, m_stopRequested, context);
            } else {
                ProgressRelay relay(*this);
                tool::ToolLog log;
                result = tool::runToolInProcess(command, workDir, durationMs, ProgressRelay::report, &relay,
                                                &runStatus, m_stopRequested, &log);
                noteToolLog(log.lines, log.firstError);
            }
        }
        const bool retry =
            mode == kLosslessMode && attempt == 1 && result == tool::kToolFailed && !m_stopRequested.load();
        if (!retry)
            break;
    }

    if (m_stopRequested.load()) {
        if (!foreignOutput)
            removePartial(*output);
        if (temp)
            removePartial(*temp);
        return;
    }

    // A run that reports success but leaves the reserved file empty has
    // saved nothing.
    const bool success = result == tool::kToolSuccess && !foreignOutput &&
                         entryExists(output->fullPathStr()) && entrySize(written.fullPathStr()) > 0;
    if (success) {
        if (temp) {
            removePartial(*output);
            PathHandle moving(file::win::newPath(temp->fullPathStr()));
            const bool moved = m_moveFile ? m_moveFile(*moving, output->fullPathText())
                                          : moving->moveTo(output->fullPathText(), false, true);
            if (!moved) {
                // The scene exists, only under the temporary name: keep it,
                // and say where it is.
                m_errorReport.append(u"[Move Failed]: the scene was saved as ")
                    .append(temp->fullPathText())
                    .append(u" and could not be renamed to ")
                    .append(output->fullPathText())
                    .append(u"\n");
                m_firstError.set(text(3007230, u"The scene could not be renamed to"))
                    .append(u' ')
                    .append(output->fullPathText());
                (void)writeErrorReport(*folder);
                StrBuffer keptAt;
                keptAt.set(temp->fullPathStr());
                sendReport(kReportFailed, inputName, keptAt, outFolder);
                return;
            }
        }
        VideoInfo* saved = nullptr;
        {
            Guard grab(currentGrabLock());
            saved = probe(output->fullPathStr());
        }
        const i32 code = saved->firstStreamOfType(kStreamAudio) ? kReportSaved : kReportSavedNoAudio;
        saved->release();
        sendReport(code, inputName, outName, outFolder);
        return;
    }

    if (!foreignOutput)
        removePartial(*output);
    if (temp)
        removePartial(*temp);
    (void)writeErrorReport(*folder);
    sendReport(result != tool::kToolSuccess ? result : kReportFailed, inputName, outName, outFolder);
}

} // namespace s::video::gui::dialogs::snipforge
