#include "foundation/reg/MappedData.h"

#include "foundation/col/array/Arrays.h"

#include <bit>
#include <string_view>

namespace s::reg {

using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;

// Floating-point values are stored as their in-memory bytes, which are the
// registry's little-endian layout only on such a host.
static_assert(std::endian::native == std::endian::little);

namespace {

const char16_t* orEmpty(const char16_t* text) {
    return text ? text : u"";
}

} // namespace

void MappedData::storeKeyPath(StrBuffer& out, const char16_t* identifier) {
    out.set(u"Software\\Zarvo\\");
    out.append(orEmpty(identifier));
    out.append(u"\\SaveData");
}

bool MappedData::open(const char16_t* keyPath) {
    reset();
    return m_base.open(keyPath, true);
}

void MappedData::reset() {
    m_base.close();
    m_current.close();
    m_fullPath.reset();
    m_currentGroupPath.reset();
    m_scratch.reset();
    m_autoSave = true;
}

void MappedData::buildPath(const char16_t* group) {
    m_fullPath.set(m_base.getPath());
    const char16_t* g = orEmpty(group);
    if (!*g)
        return;
    m_fullPath.append(u'\\');
    for (; *g; ++g)
        m_fullPath.append(*g == u'/' ? u'\\' : *g);
}

bool MappedData::isCurrent(const char16_t* group) const {
    // The key may have been deleted through another key object meanwhile.
    return m_current.isOpen() && m_currentGroupPath.view() == std::u16string_view(orEmpty(group)) &&
           m_current.exists();
}

bool MappedData::openGroup(const char16_t* group) {
    if (!m_base.isOpen())
        return false;
    if (isCurrent(group))
        return true;
    m_currentGroupPath.clear();
    buildPath(group);
    if (!m_current.open(m_fullPath.c_str(), true))
        return false;
    m_currentGroupPath.set(orEmpty(group));
    return true;
}

bool MappedData::hasGroup(const char16_t* group) {
    if (!m_base.isOpen())
        return false;
    if (isCurrent(group))
        return true;
    buildPath(group);
    if (!win::RegDir::keyExists(m_fullPath.c_str()))
        return false;
    m_currentGroupPath.clear();
    if (!m_current.open(m_fullPath.c_str(), false))
        return false;
    m_currentGroupPath.set(orEmpty(group));
    return true;
}

bool MappedData::removeGroup(const char16_t* group) {
    if (!m_base.isOpen())
        return false;
    m_current.close();
    m_currentGroupPath.clear();
    StrBuffer& sub = m_fullPath;
    sub.clear();
    for (const char16_t* g = orEmpty(group); *g; ++g)
        sub.append(*g == u'/' ? u'\\' : *g);
    return m_base.deleteKey(sub.c_str());
}

bool MappedData::hasKey(const char16_t* group, const char16_t* key) {
    return hasGroup(group) && m_current.hasValue(orEmpty(key));
}

bool MappedData::readDword(const char16_t* group, const char16_t* key, u32* out) {
    return hasGroup(group) && m_current.getDword(orEmpty(key), out);
}

bool MappedData::readBinary(const char16_t* group, const char16_t* key, void* out, u32 size) {
    return hasGroup(group) && m_current.getBinary(orEmpty(key), out, size);
}

u32 MappedData::getU32(const char16_t* group, const char16_t* key, u32 fallback) {
    u32 value;
    return readDword(group, key, &value) ? value : fallback;
}

i64 MappedData::getS64(const char16_t* group, const char16_t* key, i64 fallback) {
    u8 bytes[8];
    if (!readBinary(group, key, bytes, 8))
        return fallback;
    u64 value = 0;
    for (int i = 8; i-- > 0;)
        value = value << 8 | bytes[i];
    return static_cast<i64>(value);
}

float MappedData::getFloat(const char16_t* group, const char16_t* key, float fallback) {
    float value;
    return readBinary(group, key, &value, sizeof value) ? value : fallback;
}

double MappedData::getDouble(const char16_t* group, const char16_t* key, double fallback) {
    double value;
    return readBinary(group, key, &value, sizeof value) ? value : fallback;
}

const char16_t* MappedData::getString(const char16_t* group, const char16_t* key, const char16_t* fallback) {
    if (!hasGroup(group) || !m_current.getString(orEmpty(key), &m_scratch))
        m_scratch.set(orEmpty(fallback));
    return m_scratch.c_str();
}

ArrayU08* MappedData::getBytes(const char16_t* group, const char16_t* key, ArrayU08* out) {
    u32 type;
    auto data = thread::makePooled<ArrayU08>();
    if (!hasGroup(group) || !m_current.getValue(orEmpty(key), &type, data.get()) || type != win::kRegBinary)
        return nullptr;
    if (!out)
        return data.release();
    out->clear();
    if (data->size())
        out->append(data->data(), data->size());
    return out;
}

bool MappedData::removeKey(const char16_t* group, const char16_t* key) {
    return hasGroup(group) && m_current.deleteValue(orEmpty(key));
}

bool MappedData::setU32(const char16_t* group, const char16_t* key, u32 value) {
    return openGroup(group) && m_current.setDword(orEmpty(key), value);
}

bool MappedData::setS32(const char16_t* group, const char16_t* key, i32 value) {
    return setU32(group, key, static_cast<u32>(value));
}

bool MappedData::setS64(const char16_t* group, const char16_t* key, i64 value) {
    u8 bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<u8>(static_cast<u64>(value) >> (8 * i));
    return openGroup(group) && m_current.setBinary(orEmpty(key), bytes, 8);
}

bool MappedData::setFloat(const char16_t* group, const char16_t* key, float value) {
    return openGroup(group) && m_current.setBinary(orEmpty(key), &value, sizeof value);
}

bool MappedData::setDouble(const char16_t* group, const char16_t* key, double value) {
    return openGroup(group) && m_current.setBinary(orEmpty(key), &value, sizeof value);
}

bool MappedData::setString(const char16_t* group, const char16_t* key, const char16_t* value) {
    return openGroup(group) && m_current.setString(orEmpty(key), orEmpty(value));
}

bool MappedData::setBytes(const char16_t* group, const char16_t* key, const ArrayU08* bytes) {
    return openGroup(group) &&
           m_current.setBinary(orEmpty(key), bytes ? bytes->data() : nullptr, bytes ? bytes->size() : 0);
}

} // namespace s::reg
