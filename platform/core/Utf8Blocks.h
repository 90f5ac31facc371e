#pragma once

#include <cstddef>
#include <cstdint>

// The widest block this processor checks UTF-8 in: 32 bytes (AVX2), 16 (SSSE3's byte shuffle)
// or 0 (none: IsValidUtf8InBlocks is not to be called).
std::size_t Utf8BlockBytes();

// The strict UTF-8 check of IsValidUtf8, blockBytes (16 or 32, at most Utf8BlockBytes()) at a
// time: each byte is classed by its own high nibble and both nibbles of the byte before it,
// three table look-ups whose AND names the rule a pair of bytes breaks, and the third and fourth
// bytes of long sequences are checked against the lead two and three bytes back.
bool IsValidUtf8InBlocks(const std::uint8_t* bytes, std::size_t count, std::size_t blockBytes);
