#include "image/win/BufferedImage.h"
#include "image/bmp/win/Bitmap.h"
#include "image/filters/IFilter.h"
#include "image/filters/sharpness/Sharpness.h"
#include "image/win/BufferedImageSet.h"
#include "image/win/MemDC.h"
#include "tests/image/ImageTestUtil.h"

#include <gtest/gtest.h>

#include <cairo.h>

using namespace s;
using namespace s::test::image;
using s::image::win::BufferedImageSet;

namespace {

Pixel composite(Pixel dst, Pixel src, bool dstHasAlpha = true) {
    auto d = makeImage(1, 1, {dst}, dstHasAlpha);
    auto s = makeImage(1, 1, {src}, true);
    d->drawImage(0, 0, 1, 1, s.get(), 0, 0, false);
    EXPECT_EQ(d->hasAlpha(), dstHasAlpha); // compositing never changes the flag
    return d->getRow(0)[0];
}

// A filter that counts its releases and adds 1 to every blue channel, or
// yields nothing when told to.
struct CountingFilter : s::image::filters::IFilter {
    static constexpr char16_t kId[] = u"Counting"; // its own array, never a pooled literal
    int* released;
    bool autoRelease;
    bool yieldNothing = false;
    CountingFilter(int* counter, bool autoRelease_) : released(counter), autoRelease(autoRelease_) {}
    const char16_t* getClassName() const override { return u"CountingFilter"; }
    base::IObject* newInstance() const override { return nullptr; }
    void release() override { ++*released; }
    void reset() override {}
    const char16_t* getFilterId() const override { return kId; }
    bool isAutoRelease() const override { return autoRelease; }
    void setAutoRelease(bool a) override { autoRelease = a; }
    BufferedImage* apply(BufferedImage* source, BufferedImage* target) override {
        if (yieldNothing)
            return nullptr;
        BufferedImage* out = source->copy(target);
        for (int y = 0; y < out->getHeight(); ++y)
            for (int x = 0; x < out->getWidth(); ++x)
                out->getRow(y)[x] += 1;
        return out;
    }
};

} // namespace

TEST(BufferedImageComposite, AlphaArithmetic) {
    // Half transparent onto opaque: the result is opaque, channels halfway
    // (the signed difference shifts arithmetically).
    EXPECT_EQ(composite(0xFF204060, 0x80FF8040), 0xFF8F6050u);
    // Onto a fully transparent pixel the source is copied as it is.
    EXPECT_EQ(composite(0x00204060, 0x80FF8040), 0x80FF8040u);
    // Partial onto partial.
    EXPECT_EQ(composite(0x320AFFFF, 0x64C800FF), 0x839A3CFFu);
    // Transparent source: nothing changes; opaque source: replaces.
    EXPECT_EQ(composite(0x320AFFFF, 0x00123456), 0x320AFFFFu);
    EXPECT_EQ(composite(0x320AFFFF, 0xFF123456), 0xFF123456u);
    // A destination without the alpha flag is treated as opaque.
    EXPECT_EQ(composite(0x00204060, 0x80FF8040, false), 0xFF8F6050u);
    EXPECT_EQ(composite(0x00204060, 0x00FF8040, false), 0xFF204060u);
}

TEST(BufferedImageComposite, ClipsAndCopiesOpaqueSources) {
    auto dst = makeImage(3, 3, std::vector<Pixel>(9, 0xFF000000));
    // A source without the alpha flag is copied byte for byte, alpha included.
    auto src = makeImage(2, 2, {0x01000001, 0x02000002, 0x03000003, 0x04000004});
    dst->drawImage(-1, 2, 5, 5, src.get(), 0, 0, false);
    EXPECT_EQ(pixelsOf(*dst), (std::vector<Pixel>{0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000,
                                                  0xFF000000, 0x02000002, 0xFF000000, 0xFF000000}));
    // A negative source offset moves the destination instead of reading
    // before the source.
    dst->drawImage(0, 0, 2, 2, src.get(), -1, -1, false);
    EXPECT_EQ(dst->getRow(1)[1], 0x01000001u);
    EXPECT_EQ(dst->getRow(0)[0], 0xFF000000u);
    // Entirely outside: nothing.
    dst->drawImage(3, 0, 2, 2, src.get(), 0, 0, false);
    dst->drawImage(0, 0, 2, 2, src.get(), 2, 0, false);
    EXPECT_EQ(dst->getRow(0)[0], 0xFF000000u);
    // With scaling the source is resampled to w x h first.
    auto one = makeImage(1, 1, {0xFF00FF00});
    dst->drawImage(0, 0, 3, 3, one.get(), 0, 0, true);
    EXPECT_EQ(pixelsOf(*dst), std::vector<Pixel>(9, 0xFF00FF00));
}

TEST(BufferedImagePixels, AlphaOperations) {
    auto image = makeImage(4, 1, {0x00FF0000, 0x5F00FF00, 0x600000FF, 0xFFFF0000});
    image->thresholdAlpha(96);
    EXPECT_TRUE(image->hasAlpha());
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{0x00FF0000, 0x0000FF00, 0xFF0000FF, 0xFFFF0000}));
    image->tintTransparent(1, 2, 3);
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{0x00010203, 0x00010203, 0xFF0000FF, 0xFFFF0000}));

    image->applyColourKey(0, 0, 255);
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{0xFF010203, 0xFF010203, 0x000000FF, 0xFFFF0000}));
    image->makeOpaque();
    EXPECT_FALSE(image->hasAlpha());
    image->applyColourKey(9, 9, 9); // absent: the flag stays as it was
    EXPECT_FALSE(image->hasAlpha());

    auto other = makeImage(2, 1, {0xFF010203, 0xFF999999});
    image->maskEqualTo(other.get()); // covers only the first two pixels
    EXPECT_TRUE(image->hasAlpha());
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{0x00010203, 0xFF010203, 0xFF0000FF, 0xFFFF0000}));

    auto flat = makeImage(3, 1, {0x00123456, 0x80FF0000, 0xFF00FF00}, true);
    flat->flattenOnWhite();
    EXPECT_FALSE(flat->hasAlpha());
    EXPECT_EQ(pixelsOf(*flat), (std::vector<Pixel>{0xFFFFFFFF, 0xFFFF7F7F, 0xFF00FF00}));

    flat->fill(10, 1, 2, 3);
    EXPECT_TRUE(flat->hasAlpha());
    EXPECT_EQ(pixelsOf(*flat), std::vector<Pixel>(3, 0x0A010203));
    flat->fill(255, 1, 2, 3);
    EXPECT_FALSE(flat->hasAlpha());
    flat->getRow(0)[2] = 0xFE000000;
    flat->updateAlphaFlag();
    EXPECT_TRUE(flat->hasAlpha());
}

TEST(BufferedImageGeometry, CapacityGrowsAndKeepsPixels) {
    auto image = makeImage(3, 2, {1, 2, 3, 4, 5, 6});
    // Growth by 1.2 per axis, from the current capacity.
    ASSERT_TRUE(image->ensureCapacity(4, 2));
    EXPECT_EQ(image->getCapacityWidth(), 4); // 3 x 1.2 x 1.2 = 4.32
    EXPECT_EQ(image->getCapacityHeight(), 2);
    ASSERT_TRUE(image->ensureCapacity(4, 5));
    EXPECT_EQ(image->getCapacityHeight(), 5); // 2, 2.4, 2.88, 3.46, 4.15, 4.98, 5.97
    EXPECT_EQ(image->getWidth(), 3);
    EXPECT_EQ(image->getHeight(), 2);
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{1, 2, 3, 4, 5, 6}));
    // Row y lives at (capacityHeight - 1 - y) rows from the bottom of memory.
    EXPECT_EQ(reinterpret_cast<u8*>(image->getRow(0)),
              image->getBits() + (image->getCapacityHeight() - 1) * image->getCapacityRowBytes());

    // Narrower but taller: the width never shrinks below what is in use.
    ASSERT_TRUE(image->reserve(1, 9));
    EXPECT_EQ(image->getCapacityWidth(), 4);
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{1, 2, 3, 4, 5, 6}));

    image->setSize(100, 100); // clamped to the capacity
    EXPECT_EQ(image->getWidth(), 4);
    EXPECT_EQ(image->getHeight(), 9);

    auto empty = makeImage(0, 0, {});
    ASSERT_TRUE(empty->ensureCapacity(10, 7));
    EXPECT_EQ(empty->getCapacityWidth(), 10);
    EXPECT_EQ(empty->getCapacityHeight(), 7);
    EXPECT_FALSE(empty->ensureCapacity(1 << 20, 1 << 20));
    EXPECT_EQ(empty->getCapacityWidth(), 10);
}

TEST(BufferedImageTransforms, RotateMirrorFlip) {
    // 1 2 3
    // 4 5 6
    auto image = makeImage(3, 2, {1, 2, 3, 4, 5, 6}, true);
    auto check = [](BufferedImage* out, int w, int h, std::vector<Pixel> want) {
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(out->getWidth(), w);
        EXPECT_EQ(out->getHeight(), h);
        EXPECT_TRUE(out->hasAlpha());
        EXPECT_EQ(pixelsOf(*out), want);
    };
    Pooled<BufferedImage> out(image->rotateRight(nullptr));
    check(out.get(), 2, 3, {4, 1, 5, 2, 6, 3});
    check(image->rotateLeft(out.get()), 2, 3, {3, 6, 2, 5, 1, 4});
    check(image->rotate180(out.get()), 3, 2, {6, 5, 4, 3, 2, 1});
    check(image->mirror(out.get()), 3, 2, {3, 2, 1, 6, 5, 4});
    check(image->flip(out.get()), 3, 2, {4, 5, 6, 1, 2, 3});
    check(image->copy(out.get()), 3, 2, {1, 2, 3, 4, 5, 6});
    // Into itself.
    check(image->rotateRight(image.get()), 2, 3, {4, 1, 5, 2, 6, 3});
}

TEST(BufferedImageScaledCopy, KeepsRatioAndCaches) {
    auto image = makeImage(640, 480, std::vector<Pixel>(640 * 480, 0xFF336699));
    BufferedImage* small = image->scaledCopy(100, 100, true);
    EXPECT_EQ(small->getWidth(), 100);
    EXPECT_EQ(small->getHeight(), 75);
    EXPECT_EQ(image->getScaledCache(), small);
    EXPECT_EQ(image->scaledCopy(100, 75, false), small); // trusted as it is
    EXPECT_EQ(image->scaledCopy(640, 480, false), image.get());
    EXPECT_EQ(image->scaledCopy(1000, 480, true), image.get()); // height wins
    BufferedImage* tall = image->scaledCopy(10, 300, true);
    EXPECT_EQ(tall, small); // the cache object is rendered into again
    EXPECT_EQ(tall->getWidth(), 10);
    EXPECT_EQ(tall->getHeight(), 7);

    // Writing into a buffer drops its stale scaled copy.
    auto other = makeImage(640, 480, std::vector<Pixel>(640 * 480, 0xFF000000));
    other->scaledCopy(100, 75, false);
    image->copy(other.get());
    EXPECT_EQ(other->getScaledCache(), nullptr);
    EXPECT_EQ(other->scaledCopy(100, 75, false)->getRow(0)[0], 0xFF336699u);
}

TEST(BufferedImageFilters, ChainOwnershipAndCache) {
    int autoReleased = 0, keptReleased = 0;
    auto image = makeImage(2, 1, {0xFF000010, 0xFF000020});
    auto* a = new CountingFilter(&autoReleased, true);
    auto* b = new CountingFilter(&keptReleased, false);
    image->addFilter(a);
    image->addFilter(b);
    u32 index = 9;
    EXPECT_EQ(image->findFilter(CountingFilter::kId, &index), a);
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(image->findFilter(u"Counting", nullptr), nullptr) << "ids compare by identity";

    BufferedImage* filtered = image->getFiltered();
    EXPECT_EQ(pixelsOf(*filtered), (std::vector<Pixel>{0xFF000012, 0xFF000022}));
    EXPECT_EQ(image->getFiltered(), filtered);
    EXPECT_EQ(pixelsOf(*image), (std::vector<Pixel>{0xFF000010, 0xFF000020}));

    b->yieldNothing = true; // the chain stops at the last result
    EXPECT_EQ(pixelsOf(*image->applyFilters()), (std::vector<Pixel>{0xFF000011, 0xFF000021}));

    image->clearFilters();
    EXPECT_EQ(autoReleased, 1);
    EXPECT_EQ(keptReleased, 0);
    EXPECT_EQ(image->getFilteredCache(), nullptr);
    EXPECT_EQ(image->getFiltered(), image.get());
    delete a;
    delete b;

    // A real filter, released by the buffer.
    image->addFilter(s::image::filters::sharpness::makeSharpness(70));
    EXPECT_NE(image->getFiltered(), image.get());
    image->removeFilter(0);
    EXPECT_FALSE(image->hasFilters());
}

TEST(BufferedImageDrawing, CairoSeesTheRowsTopDown) {
    auto image = makeImage(3, 2, {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF, 0x00000000, 0x00808080});
    ASSERT_TRUE(image->reserve(8, 8)); // capacity rows beyond the picture must not show
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
    cairo_t* cr = cairo_create(surface);
    image->drawTo(cr, 1, 1, 2, 5, false); // at most 2 x 2 of it
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    auto at = [&](int x, int y) {
        return reinterpret_cast<u32*>(cairo_image_surface_get_data(surface) +
                                      y * cairo_image_surface_get_stride(surface))[x];
    };
    EXPECT_EQ(at(0, 0), 0u);
    EXPECT_EQ(at(1, 1), 0xFFFF0000u); // alpha bytes ignored: drawn opaque
    EXPECT_EQ(at(2, 1), 0xFF00FF00u);
    EXPECT_EQ(at(1, 2), 0xFFFFFFFFu);
    EXPECT_EQ(at(2, 2), 0xFF000000u);
    EXPECT_EQ(at(3, 1), 0u);
    EXPECT_EQ(at(1, 3), 0u);
    cairo_surface_destroy(surface);

    // Painting through a memory context lands in the buffer's top rows.
    image->fill(255, 0, 0, 0);
    Pooled<s::gui::win::MemDC> dc(s::gui::win::MemDC::create());
    ASSERT_TRUE(dc->create(image.get(), false));
    cairo_set_source_rgb(dc->getContext(), 0, 0, 1);
    cairo_rectangle(dc->getContext(), 0, 0, 3, 1);
    cairo_fill(dc->getContext());
    dc->flush();
    EXPECT_EQ(pixelsOf(*image),
              (std::vector<Pixel>{0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF000000, 0xFF000000, 0xFF000000}));
}

TEST(BufferedImageSetTest, PrimaryLookupsAndCombinedFrames) {
    Pooled<BufferedImageSet> set(BufferedImageSet::create());
    set->add(makeImage(2, 2, std::vector<Pixel>(4, 0xFF0000FF)).release(), 8, 100, 0);
    set->add(makeImage(4, 1, std::vector<Pixel>(4, 0xFF00FF00)).release(), 32, 200, 0);
    set->add(makeImage(1, 1, {0x80FF0000}, true).release(), 32, 300, 1);
    EXPECT_EQ(set->getPrimaryIndex(), 1); // same area as the first, deeper
    EXPECT_EQ(set->getWidth(), 4);
    EXPECT_EQ(set->getDelay(2), 300);
    EXPECT_EQ(set->getDelay(3), 1000);
    EXPECT_EQ(set->getBlendMode(7), 1000);
    EXPECT_EQ(set->findExact(2, 2, 8), 0);
    EXPECT_EQ(set->findExact(2, 2, 32), -1);
    EXPECT_EQ(set->findNearestByDepth(2, 2, 24), 1); // depth 8 away from both, area decides
    EXPECT_EQ(set->findNearestByArea(1, 2, 8), 2);
    EXPECT_EQ(set->findNearestByArea(2, 2, 16), 0); // area tie, depth decides

    Pooled<BufferedImageSet> combined(set->combineFrames());
    ASSERT_EQ(combined->getImageCount(), 3u);
    EXPECT_EQ(combined->getBlendMode(2), 2);
    EXPECT_EQ(pixelsOf(*combined->getImage(2)),
              (std::vector<Pixel>{0xFF7F7F00, 0xFF00FF00, 0xFF00FF00, 0xFF00FF00}));
    EXPECT_EQ(pixelsOf(*set->getImage(2)), std::vector<Pixel>{0x80FF0000}); // the source set is untouched

    set->setLoopCount(5);
    set->clearAndResetLoop();
    EXPECT_EQ(set->getImageCount(), 0u);
    EXPECT_EQ(set->getLoopCount(), 1);
    EXPECT_EQ(set->getPrimaryImage(), nullptr);
}
