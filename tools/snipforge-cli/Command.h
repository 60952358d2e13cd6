#pragma once

#include <span>
#include <string>

namespace s::lang {
class Localizer;
}

namespace s::cli {

/// Exit statuses shared by every sub-command.
enum ExitStatus : int {
    kExitSuccess = 0,
    kExitFailure = 1, // the work was tried and failed; the reason is on stderr
    kExitUsage = 2,   // the command line was not understood
    // 128 + N: SIGINT, SIGTERM or SIGHUP (N) stopped the work, which was
    // cleaned up as after a cancel.
};

/// The registry identifier of the product, under which the window keeps its
/// settings.
inline constexpr const char16_t* kProductIdentifier = u"Zarvo Snipforge";

/// One sub-command of the headless front end.
struct Command {
    const char* name;
    const char* usage;   // the arguments after the name, for the usage text
    const char* summary; // one line
    bool needsMedia;     // runs only when the media libraries loaded
    /// Runs with the arguments after the sub-command's name; returns an
    /// `ExitStatus`.
    int (*run)(std::span<char* const> args);
};

/// The sub-commands, in the order the usage text lists them.
std::span<const Command> commands();

/// The language pack in the system's language (LANGUAGE, LC_ALL,
/// LC_MESSAGES, LANG), loaded on first use and kept; null when it does not
/// load.
lang::Localizer* localizer();
/// Text `id` of the pack as UTF-8 in the system's language (no-break spaces
/// made plain), or `english` when the pack lacks it.
std::string text(int id, const char* english);

/// Writes "snipforge-cli: <text>" and a line feed to standard error.
void printError(const char* text);

// The sub-commands' entry points.
int runProbe(std::span<char* const> args);
int runTool(std::span<char* const> args);
int runCut(std::span<char* const> args);
int runFrame(std::span<char* const> args);

} // namespace s::cli
