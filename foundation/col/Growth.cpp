#include "foundation/col/Growth.h"

#include <limits>

namespace s::col {

u32 grownCapacity(u32 current, u64 needed) {
    u64 capacity = current;
    constexpr u64 limit = std::numeric_limits<u32>::max();
    do {
        if (capacity < 100)
            capacity = 100;
        else if (capacity < 10'000'000)
            capacity *= 3;
        else if (capacity < 50'000'000)
            capacity *= 2;
        else if (capacity < 100'000'000)
            capacity = capacity * 3 / 2;
        else
            capacity = capacity * 6 / 5;
    } while (capacity < needed && capacity < limit);
    return static_cast<u32>(capacity > limit ? limit : capacity);
}

} // namespace s::col
