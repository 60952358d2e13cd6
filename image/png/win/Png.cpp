#include "image/png/win/Png.h"

#include "image/detail/FileIo.h"
#include "image/win/BufferedImage.h"
#include "image/win/BufferedImageSet.h"

#include <cstdlib>
#include <cstring>
#include <png.h>

namespace s::image::png::win {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {

// deflate never packs more than 1032 bytes into one; a file that claims more
// picture than its data could hold is refused before memory is taken for it.
constexpr i64 kMaxDeflateRatio = 1032;

// What the I/O functions reach through libpng's I/O pointer. It lives in the
// caller's frame, in memory, so it is still right after a jump.
struct WriteContext {
    io::IOutputStream* stream;
    png_bytep* rows;
};

struct ReadContext {
    io::IInputStream* stream;
    png_bytep* rows;
};

[[noreturn]] void onError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

void writeBytes(png_structp png, png_bytep data, png_size_t length) {
    WriteContext* context = static_cast<WriteContext*>(png_get_io_ptr(png));
    if (!detail::writeAll(context->stream, data, length))
        png_error(png, "write failed");
}

void flushStream(png_structp png) {
    WriteContext* context = static_cast<WriteContext*>(png_get_io_ptr(png));
    if (!context->stream->flush())
        png_error(png, "flush failed");
}

void readBytes(png_structp png, png_bytep data, png_size_t length) {
    ReadContext* context = static_cast<ReadContext*>(png_get_io_ptr(png));
    if (detail::readUpTo(context->stream, data, length) != length)
        png_error(png, "file ends early");
}

} // namespace

Png::Png() : m_bitmap(bmp::win::Bitmap::create()) {}

Png::~Png() {
    m_bitmap->release();
}

void Png::reset() {
    m_bitmap->reset();
    m_interlace = false;
}

bool Png::create(i32 width, i32 height) {
    return m_bitmap->create(width, height, 32);
}

bool Png::convertFrom(BufferedImage* image, bool interlace, bool keepTransparency, int r, int g, int b) {
    if (!image)
        return false;
    const i32 width = image->getWidth();
    const i32 height = image->getHeight();
    if (!create(width, height))
        return false;
    const BufferedImage* source = image;
    thread::Pooled<BufferedImage> background;
    if (image->hasAlpha() && !keepTransparency) {
        background.reset(image->newImage(width, height));
        if (!background)
            return false;
        background->fill(255, r, g, b);
        background->drawImage(0, 0, width, height, image, 0, 0, false);
        source = background.get();
    }
    // Without the alpha flag the alpha bytes mean nothing (some producers
    // leave them 0): such a picture is opaque.
    const Pixel opaque = source->hasAlpha() ? 0 : 0xFF000000u;
    for (i32 y = 0; y < height; ++y) {
        const Pixel* in = source->getRow(y);
        Pixel* out = reinterpret_cast<Pixel*>(m_bitmap->getRow(y));
        for (i32 x = 0; x < width; ++x)
            out[x] = in[x] | opaque;
    }
    setInterlace(interlace);
    return true;
}

bool Png::writeTo(io::IOutputStream* stream) const {
    const i32 width = m_bitmap->getWidth();
    const i32 height = m_bitmap->getHeight();
    if (!stream || !m_bitmap->getPixels() || width <= 0 || height <= 0)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    WriteContext context{stream, nullptr};
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::free(context.rows);
        return false;
    }
    png_set_write_fn(png, &context, writeBytes, flushStream);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, m_interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // The library reorders B, G, R, A into the file's R, G, B, A as it
    // writes, so our picture is never touched.
    png_set_bgr(png);
    context.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * static_cast<size_t>(height)));
    if (!context.rows)
        png_error(png, "out of memory");
    for (i32 y = 0; y < height; ++y)
        context.rows[y] = m_bitmap->getRow(y);
    png_write_image(png, context.rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::free(context.rows);
    return true;
}

bool Png::readFrom(io::IInputStream* stream) {
    m_bitmap->reset();
    if (!stream)
        return false;
    const i64 available = detail::bytesLeft(stream);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    ReadContext context{stream, nullptr};
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::free(context.rows);
        m_bitmap->reset();
        return false;
    }
    png_set_read_fn(png, &context, readBytes);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colourType, &interlace, nullptr, nullptr);
    if (static_cast<u64>(width) * height > static_cast<u64>(kMaxPixels))
        png_error(png, "picture too large");
    if (available >= 0) {
        const u64 rawBytes = static_cast<u64>(height) * (1 + png_get_rowbytes(png, info));
        if (rawBytes > static_cast<u64>(available) * kMaxDeflateRatio + 4096)
            png_error(png, "picture larger than its data");
    }

    png_set_strip_16(png);
    png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_RGB ||
        colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4)
        png_error(png, "unexpected row layout");

    if (!create(static_cast<i32>(width), static_cast<i32>(height)))
        png_error(png, "out of memory");
    context.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!context.rows)
        png_error(png, "out of memory");
    for (png_uint_32 y = 0; y < height; ++y)
        context.rows[y] = m_bitmap->getRow(static_cast<i32>(y));
    png_read_image(png, context.rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(context.rows);
    return true;
}

BufferedImage* Png::toBufferedImage(BufferedImage* reuse) const {
    BufferedImage* image = reuse ? reuse : BufferedImage::create();
    const i32 width = getWidth();
    const i32 height = getHeight();
    if (!m_bitmap->getPixels() || width <= 0 || height <= 0 || !image->prepare(width, height)) {
        if (reuse)
            reuse->prepare(0, 0);
        else
            image->release();
        return nullptr;
    }
    // The alpha bytes are the file's: a picture that is transparent all over
    // stays so.
    bool translucent = false;
    for (i32 y = 0; y < height; ++y) {
        const Pixel* in = reinterpret_cast<const Pixel*>(m_bitmap->getRow(y));
        Pixel* out = image->getRow(y);
        for (i32 x = 0; x < width; ++x) {
            out[x] = in[x];
            translucent |= alphaOf(in[x]) != 255;
        }
    }
    image->setHasAlpha(translucent);
    return image;
}

BufferedImageSet* Png::toBufferedImageSet() const {
    BufferedImageSet* set = BufferedImageSet::create();
    if (BufferedImage* image = toBufferedImage(nullptr))
        set->add(image, 32, 0, 0);
    return set;
}

IEncodedImage* Png::encodeLike(BufferedImage* image) const {
    Png* png = Png::create();
    if (!png->convertFrom(image, true, true, 255, 255, 255)) {
        png->release();
        return nullptr;
    }
    return png;
}

} // namespace s::image::png::win
