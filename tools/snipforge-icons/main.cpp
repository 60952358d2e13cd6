// Writes the program icon as PNG files for the desktop's icon theme:
// <folder>/<size>x<size>/apps/snipforge.png for every size the theme uses.

#include "app/win/ProgramIcon.h"
#include "image/Pixel.h"
#include "image/win/BufferedImage.h"

#include <cairo.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

using namespace s;

bool makeFolders(const std::string& path) {
    for (std::size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

bool writeIcon(const std::string& folder, i32 size) {
    image::win::BufferedImage* icon = app::win::drawProgramIcon(size);
    if (!icon)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (i32 y = 0; y < size; ++y) {
        const image::Pixel* in = icon->getRow(y);
        auto* out = reinterpret_cast<u32*>(data + static_cast<std::size_t>(y) * stride);
        for (i32 x = 0; x < size; ++x) {
            // cairo keeps premultiplied alpha; the image buffer straight alpha.
            const u32 a = image::alphaOf(in[x]);
            const u32 r = image::redOf(in[x]) * a / 255;
            const u32 g = image::greenOf(in[x]) * a / 255;
            const u32 b = image::blueOf(in[x]) * a / 255;
            out[x] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    cairo_surface_mark_dirty(surface);
    const std::string dir = folder + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    bool ok = makeFolders(dir) &&
              cairo_surface_write_to_png(surface, (dir + "/snipforge.png").c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    icon->release();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: snipforge-icons FOLDER\n");
        return 2;
    }
    for (s::i32 size : {16, 24, 32, 48, 64, 128, 256}) {
        if (!writeIcon(argv[1], size)) {
            std::fprintf(stderr, "snipforge-icons: cannot write the %dx%d icon under %s\n", size, size, argv[1]);
            return 1;
        }
    }
    return 0;
}
