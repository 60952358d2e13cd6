#include "media/system/MessageSink.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace s::system {

namespace {

std::mutex& sinkLock() {
    static std::mutex lock;
    return lock;
}

IMessageSink* g_sink = nullptr; // guarded by sinkLock()

void writeToStandardError(const str::strbuffer::StrBuffer& text) {
    std::string line = text.toStdString();
    if (line.empty() || line.back() != '\n')
        line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace

void setMessageSink(IMessageSink* sink) {
    std::lock_guard guard(sinkLock());
    g_sink = sink;
}

void showInfo(const str::strbuffer::StrBuffer& text) {
    // Held across the call: notices are shown one at a time, and a sink that
    // is being replaced is never called after setMessageSink returned.
    std::lock_guard guard(sinkLock());
    if (g_sink)
        g_sink->showInfo(text);
    else
        writeToStandardError(text);
}

} // namespace s::system
