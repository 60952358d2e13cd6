#pragma once

#include "foundation/thread/ObjLocker.h"
#include "foundation/thread/Pool.h"
#include "image/filters/IFilter.h"

namespace s::image::filters::convolution {
class Convolution;
}

namespace s::image::filters::sharpness {

/// Sharpens (positive strength) or blurs (negative strength) with a 3 x 3
/// kernel; strength 0 copies. Strengths are percent and kept within
/// -100 ... 100. `setStrength` and `apply` may run on different threads.
class Sharpness : public IFilter {
    S_POOLED_CLASS(Sharpness)

public:
    /// The id of this filter class, compared by identity.
    static const char16_t* const kFilterId;

    Sharpness() = default;
    Sharpness(const Sharpness&) = delete;
    Sharpness& operator=(const Sharpness&) = delete;
    ~Sharpness() override;

    const char16_t* getClassName() const override { return u"s_image_filters_sharpness_Sharpness"; }
    /// Strength 0, no kernel, auto-release.
    void reset() override;

    const char16_t* getFilterId() const override { return kFilterId; }
    bool isAutoRelease() const override { return m_autoRelease; }
    void setAutoRelease(bool autoRelease) override { m_autoRelease = autoRelease; }
    win::BufferedImage* apply(win::BufferedImage* source, win::BufferedImage* target) override;

    /// Replaces the kernel: blur d c d / c 400 c / d c d with
    /// d = -s/100 x 100 and c = -s/100 x 200; sharpen 0 c 0 / c 1100 c / 0 c 0
    /// with c = s/100 x -180 (single precision, truncated).
    void setStrength(i32 percent);
    i32 getStrength() const { return m_strength; }
    /// A copy of the current kernel's weights and divisor; false without one.
    bool getKernel(i32 (&weights)[9], i32* divisor);

private:
    bool m_autoRelease = true;
    i32 m_strength = 0;
    convolution::Convolution* m_kernel = nullptr; // guarded by m_lock
    thread::ObjLocker m_lock;
};

/// A pooled Sharpness of that strength; the caller owns it.
[[nodiscard]] Sharpness* makeSharpness(i32 strength);

} // namespace s::image::filters::sharpness
