#include "mainwindow/dragndrop/Dialog.h"

#include "foundation/lang/Localizer.h"
#include "foundation/map/IMappedData.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace s::gui::dialogs::dragndrop {

using str::strbuffer::StrBuffer;
using Guard = std::lock_guard<thread::ObjLocker>;

namespace {

constexpr i64 kMaxProgressRange = 16777215;
constexpr i64 kMaxProgressTotal = 32767;

i64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// Whether the cut job can write into `folder`: an existing folder that can
// be read and written, or a missing one whose parent is a writable folder
// (the job makes it).
bool isUsableOutputFolder(const file::win::PathWin& folder) {
    if (folder.exists())
        return folder.isFolder() && folder.canReadWrite();
    file::win::PathHandle parent(folder.parentOrNull());
    return parent && parent->exists() && parent->isFolder() && parent->canWrite();
}

} // namespace

Dialog::Dialog(const DialogContext& context)
    : m_context(context), m_worker(thread::makePooled<thread::win::Thread>()) {
    // Below normal, so that a long cut does not make the desktop sluggish.
    m_worker->setPriority(-1);
}

Dialog::~Dialog() {
    m_stopRequested.store(true);
    if (m_worker)
        m_worker->waitIdle();
}

void Dialog::loadSettings() {
    m_outputFolderMode = defaultOutputFolderMode();
    if (map::IMappedData* settings = m_context.settings) {
        m_outputFolderMode = settings->getS32(kFileGroup, kOutputFolderSettingKey, defaultOutputFolderMode());
        m_customOutputFolder.set(settings->getString(kFileGroup, kOutputDirCustomPathKey, u""));
    }
    // A value no version of the program writes would resolve to no folder at
    // all and refuse every file.
    if (m_outputFolderMode != kOutputCustom && m_outputFolderMode != kOutputSameFolder &&
        m_outputFolderMode != kOutputSubFolder && m_outputFolderMode != kOutputDesktop)
        m_outputFolderMode = defaultOutputFolderMode();
}

const char16_t* Dialog::text(i32 id, const char16_t* english) const {
    if (lang::Localizer* localizer = m_context.localizer; localizer && localizer->hasText(id))
        return localizer->getText(id);
    return english;
}

bool Dialog::openPaths(const str::strarray::StrArray& paths) {
    if (paths.size() == 0)
        return false;
    Guard guard(m_jobLock);
    if (m_busy || !prepareJob())
        return false;
    if (!checkOutputFolder(paths.get(0)->c_str()))
        return false;
    for (u32 i = 0; i < paths.size(); ++i)
        m_inputPaths.append(paths.get(i)->c_str());
    m_busy = true;
    startTask();
    return true;
}

bool Dialog::checkOutputFolder(const char16_t* inputPath) {
    m_resolvedOutputFolder.reset();
    StrBuffer folder;
    if (m_outputFolderMode == kOutputCustom) {
        if (m_customOutputFolder.length() > 0)
            folder.set(m_customOutputFolder);
        else
            m_outputFolderMode = kOutputSameFolder; // in memory only, as the menu shows it
    }
    if (m_outputFolderMode == kOutputDesktop) {
        folder.set(file::win::desktopFolder());
    } else if (m_outputFolderMode == kOutputSameFolder || m_outputFolderMode == kOutputSubFolder) {
        file::win::PathHandle input(file::win::newPath(inputPath));
        if (input->isAbsolute())
            input->folderNoSlashInto(&folder, false);
        if (folder.length() > 0 && m_outputFolderMode == kOutputSubFolder) {
            if (!folder.endsWith(u"/"))
                folder.append(u'/');
            folder.append(text(608225, u"Cuts"));
        }
    }
    const char16_t* head = text(608299, u"The output folder is inaccessible or write-protected.");
    if (folder.length() == 0) {
        notifyMessage(head);
        return false;
    }
    m_resolvedOutputFolder.reset(file::win::newPath(folder));
    if (!isUsableOutputFolder(*m_resolvedOutputFolder)) {
        StrBuffer message;
        message.append(head).append(u"\r\n\"").append(folder).append(u'"');
        notifyMessage(message.c_str());
        return false;
    }
    return true;
}

void Dialog::setOutputFolderMode(i32 mode) {
    m_outputFolderMode = mode;
    if (m_context.settings)
        m_context.settings->setS32(kFileGroup, kOutputFolderSettingKey, mode);
}

void Dialog::chooseCustomOutputFolder(const char16_t* folder) {
    if (map::IMappedData* settings = m_context.settings) {
        settings->setString(kFileGroup, kLastBrowsedOutputDirKey, folder);
        settings->setString(kFileGroup, kOutputDirCustomPathKey, folder);
    }
    m_customOutputFolder.set(folder);
    setOutputFolderMode(kOutputCustom);
}

void Dialog::useOutputFolderForRun(const char16_t* folder) {
    m_customOutputFolder.set(folder);
    m_outputFolderMode = kOutputCustom;
}

i32 Dialog::displayScaleFor(i32 width, i32 height) {
    if (width >= 4097 && height >= 3240)
        return 4;
    if (width >= 1921 && height >= 1620)
        return 2;
    return 1;
}

const char16_t* Dialog::viewGroupFor(i32 scale) {
    return scale >= 4 ? u"View8K" : (scale >= 2 ? u"View4K" : u"View");
}

void Dialog::onClose(i32 width, i32 height) {
    if (map::IMappedData* settings = m_context.settings; settings && width > 0 && height > 0) {
        StrBuffer group;
        group.append(u"MainWindow\\").append(viewGroupFor(m_scale));
        settings->setS32(group.c_str(), m_compactView ? u"SmallWidth" : u"LargeWidth", width);
        settings->setS32(group.c_str(), m_compactView ? u"SmallHeight" : u"LargeHeight", height);
    }
    requestStop(false);
}

void Dialog::requestStop(bool wait) {
    m_stopRequested.store(true);
    if (wait) {
        m_worker->waitIdle();
        m_stopRequested.store(false);
    } else {
        notifyStatus(text(609440, u"Canceling.."));
    }
}

bool Dialog::isBusy() const {
    Guard guard(const_cast<thread::ObjLocker&>(m_jobLock));
    return m_busy;
}

void Dialog::waitUntilIdle() {
    for (;;) {
        {
            std::unique_lock<thread::ObjLocker> lock(m_jobLock);
            m_idleChanged.wait(lock, [this] { return !m_busy; });
        }
        // The end event comes from the task's last steps; its run returns
        // just after.
        m_worker->waitIdle();
        Guard guard(m_jobLock);
        if (!m_busy)
            return;
    }
}

void Dialog::startTask() {
    m_stopRequested.store(false);
    // A task that just sent its end event may still be returning; a new
    // start must not be merged into its finishing run.
    m_worker->waitIdle();
    if (m_observer)
        m_observer->onBusyChanged(true);
    m_worker->execute(this);
}

void Dialog::notifyMessage(const char16_t* message) {
    if (m_observer)
        m_observer->onMessage(message);
}

void Dialog::showMessageNotOnTop(const char16_t* message) {
    // A window that stays on top would hide the box behind it.
    const bool onTop = m_behaviour && m_behaviour->isKeepOnTop();
    if (onTop)
        m_behaviour->setKeepOnTop(false);
    notifyMessage(message);
    if (onTop)
        m_behaviour->setKeepOnTop(true);
}

void Dialog::showSavedMessageNotOnTop(const char16_t* message, const char16_t* path) {
    const bool onTop = m_behaviour && m_behaviour->isKeepOnTop();
    if (onTop)
        m_behaviour->setKeepOnTop(false);
    if (m_observer)
        m_observer->onSceneSaved(message, path);
    if (onTop)
        m_behaviour->setKeepOnTop(true);
}

void Dialog::notifyStatus(const char16_t* status) {
    if (m_observer)
        m_observer->onStatusText(status);
}

void Dialog::reportStart() {
    if (m_context.hooks)
        m_context.hooks->processStarted(m_context.target);
    if (m_context.target)
        m_context.target->sendEvent(event::kProcessStatusStart, 0, 0, nullptr);
}

void Dialog::reportProgress(i64 total, i64 current, base::IObject* statusText) {
    if (m_context.hooks)
        m_context.hooks->processProgress(m_context.target, total, current);
    if (m_context.target)
        m_context.target->sendEvent(event::kProcessStatusUpdate, total, current, statusText);
}

void Dialog::reportEnd() {
    if (m_context.hooks)
        m_context.hooks->processEnded(m_context.target);
    if (m_context.target) {
        m_context.target->sendEvent(event::kProcessStatusEnd, 0, 0, nullptr);
    } else {
        // Nobody delivers the end event: leave the busy state here.
        {
            Guard guard(m_jobLock);
            m_inputPaths.clear();
            m_busy = false;
        }
        m_idleChanged.notify_all();
    }
}

void Dialog::onNamedEvent(event::INamedEventSource& source) {
    handleEvent(source);
    const char16_t* name = source.getEventName();
    if (name == event::kProcessStatusStart) {
        m_jobStartMs = nowMs();
        if (m_observer) {
            m_observer->onProgressBoxShown(true);
            m_observer->onProgress(1000, 0);
        }
    } else if (name == event::kProcessStatusUpdate) {
        if (m_stopRequested.load())
            return;
        i64 total = source.getEventA();
        i64 current = source.getEventB();
        while (total > kMaxProgressTotal) {
            total >>= 1;
            current >>= 1;
        }
        if (m_observer && total + 1 <= kMaxProgressRange)
            m_observer->onProgress(total + 1, current + 1);
        if (auto* status = dynamic_cast<StrBuffer*>(source.getEventObject()))
            notifyStatus(status->c_str());
    } else if (name == event::kProcessStatusEnd) {
        if (m_observer)
            m_observer->onProgress(1, 1);
        notifyStatus(text(609460, u"Done!"));
        notifyStatus(text(609450, u"Ready"));
        if (m_observer)
            m_observer->onProgressBoxShown(false);
        m_jobStartMs = 0;
        {
            Guard guard(m_jobLock);
            m_inputPaths.clear();
            m_stopRequested.store(false);
            m_busy = false;
        }
        m_idleChanged.notify_all();
        if (m_observer)
            m_observer->onBusyChanged(false);
    }
}

} // namespace s::gui::dialogs::dragndrop
