#pragma once

#include "app/process/commandline/ICommandLine.h"
#include "foundation/str/StrArray.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"

#include <span>
#include <string_view>
#include <vector>

namespace s::process::commandline::win {

/// The parsed command line.
///
/// A plain argument is kept as it is. An argument that starts with "-" or
/// "--" followed by a name is a switch and is kept as "-" + name. A lone "-"
/// is a plain argument (the usual name of standard input); a lone "--" ends
/// the switches: it is not kept, and every argument after it is plain, so a
/// file whose name starts with "-" can still be given. Arguments are the
/// kernel's bytes (UTF-8 at this boundary).
class CommandLine final : public ICommandLine, public thread::IPoolable {
    S_POOLED_CLASS(CommandLine)

public:
    CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;
    ~CommandLine() override;

    /// Replaces the arguments by `arguments` (the program's name excluded).
    void parse(std::span<const char* const> arguments);
    /// Parses `argv[1..argc)`.
    void parse(int argc, const char* const* argv);
    /// Parses this process's own arguments from /proc/self/cmdline; false
    /// (and no arguments) when they cannot be read.
    bool parseOwnProcess();

    u32 count() const override;
    const char16_t* argument(u32 i) const override;
    /// Whether the switch `name` (without dashes) was given.
    bool hasSwitch(const char16_t* name) const;
    /// Whether the argument at `i` is a switch (a plain argument after "--"
    /// may read the same, "-name", and is not one).
    bool isSwitch(u32 i) const;

    const char16_t* getClassName() const override { return u"s_process_commandline_win_CommandLine"; }
    void reset() override;

private:
    void add(std::string_view argument, bool switchesEnded, bool* endsSwitches);

    str::strarray::StrArray* m_arguments; // owned, from its pool
    std::vector<bool> m_switches;         // parallel to m_arguments
};

} // namespace s::process::commandline::win
