#pragma once

#include "foundation/thread/IPoolable.h"
#include "image/IImage.h"

namespace s::io {
class IInputStream;
class IOutputStream;
} // namespace s::io

namespace s::image {

namespace win {
class BufferedImage;
class BufferedImageSet;
} // namespace win

/// A picture in one file format (BMP, JPEG, PNG, GIF, ICO). Pooled.
///
/// Paths are UTF-8 file-system paths.
class IEncodedImage : public IImage, public thread::IPoolable {
public:
    /// ".bmp", ".jpg", ".png", ".gif" or ".ico".
    virtual const char16_t* getExtension() const = 0;

    /// Decodes into `reuse` (its size, caches and alpha flag are replaced) or,
    /// when null, into a buffer from the pool that the caller owns. Null when
    /// there is no picture or not enough memory; `reuse` is then left 0 x 0.
    [[nodiscard]] virtual win::BufferedImage* toBufferedImage(win::BufferedImage* reuse = nullptr) const = 0;
    /// Every contained picture, decoded; the caller owns the set.
    [[nodiscard]] virtual win::BufferedImageSet* toBufferedImageSet() const = 0;

    /// The whole file image. False when a write failed.
    [[nodiscard]] virtual bool writeTo(io::IOutputStream* stream) const = 0;
    /// Reads a whole file image. False when it was refused or incomplete
    /// (see the format's own notes on what is kept then).
    [[nodiscard]] virtual bool readFrom(io::IInputStream* stream) = 0;

    virtual bool isMultiImage() const { return false; }
    virtual u32 getImageCount() const { return 1; }

    /// Writes the file only when nothing exists at the path yet: an existing
    /// file (or link, or folder) is left untouched and false is returned. A
    /// failed write removes the partial file it made.
    [[nodiscard]] virtual bool saveToFile(const char* utf8Path) const;
    /// Reads the file when the path names a regular file; otherwise nothing
    /// changes and false is returned.
    virtual bool loadFromFile(const char* utf8Path);

    /// A new picture of this format made from `image` (or the set's primary
    /// picture) with this format's default settings. The caller owns it; null
    /// when the conversion failed.
    [[nodiscard]] virtual IEncodedImage* encodeLike(win::BufferedImage* image) const = 0;
    [[nodiscard]] virtual IEncodedImage* encodeLike(win::BufferedImageSet* set) const;

    /// Per-picture delay, blend mode and transparent index of multi-picture
    /// formats; single pictures answer 0.
    virtual i32 getDelay(u32 index) const;
    virtual i32 getBlendMode(u32 index) const;
    virtual i32 getTransparentIndex(u32 index) const;
};

} // namespace s::image
