#pragma once

#include "foundation/base/Types.h"

#include <string>
#include <string_view>
#include <vector>

namespace s::map {
class IMappedData;
}
namespace s::image {
class IEncodeSetting;
namespace win {
class BufferedImage;
}
} // namespace s::image

// The image types a frame can be saved as: their names for the save dialog,
// the extensions that select them, and the writing of a picture through the
// type's stored encode setting. Shared by the window's "Save as Image" and by
// `snipforge-cli frame`.
namespace s::video::gui::dialogs::snipforge {

enum class ImageType : i32 { kJpeg, kGif, kPng, kBmp, kIco };

struct ImageTypeInfo {
    ImageType type;
    const char16_t* description; ///< the save dialog's name of the type
    const char16_t* pattern;     ///< the save dialog's patterns, ';' between them
    const char16_t* extension;   ///< the extension a new name gets, without the dot
    const char16_t* group;       ///< the settings group the encode setting is bound to
};

/// The settings group of the encode settings, below which each type has its own.
inline constexpr const char16_t* kConvertToGroup = u"MainWindow\\ConvertTo";
inline constexpr i32 kImageTypeCount = 5;

/// The types in the order the save dialog offers them after the remembered one.
const ImageTypeInfo* imageTypes();
const ImageTypeInfo& imageTypeInfo(ImageType type);

/// The type an extension (without the dot) selects: jpg, jpeg, gif, png, bmp,
/// ico and icon, compared as whole texts and without regard to case. Null for
/// anything else.
const ImageTypeInfo* imageTypeForExtension(std::u16string_view extension);
/// The extension of a file name or path (after its last dot, when that dot is
/// in the last component and not its first character), without the dot.
std::u16string extensionOf(std::u16string_view path);
/// "bmp, gif, ico, icon, jpeg, jpg, png": the extensions a message lists.
const char16_t* supportedExtensionsText();

/// The types in the order the save dialog offers them: the one `extension`
/// selects first (when it selects one), then the others in the order of
/// `imageTypes()`, each once.
std::vector<const ImageTypeInfo*> offeredImageTypes(std::u16string_view extension);
/// The name "Save as Image" proposes in `folder`: "capture." and the
/// extension, or, when that is taken, "capture (1).ext", "capture (2).ext"
/// and so on, the first that names nothing (not even a dangling link).
std::u16string proposedCaptureName(std::u16string_view folder, std::u16string_view extension);

/// The type's encode setting from its pool, bound to its group in `store`
/// (may be null: the defaults then stand). The caller releases it.
[[nodiscard]] image::IEncodeSetting* newImageEncodeSetting(ImageType type, map::IMappedData* store);

enum class ImageWriteResult : i32 {
    kWritten,
    kNothingEncoded, ///< the setting gave no picture (an icon without sizes or depths)
    kWriteFailed,    ///< the file could not be written; the old file, if any, is intact
};

/// Encodes `image` with the type's stored setting and replaces (or creates)
/// the file through a temporary file in its folder and a rename, so that no
/// partial file is ever left. On kWriteFailed, `error` (when given) receives
/// the system's error number (0 when unknown).
ImageWriteResult writeImageFile(image::win::BufferedImage* image, ImageType type, map::IMappedData* store,
                                const char* utf8Path, int* error = nullptr);

} // namespace s::video::gui::dialogs::snipforge
