#pragma once

#include "foundation/base/IObject.h"

namespace s::image::win {
class BufferedImage;
}

namespace s::image::filters::scale {

/// A resampling kernel and the separable scaler built on it.
class IScaleFilter : public base::IObject {
public:
    /// The kernel's weight at distance x (in source pixels, either sign).
    virtual double value(double x) const = 0;
    virtual double getSupport() const = 0;
    virtual void setSupport(double support) = 0;

    /// Makes `target` exactly dstWidth x dstHeight (its capacity grows by the
    /// buffer's 1.2 policy) and fills it from the first srcWidth x srcHeight
    /// pixels of `source`: a horizontal pass, then a vertical one, in 16.16
    /// fixed point. The horizontal grid is anchored at the left edge, the
    /// vertical one at the bottom edge. An empty source gives transparent
    /// black. False (target 0 x 0) when the target memory cannot be had.
    /// Any thread may scale; scalings run one at a time in the process.
    bool scale(i32 srcWidth, i32 srcHeight, const win::BufferedImage* source, i32 dstWidth, i32 dstHeight,
               win::BufferedImage* target) const;
};

} // namespace s::image::filters::scale
