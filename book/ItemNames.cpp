#include "ItemNames.h"

#include "TextCodec.h"
#include "Utf8.h"

#include <limits>
#include <vector>

namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

} // namespace

bool CItemNames::Fits(std::size_t length) const {
    return m_pool.Size() + length <= std::numeric_limits<std::uint32_t>::max() &&
           m_starts.Size() < static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

std::int32_t CItemNames::Append(std::u16string_view name) {
    if (!Fits(name.size()))
        return -1;
    const auto offset = static_cast<std::uint32_t>(m_pool.Size());
    // The start goes in last, so a row whose name found no room is no row.
    m_pool.Append(name.data(), name.size());
    m_starts.Append(&offset, 1);
    return Count() - 1;
}

std::int32_t CItemNames::AppendAscii(std::string_view name) {
    if (!Fits(name.size()))
        return -1;
    const auto offset = static_cast<std::uint32_t>(m_pool.Size());
    WidenAscii(name.data(), name.size(), m_pool.Extend(name.size()));
    *m_starts.Extend(1) = offset;
    return Count() - 1;
}

std::int32_t CItemNames::AppendDecoded(std::string_view bytes, const CTextCodec& codec) {
    if (!Fits(bytes.size()))
        return -1;
    // Room for a unit a byte, the most the conversion makes; what it leaves unused goes back.
    const std::size_t offset = m_pool.Size();
    const std::size_t made = codec.DecodeInto(bytes, m_pool.Extend(bytes.size()));
    m_pool.ShrinkTo(offset + made);
    const auto start = static_cast<std::uint32_t>(offset);
    m_starts.Append(&start, 1);
    return Count() - 1;
}

bool CItemNames::AppendHeld(const char16_t* units, const std::uint32_t* ends, std::uint32_t start,
                            std::size_t count) {
    if (count == 0)
        return true;
    const std::size_t length = ends[count - 1] - start;
    if (!Fits(length) || m_starts.Size() + count >
                             static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    // The starts first, so that running out of memory for the names leaves no row without one.
    const auto base = static_cast<std::uint32_t>(m_pool.Size());
    std::uint32_t* starts = m_starts.Extend(count);
    starts[0] = base;
    for (std::size_t i = 1; i < count; ++i)
        starts[i] = base + (ends[i - 1] - start);
    try {
        m_pool.Append(units + start, length);
    } catch (...) {
        m_starts.ShrinkTo(m_starts.Size() - count);
        throw;
    }
    return true;
}

void CItemNames::Clear() {
    m_pool.Clear();
    m_starts.Clear();
}

void CItemNames::Squeeze() {
    m_pool.Squeeze();
    m_starts.Squeeze();
}

std::u16string_view CItemNames::Name(std::int32_t row) const {
    if (row < 0 || row >= Count())
        return {};
    const std::size_t at = static_cast<std::size_t>(row);
    const std::size_t start = m_starts[at];
    const std::size_t end = at + 1 < m_starts.Size() ? m_starts[at + 1] : m_pool.Size();
    return {m_pool.Data() + start, end - start};
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
    // Straight over the pool: this runs over every row of a large book on each search.
    const char16_t* pool = m_pool.Data();
    const std::uint32_t* starts = m_starts.Data();
    const std::size_t poolSize = m_pool.Size();
    auto matches = [&](std::int32_t row) {
        const std::size_t start = starts[row];
        const std::size_t end = row + 1 < count ? starts[row + 1] : poolSize;
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
