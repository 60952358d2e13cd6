#pragma once

// Times as people and command lines write them: "75.5", "1:15.5",
// "0:01:15.500". Every reader and writer of a position or a length in the
// program goes through here, so that a time the window shows is one the
// command lines and the converter read the same way.

#include "foundation/base/Types.h"

#include <string_view>

namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::str::timetext {

/// Which spellings of a time a reader takes. The grammar is one for all:
/// an optional '-', one to three ':'-separated whole fields (seconds,
/// minutes:seconds, or hours:minutes:seconds) and an optional fraction of
/// the last; the flags narrow or widen it.
struct TimeSyntax {
    bool seconds = true;         ///< "75", "75.5"
    bool minutesSeconds = true;  ///< "1:15", "1:15.5"
    bool clock = true;           ///< "0:01:15", "0:01:15.5"
    bool twoDigitFields = false; ///< minutes and seconds of a clock as exactly two digits ("0:01:05")
    bool fieldsBelow60 = false;  ///< every field after the first under 60
    bool sign = false;           ///< a leading '-' makes the whole time negative
    u32 maxFractionDigits = 0;   ///< 0: any number, rounded half up to whole microseconds
    bool typed = false;          ///< blanks around the text; ',' as decimal mark too
    bool unitSuffix = false;     ///< "s", "ms" or "us" after the time; a bare number is seconds
    bool saturate = false;       ///< too large a time becomes the largest instead of failing
};

/// The window's time field as it shows times: "H:MM:SS" with an optional
/// fraction of up to three digits.
inline constexpr TimeSyntax kFieldTime{.seconds = false,
                                       .minutesSeconds = false,
                                       .twoDigitFields = true,
                                       .sign = true,
                                       .maxFractionDigits = 3,
                                       .typed = true,
                                       .saturate = true};
/// What may be typed into the window's time field: also "75" and "1:15.5",
/// with any numbers in every part ("0:90:0"). Values are clamped to the
/// file afterwards, so huge ones saturate.
inline constexpr TimeSyntax kTypedTime{.sign = true, .maxFractionDigits = 3, .typed = true, .saturate = true};
/// A position for the frame command: seconds or "h:mm:ss", as the slider
/// shows it; "m:ss" is refused.
inline constexpr TimeSyntax kFramePosition{.minutesSeconds = false, .fieldsBelow60 = true};
/// A marker for the cut command: seconds, "m:ss" or "h:mm:ss".
inline constexpr TimeSyntax kCutPosition{.fieldsBelow60 = true};
/// The converter's "-ss" and "-t": the tool's duration syntax,
/// "[-][HH:]MM:SS[.m...]" or "[-]S[.m...][s|ms|us]".
inline constexpr TimeSyntax kToolDuration{.fieldsBelow60 = true, .sign = true, .unitSuffix = true};

/// Reads `text` as `syntax` allows into `us` (microseconds). False, with
/// `us` untouched, for anything else, for an empty text and, unless the
/// syntax saturates, for a time beyond the range of `i64`.
[[nodiscard]] bool parseTime(std::u16string_view text, const TimeSyntax& syntax, i64& us);
[[nodiscard]] bool parseTime(std::string_view text, const TimeSyntax& syntax, i64& us);

/// How a writer shows a time: hours take at least `hourDigits` digits,
/// minutes and seconds two, then a fraction of `fractionDigits` (0, 2 or 3).
/// `roundToMilliseconds` rounds the time half away from zero to whole
/// milliseconds first, and a time that rounds to zero has no sign; without
/// it the fraction is cut off and a negative time keeps its '-'.
struct ClockStyle {
    u32 hourDigits = 2;
    u32 fractionDigits = 3;
    bool roundToMilliseconds = true;
};

/// The window's field in a precise cut: "1:02:03.457".
inline constexpr ClockStyle kFieldClockMs{.hourDigits = 1, .fractionDigits = 3};
/// The window's field in a lossless cut: "1:02:03" (milliseconds rounded
/// first, so 0.9999995 s shows as a whole second).
inline constexpr ClockStyle kFieldClock{.hourDigits = 1, .fractionDigits = 0};
/// Command lines: "01:02:03.457".
inline constexpr ClockStyle kCommandClock{};
/// The probe report: "01:02:03.45", hundredths cut off.
inline constexpr ClockStyle kReportClock{.fractionDigits = 2, .roundToMilliseconds = false};
/// A file's length: "01:02:03", whole seconds cut off.
inline constexpr ClockStyle kLengthClock{.fractionDigits = 0, .roundToMilliseconds = false};

/// Appends `us` as `style` says; returns `out`.
strbuffer::StrBuffer& appendClock(strbuffer::StrBuffer& out, i64 us, const ClockStyle& style);

/// A time split for names and labels: rounded half away from zero to whole
/// milliseconds, then hours, minutes, seconds and milliseconds of its
/// magnitude.
struct TimeParts {
    i64 hours = 0;
    i32 minutes = 0;
    i32 seconds = 0;
    i32 millis = 0;
};
[[nodiscard]] TimeParts splitTime(i64 us);

} // namespace s::str::timetext
