#include "foundation/col/array/ArrayP.h"

#include "foundation/comp/Comparators.h"
#include "foundation/str/StrBuffer.h"

#include <cstring>

namespace s::col::_array {

using str::strbuffer::StrBuffer;

ArrayP::~ArrayP() { disposeElements(0, m_size); }

void ArrayP::disposeElements(u32 index, u32 n) {
    if (!m_elementDestructor)
        return;
    for (u32 i = index; i < index + n; ++i)
        m_elementDestructor->destroy(&data()[i]);
}

void ArrayP::setSize(u32 n) {
    u32 old = m_size;
    ArrayBase::setSize(n);
    if (n > old)
        std::memset(data() + old, 0, static_cast<u64>(n - old) * sizeof(void*));
}

void ArrayP::reset() {
    ArrayBase::reset();
    m_elementDestructor = nullptr;
}

void ArrayP::appendElementText(StrBuffer* out, const void* element) const {
    void* p;
    std::memcpy(&p, element, sizeof p);
    if (p)
        out->append(static_cast<const base::IObject*>(p)->getClassName());
    out->append(u'(').append(static_cast<i64>(reinterpret_cast<std::intptr_t>(p))).append(u')');
}

void ArrayP::appendElementXml(StrBuffer*, const void*) const {}

const base::IComparator* ArrayP::defaultComparator() const { return comp::CompP::get(); }

} // namespace s::col::_array
