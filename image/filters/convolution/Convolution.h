#pragma once

#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "image/Pixel.h"

namespace s::image::filters::convolution {

/// A 3 x 3 convolution kernel: nine weights in row order (top-left, top,
/// top-right, left, centre, right, bottom-left, bottom, bottom-right) and a
/// divisor that is always their sum. A new or reset kernel is the identity.
class Convolution : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Convolution)

public:
    Convolution() { reset(); }
    const char16_t* getClassName() const override { return u"s_image_filters_convolution_Convolution"; }
    void reset() override;

    /// Sets the nine weights; the divisor becomes their sum.
    void setWeights(const i32 (&weights)[9]);
    const i32* getWeights() const { return m_weights; }
    i32 getDivisor() const { return m_divisor; }

    /// Filters `height` rows of `width` pixels in place, rows top first. Each
    /// channel (alpha included) separately; neighbours outside the picture
    /// are the nearest pixel inside. Working in place, the neighbours above
    /// and to the left are read after they have been filtered.
    void convolve(Pixel* const* rows, i32 width, i32 height) const;

private:
    i32 m_weights[9];
    i32 m_divisor;
};

} // namespace s::image::filters::convolution
