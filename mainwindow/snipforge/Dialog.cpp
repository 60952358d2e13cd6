#include "mainwindow/snipforge/Dialog.h"

#include "foundation/file/win/PathWin.h"
#include "foundation/map/IMappedData.h"
#include "media/video/StreamInfo.h"

#include <mutex>

namespace s::video::gui::dialogs::snipforge {

using str::strbuffer::StrBuffer;
namespace dnd = ::s::gui::dialogs::dragndrop;
using Guard = std::lock_guard<thread::ObjLocker>;

Dialog::Dialog(const dnd::DialogContext& context)
    : dnd::Dialog(context), m_job(thread::makePooled<Setting>()),
      m_frameSourceFactory(defaultFrameSourceFactory()) {
    m_job->reset();
}

Dialog::~Dialog() {
    // The task uses this object's fields: it must be over before they go.
    m_stopRequested.store(true);
    m_worker->waitIdle();
    if (m_frameSource)
        m_frameSource->releaseSource();
    if (m_videoInfo)
        m_videoInfo->release();
}

void Dialog::loadSettings() {
    dnd::Dialog::loadSettings();
    i32 mode = kLosslessMode;
    if (map::IMappedData* settings = m_context.settings) {
        StrBuffer stored;
        stored.set(settings->getString(dnd::kViewGroup, dnd::kCutModeKey, u""));
        if (stored.view() == std::u16string_view(cutModeText(kPreciseMode)))
            mode = kPreciseMode;
        m_smartPrecise.store(settings->getBool(dnd::kViewGroup, kSmartPreciseKey, true));
    }
    setCutMode(mode, false);
}

void Dialog::setSmartPrecise(bool on, bool remember) {
    m_smartPrecise.store(on);
    if (remember && m_context.settings)
        // A store that refuses keeps the choice for this session only.
        (void)m_context.settings->setBool(dnd::kViewGroup, kSmartPreciseKey, on);
}

void Dialog::menuState(dnd::MenuState& out) {
    dnd::Dialog::menuState(out);
    out.hasSmartPrecise = true;
    out.smartPrecise = m_smartPrecise.load();
}

void Dialog::onCommand(i32 command) {
    if (command != dnd::kCmdSmartPrecise) {
        dnd::Dialog::onCommand(command);
        return;
    }
    const bool on = !m_smartPrecise.load();
    if (m_menu)
        m_menu->setItemChecked(dnd::kCmdSmartPrecise, on);
    setSmartPrecise(on);
}

const char16_t* Dialog::cutModeText(i32 mode) const {
    return mode == kPreciseMode ? text(1090010, u"Precise cut  (re-encode and slow)")
                                : text(1090000, u"Lossless cut  (very fast)");
}

void Dialog::setCutMode(i32 mode, bool remember) {
    mode = mode == kPreciseMode ? kPreciseMode : kLosslessMode;
    m_cutMode.store(mode);
    if (m_view) {
        m_view->setCutModeChecked(mode == kPreciseMode ? kLosslessMode : kPreciseMode, false);
        m_view->setCutModeChecked(mode, true);
        m_view->setFramesRowShown(mode == kPreciseMode);
        m_view->setTimeFieldWidth((mode == kPreciseMode ? 90 : 70) * m_scale);
        showMarkerTime(kEditStart);
        showMarkerTime(kEditEnd);
        m_view->relayoutAndFit();
    }
    if (remember && m_context.settings)
        m_context.settings->setString(dnd::kViewGroup, dnd::kCutModeKey, cutModeText(mode));
    if (m_observer)
        m_observer->onCutModeChanged(mode);
}

void Dialog::setView(ICutterView* view) {
    m_view = view;
    if (m_view)
        setCutMode(m_cutMode.load(), false);
}

void Dialog::setPositions(i64 startUs, i64 endUs) {
    i64 duration = 0;
    {
        Guard guard(m_modelLock);
        duration = m_videoInfo ? m_videoInfo->durationUs() : 0;
    }
    auto clamp = [duration](i64 us) { return us < 0 ? 0 : (us > duration ? duration : us); };
    m_startUs = clamp(startUs);
    m_endUs = clamp(endUs);
    if (m_observer)
        m_observer->onPositionsChanged(m_startUs, m_endUs);
}

bool Dialog::prepareJob() {
    m_job->reset();
    m_job->mode = Setting::kFirstPath;
    m_job->cut = false;
    return true;
}

bool Dialog::saveScene() {
    i64 emptyAtUs = -1;
    {
        Guard guard(m_jobLock);
        if (m_busy)
            return false;
        StrBuffer path;
        i64 duration = 0;
        {
            Guard model(m_modelLock);
            if (!m_videoInfo)
                return false;
            path.set(m_videoInfo->path());
            duration = m_videoInfo->durationUs();
        }
        if (!checkOutputFolder(path.c_str()))
            return false;
        i64 a = m_startUs < m_endUs ? m_startUs : m_endUs;
        i64 b = m_startUs < m_endUs ? m_endUs : m_startUs;
        if (a < 0)
            a = 0;
        // An end less than a second before the end of the file means its end.
        if (b + 1000000 > duration)
            b = duration;
        if (a < b) {
            m_job->reset();
            m_job->mode = Setting::kFirstPath;
            m_job->cut = true;
            m_job->startUs = a;
            m_job->endUs = b;
            if (m_observer)
                m_observer->onControlsEnabled(false);
            m_inputPaths.append(path.c_str());
            m_busy = true;
            startTask();
            return true;
        }
        emptyAtUs = a;
    }
    // Said outside the job lock: the box waits for the user.
    StrBuffer message;
    StrBuffer at;
    formatTime(emptyAtUs, m_cutMode.load(), at);
    message.append(text(3010000, u"Nothing was saved: the scene is empty."))
        .append(u"\r\n\r\n")
        .append(text(3010001, u"Its start and its end are at the same position:"))
        .append(u"  ")
        .append(at)
        .append(u"\r\n")
        .append(text(3010002, u"Move the start or the end marker first."));
    showMessageNotOnTop(message.c_str());
    return false;
}

void Dialog::onProbeDone() {
    i64 durationUs = 0;
    i64 frameUs = 0;
    bool hasAudio = false;
    StrBuffer path;
    {
        Guard guard(m_modelLock);
        if (!m_videoInfo)
            return;
        durationUs = m_videoInfo->durationUs();
        frameUs = m_frameUs;
        hasAudio = m_videoInfo->firstStreamOfType(kStreamAudio) != nullptr;
        path.set(m_videoInfo->path());
    }
    if (durationUs <= 0) {
        notifyMessage(text(3007100, u"The program failed to find the video duration length."));
        return;
    }
    m_shownDurationUs = durationUs;
    m_shownFrameUs = frameUs;
    m_startUs = 0;
    m_endUs = durationUs;
    m_shownUs = 0; // what the opening task asked for
    m_editing = kEditStart;
    for (i32 which : {kEditStart, kEditEnd})
        markTimeInvalid(which, false);
    if (m_view) {
        m_view->setMarkerChecked(kEditStart, true);
        m_view->setMarkerChecked(kEditEnd, false);
        for (i32 which : {kEditStart, kEditEnd}) {
            m_view->setSliderRange(which, durationUs / 1000000);
            showMarkerSlider(which);
            showMarkerTime(which);
        }
    }
    if (m_observer) {
        StrBuffer duration;
        durationText(durationUs, duration);
        file::win::PathHandle file(file::win::newPath(path));
        StrBuffer size;
        sizeText(file->size(), size);
        m_observer->onFileLoaded(file->name(), duration.c_str(), size.c_str());
        m_observer->onPositionsChanged(m_startUs, m_endUs);
        m_observer->onEditingChanged(m_editing);
        m_observer->onControlsEnabled(true);
    }
    if (!hasAudio)
        notifyMessage(text(3007200, u"The program failed to find the audio stream in the file.\n"
                                    u"Please be aware that the audio may not get saved together."));
}

void Dialog::replaceLoadedFile(VideoInfo* info, i64 frameUs, IFrameSource* source) {
    VideoInfo* previousInfo = nullptr;
    IFrameSource* previousSource = nullptr;
    {
        Guard model(m_modelLock);
        previousInfo = m_videoInfo;
        m_videoInfo = info;
        m_frameUs = frameUs;
        Guard sources(m_sourceLock);
        previousSource = m_frameSource;
        m_frameSource = source;
    }
    if (source)
        source->requestFrame(0);
    // The old grabber's threads are stopped outside the locks: its last
    // frame may be waiting for the window, which may want the source lock.
    if (previousSource)
        previousSource->releaseSource();
    if (previousInfo)
        previousInfo->release();
}

bool Dialog::takeImage(image::win::BufferedImage* image) {
    Guard guard(m_sourceLock);
    return m_frameSource && m_frameSource->takeImage(image);
}

namespace {

/// Whether the first letter of `text` that has a direction is written right
/// to left (Hebrew, Arabic and their presentation forms).
bool startsRightToLeft(const char16_t* text) {
    for (const char16_t* p = text; p && *p; ++p) {
        const char16_t c = *p;
        if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF))
            return true;
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= 0x00C0 && c <= 0x058F) ||
            (c >= 0x0900 && c <= 0xFB1C))
            return false;
    }
    return false;
}

/// Whether the dialog's messages are in a right-to-left language.
bool messagesRightToLeft(const Dialog& dialog) {
    return startsRightToLeft(dialog.text(1007011, u"Saved Successfully!"));
}

/// Appends a file or folder name to a message. In a right-to-left language
/// the name would be laid out as part of the sentence ("/home/user/Videos"
/// showed as "home/user/Videos/"), so there it goes in as an isolated
/// left-to-right run.
void appendName(StrBuffer& out, const char16_t* path, bool rightToLeft) {
    if (!path || !*path)
        return;
    if (rightToLeft)
        out.append(u'\u2066');
    out.append(path);
    if (rightToLeft)
        out.append(u'\u2069');
}

} // namespace

void Dialog::reportMessage(StrBuffer& out, i32 code, const char16_t* inputName, const char16_t* outputName,
                           const char16_t* errorText, const char16_t* outputFolder,
                           const char16_t* note) const {
    out.clear();
    const bool written = outputName && *outputName;
    const bool rightToLeft = messagesRightToLeft(*this);
    auto appendFolder = [&] {
        if (outputFolder && *outputFolder) {
            out.append(u"\r\n").append(text(3010010, u"Folder:")).append(u"  ");
            appendName(out, outputFolder, rightToLeft);
        }
    };
    // "Desktop" without a desktop folder is the home folder.
    auto appendDesktopNote = [&] {
        if (m_outputFolderMode == ::s::gui::dialogs::dragndrop::kOutputDesktop &&
            file::win::desktopFolderIsHome())
            out.append(u"\r\n\r\n")
                .append(
                    text(3010011, u"There is no desktop folder, so the scene was saved in the home folder."));
    };
    if (code == kReportSaved) {
        out.append(text(1007011, u"Saved Successfully!"));
        if (written) {
            out.append(u"\r\n\r\n").append(text(3003000, u"Output File:")).append(u"  ");
            appendName(out, outputName, rightToLeft);
            appendFolder();
            appendDesktopNote();
        }
        if (note && *note)
            out.append(u"\r\n\r\n").append(note);
        out.append(u"\r\n\r\n")
            .append(text(3007220, u"(Please make sure the audio was saved correctly too.)"));
    } else if (code == kReportSavedNoAudio) {
        out.append(
               text(3007210,
                    u"The audio may not have been saved correctly.\nPlease check the created video file."))
            .append(u"\r\n\r\n")
            .append(text(3002000, u"Input File:"))
            .append(u"  ");
        appendName(out, inputName, rightToLeft);
        out.append(u"\r\n").append(text(3003000, u"Output File:")).append(u"  ");
        appendName(out, outputName, rightToLeft);
        appendFolder();
        appendDesktopNote();
        if (note && *note)
            out.append(u"\r\n\r\n").append(note);
    } else {
        out.append(text(3001000, u"Conversion Failed!"))
            .append(u"\r\n\r\n")
            .append(text(3002000, u"Input File:"))
            .append(u"  ");
        appendName(out, inputName, rightToLeft);
        if (written) {
            out.append(u"\r\n").append(text(3003000, u"Output File:")).append(u"  ");
            appendName(out, outputName, rightToLeft);
            appendFolder();
        }
        out.append(u"\r\n\r\n")
            .append(text(3004000, u"Error:"))
            .append(u"  ")
            .append(errorText && *errorText ? errorText : text(3008000, u"Unknown error has happened."));
        if (written)
            out.append(u"\r\n\r\n")
                .append(
                    text(3008001,
                         u"Please send us the \"_error.txt\" file that was created beside the output file."))
                .append(u"\r\n")
                .append(text(3008002, u"You can reach us through the support page of our web site."));
        out.append(u"\r\n\r\n").append(text(3006000, u"We are sorry for the trouble."));
    }
}

void Dialog::openFailureMessage(StrBuffer& out, const OpenFailure& failure, bool keptLoaded) const {
    out.clear();
    out.append(text(3007000, u"The program failed to open the file.")).append(u"\r\n\"");
    appendName(out, failure.path.c_str(), messagesRightToLeft(*this));
    out.append(u"\"\r\n\r\n").append(failure.reason);
    if (failure.detail.length() > 0)
        out.append(u"\r\n").append(text(3005000, u"Details:")).append(u"  ").append(failure.detail);
    if (keptLoaded)
        out.append(u"\r\n\r\n").append(text(3009090, u"The video loaded before stays loaded."));
}

void Dialog::handleEvent(event::INamedEventSource& source) {
    const char16_t* name = source.getEventName();
    if (name == event::kUpdateUI) {
        onProbeDone();
        source.setEventResult(1);
    } else if (name == event::kUpdateVideoImage) {
        if (m_view) {
            onImageReady();
            source.setEventResult(1);
            return;
        }
        const bool taken = m_observer && m_observer->onImageReady();
        if (!taken) {
            Guard guard(m_sourceLock);
            if (m_frameSource)
                m_frameSource->discardImage();
        }
        source.setEventResult(1);
    } else if (name == event::kReportError) {
        auto* payload = dynamic_cast<ReportPayload*>(source.getEventObject());
        if (payload) {
            const char16_t* outputName = payload->outputName ? payload->outputName->c_str() : u"";
            const char16_t* folder = payload->outputFolder ? payload->outputFolder->c_str() : u"";
            StrBuffer message;
            reportMessage(message, payload->code, payload->inputName ? payload->inputName->c_str() : u"",
                          outputName, payload->errorText ? payload->errorText->c_str() : nullptr, folder,
                          payload->note ? payload->note->c_str() : nullptr);
            const bool saved = payload->code == kReportSaved || payload->code == kReportSavedNoAudio;
            if (saved && *outputName && *folder) {
                StrBuffer path;
                path.set(folder);
                if (!path.endsWith(u"/"))
                    path.append(u'/');
                path.append(outputName);
                showSavedMessageNotOnTop(message.c_str(), path.c_str());
            } else {
                showMessageNotOnTop(message.c_str());
            }
        }
        source.setEventResult(1);
    } else if (name == event::kOpenFailed) {
        if (auto* failure = dynamic_cast<OpenFailure*>(source.getEventObject())) {
            bool loaded = false;
            {
                Guard guard(m_modelLock);
                loaded = m_videoInfo != nullptr;
            }
            StrBuffer message;
            openFailureMessage(message, *failure, loaded);
            showMessageNotOnTop(message.c_str());
        }
        source.setEventResult(1);
    } else if (name == event::kProcessStatusEnd) {
        bool loaded = false;
        {
            Guard guard(m_modelLock);
            loaded = m_videoInfo != nullptr;
        }
        if (m_observer && loaded)
            m_observer->onControlsEnabled(true);
    }
}

} // namespace s::video::gui::dialogs::snipforge
