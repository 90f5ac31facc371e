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
    const CPlainArray<char16_t>& last = m_nTailRow == kNoTail ? m_pool : m_tail;
    return last.Size() + length <= std::numeric_limits<std::uint32_t>::max() &&
           static_cast<std::size_t>(Count()) <
               static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());
}

std::int32_t CItemNames::Append(std::u16string_view name) {
    if (!Fits(name.size()))
        return -1;
    CPlainArray<char16_t>& pool = Last();
    const auto offset = static_cast<std::uint32_t>(pool.Size());
    pool.Append(name.data(), name.size());
    Close(offset);
    return Count() - 1;
}

std::int32_t CItemNames::AppendAscii(std::string_view name) {
    if (!Fits(name.size()))
        return -1;
    CPlainArray<char16_t>& pool = Last();
    const auto offset = static_cast<std::uint32_t>(pool.Size());
    WidenAscii(name.data(), name.size(), pool.Extend(name.size()));
    Close(offset);
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
    Close(static_cast<std::uint32_t>(offset));
    return Count() - 1;
}

bool CItemNames::AdoptHeld(CPlainArray<char16_t>& units, CPlainArray<std::uint32_t>& ends) {
    const std::size_t count = ends.Size();
    if (count == 0)
        return true;
    if (m_nTailRow != kNoTail || units.Size() < ends[count - 1] ||
        m_starts.Size() + count >
            static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;
    m_nTailRow = Count();
    units.ShrinkTo(ends[count - 1]); // the last name ends where the pool does
    m_tail.Swap(units);
    m_tailEnds.Swap(ends);
    return true;
}

void CItemNames::Clear() {
    m_pool.Clear();
    m_tail.Clear();
    m_starts.Clear();
    m_tailEnds.Clear();
    m_nTailRow = kNoTail;
}

void CItemNames::Squeeze() {
    m_pool.Squeeze();
    m_tail.Squeeze();
    m_starts.Squeeze();
    m_tailEnds.Squeeze();
}

std::u16string_view CItemNames::Name(std::int32_t row) const {
    if (row < 0 || row >= Count())
        return {};
    return NameOf(static_cast<std::size_t>(row));
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
    auto matches = [&](std::int32_t row) {
        const std::u16string_view name = NameOf(static_cast<std::size_t>(row));
        if (name.size() < length)
            return false;
        for (std::size_t i = 0; i < length; ++i) {
            if (FoldAscii(name[i]) != folded[i])
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
