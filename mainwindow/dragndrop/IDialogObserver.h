#pragma once

#include "foundation/base/Types.h"

namespace s::gui::dialogs::dragndrop {

/// What the dialog model tells its view. The window of the program maps the
/// notifications onto controls; the headless front end prints some of them.
/// Every notification arrives on the thread that delivers the dialog's named
/// events (the window's thread), except `onMessage`, which the worker task
/// may also make (see there). Default implementations do nothing.
class IDialogObserver {
public:
    virtual ~IDialogObserver() = default;
    /// A file was loaded: its name, its duration and its size as texts.
    virtual void onFileLoaded(const char16_t* /*name*/, const char16_t* /*durationText*/,
                              const char16_t* /*sizeText*/) {}
    virtual void onPositionsChanged(i64 /*startUs*/, i64 /*endUs*/) {}
    /// 0 = the start position is edited, 1 = the end position.
    virtual void onEditingChanged(i32 /*editing*/) {}
    /// 0 lossless, 1 precise.
    virtual void onCutModeChanged(i32 /*mode*/) {}
    /// The editing controls, all at once.
    virtual void onControlsEnabled(bool /*enabled*/) {}
    virtual void onBusyChanged(bool /*busy*/) {}
    virtual void onStatusText(const char16_t* /*text*/) {}
    /// The progress bar: range 0 .. `range`, position `value`.
    virtual void onProgress(i64 /*range*/, i64 /*value*/) {}
    /// A task started (true): the link box of the status bar is hidden and
    /// the progress box shown at its natural width. A task ended (false): the
    /// progress text is emptied, the progress box hidden and the link box
    /// shown again.
    virtual void onProgressBoxShown(bool /*shown*/) {}
    /// "UpdateVideoImage": a new preview picture waits. Return true when
    /// the view took it (through the dialog's frame source); false lets the
    /// dialog drop it.
    virtual bool onImageReady() { return false; }
    /// A message box. From the window's thread, or from the worker task when
    /// the output file cannot be reserved (the view must then hand it over
    /// to its own thread). On the window's thread the box is modal: the call
    /// returns when the user closed it.
    virtual void onMessage(const char16_t* /*text*/) {}
    /// The message after a scene was saved as `path` (its full path): the
    /// window's box offers to show the file in the file manager. Window's
    /// thread; the default shows `text` as any other message.
    virtual void onSceneSaved(const char16_t* text, const char16_t* /*path*/) { onMessage(text); }
};

} // namespace s::gui::dialogs::dragndrop
