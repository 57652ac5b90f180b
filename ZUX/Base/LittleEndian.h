// Numbers stored least significant byte first, as the file formats we read
// (packages, icon files) keep them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ZUX {

// The unsigned number of width bytes (at most 4) at p.
constexpr uint32_t LoadLE(const uint8_t* p, size_t width) noexcept {
    uint32_t value = 0;
    for (size_t i = width; i-- > 0;) value = value << 8 | p[i];
    return value;
}

} // namespace ZUX
