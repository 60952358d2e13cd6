#pragma once

// A small off-screen canvas for the drawer tests: an image buffer filled
// with a known colour and a memory context over it. No display needed.

#include "gui/drawer/Paint.h"
#include "image/win/BufferedImage.h"
#include "image/win/MemDC.h"

#include <gtest/gtest.h>

#include <vector>

namespace s::test::gui {

using s::gui::drawer::Rgb;

/// The colour every canvas starts with, one that no drawer paints.
constexpr Rgb kPaper{12, 34, 56};

class Canvas {
public:
    Canvas(i32 w, i32 h, Rgb paper = kPaper) : m_image(image::win::BufferedImage::create()), m_dc(s::gui::win::MemDC::create()) {
        EXPECT_TRUE(m_image->allocate(w, h));
        m_image->fill(255, paper.r, paper.g, paper.b);
        EXPECT_TRUE(m_dc->create(m_image, false));
    }
    ~Canvas() {
        m_dc->release();
        m_image->release();
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    s::gui::win::MemDC& dc() { return *m_dc; }
    cairo_t* cr() { return m_dc->getContext(); }
    i32 width() const { return m_image->getWidth(); }
    i32 height() const { return m_image->getHeight(); }

    Rgb at(i32 x, i32 y) {
        m_dc->flush();
        return Rgb::fromPacked(m_image->getRow(y)[x] & 0xFFFFFF);
    }
    /// Every pixel, top row first.
    std::vector<u32> pixels() {
        m_dc->flush();
        std::vector<u32> out;
        for (i32 y = 0; y < height(); ++y)
            for (i32 x = 0; x < width(); ++x)
                out.push_back(m_image->getRow(y)[x] & 0xFFFFFF);
        return out;
    }
    /// The pixels that are `c`, as (x, y) pairs in row order.
    std::vector<std::pair<i32, i32>> where(Rgb c) {
        std::vector<std::pair<i32, i32>> out;
        for (i32 y = 0; y < height(); ++y)
            for (i32 x = 0; x < width(); ++x)
                if (at(x, y) == c)
                    out.emplace_back(x, y);
        return out;
    }
    /// How many pixels differ from the paper.
    i32 painted(Rgb paper = kPaper) {
        i32 n = 0;
        for (u32 p : pixels())
            n += p != paper.packed();
        return n;
    }

private:
    image::win::BufferedImage* m_image;
    s::gui::win::MemDC* m_dc;
};

} // namespace s::test::gui

namespace s::gui::drawer {
inline void PrintTo(const Rgb& c, std::ostream* os) { *os << "(" << c.r << ", " << c.g << ", " << c.b << ")"; }
} // namespace s::gui::drawer
