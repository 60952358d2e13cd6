#include "foundation/str/TimeText.h"

#include "foundation/str/StrBuffer.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

namespace s::str::timetext {

namespace {

constexpr i64 kUsPerSecond = 1'000'000;
constexpr i64 kMax = std::numeric_limits<i64>::max();

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\u00a0';
}

// Accumulates into `value`; false on overflow.
bool addScaled(i64& value, i64 factor, i64 add) {
    return !__builtin_mul_overflow(value, factor, &value) && !__builtin_add_overflow(value, add, &value);
}

// The text as the grammar's pieces, before a syntax judges them.
struct Pieces {
    bool negative = false;
    u32 fieldCount = 0;
    std::u16string_view fields[3];
    bool hasFraction = false;
    std::u16string_view fraction;
    i64 unitUs = kUsPerSecond;
};

template <typename Char>
std::u16string_view widened(std::basic_string_view<Char> text, std::u16string& storage) {
    if constexpr (sizeof(Char) == sizeof(char16_t)) {
        return std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size());
    } else {
        // Every character the grammar takes is ASCII; anything else stays
        // something it refuses.
        storage.clear();
        for (Char c : text)
            storage.push_back(static_cast<unsigned char>(c) < 0x80 ? static_cast<char16_t>(c) : u'\ufffd');
        return storage;
    }
}

bool split(std::u16string_view text, const TimeSyntax& syntax, Pieces& out) {
    if (syntax.typed) {
        while (!text.empty() && isBlank(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && isBlank(text.back()))
            text.remove_suffix(1);
    }
    if (syntax.sign && !text.empty() && text.front() == u'-') {
        out.negative = true;
        text.remove_prefix(1);
    }
    if (syntax.unitSuffix) {
        if (text.ends_with(u"ms")) {
            out.unitUs = 1000;
            text.remove_suffix(2);
        } else if (text.ends_with(u"us")) {
            out.unitUs = 1;
            text.remove_suffix(2);
        } else if (text.ends_with(u"s")) {
            text.remove_suffix(1);
        }
    }
    const size_t mark = syntax.typed ? text.find_first_of(u".,") : text.find(u'.');
    if (mark != std::u16string_view::npos) {
        out.hasFraction = true;
        out.fraction = text.substr(mark + 1);
        text = text.substr(0, mark);
    }
    for (;;) {
        const size_t colon = text.find(u':');
        if (out.fieldCount == 3)
            return false;
        out.fields[out.fieldCount++] = text.substr(0, colon);
        if (colon == std::u16string_view::npos)
            return true;
        text.remove_prefix(colon + 1);
    }
}

bool allDigits(std::u16string_view part) {
    if (part.empty())
        return false;
    for (char16_t c : part) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

bool formAllowed(u32 fieldCount, const TimeSyntax& syntax) {
    switch (fieldCount) {
    case 1:
        return syntax.seconds;
    case 2:
        return syntax.minutesSeconds;
    default:
        return syntax.clock;
    }
}

// The fraction in microseconds, rounded half up past the sixth digit.
i64 fractionUs(std::u16string_view digits) {
    i64 us = 0;
    i64 scale = 100000;
    for (size_t i = 0; i < digits.size() && i < 6; ++i, scale /= 10)
        us += (digits[i] - u'0') * scale;
    if (digits.size() > 6 && digits[6] >= u'5')
        ++us;
    return us;
}

bool parseWide(std::u16string_view text, const TimeSyntax& syntax, i64& us) {
    Pieces p;
    if (!split(text, syntax, p) || !formAllowed(p.fieldCount, syntax))
        return false;
    for (u32 i = 0; i < p.fieldCount; ++i) {
        if (!allDigits(p.fields[i]))
            return false;
        if (i > 0 && syntax.twoDigitFields && p.fields[i].size() != 2)
            return false;
    }
    if (p.hasFraction) {
        if (!allDigits(p.fraction))
            return false;
        if (syntax.maxFractionDigits != 0 && p.fraction.size() > syntax.maxFractionDigits)
            return false;
    }

    // Whole units, then the fraction of one; overflow either fails or, for
    // a saturating syntax, gives the largest time.
    i64 whole = 0;
    bool fits = true;
    for (u32 i = 0; i < p.fieldCount && fits; ++i) {
        i64 field = 0;
        for (char16_t c : p.fields[i])
            fits = fits && addScaled(field, 10, c - u'0');
        if (i > 0 && syntax.fieldsBelow60 && field >= 60)
            return false;
        fits = fits && addScaled(whole, i > 0 ? 60 : 1, field);
    }
    const i64 fraction = p.hasFraction ? fractionUs(p.fraction) * p.unitUs / kUsPerSecond : 0;
    i64 value = whole;
    fits = fits && addScaled(value, p.unitUs, fraction);
    if (!fits) {
        if (!syntax.saturate)
            return false;
        value = kMax;
    }
    us = p.negative ? -value : value;
    return true;
}

u64 magnitude(i64 value) {
    return value < 0 ? 0 - static_cast<u64>(value) : static_cast<u64>(value);
}

} // namespace

bool parseTime(std::u16string_view text, const TimeSyntax& syntax, i64& us) {
    return parseWide(text, syntax, us);
}

bool parseTime(std::string_view text, const TimeSyntax& syntax, i64& us) {
    std::u16string storage;
    return parseWide(widened(text, storage), syntax, us);
}

strbuffer::StrBuffer& appendClock(strbuffer::StrBuffer& out, i64 us, const ClockStyle& style) {
    u64 value = magnitude(us);
    if (style.roundToMilliseconds)
        value = (value + 500) / 1000 * 1000;
    if (us < 0 && (value > 0 || !style.roundToMilliseconds))
        out.append(u'-');
    const u64 seconds = value / kUsPerSecond;
    u64 fraction = value % kUsPerSecond;
    for (u32 digits = 6; digits > style.fractionDigits; --digits)
        fraction /= 10;
    char text[64];
    int length =
        std::snprintf(text, sizeof text, "%0*" PRIu64 ":%02" PRIu64 ":%02" PRIu64,
                      static_cast<int>(style.hourDigits), seconds / 3600, (seconds / 60) % 60, seconds % 60);
    if (style.fractionDigits > 0)
        std::snprintf(text + length, sizeof text - static_cast<size_t>(length), ".%0*" PRIu64,
                      static_cast<int>(style.fractionDigits), fraction);
    return out.append(text);
}

TimeParts splitTime(i64 us) {
    const u64 ms = (magnitude(us) + 500) / 1000;
    const u64 seconds = ms / 1000;
    TimeParts parts;
    parts.hours = static_cast<i64>(seconds / 3600);
    parts.minutes = static_cast<i32>((seconds / 60) % 60);
    parts.seconds = static_cast<i32>(seconds % 60);
    parts.millis = static_cast<i32>(ms % 1000);
    return parts;
}

} // namespace s::str::timetext
