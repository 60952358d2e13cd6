#include "foundation/col/array/Arrays.h"

#include "foundation/comp/Comparators.h"
#include "foundation/str/StrBuffer.h"

#include <cstring>

namespace s::col::_array {

using str::strbuffer::StrBuffer;

namespace {

template <class T>
T load(const void* element) {
    T v;
    std::memcpy(&v, element, sizeof v);
    return v;
}

template <class U>
void appendHexOf(StrBuffer* out, U v) {
    out->appendHex(&v, 1);
}

} // namespace

void ArrayU08::appendElementText(StrBuffer* out, const void* e) const { out->append(load<u8>(e)); }
void ArrayU08::appendElementXml(StrBuffer* out, const void* e) const { appendHexOf(out, load<u8>(e)); }
const base::IComparator* ArrayU08::defaultComparator() const { return comp::CompU08::get(); }

void ArrayS08::appendElementText(StrBuffer* out, const void* e) const { out->append(load<i8>(e)); }
void ArrayS08::appendElementXml(StrBuffer* out, const void* e) const {
    appendHexOf(out, static_cast<u8>(load<i8>(e)));
}
const base::IComparator* ArrayS08::defaultComparator() const { return comp::CompS08::get(); }

void ArrayU32::appendElementText(StrBuffer* out, const void* e) const { out->append(load<u32>(e)); }
void ArrayU32::appendElementXml(StrBuffer* out, const void* e) const { appendHexOf(out, load<u32>(e)); }
const base::IComparator* ArrayU32::defaultComparator() const { return comp::CompU32::get(); }

void ArrayS32::appendElementText(StrBuffer* out, const void* e) const { out->append(load<i32>(e)); }
void ArrayS32::appendElementXml(StrBuffer* out, const void* e) const {
    appendHexOf(out, static_cast<u32>(load<i32>(e)));
}
const base::IComparator* ArrayS32::defaultComparator() const { return comp::CompS32::get(); }

void ArrayS64::appendElementText(StrBuffer* out, const void* e) const { out->append(load<i64>(e)); }
void ArrayS64::appendElementXml(StrBuffer* out, const void* e) const {
    appendHexOf(out, static_cast<u64>(load<i64>(e)));
}
const base::IComparator* ArrayS64::defaultComparator() const { return comp::CompS64::get(); }

} // namespace s::col::_array
