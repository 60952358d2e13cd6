// The gallery shows every control, box kind and drawer in one window; run it
// under the test display at scale 1 and 2, let it check its own layout, and
// keep its screenshots for people to look at.

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

int runGallery(const std::string& png, int scale) {
    const std::string command = std::string(SNIPFORGE_GALLERY_PATH) + " --screenshot '" + png + "' --scale " +
                                std::to_string(scale);
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Picture {
    int width = 0;
    int height = 0;
    std::size_t colours = 0;
};

Picture readPng(const std::string& file) {
    Picture p;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(file.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
        p.width = cairo_image_surface_get_width(surface);
        p.height = cairo_image_surface_get_height(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        std::set<unsigned> colours;
        for (int y = 0; y < p.height; y += 2)
            for (int x = 0; x < p.width; x += 2)
                colours.insert(reinterpret_cast<const unsigned*>(data + y * stride)[x]);
        p.colours = colours.size();
    }
    cairo_surface_destroy(surface);
    return p;
}

class GalleryTest : public ::testing::TestWithParam<int> {};

TEST_P(GalleryTest, LaysOutWithoutClippingAndWritesAScreenshot) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    const int scale = GetParam();
    mkdir(SNIPFORGE_SCREENSHOT_DIR, 0755);
    const std::string png = std::string(SNIPFORGE_SCREENSHOT_DIR) +
                            (scale == 1 ? "/gallery.png" : "/gallery-scale" + std::to_string(scale) + ".png");
    std::remove(png.c_str());
    // Exit status 1 means the gallery found a clipped or overlapping control.
    ASSERT_EQ(runGallery(png, scale), 0);
    const Picture picture = readPng(png);
    // The window opens at 760 x 480 (scaled) and only grows to fit.
    EXPECT_GE(picture.width, 760 * scale);
    EXPECT_GE(picture.height, 400 * scale);
    // Texts, swatches, a gradient and icons: far more than a blank window.
    EXPECT_GT(picture.colours, 200u);
}

INSTANTIATE_TEST_SUITE_P(Scales, GalleryTest, ::testing::Values(1, 2));

} // namespace
