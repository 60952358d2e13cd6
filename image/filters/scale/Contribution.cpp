#include "image/filters/scale/Contribution.h"

#include "image/filters/scale/IScaleFilter.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace s::image::filters::scale {

void Contribution::reset() {
    m_count = m_window = m_recordSize = 0;
    m_records.dispose();
}

void Contribution::build(const IScaleFilter& filter, i32 m, i32 n, double scale) {
    double support = filter.getSupport();
    double weightScale = 1.0;
    if (scale < 1.0) {
        // Shrinking: widen the kernel so every input contributes.
        support /= scale;
        weightScale = scale;
    }
    m_count = m;
    m_window = 2 * static_cast<i32>(std::ceil(support)) + 1;
    m_recordSize = 4 * m_window + 8;
    u64 bytes = static_cast<u64>(m_count) * static_cast<u64>(m_recordSize);
    if (m_records.capacity() < bytes)
        m_records.reserve(static_cast<u32>(bytes));
    m_records.setSize(static_cast<u32>(bytes));

    std::vector<double> weights(static_cast<size_t>(m_window));
    for (i32 i = 0; i < m; ++i) {
        const double centre = i / scale;
        const i32 left = std::max(0, static_cast<i32>(std::floor(centre - support)));
        const i32 right = std::min(static_cast<i32>(std::ceil(centre + support)), n - 1);
        i32 first = left, last = right;
        i32 taps = 0;
        double total = 0;
        for (i32 j = left; j <= right; ++j) {
            double w = filter.value((centre - j) * weightScale) * weightScale;
            if (taps == 0) {
                if (w <= 0) {
                    first = j + 1;
                    continue;
                }
            } else if (w <= 0 || taps == m_window) {
                last = j - 1;
                break;
            }
            weights[static_cast<size_t>(taps++)] = w;
            total += w;
        }
        if (taps == 0) {
            // Past the kernel's reach: the last input at the far edge, else
            // the nearest one (copied whatever its weight).
            taps = 1;
            if (right == n - 1) {
                first = last = right;
                weights[0] = 1;
            } else {
                first = last = left;
                weights[0] = 0;
            }
        }
        i32* record = reinterpret_cast<i32*>(m_records.data() + static_cast<i64>(i) * m_recordSize);
        record[0] = first;
        record[1] = last;
        u32* fixed = reinterpret_cast<u32*>(record + 2);
        for (i32 k = 0; k < taps; ++k) {
            double w = total > 0 ? weights[static_cast<size_t>(k)] / total : weights[static_cast<size_t>(k)];
            fixed[k] = static_cast<u32>(w * 65536.0);
        }
    }
}

} // namespace s::image::filters::scale
