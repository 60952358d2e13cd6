// Reads a BMP and writes it as PNG, JPEG or GIF with the format's default
// encode settings (what "Save as Image" does with a fresh settings store):
// the same work as an image tool's "read, write" command line.
//
//   snipforge-bench-encode IN.bmp OUT.png|OUT.jpg|OUT.gif

#include "foundation/col/array/Arrays.h"
#include "foundation/file/win/FileInputStream.h"
#include "foundation/thread/Pool.h"
#include "image/IEncodedImage.h"
#include "image/bmp/win/Bitmap.h"
#include "image/detail/FileIo.h"
#include "image/gif/EncodeSetting.h"
#include "image/jpg/EncodeSetting.h"
#include "image/png/EncodeSetting.h"
#include "image/win/BufferedImage.h"

#include <cstdio>
#include <cstring>

using namespace s;

namespace {

image::IEncodeSetting* settingFor(const char* path) {
    const char* dot = std::strrchr(path, '.');
    if (!dot)
        return nullptr;
    if (std::strcmp(dot, ".png") == 0)
        return image::png::EncodeSetting::newBound(u"", nullptr);
    if (std::strcmp(dot, ".jpg") == 0)
        return image::jpg::EncodeSetting::newBound(u"", nullptr);
    if (std::strcmp(dot, ".gif") == 0)
        return image::gif::EncodeSetting::newBound(u"", nullptr);
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.bmp OUT.png|OUT.jpg|OUT.gif\n", argv[0]);
        return 2;
    }
    thread::Pooled<image::IEncodeSetting> setting(settingFor(argv[2]));
    if (!setting) {
        std::fprintf(stderr, "%s: not .png, .jpg or .gif\n", argv[2]);
        return 2;
    }
    auto in = thread::makePooled<file::win::FileInputStream>();
    auto source = thread::makePooled<image::bmp::win::Bitmap>();
    if (!in->openOs(argv[1]) || !source->readFrom(in.get())) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    auto picture = thread::adopt(source->toBufferedImage());
    if (!picture) {
        std::fprintf(stderr, "cannot decode %s\n", argv[1]);
        return 1;
    }
    thread::Pooled<image::IEncodedImage> encoded(setting->encode(picture.get()));
    auto bytes = thread::makePooled<col::_array::ArrayU08>();
    if (!encoded || !encoded->writeTo(bytes.get()) ||
        !image::detail::replaceFile(argv[2], bytes->data(), bytes->size())) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
