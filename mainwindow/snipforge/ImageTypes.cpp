#include "mainwindow/snipforge/ImageTypes.h"

#include "foundation/col/array/Arrays.h"
#include "foundation/thread/Pool.h"
#include "image/IEncodeSetting.h"
#include "image/IEncodedImage.h"
#include "image/bmp/EncodeSetting.h"
#include "image/detail/FileIo.h"
#include "image/gif/EncodeSetting.h"
#include "image/ico/EncodeSetting.h"
#include "image/jpg/EncodeSetting.h"
#include "image/png/EncodeSetting.h"
#include "image/win/BufferedImage.h"

#include "foundation/file/win/OsText.h"
#include "foundation/xml/Files.h"

#include <sys/stat.h>

#include <cerrno>

namespace s::video::gui::dialogs::snipforge {

namespace {

const ImageTypeInfo kTypes[kImageTypeCount] = {
    {ImageType::kJpeg, u"JPG files (*.jpg, *.jpeg)", u"*.jpeg;*.jpg", u"jpg", u"MainWindow\\ConvertTo\\Jpg"},
    {ImageType::kGif, u"GIF files (*.gif)", u"*.gif", u"gif", u"MainWindow\\ConvertTo\\Gif"},
    {ImageType::kPng, u"PNG files (*.png)", u"*.png", u"png", u"MainWindow\\ConvertTo\\Png"},
    {ImageType::kBmp, u"BMP files (*.bmp)", u"*.bmp", u"bmp", u"MainWindow\\ConvertTo\\Bmp"},
    {ImageType::kIco, u"ICO files (*.ico)", u"*.ico", u"ico", u"MainWindow\\ConvertTo\\Ico"},
};

struct Selector {
    const char16_t* extension;
    ImageType type;
};

const Selector kSelectors[] = {
    {u"jpg", ImageType::kJpeg}, {u"jpeg", ImageType::kJpeg}, {u"gif", ImageType::kGif},
    {u"png", ImageType::kPng},  {u"bmp", ImageType::kBmp},   {u"ico", ImageType::kIco},
    {u"icon", ImageType::kIco},
};

bool equalsIgnoringCase(std::u16string_view text, std::u16string_view lower) {
    if (text.size() != lower.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != lower[i])
            return false;
    }
    return true;
}

} // namespace

const ImageTypeInfo* imageTypes() {
    return kTypes;
}

const ImageTypeInfo& imageTypeInfo(ImageType type) {
    return kTypes[static_cast<i32>(type)];
}

const ImageTypeInfo* imageTypeForExtension(std::u16string_view extension) {
    for (const Selector& selector : kSelectors) {
        if (equalsIgnoringCase(extension, selector.extension))
            return &imageTypeInfo(selector.type);
    }
    return nullptr;
}

std::u16string extensionOf(std::u16string_view path) {
    const size_t slash = path.find_last_of(u'/');
    const std::u16string_view name = slash == std::u16string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of(u'.');
    if (dot == std::u16string_view::npos || dot == 0)
        return {};
    return std::u16string(name.substr(dot + 1));
}

const char16_t* supportedExtensionsText() {
    return u"bmp, gif, ico, icon, jpeg, jpg, png";
}

std::vector<const ImageTypeInfo*> offeredImageTypes(std::u16string_view extension) {
    std::vector<const ImageTypeInfo*> out;
    const ImageTypeInfo* first = imageTypeForExtension(extension);
    if (first)
        out.push_back(first);
    for (const ImageTypeInfo& type : kTypes) {
        if (&type != first)
            out.push_back(&type);
    }
    return out;
}

std::u16string proposedCaptureName(std::u16string_view folder, std::u16string_view extension) {
    std::u16string prefix(folder);
    if (!prefix.empty() && prefix.back() != u'/')
        prefix += u'/';
    auto taken = [&](const std::u16string& name) {
        struct stat st {};
        return ::lstat(file::win::toOsText(prefix + name).c_str(), &st) == 0;
    };
    const std::u16string dotExt = extension.empty() ? std::u16string() : u"." + std::u16string(extension);
    std::u16string name = u"capture" + dotExt;
    for (i32 n = 1; taken(name) && n < 1000000; ++n) {
        const std::string number = std::to_string(n);
        name = u"capture (" + std::u16string(number.begin(), number.end()) + u")" + dotExt;
    }
    return name;
}

image::IEncodeSetting* newImageEncodeSetting(ImageType type, map::IMappedData* store) {
    const char16_t* group = imageTypeInfo(type).group;
    switch (type) {
    case ImageType::kJpeg:
        return image::jpg::EncodeSetting::newBound(group, store);
    case ImageType::kGif:
        return image::gif::EncodeSetting::newBound(group, store);
    case ImageType::kPng:
        return image::png::EncodeSetting::newBound(group, store);
    case ImageType::kBmp:
        return image::bmp::EncodeSetting::newBound(group, store);
    case ImageType::kIco:
        return image::ico::EncodeSetting::newBound(group, store);
    }
    return nullptr;
}

ImageWriteResult writeImageFile(image::win::BufferedImage* image, ImageType type, map::IMappedData* store,
                                const char* utf8Path, int* error) {
    if (error)
        *error = 0;
    thread::Pooled<image::IEncodeSetting> setting(newImageEncodeSetting(type, store));
    if (!setting || !image)
        return ImageWriteResult::kNothingEncoded;
    thread::Pooled<image::IEncodedImage> encoded(setting->encode(image));
    if (!encoded)
        return ImageWriteResult::kNothingEncoded;
    thread::Pooled<col::_array::ArrayU08> bytes = thread::makePooled<col::_array::ArrayU08>();
    if (!encoded->writeTo(bytes.get()))
        return ImageWriteResult::kNothingEncoded;
    errno = 0;
    // Folders of the name that do not exist yet are made, as a save into a
    // new folder expects; a failure there is the write's failure.
    if (!s::xml::files::makeParentFolders(utf8Path) ||
        !image::detail::replaceFile(utf8Path, bytes->data(), bytes->size())) {
        if (error)
            *error = errno;
        return ImageWriteResult::kWriteFailed;
    }
    return ImageWriteResult::kWritten;
}

} // namespace s::video::gui::dialogs::snipforge
