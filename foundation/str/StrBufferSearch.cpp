// Searching, matching, replacing and splitting of StrBuffer.

#include "foundation/str/CaseMap.h"
#include "foundation/str/StrArray.h"
#include "foundation/str/StrBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

namespace s::str::strbuffer {

namespace {

u32 resolveCount(const char16_t* chars, i32 n) {
    if (!chars)
        return 0;
    return n < 0 ? base::charsLength(chars) : static_cast<u32>(n);
}

bool same(char16_t a, char16_t b, bool ignoreCase) { return a == b || (ignoreCase && equalsIgnoringCase(a, b)); }

bool matchAt(const char16_t* text, const char16_t* needle, u32 n, bool ignoreCase) {
    for (u32 i = 0; i < n; ++i)
        if (!same(text[i], needle[i], ignoreCase))
            return false;
    return true;
}

bool inSet(char16_t c, const char16_t* set, u32 n, bool ignoreCase) {
    for (u32 i = 0; i < n; ++i)
        if (same(c, set[i], ignoreCase))
            return true;
    return false;
}

// First occurrence of `needle` starting at or after `from`. An empty needle
// is never found, so that replacing or splitting on it cannot loop.
bool find(const char16_t* text, u32 length, const char16_t* needle, u32 n, u32 from, bool ignoreCase, u32* out) {
    if (n == 0 || n > length || from > length - n)
        return false;
    for (u32 i = from; i <= length - n; ++i) {
        if (matchAt(text + i, needle, n, ignoreCase)) {
            *out = i;
            return true;
        }
    }
    return false;
}

// Last occurrence of `needle` starting before `from`.
bool findLast(const char16_t* text, u32 length, const char16_t* needle, u32 n, u32 from, bool ignoreCase,
              u32* out) {
    if (n == 0 || n > length)
        return false;
    u32 start = std::min(from, length);
    if (start == 0)
        return false;
    for (u32 i = std::min(start - 1, length - n) + 1; i-- > 0;) {
        if (matchAt(text + i, needle, n, ignoreCase)) {
            *out = i;
            return true;
        }
    }
    return false;
}

bool findChar(const char16_t* text, u32 length, const char16_t* set, u32 n, u32 from, bool ignoreCase, u32* out) {
    for (u32 i = from; i < length; ++i) {
        if (inSet(text[i], set, n, ignoreCase)) {
            *out = i;
            return true;
        }
    }
    return false;
}

bool findLastChar(const char16_t* text, u32 length, const char16_t* set, u32 n, u32 from, bool ignoreCase,
                  u32* out) {
    for (u32 i = std::min(from, length); i-- > 0;) {
        if (inSet(text[i], set, n, ignoreCase)) {
            *out = i;
            return true;
        }
    }
    return false;
}

StrBuffer* prefix(const StrBuffer& s, bool found, u32 end) {
    return s.substring(0, found ? end : 0);
}

StrBuffer& replace(StrBuffer& s, const char16_t* from, const char16_t* to, bool ignoreCase) {
    u32 fromLength = base::charsLength(from);
    u32 toLength = base::charsLength(to);
    u32 at;
    if (!find(s.chars(), s.length(), from, fromLength, 0, ignoreCase, &at))
        return s;
    // The texts could be pieces of this very string, which is rewritten here.
    std::u16string fromCopy(from, fromLength);
    std::u16string toCopy(to ? to : u"", toLength);
    from = fromCopy.data();
    to = toCopy.data();
    char16_t* chars = s.chars();
    u32 length = s.length();

    if (toLength == fromLength) {
        // Same length: overwrite each occurrence where it stands.
        do {
            std::memcpy(chars + at, to, toLength * sizeof(char16_t));
        } while (find(chars, length, from, fromLength, at + fromLength, ignoreCase, &at));
        return s;
    }

    if (toLength < fromLength) {
        // Shorter: compact in place. The writer never overtakes the reader,
        // so the text still to be searched is untouched.
        u32 read = 0;
        u32 write = 0;
        do {
            std::memmove(chars + write, chars + read, (at - read) * sizeof(char16_t));
            write += at - read;
            std::memcpy(chars + write, to, toLength * sizeof(char16_t));
            write += toLength;
            read = at + fromLength;
        } while (find(chars, length, from, fromLength, read, ignoreCase, &at));
        std::memmove(chars + write, chars + read, (length - read) * sizeof(char16_t));
        s.setLength(write + (length - read));
        return s;
    }

    // Longer: build the result in a second string, then take its storage.
    thread::Pooled<StrBuffer> result = thread::makePooled<StrBuffer>();
    u32 read = 0;
    do {
        result->append(chars + read, static_cast<i32>(at - read));
        result->append(to, static_cast<i32>(toLength));
        read = at + fromLength;
    } while (find(chars, length, from, fromLength, read, ignoreCase, &at));
    result->append(chars + read, static_cast<i32>(length - read));
    s.swapStorage(*result);
    return s;
}

bool isLatin1Letter(char16_t c) {
    return c == 0xaa || c == 0xb5 || c == 0xba || (c >= 0xc0 && c <= 0xff && c != 0xd7 && c != 0xf7);
}

// Characters that make up words: ASCII letters and digits, '%', '+' and '-',
// the letters of Latin-1, and everything beyond Latin-1 except CJK
// punctuation and the full-width parentheses.
bool isWordChar(char16_t c) {
    if (c < 0x80)
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'%' ||
               c == u'+' || c == u'-';
    if (c <= 0xff)
        return isLatin1Letter(c);
    switch (c) {
    case 0x3000:
    case 0x3001:
    case 0x3002:
    case 0x300c:
    case 0x300d:
    case 0x3010:
    case 0x3011:
    case 0xff08:
    case 0xff09:
        return false;
    default:
        return true;
    }
}

bool isStopWord(const char16_t* word, u32 n) {
    static constexpr std::array<std::u16string_view, 3> kStopWords = {u"the", u"of", u"and"};
    for (std::u16string_view stop : kStopWords)
        if (stop.size() == n && compareIgnoringCase(stop.data(), word, n) == 0)
            return true;
    return false;
}

bool containsIgnoringCase(const strarray::StrArray& words, const char16_t* word, u32 n) {
    for (u32 i = 0; i < words.size(); ++i) {
        const StrBuffer* w = words.get(i);
        if (w->length() == n && compareIgnoringCase(w->chars(), word, n) == 0)
            return true;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------- characters

bool StrBuffer::indexOf(char16_t ch, u32* out, u32 from) const {
    return findChar(m_chars, m_length, &ch, 1, from, false, out);
}

bool StrBuffer::indexOfIgnoreCase(char16_t ch, u32* out, u32 from) const {
    return findChar(m_chars, m_length, &ch, 1, from, true, out);
}

bool StrBuffer::indexOfAny(const char16_t* chars, i32 n, u32* out, u32 from) const {
    return findChar(m_chars, m_length, chars, resolveCount(chars, n), from, false, out);
}

bool StrBuffer::indexOfAnyIgnoreCase(const char16_t* chars, i32 n, u32* out, u32 from) const {
    return findChar(m_chars, m_length, chars, resolveCount(chars, n), from, true, out);
}

bool StrBuffer::lastIndexOf(char16_t ch, u32* out, u32 from) const {
    return findLastChar(m_chars, m_length, &ch, 1, from, false, out);
}

bool StrBuffer::lastIndexOfIgnoreCase(char16_t ch, u32* out, u32 from) const {
    return findLastChar(m_chars, m_length, &ch, 1, from, true, out);
}

bool StrBuffer::lastIndexOfAny(const char16_t* chars, i32 n, u32* out, u32 from) const {
    return findLastChar(m_chars, m_length, chars, resolveCount(chars, n), from, false, out);
}

bool StrBuffer::lastIndexOfAnyIgnoreCase(const char16_t* chars, i32 n, u32* out, u32 from) const {
    return findLastChar(m_chars, m_length, chars, resolveCount(chars, n), from, true, out);
}

// ---------------------------------------------------------------- strings

bool StrBuffer::indexOf(const IStr& str, u32* out, u32 from) const {
    return find(m_chars, m_length, str.chars(), str.length(), from, false, out);
}

bool StrBuffer::indexOfIgnoreCase(const IStr& str, u32* out, u32 from) const {
    return find(m_chars, m_length, str.chars(), str.length(), from, true, out);
}

bool StrBuffer::lastIndexOf(const IStr& str, u32* out, u32 from) const {
    return findLast(m_chars, m_length, str.chars(), str.length(), from, false, out);
}

bool StrBuffer::lastIndexOfIgnoreCase(const IStr& str, u32* out, u32 from) const {
    return findLast(m_chars, m_length, str.chars(), str.length(), from, true, out);
}

bool StrBuffer::indexOf(const char16_t* str, u32* out, u32 from) const {
    return find(m_chars, m_length, str, resolveCount(str, -1), from, false, out);
}

bool StrBuffer::indexOfIgnoreCase(const char16_t* str, u32* out, u32 from) const {
    return find(m_chars, m_length, str, resolveCount(str, -1), from, true, out);
}

bool StrBuffer::lastIndexOf(const char16_t* str, u32* out, u32 from) const {
    return findLast(m_chars, m_length, str, resolveCount(str, -1), from, false, out);
}

bool StrBuffer::lastIndexOfIgnoreCase(const char16_t* str, u32* out, u32 from) const {
    return findLast(m_chars, m_length, str, resolveCount(str, -1), from, true, out);
}

// ---------------------------------------------------------------- matching

bool StrBuffer::regionMatches(u32 index, const char16_t* str, u32 strIndex, i32 n) const {
    if (index > m_length)
        return false;
    u32 count;
    if (n < 0) {
        count = base::charsLength(str + strIndex);
        if (index + count != m_length)
            return false;
    } else {
        count = static_cast<u32>(n);
        if (count > m_length - index)
            return false;
    }
    return matchAt(m_chars + index, str + strIndex, count, false);
}

bool StrBuffer::regionMatchesIgnoreCase(u32 index, const char16_t* str, u32 strIndex, i32 n) const {
    if (index > m_length)
        return false;
    u32 count;
    if (n < 0) {
        count = base::charsLength(str + strIndex);
        if (index + count != m_length)
            return false;
    } else {
        count = static_cast<u32>(n);
        if (count > m_length - index)
            return false;
    }
    return matchAt(m_chars + index, str + strIndex, count, true);
}

bool StrBuffer::endsWith(const char16_t* str, i32 n) const {
    u32 count = resolveCount(str, n);
    return count <= m_length && matchAt(m_chars + (m_length - count), str, count, false);
}

bool StrBuffer::endsWithIgnoreCase(const char16_t* str, i32 n) const {
    u32 count = resolveCount(str, n);
    return count <= m_length && matchAt(m_chars + (m_length - count), str, count, true);
}

bool StrBuffer::startsWith(const char16_t* str, i32 n) const {
    u32 count = resolveCount(str, n);
    return count <= m_length && matchAt(m_chars, str, count, false);
}

bool StrBuffer::startsWithIgnoreCase(const char16_t* str, i32 n) const {
    u32 count = resolveCount(str, n);
    return count <= m_length && matchAt(m_chars, str, count, true);
}

// ---------------------------------------------------------------- before last

StrBuffer* StrBuffer::beforeLast(char16_t ch) const {
    u32 at = 0;
    bool found = lastIndexOf(ch, &at);
    return prefix(*this, found, at);
}

StrBuffer* StrBuffer::beforeLastIgnoreCase(char16_t ch) const {
    u32 at = 0;
    bool found = lastIndexOfIgnoreCase(ch, &at);
    return prefix(*this, found, at);
}

StrBuffer* StrBuffer::beforeLastAny(const char16_t* chars, i32 n) const {
    u32 at = 0;
    bool found = lastIndexOfAny(chars, n, &at);
    return prefix(*this, found, at);
}

StrBuffer* StrBuffer::beforeLastAnyIgnoreCase(const char16_t* chars, i32 n) const {
    u32 at = 0;
    bool found = lastIndexOfAnyIgnoreCase(chars, n, &at);
    return prefix(*this, found, at);
}

StrBuffer* StrBuffer::beforeLast(const IStr& str) const {
    u32 at = 0;
    bool found = lastIndexOf(str, &at);
    return prefix(*this, found, at);
}

StrBuffer* StrBuffer::beforeLastIgnoreCase(const IStr& str) const {
    u32 at = 0;
    bool found = lastIndexOfIgnoreCase(str, &at);
    return prefix(*this, found, at);
}

// ---------------------------------------------------------------- replacing

StrBuffer& StrBuffer::replaceAll(const char16_t* from, const char16_t* to) { return replace(*this, from, to, false); }

StrBuffer& StrBuffer::replaceAllIgnoreCase(const char16_t* from, const char16_t* to) {
    return replace(*this, from, to, true);
}

// ---------------------------------------------------------------- splitting

strarray::StrArray* StrBuffer::split(char16_t ch) const {
    strarray::StrArray* pieces = strarray::StrArray::create();
    u32 start = 0;
    for (u32 i = 0; i <= m_length; ++i) {
        if (i < m_length && m_chars[i] != ch)
            continue;
        if (i > start)
            pieces->append(m_chars + start, static_cast<i32>(i - start));
        start = i + 1;
    }
    return pieces;
}

strarray::StrArray* StrBuffer::words(bool excludeStopWords) const {
    strarray::StrArray* found = strarray::StrArray::create();
    u32 start = 0;
    bool inWord = false;
    for (u32 i = 0; i <= m_length; ++i) {
        if (i < m_length && isWordChar(m_chars[i])) {
            if (!inWord)
                start = i;
            inWord = true;
            continue;
        }
        if (!inWord)
            continue;
        inWord = false;
        const char16_t* word = m_chars + start;
        u32 n = i - start;
        if (excludeStopWords && isStopWord(word, n))
            continue;
        if (!containsIgnoringCase(*found, word, n))
            found->append(word, static_cast<i32>(n));
    }
    return found;
}

} // namespace s::str::strbuffer
