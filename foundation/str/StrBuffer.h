#pragma once

#include "foundation/col/Collection.h"
#include "foundation/str/IStr.h"
#include "foundation/thread/Pool.h"

#include <string>
#include <string_view>

namespace s::col::_array {
class ArrayU08;
}
namespace s::str::strarray {
class StrArray;
}

namespace s::str::strbuffer {

class Iterator;

/// Code pages understood by the code-page conversions. UTF-8 is the "ANSI"
/// and the "OEM" code page on this platform; any other number n converts
/// through iconv as "CP<n>".
enum CodePage : u32 {
    kCodePageAnsi = 0,
    kCodePageOem = 1,
    kCodePageUtf16Le = 1200,
    kCodePageUtf16Be = 1201,
    kCodePageUtf8 = 65001,
};

/// A search `from` that means "from the end".
inline constexpr u32 kFromEnd = 16777215;

/// A growable UTF-16 string that is also a byte stream over its characters.
///
/// Storage grows by the library's growth policy and always has room for one
/// character more than `capacity`, so that `c_str()` can terminate lazily.
/// Character counts of -1 mean "up to the terminating zero" for C string
/// arguments and "the rest" otherwise. Searches report the index through the
/// out parameter and leave it untouched when nothing is found. Index
/// arguments are trusted. Not locked: one thread at a time.
class StrBuffer : public IStr {
    S_POOLED_CLASS(StrBuffer)

public:
    StrBuffer() = default;
    StrBuffer(const StrBuffer&) = delete;
    StrBuffer& operator=(const StrBuffer&) = delete;
    ~StrBuffer() override;

    // -- storage --
    /// Writes 0 after the last character unless it is already there.
    void terminate();
    u32 length() const override { return m_length; }
    void setLength(u32 n);
    u32 capacity() const { return m_capacity; }
    /// Capacity at least `n`, exactly `n` when it grows.
    void reserve(u32 n);
    /// Room for one more character, by the growth policy.
    void growOne();
    /// Capacity at least `n`, by the growth policy.
    void ensureCapacity(u32 n);
    /// Length and position 0; the storage stays.
    void clear();
    /// Frees the storage; every field becomes 0.
    void dispose() override;
    const char16_t* chars() const override { return m_chars; }
    char16_t* chars() { return m_chars; }
    /// Terminated text; an empty string yields a shared empty string without
    /// allocating.
    const char16_t* c_str() const override;
    const char16_t* c_str();
    /// Reverses the characters; a surrogate pair stays one character.
    void reverse();

    // -- case --
    void toLowerCase();
    void toUpperCase();
    /// Lower-cases all, then upper-cases the first character when it is a-z.
    void capitalize();
    char16_t charAt(u32 i) const override { return m_chars[i]; }
    /// ASCII letters only.
    char16_t charAtLowerCase(u32 i) const;
    char16_t charAtUpperCase(u32 i) const;

    // -- searching --
    bool indexOf(char16_t ch, u32* out, u32 from = 0) const;
    bool indexOfIgnoreCase(char16_t ch, u32* out, u32 from = 0) const;
    bool indexOfAny(const char16_t* chars, i32 n, u32* out, u32 from = 0) const;
    bool indexOfAnyIgnoreCase(const char16_t* chars, i32 n, u32* out, u32 from = 0) const;
    /// Backwards from `from` - 1; `kFromEnd` searches from the end.
    bool lastIndexOf(char16_t ch, u32* out, u32 from = kFromEnd) const;
    bool lastIndexOfIgnoreCase(char16_t ch, u32* out, u32 from = kFromEnd) const;
    bool lastIndexOfAny(const char16_t* chars, i32 n, u32* out, u32 from = kFromEnd) const;
    bool lastIndexOfAnyIgnoreCase(const char16_t* chars, i32 n, u32* out, u32 from = kFromEnd) const;
    /// Substring searches; an empty `str` is never found. The backward ones
    /// find the last occurrence that starts before `from`.
    bool indexOf(const IStr& str, u32* out, u32 from = 0) const;
    bool indexOfIgnoreCase(const IStr& str, u32* out, u32 from = 0) const;
    bool lastIndexOf(const IStr& str, u32* out, u32 from = kFromEnd) const;
    bool lastIndexOfIgnoreCase(const IStr& str, u32* out, u32 from = kFromEnd) const;
    bool indexOf(const char16_t* str, u32* out, u32 from = 0) const;
    bool indexOfIgnoreCase(const char16_t* str, u32* out, u32 from = 0) const;
    bool lastIndexOf(const char16_t* str, u32* out, u32 from = kFromEnd) const;
    bool lastIndexOfIgnoreCase(const char16_t* str, u32* out, u32 from = kFromEnd) const;
    /// Whether `n` characters of `str` from `strIndex` stand at `index`. With
    /// `n` -1 the whole rest of `str` must match and end exactly at the end
    /// of this string.
    bool regionMatches(u32 index, const char16_t* str, u32 strIndex, i32 n) const;
    bool regionMatchesIgnoreCase(u32 index, const char16_t* str, u32 strIndex, i32 n) const;
    bool endsWith(const char16_t* str, i32 n = -1) const;
    bool endsWithIgnoreCase(const char16_t* str, i32 n = -1) const;
    bool startsWith(const char16_t* str, i32 n = -1) const;
    bool startsWithIgnoreCase(const char16_t* str, i32 n = -1) const;

    // -- trimming (default set: space, LF, U+3000, tab, CR) --
    StrBuffer& trimRight();
    /// Never shorter than `minLength`.
    StrBuffer& trimRight(u32 minLength);
    StrBuffer& trimRight(const char16_t* chars, i32 n);
    StrBuffer& trimRight(const char16_t* chars, u32 minLength, i32 n);
    StrBuffer& trimLeft();
    StrBuffer& trimLeft(const char16_t* chars, i32 n);

    // -- appending; every append and set returns *this --
    StrBuffer& prepend(const char16_t* chars, i32 n = -1);
    /// Each byte becomes one character.
    StrBuffer& appendLatin1(const u8* bytes, i32 n = -1);
    StrBuffer& append(const char16_t* chars, i32 n);
    StrBuffer& append(const char16_t* chars);
    StrBuffer& append(char16_t ch);
    /// Each value as 2, 4, 8 or 16 lower-case hex digits, zero-padded.
    StrBuffer& appendHex(const u8* values, u32 n);
    StrBuffer& appendHex(const u16* values, u32 n);
    StrBuffer& appendHex(const u32* values, u32 n);
    StrBuffer& appendHex(const u64* values, u32 n);
    /// Latin-1 widening of a C string.
    StrBuffer& append(const char* text);
    /// A plain `char` would silently become a number: say what is meant.
    StrBuffer& append(char) = delete;
    StrBuffer& append(i8 v);
    StrBuffer& append(i16 v);
    StrBuffer& append(i32 v);
    /// 64-bit decimal.
    StrBuffer& append(i64 v);
    StrBuffer& append(u8 v);
    StrBuffer& append(u16 v);
    StrBuffer& append(u32 v);
    StrBuffer& append(u64 v);
    /// Six decimals ("%f").
    StrBuffer& append(float v);
    StrBuffer& append(double v);
    StrBuffer& append(const IStr& str);
    StrBuffer& append(const wchar_t* text);
    /// UTF-8 text (a platform boundary helper).
    StrBuffer& appendUtf8(std::string_view text);

    StrBuffer& set(i8 v);
    StrBuffer& set(i16 v);
    StrBuffer& set(i32 v);
    StrBuffer& set(i64 v);
    StrBuffer& set(u8 v);
    StrBuffer& set(u16 v);
    StrBuffer& set(u32 v);
    StrBuffer& set(u64 v);
    StrBuffer& set(float v);
    StrBuffer& set(double v);
    StrBuffer& set(char) = delete;
    StrBuffer& set(const IStr& str);
    StrBuffer& set(const wchar_t* text);
    StrBuffer& set(const char16_t* text, i32 n = -1);
    StrBuffer& set(const char* text);
    StrBuffer& setUtf8(std::string_view text);

    // -- replacing and slicing --
    /// Every non-overlapping occurrence, left to right.
    StrBuffer& replaceAll(const char16_t* from, const char16_t* to);
    StrBuffer& replaceAllIgnoreCase(const char16_t* from, const char16_t* to);
    /// A new string from the pool with the same text; the caller owns it.
    [[nodiscard]] StrBuffer* clone() const;
    /// Keeps [from, to) in place; `to` is clamped to the length.
    StrBuffer& keep(u32 from, u32 to);
    /// A new string with [from, to); `to` is clamped to the length.
    [[nodiscard]] StrBuffer* substring(u32 from, u32 to = kFromEnd) const;
    /// New strings with the text before the last occurrence; empty when
    /// there is none.
    [[nodiscard]] StrBuffer* beforeLast(char16_t ch) const;
    [[nodiscard]] StrBuffer* beforeLastIgnoreCase(char16_t ch) const;
    [[nodiscard]] StrBuffer* beforeLastAny(const char16_t* chars, i32 n) const;
    [[nodiscard]] StrBuffer* beforeLastAnyIgnoreCase(const char16_t* chars, i32 n) const;
    [[nodiscard]] StrBuffer* beforeLast(const IStr& str) const;
    [[nodiscard]] StrBuffer* beforeLastIgnoreCase(const IStr& str) const;

    // -- conversions. `out` null: a new array from the pool (caller owns). --
    /// UTF-8 bytes followed by a 0 byte that counts in the array's size.
    col::_array::ArrayU08* toUtf8(col::_array::ArrayU08* out, bool append) const;
    /// UTF-8 bytes with a 0 written after the data but not counted.
    col::_array::ArrayU08* toUtf8Uncounted(col::_array::ArrayU08* out, bool append) const;
    StrBuffer& fromUtf8(const u8* bytes, bool append, i32 n = -1);
    /// Counted terminator as for `toUtf8`; for the two UTF-16 code pages the
    /// terminator is a whole zero character (two bytes). Characters that the
    /// code page lacks become its replacement; an unknown code page adds
    /// nothing.
    col::_array::ArrayU08* toCodePage(u32 codePage, col::_array::ArrayU08* out, bool append) const;
    col::_array::ArrayU08* toCodePageUncounted(u32 codePage, col::_array::ArrayU08* out, bool append) const;
    /// Stops at the end of the bytes; a failed conversion adds nothing.
    StrBuffer& fromCodePage(u32 codePage, const u8* data, bool append, i32 n = -1);
    col::_array::ArrayU08* toOem(col::_array::ArrayU08* out, bool append) const;
    col::_array::ArrayU08* toOemUncounted(col::_array::ArrayU08* out, bool append) const;
    StrBuffer& fromOem(const u8* bytes, bool append, i32 n = -1);
    /// The text as UTF-8 (a platform boundary helper).
    std::string toStdString() const;
    std::u16string_view view() const { return {m_chars ? m_chars : u"", m_length}; }

    // -- numbers: the C library's decimal conversion of the text (leading
    // white space, optional sign, digits up to the first other character; 0
    // without digits). Out-of-range values saturate at the type's limits; a
    // negative text gives 0 for the unsigned types. The decimal point is '.'
    // whatever the process locale. --
    i8 toS08() const;
    u8 toU08() const;
    i16 toS16() const;
    u16 toU16() const;
    i32 toS32() const;
    u32 toU32() const;
    i64 toS64() const;
    u64 toU64() const;
    float toFloat() const;
    /// Not empty, every character a hex digit.
    bool isHex() const;
    /// 0 for a non-hex character.
    u32 hexDigitAt(u32 i) const;
    /// result * 16 + digit over all characters, in 32 bits.
    u32 parseHex() const;
    /// Each pair of hex characters becomes one byte.
    col::_array::ArrayU08* hexToBytes(col::_array::ArrayU08* out, bool append) const;
    /// Not empty, digits only, with an optional leading '-' when longer than 1.
    bool isInteger() const;

    // -- splitting --
    /// The pieces between separators; empty pieces are left out.
    [[nodiscard]] strarray::StrArray* split(char16_t ch) const;
    /// The distinct words (case-insensitively), in order of appearance.
    /// Words are runs of ASCII letters and digits, '%', '+', '-', Latin-1
    /// letters and any character beyond Latin-1 except CJK punctuation. With
    /// `excludeStopWords`, "the", "of" and "and" are left out wherever they
    /// stand.
    [[nodiscard]] strarray::StrArray* words(bool excludeStopWords) const;
    char16_t* charPtr(u32 i) { return m_chars + i; }
    const char16_t* charPtr(u32 i) const { return m_chars + i; }

    // -- iterators over the characters (pooled; the caller releases) --
    [[nodiscard]] Iterator* iterator();
    [[nodiscard]] Iterator* iteratorAtEnd();
    /// `next()` returns character `i`.
    [[nodiscard]] Iterator* iteratorAt(u32 i);
    /// `i` characters before the end: `previous()` returns character
    /// `length() - 1 - i`.
    [[nodiscard]] Iterator* iteratorFromEnd(u32 i);

    // -- comparison --
    /// Bytes (two per character, low byte first) as unsigned over the common
    /// length; a prefix is smaller.
    int compareTo(const base::IObject* other, const base::IComparator* comparator = nullptr) const override;
    int compareToIgnoreCase(const base::IObject* other,
                            const base::IComparator* comparator = nullptr) const override;
    bool equals(const base::IObject* other, const base::IComparator* comparator = nullptr) const override;
    bool equalsIgnoreCase(const base::IObject* other,
                          const base::IComparator* comparator = nullptr) const override;
    i32 hashCode() const override;
    i32 hashCodeIgnoreCase() const override;
    const char16_t* getClassName() const override { return u"s_str_strbuffer_StrBuffer"; }

    // -- stream over the characters' bytes --
    bool read(void* buffer, u32 bytes, u32* bytesRead) override;
    bool write(const void* data, u32 bytes, u32* bytesWritten) override;
    void close() override { m_position = 0; }
    i64 getPosition() const override { return m_position; }
    bool canSeek() const override { return true; }
    bool rewind() override;
    bool seekToEnd() override;
    bool seek(i64 position) override;
    bool seekFromEnd(i64 back) override;
    bool skip(i64 n) override;
    bool back(i64 n) override;
    void closeAndClear() override;

    /// Frees the storage (the string's state when it goes back to the pool).
    void reset() override;

    /// Exchanges storage and counts with `other`.
    void swapStorage(StrBuffer& other);

private:
    void growTo(u32 capacity);
    /// Appends `n` units; `chars` may point into this string's own storage.
    void appendUnits(const char16_t* chars, u32 n);
    /// Whether `p` points into the storage (so a growth would free it).
    bool ownsPointer(const void* p) const;

    char16_t* m_chars = nullptr;
    u32 m_length = 0;
    u32 m_capacity = 0;
    u32 m_position = 0; // stream position in bytes
};

/// An iterator over the characters of a `StrBuffer`; `next()` returns a
/// pointer to a `char16_t`.
class Iterator : public col::IteratorBase {
    S_POOLED_CLASS(Iterator)

public:
    /// Attaches to `str` with `index` at `index`.
    void open(StrBuffer* str, i32 index);
    const char16_t* getClassName() const override { return u"s_str_strbuffer_Iterator"; }

protected:
    u32 count() const override;
    void* pointerAt(u32 i) const override;
};

} // namespace s::str::strbuffer
