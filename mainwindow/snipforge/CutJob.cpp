#include "mainwindow/snipforge/CutJob.h"

#include "cutting/plan/CutPlan.h"
#include "foundation/file/win/ShortPath.h"
#include "mainwindow/snipforge/Dialog.h"
#include "media/converter/InProcessTool.h"
#include "media/smartcut/SmartCut.h"
#include "media/tool/ExternalTool.h"
#include "media/video/Probe.h"
#include "media/video/StreamInfo.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace s::video::gui::dialogs::snipforge {

using file::win::PathHandle;
using file::win::PathWin;
using str::strbuffer::StrBuffer;
using Guard = std::lock_guard<thread::ObjLocker>;

namespace {

constexpr i32 kReserveTries = 5;
constexpr i32 kShortFormTries = 20;
constexpr i32 kRetryPauseMs = 100;
constexpr i32 kRemoveRetryMs = 200;
constexpr i32 kRemoveGiveUpMs = 5000;

// Timed on purpose: the file system is asked again after a pause (a name
// held by a scanner or an alias not made yet); no other thread is waited for.
void pauseBeforeRetry(i32 ms) {
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

CutJob::CutJob(Dialog& dialog, const PathWin& input, i64 startUs, i64 endUs)
    : m_dialog(dialog), m_input(input), m_startUs(startUs), m_endUs(endUs) {}

CutJob::~CutJob() = default;

void CutJob::run() {
    Guard model(m_dialog.m_modelLock);
    if (!plan())
        return;
    reserve();
    base::Result result = base::Result::failed("another file took the output's name");
    if (m_foreignOutput) {
        m_dialog.m_errorReport.append(u"[Output Path]: ")
            .append(m_output->fullPathText())
            .append(u" was taken by another file\n");
    } else if (attemptSmart()) {
        result = base::Result::ok();
    } else if (!m_foreignOutput) {
        for (i32 number = 1; number <= 2 && !m_dialog.m_stopRequested.load(); ++number) {
            result = attempt(number);
            if (!shouldRetry(result, number))
                break;
        }
    }
    report(finish(result));
}

bool CutJob::plan() {
    if (!m_dialog.m_videoInfo || !m_dialog.m_resolvedOutputFolder)
        return false;
    m_mode = m_dialog.m_cutMode.load();
    m_external = tool::externalToolAvailable();
    // A job starts with nothing of an earlier one in its report.
    m_dialog.m_errorReport.clear();
    m_dialog.m_firstError.clear();
    m_dialog.m_cutNote.clear();

    m_folder.reset(file::win::newPath(m_dialog.m_resolvedOutputFolder->fullPathStr()));
    if (!m_folder->exists()) {
        // A folder that cannot be made makes the reservation fail, which
        // says so.
        (void)m_folder->makeFolder(true);
        m_folder.reset(file::win::newPath(m_dialog.m_resolvedOutputFolder->fullPathStr()));
    }
    m_output.reset(cut::outputPathFor(*m_folder, m_input, m_startUs, m_endUs, m_mode, false));
    m_input.nameInto(&m_inputName, false);
    if (!entryExists(m_input.fullPathStr())) {
        m_dialog.reportMissingInput(m_inputName);
        return false;
    }
    m_outFolder.set(m_folder->fullPathStr());
    while (m_outFolder.length() > 1 && m_outFolder.endsWith(u"/"))
        m_outFolder.setLength(m_outFolder.length() - 1);
    return true;
}

void CutJob::reserve() {
    for (i32 tries = 0; tries < kReserveTries && !m_reserved; ++tries) {
        if (entryExists(m_output->fullPathStr()))
            m_output.reset(m_output->numberedUnique());
        if (m_output->createEmptyFile(true))
            m_reserved = true;
        else if (!entryExists(m_output->fullPathStr()) && tries + 1 < kReserveTries)
            pauseBeforeRetry(kRetryPauseMs);
    }
    if (!m_reserved) {
        m_foreignOutput = entryExists(m_output->fullPathStr());
        m_dialog.notifyMessage(
            u"Failed to create the output file.\r\nProblem in the file system permissions?");
    }
    m_output->nameInto(&m_outName, false);
    m_reportedName.set(m_outName);
    // Without an alias the full path stands in, as the plan quotes it.
    file::win::shortPathInto(m_input.fullPathText(), &m_inputShort);
    m_output->folderNoSlashInto(&m_workDir, false);

    // The tool's output argument: the output's alias, or a temporary file in
    // the output folder reached through the folder's alias.
    bool usable = false;
    for (i32 tries = 0; tries < kShortFormTries && !usable && m_reserved; ++tries) {
        usable = file::win::shortPathInto(m_output->fullPathText(), &m_outputArg) &&
                 cut::isToolUsable(m_outputArg);
        if (!usable && tries + 1 < kShortFormTries)
            pauseBeforeRetry(kRetryPauseMs);
    }
    if (!m_reserved)
        file::win::shortPathInto(m_output->fullPathText(), &m_outputArg);
    u32 slash = 0;
    if (!usable && m_outputArg.lastIndexOf(u'/', &slash)) {
        for (i32 tries = 0; tries < kReserveTries && !m_temp; ++tries) {
            PathHandle candidate(cut::tempOutputFor(*m_output));
            if (candidate && candidate->createEmptyFile(true))
                m_temp = std::move(candidate);
        }
        if (m_temp) {
            StrBuffer folderShort;
            file::win::shortPathInto(m_folder->fullPathText(), &folderShort);
            m_outputArg.set(folderShort).append(u'/').append(m_temp->name());
        }
    }
}

bool CutJob::attemptSmart() {
    namespace smart = video::smartcut;
    bool made = false;
    if (m_mode == kPreciseMode && m_dialog.m_smartPrecise.load() && m_reserved) {
        smart::SmartCutRequest request;
        request.inputPath = StrBuffer().set(m_input.fullPathText()).toStdString();
        request.outputPath = StrBuffer().set(written().fullPathText()).toStdString();
        request.startUs = m_startUs;
        request.endUs = m_endUs;
        request.stop = &m_dialog.m_stopRequested;
        // The sound as the full re-encode makes it: every track the probe
        // can name, at the first track's rate, channels and bit rate.
        const VideoInfo& info = *m_dialog.m_videoInfo;
        if (const StreamInfo* first = info.firstStreamOfType(kStreamAudio); first && info.hasAudio()) {
            for (u32 i = 0; i < info.streamCount(); ++i) {
                const StreamInfo* stream = info.stream(i);
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
            m_dialog.reportProgress(100, 40 + static_cast<i64>(fraction * 60.0), &m_outName);
        };

        m_dialog.reportProgress(100, 40, &m_outName);
        smart::SmartCutResult result;
        tool::ToolLog log;
        tool::runWithToolLog(
            [&] {
                result = m_dialog.m_smartCut ? m_dialog.m_smartCut(request) : smart::runSmartCut(request);
            },
            log);
        StrBuffer& note = m_dialog.m_cutNote;
        switch (result.status) {
        case smart::SmartCutStatus::kDone:
            note.set(m_dialog.text(
                3012000, u"Only the edges of the scene were re-encoded; the rest was copied unchanged."));
            made = true;
            break;
        case smart::SmartCutStatus::kStopped:
            break;
        default:
            // What the attempt wrote is replaced by the full re-encode, or
            // removed with the partial output when that fails too.
            note.set(m_dialog.text(3012001, u"The whole scene was re-encoded:")).append(u' ');
            appendSmartCutReason(note, result);
            if (result.status == smart::SmartCutStatus::kFailed && log.firstError.length() > 0)
                note.append(u" (").append(log.firstError).append(u')');
            break;
        }
    }
    // The whole scene is re-encoded; the status line says why when the
    // edges-only cut was tried.
    m_runStatus.set(m_outName);
    if (!made && m_dialog.m_cutNote.length() > 0)
        m_runStatus.append(u"  \u2014  ").append(m_dialog.m_cutNote);
    return made;
}

void CutJob::appendSmartCutReason(StrBuffer& out, const video::smartcut::SmartCutResult& result) const {
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
        known = m_dialog.text(3012010, u"the video is not H.264");
        break;
    case smart::SmartCutReason::kNot8Bit420:
        known = m_dialog.text(3012011, u"the video is not 8-bit 4:2:0");
        break;
    case smart::SmartCutReason::kInterlaced:
        known = m_dialog.text(3012012, u"the video is interlaced");
        withDetail = false;
        break;
    case smart::SmartCutReason::kSubtitles:
        known = m_dialog.text(3012013, u"the source has subtitles");
        withDetail = false;
        break;
    case smart::SmartCutReason::kNoWholeGroup:
        known = m_dialog.text(3012014, u"the scene holds no whole group of pictures that could be copied");
        break;
    case smart::SmartCutReason::kOther:
        known = result.status == smart::SmartCutStatus::kCheckFailed
                    ? m_dialog.text(3012015, u"the check of the written scene failed")
                    : m_dialog.text(3012016, u"this video cannot be copied in part");
        break;
    }
    out.append(known);
    if (withDetail)
        out.append(u" (").append(detail).append(u')');
}

base::Result CutJob::attempt(i32 number) {
    cut::CutCommandInput plan;
    plan.startUs = m_startUs;
    plan.endUs = m_endUs;
    plan.mode = m_mode;
    plan.external = m_external;
    plan.attempt = number;
    plan.info = m_dialog.m_videoInfo;
    plan.inputPath = &m_input;
    plan.inputShortPath = m_inputShort.c_str();
    plan.outputShortPath = m_outputArg.c_str();
    StrBuffer command;
    cut::buildCutCommand(command, plan);

    StrBuffer& errorReport = m_dialog.m_errorReport;
    errorReport.clear();
    m_dialog.m_firstError.clear();
    errorReport.append(u"[Input Path]: ").append(m_input.fullPathText()).append(u"\n");
    errorReport.append(u"[Output Path]: ").append(m_output->fullPathText()).append(u"\n");
    errorReport.append(u" \n").append(u"[Video Info]:\n");
    if (thread::Pooled<StrBuffer> info{m_dialog.m_videoInfo->report()})
        errorReport.append(*info);
    errorReport.append(u" \n \n").append(u"[FFmpeg Command]:\n").append(command).append(u" \n \n");
    if (m_dialog.m_cutNote.length() > 0)
        errorReport.append(u"[Precise Cut]: ").append(m_dialog.m_cutNote).append(u"\n\n");

    m_dialog.reportProgress(100, 40, &m_runStatus);
    const i64 durationMs = (m_endUs - m_startUs) / 1000;
    Guard grab(m_dialog.currentGrabLock());
    if (m_external) {
        tool::ToolRunContext context;
        context.target = m_dialog.m_context.target;
        context.hooks = m_dialog.m_context.hooks;
        context.errorReport = &errorReport;
        return tool::runExternalTool(command, m_runStatus, m_workDir, durationMs, m_dialog.m_stopRequested,
                                     context);
    }
    ProgressRelay relay(m_dialog);
    tool::ToolLog log;
    base::Result result = tool::runToolInProcess(command, m_workDir, durationMs, ProgressRelay::report,
                                                 &relay, &m_runStatus, m_dialog.m_stopRequested, &log);
    noteToolLog(log.lines, log.firstError);
    return result;
}

bool CutJob::shouldRetry(const base::Result& result, i32 number) const {
    // A lossless copy that failed from a seek before the input is tried
    // once more with the seek after it; a stop is never retried.
    return m_mode == kLosslessMode && number == 1 && result.isFailed() && !m_dialog.m_stopRequested.load();
}

void CutJob::noteToolLog(const StrBuffer& lines, const StrBuffer& firstError) {
    m_dialog.m_firstError.set(firstError);
    if (lines.length() > 0)
        m_dialog.m_errorReport.append(u"[FFmpeg Output]:\n").append(lines);
    m_dialog.m_errorReport.append(u"\n\n");
}

base::Result CutJob::finish(const base::Result& run) {
    if (m_dialog.m_stopRequested.load()) {
        removePartials();
        return base::Result::stopped();
    }
    // A run that reports success but leaves the reserved file empty has
    // saved nothing.
    const bool saved = run.isOk() && !m_foreignOutput && entryExists(m_output->fullPathStr()) &&
                       entrySize(written().fullPathStr()) > 0;
    if (!saved) {
        removePartials();
        // The failure message says what went wrong either way; the report
        // only adds the details.
        (void)writeErrorReport();
        return run.isOk() ? base::Result::failed("the converter wrote nothing") : run;
    }
    if (!m_temp)
        return base::Result::ok();

    removePartial(*m_output);
    PathHandle moving(file::win::newPath(m_temp->fullPathStr()));
    const bool moved = m_dialog.m_moveFile ? m_dialog.m_moveFile(*moving, m_output->fullPathText())
                                           : moving->moveTo(m_output->fullPathText(), false, true);
    if (moved)
        return base::Result::ok();
    // The scene exists, only under the temporary name: keep it, and say
    // where it is.
    m_dialog.m_errorReport.append(u"[Move Failed]: the scene was saved as ")
        .append(m_temp->fullPathText())
        .append(u" and could not be renamed to ")
        .append(m_output->fullPathText())
        .append(u"\n");
    m_dialog.m_firstError.set(m_dialog.text(3007230, u"The scene could not be renamed to"))
        .append(u' ')
        .append(m_output->fullPathText());
    (void)writeErrorReport(); // as above: the message names both files already
    m_reportedName.set(m_temp->fullPathStr());
    return base::Result::failed(m_dialog.m_firstError.toStdString());
}

void CutJob::report(const base::Result& result) {
    switch (result.outcome()) {
    case base::Outcome::kStopped:
        return; // the window was closed or the cut cancelled: nothing to tell
    case base::Outcome::kFailed:
        m_dialog.sendReport(kReportFailed, m_inputName, m_reportedName, m_outFolder);
        return;
    case base::Outcome::kOk:
        break;
    }
    VideoInfo* saved = nullptr;
    {
        Guard grab(m_dialog.currentGrabLock());
        saved = probe(m_output->fullPathStr());
    }
    const i32 code = saved->firstStreamOfType(kStreamAudio) ? kReportSaved : kReportSavedNoAudio;
    saved->release();
    m_dialog.sendReport(code, m_inputName, m_outName, m_outFolder);
}

void CutJob::removePartial(const PathWin& path) {
    for (i32 waited = 0;; waited += kRemoveRetryMs) {
        PathHandle fresh(file::win::newPath(path.fullPathStr()));
        if (!fresh->exists() && !fresh->isSymbolicLink())
            return;
        // Checked below by looking: an entry that is gone counts, whatever
        // the call said.
        (void)fresh->remove(true);
        if (!entryExists(path.fullPathStr()) || waited >= kRemoveGiveUpMs)
            return;
        pauseBeforeRetry(kRemoveRetryMs);
    }
}

void CutJob::removePartials() {
    if (!m_foreignOutput)
        removePartial(*m_output);
    if (m_temp)
        removePartial(*m_temp);
}

bool CutJob::writeErrorReport() {
    StrBuffer text;
    const std::u16string_view report = m_dialog.m_errorReport.view();
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
    PathHandle dir(file::win::newPath(m_folder->fullPathStr()));
    // A folder that cannot be made fails the claim of the name below.
    if (!dir->exists())
        (void)dir->makeFolder(true);
    PathHandle first(file::win::newChildPath(m_folder->fullPathText(), u"_error.txt"));
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

} // namespace s::video::gui::dialogs::snipforge
