#include "image/jpg/win/Jpeg.h"

#include "image/detail/FileIo.h"
#include "image/win/BufferedImage.h"
#include "image/win/BufferedImageSet.h"

#include <csetjmp>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace s::image::jpg::win {

using image::win::BufferedImage;
using image::win::BufferedImageSet;

namespace {

constexpr size_t kBufferBytes = 4096;
// Progressive files may hold any number of scans, each a pass over every
// block: past this many the file is taken for hostile.
constexpr int kMaxScans = 1000;
constexpr long kMaxCodecMemory = 512L << 20;
// Even arithmetic-coded flat pictures take a byte per few thousand pixels: a
// header that claims far more picture than the file holds is refused before
// memory is taken for it.
constexpr i64 kMaxPixelsPerByte = 1 << 15;

// The codec's fatal errors come back here instead of ending the process.
// The functions that set the trap hold only plain data between setjmp and
// the jump, so nothing is left without its destructor.
struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void onFatal(j_common_ptr codec) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(codec->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {} // warnings say nothing the result does not show

void installTrap(ErrorTrap& trap, j_common_ptr codec) {
    codec->err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = onFatal;
    trap.manager.emit_message = onMessage;
}

[[noreturn]] void fail(j_common_ptr codec, int code) {
    codec->err->msg_code = code;
    codec->err->error_exit(codec);
    std::abort(); // error_exit never returns
}

// -- writing --

struct Destination {
    jpeg_destination_mgr manager;
    io::IOutputStream* stream;
    JOCTET buffer[kBufferBytes];
};

void initDestination(j_compress_ptr codec) {
    Destination* d = reinterpret_cast<Destination*>(codec->dest);
    d->manager.next_output_byte = d->buffer;
    d->manager.free_in_buffer = kBufferBytes;
}

boolean emptyDestination(j_compress_ptr codec) {
    Destination* d = reinterpret_cast<Destination*>(codec->dest);
    if (!detail::writeAll(d->stream, d->buffer, kBufferBytes))
        fail(reinterpret_cast<j_common_ptr>(codec), JERR_FILE_WRITE);
    initDestination(codec);
    return TRUE;
}

void termDestination(j_compress_ptr codec) {
    Destination* d = reinterpret_cast<Destination*>(codec->dest);
    size_t filled = kBufferBytes - d->manager.free_in_buffer;
    if (filled > 0 && !detail::writeAll(d->stream, d->buffer, filled))
        fail(reinterpret_cast<j_common_ptr>(codec), JERR_FILE_WRITE);
    if (!d->stream->flush())
        fail(reinterpret_cast<j_common_ptr>(codec), JERR_FILE_WRITE);
}

// -- reading --

struct Source {
    jpeg_source_mgr manager;
    io::IInputStream* stream;
    bool ended; // the stream ran out; an end-of-image marker was made up
    JOCTET buffer[kBufferBytes];
};

void initSource(j_decompress_ptr) {}

boolean fillSource(j_decompress_ptr codec) {
    Source* s = reinterpret_cast<Source*>(codec->src);
    size_t n = s->ended ? 0 : detail::readUpTo(s->stream, s->buffer, kBufferBytes);
    if (n == 0) {
        // As the library's own file source does: an end marker lets it
        // finish the picture with what came.
        s->ended = true;
        s->buffer[0] = 0xFF;
        s->buffer[1] = JPEG_EOI;
        n = 2;
    }
    s->manager.next_input_byte = s->buffer;
    s->manager.bytes_in_buffer = n;
    return TRUE;
}

void skipSource(j_decompress_ptr codec, long count) {
    Source* s = reinterpret_cast<Source*>(codec->src);
    if (count <= 0)
        return;
    size_t left = static_cast<size_t>(count);
    while (left > s->manager.bytes_in_buffer) {
        left -= s->manager.bytes_in_buffer;
        if (s->ended) {
            fillSource(codec); // only the made-up end marker remains
            return;
        }
        fillSource(codec);
    }
    s->manager.next_input_byte += left;
    s->manager.bytes_in_buffer -= left;
}

void termSource(j_decompress_ptr) {}

void onProgress(j_common_ptr codec) {
    if (codec->is_decompressor && reinterpret_cast<j_decompress_ptr>(codec)->input_scan_number > kMaxScans)
        fail(codec, JERR_NOTIMPL);
}

} // namespace

Jpeg::Jpeg() : m_bitmap(bmp::win::Bitmap::create()) {}

Jpeg::~Jpeg() {
    m_bitmap->release();
}

void Jpeg::reset() {
    m_bitmap->reset();
    m_quality = 75;
}

bool Jpeg::create(i32 width, i32 height) {
    return m_bitmap->create(width, height, 24);
}

bool Jpeg::convertFrom(BufferedImage* image, i32 quality, int r, int g, int b) {
    if (!image)
        return false;
    const i32 width = image->getWidth();
    const i32 height = image->getHeight();
    if (!create(width, height))
        return false;
    const BufferedImage* source = image;
    thread::Pooled<BufferedImage> background;
    if (image->hasAlpha()) {
        background.reset(image->newImage(width, height));
        if (!background)
            return false;
        background->fill(255, r, g, b);
        background->drawImage(0, 0, width, height, image, 0, 0, false);
        source = background.get();
    }
    for (i32 y = 0; y < height; ++y) {
        const Pixel* in = source->getRow(y);
        u8* out = m_bitmap->getRow(y);
        for (i32 x = 0; x < width; ++x) {
            out[3 * x] = static_cast<u8>(blueOf(in[x]));
            out[3 * x + 1] = static_cast<u8>(greenOf(in[x]));
            out[3 * x + 2] = static_cast<u8>(redOf(in[x]));
        }
    }
    setQuality(quality);
    return true;
}

bool Jpeg::writeTo(io::IOutputStream* stream) const {
    const i32 width = m_bitmap->getWidth();
    const i32 height = m_bitmap->getHeight();
    if (!stream || !m_bitmap->getPixels() || width <= 0 || height <= 0)
        return false;

    jpeg_compress_struct codec;
    ErrorTrap trap;
    Destination destination;
    installTrap(trap, reinterpret_cast<j_common_ptr>(&codec));
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&codec);
        return false;
    }
    jpeg_create_compress(&codec);
    destination.manager.init_destination = initDestination;
    destination.manager.empty_output_buffer = emptyDestination;
    destination.manager.term_destination = termDestination;
    destination.stream = stream;
    codec.dest = &destination.manager;

    codec.image_width = static_cast<JDIMENSION>(width);
    codec.image_height = static_cast<JDIMENSION>(height);
    codec.input_components = 3;
    codec.in_color_space = JCS_RGB;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, m_quality, TRUE);
    // The rows go in as they are stored (B, G, R): the library reorders them
    // on the way into its colour conversion, which gives the bytes of an RGB
    // input without touching our picture.
    codec.in_color_space = JCS_EXT_BGR;
    jpeg_start_compress(&codec, TRUE);
    while (codec.next_scanline < codec.image_height) {
        JSAMPROW row = m_bitmap->getRow(static_cast<i32>(codec.next_scanline));
        jpeg_write_scanlines(&codec, &row, 1);
    }
    jpeg_finish_compress(&codec);
    jpeg_destroy_compress(&codec);
    return true;
}

bool Jpeg::readFrom(io::IInputStream* stream) {
    m_bitmap->reset();
    if (!stream)
        return false;
    const i64 available = detail::bytesLeft(stream);

    jpeg_decompress_struct codec;
    ErrorTrap trap;
    Source source;
    jpeg_progress_mgr progress{};
    installTrap(trap, reinterpret_cast<j_common_ptr>(&codec));
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&codec);
        m_bitmap->reset();
        return false;
    }
    jpeg_create_decompress(&codec);
    codec.mem->max_memory_to_use = kMaxCodecMemory;
    progress.progress_monitor = onProgress;
    codec.progress = &progress;
    source.manager.init_source = initSource;
    source.manager.fill_input_buffer = fillSource;
    source.manager.skip_input_data = skipSource;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = termSource;
    source.manager.bytes_in_buffer = 0;
    source.manager.next_input_byte = nullptr;
    source.stream = stream;
    source.ended = false;
    codec.src = &source.manager;

    if (jpeg_read_header(&codec, TRUE) != JPEG_HEADER_OK)
        fail(reinterpret_cast<j_common_ptr>(&codec), JERR_NO_IMAGE);
    if (static_cast<i64>(codec.image_width) * codec.image_height > kMaxPixels ||
        !detail::couldHold(available, static_cast<i64>(codec.image_width) * codec.image_height,
                           kMaxPixelsPerByte))
        fail(reinterpret_cast<j_common_ptr>(&codec), JERR_IMAGE_TOO_BIG);
    const bool cmyk = codec.jpeg_color_space == JCS_CMYK || codec.jpeg_color_space == JCS_YCCK;
    const bool grey = codec.jpeg_color_space == JCS_GRAYSCALE;
    codec.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_start_decompress(&codec);
    const i32 width = static_cast<i32>(codec.output_width);
    if (!create(width, static_cast<i32>(codec.output_height)))
        fail(reinterpret_cast<j_common_ptr>(&codec), JERR_OUT_OF_MEMORY);
    // The library's own memory, freed with the codec even after a jump.
    JSAMPARRAY line = codec.mem->alloc_sarray(reinterpret_cast<j_common_ptr>(&codec), JPOOL_IMAGE,
                                              static_cast<JDIMENSION>(width * 4), 1);
    while (codec.output_scanline < codec.output_height) {
        u8* out = m_bitmap->getRow(static_cast<i32>(codec.output_scanline));
        if (!cmyk && !grey) {
            jpeg_read_scanlines(&codec, &out, 1);
            continue;
        }
        jpeg_read_scanlines(&codec, line, 1);
        const u8* in = line[0];
        for (i32 x = 0; x < width; ++x) {
            if (grey) {
                out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
            } else {
                // Stored inverted, as Adobe writes them: the product with K
                // gives the colour.
                const u32 c = in[4 * x], m = in[4 * x + 1], yellow = in[4 * x + 2], k = in[4 * x + 3];
                out[3 * x] = static_cast<u8>(yellow * k / 255);
                out[3 * x + 1] = static_cast<u8>(m * k / 255);
                out[3 * x + 2] = static_cast<u8>(c * k / 255);
            }
        }
    }
    jpeg_finish_decompress(&codec);
    jpeg_destroy_decompress(&codec);
    return !source.ended;
}

BufferedImage* Jpeg::toBufferedImage(BufferedImage* reuse) const {
    return m_bitmap->toBufferedImage(reuse);
}

BufferedImageSet* Jpeg::toBufferedImageSet() const {
    BufferedImageSet* set = BufferedImageSet::create();
    if (BufferedImage* image = toBufferedImage(nullptr))
        set->add(image, 24, 0, 0);
    return set;
}

IEncodedImage* Jpeg::encodeLike(BufferedImage* image) const {
    Jpeg* jpeg = Jpeg::create();
    if (!jpeg->convertFrom(image, 75, 255, 255, 255)) {
        jpeg->release();
        return nullptr;
    }
    return jpeg;
}

} // namespace s::image::jpg::win
