#include "foundation/xml/Attributes.h"

#include "foundation/xml/Escape.h"

#include <cstdlib>
#include <cstring>

namespace s::xml {

namespace {

u32 lengthOf(const char16_t* name, i32 length) {
    if (!name)
        return 0;
    return length < 0 ? base::charsLength(name) : static_cast<u32>(length);
}

char16_t* copyChars(const char16_t* chars, u32 n) {
    auto* copy = static_cast<char16_t*>(std::malloc((static_cast<size_t>(n) + 1) * sizeof(char16_t)));
    if (!copy)
        return nullptr;
    if (n)
        std::memcpy(copy, chars, n * sizeof(char16_t));
    copy[n] = 0;
    return copy;
}

} // namespace

Attributes::Attributes() { m_records.setElementDestructor(&AttrFactory::instance()); }

bool Attributes::find(const char16_t* name, i32 length, u32* index) const {
    const u32 n = lengthOf(name, length);
    for (u32 i = 0; i < m_records.size(); ++i) {
        const AttrRecord* record = get(i);
        if (xml::equalsIgnoreCase(record->name, record->nameLength, name, n)) {
            if (index)
                *index = i;
            return true;
        }
    }
    return false;
}

const AttrRecord* Attributes::find(const char16_t* name, i32 length) const {
    u32 index;
    return find(name, length, &index) ? get(index) : nullptr;
}

bool Attributes::append(const char16_t* name, u32 nameLength, const char16_t* value, u32 valueLength) {
    AttrFactory& factory = AttrFactory::instance();
    auto* record = static_cast<AttrRecord*>(factory.take());
    if (!record)
        return false;
    record->name = copyChars(name, nameLength);
    record->value = copyChars(value, valueLength);
    if (!record->name || !record->value) {
        factory.giveBack(record, -1);
        return false;
    }
    record->nameLength = nameLength;
    record->valueLength = valueLength;
    m_records.append(record);
    return true;
}

u32 Attributes::removeAll(const char16_t* name, i32 length) {
    const u32 n = lengthOf(name, length);
    u32 removed = 0;
    for (u32 i = m_records.size(); i-- > 0;) {
        const AttrRecord* record = get(i);
        if (xml::equalsIgnoreCase(record->name, record->nameLength, name, n)) {
            m_records.remove(i);
            ++removed;
        }
    }
    return removed;
}

} // namespace s::xml
