#pragma once

#include "foundation/map/IMappedData.h"
#include "image/IEncodedImage.h"
#include "image/win/BufferedImage.h"

// What the encode settings share: the picture they encode, and the keys of
// the background colour.
namespace s::image::detail {

/// The picture a setting encodes: the filtered one when there are filters.
inline win::BufferedImage* pictureToEncode(win::BufferedImage* image) {
    if (!image)
        return nullptr;
    return image->hasFilters() ? image->getFiltered() : image;
}

/// Hands an encoded picture to the caller, or releases it when its making failed.
template <class T> IEncodedImage* keepIf(T* encoded, bool made) {
    if (made)
        return encoded;
    encoded->release();
    return nullptr;
}

inline void loadBackground(map::IMappedData* store, const char16_t* group, int& r, int& g, int& b) {
    r = store->getS32(group, u"BgRed", 255);
    g = store->getS32(group, u"BgGreen", 255);
    b = store->getS32(group, u"BgBlue", 255);
}

inline bool saveBackground(map::IMappedData* store, const char16_t* group, int r, int g, int b) {
    bool ok = store->setS32(group, u"BgRed", r);
    ok &= store->setS32(group, u"BgGreen", g);
    ok &= store->setS32(group, u"BgBlue", b);
    return ok;
}

} // namespace s::image::detail
