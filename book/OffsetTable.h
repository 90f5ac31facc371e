#pragma once

#include "PlainArray.h"

#include <cstddef>
#include <cstdint>

// The item offset table: entry i holds the byte position at which the book records item i.
// Room for 50000 entries is taken once, with its owner; a book with more items makes it grow,
// so no item is ever dropped. Entries at and above Count() are never read.
class COffsetTable {
public:
    static constexpr std::size_t kInitialEntries = 50000;

    COffsetTable() { m_entries.Reserve(kInitialEntries); }

    void Clear() { m_entries.Truncate(); }
    void Append(std::int32_t position) { m_entries.Append(&position, 1); }
    // Appends count positions, each shifted by shift.
    void Append(const std::int32_t* positions, std::size_t count, std::int32_t shift) {
        std::int32_t* added = m_entries.Extend(count);
        for (std::size_t i = 0; i < count; ++i)
            added[i] = positions[i] + shift;
    }
    std::int32_t Count() const { return static_cast<std::int32_t>(m_entries.Size()); }
    std::int32_t operator[](std::int32_t i) const { return m_entries[static_cast<std::size_t>(i)]; }
    std::size_t Capacity() const { return m_entries.Capacity(); }
    // Gives back the room a large book's growth left unused, once its last entry is in; the
    // table never shrinks below its first 50000 entries.
    void Squeeze() {
        if (m_entries.Size() > kInitialEntries)
            m_entries.Squeeze();
    }

private:
    CPlainArray<std::int32_t> m_entries;
};
