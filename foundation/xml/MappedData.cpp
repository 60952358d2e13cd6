#include "foundation/xml/MappedData.h"

#include "foundation/col/array/Arrays.h"
#include "foundation/file/win/OsText.h"
#include "foundation/xml/Escape.h"
#include "foundation/xml/Files.h"
#include "foundation/xml/Node.h"

#include <string>
#include <string_view>

namespace s::xml {

using col::_array::ArrayU08;

namespace {

const char16_t* orEmpty(const char16_t* text) {
    return text ? text : u"";
}

bool isSeparator(char16_t c) {
    return c == u'/' || c == u'\\';
}

// What the reader would cut an element name at, or turn into a comment.
bool isStorableElementName(const char16_t* name, u32 n) {
    if (n == 0 || name[0] == u'!')
        return false;
    for (u32 i = 0; i < n; ++i)
        if (isXmlSpace(name[i]) || name[i] == u'>' || name[i] == u'/' || name[i] == 0)
            return false;
    return true;
}

// What the reader would cut an attribute name at. The empty key is the text.
bool isStorableKey(const char16_t* key) {
    for (const char16_t* p = orEmpty(key); *p; ++p)
        if (isXmlSpace(*p) || *p == u'>' || *p == u'/' || *p == u'=')
            return false;
    return true;
}

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return 0;
}

} // namespace

MappedData::~MappedData() {
    if (m_root)
        m_root->release();
}

void MappedData::reset() {
    if (m_root)
        m_root->release();
    m_root = nullptr;
    m_current = nullptr;
    m_file.reset();
    m_scratch.reset();
    m_currentGroupPath.reset();
    m_autoSave = true;
}

bool MappedData::open(const char16_t* path) {
    reset();
    m_file.set(orEmpty(path));
    m_root = Node::create();
    bool ok = true;
    auto bytes = thread::makePooled<ArrayU08>();
    switch (files::readWholeFile(file::win::toOsText(m_file.view()), *bytes)) {
    case files::ReadResult::Ok:
        ok = m_root->parseUtf8(bytes.get());
        break;
    case files::ReadResult::Missing:
        break;
    case files::ReadResult::Failed:
        ok = false;
        break;
    }
    if (!m_root->getName()) {
        m_root->clear();
        m_root->setName(u"savedata");
    }
    return ok;
}

bool MappedData::save() {
    if (!m_root || m_file.length() == 0)
        return false;
    return m_root->writeFile(m_file.c_str());
}

bool MappedData::touch() {
    return !m_autoSave || save();
}

Node* MappedData::walk(const char16_t* group, bool create) const {
    Node* node = m_root;
    const char16_t* p = orEmpty(group);
    while (node && *p) {
        if (isSeparator(*p)) {
            ++p;
            continue;
        }
        const char16_t* name = p;
        while (*p && !isSeparator(*p))
            ++p;
        const u32 n = static_cast<u32>(p - name);
        Node* child = node->getChild(name, static_cast<i32>(n));
        if (!child && create && isStorableElementName(name, n))
            child = node->addChild(name, static_cast<i32>(n));
        node = child;
    }
    return node;
}

void MappedData::forgetCurrent() {
    m_current = nullptr;
    m_currentGroupPath.clear();
}

bool MappedData::makeCurrent(const char16_t* group, bool create) {
    if (m_current && m_currentGroupPath.view() == std::u16string_view(orEmpty(group)))
        return true;
    // A walk that creates may fail half-way; the old element is not kept
    // as current across it.
    if (create)
        forgetCurrent();
    Node* node = walk(group, create);
    if (!node)
        return false;
    m_current = node;
    m_currentGroupPath.set(orEmpty(group));
    return true;
}

bool MappedData::openGroup(const char16_t* group) {
    return makeCurrent(group, true);
}

bool MappedData::hasGroup(const char16_t* group) {
    return makeCurrent(group, false);
}

bool MappedData::removeGroup(const char16_t* group) {
    if (!m_root)
        return false;
    // The cached element may be the one removed or lie below it.
    forgetCurrent();
    const char16_t* p = orEmpty(group);
    Node* parent = nullptr;
    u32 index = 0;
    Node* node = m_root;
    while (node && *p) {
        if (isSeparator(*p)) {
            ++p;
            continue;
        }
        const char16_t* name = p;
        while (*p && !isSeparator(*p))
            ++p;
        parent = node;
        node = node->findChild(name, &index, static_cast<i32>(p - name)) ? node->getChild(index) : nullptr;
    }
    if (!node)
        return false;
    if (parent) {
        parent->removeChild(index);
    } else {
        // The root stays, emptied.
        while (m_root->childCount())
            m_root->removeChild(m_root->childCount() - 1);
        m_root->getAttributes().clear();
    }
    return !m_autoSave || save();
}

bool MappedData::hasKey(const char16_t* group, const char16_t* key) {
    return findRaw(group, key) != nullptr;
}

const char16_t* MappedData::findRaw(const char16_t* group, const char16_t* key) {
    if (!hasGroup(group))
        return nullptr;
    return m_current->getRaw(orEmpty(key), nullptr);
}

template <class T> T MappedData::getInteger(const char16_t* group, const char16_t* key, T fallback) {
    const char16_t* raw = findRaw(group, key);
    return raw ? static_cast<T>(parseDecimal(raw)) : fallback;
}

u32 MappedData::getU32(const char16_t* group, const char16_t* key, u32 fallback) {
    return getInteger(group, key, fallback);
}

i64 MappedData::getS64(const char16_t* group, const char16_t* key, i64 fallback) {
    return getInteger(group, key, fallback);
}

float MappedData::getFloat(const char16_t* group, const char16_t* key, float fallback) {
    const char16_t* raw = findRaw(group, key);
    return raw ? static_cast<float>(parseDouble(raw)) : fallback;
}

double MappedData::getDouble(const char16_t* group, const char16_t* key, double fallback) {
    const char16_t* raw = findRaw(group, key);
    return raw ? parseDouble(raw) : fallback;
}

bool MappedData::getBool(const char16_t* group, const char16_t* key, bool fallback) {
    if (!hasGroup(group))
        return fallback;
    return m_current->getBool(orEmpty(key), fallback);
}

const char16_t* MappedData::getString(const char16_t* group, const char16_t* key, const char16_t* fallback) {
    if (!hasGroup(group)) {
        m_scratch.set(orEmpty(fallback));
        return m_scratch.c_str();
    }
    m_current->getString(&m_scratch, orEmpty(key), orEmpty(fallback), false);
    return m_scratch.c_str();
}

ArrayU08* MappedData::getBytes(const char16_t* group, const char16_t* key, ArrayU08* out) {
    const char16_t* raw = findRaw(group, key);
    if (!raw)
        return nullptr;
    if (!out)
        out = ArrayU08::create();
    out->clear();
    for (const char16_t* p = raw; p[0] && p[1]; p += 2)
        out->append(static_cast<u8>(hexValue(p[0]) << 4 | hexValue(p[1])));
    return out;
}

bool MappedData::removeKey(const char16_t* group, const char16_t* key) {
    if (!hasGroup(group))
        return false;
    if (m_current->getAttributes().removeAll(orEmpty(key)) == 0)
        return false;
    return !m_autoSave || save();
}

Node* MappedData::prepareSet(const char16_t* group, const char16_t* key) {
    if (!m_root || !isStorableKey(key) || !openGroup(group))
        return nullptr;
    m_current->getAttributes().removeAll(orEmpty(key));
    return m_current;
}

bool MappedData::finishSet() {
    return !m_autoSave || save();
}

template <class T> bool MappedData::setNumberValue(const char16_t* group, const char16_t* key, T value) {
    Node* node = prepareSet(group, key);
    if (!node)
        return false;
    node->setNumber(orEmpty(key), value);
    return finishSet();
}

bool MappedData::setU32(const char16_t* group, const char16_t* key, u32 value) {
    return setNumberValue(group, key, value);
}

bool MappedData::setS64(const char16_t* group, const char16_t* key, i64 value) {
    return setNumberValue(group, key, value);
}

bool MappedData::setS32(const char16_t* group, const char16_t* key, i32 value) {
    return setNumberValue(group, key, value);
}

bool MappedData::setDouble(const char16_t* group, const char16_t* key, double value) {
    return setNumberValue(group, key, value);
}

bool MappedData::setString(const char16_t* group, const char16_t* key, const char16_t* value) {
    Node* node = prepareSet(group, key);
    if (!node)
        return false;
    node->setString(orEmpty(key), orEmpty(value));
    return finishSet();
}

bool MappedData::setBytes(const char16_t* group, const char16_t* key, const ArrayU08* bytes) {
    Node* node = prepareSet(group, key);
    if (!node)
        return false;
    node->setHex(orEmpty(key), bytes ? bytes->data() : nullptr, bytes ? bytes->size() : 0);
    return finishSet();
}

} // namespace s::xml
