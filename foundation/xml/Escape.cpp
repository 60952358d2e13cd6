#include "foundation/xml/Escape.h"

#include <charconv>
#include <cwctype>
#include <limits>

namespace s::xml {

namespace {

struct Entity {
    char16_t ch;
    const char16_t* text;
    u32 length;
};

constexpr Entity kAttributeEntities[] = {
    {u'\n', u"&#10;", 5}, {u'\r', u"&#13;", 5}, {u'"', u"&quot;", 6}, {u'&', u"&amp;", 5}, {u'<', u"&lt;", 4},
};

constexpr Entity kTextEntities[] = {
    {u'\n', u"&#10;", 5}, {u'\r', u"&#13;", 5}, {u'&', u"&amp;", 5},
    {u'<', u"&lt;", 4},   {u'>', u"&gt;", 4},   {u' ', u"&#160;", 6},
};

template <size_t N>
const Entity* entityFor(const Entity (&table)[N], char16_t c) {
    for (const Entity& e : table)
        if (e.ch == c)
            return &e;
    return nullptr;
}

// The entity of `table` that starts at `p` (with `left` characters to go).
template <size_t N>
const Entity* entityAt(const Entity (&table)[N], const char16_t* p, u32 left) {
    for (const Entity& e : table) {
        if (e.length > left)
            continue;
        u32 i = 0;
        while (i < e.length && p[i] == e.text[i])
            ++i;
        if (i == e.length)
            return &e;
    }
    return nullptr;
}

template <size_t N>
void escapeWith(const Entity (&table)[N], std::u16string& out, const char16_t* value, u32 n) {
    for (u32 i = 0; i < n; ++i) {
        if (const Entity* e = entityFor(table, value[i]))
            out.append(e->text, e->length);
        else
            out.push_back(value[i]);
    }
}

} // namespace

void appendEscaped(std::u16string& out, const char16_t* value, u32 n, ValueKind kind) {
    if (!value)
        return;
    if (kind == ValueKind::Attribute)
        escapeWith(kAttributeEntities, out, value, n);
    else
        escapeWith(kTextEntities, out, value, n);
}

void appendUnescaped(std::u16string& out, const char16_t* stored, u32 n, ValueKind kind) {
    if (!stored)
        return;
    const size_t start = out.size();
    if (kind == ValueKind::Attribute) {
        for (u32 i = 0; i < n;) {
            if (stored[i] == u'&') {
                if (const Entity* e = entityAt(kAttributeEntities, stored + i, n - i)) {
                    out.push_back(e->ch);
                    i += e->length;
                    continue;
                }
            }
            out.push_back(stored[i++]);
        }
        return;
    }
    // Element text: skip leading white space, and remember where the last
    // entity ended so that the trailing trim never eats what it produced.
    u32 i = 0;
    while (i < n && isXmlSpace(stored[i]))
        ++i;
    size_t keep = out.size();
    while (i < n) {
        if (stored[i] == u'&') {
            if (const Entity* e = entityAt(kTextEntities, stored + i, n - i)) {
                out.push_back(e->ch);
                i += e->length;
                keep = out.size();
                continue;
            }
        }
        if (!isXmlSpace(stored[i]))
            keep = out.size() + 1;
        out.push_back(stored[i++]);
    }
    out.resize(keep < start ? start : keep);
}

i64 parseDecimal(const char16_t* text) {
    if (!text)
        return 0;
    const char16_t* p = text;
    while (*p == u' ' || (*p >= u'\t' && *p <= u'\r'))
        ++p;
    bool negative = false;
    if (*p == u'+' || *p == u'-')
        negative = *p++ == u'-';
    // Accumulate as a negative number so that the minimum fits.
    constexpr i64 kMin = std::numeric_limits<i64>::min();
    i64 value = 0;
    bool saturated = false;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        const int digit = *p - u'0';
        if (value < (kMin + digit) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (saturated)
        return negative ? kMin : std::numeric_limits<i64>::max();
    if (negative)
        return value;
    return value == kMin ? std::numeric_limits<i64>::max() : -value;
}

double parseDouble(const char16_t* text) {
    if (!text)
        return 0;
    const char16_t* p = text;
    while (*p == u' ' || (*p >= u'\t' && *p <= u'\r'))
        ++p;
    if (*p == u'+' && p[1] != u'-')
        ++p;
    // from_chars works on bytes; a number is ASCII, so anything else ends it.
    char buffer[400];
    size_t n = 0;
    while (n < sizeof buffer && p[n] > 0 && p[n] < 0x80)
        buffer[n] = static_cast<char>(p[n]), ++n;
    double value = 0;
    auto result = std::from_chars(buffer, buffer + n, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Keep the C library's answer for out-of-range texts: a huge value
        // becomes infinite, a tiny one zero.
        bool negative = n > 0 && buffer[0] == '-';
        size_t e = 0;
        while (e < n && buffer[e] != 'e' && buffer[e] != 'E')
            ++e;
        const bool tiny = e + 1 < n && buffer[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
        if (negative)
            value = -value;
    } else if (result.ec != std::errc()) {
        value = 0;
    }
    return value;
}

void appendFixed(std::u16string& out, double value) {
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return;
    for (const char* c = buffer; c != result.ptr; ++c)
        out.push_back(static_cast<char16_t>(*c));
}

void appendDecimal(std::u16string& out, i64 value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (const char* c = buffer; c != result.ptr; ++c)
        out.push_back(static_cast<char16_t>(*c));
}

void appendDecimal(std::u16string& out, u64 value) {
    char buffer[24];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (const char* c = buffer; c != result.ptr; ++c)
        out.push_back(static_cast<char16_t>(*c));
}

bool equalsIgnoreCase(const char16_t* a, u32 an, const char16_t* b, u32 bn) {
    if (an != bn)
        return false;
    for (u32 i = 0; i < an; ++i) {
        if (a[i] == b[i])
            continue;
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
            return false;
    }
    return true;
}

} // namespace s::xml
