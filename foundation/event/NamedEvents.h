#pragma once

#include "foundation/base/IObject.h"

namespace s::event {

/// Names of the events workers send to the window. Receivers compare names by
/// identity with these constants, never by content, so senders must pass
/// these very pointers. They are arrays, not pointers to literals: an inline
/// array is one object in the whole program, while equal literals of
/// different files need not share an address (they do not under
/// AddressSanitizer).
inline constexpr char16_t kProcessStatusStart[] = u"ProcessStatusStart";
inline constexpr char16_t kProcessStatusUpdate[] = u"ProcessStatusUpdate";
inline constexpr char16_t kProcessStatusEnd[] = u"ProcessStatusEnd";
inline constexpr char16_t kUpdateUI[] = u"UpdateUI";
inline constexpr char16_t kReportError[] = u"ReportError";
inline constexpr char16_t kUpdateVideoImage[] = u"UpdateVideoImage";
/// The opening task could not load a file (the object says which and why).
inline constexpr char16_t kOpenFailed[] = u"OpenFailed";

/// Something that receives named events on its own thread: the window, or the
/// headless front end's event loop.
class INamedEventTarget {
public:
    virtual ~INamedEventTarget() = default;
    /// May be called from any thread. Runs the receiver's named-event
    /// listeners one at a time on the receiver's thread and blocks until they
    /// are done; returns the result a listener set (0 by default). Returns 0
    /// at once when the receiver has no thread to deliver on (closed or
    /// gone). A listener must never wait for the thread that sent the event.
    virtual i64 sendEvent(const char16_t* name, i64 a, i64 b, base::IObject* object) = 0;
};

/// The application's hooks around a worker's job, called just before the
/// matching status event; the taskbar progress display mirrors them where the
/// desktop has one. Every hook may be called from any worker thread.
class IProcessHooks {
public:
    virtual ~IProcessHooks() = default;
    virtual void processStarted(INamedEventTarget* target) = 0;
    virtual void processProgress(INamedEventTarget* target, i64 total, i64 current) = 0;
    virtual void processEnded(INamedEventTarget* target) = 0;
};

} // namespace s::event
