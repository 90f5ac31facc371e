#pragma once

#include <cstdint>
#include <string>

// The counter "%5d / %5d" of the selected index and the last index, both zero-based.
std::u16string FormatCounter(std::int32_t selected, std::int32_t last);
