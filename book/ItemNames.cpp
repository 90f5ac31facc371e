#include "ItemNames.h"

#include "TextCodec.h"
#include "Utf8.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

} // namespace

bool CItemNames::Fits(std::size_t length) const {
    const CPlainArray<char16_t>& last = m_nTailRow == kNoTail ? m_pool : m_tail;
    return last.Size() + length <= std::numeric_limits<std::uint32_t>::max() &&
           m_starts.Size() < static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

std::int32_t CItemNames::Append(std::u16string_view name) {
    if (!Fits(name.size()))
        return -1;
    CPlainArray<char16_t>& pool = Last();
    const auto offset = static_cast<std::uint32_t>(pool.Size());
    // The start goes in last, so a row whose name found no room is no row.
    pool.Append(name.data(), name.size());
    m_starts.Append(&offset, 1);
    return Count() - 1;
}

std::int32_t CItemNames::AppendAscii(std::string_view name) {
    if (!Fits(name.size()))
        return -1;
    CPlainArray<char16_t>& pool = Last();
    const auto offset = static_cast<std::uint32_t>(pool.Size());
    WidenAscii(name.data(), name.size(), pool.Extend(name.size()));
    *m_starts.Extend(1) = offset;
    return Count() - 1;
}

std::int32_t CItemNames::AppendDecoded(std::string_view bytes, const CTextCodec& codec) {
    if (!Fits(bytes.size()))
        return -1;
    CPlainArray<char16_t>& pool = Last();
    // Room for a unit a byte, the most the conversion makes; what it leaves unused goes back.
    const std::size_t offset = pool.Size();
    const std::size_t made = codec.DecodeInto(bytes, pool.Extend(bytes.size()));
    pool.ShrinkTo(offset + made);
    const auto start = static_cast<std::uint32_t>(offset);
    m_starts.Append(&start, 1);
    return Count() - 1;
}

bool CItemNames::AdoptHeld(CPlainArray<char16_t>& units, const CPlainArray<std::uint32_t>& ends) {
    const std::size_t count = ends.Size();
    if (count == 0)
        return true;
    if (m_nTailRow != kNoTail || units.Size() < ends[count - 1] ||
        m_starts.Size() + count >
            static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    const auto first = static_cast<std::int32_t>(m_starts.Size());
    std::uint32_t* starts = m_starts.Extend(count);
    starts[0] = 0;
    std::copy_n(ends.Data(), count - 1, starts + 1);
    units.ShrinkTo(ends[count - 1]); // the last name ends where the pool does
    m_tail.Swap(units);
    m_nTailRow = first;
    return true;
}

void CItemNames::Clear() {
    m_pool.Clear();
    m_tail.Clear();
    m_starts.Clear();
    m_nTailRow = kNoTail;
}

void CItemNames::Squeeze() {
    m_pool.Squeeze();
    m_tail.Squeeze();
    m_starts.Squeeze();
}

std::u16string_view CItemNames::Name(std::int32_t row) const {
    if (row < 0 || row >= Count())
        return {};
    const CPlainArray<char16_t>& pool = row < m_nTailRow ? m_pool : m_tail;
    const std::size_t at = static_cast<std::size_t>(row);
    const std::size_t start = m_starts[at];
    const std::size_t end =
        at + 1 < m_starts.Size() && row + 1 != m_nTailRow ? m_starts[at + 1] : pool.Size();
    return {pool.Data() + start, end - start};
}

std::int32_t CItemNames::FindPrefix(std::int32_t after, std::u16string_view term) const {
    const std::int32_t count = Count();
    if (count == 0)
        return -1;
    if (after < 0 || after >= count)
        after = count - 1; // so that the first row tried is row 0
    std::vector<char16_t> folded(term.begin(), term.end());
    for (char16_t& c : folded)
        c = FoldAscii(c);
    const std::size_t length = folded.size();
    // Straight over the pools: this runs over every row of a large book on each search.
    const std::uint32_t* starts = m_starts.Data();
    const std::int32_t tailRow = m_nTailRow;
    auto matches = [&](std::int32_t row) {
        const CPlainArray<char16_t>& pool = row < tailRow ? m_pool : m_tail;
        const std::size_t start = starts[row];
        const std::size_t end =
            row + 1 < count && row + 1 != tailRow ? starts[row + 1] : pool.Size();
        if (end - start < length)
            return false;
        for (std::size_t i = 0; i < length; ++i) {
            if (FoldAscii(pool[start + i]) != folded[i])
                return false;
        }
        return true;
    };
    for (std::int32_t row = after + 1; row < count; ++row) {
        if (matches(row))
            return row;
    }
    for (std::int32_t row = 0; row <= after; ++row) {
        if (matches(row))
            return row;
    }
    return -1;
}
