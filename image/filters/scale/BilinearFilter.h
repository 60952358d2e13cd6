#pragma once

#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "image/filters/scale/IScaleFilter.h"

namespace s::image::filters::scale {

/// The triangle kernel: value(x) = support - |x| where positive, else 0.
class BilinearFilter : public IScaleFilter, public thread::IPoolable {
    S_POOLED_CLASS(BilinearFilter)

public:
    const char16_t* getClassName() const override { return u"s_image_filters_scale_BilinearFilter"; }
    /// Support 1.
    void reset() override { m_support = 1.0; }

    double value(double x) const override {
        double v = m_support - (x < 0 ? -x : x);
        return v > 0 ? v : 0;
    }
    double getSupport() const override { return m_support; }
    void setSupport(double support) override { m_support = support; }

    /// The process-wide instance of support 1 that serves all scaling, made
    /// on first use. Never released.
    static BilinearFilter* shared();

private:
    double m_support = 1.0;
};

} // namespace s::image::filters::scale
