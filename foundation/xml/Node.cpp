#include "foundation/xml/Node.h"

#include "foundation/col/array/Arrays.h"
#include "foundation/file/IPath.h"
#include "foundation/file/win/OsText.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/Escape.h"
#include "foundation/xml/Files.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace s::xml {

using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;

namespace {

u32 lengthOf(const char16_t* text, i32 length) {
    if (!text)
        return 0;
    return length < 0 ? base::charsLength(text) : static_cast<u32>(length);
}

const char16_t* skipSpace(const char16_t* p) {
    while (isXmlSpace(*p))
        ++p;
    return p;
}

const char16_t* skipTo(const char16_t* p, char16_t c) {
    while (*p && *p != c)
        ++p;
    return p;
}

const char16_t* endOf(const char16_t* p) {
    while (*p)
        ++p;
    return p;
}

bool isNameEnd(char16_t c) { return c == 0 || isXmlSpace(c) || c == u'/' || c == u'>'; }

template <class T>
void appendHexDigits(std::u16string& out, const T* values, u32 count) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    for (u32 i = 0; i < count; ++i)
        for (int shift = static_cast<int>(sizeof(T) * 8) - 4; shift >= 0; shift -= 4)
            out.push_back(kDigits[(static_cast<u64>(values[i]) >> shift) & 0xF]);
}

} // namespace

struct Node::ParseState {
    bool complete = true;
};

Node::Node() { m_children.setElementDestructor(&thread::poolOf<Node>()); }

Node::~Node() {
    m_children.dispose();
    std::free(m_name);
}

void Node::clear() {
    m_children.clear();
    m_attributes.clear();
    std::free(m_name);
    m_name = nullptr;
    m_nameLength = 0;
}

void Node::setName(const char16_t* name, i32 length) {
    const u32 n = lengthOf(name, length);
    std::free(m_name);
    m_name = nullptr;
    m_nameLength = 0;
    if (n == 0)
        return;
    auto* copy = static_cast<char16_t*>(std::malloc((static_cast<size_t>(n) + 1) * sizeof(char16_t)));
    if (!copy)
        return;
    std::memcpy(copy, name, n * sizeof(char16_t));
    copy[n] = 0;
    m_name = copy;
    m_nameLength = n;
}

bool Node::nameEquals(const char16_t* name, i32 length) const {
    if (length < 0)
        return xml::equalsIgnoreCase(m_name, m_nameLength, name, lengthOf(name, -1));
    if (m_nameLength != static_cast<u32>(length))
        return false;
    return length == 0 || std::memcmp(m_name, name, m_nameLength * sizeof(char16_t)) == 0;
}

Node* Node::addChild(const char16_t* name, i32 length) {
    Node* child = Node::create();
    if (!child)
        return nullptr;
    child->setName(name, length);
    addChild(child);
    return child;
}

void Node::addChild(Node* node) {
    if (node)
        m_children.append(node);
}

bool Node::findChild(const char16_t* name, u32* index, i32 length) const {
    for (u32 i = 0; i < m_children.size(); ++i) {
        if (getChild(i)->nameEquals(name, length)) {
            if (index)
                *index = i;
            return true;
        }
    }
    return false;
}

Node* Node::getChild(const char16_t* name, i32 length) const {
    u32 index;
    return findChild(name, &index, length) ? getChild(index) : nullptr;
}

// -- reading --

const char16_t* Node::parse(const char16_t* text) { return parse(text, nullptr); }

const char16_t* Node::parse(const char16_t* text, bool* complete) {
    clear();
    ParseState state;
    const char16_t* end = text ? parseElement(text, 0, state) : nullptr;
    if (complete)
        *complete = text && state.complete && m_name;
    return end;
}

const char16_t* Node::parseElement(const char16_t* p, u32 depth, ParseState& state) {
    p = skipTo(p, u'<');
    if (!*p) {
        state.complete = false;
        return p;
    }
    p = skipSpace(p + 1);

    if (*p == u'!') {
        // A comment: its name is "!--" (or what there is of it); it ends at "-->".
        u32 n = 0;
        while (n < 3 && p[n])
            ++n;
        setName(p, static_cast<i32>(n));
        for (p += n; *p; ++p)
            if (p[0] == u'-' && p[1] == u'-' && p[2] == u'>')
                return p + 3;
        state.complete = false;
        return p;
    }

    const char16_t* name = p;
    while (!isNameEnd(*p))
        ++p;
    setName(name, static_cast<i32>(p - name));

    // Attributes: name="value". A value without quotes runs to white space,
    // '>' or a quote; a name without '=' gets an empty value.
    for (;;) {
        p = skipSpace(p);
        if (!*p) {
            state.complete = false;
            return p;
        }
        if (*p == u'>' || *p == u'/')
            break;
        const char16_t* attrName = p;
        while (*p && *p != u'=' && !isNameEnd(*p))
            ++p;
        const u32 attrNameLength = static_cast<u32>(p - attrName);
        p = skipSpace(p);
        const char16_t* value = p;
        u32 valueLength = 0;
        if (*p == u'=') {
            p = skipSpace(p + 1);
            if (*p == u'"') {
                value = ++p;
                p = skipTo(p, u'"');
                valueLength = static_cast<u32>(p - value);
                if (*p)
                    ++p;
            } else {
                // Stops at a quote too: a stored value never holds one raw,
                // or the written form would not read back the same.
                value = p;
                while (*p && !isXmlSpace(*p) && *p != u'>' && *p != u'"')
                    ++p;
                valueLength = static_cast<u32>(p - value);
            }
        }
        // A record without a name would read as element text: drop it.
        if (attrNameLength)
            m_attributes.append(attrName, attrNameLength, value, valueLength);
    }

    if (*p == u'/') {
        p = skipTo(p, u'>');
        if (!*p)
            state.complete = false;
        return *p ? p + 1 : p;
    }

    // Content: text, children, and text between children.
    p = skipSpace(p + 1);
    for (;;) {
        if (*p && *p != u'<') {
            const char16_t* text = p;
            p = skipTo(p, u'<');
            const char16_t* last = p;
            while (last > text && isXmlSpace(last[-1]))
                --last;
            appendStored(nullptr, text, static_cast<u32>(last - text));
        }
        if (!*p) {
            state.complete = false;
            return p;
        }
        if (p[1] == u'/') {
            p = skipTo(p, u'>');
            if (!*p)
                state.complete = false;
            return *p ? p + 1 : p;
        }
        if (depth + 1 >= kMaxDepth) {
            state.complete = false;
            return endOf(p);
        }
        Node* child = Node::create();
        p = child->parseElement(p, depth + 1, state);
        if (child->isComment())
            child->release();
        else
            addChild(child);
        if (!state.complete)
            return endOf(p);
        p = skipSpace(p);
    }
}

bool Node::parseUtf8(const ArrayU08* bytes) {
    if (!bytes) {
        clear();
        return false;
    }
    return parseUtf8(bytes->data(), bytes->size());
}

bool Node::parseUtf8(const u8* bytes, u32 n) {
    clear();
    if (!bytes || n == 0)
        return false;
    auto text = thread::makePooled<StrBuffer>();
    text->fromUtf8(bytes, false, static_cast<i32>(n));
    const char16_t* p = text->c_str();
    bool complete = false;
    // Comments before the root element are not the document.
    for (;;) {
        p = parse(p, &complete);
        if (!isComment() || !*p)
            break;
    }
    if (isComment()) {
        clear();
        return false;
    }
    return complete;
}

// -- setters --

void Node::appendStored(const char16_t* name, const char16_t* stored, u32 n) {
    m_attributes.append(name ? name : u"", lengthOf(name, -1), stored, n);
}

void Node::setNumber(const char16_t* name, i8 value) { setNumber(name, static_cast<i64>(value)); }
void Node::setNumber(const char16_t* name, i16 value) { setNumber(name, static_cast<i64>(value)); }
void Node::setNumber(const char16_t* name, i32 value) { setNumber(name, static_cast<i64>(value)); }
void Node::setNumber(const char16_t* name, u8 value) { setNumber(name, static_cast<u32>(value)); }
void Node::setNumber(const char16_t* name, u16 value) { setNumber(name, static_cast<u32>(value)); }

void Node::setNumber(const char16_t* name, i64 value) {
    std::u16string text;
    appendDecimal(text, value);
    appendStored(name, text.data(), static_cast<u32>(text.size()));
}

void Node::setNumber(const char16_t* name, u32 value) {
    std::u16string text;
    appendDecimal(text, static_cast<u64>(value));
    appendStored(name, text.data(), static_cast<u32>(text.size()));
}

void Node::setNumber(const char16_t* name, float value) { setNumber(name, static_cast<double>(value)); }

void Node::setNumber(const char16_t* name, double value) {
    std::u16string text;
    appendFixed(text, value);
    appendStored(name, text.data(), static_cast<u32>(text.size()));
}

void Node::setString(const char16_t* name, const char16_t* value) {
    std::u16string stored;
    appendEscaped(stored, value, lengthOf(value, -1), kindOfName(name));
    appendStored(name, stored.data(), static_cast<u32>(stored.size()));
}

void Node::setHex(const char16_t* name, const u64* values, u32 count) {
    std::u16string text;
    appendHexDigits(text, values, count);
    appendStored(name, text.data(), static_cast<u32>(text.size()));
}

void Node::setHex(const char16_t* name, const u32* values, u32 count) {
    std::u16string text;
    appendHexDigits(text, values, count);
    appendStored(name, text.data(), static_cast<u32>(text.size()));
}

void Node::setHex(const char16_t* name, const u16* values, u32 count) {
    std::u16string text;
    appendHexDigits(text, values, count);
    appendStored(name, text.data(), static_cast<u32>(text.size()));
}

void Node::setHex(const char16_t* name, const u8* values, u32 count) {
    std::u16string text;
    appendHexDigits(text, values, count);
    appendStored(name, text.data(), static_cast<u32>(text.size()));
}

// -- getters --

const char16_t* Node::getRaw(const char16_t* name, const char16_t* fallback) const {
    const AttrRecord* record = m_attributes.find(name);
    return record ? record->value : fallback;
}

bool Node::getBool(const char16_t* name, bool fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    if (!value)
        return fallback;
    return value[0] == u'1' ||
           (value[0] == u't' && value[1] == u'r' && value[2] == u'u' && value[3] == u'e');
}

i8 Node::getInt(const char16_t* name, i8 fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? static_cast<i8>(parseDecimal(value)) : fallback;
}

i16 Node::getInt(const char16_t* name, i16 fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? static_cast<i16>(parseDecimal(value)) : fallback;
}

i32 Node::getInt(const char16_t* name, i32 fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? static_cast<i32>(parseDecimal(value)) : fallback;
}

i64 Node::getInt(const char16_t* name, i64 fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? parseDecimal(value) : fallback;
}

u8 Node::getUnsigned(const char16_t* name, u8 fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? static_cast<u8>(parseDecimal(value)) : fallback;
}

u16 Node::getUnsigned(const char16_t* name, u16 fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? static_cast<u16>(parseDecimal(value)) : fallback;
}

u32 Node::getUnsigned(const char16_t* name, u32 fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? static_cast<u32>(parseDecimal(value)) : fallback;
}

double Node::getDouble(const char16_t* name, double fallback) const {
    const char16_t* value = getRaw(name, nullptr);
    return value ? parseDouble(value) : fallback;
}

StrBuffer* Node::getString(StrBuffer* out, const char16_t* name, const char16_t* fallback, bool append) const {
    if (!out)
        out = StrBuffer::create();
    if (!append)
        out->clear();
    const AttrRecord* record = m_attributes.find(name);
    if (!record) {
        if (fallback)
            out->append(fallback);
        return out;
    }
    std::u16string plain;
    appendUnescaped(plain, record->value, record->valueLength, kindOfName(name));
    out->append(plain.data(), static_cast<i32>(plain.size()));
    return out;
}

// -- writing --

void Node::appendXml(std::u16string& out) const {
    out.push_back(u'<');
    out.append(m_name ? m_name : u"", m_nameLength);
    const AttrRecord* text = nullptr;
    for (u32 i = 0; i < m_attributes.size(); ++i) {
        const AttrRecord* record = m_attributes.get(i);
        if (record->nameLength == 0) {
            if (!text)
                text = record;
            continue;
        }
        out.push_back(u' ');
        out.append(record->name, record->nameLength);
        out.append(u"=\"");
        out.append(record->value, record->valueLength);
        out.push_back(u'"');
    }
    out.push_back(u'>');
    if (text)
        out.append(text->value, text->valueLength);
    for (u32 i = 0; i < m_children.size(); ++i)
        getChild(i)->appendXml(out);
    out.append(u"</");
    out.append(m_name ? m_name : u"", m_nameLength);
    out.push_back(u'>');
}

StrBuffer* Node::toXml(StrBuffer* out, bool append) const {
    if (!out)
        out = StrBuffer::create();
    if (!append)
        out->clear();
    std::u16string text;
    appendXml(text);
    out->append(text.data(), static_cast<i32>(text.size()));
    return out;
}

ArrayU08* Node::toUtf8(ArrayU08* out, bool append) const {
    auto text = thread::makePooled<StrBuffer>();
    toXml(text.get(), false);
    return text->toUtf8Uncounted(out, append);
}

bool Node::readFile(const char16_t* path) {
    clear();
    if (!path || !*path)
        return false;
    auto bytes = thread::makePooled<ArrayU08>();
    if (files::readWholeFile(file::win::toOsText(path), *bytes) != files::ReadResult::Ok)
        return false;
    return parseUtf8(bytes.get());
}

bool Node::writeFile(const char16_t* path) const {
    if (!path || !*path)
        return false;
    auto bytes = thread::makePooled<ArrayU08>();
    toUtf8(bytes.get(), false);
    return files::replaceFile(file::win::toOsText(path), bytes->data(), bytes->size());
}

bool Node::readFile(const file::IPath& path) { return readFile(path.fullPathText()); }

bool Node::writeFile(const file::IPath& path) const { return writeFile(path.fullPathText()); }

} // namespace s::xml
