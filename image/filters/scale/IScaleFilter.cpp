#include "image/filters/scale/IScaleFilter.h"

#include "image/filters/scale/Contribution.h"
#include "image/win/BufferedImage.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace s::image::filters::scale {

namespace {

// The shared weight table, rebuilt per pass; guarded by tableLock().
std::mutex& tableLock() {
    static std::mutex lock;
    return lock;
}
Contribution& sharedTable() {
    static Contribution* const table = new Contribution();
    return *table;
}

// Serialises whole scalings and guards the intermediate picture.
std::mutex& scaleLock() {
    static std::mutex lock;
    return lock;
}
std::vector<Pixel>& sharedIntermediate() {
    static std::vector<Pixel>* const pixels = new std::vector<Pixel>();
    return *pixels;
}

/// One pass: `lines` lines of n samples (`inStep` apart within a line,
/// `inLine` between lines) to m samples each.
void pass(const IScaleFilter& filter, i32 n, i32 m, i32 lines, const Pixel* const* in, Pixel* const* out) {
    if (m == n) {
        for (i32 k = 0; k < lines; ++k)
            std::memcpy(out[k], in[k], static_cast<size_t>(n) * 4);
        return;
    }
    std::lock_guard<std::mutex> guard(tableLock());
    Contribution& table = sharedTable();
    table.build(filter, m, n, static_cast<double>(m) / n);
    for (i32 k = 0; k < lines; ++k)
        for (i32 i = 0; i < m; ++i)
            out[k][i] = table.apply(i, in[k], 1);
}

} // namespace

bool IScaleFilter::scale(i32 srcWidth, i32 srcHeight, const win::BufferedImage* source, i32 dstWidth,
                         i32 dstHeight, win::BufferedImage* target) const {
    if (!target)
        return false;
    if (!target->prepare(std::max(dstWidth, 0), std::max(dstHeight, 0)))
        return false;
    if (dstWidth <= 0 || dstHeight <= 0)
        return true;
    if (source) {
        srcWidth = std::min(srcWidth, source->getWidth());
        srcHeight = std::min(srcHeight, source->getHeight());
    }
    if (!source || srcWidth <= 0 || srcHeight <= 0) {
        for (i32 y = 0; y < dstHeight; ++y)
            std::memset(target->getRow(y), 0, static_cast<size_t>(dstWidth) * 4);
        return true;
    }

    std::lock_guard<std::mutex> guard(scaleLock());
    std::vector<Pixel>& intermediate = sharedIntermediate();
    size_t needed = static_cast<size_t>(srcHeight) * static_cast<size_t>(dstWidth);
    if (intermediate.size() < needed)
        intermediate.resize(needed);

    // Intermediate line u holds source line u counted from the bottom.
    std::vector<const Pixel*> in(static_cast<size_t>(srcHeight));
    std::vector<Pixel*> out(static_cast<size_t>(srcHeight));
    for (i32 u = 0; u < srcHeight; ++u) {
        in[static_cast<size_t>(u)] = source->getRow(srcHeight - 1 - u);
        out[static_cast<size_t>(u)] = intermediate.data() + static_cast<size_t>(u) * dstWidth;
    }
    pass(*this, srcWidth, dstWidth, srcHeight, in.data(), out.data());

    // Vertical: output line v (from the bottom) from intermediate lines.
    if (dstHeight == srcHeight) {
        for (i32 v = 0; v < dstHeight; ++v)
            std::memcpy(target->getRow(dstHeight - 1 - v),
                        intermediate.data() + static_cast<size_t>(v) * dstWidth,
                        static_cast<size_t>(dstWidth) * 4);
    } else {
        std::lock_guard<std::mutex> tableGuard(tableLock());
        Contribution& table = sharedTable();
        table.build(*this, dstHeight, srcHeight, static_cast<double>(dstHeight) / srcHeight);
        for (i32 v = 0; v < dstHeight; ++v) {
            Pixel* row = target->getRow(dstHeight - 1 - v);
            for (i32 x = 0; x < dstWidth; ++x)
                row[x] = table.apply(v, intermediate.data() + x, dstWidth);
        }
    }
    target->setHasAlpha(source->hasAlpha());
    return true;
}

} // namespace s::image::filters::scale
