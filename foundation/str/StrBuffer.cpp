#include "foundation/str/StrBuffer.h"

#include "foundation/col/Growth.h"
#include "foundation/str/CaseMap.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <limits>
#include <mutex>
#include <string>

namespace s::str::strbuffer {

namespace {

constexpr char16_t kEmpty[1] = {0};
constexpr char16_t kWhiteSpace[] = u" \n\u3000\t\r";
constexpr i32 kWhiteSpaceCount = 5;
constexpr u32 kNumberRoom = 256;

u32 resolveCount(const char16_t* chars, i32 n) {
    if (!chars)
        return 0;
    return n < 0 ? base::charsLength(chars) : static_cast<u32>(n);
}

bool inSet(char16_t c, const char16_t* set, u32 n) {
    for (u32 i = 0; i < n; ++i)
        if (set[i] == c)
            return true;
    return false;
}

// Widens ASCII number text into the string. Room for 256 more characters
// comes first, as for every number append; longer texts (fixed notation of a
// huge double) get the rest of the room they need.
StrBuffer& appendNumberText(StrBuffer& s, const char* text, u32 n) {
    s.ensureCapacity(s.length() + std::max(n, kNumberRoom));
    char16_t* out = s.chars() + s.length();
    for (u32 i = 0; i < n; ++i)
        out[i] = static_cast<unsigned char>(text[i]);
    s.setLength(s.length() + n);
    return s;
}

// Integers as "%d" / "%u" / 64-bit decimal; floating point as "%f". to_chars
// is used rather than printf so that the text never follows the process
// locale's decimal separator.
template <class T>
StrBuffer& appendNumber(StrBuffer& s, T v) {
    char buffer[400];
    std::to_chars_result r;
    if constexpr (std::is_floating_point_v<T>)
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(v), std::chars_format::fixed, 6);
    else
        r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return appendNumberText(s, buffer, static_cast<u32>(r.ptr - buffer));
}

// The one piece of shared state of the string class: the scratch text that
// `set(number)` formats through. Guarded by its mutex.
struct Scratch {
    std::mutex lock;
    StrBuffer text; // guarded by lock
};

Scratch& scratch() {
    static Scratch instance;
    return instance;
}

template <class T>
StrBuffer& setNumber(StrBuffer& s, T v) {
    Scratch& sc = scratch();
    std::lock_guard guard(sc.lock);
    sc.text.clear();
    sc.text.append(v);
    return s.set(sc.text.chars(), static_cast<i32>(sc.text.length()));
}

template <class U>
StrBuffer& appendHexValues(StrBuffer& s, const U* values, u32 n) {
    constexpr u32 digits = sizeof(U) * 2;
    static constexpr char16_t kHex[] = u"0123456789abcdef";
    s.ensureCapacity(s.length() + n * digits);
    char16_t* out = s.chars() + s.length();
    for (u32 i = 0; i < n; ++i) {
        u64 v = values[i];
        for (u32 d = 0; d < digits; ++d)
            out[i * digits + d] = kHex[(v >> ((digits - 1 - d) * 4)) & 0xf];
    }
    s.setLength(s.length() + n * digits);
    return s;
}

} // namespace

// ---------------------------------------------------------------- storage

StrBuffer::~StrBuffer() { delete[] m_chars; }

void StrBuffer::growTo(u32 capacity) {
    auto* fresh = new char16_t[static_cast<u64>(capacity) + 1];
    if (m_chars) {
        // One unit past the length travels too: it may hold the first byte
        // of a character that a stream write left half done.
        std::memcpy(fresh, m_chars, (static_cast<u64>(std::min(m_length, capacity)) + 1) * sizeof(char16_t));
        delete[] m_chars;
    }
    m_chars = fresh;
    m_capacity = capacity;
}

bool StrBuffer::ownsPointer(const void* p) const {
    if (!m_chars || !p)
        return false;
    std::less_equal<const void*> le;
    return le(m_chars, p) && le(p, m_chars + m_capacity);
}

void StrBuffer::terminate() {
    if (m_chars && m_chars[m_length] != 0)
        m_chars[m_length] = 0;
}

void StrBuffer::setLength(u32 n) {
    reserve(n);
    m_length = n;
}

void StrBuffer::reserve(u32 n) {
    if (n > m_capacity)
        growTo(n);
}

void StrBuffer::growOne() { ensureCapacity(m_length + 1); }

void StrBuffer::ensureCapacity(u32 n) {
    if (n > m_capacity)
        growTo(col::grownCapacity(m_capacity, n));
}

void StrBuffer::clear() {
    m_length = 0;
    m_position = 0;
}

void StrBuffer::dispose() {
    delete[] m_chars;
    m_chars = nullptr;
    m_length = 0;
    m_capacity = 0;
    m_position = 0;
}

void StrBuffer::reset() { dispose(); }

void StrBuffer::swapStorage(StrBuffer& other) {
    std::swap(m_chars, other.m_chars);
    std::swap(m_length, other.m_length);
    std::swap(m_capacity, other.m_capacity);
}

const char16_t* StrBuffer::c_str() const {
    if (m_length == 0 || !m_chars)
        return kEmpty;
    // The storage always has one unit beyond the capacity for this.
    if (m_chars[m_length] != 0)
        m_chars[m_length] = 0;
    return m_chars;
}

const char16_t* StrBuffer::c_str() { return static_cast<const StrBuffer*>(this)->c_str(); }

void StrBuffer::reverse() {
    if (m_length < 2)
        return;
    std::reverse(m_chars, m_chars + m_length);
    // Surrogate pairs must keep their order, or the text would be broken.
    for (u32 i = 0; i + 1 < m_length; ++i) {
        char16_t a = m_chars[i];
        char16_t b = m_chars[i + 1];
        if (a >= 0xdc00 && a <= 0xdfff && b >= 0xd800 && b <= 0xdbff) {
            m_chars[i] = b;
            m_chars[i + 1] = a;
            ++i;
        }
    }
}

// ---------------------------------------------------------------- case

void StrBuffer::toLowerCase() {
    for (u32 i = 0; i < m_length; ++i)
        m_chars[i] = lowerCase(m_chars[i]);
}

void StrBuffer::toUpperCase() {
    for (u32 i = 0; i < m_length; ++i)
        m_chars[i] = upperCase(m_chars[i]);
}

void StrBuffer::capitalize() {
    toLowerCase();
    if (m_length && m_chars[0] >= u'a' && m_chars[0] <= u'z')
        m_chars[0] = static_cast<char16_t>(m_chars[0] - 32);
}

char16_t StrBuffer::charAtLowerCase(u32 i) const {
    char16_t c = m_chars[i];
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

char16_t StrBuffer::charAtUpperCase(u32 i) const {
    char16_t c = m_chars[i];
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

// ---------------------------------------------------------------- trimming

StrBuffer& StrBuffer::trimRight() { return trimRight(kWhiteSpace, 0, kWhiteSpaceCount); }

StrBuffer& StrBuffer::trimRight(u32 minLength) { return trimRight(kWhiteSpace, minLength, kWhiteSpaceCount); }

StrBuffer& StrBuffer::trimRight(const char16_t* chars, i32 n) { return trimRight(chars, 0, n); }

StrBuffer& StrBuffer::trimRight(const char16_t* chars, u32 minLength, i32 n) {
    u32 count = resolveCount(chars, n);
    while (m_length > minLength && inSet(m_chars[m_length - 1], chars, count))
        --m_length;
    return *this;
}

StrBuffer& StrBuffer::trimLeft() { return trimLeft(kWhiteSpace, kWhiteSpaceCount); }

StrBuffer& StrBuffer::trimLeft(const char16_t* chars, i32 n) {
    u32 count = resolveCount(chars, n);
    u32 skip = 0;
    while (skip < m_length && inSet(m_chars[skip], chars, count))
        ++skip;
    if (skip) {
        std::memmove(m_chars, m_chars + skip, static_cast<u64>(m_length - skip) * sizeof(char16_t));
        m_length -= skip;
    }
    return *this;
}

// ---------------------------------------------------------------- appending

void StrBuffer::appendUnits(const char16_t* chars, u32 n) {
    if (!chars || n == 0)
        return;
    u64 needed = static_cast<u64>(m_length) + n;
    if (needed > m_capacity) {
        // Appending a piece of this very string: find it again after the move.
        bool own = ownsPointer(chars);
        std::ptrdiff_t offset = own ? chars - m_chars : 0;
        ensureCapacity(static_cast<u32>(needed));
        if (own)
            chars = m_chars + offset;
    }
    std::memmove(m_chars + m_length, chars, static_cast<u64>(n) * sizeof(char16_t));
    m_length += n;
}

StrBuffer& StrBuffer::prepend(const char16_t* chars, i32 n) {
    u32 count = resolveCount(chars, n);
    if (count == 0)
        return *this;
    std::u16string copy;
    if (ownsPointer(chars)) {
        copy.assign(chars, count);
        chars = copy.data();
    }
    ensureCapacity(m_length + count);
    std::memmove(m_chars + count, m_chars, static_cast<u64>(m_length) * sizeof(char16_t));
    std::memcpy(m_chars, chars, static_cast<u64>(count) * sizeof(char16_t));
    m_length += count;
    return *this;
}

StrBuffer& StrBuffer::appendLatin1(const u8* bytes, i32 n) {
    if (!bytes)
        return *this;
    u32 count = n < 0 ? static_cast<u32>(std::strlen(reinterpret_cast<const char*>(bytes))) : static_cast<u32>(n);
    if (count == 0)
        return *this;
    ensureCapacity(m_length + count);
    for (u32 i = 0; i < count; ++i)
        m_chars[m_length + i] = bytes[i];
    m_length += count;
    return *this;
}

StrBuffer& StrBuffer::append(const char16_t* chars, i32 n) {
    appendUnits(chars, resolveCount(chars, n));
    return *this;
}

StrBuffer& StrBuffer::append(const char16_t* chars) { return append(chars, -1); }

StrBuffer& StrBuffer::append(char16_t ch) {
    if (m_length >= m_capacity)
        growOne();
    m_chars[m_length++] = ch;
    return *this;
}

StrBuffer& StrBuffer::appendHex(const u8* values, u32 n) { return appendHexValues(*this, values, n); }
StrBuffer& StrBuffer::appendHex(const u16* values, u32 n) { return appendHexValues(*this, values, n); }
StrBuffer& StrBuffer::appendHex(const u32* values, u32 n) { return appendHexValues(*this, values, n); }
StrBuffer& StrBuffer::appendHex(const u64* values, u32 n) { return appendHexValues(*this, values, n); }

StrBuffer& StrBuffer::append(const char* text) { return appendLatin1(reinterpret_cast<const u8*>(text), -1); }

StrBuffer& StrBuffer::append(i8 v) { return appendNumber(*this, static_cast<int>(v)); }
StrBuffer& StrBuffer::append(i16 v) { return appendNumber(*this, static_cast<int>(v)); }
StrBuffer& StrBuffer::append(i32 v) { return appendNumber(*this, v); }
StrBuffer& StrBuffer::append(i64 v) { return appendNumber(*this, v); }
StrBuffer& StrBuffer::append(u8 v) { return appendNumber(*this, static_cast<unsigned>(v)); }
StrBuffer& StrBuffer::append(u16 v) { return appendNumber(*this, static_cast<unsigned>(v)); }
StrBuffer& StrBuffer::append(u32 v) { return appendNumber(*this, v); }
StrBuffer& StrBuffer::append(u64 v) { return appendNumber(*this, v); }
StrBuffer& StrBuffer::append(float v) { return appendNumber(*this, v); }
StrBuffer& StrBuffer::append(double v) { return appendNumber(*this, v); }

StrBuffer& StrBuffer::append(const IStr& str) {
    appendUnits(str.chars(), str.length());
    return *this;
}

StrBuffer& StrBuffer::append(const wchar_t* text) {
    if (!text)
        return *this;
    // wchar_t holds UTF-32 here: characters beyond the BMP become pairs.
    for (; *text; ++text) {
        u32 c = static_cast<u32>(*text);
        if (c > 0x10ffff) {
            append(u'\ufffd');
        } else if (c > 0xffff) {
            c -= 0x10000;
            append(static_cast<char16_t>(0xd800 + (c >> 10)));
            append(static_cast<char16_t>(0xdc00 + (c & 0x3ff)));
        } else {
            append(static_cast<char16_t>(c));
        }
    }
    return *this;
}

StrBuffer& StrBuffer::set(i8 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(i16 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(i32 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(i64 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(u8 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(u16 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(u32 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(u64 v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(float v) { return setNumber(*this, v); }
StrBuffer& StrBuffer::set(double v) { return setNumber(*this, v); }

StrBuffer& StrBuffer::set(const IStr& str) {
    if (&str == this)
        return *this;
    m_length = 0;
    appendUnits(str.chars(), str.length());
    return *this;
}

StrBuffer& StrBuffer::set(const wchar_t* text) {
    m_length = 0;
    return append(text);
}

StrBuffer& StrBuffer::set(const char16_t* text, i32 n) {
    u32 count = resolveCount(text, n);
    // A piece of this string moves down to the start; appendUnits copies
    // with memmove and no growth happens, since the piece fits already.
    m_length = 0;
    appendUnits(text, count);
    return *this;
}

StrBuffer& StrBuffer::set(const char* text) {
    m_length = 0;
    return append(text);
}

// ---------------------------------------------------------------- slicing

StrBuffer* StrBuffer::clone() const {
    StrBuffer* copy = create();
    copy->appendUnits(m_chars, m_length);
    return copy;
}

StrBuffer& StrBuffer::keep(u32 from, u32 to) {
    to = std::min(to, m_length);
    if (from >= to) {
        m_length = 0;
        return *this;
    }
    if (from)
        std::memmove(m_chars, m_chars + from, static_cast<u64>(to - from) * sizeof(char16_t));
    m_length = to - from;
    return *this;
}

StrBuffer* StrBuffer::substring(u32 from, u32 to) const {
    StrBuffer* piece = create();
    to = std::min(to, m_length);
    if (from < to)
        piece->appendUnits(m_chars + from, to - from);
    return piece;
}

// ---------------------------------------------------------------- comparison

int StrBuffer::compareTo(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compare(this, other);
    const auto* str = dynamic_cast<const IStr*>(other);
    if (!str)
        return IObject::compareTo(other, nullptr);
    u32 n = std::min(m_length, str->length());
    const char16_t* b = str->chars();
    for (u32 i = 0; i < n; ++i) {
        if (m_chars[i] == b[i])
            continue;
        // The stored bytes in order: low byte first.
        int low = static_cast<int>(m_chars[i] & 0xff) - static_cast<int>(b[i] & 0xff);
        if (low)
            return low;
        return static_cast<int>(m_chars[i] >> 8) - static_cast<int>(b[i] >> 8);
    }
    return m_length < str->length() ? -1 : (m_length > str->length() ? 1 : 0);
}

int StrBuffer::compareToIgnoreCase(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compareIgnoreCase(this, other);
    const auto* str = dynamic_cast<const IStr*>(other);
    if (!str)
        return IObject::compareTo(other, nullptr);
    u32 n = std::min(m_length, str->length());
    if (int d = compareIgnoringCase(m_chars, str->chars(), n))
        return d;
    return m_length < str->length() ? -1 : (m_length > str->length() ? 1 : 0);
}

bool StrBuffer::equals(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compare(this, other) == 0;
    if (other == this)
        return true;
    const auto* str = dynamic_cast<const IStr*>(other);
    if (!str || str->length() != m_length)
        return false;
    return m_length == 0 || std::memcmp(m_chars, str->chars(), static_cast<u64>(m_length) * sizeof(char16_t)) == 0;
}

bool StrBuffer::equalsIgnoreCase(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compareIgnoreCase(this, other) == 0;
    if (other == this)
        return true;
    const auto* str = dynamic_cast<const IStr*>(other);
    if (!str || str->length() != m_length)
        return false;
    return compareIgnoringCase(m_chars, str->chars(), m_length) == 0;
}

i32 StrBuffer::hashCode() const { return base::hashChars(m_chars, m_length, false); }

i32 StrBuffer::hashCodeIgnoreCase() const { return base::hashChars(m_chars, m_length, true); }

// ---------------------------------------------------------------- stream

bool StrBuffer::read(void* buffer, u32 bytes, u32* bytesRead) {
    u64 end = static_cast<u64>(m_length) * sizeof(char16_t);
    u32 n = 0;
    if (m_position < end && buffer) {
        n = static_cast<u32>(std::min<u64>(bytes, end - m_position));
        std::memcpy(buffer, reinterpret_cast<const u8*>(m_chars) + m_position, n);
        m_position += n;
    }
    if (bytesRead)
        *bytesRead = n;
    return n > 0 || (bytes == 0 && m_position < end);
}

bool StrBuffer::write(const void* data, u32 bytes, u32* bytesWritten) {
    if (bytesWritten)
        *bytesWritten = 0;
    u64 end = static_cast<u64>(m_position) + bytes;
    if (end > std::numeric_limits<u32>::max() || !data)
        return false;
    if (bytes == 0)
        return true;
    ensureCapacity(static_cast<u32>((end + 1) / 2));
    // Whole characters skipped over by a seek past the end read as zeros
    // rather than as whatever the storage held.
    u32 firstWritten = m_position / 2;
    if (firstWritten > m_length)
        std::memset(m_chars + m_length, 0, static_cast<u64>(firstWritten - m_length) * sizeof(char16_t));
    std::memcpy(reinterpret_cast<u8*>(m_chars) + m_position, data, bytes);
    m_position = static_cast<u32>(end);
    u32 covered = static_cast<u32>(end / 2);
    if (covered > m_length)
        m_length = covered;
    if (bytesWritten)
        *bytesWritten = bytes;
    return true;
}

bool StrBuffer::rewind() {
    m_position = 0;
    return true;
}

bool StrBuffer::seekToEnd() {
    m_position = m_length * 2;
    return true;
}

bool StrBuffer::seek(i64 position) {
    if (position < 0 || position > std::numeric_limits<u32>::max())
        return false;
    m_position = static_cast<u32>(position);
    return true;
}

bool StrBuffer::seekFromEnd(i64 back) { return seek(static_cast<i64>(m_length) * 2 - back); }

bool StrBuffer::skip(i64 n) { return seek(static_cast<i64>(m_position) + n); }

bool StrBuffer::back(i64 n) { return seek(static_cast<i64>(m_position) - n); }

void StrBuffer::closeAndClear() {
    close();
    clear();
}

// ---------------------------------------------------------------- iterators

Iterator* StrBuffer::iterator() { return iteratorAt(0); }

Iterator* StrBuffer::iteratorAtEnd() { return iteratorFromEnd(0); }

Iterator* StrBuffer::iteratorAt(u32 i) {
    Iterator* it = Iterator::create();
    it->open(this, static_cast<i32>(i) - 1);
    return it;
}

Iterator* StrBuffer::iteratorFromEnd(u32 i) {
    Iterator* it = Iterator::create();
    it->open(this, static_cast<i32>(m_length) - static_cast<i32>(i));
    return it;
}

void Iterator::open(StrBuffer* str, i32 index) {
    m_collection = str;
    setIndex(index);
}

u32 Iterator::count() const { return static_cast<StrBuffer*>(m_collection)->length(); }

void* Iterator::pointerAt(u32 i) const { return static_cast<StrBuffer*>(m_collection)->charPtr(i); }

} // namespace s::str::strbuffer
