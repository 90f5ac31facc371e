#pragma once

#include "PlainArray.h"

#include <cstddef>
#include <cstdint>

// The item offset table: entry i holds the byte position at which the book records item i.
// Room for 50000 entries is taken once, with its owner; a book with more items makes it grow,
// so no item is ever dropped. Entries at and above Count() are never read. A book scanned as
// two parts has two arrays: the second part's positions are taken whole, not copied.
class COffsetTable {
public:
    static constexpr std::size_t kInitialEntries = 50000;

    COffsetTable() { m_entries.Reserve(kInitialEntries); }

    void Clear() {
        m_entries.Truncate();
        m_tail.Clear();
        m_nTailRow = kNoTail;
    }
    void Append(std::int32_t position) {
        if (m_nTailRow != kNoTail)
            position -= m_nTailShift;
        (m_nTailRow == kNoTail ? m_entries : m_tail).Append(&position, 1);
    }
    // Whether AdoptTail takes count positions: once only, and up to 2 Gi entries.
    bool CanAdoptTail(std::size_t count) const {
        return m_nTailRow == kNoTail &&
               m_entries.Size() + count < static_cast<std::size_t>(kNoTail);
    }
    // Takes positions whole as the entries that follow, each read shifted by shift; positions
    // is left empty. False, and nothing taken, where CanAdoptTail says so. Appends after go
    // after them.
    bool AdoptTail(CPlainArray<std::int32_t>& positions, std::int32_t shift) {
        if (!CanAdoptTail(positions.Size()))
            return false;
        m_nTailRow = Count();
        m_nTailShift = shift;
        m_tail.Swap(positions);
        return true;
    }
    // Appends the first count of positions, each shifted by shift, as Append would one by one.
    void AppendShifted(const CPlainArray<std::int32_t>& positions, std::size_t count,
                       std::int32_t shift) {
        if (m_nTailRow != kNoTail)
            shift -= m_nTailShift;
        std::int32_t* to = (m_nTailRow == kNoTail ? m_entries : m_tail).Extend(count);
        for (std::size_t i = 0; i < count; ++i)
            to[i] = positions[i] + shift;
    }
    std::int32_t Count() const {
        return static_cast<std::int32_t>(m_entries.Size() + m_tail.Size());
    }
    std::int32_t operator[](std::int32_t i) const {
        return i < m_nTailRow ? m_entries[static_cast<std::size_t>(i)]
                              : m_tail[static_cast<std::size_t>(i - m_nTailRow)] + m_nTailShift;
    }
    std::size_t Capacity() const { return m_entries.Capacity(); }
    // Gives back the room a large book's growth left unused, once its last entry is in; the
    // table never shrinks below its first 50000 entries.
    void Squeeze() {
        if (m_entries.Size() > kInitialEntries)
            m_entries.Squeeze();
        m_tail.Squeeze();
    }

private:
    static constexpr std::int32_t kNoTail = INT32_MAX;

    CPlainArray<std::int32_t> m_entries;
    CPlainArray<std::int32_t> m_tail; // the entries from m_nTailRow on, less m_nTailShift
    std::int32_t m_nTailRow = kNoTail;
    std::int32_t m_nTailShift = 0;
};
