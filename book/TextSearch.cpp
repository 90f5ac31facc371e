#include "TextSearch.h"

#include "Cvd.h"
#include "MarkedText.h"
#include "OffsetTable.h"
#include "TextCodec.h"
#include "TextEncoder.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kProgressStep = std::size_t{8} << 20;

bool IsAsciiLetter(unsigned c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}

template <class Char> bool SameCaseless(Char a, Char b) {
    if (a == b)
        return true;
    return IsAsciiLetter(static_cast<unsigned>(a)) && (a | 0x20) == (b | 0x20);
}

// The byte range of item i: from its entry to the next item's, the last to the book's end.
std::pair<std::size_t, std::size_t> ItemBytes(const COffsetTable& offsets, std::int32_t i,
                                              std::size_t bookSize) {
    const auto start = std::min<std::size_t>(static_cast<std::size_t>(offsets[i]), bookSize);
    std::size_t end = i + 1 < offsets.Count() ? static_cast<std::size_t>(offsets[i + 1]) : bookSize;
    end = std::clamp(end, start, bookSize);
    return {start, end};
}

} // namespace

CTextSearch::CTextSearch(std::u16string_view term, const CTextCodec& codec)
    : m_strTerm(term), m_codec(codec) {
    if (auto encoder = CTextEncoder::Create(codec.Name())) {
        if (auto bytes = encoder->Encode(term)) {
            m_strBytes = std::move(*bytes);
            m_bEncodable = true;
        }
    }
    // Where ASCII stands for itself and line feeds and slashes never sit inside a character,
    // every character has its own bytes: an item that shows the term holds those bytes.
    m_bBytesCanFilter = m_bEncodable && codec.IsAsciiCompatible() && !m_strBytes.empty();
}

CTextSearch::~CTextSearch() = default;

std::size_t CTextSearch::Find(std::u16string_view text, std::u16string_view term) {
    if (term.empty())
        return 0;
    if (text.size() < term.size())
        return std::u16string_view::npos;
    const std::size_t lastStart = text.size() - term.size();
    for (std::size_t at = 0; at <= lastStart; ++at) {
        std::size_t k = 0;
        while (k < term.size() && SameCaseless(text[at + k], term[k]))
            ++k;
        if (k == term.size())
            return at;
    }
    return std::u16string_view::npos;
}

std::size_t CTextSearch::NextCandidate(const std::uint8_t* book, std::size_t from,
                                       std::size_t to) const {
    const auto* term = reinterpret_cast<const std::uint8_t*>(m_strBytes.data());
    const std::size_t n = m_strBytes.size();
    if (to < n || from > to - n)
        return to;
    const std::size_t lastStart = to - n;
    // A letter compares with its 0x20 bit set on both sides; other bytes as they are.
    auto fold = [](std::uint8_t b) -> std::uint8_t { return IsAsciiLetter(b) ? 0x20 : 0; };
    const std::uint8_t fold0 = fold(term[0]), key0 = term[0] | fold0;
    const std::size_t second = n > 1 ? 1 : 0;
    const std::uint8_t fold1 = fold(term[second]), key1 = term[second] | fold1;
    auto matchesAt = [&](std::size_t at) {
        for (std::size_t k = 0; k < n; ++k) {
            if (!SameCaseless(book[at + k], term[k]))
                return false;
        }
        return true;
    };
    std::size_t at = from;
#if defined(__SSE2__)
    // Sixteen places at a time, by the term's first two bytes together: in Korean text a
    // Hangul lead byte alone stands every few bytes.
    const __m128i f0 = _mm_set1_epi8(static_cast<char>(fold0));
    const __m128i k0 = _mm_set1_epi8(static_cast<char>(key0));
    const __m128i f1 = _mm_set1_epi8(static_cast<char>(fold1));
    const __m128i k1 = _mm_set1_epi8(static_cast<char>(key1));
    while (at + 16 + second <= lastStart + n) {
        const __m128i c0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(book + at));
        const __m128i c1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(book + at + second));
        const __m128i both = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(c0, f0), k0),
                                           _mm_cmpeq_epi8(_mm_or_si128(c1, f1), k1));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(both));
        while (mask != 0) {
            const std::size_t hit = at + static_cast<std::size_t>(__builtin_ctz(mask));
            if (hit > lastStart)
                return to;
            if (matchesAt(hit))
                return hit;
            mask &= mask - 1;
        }
        at += 16;
    }
#endif
    for (; at <= lastStart; ++at) {
        if ((book[at] | fold0) == key0 && matchesAt(at))
            return at;
    }
    return to;
}

bool CTextSearch::ItemHolds(std::span<const std::uint8_t> book, const COffsetTable& offsets,
                            bool cvd, std::int32_t i) const {
    if (!m_bEncodable || i < 0 || i >= offsets.Count())
        return false;
    const auto [start, end] = ItemBytes(offsets, i, book.size());
    if (cvd) {
        // The record from its title length on, as the display reads it.
        if (start < kCvdFirstRecord + 8)
            return false;
        const std::span<const std::uint8_t> record = book.subspan(start - 4, end - start + 4);
        const std::optional<std::u16string> body = CutCvdBody(record, m_codec);
        if (!body)
            return false;
        std::size_t titleLength = record[0] | std::size_t{record[1]} << 8;
        titleLength = std::min(titleLength, end - start);
        const std::u16string title =
            m_codec.Decode({reinterpret_cast<const char*>(book.data() + start), titleLength});
        return Find(title, m_strTerm) != std::u16string::npos ||
               Find(*body, m_strTerm) != std::u16string::npos;
    }
    const STextItem item = CutTextItem(book.subspan(start, end - start), m_codec);
    return Find(item.title, m_strTerm) != std::u16string::npos ||
           Find(item.body, m_strTerm) != std::u16string::npos;
}

// Bytes looked at so far, told to the caller's progress a step at a time.
struct CTextSearch::SProgressState {
    const Progress& progress;
    std::int64_t total;
    std::int64_t done = 0;
    std::int64_t nextReport = static_cast<std::int64_t>(kProgressStep);

    // False when the caller stopped the search.
    bool Advance(std::size_t bytes) {
        done += static_cast<std::int64_t>(bytes);
        if (!progress || done < nextReport)
            return true;
        nextReport = done + static_cast<std::int64_t>(kProgressStep);
        return progress(done, total);
    }
};

std::int32_t CTextSearch::FindNext(std::span<const std::uint8_t> book, const COffsetTable& offsets,
                                   bool cvd, std::int32_t after, const Progress& progress) const {
    const std::int32_t count = offsets.Count();
    if (!m_bEncodable || count == 0)
        return -1;
    if (after < 0 || after >= count)
        after = count - 1; // so that item 0 comes first
    SProgressState state{progress, static_cast<std::int64_t>(book.size())};
    if (after + 1 < count) {
        const std::int32_t found = SearchItems(book, offsets, cvd, after + 1, count - 1, state);
        if (found != -1)
            return found;
    }
    return SearchItems(book, offsets, cvd, 0, after, state);
}

std::int32_t CTextSearch::FindPrevious(std::span<const std::uint8_t> book,
                                       const COffsetTable& offsets, bool cvd, std::int32_t before,
                                       const Progress& progress) const {
    const std::int32_t count = offsets.Count();
    if (!m_bEncodable || count == 0)
        return -1;
    if (before < 0 || before >= count)
        before = 0; // so that the last item comes first
    SProgressState state{progress, static_cast<std::int64_t>(book.size())};
    if (before > 0) {
        const std::int32_t found = LastIn(book, offsets, cvd, 0, before - 1, state);
        if (found != -1)
            return found;
    }
    if (before + 1 < count) {
        const std::int32_t found = LastIn(book, offsets, cvd, before + 1, count - 1, state);
        if (found != -1)
            return found;
    }
    return SearchItems(book, offsets, cvd, before, before, state);
}

std::int32_t CTextSearch::LastIn(std::span<const std::uint8_t> book, const COffsetTable& offsets,
                                 bool cvd, std::int32_t first, std::int32_t last,
                                 SProgressState& state) const {
    // Each search goes on after the last hit, so the range is read once.
    std::int32_t found = -1;
    while (first <= last) {
        const std::int32_t hit = SearchItems(book, offsets, cvd, first, last, state);
        if (hit == kCancelled)
            return kCancelled;
        if (hit < 0)
            break;
        found = hit;
        first = hit + 1;
    }
    return found;
}

std::int32_t CTextSearch::FindFrom(std::span<const std::uint8_t> book, const COffsetTable& offsets,
                                   bool cvd, std::int32_t first) const {
    if (!m_bEncodable || first < 0 || first >= offsets.Count())
        return -1;
    const Progress none;
    SProgressState state{none, static_cast<std::int64_t>(book.size())};
    return SearchItems(book, offsets, cvd, first, offsets.Count() - 1, state);
}

std::int32_t CTextSearch::SearchItems(std::span<const std::uint8_t> book,
                                      const COffsetTable& offsets, bool cvd, std::int32_t first,
                                      std::int32_t last, SProgressState& state) const {
    std::size_t at = ItemBytes(offsets, first, book.size()).first;
    const std::size_t to = ItemBytes(offsets, last, book.size()).second;
    for (std::int32_t i = first; i <= last;) {
        if (!m_bBytesCanFilter) {
            const auto [start, end] = ItemBytes(offsets, i, book.size());
            if (ItemHolds(book, offsets, cvd, i))
                return i;
            if (!state.Advance(end - start))
                return kCancelled;
            ++i;
            continue;
        }
        // The next place the term's bytes stand, a step at a time so progress is told.
        std::size_t hit = to;
        while (at < to) {
            const std::size_t stepEnd = std::min(to, at + kProgressStep);
            hit = NextCandidate(book.data(), at, std::min(to, stepEnd + m_strBytes.size() - 1));
            if (hit < stepEnd)
                break;
            hit = to;
            if (!state.Advance(stepEnd - at))
                return kCancelled;
            at = stepEnd;
        }
        if (hit >= to)
            return -1;
        // The item whose bytes hold it: the last one recorded at or before it.
        std::int32_t lo = i, hi = last;
        while (lo < hi) {
            const std::int32_t mid = lo + (hi - lo + 1) / 2;
            if (static_cast<std::size_t>(offsets[mid]) <= hit)
                lo = mid;
            else
                hi = mid - 1;
        }
        if (ItemHolds(book, offsets, cvd, lo))
            return lo;
        const std::size_t end = std::max(ItemBytes(offsets, lo, book.size()).second, hit + 1);
        if (!state.Advance(end - at))
            return kCancelled;
        at = end;
        i = lo + 1;
    }
    return -1;
}
