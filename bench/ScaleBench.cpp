// Reads a BMP, scales it with the bilinear resampler and writes a 24-bit BMP:
// the same work as an image tool's "read, resize, write" command line.
//
//   snipforge-bench-scale IN.bmp WIDTH HEIGHT OUT.bmp

#include "foundation/file/win/FileInputStream.h"
#include "foundation/file/win/FileOutputStream.h"
#include "image/bmp/win/Bitmap.h"
#include "image/win/BufferedImage.h"

#include <cstdio>
#include <cstdlib>

using namespace s;

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s IN.bmp WIDTH HEIGHT OUT.bmp\n", argv[0]);
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
    image::win::BufferedImage* scaled = picture->scaledCopy(std::atoi(argv[2]), std::atoi(argv[3]), false);
    auto target = thread::makePooled<image::bmp::win::Bitmap>();
    auto out = thread::makePooled<file::win::FileOutputStream>();
    if (!scaled || !target->convertFrom(scaled, 24, false, 255, 255, 255) || !out->openOs(argv[4], false) ||
        !target->writeTo(out.get()) || !out->closeChecked()) {
        std::fprintf(stderr, "cannot write %s\n", argv[4]);
        return 1;
    }
    return 0;
}
