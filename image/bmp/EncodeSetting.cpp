#include "image/bmp/EncodeSetting.h"

#include "image/bmp/win/Bitmap.h"
#include "image/detail/EncodeSettingStore.h"

namespace s::image::bmp {

using image::win::BufferedImage;

EncodeSetting* EncodeSetting::newBound(const char16_t* path, map::IMappedData* store) {
    EncodeSetting* setting = create();
    setting->bind(path, store);
    return setting;
}

void EncodeSetting::reset() {
    resetBinding();
    keepTransparency = true;
    bgRed = bgGreen = bgBlue = 255;
    bpp = 24;
}

void EncodeSetting::load() {
    if (!m_store)
        return;
    const std::u16string group = getGroup();
    keepTransparency = m_store->getBool(group.c_str(), u"KeepTransparency", true);
    detail::loadBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
    bpp = m_store->getS32(group.c_str(), u"Bpp", 24);
}

bool EncodeSetting::save() {
    if (!m_store)
        return true;
    const std::u16string group = getGroup();
    bool ok = m_store->setBool(group.c_str(), u"KeepTransparency", keepTransparency);
    ok &= detail::saveBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
    return m_store->setS32(group.c_str(), u"Bpp", bpp) && ok;
}

IEncodedImage* EncodeSetting::encode(BufferedImage* image) {
    image = detail::pictureToEncode(image);
    if (!image)
        return nullptr;
    win::Bitmap* bitmap = win::Bitmap::create();
    return detail::keepIf(bitmap, bitmap->convertFrom(image, bpp, keepTransparency, bgRed, bgGreen, bgBlue));
}

} // namespace s::image::bmp
