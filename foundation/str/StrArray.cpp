#include "foundation/str/StrArray.h"

#include "foundation/col/array/ArrayP.h"
#include "foundation/str/CaseMap.h"
#include "foundation/str/StrBuffer.h"

namespace s::str::strarray {

using strbuffer::StrBuffer;

namespace {

base::IDestructor* stringPool() { return &thread::poolOf<StrBuffer>(); }

} // namespace

StrArray::StrArray() : m_array(new col::_array::ArrayP()) { m_array->setElementDestructor(stringPool()); }

StrArray::~StrArray() {
    // Delete rather than hand back: the string pool may already be gone
    // when idle arrays are destroyed at exit.
    for (u32 i = 0; i < m_array->size(); ++i)
        delete m_array->getAs<StrBuffer>(i);
    m_array->setElementDestructor(nullptr);
    m_array->clear();
    delete m_array;
}

u32 StrArray::size() const { return m_array->size(); }

StrBuffer* StrArray::get(u32 i) const { return m_array->getAs<StrBuffer>(i); }

void StrArray::append(StrBuffer* str) { m_array->append(static_cast<void*>(str)); }

void StrArray::append(const char16_t* text, i32 n) {
    StrBuffer* str = StrBuffer::create();
    str->append(text, n);
    append(str);
}

void StrArray::remove(u32 i) { m_array->remove(i, 1); }

void StrArray::clear() { m_array->clear(); }

bool StrArray::contains(const char16_t* text, bool ignoreCase, u32* out) const {
    u32 n = base::charsLength(text);
    for (u32 i = 0; i < m_array->size(); ++i) {
        const StrBuffer* str = get(i);
        if (!str || str->length() != n)
            continue;
        bool match = ignoreCase ? compareIgnoringCase(str->chars(), text, n) == 0
                                : str->regionMatches(0, text, 0, static_cast<i32>(n));
        if (match) {
            if (out)
                *out = i;
            return true;
        }
    }
    return false;
}

void StrArray::reset() {
    m_array->dispose();
    m_array->setElementDestructor(stringPool());
}

} // namespace s::str::strarray
