#pragma once

#include "foundation/col/array/ArrayP.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "foundation/xml/Attributes.h"
#include "foundation/xml/IXml.h"

namespace s::xml {

/// An element of an XML document; see `IXml`.
///
/// Reads the subset of XML that the settings file and the language pack use
/// and writes exactly that subset back: no declaration, processing
/// instructions, CDATA or document types; comments are skipped when read and
/// never written; single quotes do not delimit values. The reader never
/// trusts its input: it stops at the terminating zero, always makes progress,
/// and does not nest deeper than `kMaxDepth` (the rest of such a text is
/// dropped), so malformed text gives a partial tree, never a crash or a hang.
///
/// Children belong to their parent and go back to the `Node` pool with it.
class Node final : public IXml, public thread::IPoolable {
    S_POOLED_CLASS(Node)

public:
    /// Elements nested deeper than this end the reading.
    static constexpr u32 kMaxDepth = 256;

    Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    ~Node() override;

    u32 childCount() const override { return m_children.size(); }
    void clear() override;

    const char16_t* parse(const char16_t* text) override;
    /// Like `parse`, also telling whether the element was read completely
    /// (its end tag or empty-element slash was found within the depth limit).
    const char16_t* parse(const char16_t* text, bool* complete);
    [[nodiscard]] bool parseUtf8(const col::_array::ArrayU08* bytes) override;
    /// `parseUtf8` on `n` bytes.
    [[nodiscard]] bool parseUtf8(const u8* bytes, u32 n);

    const char16_t* getName() const override { return m_name; }
    u32 getNameLength() const { return m_nameLength; }
    void setName(const char16_t* name, i32 length = -1) override;
    bool nameEquals(const char16_t* name, i32 length = -1) const override;
    bool isComment() const override { return m_name && m_name[0] == u'!'; }

    Node* getChild(u32 index) const override { return m_children.getAs<Node>(index); }
    Node* addChild(const char16_t* name, i32 length = -1) override;
    void addChild(Node* node) override;
    void removeChild(u32 index) override { m_children.remove(index); }
    bool findChild(const char16_t* name, u32* index, i32 length = -1) const override;
    Node* getChild(const char16_t* name, i32 length = -1) const override;

    void setNumber(const char16_t* name, i8 value) override;
    void setNumber(const char16_t* name, i16 value) override;
    void setNumber(const char16_t* name, i32 value) override;
    void setNumber(const char16_t* name, i64 value) override;
    void setNumber(const char16_t* name, u8 value) override;
    void setNumber(const char16_t* name, u16 value) override;
    void setNumber(const char16_t* name, u32 value) override;
    void setNumber(const char16_t* name, float value) override;
    void setNumber(const char16_t* name, double value) override;
    void setString(const char16_t* name, const char16_t* value) override;
    void setHex(const char16_t* name, const u64* values, u32 count) override;
    void setHex(const char16_t* name, const u32* values, u32 count) override;
    void setHex(const char16_t* name, const u16* values, u32 count) override;
    void setHex(const char16_t* name, const u8* values, u32 count) override;

    const char16_t* getRaw(const char16_t* name, const char16_t* fallback) const override;
    bool getBool(const char16_t* name, bool fallback) const override;
    i8 getInt(const char16_t* name, i8 fallback) const override;
    i16 getInt(const char16_t* name, i16 fallback) const override;
    i32 getInt(const char16_t* name, i32 fallback) const override;
    i64 getInt(const char16_t* name, i64 fallback) const override;
    u8 getUnsigned(const char16_t* name, u8 fallback) const override;
    u16 getUnsigned(const char16_t* name, u16 fallback) const override;
    u32 getUnsigned(const char16_t* name, u32 fallback) const override;
    /// Floating-point value in the C locale's syntax; `fallback` when absent.
    double getDouble(const char16_t* name, double fallback) const;
    str::strbuffer::StrBuffer* getString(str::strbuffer::StrBuffer* out, const char16_t* name,
                                         const char16_t* fallback, bool append) const override;

    str::strbuffer::StrBuffer* toXml(str::strbuffer::StrBuffer* out, bool append) const override;
    col::_array::ArrayU08* toUtf8(col::_array::ArrayU08* out, bool append) const override;

    Attributes& getAttributes() override { return m_attributes; }
    const Attributes& getAttributes() const override { return m_attributes; }

    [[nodiscard]] bool readFile(const char16_t* path) override;
    [[nodiscard]] bool readFile(const file::IPath& path) override;
    [[nodiscard]] bool writeFile(const char16_t* path) const override;
    [[nodiscard]] bool writeFile(const file::IPath& path) const override;

    const char16_t* getClassName() const override { return u"s_xml_Node"; }
    /// Clears the element (its state when it goes back to the pool).
    void reset() override { clear(); }

private:
    struct ParseState;
    const char16_t* parseElement(const char16_t* p, u32 depth, ParseState& state);
    /// Appends a record of already escaped `n` characters.
    void appendStored(const char16_t* name, const char16_t* stored, u32 n);
    void appendXml(std::u16string& out) const;

    col::_array::ArrayP m_children; // Node*, owned through the Node pool
    Attributes m_attributes;
    char16_t* m_name = nullptr; // malloc'ed, zero-terminated; null when unnamed
    u32 m_nameLength = 0;
};

} // namespace s::xml
