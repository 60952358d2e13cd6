#include "image/filters/scale/BilinearFilter.h"

namespace s::image::filters::scale {

BilinearFilter* BilinearFilter::shared() {
    static BilinearFilter* const instance = [] {
        auto* filter = new BilinearFilter();
        filter->setSupport(1.0);
        return filter;
    }();
    return instance;
}

} // namespace s::image::filters::scale
