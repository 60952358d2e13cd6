#pragma once

// Helpers of the window tests that build real windows: running code on the
// toolkit's thread and waiting there for a condition.

#include "foundation/str/StrBuffer.h"
#include "gui/win/UIThread.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace s::test {

inline std::string utf8(const char16_t* text) {
    str::strbuffer::StrBuffer b;
    b.set(text ? text : u"");
    return b.toStdString();
}

/// Runs `fn` on the toolkit's thread and waits for it.
inline bool onUi(const std::function<void()>& fn) {
    return gui::win::UIThread::instance().invoke(fn);
}

/// Polls `pred` on the toolkit's thread until it holds or `timeoutMs` pass.
template <class Pred>
bool waitUntil(Pred pred, int timeoutMs, int pollMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        bool done = false;
        onUi([&] { done = pred(); });
        if (done)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return false;
}

} // namespace s::test
