#include "Counter.h"

#include <cstdio>

std::u16string FormatCounter(std::int32_t selected, std::int32_t last) {
    char text[32];
    const int n = std::snprintf(text, sizeof text, "%5d / %5d", selected, last);
    return std::u16string(text, text + n);
}
