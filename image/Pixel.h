#pragma once

#include "foundation/base/Types.h"

namespace s::image {

/// One pixel: 0xAARRGGBB, straight (not premultiplied) alpha, 255 opaque. In
/// memory (little-endian) the bytes are B, G, R, A, the order of a BMP file.
using Pixel = u32;

constexpr Pixel packPixel(u32 a, u32 r, u32 g, u32 b) {
    return (a & 0xFFu) << 24 | (r & 0xFFu) << 16 | (g & 0xFFu) << 8 | (b & 0xFFu);
}
/// 0xRRGGBB from three ints of 0-255.
constexpr u32 packColour(int r, int g, int b) {
    return (static_cast<u32>(r) & 0xFFu) << 16 | (static_cast<u32>(g) & 0xFFu) << 8 |
           (static_cast<u32>(b) & 0xFFu);
}
constexpr u32 alphaOf(Pixel p) {
    return p >> 24;
}
constexpr u32 redOf(Pixel p) {
    return (p >> 16) & 0xFFu;
}
constexpr u32 greenOf(Pixel p) {
    return (p >> 8) & 0xFFu;
}
constexpr u32 blueOf(Pixel p) {
    return p & 0xFFu;
}
/// The colour without alpha, as compared with a 0xRRGGBB key.
constexpr u32 colourOf(Pixel p) {
    return p & 0xFFFFFFu;
}

/// The largest picture any image object allocates, in pixels (a 512 MiB
/// buffer at 32 bits). Sizes above it are refused, so a hostile header can
/// never make us allocate gigabytes.
inline constexpr i64 kMaxPixels = i64{1} << 27;

} // namespace s::image
