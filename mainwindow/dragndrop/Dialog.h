#pragma once

#include "foundation/event/INamedEventListener.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/file/win/PathWin.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/thread/ITask.h"
#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/win/Thread.h"
#include "mainwindow/dragndrop/IDialogObserver.h"
#include "mainwindow/dragndrop/IMenuView.h"

#include <atomic>
#include <condition_variable>

namespace s::map {
class IMappedData;
}
namespace s::lang {
class Localizer;
}

namespace s::gui::dialogs::dragndrop {

/// Output folder modes ("OutputFolderSetting").
enum OutputFolderMode : i32 {
    kOutputCustom = 0,      ///< the custom folder ("OutputDirCustomPath0")
    kOutputSameFolder = 11, ///< the input's folder
    kOutputSubFolder = 12,  ///< the "Cuts" sub-folder of the input's folder
    kOutputDesktop = 13,    ///< the user's desktop
};

/// Settings groups and keys of the window.
inline constexpr const char16_t* kFileGroup = u"MainWindow\\File";
inline constexpr const char16_t* kViewGroup = u"MainWindow\\View";
inline constexpr const char16_t* kOutputFolderSettingKey = u"OutputFolderSetting";
inline constexpr const char16_t* kOutputDirCustomPathKey = u"OutputDirCustomPath0";
inline constexpr const char16_t* kLastBrowsedOutputDirKey = u"LastBrowsedOutputDirPath";
inline constexpr const char16_t* kLastBrowsedFileLoadDirKey = u"LastBrowsedFileLoadDirPath";
inline constexpr const char16_t* kCutModeKey = u"CutMode";

/// What the application gives a dialog. Nothing is owned; everything must
/// outlive the dialog. Each member may be null: without settings nothing is
/// read or stored, without a localizer the English texts are used.
struct DialogContext {
    map::IMappedData* settings = nullptr;
    lang::Localizer* localizer = nullptr;
    event::IProcessHooks* hooks = nullptr;
    /// The window: receives the worker's named events.
    event::INamedEventTarget* target = nullptr;
};

/// The model of a window that takes dropped files and runs one task on them
/// on its worker thread: the output folder, the queue of input paths, the
/// busy state, the stop request and the status bar. Subclasses answer the
/// variation points and supply the task.
///
/// Threads: the model lives on the thread that delivers its named events
/// (the window's); `openPaths` and the other user operations are called
/// there (or, headless, from one controlling thread). The task runs on the
/// worker and reaches the model through named events and the fields guarded
/// by the job lock.
class Dialog : public base::IObject, public thread::ITask, public event::INamedEventListener {
public:
    explicit Dialog(const DialogContext& context);
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    /// Asks a running task to stop and waits for the worker.
    ~Dialog() override;

    /// Not pooled: a dialog owns a window.
    base::IObject* newInstance() const override { return nullptr; }

    /// The settings part of building the window: reads the output folder
    /// mode and the custom folder. A stored mode the program does not know
    /// is taken as the default mode (in memory only).
    virtual void loadSettings();

    void setObserver(IDialogObserver* observer) { m_observer = observer; }
    /// The context's settings store and localizer (each may be null).
    map::IMappedData* settings() const { return m_context.settings; }
    lang::Localizer* localizer() const { return m_context.localizer; }
    /// Which layout the window shows: the close event stores the window
    /// size under that layout's keys. Window thread.
    void setCompactView(bool compact) { m_compactView = compact; }
    bool isCompactView() const { return m_compactView; }
    /// The menu bar and the standard dialogs that menu commands use; not
    /// owned. Without one, commands that need it do nothing.
    void setMenuView(IMenuView* menu) { m_menu = menu; }
    /// The window behaviours that commands and messages switch; not owned.
    void setWindowBehaviour(IWindowBehaviour* behaviour) { m_behaviour = behaviour; }

    /// How the menus are to be built from the settings and the window's
    /// state: the output-folder radio position (a custom mode without a
    /// custom folder falls back to the same-folder mode, in memory only),
    /// whether the custom entry exists and its text, the View menu's check
    /// marks (from the window behaviours, when set) and the current
    /// language. Call once, after `loadSettings`, when the menus are built:
    /// the dialog then takes the custom entry as present in the menu.
    virtual void menuState(MenuState& out);

    /// A menu command (the id the menu bar reports). Ids without a meaning
    /// are ignored. Window thread.
    virtual void onCommand(i32 command);

    /// The maker's link label of the status bar was clicked.
    void openMakerPage();

    /// The text of `id` in the current language, or `english` when the
    /// language pack has none.
    const char16_t* text(i32 id, const char16_t* english) const;

    /// Queues `paths` and starts the task, unless a task runs or the output
    /// folder check of the first path fails. True when the task started.
    bool openPaths(const str::strarray::StrArray& paths);

    /// Resolves the output folder for `inputPath` by the output folder mode
    /// and tests that the cut job can write there; shows a message and
    /// returns false otherwise. The folder is kept as the resolved output
    /// folder.
    bool checkOutputFolder(const char16_t* inputPath);

    /// Sets and stores the output folder mode (11, 12, 13 or 0).
    void setOutputFolderMode(i32 mode);
    /// After the folder dialog: stores the folder as the custom folder and
    /// the last browsed folder and switches to the custom mode.
    void chooseCustomOutputFolder(const char16_t* folder);
    /// Uses `folder` as the custom output folder without storing anything
    /// (the headless front end's "--out").
    void useOutputFolderForRun(const char16_t* folder);

    i32 outputFolderMode() const { return m_outputFolderMode; }
    const str::strbuffer::StrBuffer& customOutputFolder() const { return m_customOutputFolder; }
    /// The folder of the last successful or failed check; null before.
    const file::win::PathWin* resolvedOutputFolder() const { return m_resolvedOutputFolder.get(); }

    /// The display scale for a primary screen of width x height pixels: 4
    /// from 4097 x 3240, 2 from 1921 x 1620, else 1 (both sizes must reach
    /// the bound).
    [[nodiscard]] static i32 displayScaleFor(i32 width, i32 height);
    /// The settings group of the window sizes for a scale: "View", "View4K"
    /// or "View8K".
    [[nodiscard]] static const char16_t* viewGroupFor(i32 scale);
    void setDisplayScale(i32 scale) { m_scale = scale; }
    i32 displayScale() const { return m_scale; }

    /// The window's close event: stores its size under the keys of the
    /// current layout (nothing for a size of 0, as for a maximized window),
    /// then asks the task to stop without waiting.
    void onClose(i32 width, i32 height);

    /// Sets the stop flag the task polls. With `wait`, blocks until the
    /// worker is idle and clears the flag again; must then not be called on
    /// the thread that delivers the dialog's events (the task waits for it).
    /// Without `wait`, shows "Canceling.." as the status text.
    void requestStop(bool wait);
    bool isStopRequested() const { return m_stopRequested.load(); }

    /// A task was started and its "ProcessStatusEnd" has not arrived.
    bool isBusy() const;
    /// Blocks until no task is pending or running: the busy state is clear
    /// and the worker idle. Not on the event thread.
    void waitUntilIdle();

    /// Named events delivered on the window's thread: the subclass's
    /// handling first, then the status bar's.
    void onNamedEvent(event::INamedEventSource& source) override;

private:
    void chooseOutputFolderByDialog();
    void openByDialog();
    void selectLanguage(i32 index);
    /// The text of the custom-folder entry for `folder`.
    void customEntryText(str::strbuffer::StrBuffer& out, const char16_t* folder) const;

protected:
    /// Fills the job record for an open; false cancels the open.
    virtual bool prepareJob() = 0;
    /// The subclass's event handling; runs before the generic handling.
    virtual void handleEvent(event::INamedEventSource& /*source*/) {}
    virtual i32 defaultOutputFolderMode() const { return kOutputSameFolder; }

    /// Hands the task to the worker. Call with the job lock held, busy set.
    void startTask();
    void notifyMessage(const char16_t* text);
    /// A message box during which the window does not stay on top of other
    /// windows; its keep-on-top state is restored afterwards.
    void showMessageNotOnTop(const char16_t* text);
    /// The same for the message of a saved scene (`path`: the new file).
    void showSavedMessageNotOnTop(const char16_t* text, const char16_t* path);
    void notifyStatus(const char16_t* text);
    /// Calls the process hook and sends the event (a worker's status report).
    void reportStart();
    void reportProgress(i64 total, i64 current, base::IObject* text);
    void reportEnd();

    DialogContext m_context;
    IDialogObserver* m_observer = nullptr;   // window thread
    IMenuView* m_menu = nullptr;             // window thread
    IWindowBehaviour* m_behaviour = nullptr; // window thread

    // Guarded by m_jobLock: the queue, the busy flag and the job record of
    // the subclass. Lock order: m_jobLock before the subclass's own locks
    // (the cutter's model lock); the task lets it go before it runs a job.
    thread::ObjLocker m_jobLock;
    str::strarray::StrArray m_inputPaths;
    bool m_busy = false;
    // Notified after m_busy went false, for waitUntilIdle.
    std::condition_variable_any m_idleChanged;

    /// Polled by the task; set from the window thread.
    std::atomic<bool> m_stopRequested{false};
    i64 m_jobStartMs = 0;       // window thread
    i32 m_scale = 1;            // window thread
    bool m_compactView = false; // window thread

    // Window thread; read by the task only while the window waits for it.
    i32 m_outputFolderMode = kOutputSameFolder;
    str::strbuffer::StrBuffer m_customOutputFolder;
    file::win::PathHandle m_resolvedOutputFolder;
    /// The File menu has the custom-folder entry (window thread).
    bool m_customEntryInMenu = false;

    thread::Pooled<thread::win::Thread> m_worker;
};

} // namespace s::gui::dialogs::dragndrop
