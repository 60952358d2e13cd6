#include "image/win/MemDC.h"

#include "image/win/BufferedImage.h"

#include <cairo.h>

namespace s::gui::win {

MemDC::~MemDC() {
    reset();
}

void MemDC::reset() {
    if (m_cr) {
        cairo_destroy(m_cr);
        m_cr = nullptr;
    }
    if (m_surface) {
        cairo_surface_flush(m_surface);
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
    }
    if (m_image && m_ownsImage)
        m_image->release();
    m_image = nullptr;
    m_ownsImage = false;
}

bool MemDC::create(image::win::BufferedImage* image, bool ownsImage) {
    reset();
    if (!image)
        return false;
    m_image = image;
    m_ownsImage = ownsImage;
    if (image->getWidth() <= 0 || image->getHeight() <= 0 || !image->getBits())
        return false;
    // Bottom-up memory: start at the top row and step backwards.
    m_surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(image->getRow(0)),
                                                    CAIRO_FORMAT_ARGB32, image->getWidth(),
                                                    image->getHeight(), -image->getCapacityRowBytes());
    if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(m_surface);
        m_surface = nullptr;
        return false;
    }
    m_cr = cairo_create(m_surface);
    return cairo_status(m_cr) == CAIRO_STATUS_SUCCESS;
}

void MemDC::flush() {
    if (m_surface)
        cairo_surface_flush(m_surface);
}

} // namespace s::gui::win
