#include "foundation/reg/win/RegDir.h"

#include "foundation/col/array/Arrays.h"
#include "foundation/file/win/OsText.h"
#include "foundation/reg/win/Hive.h"

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace s::reg::win {

using col::_array::ArrayU08;
using str::strbuffer::StrBuffer;

namespace {

std::vector<std::u16string> splitKeyPath(const char16_t* path) {
    std::vector<std::u16string> names;
    const char16_t* p = path ? path : u"";
    while (*p) {
        if (*p == u'\\') {
            ++p;
            continue;
        }
        const char16_t* start = p;
        while (*p && *p != u'\\')
            ++p;
        names.emplace_back(start, static_cast<size_t>(p - start));
    }
    return names;
}

std::string configHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config";
    if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0] == '/')
        return std::string(user->pw_dir) + "/.config";
    return {};
}

// The document and key names of a full key path, when it lies below
// "Software\Zarvo\<id>".
bool locate(const char16_t* path, std::string* file, std::vector<std::u16string>* names) {
    std::vector<std::u16string> all = splitKeyPath(path);
    if (all.size() < 3 || !sameRegName(all[0], u"Software") || !sameRegName(all[1], u"Zarvo"))
        return false;
    *file = RegDir::documentPathFor(all[2].c_str());
    if (file->empty())
        return false;
    names->assign(all.begin() + 3, all.end());
    return true;
}

std::u16string nameOf(const char16_t* name) { return name ? std::u16string(name) : std::u16string(); }

} // namespace

std::string RegDir::documentPathFor(const char16_t* identifier) {
    std::string id = file::win::toOsText(identifier ? identifier : u"");
    if (id.empty() || id == "." || id == "..")
        return {};
    for (char& c : id)
        if (c == '/')
            c = '_';
    const std::string home = configHome();
    if (home.empty())
        return {};
    return home + "/Zarvo/" + id + "/registry.xml";
}

bool RegDir::open(const char16_t* path, bool create) {
    close();
    std::string file;
    std::vector<std::u16string> names;
    if (!locate(path, &file, &names))
        return false;
    Hive* hive = Hive::forFile(file);
    {
        std::lock_guard guard(hive->lock());
        hive->refresh();
        bool created = false;
        if (!hive->find(names, create, &created))
            return false;
        if (created && !hive->commit())
            return false;
    }
    m_hive = hive;
    m_names = std::move(names);
    m_path.set(path);
    return true;
}

void RegDir::close() {
    m_hive = nullptr;
    m_names.clear();
    m_path.reset();
}

bool RegDir::keyExists(const char16_t* path) {
    std::string file;
    std::vector<std::u16string> names;
    if (!locate(path, &file, &names))
        return false;
    Hive* hive = Hive::forFile(file);
    std::lock_guard guard(hive->lock());
    hive->refresh();
    return hive->find(names, false) != nullptr;
}

bool RegDir::exists() const { return hasKey(u""); }

bool RegDir::hasKey(const char16_t* subPath) const {
    if (!m_hive)
        return false;
    std::vector<std::u16string> names = m_names;
    for (std::u16string& name : splitKeyPath(subPath))
        names.push_back(std::move(name));
    std::lock_guard guard(m_hive->lock());
    m_hive->refresh();
    return m_hive->find(names, false) != nullptr;
}

bool RegDir::deleteKey(const char16_t* subPath) {
    if (!m_hive)
        return false;
    std::vector<std::u16string> names = m_names;
    std::vector<std::u16string> sub = splitKeyPath(subPath);
    std::lock_guard guard(m_hive->lock());
    m_hive->refresh();
    if (sub.empty()) {
        RegKey* key = m_hive->find(names, false);
        if (!key)
            return false;
        key->values.clear();
        key->keys.clear();
        return m_hive->commit();
    }
    const std::u16string last = sub.back();
    sub.pop_back();
    names.insert(names.end(), sub.begin(), sub.end());
    RegKey* parent = m_hive->find(names, false);
    const i32 index = parent ? parent->keyIndex(last) : -1;
    if (index < 0)
        return false;
    parent->keys.erase(parent->keys.begin() + index);
    return m_hive->commit();
}

bool RegDir::hasValue(const char16_t* name) const { return getValue(name, nullptr, nullptr); }

bool RegDir::getValue(const char16_t* name, u32* type, ArrayU08* data) const {
    if (!m_hive)
        return false;
    std::lock_guard guard(m_hive->lock());
    m_hive->refresh();
    RegKey* key = m_hive->find(m_names, false);
    const RegValue* value = key ? key->findValue(nameOf(name)) : nullptr;
    if (!value)
        return false;
    if (type)
        *type = value->type;
    if (data) {
        data->clear();
        if (!value->data.empty())
            data->append(value->data.data(), static_cast<u32>(value->data.size()));
    }
    return true;
}

bool RegDir::setValue(const char16_t* name, u32 type, const void* data, u32 size) {
    if (!m_hive || (!data && size))
        return false;
    std::lock_guard guard(m_hive->lock());
    m_hive->refresh();
    RegKey* key = m_hive->find(m_names, false);
    if (!key)
        return false;
    RegValue value;
    value.name = nameOf(name);
    value.type = type;
    if (size)
        value.data.assign(static_cast<const u8*>(data), static_cast<const u8*>(data) + size);
    const i32 index = key->valueIndex(value.name);
    if (index >= 0)
        key->values.erase(key->values.begin() + index);
    key->values.push_back(std::move(value));
    return m_hive->commit();
}

bool RegDir::deleteValue(const char16_t* name) {
    if (!m_hive)
        return false;
    std::lock_guard guard(m_hive->lock());
    m_hive->refresh();
    RegKey* key = m_hive->find(m_names, false);
    const i32 index = key ? key->valueIndex(nameOf(name)) : -1;
    if (index < 0)
        return false;
    key->values.erase(key->values.begin() + index);
    return m_hive->commit();
}

bool RegDir::getDword(const char16_t* name, u32* out) const {
    u8 bytes[4];
    u32 type;
    auto data = thread::makePooled<ArrayU08>();
    if (!getValue(name, &type, data.get()) || type != kRegDword || data->size() != 4)
        return false;
    std::memcpy(bytes, data->data(), 4);
    *out = static_cast<u32>(bytes[0]) | static_cast<u32>(bytes[1]) << 8 | static_cast<u32>(bytes[2]) << 16 |
           static_cast<u32>(bytes[3]) << 24;
    return true;
}

bool RegDir::setDword(const char16_t* name, u32 value) {
    const u8 bytes[4] = {static_cast<u8>(value), static_cast<u8>(value >> 8), static_cast<u8>(value >> 16),
                         static_cast<u8>(value >> 24)};
    return setValue(name, kRegDword, bytes, 4);
}

bool RegDir::getQword(const char16_t* name, u64* out) const {
    u32 type;
    auto data = thread::makePooled<ArrayU08>();
    if (!getValue(name, &type, data.get()) || type != kRegQword || data->size() != 8)
        return false;
    u64 value = 0;
    for (u32 i = 8; i-- > 0;)
        value = value << 8 | data->get(i);
    *out = value;
    return true;
}

bool RegDir::setQword(const char16_t* name, u64 value) {
    u8 bytes[8];
    for (u32 i = 0; i < 8; ++i)
        bytes[i] = static_cast<u8>(value >> (8 * i));
    return setValue(name, kRegQword, bytes, 8);
}

bool RegDir::getString(const char16_t* name, StrBuffer* out) const {
    u32 type;
    auto data = thread::makePooled<ArrayU08>();
    if (!getValue(name, &type, data.get()) || (type != kRegSz && type != kRegExpandSz))
        return false;
    out->clear();
    for (u32 i = 0; i + 1 < data->size(); i += 2) {
        const char16_t c = static_cast<char16_t>(data->get(i) | data->get(i + 1) << 8);
        if (c == 0)
            break;
        out->append(c);
    }
    return true;
}

bool RegDir::setString(const char16_t* name, const char16_t* value) {
    const u32 n = base::charsLength(value);
    std::vector<u8> bytes;
    bytes.reserve((static_cast<size_t>(n) + 1) * 2);
    for (u32 i = 0; i <= n; ++i) {
        const char16_t c = i < n ? value[i] : 0;
        bytes.push_back(static_cast<u8>(c));
        bytes.push_back(static_cast<u8>(c >> 8));
    }
    return setValue(name, kRegSz, bytes.data(), static_cast<u32>(bytes.size()));
}

bool RegDir::getBinary(const char16_t* name, void* out, u32 size) const {
    u32 type;
    auto data = thread::makePooled<ArrayU08>();
    if (!getValue(name, &type, data.get()) || type != kRegBinary || data->size() != size)
        return false;
    if (size)
        std::memcpy(out, data->data(), size);
    return true;
}

bool RegDir::setBinary(const char16_t* name, const void* data, u32 size) {
    return setValue(name, kRegBinary, data, size);
}

} // namespace s::reg::win
