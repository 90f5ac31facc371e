#pragma once

#include <cstddef>
#include <cstdint>

// Whether this processor can run IsValidUtf8InBlocks (it needs SSSE3's byte shuffle).
bool CanCheckUtf8InBlocks();

// The strict UTF-8 check of IsValidUtf8, sixteen bytes at a time: each byte is classed by its
// own high nibble and both nibbles of the byte before it, three table look-ups whose AND names
// the rule a pair of bytes breaks, and the third and fourth bytes of long sequences are checked
// against the lead two and three bytes back. Only where CanCheckUtf8InBlocks says so.
bool IsValidUtf8InBlocks(const std::uint8_t* bytes, std::size_t count);
