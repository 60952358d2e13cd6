#include "image/filters/reduction/Quantizer.h"

#include "image/win/BufferedImage.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace s::image::filters::reduction {

struct Quantizer::Node {
    bool isLeaf;
    u32 pixelCount;
    u32 sumR, sumG, sumB, sumA;
    Node* children[8];
    Node* nextReducible;
};

Quantizer::~Quantizer() {
    freeTree(m_root);
    freeSpareNodes();
}

void Quantizer::reset() {
    freeTree(m_root);
    freeSpareNodes();
    m_root = nullptr;
    m_leafCount = 0;
    std::fill(std::begin(m_reducible), std::end(m_reducible), nullptr);
    m_maxColours = 16;
    m_paletteSize = 0;
    clearCells();
    m_cellStart.shrink_to_fit();
    m_cellCount.shrink_to_fit();
    m_candidates.shrink_to_fit();
}

void Quantizer::clearCells() {
    m_cellStart.clear();
    m_cellCount.clear();
    m_candidates.clear();
}

Quantizer::Node* Quantizer::newNode() {
    Node* node = m_spareNodes;
    if (!node)
        return static_cast<Node*>(std::calloc(1, sizeof(Node)));
    m_spareNodes = node->nextReducible;
    std::memset(node, 0, sizeof(Node));
    return node;
}

void Quantizer::freeTree(Node* node) {
    if (!node)
        return;
    for (Node* child : node->children)
        freeTree(child);
    node->nextReducible = m_spareNodes;
    m_spareNodes = node;
}

void Quantizer::freeSpareNodes() {
    while (Node* node = m_spareNodes) {
        m_spareNodes = node->nextReducible;
        std::free(node);
    }
}

void Quantizer::insert(u32 r, u32 g, u32 b) {
    Node** slot = &m_root;
    for (int depth = 0;; ++depth) {
        if (!*slot) {
            Node* node = newNode();
            if (!node)
                return; // out of memory: this pixel is not counted
            if (depth == 8) {
                node->isLeaf = true;
                ++m_leafCount;
            } else {
                node->nextReducible = m_reducible[depth];
                m_reducible[depth] = node;
            }
            *slot = node;
        }
        Node* node = *slot;
        if (node->isLeaf) {
            node->pixelCount += 1;
            node->sumR += r;
            node->sumG += g;
            node->sumB += b;
            return;
        }
        int shift = 7 - depth;
        int index = ((r >> shift) & 1) << 2 | ((g >> shift) & 1) << 1 | ((b >> shift) & 1);
        slot = &node->children[index];
    }
}

bool Quantizer::reduceOnce() {
    int depth = 7;
    while (depth > 0 && !m_reducible[depth])
        --depth;
    Node* node = m_reducible[depth];
    if (!node)
        return false;
    m_reducible[depth] = node->nextReducible;
    u32 children = 0;
    for (Node*& child : node->children) {
        if (!child)
            continue;
        node->pixelCount += child->pixelCount;
        node->sumR += child->sumR;
        node->sumG += child->sumG;
        node->sumB += child->sumB;
        node->sumA += child->sumA;
        freeTree(child);
        child = nullptr;
        ++children;
    }
    node->isLeaf = true;
    m_leafCount = m_leafCount + 1 - children;
    return true;
}

void Quantizer::build(const win::BufferedImage* image, u32 maxColours) {
    reset();
    m_maxColours = std::clamp<u32>(maxColours, 1, 256);
    const u32 limit = std::max<u32>(m_maxColours, 16);
    if (image) {
        for (i32 y = 0; y < image->getHeight(); ++y) {
            const Pixel* row = image->getRow(y);
            for (i32 x = 0; x < image->getWidth(); ++x) {
                Pixel p = row[x];
                if (alphaOf(p) == 0)
                    continue;
                insert(redOf(p), greenOf(p), blueOf(p));
                while (m_leafCount > limit && reduceOnce()) {
                }
            }
        }
    }
    buildPalette();
}

void Quantizer::buildPalette() {
    struct Leaf {
        u32 colour;
        u32 count;
    };
    std::vector<Leaf> leaves;
    // Depth first, children in slot order.
    auto walk = [&leaves](auto& self, const Node* node) -> void {
        if (!node)
            return;
        if (node->isLeaf) {
            u32 n = node->pixelCount ? node->pixelCount : 1;
            leaves.push_back({packColour(static_cast<int>(node->sumR / n), static_cast<int>(node->sumG / n),
                                         static_cast<int>(node->sumB / n)),
                              node->pixelCount});
            return;
        }
        for (const Node* child : node->children)
            self(self, child);
    };
    walk(walk, m_root);

    const u32 n = static_cast<u32>(leaves.size());
    if (m_maxColours >= 16 || n <= m_maxColours) {
        m_paletteSize = std::min<u32>(n, 256);
        for (u32 i = 0; i < m_paletteSize; ++i)
            m_palette[i] = leaves[i].colour;
    } else {
        // Fewer entries than the tree's floor of 16 leaves: merge runs of
        // neighbouring leaves, weighted by their pixel counts.
        const u32 m = m_maxColours;
        for (u32 k = 0; k < m; ++k) {
            u32 from = n * k / m, to = n * (k + 1) / m;
            u64 r = 0, g = 0, b = 0, count = 0;
            for (u32 i = from; i < to; ++i) {
                r += static_cast<u64>(leaves[i].count) * redOf(leaves[i].colour);
                g += static_cast<u64>(leaves[i].count) * greenOf(leaves[i].colour);
                b += static_cast<u64>(leaves[i].count) * blueOf(leaves[i].colour);
                count += leaves[i].count;
            }
            m_palette[k] = count ? packColour(static_cast<int>(r / count), static_cast<int>(g / count),
                                              static_cast<int>(b / count))
                                 : 0;
        }
        m_paletteSize = m;
    }
    for (u32 i = m_paletteSize; i < m_maxColours; ++i)
        m_palette[i] = 0;
    clearCells();
    freeTree(m_root); // the palette is all that is needed from here on
    m_root = nullptr;
    m_leafCount = 0;
    std::fill(std::begin(m_reducible), std::end(m_reducible), nullptr);
    freeSpareNodes();
}

namespace {
constexpr u32 kCellBits = 5;
constexpr u32 kCellWidth = 256 >> kCellBits;
constexpr u32 kUnknown = 0xFFFFFFFFu;
} // namespace

void Quantizer::computeCell(u32 cell) const {
    // An entry can be nearest to some colour of the cell only when its
    // smallest distance to the cell is at most the largest distance of the
    // entry that is farthest at worst.
    const int low[3] = {static_cast<int>((cell >> (2 * kCellBits)) * kCellWidth),
                        static_cast<int>(((cell >> kCellBits) & ((1u << kCellBits) - 1)) * kCellWidth),
                        static_cast<int>((cell & ((1u << kCellBits) - 1)) * kCellWidth)};
    int nearDistance[256];
    int bound = 1 << 30;
    for (u32 i = 0; i < m_paletteSize; ++i) {
        const int value[3] = {static_cast<int>(redOf(m_palette[i])), static_cast<int>(greenOf(m_palette[i])),
                              static_cast<int>(blueOf(m_palette[i]))};
        int nearSum = 0, farSum = 0;
        for (int c = 0; c < 3; ++c) {
            const int lo = low[c], hi = low[c] + static_cast<int>(kCellWidth) - 1;
            const int nearest = value[c] < lo ? lo - value[c] : value[c] > hi ? value[c] - hi : 0;
            const int farthest = std::max(value[c] - lo, hi - value[c]);
            nearSum += nearest * nearest;
            farSum += farthest * farthest;
        }
        nearDistance[i] = nearSum;
        bound = std::min(bound, farSum);
    }
    m_cellStart[cell] = static_cast<u32>(m_candidates.size());
    u16 count = 0;
    for (u32 i = 0; i < m_paletteSize; ++i) {
        if (nearDistance[i] <= bound) {
            m_candidates.push_back(static_cast<u8>(i));
            ++count;
        }
    }
    m_cellCount[cell] = count;
}

u32 Quantizer::nearest(Pixel colour) const {
    // The result of scanning every entry in index order for the smallest
    // squared distance (a strictly smaller one replaces the best, so the
    // lowest index wins a tie), scanning only the entries that can win.
    if (m_paletteSize == 0)
        return 0;
    if (m_cellStart.empty()) {
        m_cellStart.assign(size_t{1} << (3 * kCellBits), kUnknown);
        m_cellCount.assign(size_t{1} << (3 * kCellBits), 0);
    }
    const int r = static_cast<int>(redOf(colour)), g = static_cast<int>(greenOf(colour)),
              b = static_cast<int>(blueOf(colour));
    const u32 cell = static_cast<u32>(r >> 3) << (2 * kCellBits) | static_cast<u32>(g >> 3) << kCellBits |
                     static_cast<u32>(b >> 3);
    if (m_cellStart[cell] == kUnknown)
        computeCell(cell);
    const u8* candidates = m_candidates.data() + m_cellStart[cell];
    int bestDistance = 200000;
    u32 best = 0;
    for (u16 k = 0; k < m_cellCount[cell]; ++k) {
        const u32 i = candidates[k];
        const Pixel entry = m_palette[i];
        const int dr = static_cast<int>(redOf(entry)) - r;
        const int dg = static_cast<int>(greenOf(entry)) - g;
        const int db = static_cast<int>(blueOf(entry)) - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

void Quantizer::mapRow(const Pixel* row, i32 width, u8* dst, i32 y, i32 bitsPerPixel) const {
    (void)y;
    const u32 limit = bitsPerPixel == 4 ? 15 : 255;
    const u32 transparent = m_maxColours <= limit ? m_maxColours : 0;
    for (i32 x = 0; x < width; ++x) {
        Pixel p = row[x];
        u32 index;
        if (alphaOf(p) != 255) {
            index = transparent;
        } else {
            index = nearest(p);
        }
        if (bitsPerPixel == 4) {
            if (x & 1)
                dst[x >> 1] = static_cast<u8>((dst[x >> 1] & 0xF0) | (index & 15));
            else
                dst[x >> 1] = static_cast<u8>((index & 15) << 4);
        } else {
            dst[x] = static_cast<u8>(index);
        }
    }
}

} // namespace s::image::filters::reduction
