// Conversions of StrBuffer: UTF-8, code pages, numbers and hex.

#include "foundation/col/array/Arrays.h"
#include "foundation/str/StrBuffer.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <limits>
#include <locale.h>
#include <string>
#include <type_traits>
#include <vector>

namespace s::str::strbuffer {

using col::_array::ArrayU08;

namespace {

constexpr char16_t kReplacement = 0xfffd;

bool isHigh(char16_t c) { return c >= 0xd800 && c <= 0xdbff; }
bool isLow(char16_t c) { return c >= 0xdc00 && c <= 0xdfff; }

// ---------------------------------------------------------------- UTF-8

// Calls `emit(byte)` for the UTF-8 form of the units; a surrogate without its
// partner becomes U+FFFD.
template <class Emit>
void encodeUtf8(const char16_t* chars, u32 n, Emit&& emit) {
    for (u32 i = 0; i < n; ++i) {
        u32 c = chars[i];
        if (isHigh(static_cast<char16_t>(c)) && i + 1 < n && isLow(chars[i + 1])) {
            c = 0x10000 + ((c - 0xd800) << 10) + (chars[i + 1] - 0xdc00u);
            ++i;
        } else if (c >= 0xd800 && c <= 0xdfff) {
            c = kReplacement;
        }
        if (c < 0x80) {
            emit(static_cast<u8>(c));
        } else if (c < 0x800) {
            emit(static_cast<u8>(0xc0 | (c >> 6)));
            emit(static_cast<u8>(0x80 | (c & 0x3f)));
        } else if (c < 0x10000) {
            emit(static_cast<u8>(0xe0 | (c >> 12)));
            emit(static_cast<u8>(0x80 | ((c >> 6) & 0x3f)));
            emit(static_cast<u8>(0x80 | (c & 0x3f)));
        } else {
            emit(static_cast<u8>(0xf0 | (c >> 18)));
            emit(static_cast<u8>(0x80 | ((c >> 12) & 0x3f)));
            emit(static_cast<u8>(0x80 | ((c >> 6) & 0x3f)));
            emit(static_cast<u8>(0x80 | (c & 0x3f)));
        }
    }
}

u32 utf8Length(const char16_t* chars, u32 n) {
    u32 count = 0;
    encodeUtf8(chars, n, [&](u8) { ++count; });
    return count;
}

// Decodes UTF-8 into `out`. Every ill-formed sequence (a stray continuation
// byte, a truncated sequence, an overlong form, an encoded surrogate, a value
// beyond U+10FFFF) becomes one U+FFFD per maximal ill-formed part, and
// decoding goes on with the byte that broke the sequence.
void decodeUtf8(const u8* bytes, u32 n, StrBuffer& out) {
    out.ensureCapacity(out.length() + n);
    u32 i = 0;
    while (i < n) {
        u8 b = bytes[i];
        if (b < 0x80) {
            out.append(static_cast<char16_t>(b));
            ++i;
            continue;
        }
        u32 need;
        u32 c;
        u8 low = 0x80;
        u8 high = 0xbf;
        if (b >= 0xc2 && b <= 0xdf) {
            need = 1;
            c = b & 0x1f;
        } else if (b >= 0xe0 && b <= 0xef) {
            need = 2;
            c = b & 0x0f;
            if (b == 0xe0)
                low = 0xa0;
            else if (b == 0xed)
                high = 0x9f;
        } else if (b >= 0xf0 && b <= 0xf4) {
            need = 3;
            c = b & 0x07;
            if (b == 0xf0)
                low = 0x90;
            else if (b == 0xf4)
                high = 0x8f;
        } else {
            out.append(kReplacement);
            ++i;
            continue;
        }
        ++i;
        u32 got = 0;
        while (got < need && i < n) {
            u8 next = bytes[i];
            if (next < low || next > high)
                break;
            low = 0x80;
            high = 0xbf;
            c = (c << 6) | (next & 0x3f);
            ++i;
            ++got;
        }
        if (got < need) {
            out.append(kReplacement);
        } else if (c >= 0x10000) {
            c -= 0x10000;
            out.append(static_cast<char16_t>(0xd800 + (c >> 10)));
            out.append(static_cast<char16_t>(0xdc00 + (c & 0x3ff)));
        } else {
            out.append(static_cast<char16_t>(c));
        }
    }
}

// ---------------------------------------------------------------- arrays

ArrayU08* targetArray(ArrayU08* out, bool append) {
    ArrayU08* target = out ? out : ArrayU08::create();
    if (!append)
        target->clear();
    return target;
}

// Room for `n` more bytes plus a terminator of `terminator` bytes; returns
// where the data goes.
u8* makeRoom(ArrayU08* a, u32 n, u32 terminator) {
    a->ensureCapacity(a->size() + n + terminator);
    return a->data() + a->size();
}

// Ends the data with `terminator` zero bytes, counted in the size or just
// written after it.
void finish(ArrayU08* a, u32 written, u32 terminator, bool counted) {
    u32 end = a->size() + written;
    a->ensureCapacity(end + terminator);
    std::memset(a->data() + end, 0, terminator);
    a->setSize(counted ? end + terminator : end);
}

ArrayU08* utf8Into(const char16_t* chars, u32 length, ArrayU08* out, bool append, bool counted) {
    ArrayU08* target = targetArray(out, append);
    u32 n = utf8Length(chars, length);
    u8* p = makeRoom(target, n, 1);
    encodeUtf8(chars, length, [&](u8 b) { *p++ = b; });
    finish(target, n, 1, counted);
    return target;
}

// ---------------------------------------------------------------- code pages

bool isUtf8CodePage(u32 codePage) {
    return codePage == kCodePageAnsi || codePage == kCodePageOem || codePage == kCodePageUtf8;
}

// The iconv name of a Windows code page number. Most are "CP<n>"; the ones
// that iconv knows only by another name are listed.
std::string iconvName(u32 codePage) {
    switch (codePage) {
    case 20127:
        return "ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 20932:
    case 51932:
        return "EUC-JP";
    case 50220:
    case 50221:
    case 50222:
        return "ISO-2022-JP";
    case 51949:
        return "EUC-KR";
    case 54936:
        return "GB18030";
    case 12000:
        return "UTF-32LE";
    case 12001:
        return "UTF-32BE";
    case 65000:
        return "UTF-7";
    case 10000:
        return "MACINTOSH";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

const char* nativeUtf16() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

// Converts through iconv; false when the converter is missing or the input
// does not convert.
bool convert(const std::string& to, const std::string& from, const char* data, size_t n, std::vector<char>& out) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.resize(n * 4 + 16);
    char* in = const_cast<char*>(data);
    size_t inLeft = n;
    size_t done = 0;
    bool ok = true;
    for (;;) {
        char* dst = out.data() + done;
        size_t outLeft = out.size() - done;
        size_t r = inLeft ? iconv(cd, &in, &inLeft, &dst, &outLeft) : iconv(cd, nullptr, nullptr, &dst, &outLeft);
        done = out.size() - outLeft;
        if (r != static_cast<size_t>(-1)) {
            if (inLeft == 0 && in != nullptr) {
                in = nullptr; // then flush the shift state
                continue;
            }
            break;
        }
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        out.resize(out.size() * 2);
    }
    iconv_close(cd);
    out.resize(ok ? done : 0);
    return ok;
}

// The units with every unpaired surrogate replaced, so that a platform
// converter never stops on them.
std::u16string sanitized(const char16_t* chars, u32 n) {
    std::u16string text(chars ? chars : u"", n);
    for (u32 i = 0; i < n; ++i) {
        if (isHigh(text[i]) && i + 1 < n && isLow(text[i + 1]))
            ++i;
        else if (text[i] >= 0xd800 && text[i] <= 0xdfff)
            text[i] = kReplacement;
    }
    return text;
}

ArrayU08* codePageInto(const StrBuffer& s, u32 codePage, ArrayU08* out, bool append, bool counted) {
    if (isUtf8CodePage(codePage))
        return utf8Into(s.chars(), s.length(), out, append, counted);
    ArrayU08* target = targetArray(out, append);
    const char16_t* chars = s.chars();
    u32 n = s.length();
    if (codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be) {
        // A zero character ends UTF-16 text: the terminator is two bytes.
        u8* p = makeRoom(target, n * 2, 2);
        bool swap = codePage == kCodePageUtf16Be;
        for (u32 i = 0; i < n; ++i) {
            u8 lo = static_cast<u8>(chars[i] & 0xff);
            u8 hi = static_cast<u8>(chars[i] >> 8);
            p[i * 2] = swap ? hi : lo;
            p[i * 2 + 1] = swap ? lo : hi;
        }
        finish(target, n * 2, 2, counted);
        return target;
    }
    // Characters the code page lacks become its nearest or '?', as the
    // platform converters do; a code page iconv does not know yields nothing.
    std::u16string text = sanitized(chars, n);
    std::vector<char> bytes;
    if (!convert(iconvName(codePage) + "//TRANSLIT", nativeUtf16(), reinterpret_cast<const char*>(text.data()),
                 text.size() * sizeof(char16_t), bytes))
        return target;
    u32 count = static_cast<u32>(bytes.size());
    u8* p = makeRoom(target, count, 1);
    if (count)
        std::memcpy(p, bytes.data(), count);
    finish(target, count, 1, counted);
    return target;
}

u32 byteCount(const u8* data, i32 n, u32 unit) {
    if (!data)
        return 0;
    if (n >= 0)
        return static_cast<u32>(n);
    u32 count = 0;
    for (;;) {
        bool zero = true;
        for (u32 k = 0; k < unit; ++k)
            zero = zero && data[count + k] == 0;
        if (zero)
            return count;
        count += unit;
    }
}

u32 terminatorUnit(u32 codePage) {
    if (codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be)
        return 2;
    if (codePage == 12000 || codePage == 12001)
        return 4;
    return 1;
}

// ---------------------------------------------------------------- numbers

// The text as ASCII for the C library's parsers; a character beyond ASCII
// stops a parse just like any other non-number character.
std::string asciiCopy(const StrBuffer& s) {
    std::string text(s.length(), '\0');
    for (u32 i = 0; i < s.length(); ++i) {
        char16_t c = s.charAt(i);
        text[i] = (c != 0 && c < 0x80) ? static_cast<char>(c) : '\x01';
    }
    return text;
}

struct Parsed {
    bool negative = false;
    u64 magnitude = 0; // saturated at the largest u64
};

// Leading white space, an optional sign, then decimal digits up to the first
// other character; no digits give 0.
Parsed parseDecimal(const StrBuffer& s) {
    Parsed p;
    u32 i = 0;
    u32 n = s.length();
    auto space = [](char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); };
    while (i < n && space(s.charAt(i)))
        ++i;
    if (i < n && (s.charAt(i) == u'-' || s.charAt(i) == u'+')) {
        p.negative = s.charAt(i) == u'-';
        ++i;
    }
    for (; i < n; ++i) {
        char16_t c = s.charAt(i);
        if (c < u'0' || c > u'9')
            break;
        u64 digit = c - u'0';
        if (p.magnitude > (std::numeric_limits<u64>::max() - digit) / 10)
            p.magnitude = std::numeric_limits<u64>::max();
        else
            p.magnitude = p.magnitude * 10 + digit;
    }
    if (p.magnitude == 0)
        p.negative = false;
    return p;
}

// Out-of-range values saturate at the limits of the type, as strtol does.
template <class T>
T toInteger(const StrBuffer& s) {
    Parsed p = parseDecimal(s);
    if constexpr (std::is_signed_v<T>) {
        using L = std::numeric_limits<T>;
        if (p.negative)
            return p.magnitude > static_cast<u64>(L::max()) + 1 ? L::min() : static_cast<T>(-static_cast<i64>(p.magnitude - 1) - 1);
        return p.magnitude > static_cast<u64>(L::max()) ? L::max() : static_cast<T>(p.magnitude);
    } else {
        if (p.negative)
            return 0;
        return p.magnitude > std::numeric_limits<T>::max() ? std::numeric_limits<T>::max() : static_cast<T>(p.magnitude);
    }
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

u32 hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return 16;
}

} // namespace

// ---------------------------------------------------------------- UTF-8

ArrayU08* StrBuffer::toUtf8(ArrayU08* out, bool append) const { return utf8Into(m_chars, m_length, out, append, true); }

ArrayU08* StrBuffer::toUtf8Uncounted(ArrayU08* out, bool append) const {
    return utf8Into(m_chars, m_length, out, append, false);
}

StrBuffer& StrBuffer::fromUtf8(const u8* bytes, bool append, i32 n) {
    if (!append)
        clear();
    decodeUtf8(bytes, byteCount(bytes, n, 1), *this);
    return *this;
}

StrBuffer& StrBuffer::appendUtf8(std::string_view text) {
    decodeUtf8(reinterpret_cast<const u8*>(text.data()), static_cast<u32>(text.size()), *this);
    return *this;
}

StrBuffer& StrBuffer::setUtf8(std::string_view text) {
    clear();
    return appendUtf8(text);
}

std::string StrBuffer::toStdString() const {
    std::string text;
    text.reserve(utf8Length(m_chars, m_length));
    encodeUtf8(m_chars, m_length, [&](u8 b) { text.push_back(static_cast<char>(b)); });
    return text;
}

// ---------------------------------------------------------------- code pages

ArrayU08* StrBuffer::toCodePage(u32 codePage, ArrayU08* out, bool append) const {
    return codePageInto(*this, codePage, out, append, true);
}

ArrayU08* StrBuffer::toCodePageUncounted(u32 codePage, ArrayU08* out, bool append) const {
    return codePageInto(*this, codePage, out, append, false);
}

StrBuffer& StrBuffer::fromCodePage(u32 codePage, const u8* data, bool append, i32 n) {
    if (!append)
        clear();
    u32 count = byteCount(data, n, terminatorUnit(codePage));
    if (count == 0)
        return *this;
    if (isUtf8CodePage(codePage)) {
        decodeUtf8(data, count, *this);
        return *this;
    }
    if (codePage == kCodePageUtf16Le || codePage == kCodePageUtf16Be) {
        u32 units = count / 2; // an odd last byte is not a character
        ensureCapacity(m_length + units);
        for (u32 i = 0; i < units; ++i) {
            u8 a = data[i * 2];
            u8 b = data[i * 2 + 1];
            m_chars[m_length + i] =
                codePage == kCodePageUtf16Le ? static_cast<char16_t>(a | (b << 8)) : static_cast<char16_t>(b | (a << 8));
        }
        m_length += units;
        return *this;
    }
    std::vector<char> utf16;
    if (!convert(nativeUtf16(), iconvName(codePage), reinterpret_cast<const char*>(data), count, utf16))
        return *this;
    appendUnits(reinterpret_cast<const char16_t*>(utf16.data()), static_cast<u32>(utf16.size() / 2));
    return *this;
}

ArrayU08* StrBuffer::toOem(ArrayU08* out, bool append) const { return toCodePage(kCodePageOem, out, append); }

ArrayU08* StrBuffer::toOemUncounted(ArrayU08* out, bool append) const {
    return toCodePageUncounted(kCodePageOem, out, append);
}

StrBuffer& StrBuffer::fromOem(const u8* bytes, bool append, i32 n) { return fromCodePage(kCodePageOem, bytes, append, n); }

// ---------------------------------------------------------------- numbers

i8 StrBuffer::toS08() const { return toInteger<i8>(*this); }
u8 StrBuffer::toU08() const { return toInteger<u8>(*this); }
i16 StrBuffer::toS16() const { return toInteger<i16>(*this); }
u16 StrBuffer::toU16() const { return toInteger<u16>(*this); }
i32 StrBuffer::toS32() const { return toInteger<i32>(*this); }
u32 StrBuffer::toU32() const { return toInteger<u32>(*this); }
i64 StrBuffer::toS64() const { return toInteger<i64>(*this); }
u64 StrBuffer::toU64() const { return toInteger<u64>(*this); }

float StrBuffer::toFloat() const {
    // strtod in the C locale: the decimal point is '.', whatever the user's
    // locale says.
    std::string text = asciiCopy(*this);
    locale_t l = cLocale();
    double v = l ? strtod_l(text.c_str(), nullptr, l) : std::strtod(text.c_str(), nullptr);
    return static_cast<float>(v);
}

bool StrBuffer::isHex() const {
    if (m_length == 0)
        return false;
    for (u32 i = 0; i < m_length; ++i)
        if (hexValue(m_chars[i]) > 15)
            return false;
    return true;
}

u32 StrBuffer::hexDigitAt(u32 i) const {
    u32 v = hexValue(m_chars[i]);
    return v > 15 ? 0 : v;
}

u32 StrBuffer::parseHex() const {
    u32 result = 0;
    for (u32 i = 0; i < m_length; ++i)
        result = result * 16 + hexDigitAt(i);
    return result;
}

ArrayU08* StrBuffer::hexToBytes(ArrayU08* out, bool append) const {
    ArrayU08* target = targetArray(out, append);
    u32 n = m_length / 2;
    u8* p = makeRoom(target, n, 0);
    for (u32 i = 0; i < n; ++i)
        p[i] = static_cast<u8>(hexDigitAt(i * 2) * 16 + hexDigitAt(i * 2 + 1));
    target->setSize(target->size() + n);
    return target;
}

bool StrBuffer::isInteger() const {
    if (m_length == 0)
        return false;
    u32 start = (m_chars[0] == u'-' && m_length > 1) ? 1 : 0;
    for (u32 i = start; i < m_length; ++i)
        if (m_chars[i] < u'0' || m_chars[i] > u'9')
            return false;
    return true;
}

} // namespace s::str::strbuffer
