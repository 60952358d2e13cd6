#include "image/filters/sharpness/Sharpness.h"

#include "image/filters/convolution/Convolution.h"
#include "image/win/BufferedImage.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace s::image::filters::sharpness {

const char16_t* const Sharpness::kFilterId = u"Sharpness";

Sharpness::~Sharpness() {
    if (m_kernel)
        m_kernel->release();
}

void Sharpness::reset() {
    setStrength(0);
    m_autoRelease = true;
}

void Sharpness::setStrength(i32 percent) {
    // Sharpening beyond 152 would make the divisor zero or negative.
    m_strength = std::clamp(percent, -100, 100);
    convolution::Convolution* kernel = nullptr;
    if (m_strength != 0) {
        kernel = convolution::Convolution::create();
        const float s = static_cast<float>(m_strength);
        if (m_strength < 0) {
            const float f = -s / 100.0f;
            const i32 d = static_cast<i32>(f * 100.0f);
            const i32 c = static_cast<i32>(f * 200.0f);
            kernel->setWeights({d, c, d, c, 400, c, d, c, d});
        } else {
            const i32 c = static_cast<i32>(s / 100.0f * -180.0f);
            kernel->setWeights({0, c, 0, c, 1100, c, 0, c, 0});
        }
    }
    convolution::Convolution* old;
    {
        std::lock_guard<thread::ObjLocker> guard(m_lock);
        old = m_kernel;
        m_kernel = kernel;
    }
    if (old)
        old->release();
}

bool Sharpness::getKernel(i32 (&weights)[9], i32* divisor) {
    std::lock_guard<thread::ObjLocker> guard(m_lock);
    if (!m_kernel)
        return false;
    std::copy_n(m_kernel->getWeights(), 9, weights);
    if (divisor)
        *divisor = m_kernel->getDivisor();
    return true;
}

win::BufferedImage* Sharpness::apply(win::BufferedImage* source, win::BufferedImage* target) {
    if (!source)
        return nullptr;
    win::BufferedImage* out = source->copy(target);
    if (!out)
        return nullptr;
    {
        std::lock_guard<thread::ObjLocker> guard(m_lock);
        if (m_kernel && out->getWidth() > 0 && out->getHeight() > 0) {
            std::vector<Pixel*> rows(static_cast<size_t>(out->getHeight()));
            for (i32 y = 0; y < out->getHeight(); ++y)
                rows[static_cast<size_t>(y)] = out->getRow(y);
            m_kernel->convolve(rows.data(), out->getWidth(), out->getHeight());
        }
    }
    out->setHasAlpha(source->hasAlpha());
    return out;
}

Sharpness* makeSharpness(i32 strength) {
    Sharpness* filter = Sharpness::create();
    filter->setStrength(strength);
    return filter;
}

} // namespace s::image::filters::sharpness
