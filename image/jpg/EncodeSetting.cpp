#include "image/jpg/EncodeSetting.h"

#include "image/detail/EncodeSettingStore.h"
#include "image/jpg/win/Jpeg.h"

namespace s::image::jpg {

using image::win::BufferedImage;

EncodeSetting* EncodeSetting::newBound(const char16_t* path, map::IMappedData* store) {
    EncodeSetting* setting = create();
    setting->bind(path, store);
    return setting;
}

void EncodeSetting::reset() {
    resetBinding();
    quality = kDefaultQuality;
    bgRed = bgGreen = bgBlue = 255;
}

void EncodeSetting::load() {
    if (!m_store)
        return;
    const std::u16string group = getGroup();
    quality = m_store->getS32(group.c_str(), u"Quality", quality);
    detail::loadBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
}

bool EncodeSetting::save() {
    if (!m_store)
        return true;
    const std::u16string group = getGroup();
    bool ok = m_store->setS32(group.c_str(), u"Quality", quality);
    return detail::saveBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue) && ok;
}

IEncodedImage* EncodeSetting::encode(BufferedImage* image) {
    image = detail::pictureToEncode(image);
    if (!image)
        return nullptr;
    win::Jpeg* jpeg = win::Jpeg::create();
    return detail::keepIf(jpeg, jpeg->convertFrom(image, quality, bgRed, bgGreen, bgBlue));
}

} // namespace s::image::jpg
