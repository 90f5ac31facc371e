#pragma once

#include <cstdint>
#include <string_view>

// Receives the items a scan finds, one call per item, in file order. The name is only valid
// during the call.
class CItemSink {
public:
    virtual ~CItemSink() = default;
    virtual void AddItem(std::int32_t position, std::u16string_view name) = 0;
};
