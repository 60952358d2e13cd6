#include "image/png/EncodeSetting.h"

#include "image/detail/EncodeSettingStore.h"
#include "image/png/win/Png.h"

namespace s::image::png {

using image::win::BufferedImage;

EncodeSetting* EncodeSetting::newBound(const char16_t* path, map::IMappedData* store) {
    EncodeSetting* setting = create();
    setting->bind(path, store);
    return setting;
}

void EncodeSetting::reset() {
    resetBinding();
    keepTransparency = withInterlace = true;
    bgRed = bgGreen = bgBlue = 255;
}

void EncodeSetting::load() {
    if (!m_store)
        return;
    const std::u16string group = getGroup();
    keepTransparency = m_store->getBool(group.c_str(), u"KeepTransparency", true);
    withInterlace = m_store->getBool(group.c_str(), u"WithInterlace", true);
    detail::loadBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
}

bool EncodeSetting::save() {
    if (!m_store)
        return true;
    const std::u16string group = getGroup();
    bool ok = m_store->setBool(group.c_str(), u"KeepTransparency", keepTransparency);
    ok &= m_store->setBool(group.c_str(), u"WithInterlace", withInterlace);
    return detail::saveBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue) && ok;
}

IEncodedImage* EncodeSetting::encode(BufferedImage* image) {
    image = detail::pictureToEncode(image);
    if (!image)
        return nullptr;
    win::Png* png = win::Png::create();
    return detail::keepIf(png,
                          png->convertFrom(image, withInterlace, keepTransparency, bgRed, bgGreen, bgBlue));
}

} // namespace s::image::png
