#pragma once

#include "foundation/str/StrBuffer.h"

namespace s::system {

/// Where the media engine's user-facing notices go (missing libraries,
/// encoders or formats). The window serves it with its information message
/// box; without a window the notices go to standard error.
class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    /// Shows one notice. Called on the thread that hit the problem, one
    /// notice at a time; must not call `setMessageSink`.
    virtual void showInfo(const str::strbuffer::StrBuffer& text) = 0;
};

/// Installs `sink` for every later notice; null restores standard error. The
/// caller keeps `sink` alive until it is replaced. Any thread.
void setMessageSink(IMessageSink* sink);

/// Passes `text` to the installed sink (standard error when none is set).
/// Notices never overlap: a second caller waits for the first.
void showInfo(const str::strbuffer::StrBuffer& text);

} // namespace s::system
