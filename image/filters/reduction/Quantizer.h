#pragma once

#include "foundation/thread/IPoolable.h"
#include "foundation/thread/Pool.h"
#include "image/Pixel.h"

#include <vector>

namespace s::image::win {
class BufferedImage;
}

namespace s::image::filters::reduction {

/// Reduces a picture to at most N colours with an octree and maps its pixels
/// to palette indices. Used for 4- and 8-bit BMP, GIF and icon pictures.
///
/// The tree never holds more than max(N, 16) leaves: it is reduced while the
/// pixels are inserted, deepest and most recently made node first. One
/// thread at a time.
class Quantizer : public base::IObject, public thread::IPoolable {
    S_POOLED_CLASS(Quantizer)

public:
    Quantizer() = default;
    Quantizer(const Quantizer&) = delete;
    Quantizer& operator=(const Quantizer&) = delete;
    ~Quantizer() override;

    const char16_t* getClassName() const override { return u"s_image_filters_reduction_Quantizer"; }
    /// Frees the tree; maxColours 16, paletteSize 0 (the palette words stay).
    void reset() override;

    /// Builds the palette of at most `maxColours` (at most 256) entries from
    /// the opaque-enough pixels (alpha not 0) of `image`.
    void build(const win::BufferedImage* image, u32 maxColours);
    /// 256 words 0x00RRGGBB (alpha 0), ready for a BMP colour table; entries
    /// from `getPaletteSize()` up to maxColours are 0.
    const u32* getPalette() const { return m_palette; }
    u32 getPaletteSize() const { return m_paletteSize; }
    u32 getMaxColours() const { return m_maxColours; }
    /// Maps `width` pixels to indices: one byte each (8 bits) or two per byte,
    /// the first in the high nibble (4 bits). A pixel that is not opaque gets
    /// index maxColours, written as 0 where that does not fit the width.
    void mapRow(const Pixel* row, i32 width, u8* dst, i32 y, i32 bitsPerPixel) const;
    /// The palette index of one opaque colour: the nearest entry, the lowest
    /// index on a tie.
    u32 nearest(Pixel colour) const;

private:
    struct Node;
    void insert(u32 r, u32 g, u32 b);
    bool reduceOnce();
    Node* newNode();
    /// Hands the subtree's nodes to the free list.
    void freeTree(Node* node);
    void freeSpareNodes();
    void buildPalette();

    Node* m_root = nullptr;
    u32 m_leafCount = 0;
    Node* m_reducible[8] = {}; // per depth, newest first
    u32 m_palette[256] = {};
    u32 m_maxColours = 16;
    u32 m_paletteSize = 0;
    // Nodes freed by reductions, reused by insertions (linked through
    // nextReducible): the tree churns through millions of nodes per picture.
    Node* m_spareNodes = nullptr;
    // For each cell of 8 x 8 x 8 colours, the entries that can be nearest to
    // some colour in it (made on first use, for the current palette only):
    // the entries in index order from m_cellStart, m_cellCount of them.
    mutable std::vector<u32> m_cellStart;
    mutable std::vector<u16> m_cellCount;
    mutable std::vector<u8> m_candidates;
    void computeCell(u32 cell) const;
    void clearCells();
};

} // namespace s::image::filters::reduction
