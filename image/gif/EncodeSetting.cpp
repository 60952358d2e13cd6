#include "image/gif/EncodeSetting.h"

#include "image/detail/EncodeSettingStore.h"
#include "image/gif/win/Gif.h"
#include "image/win/BufferedImageSet.h"

namespace s::image::gif {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

EncodeSetting* EncodeSetting::newBound(const char16_t* path, map::IMappedData* store) {
    EncodeSetting* setting = create();
    setting->bind(path, store);
    return setting;
}

void EncodeSetting::reset() {
    resetBinding();
    keepTransparency = withInterlace = true;
    bgRed = bgGreen = bgBlue = 255;
    bpp = 8;
}

void EncodeSetting::load() {
    if (!m_store)
        return;
    const std::u16string group = getGroup();
    keepTransparency = m_store->getBool(group.c_str(), u"KeepTransparency", true);
    withInterlace = m_store->getBool(group.c_str(), u"WithInterlace", true);
    detail::loadBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
    bpp = m_store->getS32(group.c_str(), u"Bpp", 8);
}

bool EncodeSetting::save() {
    if (!m_store)
        return true;
    const std::u16string group = getGroup();
    bool ok = m_store->setBool(group.c_str(), u"KeepTransparency", keepTransparency);
    ok &= m_store->setBool(group.c_str(), u"WithInterlace", withInterlace);
    ok &= detail::saveBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
    return m_store->setS32(group.c_str(), u"Bpp", bpp) && ok;
}

IEncodedImage* EncodeSetting::encode(BufferedImage* image) {
    image = detail::pictureToEncode(image);
    if (!image)
        return nullptr;
    // The interlace choice does not reach the writer: GIF rows are never interlaced.
    win::Gif* gif = win::Gif::create();
    return detail::keepIf(
        gif, gif->convertFrom(image, bpp, keepTransparency, bgRed, bgGreen, bgBlue, win::kAlphaLimit));
}

IEncodedImage* EncodeSetting::encodeSet(BufferedImageSet* set) {
    if (!set || set->getImageCount() < 2 || !set->isAnimated())
        return IEncodeSetting::encodeSet(set);
    win::Gif* gif = win::Gif::create();
    return detail::keepIf(gif, gif->convertFromSet(set, bpp, keepTransparency, bgRed, bgGreen, bgBlue));
}

} // namespace s::image::gif
