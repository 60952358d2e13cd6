#pragma once

#include "foundation/base/Types.h"
#include "foundation/event/NamedEvents.h"
#include "foundation/str/StrBuffer.h"

#include <string>
#include <string_view>

// Reading the console output of the external converter: the output is cut
// into chunks at carriage returns; a chunk that holds "time=" is a progress
// report, every other chunk is diagnostic text kept for the error report.
namespace s::video::tool {

/// What one chunk of tool output says.
struct ProgressParse {
    enum Kind {
        kNotProgress, ///< no "time=": diagnostic text
        kNoValue,     ///< "time=" without a space or tab after it: nothing to report
        kValue,       ///< a progress value in `total` and `current`
    };
    Kind kind = kNotProgress;
    i64 total = 0;
    i64 current = 0;
};

/// Parses one chunk (without its carriage return) against a scene of
/// `durationMs`. From the last "time=" (any case) up to the next space or
/// tab, "H:M:S.hh" (or the old "S.hh") gives the output time; hundredths
/// count ten milliseconds, a part that is not a whole number counts as 0.
/// The total is the duration (at least 1) and both values are divided by 10
/// while the total is above 10000; the current value is kept within
/// [1, total] and never below 40 % of the total.
[[nodiscard]] ProgressParse parseProgressChunk(std::string_view chunk, i64 durationMs);

/// Chunk-by-chunk handling of a tool's output during one run: progress goes
/// to the process hooks and then to the status target as
/// "ProcessStatusUpdate" (a = total, b = current, object = the status text);
/// other chunks go to the error report under the header "[FFmpeg Output]:"
/// while the report holds at most 20000 characters (checked before each
/// chunk, so one chunk may carry it past the limit).
///
/// Targets, hooks and report may be null. Bytes are UTF-8; a chunk is
/// decoded when it is complete, so a character is never split. Not locked:
/// used by the one thread that runs the tool.
class ToolOutputReader {
public:
    static constexpr u32 kReportLimit = 20000;

    ToolOutputReader(i64 durationMs, const str::strbuffer::StrBuffer* statusText,
                     event::INamedEventTarget* target, event::IProcessHooks* hooks,
                     str::strbuffer::StrBuffer* errorReport);
    ~ToolOutputReader();
    ToolOutputReader(const ToolOutputReader&) = delete;
    ToolOutputReader& operator=(const ToolOutputReader&) = delete;

    /// Takes the next bytes of output.
    void feed(std::string_view bytes);
    /// The output ended: the last chunk counts even without a carriage
    /// return after it (a failing tool's final message usually ends in a line
    /// feed only).
    void finish();
    /// Adds `line` and a line feed to the report under the header (for
    /// problems of the run itself, such as a tool that cannot be started).
    void addNote(std::string_view line);

private:
    void endChunk();
    void keep(std::string_view text);

    i64 m_durationMs;
    str::strbuffer::StrBuffer* m_statusText; // own copy; the event payload
    event::INamedEventTarget* m_target;
    event::IProcessHooks* m_hooks;
    str::strbuffer::StrBuffer* m_errorReport;
    std::string m_chunk;        // bytes since the last carriage return
    bool m_headerAdded = false; // "[FFmpeg Output]:" is in the report
};

} // namespace s::video::tool
