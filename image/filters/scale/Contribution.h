#pragma once

#include "foundation/col/array/Arrays.h"
#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "image/Pixel.h"

namespace s::image::filters::scale {

class IScaleFilter;

/// The weights of one resampling pass from n input samples to m outputs:
/// per output a record {first input, last input, window 16.16 weights}.
class Contribution : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Contribution)

public:
    Contribution() = default;
    Contribution(const Contribution&) = delete;
    Contribution& operator=(const Contribution&) = delete;

    const char16_t* getClassName() const override { return u"s_image_filters_scale_Contribution"; }
    /// No records; the storage is freed.
    void reset() override;

    /// Fills the table for m outputs from n inputs at scale m / n. The storage
    /// only grows. m and n must be positive.
    void build(const IScaleFilter& filter, i32 m, i32 n, double scale);

    i32 getCount() const { return m_count; }
    i32 getWindow() const { return m_window; }
    i32 getRecordSize() const { return m_recordSize; }
    i32 first(i32 i) const { return record(i)[0]; }
    i32 last(i32 i) const { return record(i)[1]; }
    /// The weights of taps first ... last.
    const u32* weights(i32 i) const { return reinterpret_cast<const u32*>(record(i) + 2); }

    /// One output sample from taps first ... last of `samples`, `step` pixels
    /// apart; a single tap is copied unchanged.
    Pixel apply(i32 i, const Pixel* samples, i64 step) const {
        i32 f = first(i), l = last(i);
        if (f == l)
            return samples[static_cast<i64>(f) * step];
        const u32* w = weights(i);
        u32 a = 32768, r = 32768, g = 32768, b = 32768;
        for (i32 j = f; j <= l; ++j) {
            Pixel p = samples[static_cast<i64>(j) * step];
            u32 wj = w[j - f];
            a += wj * alphaOf(p);
            r += wj * redOf(p);
            g += wj * greenOf(p);
            b += wj * blueOf(p);
        }
        return packPixel(a >> 16, r >> 16, g >> 16, b >> 16);
    }

private:
    const i32* record(i32 i) const {
        return reinterpret_cast<const i32*>(m_records.data() + static_cast<i64>(i) * m_recordSize);
    }

    i32 m_count = 0;
    i32 m_window = 0;
    i32 m_recordSize = 0;
    col::_array::ArrayU08 m_records;
};

} // namespace s::image::filters::scale
