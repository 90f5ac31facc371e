#pragma once

// The 64-byte blocks the marked-text scans reduce to bit masks, byte k of a block as bit k.

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>

// The bits of the 64 bytes in v that are want, byte k as bit k.
inline std::uint64_t ByteMask(const __m128i (&v)[4], __m128i want) {
    std::uint64_t bits = 0;
    for (int k = 0; k < 4; ++k)
        bits |= static_cast<std::uint64_t>(
                    static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v[k], want))))
                << (16 * k);
    return bits;
}

// The places among the 64 bytes from d + i, whose '/' are the bits of slashes, where a marker
// starts; the two bytes after them are read for the markers that run past them.
inline std::uint64_t MarkerMask(const std::uint8_t* d, std::size_t i, std::uint64_t slashes) {
    const std::uint64_t next = static_cast<std::uint64_t>(d[i + 64] == '/') |
                               static_cast<std::uint64_t>(d[i + 65] == '/') << 1;
    return slashes & (slashes >> 1 | next << 63) & (slashes >> 2 | next << 62);
}
#endif
