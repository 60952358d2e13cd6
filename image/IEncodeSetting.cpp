#include "image/IEncodeSetting.h"

#include "image/win/BufferedImageSet.h"

namespace s::image {

IEncodedImage* IEncodeSetting::encodeSet(win::BufferedImageSet* set) {
    return set && set->getPrimaryImage() ? encode(set->getPrimaryImage()) : nullptr;
}

bool IEncodeSetting::applyBox() {
    return save();
}

void IEncodeSetting::bind(const char16_t* path, map::IMappedData* store) {
    m_path = path ? path : u"";
    m_store = store;
    load();
}

std::u16string IEncodeSetting::getGroup() const {
    std::u16string group = m_path;
    if (!group.empty())
        group += u'\\';
    return group + getClassDirectory();
}

void IEncodeSetting::resetBinding() {
    m_store = nullptr;
    m_path.clear();
    m_box = nullptr;
}

} // namespace s::image
