#include "image/filters/convolution/Convolution.h"

#include <algorithm>

namespace s::image::filters::convolution {

void Convolution::reset() {
    std::fill(std::begin(m_weights), std::end(m_weights), 0);
    m_weights[4] = 1;
    m_divisor = 1;
}

void Convolution::setWeights(const i32 (&weights)[9]) {
    m_divisor = 0;
    for (int i = 0; i < 9; ++i) {
        m_weights[i] = weights[i];
        m_divisor += weights[i];
    }
}

void Convolution::convolve(Pixel* const* rows, i32 width, i32 height) const {
    if (!rows || width <= 0 || height <= 0)
        return;
    // A zero divisor cannot come from the strengths in use; dividing by it
    // would fault, so such a kernel sums without dividing.
    const i32 divisor = m_divisor == 0 ? 1 : m_divisor;
    for (i32 i = 0; i < height; ++i) {
        const Pixel* above = rows[std::max(i - 1, 0)];
        Pixel* row = rows[i];
        const Pixel* below = rows[std::min(i + 1, height - 1)];
        for (i32 j = 0; j < width; ++j) {
            const i32 left = std::max(j - 1, 0);
            const i32 right = std::min(j + 1, width - 1);
            const Pixel n[9] = {above[left], above[j],    above[right], row[left],   row[j],
                                row[right],  below[left], below[j],     below[right]};
            Pixel out = 0;
            for (int shift = 24; shift >= 0; shift -= 8) {
                i32 sum = 0;
                for (int k = 0; k < 9; ++k)
                    sum += m_weights[k] * static_cast<i32>((n[k] >> shift) & 0xFFu);
                if (divisor != 1)
                    sum /= divisor;
                out |= static_cast<u32>(std::clamp(sum, 0, 255)) << shift;
            }
            row[j] = out;
        }
    }
}

} // namespace s::image::filters::convolution
