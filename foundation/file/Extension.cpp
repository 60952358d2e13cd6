#include "foundation/file/Extension.h"

#include "foundation/file/win/PathArray.h"

namespace s::file {

using str::strbuffer::StrBuffer;

Extension::~Extension() {
    if (m_paths)
        m_paths->release();
}

const StrBuffer* Extension::keyOf(const base::IObject* other) const {
    if (const auto* e = dynamic_cast<const Extension*>(other))
        return &e->m_key;
    return dynamic_cast<const StrBuffer*>(other);
}

int Extension::compareTo(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compare(this, other);
    if (const StrBuffer* key = keyOf(other))
        return m_key.compareTo(key, nullptr);
    return IObject::compareTo(other, nullptr);
}

int Extension::compareToIgnoreCase(const base::IObject* other, const base::IComparator* comparator) const {
    if (comparator)
        return comparator->compareIgnoreCase(this, other);
    if (const StrBuffer* key = keyOf(other))
        return m_key.compareToIgnoreCase(key, nullptr);
    return IObject::compareToIgnoreCase(other, nullptr);
}

bool Extension::equals(const base::IObject* other, const base::IComparator* comparator) const {
    return compareTo(other, comparator) == 0;
}

bool Extension::equalsIgnoreCase(const base::IObject* other, const base::IComparator* comparator) const {
    return compareToIgnoreCase(other, comparator) == 0;
}

win::PathArray* Extension::paths() {
    if (!m_paths)
        m_paths = win::PathArray::create();
    return m_paths;
}

u32 Extension::pathCount() const {
    return m_paths ? m_paths->size() : 0;
}

void Extension::reset() {
    m_key.clear();
    if (m_paths) {
        m_paths->release();
        m_paths = nullptr;
    }
}

} // namespace s::file
