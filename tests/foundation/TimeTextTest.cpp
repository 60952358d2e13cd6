// Times as text: the one reader and writer of positions and lengths that the
// window, the command lines, the converter and the probe report share.

#include "foundation/str/TimeText.h"
#include "foundation/str/StrBuffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

using s::i64;
using s::str::strbuffer::StrBuffer;
using namespace s::str::timetext;

namespace {

constexpr i64 kSecond = 1000000;
constexpr i64 kHour = 3600 * kSecond;

// The cases are ASCII, so each unit is one character.
std::string utf8(std::u16string_view text) {
    return std::string(text.begin(), text.end());
}

std::string clock(i64 us, const ClockStyle& style) {
    StrBuffer out;
    appendClock(out, us, style);
    return out.toStdString();
}

TEST(TimeTextClock, FieldRoundsToMillisecondsAndDropsThemWhenLossless) {
    EXPECT_EQ(clock(3723456789, kFieldClockMs), "1:02:03.457");
    EXPECT_EQ(clock(3723456789, kFieldClock), "1:02:03");
    EXPECT_EQ(clock(999999, kFieldClockMs), "0:00:01.000");
    EXPECT_EQ(clock(999999, kFieldClock), "0:00:01");
    EXPECT_EQ(clock(59999499, kFieldClockMs), "0:00:59.999");
    EXPECT_EQ(clock(59999499, kFieldClock), "0:00:59");
    EXPECT_EQ(clock(500, kFieldClockMs), "0:00:00.001");
    EXPECT_EQ(clock(0, kFieldClockMs), "0:00:00.000");
    EXPECT_EQ(clock(100 * kHour, kFieldClock), "100:00:00");
    // A time that rounds to zero has no sign.
    EXPECT_EQ(clock(-499, kFieldClockMs), "0:00:00.000");
    EXPECT_EQ(clock(-1500, kFieldClockMs), "-0:00:00.002");
}

TEST(TimeTextClock, CommandLinesRoundToMillisecondsHalfAwayFromZero) {
    EXPECT_EQ(clock(0, kCommandClock), "00:00:00.000");
    EXPECT_EQ(clock(65'200'000, kCommandClock), "00:01:05.200");
    EXPECT_EQ(clock(1'499, kCommandClock), "00:00:00.001");
    EXPECT_EQ(clock(1'500, kCommandClock), "00:00:00.002");
    EXPECT_EQ(clock(3'599'999'499, kCommandClock), "00:59:59.999");
    EXPECT_EQ(clock(3'599'999'600, kCommandClock), "01:00:00.000");
    EXPECT_EQ(clock(36'000'000'000LL * 10, kCommandClock), "100:00:00.000");
    // Appends: the command line is built piece by piece.
    StrBuffer out;
    out.set(u"-ss ");
    appendClock(out, 1'500'000, kCommandClock);
    EXPECT_EQ(out.toStdString(), "-ss 00:00:01.500");
}

TEST(TimeTextClock, ReportAndLengthCutOffWhatTheyDoNotShow) {
    EXPECT_EQ(clock(3723456000, kReportClock), "01:02:03.45");
    EXPECT_EQ(clock(0, kReportClock), "00:00:00.00");
    EXPECT_EQ(clock(999999, kReportClock), "00:00:00.99");
    EXPECT_EQ(clock(360000000000, kReportClock), "100:00:00.00");
    EXPECT_EQ(clock(-1, kReportClock), "-00:00:00.00");
    EXPECT_EQ(clock(-61500000, kReportClock), "-00:01:01.50");
    EXPECT_EQ(clock(std::numeric_limits<i64>::min(), kReportClock), "-2562047788:00:54.77");
    EXPECT_EQ(clock(3723999999, kLengthClock), "01:02:03");
    EXPECT_EQ(clock(0, kLengthClock), "00:00:00");
}

TEST(TimeTextClock, SplitTimeRoundsThenSplitsTheMagnitude) {
    const TimeParts a = splitTime(3'723'456'500);
    EXPECT_EQ(a.hours, 1);
    EXPECT_EQ(a.minutes, 2);
    EXPECT_EQ(a.seconds, 3);
    EXPECT_EQ(a.millis, 457);
    const TimeParts b = splitTime(3'599'999'600);
    EXPECT_EQ(b.hours, 1);
    EXPECT_EQ(b.minutes, 0);
    EXPECT_EQ(b.seconds, 0);
    EXPECT_EQ(b.millis, 0);
    const TimeParts c = splitTime(-61'500'000);
    EXPECT_EQ(c.minutes, 1);
    EXPECT_EQ(c.seconds, 1);
    EXPECT_EQ(c.millis, 500);
}

TEST(TimeTextParse, TheFieldWantsTwoDigitMinutesAndSecondsWhatIsTypedAnyNumbers) {
    struct Case {
        const char16_t* text;
        bool strict;
        bool lenient;
        i64 us;
    };
    const Case cases[] = {
        {u"0:01:05", true, true, 65 * kSecond},
        {u"0:01:05.5", true, true, 65 * kSecond + 500000},
        {u"0:01:05.05", true, true, 65 * kSecond + 50000},
        {u"0:01:05.005", true, true, 65 * kSecond + 5000},
        {u"12:00:00", true, true, 12 * kHour},
        {u"0:90:0", false, true, 5400 * kSecond},
        {u"0:1:5", false, true, 65 * kSecond},
        {u"0:1", false, true, kSecond},
        {u"75", false, true, 75 * kSecond},
        {u"75.5", false, true, 75 * kSecond + 500000},
        {u"1:15", false, true, 75 * kSecond},
        {u"1:15.5", false, true, 75 * kSecond + 500000},
        {u"0:01:15.500", true, true, 75 * kSecond + 500000},
        {u" 0:01:15,5\t", true, true, 75 * kSecond + 500000},
        {u"90:00", false, true, 5400 * kSecond},
        {u"1:15.", false, false, 0},
        {u".5", false, false, 0},
        {u"1:15.-5", false, false, 0},
        {u"1,5,5", false, false, 0},
        {u"1 15", false, false, 0},
        {u"   ", false, false, 0},
        {u":01:05", false, false, 0},
        {u"0:01:05.", false, false, 0},
        {u"0:01:05.1234", false, false, 0},
        {u"0:01:05.5.5", false, false, 0},
        {u"0:01:05:00", false, false, 0},
        {u"0:0a:05", false, false, 0},
        {u"0:01: 5", false, false, 0},
        {u"0:-:05", false, false, 0},
        {u"", false, false, 0},
    };
    for (const Case& c : cases) {
        i64 strict = -7;
        i64 lenient = -7;
        EXPECT_EQ(parseTime(std::u16string_view(c.text), kFieldTime, strict), c.strict) << utf8(c.text);
        EXPECT_EQ(parseTime(std::u16string_view(c.text), kTypedTime, lenient), c.lenient) << utf8(c.text);
        // The value on success; untouched on failure.
        EXPECT_EQ(strict, c.strict ? c.us : -7) << utf8(c.text);
        EXPECT_EQ(lenient, c.lenient ? c.us : -7) << utf8(c.text);
    }
    // A sign is a number when a digit follows; huge values saturate.
    i64 us = 0;
    EXPECT_TRUE(parseTime(std::u16string_view(u"-1:00:00"), kFieldTime, us));
    EXPECT_EQ(us, -3600 * kSecond);
    EXPECT_TRUE(parseTime(std::u16string_view(u"99999999999999999999:0:0"), kTypedTime, us));
    EXPECT_EQ(us, std::numeric_limits<i64>::max());
}

// Whatever the window or a command line shows reads back as the time shown.
TEST(TimeTextParse, EveryShownTimeReadsBackAsItself) {
    const i64 times[] = {0,
                         1,
                         499,
                         500,
                         999'999,
                         65'200'000,
                         3'599'999'499,
                         3'723'456'789,
                         360'000'000'000,
                         -1'500,
                         -1'000'000,
                         -3'723'456'789};
    for (i64 us : times) {
        const i64 shown = (us < 0 ? -1 : 1) * (((us < 0 ? -us : us) + 500) / 1000 * 1000);
        StrBuffer field;
        appendClock(field, us, kFieldClockMs);
        i64 back = 7;
        EXPECT_TRUE(parseTime(field.view(), kFieldTime, back)) << field.toStdString();
        EXPECT_EQ(back, shown) << field.toStdString();
        EXPECT_TRUE(parseTime(field.view(), kTypedTime, back)) << field.toStdString();
        EXPECT_EQ(back, shown) << field.toStdString();
        if (us < 0)
            continue; // command lines hold no negative positions
        StrBuffer command;
        appendClock(command, us, kCommandClock);
        for (const TimeSyntax* syntax : {&kFramePosition, &kCutPosition, &kToolDuration}) {
            back = 7;
            EXPECT_TRUE(parseTime(command.toStdString(), *syntax, back)) << command.toStdString();
            EXPECT_EQ(back, shown) << command.toStdString();
        }
    }
}

TEST(TimeTextParse, CommandLinePositionsAreSecondsOrClockTimesWithoutSignsOrBlanks) {
    struct Case {
        const char* text;
        bool frame;
        bool cut;
        i64 us;
    };
    const Case cases[] = {
        {"65.2", true, true, 65'200'000},
        {"0:01:05.2", true, true, 65'200'000},
        {"1:2:3", true, true, 3723 * kSecond},
        {"1:05.2", false, true, 65'200'000}, // the frame command takes no "m:ss"
        {"1:2", false, true, 62 * kSecond},
        {"90:00", false, true, 5400 * kSecond},
        {"1.2345675", true, true, 1'234'568}, // past microseconds, rounded half up
        {"1.2345674", true, true, 1'234'567},
        {"0:00:61", false, false, 0},
        {"0:60:00", false, false, 0},
        {"1:60", false, false, 0},
        {"-1", false, false, 0},
        {" 5", false, false, 0},
        {"5,5", false, false, 0},
        {"5.", false, false, 0},
        {".5", false, false, 0},
        {"1e3", false, false, 0},
        {"0x10", false, false, 0},
        {"1:2:3:4", false, false, 0},
        {"5s", false, false, 0},
        {"", false, false, 0},
        {"99999999999999999999", false, false, 0},
        {"2562047788:00:55", false, false, 0}, // one second past the 64-bit range
        {"\xc2\xa0"
         "5",
         false, false, 0}, // a no-break space is a blank only where typed
    };
    for (const Case& c : cases) {
        i64 frame = -7;
        i64 cut = -7;
        EXPECT_EQ(parseTime(c.text, kFramePosition, frame), c.frame) << c.text;
        EXPECT_EQ(parseTime(c.text, kCutPosition, cut), c.cut) << c.text;
        EXPECT_EQ(frame, c.frame ? c.us : -7) << c.text;
        EXPECT_EQ(cut, c.cut ? c.us : -7) << c.text;
    }
}

TEST(TimeTextParse, ToolDurationsTakeASignAndAUnit) {
    struct Case {
        const char* text;
        bool ok;
        i64 us;
    };
    const Case cases[] = {
        {"00:00:03.500", true, 3'500'000},
        {"1:30", true, 90 * kSecond},
        {"-5", true, -5 * kSecond},
        {"-0:00:01.5", true, -1'500'000},
        {"2s", true, 2 * kSecond},
        {"1.5ms", true, 1'500},
        {"250us", true, 250},
        {"1.5us", true, 1},
        {"1.000001", true, 1'000'001},
        {"--5", false, 0},
        {"5x", false, 0},
        {"ms", false, 0},
        {".5", false, 0},
        {"0:61", false, 0},
        {"9223372036855", false, 0},
    };
    for (const Case& c : cases) {
        i64 us = -7;
        EXPECT_EQ(parseTime(c.text, kToolDuration, us), c.ok) << c.text;
        EXPECT_EQ(us, c.ok ? c.us : -7) << c.text;
    }
}

} // namespace
