// The settings record from any bytes: decoding reads at most ten of them, and encoding what
// was decoded gives those ten bytes back with the reserved two zeroed.

#include "SettingsFile.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const SSettingsRecord record = DecodeSettings(data, size);
    const auto bytes = EncodeSettings(record);
    for (std::size_t i = 0; i < 8; ++i) {
        const std::uint8_t expected = i < size ? data[i] : 0;
        if (bytes[i] != expected)
            std::abort();
    }
    if (bytes[8] != 0 || bytes[9] != 0)
        std::abort();
    return 0;
}
