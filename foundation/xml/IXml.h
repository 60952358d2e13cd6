#pragma once

#include "foundation/base/IObject.h"

namespace s::col::_array {
class ArrayU08;
}
namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::file {
class IPath;
}

namespace s::xml {

class Attributes;
class Node;

/// An element of the library's small XML document model: a name, attribute
/// records (element text is the record with an empty name) and child
/// elements.
///
/// Name arguments are UTF-16; a length of -1 means "up to the terminating
/// zero". A null or empty attribute name addresses the element text. Values
/// are held escaped: setters escape (attribute or text rules, chosen by the
/// name), getters unescape. Every setter appends a record; it never replaces
/// one of the same name. Lookups compare attribute names case-insensitively
/// and take the first match. One thread at a time per tree.
class IXml : public base::IObject {
public:
    virtual u32 childCount() const = 0;
    /// Drops the name, every attribute and every child.
    virtual void clear() = 0;

    /// Reads one element from zero-terminated text into this (cleared)
    /// element; returns the position just after it. Never reads past the
    /// terminating zero: malformed or truncated text yields a partial tree
    /// and the end of the text. Text before the first '<' is ignored.
    virtual const char16_t* parse(const char16_t* text) = 0;
    /// Decodes UTF-8 bytes and reads the document's root element (comments
    /// before it are skipped). True when a named element was read completely.
    [[nodiscard]] virtual bool parseUtf8(const col::_array::ArrayU08* bytes) = 0;

    /// Null when unnamed.
    virtual const char16_t* getName() const = 0;
    virtual void setName(const char16_t* name, i32 length = -1) = 0;
    /// With `length` -1 a case-insensitive comparison of the whole name;
    /// otherwise the name must be exactly those `length` characters.
    virtual bool nameEquals(const char16_t* name, i32 length = -1) const = 0;
    /// The name begins with '!'.
    virtual bool isComment() const = 0;

    virtual Node* getChild(u32 index) const = 0;
    /// Appends a new child from the pool with that name; null when memory
    /// runs out.
    virtual Node* addChild(const char16_t* name, i32 length = -1) = 0;
    /// Appends `node`, which the element owns from now on.
    virtual void addChild(Node* node) = 0;
    /// Removes child `index` and hands it back to the pool.
    virtual void removeChild(u32 index) = 0;
    /// The first child whose `nameEquals(name, length)` holds.
    virtual bool findChild(const char16_t* name, u32* index, i32 length = -1) const = 0;
    virtual Node* getChild(const char16_t* name, i32 length = -1) const = 0;

    /// Appends a record holding the decimal ("%d", "%u") or "%f" text.
    virtual void setNumber(const char16_t* name, i8 value) = 0;
    virtual void setNumber(const char16_t* name, i16 value) = 0;
    virtual void setNumber(const char16_t* name, i32 value) = 0;
    virtual void setNumber(const char16_t* name, i64 value) = 0;
    virtual void setNumber(const char16_t* name, u8 value) = 0;
    virtual void setNumber(const char16_t* name, u16 value) = 0;
    virtual void setNumber(const char16_t* name, u32 value) = 0;
    virtual void setNumber(const char16_t* name, float value) = 0;
    virtual void setNumber(const char16_t* name, double value) = 0;
    /// Appends `value` (zero-terminated) escaped by the attribute rules, or
    /// by the text rules for an empty name.
    virtual void setString(const char16_t* name, const char16_t* value) = 0;
    /// Appends the values as lower-case hex digits, 16/8/4/2 per value,
    /// concatenated.
    virtual void setHex(const char16_t* name, const u64* values, u32 count) = 0;
    virtual void setHex(const char16_t* name, const u32* values, u32 count) = 0;
    virtual void setHex(const char16_t* name, const u16* values, u32 count) = 0;
    virtual void setHex(const char16_t* name, const u8* values, u32 count) = 0;

    /// The stored (escaped) value, or `fallback` when absent.
    virtual const char16_t* getRaw(const char16_t* name, const char16_t* fallback) const = 0;
    /// True when the value begins with "1" or "true"; `fallback` when absent.
    virtual bool getBool(const char16_t* name, bool fallback) const = 0;
    /// The C library's decimal conversion of the value, truncated to the
    /// width of `fallback`; `fallback` when absent.
    virtual i8 getInt(const char16_t* name, i8 fallback) const = 0;
    virtual i16 getInt(const char16_t* name, i16 fallback) const = 0;
    virtual i32 getInt(const char16_t* name, i32 fallback) const = 0;
    virtual i64 getInt(const char16_t* name, i64 fallback) const = 0;
    virtual u8 getUnsigned(const char16_t* name, u8 fallback) const = 0;
    virtual u16 getUnsigned(const char16_t* name, u16 fallback) const = 0;
    virtual u32 getUnsigned(const char16_t* name, u32 fallback) const = 0;
    /// The unescaped value (or `fallback`) into `out`, replacing its text
    /// unless `append`. With `out` null a new pooled string is returned,
    /// which the caller owns.
    virtual str::strbuffer::StrBuffer* getString(str::strbuffer::StrBuffer* out, const char16_t* name,
                                                 const char16_t* fallback, bool append) const = 0;

    /// The element as text: no declaration, no line breaks, every element
    /// with an end tag. `out` null: a new pooled string (caller owns).
    virtual str::strbuffer::StrBuffer* toXml(str::strbuffer::StrBuffer* out, bool append) const = 0;
    /// That text as UTF-8 without byte-order mark or terminating zero.
    virtual col::_array::ArrayU08* toUtf8(col::_array::ArrayU08* out, bool append) const = 0;

    virtual Attributes& getAttributes() = 0;
    virtual const Attributes& getAttributes() const = 0;

    /// Reads and parses a whole UTF-8 file. True when the file was read and
    /// held a complete element; on false the element holds what could be
    /// read (possibly nothing).
    [[nodiscard]] virtual bool readFile(const char16_t* path) = 0;
    [[nodiscard]] virtual bool readFile(const file::IPath& path) = 0;
    /// Writes `toUtf8()` to the file, making missing parent folders. The file
    /// is replaced atomically: on failure the old file stays as it was.
    [[nodiscard]] virtual bool writeFile(const char16_t* path) const = 0;
    [[nodiscard]] virtual bool writeFile(const file::IPath& path) const = 0;
};

} // namespace s::xml
