#pragma once
// Bounds helpers for the reply decoders. A reply announces its own range (first..last), but only
// the groups whose bytes actually arrived in the packet are decoded.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace korvel::reply {

// Number of items announced by an inclusive range; none when last < first.
inline size_t Announced(uint8_t first, uint8_t last) {
    return last < first ? 0u : static_cast<size_t>(last - first + 1);
}

// Number of whole groups of `group` bytes present from `start` on, at most `announced`.
inline size_t Arrived(std::span<const uint8_t> p, size_t start, size_t group, size_t announced) {
    if (p.size() <= start || group == 0) {
        return 0;
    }
    return std::min(announced, (p.size() - start) / group);
}

inline bool Has(std::span<const uint8_t> p, size_t bytes) {
    return p.size() >= bytes;
}

}  // namespace korvel::reply
