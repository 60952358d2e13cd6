#include "image/IEncodedImage.h"

#include "foundation/col/array/Arrays.h"
#include "image/Pixel.h"
#include "image/detail/FileIo.h"
#include "image/win/BufferedImageSet.h"

namespace s::image {

namespace {
// The largest file image read whole: the largest picture plus its headers.
constexpr u64 kMaxFileBytes = static_cast<u64>(kMaxPixels) * 4 + (1u << 20);
} // namespace

bool IEncodedImage::saveToFile(const char* utf8Path) const {
    // Encode first, so that a failed encoding never creates the file.
    thread::Pooled<col::_array::ArrayU08> bytes = thread::makePooled<col::_array::ArrayU08>();
    if (!writeTo(bytes.get()))
        return false;
    return detail::writeNewFile(utf8Path, bytes->data(), bytes->size());
}

bool IEncodedImage::loadFromFile(const char* utf8Path) {
    thread::Pooled<col::_array::ArrayU08> bytes = thread::makePooled<col::_array::ArrayU08>();
    if (!detail::readFileBytes(utf8Path, bytes.get(), kMaxFileBytes))
        return false;
    return readFrom(bytes.get());
}

IEncodedImage* IEncodedImage::encodeLike(win::BufferedImageSet* set) const {
    if (!set || !set->getPrimaryImage())
        return nullptr;
    return encodeLike(set->getPrimaryImage());
}

i32 IEncodedImage::getDelay(u32) const {
    return 0;
}
i32 IEncodedImage::getBlendMode(u32) const {
    return 0;
}
i32 IEncodedImage::getTransparentIndex(u32) const {
    return 0;
}

} // namespace s::image
