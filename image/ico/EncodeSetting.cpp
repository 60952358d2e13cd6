#include "image/ico/EncodeSetting.h"

#include "image/detail/EncodeSettingStore.h"
#include "image/ico/win/Icon.h"
#include "image/win/BufferedImageSet.h"

#include <algorithm>
#include <iterator>

namespace s::image::ico {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {
struct Choice {
    const char16_t* key;
    i32 value;
    bool byDefault;
};
constexpr Choice kSizeKeys[] = {{u"Size016", 16, true}, {u"Size024", 24, true},  {u"Size032", 32, true},
                                {u"Size048", 48, true}, {u"Size064", 64, false}, {u"Size096", 96, false}};
constexpr Choice kDepthKeys[] = {{u"Bpp04", 4, true}, {u"Bpp08", 8, true}, {u"Bpp32", 32, true}};

void loadChoices(map::IMappedData* store, const char16_t* group, const Choice* choices, size_t count,
                 std::vector<i32>& out) {
    out.clear();
    for (size_t i = 0; i < count; ++i)
        if (store->getBool(group, choices[i].key, choices[i].byDefault))
            out.push_back(choices[i].value);
}

bool saveChoices(map::IMappedData* store, const char16_t* group, const Choice* choices, size_t count,
                 const std::vector<i32>& chosen) {
    bool ok = true;
    for (size_t i = 0; i < count; ++i)
        ok &= store->setBool(group, choices[i].key, false);
    for (size_t i = 0; i < count; ++i)
        if (std::find(chosen.begin(), chosen.end(), choices[i].value) != chosen.end())
            ok &= store->setBool(group, choices[i].key, true);
    return ok;
}
} // namespace

EncodeSetting* EncodeSetting::newBound(const char16_t* path, map::IMappedData* store) {
    EncodeSetting* setting = create();
    setting->bind(path, store);
    return setting;
}

void EncodeSetting::reset() {
    resetBinding();
    keepTransparency = keepRatio = true;
    bgRed = bgGreen = bgBlue = 255;
    sizes.clear();
    depths.clear();
    entryPairs.clear();
}

void EncodeSetting::load() {
    if (!m_store)
        return;
    const std::u16string group = getGroup();
    keepTransparency = m_store->getBool(group.c_str(), u"KeepTransparency", true);
    detail::loadBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
    keepRatio = m_store->getBool(group.c_str(), u"KeepRatio", true);
    loadChoices(m_store, group.c_str(), kSizeKeys, std::size(kSizeKeys), sizes);
    loadChoices(m_store, group.c_str(), kDepthKeys, std::size(kDepthKeys), depths);
}

bool EncodeSetting::save() {
    if (!m_store)
        return true;
    const std::u16string group = getGroup();
    bool ok = m_store->setBool(group.c_str(), u"KeepTransparency", keepTransparency);
    ok &= detail::saveBackground(m_store, group.c_str(), bgRed, bgGreen, bgBlue);
    ok &= m_store->setBool(group.c_str(), u"KeepRatio", keepRatio);
    ok &= saveChoices(m_store, group.c_str(), kSizeKeys, std::size(kSizeKeys), sizes);
    return saveChoices(m_store, group.c_str(), kDepthKeys, std::size(kDepthKeys), depths) && ok;
}

IEncodedImage* EncodeSetting::encode(BufferedImage* image) {
    if (!image || sizes.empty() || depths.empty())
        return nullptr;
    win::Icon* icon = win::Icon::create();
    // The icon takes the filtered picture itself.
    return detail::keepIf(
        icon, icon->buildFrom(image, sizes, depths, keepRatio, keepTransparency, bgRed, bgGreen, bgBlue));
}

IEncodedImage* EncodeSetting::encodeSet(BufferedImageSet* set) {
    if (set && !entryPairs.empty() && entryPairs.size() == set->getImageCount()) {
        win::Icon* icon = win::Icon::create();
        return detail::keepIf(
            icon, icon->buildFromPairs(set, entryPairs, keepRatio, keepTransparency, bgRed, bgGreen, bgBlue));
    }
    return IEncodeSetting::encodeSet(set);
}

} // namespace s::image::ico
