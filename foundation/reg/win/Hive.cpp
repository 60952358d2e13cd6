#include "foundation/reg/win/Hive.h"

#include "foundation/col/array/Arrays.h"
#include "foundation/reg/win/RegDir.h"
#include "foundation/str/StrBuffer.h"
#include "foundation/xml/Escape.h"
#include "foundation/xml/Files.h"
#include "foundation/xml/Node.h"

#include <cwctype>
#include <map>
#include <sys/stat.h>

namespace s::reg::win {

using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;

namespace {

// Deeper keys could not be read back by the document reader.
constexpr size_t kMaxKeyDepth = 200;

struct TypeName {
    u32 type;
    const char16_t* name;
};

constexpr TypeName kTypeNames[] = {
    {kRegNone, u"REG_NONE"},       {kRegSz, u"REG_SZ"},
    {kRegExpandSz, u"REG_EXPAND_SZ"}, {kRegBinary, u"REG_BINARY"},
    {kRegDword, u"REG_DWORD"},     {kRegDwordBigEndian, u"REG_DWORD_BIG_ENDIAN"},
    {kRegLink, u"REG_LINK"},       {kRegMultiSz, u"REG_MULTI_SZ"},
    {kRegQword, u"REG_QWORD"},
};

bool isTextType(u32 type) { return type == kRegSz || type == kRegExpandSz; }

u64 readLittleEndian(const std::vector<u8>& data) {
    u64 value = 0;
    for (size_t i = data.size(); i-- > 0;)
        value = value << 8 | data[i];
    return value;
}

void writeLittleEndian(std::vector<u8>& data, u64 value, size_t bytes) {
    data.resize(bytes);
    for (size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<u8>(value >> (8 * i));
}

u64 parseUnsigned(const char16_t* text) {
    u64 value = 0;
    for (const char16_t* p = text; *p >= u'0' && *p <= u'9'; ++p)
        value = value * 10 + static_cast<u64>(*p - u'0');
    return value;
}

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// A string value whose bytes the text form reproduces exactly: whole UTF-16
// units, one terminating zero and no other, surrogates in pairs.
bool hasTextForm(const RegValue& value, std::u16string* text) {
    const std::vector<u8>& d = value.data;
    if (!isTextType(value.type) || d.size() < 2 || d.size() % 2 != 0)
        return false;
    const size_t units = d.size() / 2;
    text->clear();
    for (size_t i = 0; i < units; ++i) {
        const char16_t c = static_cast<char16_t>(d[2 * i] | d[2 * i + 1] << 8);
        if (c == 0)
            return i == units - 1;
        text->push_back(c);
    }
    return false;
}

bool hasValidSurrogates(std::u16string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)
                return false;
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
    }
    return true;
}

void appendAttribute(std::u16string& out, const char16_t* name, std::u16string_view value) {
    out.push_back(u' ');
    out.append(name);
    out.append(u"=\"");
    xml::appendEscaped(out, value.data(), static_cast<u32>(value.size()), xml::ValueKind::Attribute);
    out.push_back(u'"');
}

void appendValue(std::u16string& out, const RegValue& value, size_t depth) {
    out.append(depth * 2, u' ');
    out.append(u"<value");
    appendAttribute(out, u"name", value.name);
    std::u16string typeText;
    for (const TypeName& t : kTypeNames)
        if (t.type == value.type)
            typeText = t.name;
    if (typeText.empty())
        xml::appendDecimal(typeText, static_cast<u64>(value.type));
    appendAttribute(out, u"type", typeText);

    std::u16string text;
    if ((value.type == kRegDword && value.data.size() == 4) || (value.type == kRegQword && value.data.size() == 8)) {
        xml::appendDecimal(text, readLittleEndian(value.data));
        appendAttribute(out, u"data", text);
    } else if (hasTextForm(value, &text) && hasValidSurrogates(text)) {
        appendAttribute(out, u"data", text);
    } else {
        static constexpr char16_t kDigits[] = u"0123456789abcdef";
        text.clear();
        for (u8 b : value.data) {
            text.push_back(kDigits[b >> 4]);
            text.push_back(kDigits[b & 0xF]);
        }
        appendAttribute(out, u"hex", text);
    }
    out.append(u"/>\n");
}

void appendKeyBody(std::u16string& out, const RegKey& key, size_t depth) {
    for (const RegValue& value : key.values)
        appendValue(out, value, depth);
    for (const auto& sub : key.keys) {
        out.append(depth * 2, u' ');
        out.append(u"<key");
        appendAttribute(out, u"name", sub->name);
        out.append(u">\n");
        appendKeyBody(out, *sub, depth + 1);
        out.append(depth * 2, u' ');
        out.append(u"</key>\n");
    }
}

std::u16string attributeText(const xml::Node& element, const char16_t* name) {
    auto text = thread::makePooled<StrBuffer>();
    element.getString(text.get(), name, u"", false);
    return std::u16string(text->view());
}

RegValue readValue(const xml::Node& element) {
    RegValue value;
    value.name = attributeText(element, u"name");
    const std::u16string typeText = attributeText(element, u"type");
    value.type = static_cast<u32>(parseUnsigned(typeText.c_str()));
    for (const TypeName& t : kTypeNames)
        if (typeText == t.name)
            value.type = t.type;

    if (const char16_t* hex = element.getRaw(u"hex", nullptr)) {
        for (const char16_t* p = hex; p[0] && p[1]; p += 2) {
            const int high = hexValue(p[0]), low = hexValue(p[1]);
            if (high < 0 || low < 0)
                break;
            value.data.push_back(static_cast<u8>(high << 4 | low));
        }
        return value;
    }
    const std::u16string data = attributeText(element, u"data");
    if (value.type == kRegDword) {
        writeLittleEndian(value.data, parseUnsigned(data.c_str()), 4);
    } else if (value.type == kRegQword) {
        writeLittleEndian(value.data, parseUnsigned(data.c_str()), 8);
    } else {
        for (char16_t c : data) {
            value.data.push_back(static_cast<u8>(c));
            value.data.push_back(static_cast<u8>(c >> 8));
        }
        value.data.push_back(0);
        value.data.push_back(0);
    }
    return value;
}

void readKey(const xml::Node& element, RegKey& key) {
    for (u32 i = 0; i < element.childCount(); ++i) {
        const xml::Node* child = element.getChild(i);
        if (child->nameEquals(u"value", 5)) {
            RegValue value = readValue(*child);
            // The first of two values of one name wins, as a lookup would.
            if (!key.findValue(value.name))
                key.values.push_back(std::move(value));
        } else if (child->nameEquals(u"key", 3)) {
            const std::u16string name = attributeText(*child, u"name");
            RegKey* sub = key.findKey(name);
            if (!sub) {
                key.keys.push_back(std::make_unique<RegKey>());
                sub = key.keys.back().get();
                sub->name = name;
            }
            readKey(*child, *sub);
        }
    }
}

} // namespace

bool sameRegName(std::u16string_view a, std::u16string_view b) {
    return xml::equalsIgnoreCase(a.data(), static_cast<u32>(a.size()), b.data(), static_cast<u32>(b.size()));
}

RegKey* RegKey::findKey(std::u16string_view name) const {
    const i32 i = keyIndex(name);
    return i < 0 ? nullptr : keys[static_cast<size_t>(i)].get();
}

RegValue* RegKey::findValue(std::u16string_view name) {
    const i32 i = valueIndex(name);
    return i < 0 ? nullptr : &values[static_cast<size_t>(i)];
}

i32 RegKey::keyIndex(std::u16string_view name) const {
    for (size_t i = 0; i < keys.size(); ++i)
        if (sameRegName(keys[i]->name, name))
            return static_cast<i32>(i);
    return -1;
}

i32 RegKey::valueIndex(std::u16string_view name) const {
    for (size_t i = 0; i < values.size(); ++i)
        if (sameRegName(values[i].name, name))
            return static_cast<i32>(i);
    return -1;
}

Hive* Hive::forFile(const std::string& file) {
    // Never destroyed: key objects may still be used while the process exits.
    static std::mutex* lock = new std::mutex();
    static auto* hives = new std::map<std::string, std::unique_ptr<Hive>>();
    std::lock_guard guard(*lock);
    std::unique_ptr<Hive>& hive = (*hives)[file];
    if (!hive)
        hive.reset(new Hive(file));
    return hive.get();
}

Hive::Stamp Hive::stampOfFile() const {
    Stamp stamp;
    struct stat info;
    if (::stat(m_file.c_str(), &info) != 0)
        return stamp;
    stamp.present = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = static_cast<u64>(info.st_size);
    stamp.seconds = info.st_mtim.tv_sec;
    stamp.nanoseconds = info.st_mtim.tv_nsec;
    return stamp;
}

void Hive::refresh() {
    const Stamp now = stampOfFile();
    if (m_loaded && now == m_stamp)
        return;
    m_stamp = now;
    m_loaded = load();
}

bool Hive::load() {
    m_root.values.clear();
    m_root.keys.clear();
    auto bytes = thread::makePooled<ArrayU08>();
    switch (xml::files::readWholeFile(m_file, *bytes)) {
    case xml::files::ReadResult::Missing:
        return true;
    case xml::files::ReadResult::Failed:
        return false;
    case xml::files::ReadResult::Ok:
        break;
    }
    auto document = thread::makePooled<xml::Node>();
    // A broken document still gives what could be read; the next write
    // replaces it with a whole one.
    (void)document->parseUtf8(bytes.get());
    readKey(*document, m_root);
    return true;
}

RegKey* Hive::find(const std::vector<std::u16string>& names, bool create, bool* created) {
    if (created)
        *created = false;
    if (names.size() > kMaxKeyDepth)
        return nullptr;
    RegKey* key = &m_root;
    for (const std::u16string& name : names) {
        RegKey* sub = key->findKey(name);
        if (!sub) {
            if (!create)
                return nullptr;
            key->keys.push_back(std::make_unique<RegKey>());
            sub = key->keys.back().get();
            sub->name = name;
            if (created)
                *created = true;
        }
        key = sub;
    }
    return key;
}

std::u16string Hive::toText() const {
    std::u16string text = u"<registry>\n";
    appendKeyBody(text, m_root, 1);
    text.append(u"</registry>\n");
    return text;
}

bool Hive::commit() {
    // A file that exists but could not be read must not be replaced by the
    // little this process knows.
    if (!m_loaded && m_stamp.present)
        return false;
    const std::u16string text = toText();
    auto buffer = thread::makePooled<StrBuffer>();
    buffer->set(text.data(), static_cast<i32>(text.size()));
    auto bytes = thread::makePooled<ArrayU08>();
    buffer->toUtf8Uncounted(bytes.get(), false);
    if (!xml::files::replaceFile(m_file, bytes->data(), bytes->size()))
        return false;
    m_stamp = stampOfFile();
    m_loaded = true;
    return true;
}

} // namespace s::reg::win
