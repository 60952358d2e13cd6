#pragma once

#include "foundation/base/Result.h"
#include "foundation/base/Types.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace s::video::tool {

/// One conversion: parses the arguments, opens the input and the output,
/// and runs the read-decode-filter-encode-write loop. Every piece of state
/// lives in the run, so runs may follow one another in a process; one run
/// uses one thread.
class ConversionRun {
public:
    /// Called with the output time in whole seconds, at most every half
    /// second while the run goes on and once at its successful end.
    using Progress = std::function<void(i64 outputSeconds)>;

    /// `stop` is polled at every turn of the loop and while decoding.
    ConversionRun(const std::atomic<bool>& stop, Progress progress);
    ~ConversionRun();
    ConversionRun(const ConversionRun&) = delete;
    ConversionRun& operator=(const ConversionRun&) = delete;

    /// Runs the command `args` (args[0] is the program name). Log lines go to
    /// the libraries' log (standard error). Ok when the output was written
    /// completely; stopped when the stop flag was seen first (the output is
    /// not finished); failed, with the first reason in one line, for bad
    /// options, open or conversion errors.
    base::Result execute(const std::vector<std::string>& args);

private:
    const std::atomic<bool>& m_stop;
    Progress m_progress;
};

} // namespace s::video::tool
