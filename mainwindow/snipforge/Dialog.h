#pragma once

#include "foundation/str/StrBuffer.h"
#include "foundation/thread/ObjLocker.h"
#include "mainwindow/dragndrop/Dialog.h"
#include "mainwindow/snipforge/FrameSource.h"
#include "mainwindow/snipforge/ICutterView.h"
#include "mainwindow/snipforge/Setting.h"
#include "media/smartcut/SmartCut.h"
#include "media/video/VideoInfo.h"

#include <atomic>
#include <functional>
#include <string_view>

namespace s::video::gui::dialogs::snipforge {

/// Result codes of "ReportError".
enum ReportCode : i32 {
    kReportSaved = 0,        ///< saved; the new file has an audio stream
    kReportFailed = 1,       ///< the tool failed or left no usable file
    kReportSavedNoAudio = 5, ///< saved; no audio stream in the new file
};

/// The payload of "ReportError": the result code and the two file names.
/// Lives in the sender's frame; valid only during the delivery. (The event's
/// a and b carry the addresses of the same two texts.)
class ReportPayload final : public base::IObject {
public:
    const char16_t* getClassName() const override { return u"s_video_gui_dialogs_snipforge_ReportPayload"; }
    base::IObject* newInstance() const override { return new ReportPayload(); }

    i32 code = kReportFailed;
    const str::strbuffer::StrBuffer* inputName = nullptr;
    const str::strbuffer::StrBuffer* outputName = nullptr;
    /// Why a failed cut failed, as the converter said it (its first error
    /// line); null or empty when nothing better is known.
    const str::strbuffer::StrBuffer* errorText = nullptr;
    /// The folder the output went to (a saved scene's, or where a failed
    /// attempt left its report); null or empty when none was written.
    const str::strbuffer::StrBuffer* outputFolder = nullptr;
    /// How a precise cut was made (edges only, or whole and why); null or
    /// empty otherwise.
    const str::strbuffer::StrBuffer* note = nullptr;
};

/// The payload of "OpenFailed": the file that could not be loaded and why.
/// Lives in the sender's frame; valid only during the delivery.
class OpenFailure final : public base::IObject {
public:
    const char16_t* getClassName() const override { return u"s_video_gui_dialogs_snipforge_OpenFailure"; }
    base::IObject* newInstance() const override { return new OpenFailure(); }

    /// The path as it was queued.
    str::strbuffer::StrBuffer path;
    /// The reason in the user's language.
    str::strbuffer::StrBuffer reason;
    /// What the media libraries said, when that helps (else empty).
    str::strbuffer::StrBuffer detail;
};

/// Which position the step buttons and the preview follow; also the marker
/// argument (`which`) of the navigation operations.
enum Editing : i32 {
    kEditNone = -1, ///< neither the Start nor the End radio button is checked
    kEditStart = 0,
    kEditEnd = 1,
};

/// The distances of the step buttons: the seconds rows ("1 sec:" to
/// "3 min:") in microseconds, and the frame rows in frames.
/// The stored choice (in the View group) of precise cuts that re-encode
/// only the edges.
inline constexpr const char16_t* kSmartPreciseKey = u"SmartPreciseCut";
inline constexpr i64 kSecondStepsUs[] = {1000000, 5000000, 30000000, 180000000};
inline constexpr i64 kFrameSteps[] = {1, 5, 10};

/// Cut modes as the dialog keeps them.
enum : i32 { kLosslessMode = 0, kPreciseMode = 1 };

/// The cutter window's model: the loaded file, the scene's start and end,
/// the cut mode and the frame grabber, and the worker task that opens files
/// and cuts scenes.
///
/// Threads: as the generic dialog. The task (`run()`) replaces the loaded
/// file, the frame length and the frame source while it opens a file (under
/// the model lock, before it sends "UpdateUI"), and holds the model lock for
/// a whole cut.
class Dialog final : public ::s::gui::dialogs::dragndrop::Dialog {
public:
    explicit Dialog(const ::s::gui::dialogs::dragndrop::DialogContext& context);
    ~Dialog() override;

    const char16_t* getClassName() const override { return u"s_video_gui_dialogs_snipforge_Dialog"; }

    /// Reads the generic settings and restores the cut mode.
    void loadSettings() override;

    /// Chooses where new frame sources come from (tests; the default is the
    /// preview's frame grabber). Call before the first open.
    void setFrameSourceFactory(FrameSourceFactory factory) { m_frameSourceFactory = factory; }

    /// Renames a finished temporary output onto the output name (never
    /// replacing an entry); true on success.
    using MoveFn = bool (*)(const file::win::PathWin& from, const char16_t* to);
    /// Replaces the rename (tests make it fail). Call while idle.
    void setMoveFunction(MoveFn move) { m_moveFile = move; }

    /// Runs the edges-only precise cut (tests wrap it, to damage what it
    /// writes before its check). Call while idle; empty means the real one.
    using SmartCutFn =
        std::function<video::smartcut::SmartCutResult(const video::smartcut::SmartCutRequest&)>;
    void setSmartCutFunction(SmartCutFn run) { m_smartCut = std::move(run); }

    /// The controls the navigation drives; not owned. Applies the current
    /// cut mode to them (radio buttons, frames row, field widths and texts,
    /// layout) without storing it: the window calls this when it wires its
    /// controls, after `loadSettings` restored the mode.
    void setView(ICutterView* view);

    /// 0 lossless or 1 precise: the other cut-mode radio button is
    /// unchecked, the frames row is shown only for precise cuts, both time
    /// fields get the mode's width (70 or 90 times the display scale) and
    /// are rewritten in the mode's format, the window is laid out again;
    /// with `remember`, the cut-mode text is stored.
    void setCutMode(i32 mode, bool remember = true);
    i32 cutMode() const { return m_cutMode; }
    /// Whether a precise cut of an H.264 source re-encodes only the edges of
    /// the scene and copies the rest (View menu; on by default). With
    /// `remember`, the choice is stored.
    void setSmartPrecise(bool on, bool remember = true);
    bool smartPrecise() const { return m_smartPrecise.load(); }
    /// The View menu's check mark of that choice, besides the generic marks.
    void menuState(::s::gui::dialogs::dragndrop::MenuState& out) override;
    /// The choice's menu command, besides the generic ones.
    void onCommand(i32 command) override;

    /// The stored "CutMode" text of a mode: the radio button's text.
    const char16_t* cutModeText(i32 mode) const;

    /// Sets the scene, each position kept within 0 .. the loaded duration.
    void setPositions(i64 startUs, i64 endUs);
    i64 startUs() const { return m_startUs; }
    i64 endUs() const { return m_endUs; }
    i32 editing() const { return m_editing; }

    // -- moving the markers (window thread, while a file is loaded and no
    // cut runs). Every accepted change ends with one frame request for the
    // new position. --

    /// Moves the marker whose radio button is checked by `deltaUs`, kept
    /// within 0 .. duration; nothing when neither is checked or the marker
    /// stays where it is.
    void step(i64 deltaUs);
    /// `step` by `n` frames of the loaded file.
    void stepFrames(i64 n);
    /// A slider (`which`) was moved: its marker follows it and becomes the
    /// edited one.
    void onSliderMoved(i32 which);
    /// A time field's text changed: a complete time (as the field shows
    /// times, `kFieldTime`) moves the marker at once; the text stays as typed.
    void onTimeTyped(i32 which);
    /// Enter or focus loss in a time field: any readable time (seconds,
    /// m:ss or h:mm:ss with any numbers in every part, `kTypedTime`) moves
    /// the marker and the field then shows it in the field's form. Text that
    /// is no time stays as typed, marked as such with a status text, and the
    /// marker keeps its position.
    void onTimeCommitted(i32 which);
    /// The time field of `which` shows its marker's time again (Escape).
    void revertTime(i32 which);
    /// Whether a time field's text was found to be no time.
    bool isTimeInvalid(i32 which) const {
        return (which == kEditStart || which == kEditEnd) && m_timeInvalid[which];
    }
    /// A marker's radio button was clicked: the preview shows its position.
    void onMarkerChosen(i32 which);
    /// Makes `which` the edited marker (its radio button checked) and shows
    /// its frame: the keys that go to the start and the end.
    void chooseMarker(i32 which);
    /// Moves `which` to the position on show (the last one asked of the
    /// frame grabber) and makes it the edited marker.
    void setMarkerHere(i32 which);
    /// The position the preview shows or is about to show.
    i64 shownUs() const { return m_shownUs; }
    /// "UpdateVideoImage": copies the waiting picture into the preview.
    void onImageReady();

    /// The text of a position: "H:MM:SS.mmm" for precise cuts,
    /// "H:MM:SS" for lossless ones (the milliseconds dropped after rounding
    /// the position to whole milliseconds).
    static void formatTime(i64 us, i32 cutMode, str::strbuffer::StrBuffer& out);
    /// The size label's text: the largest non-zero 1024-unit with two
    /// truncated decimals ("1.50 KB", "1.02 GB"), "0 B" style below 1 KB,
    /// "-" for a negative count.
    static void sizeText(i64 bytes, str::strbuffer::StrBuffer& out);
    /// The duration label's text: "[HH:MM:SS]" of whole seconds.
    static void durationText(i64 us, str::strbuffer::StrBuffer& out);

    /// Starts the cut of the scene. True when the task started; false when
    /// busy, nothing loaded, the output folder fails its check, or the scene
    /// is empty (which a message explains).
    bool saveScene();

    /// "UpdateUI": takes over the newly opened file (positions, controls).
    void onProbeDone();

    /// Makes `info` the loaded file with its frame length and frame source
    /// (each may be null), under the model lock, asks the new source for
    /// position 0 and frees the previous ones. The opening task's hand-over before it sends "UpdateUI"; tests
    /// use it to load a file without probing one. Takes ownership.
    void replaceLoadedFile(VideoInfo* info, i64 frameUs, IFrameSource* source);

    /// The loaded file (null before the first open); the model lock must be
    /// held while it is used off the window's thread.
    const VideoInfo* videoInfo() const { return m_videoInfo; }
    /// For the view's "UpdateVideoImage" handling: copies the waiting
    /// preview picture into `image`; false when there is none.
    bool takeImage(image::win::BufferedImage* image);
    i64 frameUs() const { return m_frameUs; }
    thread::ObjLocker& modelLock() { return m_modelLock; }

    /// The message text of "ReportError" for a result code and the two
    /// names (also what the headless front end prints). A failure names
    /// `errorText` as its error when it is not empty, else says that the
    /// error is unknown. `outputFolder`, when given, is named after the
    /// output file; without an output name nothing was written, and the
    /// failure neither names one nor asks for the error report. A scene
    /// saved on the home folder because the "Desktop" choice has no desktop
    /// folder says so.
    void reportMessage(str::strbuffer::StrBuffer& out, i32 code, const char16_t* inputName,
                       const char16_t* outputName, const char16_t* errorText = nullptr,
                       const char16_t* outputFolder = nullptr, const char16_t* note = nullptr) const;
    /// The message of "OpenFailed": which file, why, and (when a file is
    /// loaded) that it stays loaded.
    void openFailureMessage(str::strbuffer::StrBuffer& out, const OpenFailure& failure,
                            bool keptLoaded) const;

    /// "Save as Image": the picture on show, copied at once, written in the
    /// type the chosen name's extension selects, through that type's stored
    /// encode setting. The save dialog opens on the remembered folder (first:
    /// the desktop) with "capture.<last extension>" (numbered when taken)
    /// and the remembered type first; the chosen folder and extension are
    /// remembered. Nothing happens before a video is loaded. A name whose
    /// extension selects no type, a setting that makes no picture and a
    /// failed write each write nothing and say so; a failed write leaves no
    /// partial file and the old file, if any, intact. Window thread.
    void saveFrameAsImage();

    /// The worker task: the open or the cut job for the first queued path.
    void run() override;

protected:
    bool prepareJob() override;
    void handleEvent(event::INamedEventSource& source) override;

private:
    friend class CutJob;
    friend class ProgressRelay;
    void openJob(const str::strbuffer::StrBuffer& path);
    void sendReport(i32 code, const str::strbuffer::StrBuffer& inputName,
                    const str::strbuffer::StrBuffer& outputName,
                    const str::strbuffer::StrBuffer& outputFolder);
    /// A cut whose input went away: a failure that names the reason.
    void reportMissingInput(const str::strbuffer::StrBuffer& inputName);
    /// Tells the window that `path` could not be loaded (from the task).
    void sendOpenFailure(const str::strbuffer::StrBuffer& path, const VideoInfo& info,
                         const str::strbuffer::StrBuffer& probeFailure);
    thread::ObjLocker& currentGrabLock();

    /// The marker whose radio button is checked (the view's, else the
    /// model's own record).
    i32 checkedMarker() const;
    /// Checks `which`'s radio button and unchecks the other.
    void checkMarker(i32 which);
    i64 markerUs(i32 which) const { return which == kEditEnd ? m_endUs : m_startUs; }
    /// `us` kept within 0 .. the duration shown.
    i64 clampToDuration(i64 us) const;
    /// Stores a marker, kept within 0 .. the duration shown.
    void setMarker(i32 which, i64 us);
    /// Shows the marker's time in its field (which then holds a time).
    void showMarkerTime(i32 which);
    /// Marks a time field as holding no time (`typed`, named in the status
    /// text) or clears the mark; the status text returns to "Ready" when
    /// the last mark goes.
    void markTimeInvalid(i32 which, bool invalid, std::u16string_view typed = {});
    void showMarkerSlider(i32 which);
    void requestFrame(i64 us);
    /// With SNIPFORGE_PREVIEW_TIMING set: one line on standard error per
    /// request and per picture shown.
    static void logPreviewTiming(const char* what, i64 us);

    // Guarded by the job lock.
    thread::Pooled<Setting> m_job;

    // Lock order: job lock, then model lock, then source lock, then the
    // grabber's own locks (request, wake, buffer); and model lock, then grab
    // lock (a cut holds the model lock around its tool run). The source lock
    // is let go before the grab lock is taken (currentGrabLock), and nobody
    // takes the job, model or source lock while holding the grab lock.
    thread::ObjLocker m_modelLock;
    // Replaced by the open job under the model lock; read by the window
    // after "UpdateUI" and by the cut job (which holds the model lock).
    VideoInfo* m_videoInfo = nullptr;
    // Guards the pointer (not the source): swapped by the open job, used by
    // the event handling. A replaced source is released outside this lock.
    thread::ObjLocker m_sourceLock;
    IFrameSource* m_frameSource = nullptr;
    i64 m_frameUs = 41666;
    FrameSourceFactory m_frameSourceFactory = nullptr;
    MoveFn m_moveFile = nullptr; // set while idle; used by the task
    SmartCutFn m_smartCut;       // set while idle; used by the task

    // Window thread.
    ICutterView* m_view = nullptr;
    /// The duration and frame length of the file the window shows, taken at
    /// "UpdateUI" (the task may already hold a newer file).
    i64 m_shownDurationUs = 0;
    i64 m_shownFrameUs = 41666;
    i64 m_startUs = 0;
    i64 m_endUs = 0;
    /// The position last asked of the frame grabber.
    i64 m_shownUs = 0;
    i32 m_editing = kEditStart;
    /// The time fields whose text was found to be no time.
    bool m_timeInvalid[2] = {false, false};
    /// Written on the window's thread while idle; read by the task.
    std::atomic<i32> m_cutMode{0};
    /// Written on the window's thread while idle; read by the task.
    std::atomic<bool> m_smartPrecise{true};
    /// How the last precise cut was made, for its result message (the
    /// task's own; empty for lossless cuts).
    str::strbuffer::StrBuffer m_cutNote;

    /// The report of the current cut attempt (the task's own).
    str::strbuffer::StrBuffer m_errorReport;
    /// The attempt's first error line, for the failure message (the task's
    /// own; empty when the runner gave none).
    str::strbuffer::StrBuffer m_firstError;
};

} // namespace s::video::gui::dialogs::snipforge
