// The encode settings: defaults of a fresh store, what they store and under
// which keys, what they read back from a store file, and what they encode.

#include "image/bmp/EncodeSetting.h"
#include "foundation/xml/MappedData.h"
#include "image/filters/IFilter.h"
#include "image/gif/EncodeSetting.h"
#include "image/ico/EncodeSetting.h"
#include "image/ico/win/Icon.h"
#include "image/jpg/EncodeSetting.h"
#include "image/png/EncodeSetting.h"
#include "support/TempDir.h"
#include "tests/image/CodecTestUtil.h"

#include <gtest/gtest.h>

using namespace s;
using namespace s::test::image;
using s::thread::makePooled;

namespace {

constexpr const char16_t* kJpg = u"Cutter\\ConvertTo\\Jpg";
constexpr const char16_t* kIco = u"Cutter\\ConvertTo\\Ico";

Pooled<s::xml::MappedData> openStore(const s::test::TempDir& dir) {
    auto store = makePooled<s::xml::MappedData>();
    EXPECT_TRUE(store->open(dir.u16("SaveData.xml").c_str()));
    return store;
}

std::vector<u8> written(s::image::IEncodedImage* encoded) {
    EXPECT_TRUE(encoded);
    if (!encoded)
        return {};
    std::vector<u8> bytes = encodeWith([&](io::IOutputStream* out) { return encoded->writeTo(out); });
    encoded->release();
    return bytes;
}

/// Turns every pixel red: shows whether the filtered picture was encoded.
class RedFilter : public s::image::filters::IFilter {
public:
    const char16_t* getClassName() const override { return u"RedFilter"; }
    base::IObject* newInstance() const override { return nullptr; }
    void release() override {}
    void reset() override {}
    const char16_t* getFilterId() const override { return u"red"; }
    bool isAutoRelease() const override { return false; }
    void setAutoRelease(bool) override {}
    BufferedImage* apply(BufferedImage* source, BufferedImage* target) override {
        BufferedImage* out = target ? target : BufferedImage::create();
        out->prepare(source->getWidth(), source->getHeight());
        out->fill(255, 255, 0, 0);
        return out;
    }
};

} // namespace

TEST(EncodeSettings, AFreshStoreGivesTheDefaultsAndLoadingWritesNothing) {
    s::test::TempDir dir;
    auto store = openStore(dir);
    Pooled<s::image::jpg::EncodeSetting> jpg(s::image::jpg::EncodeSetting::newBound(kJpg, store.get()));
    EXPECT_EQ(jpg->quality, 75);
    EXPECT_EQ(jpg->bgRed + jpg->bgGreen + jpg->bgBlue, 3 * 255);
    Pooled<s::image::png::EncodeSetting> png(s::image::png::EncodeSetting::newBound(u"P", store.get()));
    EXPECT_TRUE(png->keepTransparency);
    EXPECT_TRUE(png->withInterlace);
    Pooled<s::image::gif::EncodeSetting> gif(s::image::gif::EncodeSetting::newBound(u"G", store.get()));
    EXPECT_EQ(gif->bpp, 8);
    Pooled<s::image::bmp::EncodeSetting> bmp(s::image::bmp::EncodeSetting::newBound(u"B", store.get()));
    EXPECT_EQ(bmp->bpp, 24);
    EXPECT_TRUE(bmp->keepTransparency);
    Pooled<s::image::ico::EncodeSetting> ico(s::image::ico::EncodeSetting::newBound(kIco, store.get()));
    EXPECT_EQ(ico->sizes, (std::vector<i32>{16, 24, 32, 48}));
    EXPECT_EQ(ico->depths, (std::vector<i32>{4, 8, 32}));
    EXPECT_TRUE(ico->keepRatio);
    EXPECT_FALSE(store->hasGroup(u"Cutter"));
    EXPECT_EQ(jpg->getGroup(), u"Cutter\\ConvertTo\\Jpg\\JpgEncodeSetting");
}

TEST(EncodeSettings, SavedValuesLiveUnderTheirKeysAndComeBackFromTheFile) {
    s::test::TempDir dir;
    {
        auto store = openStore(dir);
        Pooled<s::image::jpg::EncodeSetting> jpg(s::image::jpg::EncodeSetting::newBound(kJpg, store.get()));
        jpg->quality = 42;
        jpg->bgRed = 1, jpg->bgGreen = 2, jpg->bgBlue = 3;
        EXPECT_TRUE(jpg->save());
        EXPECT_EQ(store->getS32(u"Cutter\\ConvertTo\\Jpg\\JpgEncodeSetting", u"Quality", -1), 42);
        EXPECT_EQ(store->getS32(u"Cutter\\ConvertTo\\Jpg\\JpgEncodeSetting", u"BgBlue", -1), 3);
        Pooled<s::image::gif::EncodeSetting> gif(s::image::gif::EncodeSetting::newBound(u"G", store.get()));
        gif->bpp = 4;
        gif->keepTransparency = false;
        EXPECT_TRUE(gif->save());
    }
    // Another store over the same file, as at the next start.
    auto store = openStore(dir);
    Pooled<s::image::jpg::EncodeSetting> jpg(s::image::jpg::EncodeSetting::newBound(kJpg, store.get()));
    EXPECT_EQ(jpg->quality, 42);
    EXPECT_EQ(jpg->bgGreen, 2);
    Pooled<s::image::gif::EncodeSetting> gif(s::image::gif::EncodeSetting::newBound(u"G", store.get()));
    EXPECT_EQ(gif->bpp, 4);
    EXPECT_FALSE(gif->keepTransparency);
    // A pooled setting taken again starts from the defaults, not from its
    // last use.
    jpg.reset();
    Pooled<s::image::jpg::EncodeSetting> unbound(s::image::jpg::EncodeSetting::newBound(u"X", nullptr));
    EXPECT_EQ(unbound->quality, 75);
    EXPECT_FALSE(unbound->hasStore());
    EXPECT_EQ(unbound->bgRed, 255);
}

TEST(EncodeSettings, IconSizesWithoutAKeyAreNotRemembered) {
    s::test::TempDir dir;
    auto store = openStore(dir);
    Pooled<s::image::ico::EncodeSetting> ico(s::image::ico::EncodeSetting::newBound(kIco, store.get()));
    ico->sizes = {32, 128, 256};
    ico->depths = {8};
    EXPECT_TRUE(ico->save());
    const char16_t* group = u"Cutter\\ConvertTo\\Ico\\IcoEncodeSetting";
    EXPECT_TRUE(store->getBool(group, u"Size032", false));
    for (const char16_t* key :
         {u"Size016", u"Size024", u"Size048", u"Size064", u"Size096", u"Bpp04", u"Bpp32"})
        EXPECT_FALSE(store->getBool(group, key, true)) << std::string(key, key + 7);
    EXPECT_TRUE(store->getBool(group, u"Bpp08", false));
    Pooled<s::image::ico::EncodeSetting> again(s::image::ico::EncodeSetting::newBound(kIco, store.get()));
    EXPECT_EQ(again->sizes, (std::vector<i32>{32}));
    EXPECT_EQ(again->depths, (std::vector<i32>{8}));
    // 64 and 96 are remembered too.
    again->sizes = {96, 64};
    EXPECT_TRUE(again->save());
    Pooled<s::image::ico::EncodeSetting> third(s::image::ico::EncodeSetting::newBound(kIco, store.get()));
    EXPECT_EQ(third->sizes, (std::vector<i32>{64, 96}));
}

TEST(EncodeSettings, EncodeFollowsTheChoices) {
    auto image = makeImage(40, 30, pattern(40, 30, true), true);
    Pooled<s::image::gif::EncodeSetting> gif(s::image::gif::EncodeSetting::newBound(u"G", nullptr));
    gif->withInterlace = false;
    std::vector<u8> plain = written(gif->encode(image.get()));
    gif->withInterlace = true;
    EXPECT_EQ(written(gif->encode(image.get())), plain) << "GIF rows are never interlaced";
    EXPECT_EQ(std::string(plain.begin(), plain.begin() + 6), "GIF89a");

    // BMP: 32 bits keep the alpha, 24 show the background colour.
    Pooled<s::image::bmp::EncodeSetting> bmp(s::image::bmp::EncodeSetting::newBound(u"B", nullptr));
    bmp->bpp = 32;
    std::vector<u8> with = written(bmp->encode(image.get()));
    bmp->bpp = 24;
    bmp->bgRed = 0, bmp->bgGreen = 0, bmp->bgBlue = 255;
    std::vector<u8> without = written(bmp->encode(image.get()));
    auto read = [](const std::vector<u8>& bytes) {
        auto bitmap = makePooled<Bitmap>();
        auto in = arrayOf(bytes);
        EXPECT_TRUE(bitmap->readFrom(in.get()));
        return Pooled<BufferedImage>(bitmap->toBufferedImage(nullptr));
    };
    auto kept = read(with), flat = read(without);
    ASSERT_TRUE(kept && flat);
    EXPECT_TRUE(kept->hasAlpha());
    EXPECT_FALSE(flat->hasAlpha());
    EXPECT_EQ(kept->getRow(0)[0] >> 24, 0u) << "pattern pixel (0, 0) is transparent";
    EXPECT_EQ(flat->getRow(0)[0], 0xFF0000FFu) << "and shows blue";

    // PNG: interlaced by default.
    Pooled<s::image::png::EncodeSetting> png(s::image::png::EncodeSetting::newBound(u"P", nullptr));
    EXPECT_EQ(written(png->encode(image.get()))[28], 1);
    png->withInterlace = false;
    EXPECT_EQ(written(png->encode(image.get()))[28], 0);

    // JPEG: a stored quality out of range goes to the codec, which clamps it.
    Pooled<s::image::jpg::EncodeSetting> jpg(s::image::jpg::EncodeSetting::newBound(u"J", nullptr));
    jpg->quality = 150;
    std::vector<u8> over = written(jpg->encode(image.get()));
    jpg->quality = 100;
    EXPECT_EQ(written(jpg->encode(image.get())), over);
}

TEST(EncodeSettings, AnIconWithoutSizesOrDepthsIsNotMade) {
    s::test::TempDir dir;
    auto store = openStore(dir);
    auto image = makeImage(64, 48, pattern(64, 48, false));
    Pooled<s::image::ico::EncodeSetting> ico(s::image::ico::EncodeSetting::newBound(kIco, store.get()));
    Pooled<s::image::IEncodedImage> icon(ico->encode(image.get()));
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->getImageCount(), 12u);
    ico->sizes.clear();
    EXPECT_EQ(ico->encode(image.get()), nullptr);
    ico->sizes = {16};
    ico->depths.clear();
    EXPECT_EQ(ico->encode(image.get()), nullptr);
    // Unbound (fresh from the pool): both lists are empty until loaded.
    Pooled<s::image::ico::EncodeSetting> unbound(s::image::ico::EncodeSetting::newBound(kIco, nullptr));
    EXPECT_EQ(unbound->encode(image.get()), nullptr);
}

TEST(EncodeSettings, ABufferWithFiltersIsEncodedFiltered) {
    auto image = makeImage(8, 8, std::vector<Pixel>(64, 0xFF00FF00));
    RedFilter red;
    image->addFilter(&red);
    Pooled<s::image::png::EncodeSetting> png(s::image::png::EncodeSetting::newBound(u"P", nullptr));
    Pooled<s::image::IEncodedImage> encoded(png->encode(image.get()));
    ASSERT_TRUE(encoded);
    Pooled<BufferedImage> decoded(encoded->toBufferedImage(nullptr));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->getRow(3)[3], 0xFFFF0000u);
    Pooled<s::image::ico::EncodeSetting> ico(s::image::ico::EncodeSetting::newBound(u"I", nullptr));
    ico->sizes = {8};
    ico->depths = {32};
    Pooled<s::image::IEncodedImage> icon(ico->encode(image.get()));
    ASSERT_TRUE(icon);
    Pooled<BufferedImage> entry(icon->toBufferedImage(nullptr));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->getRow(3)[3], 0xFFFF0000u);
    image->detachFilters();
}
