#include "MarkedText.h"

#include "FoundItem.h"
#include "HeldItems.h"
#include "ItemSink.h"
#include "MarkedTextBytes.h"
#include "TextCodec.h"
#include "Utf8.h"

#include <atomic>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The lookup of one name by its first characters, without building the book's index.

namespace {

// Finds the first item whose name begins with a term among the items reported to it, and
// counts them all.
class CFirstMatch : public CItemSink {
public:
    CFirstMatch(std::u16string_view term, std::size_t size) : m_term(term), m_size(size) {}
    void AddItem(std::int32_t position, std::u16string_view name) override {
        if (found.index < 0 && NameBeginsWith(name, m_term)) {
            found.index = found.last + 1;
            found.start = static_cast<std::uint32_t>(position);
            found.end = static_cast<std::uint32_t>(m_size);
            found.name = name;
        } else if (found.index >= 0 && found.last == found.index) {
            found.end = static_cast<std::uint32_t>(position);
        }
        ++found.last;
    }
    SFoundItem found;

private:
    std::u16string_view m_term;
    std::size_t m_size;
};

// A book's bytes in chunks that begin at line starts, shared by two threads: one takes them from
// the front, the other from the back, until the two meet.
class CChunks {
public:
    CChunks(const std::uint8_t* d, std::size_t n, std::size_t chunk)
        : m_pData(d), m_nSize(n), m_nChunk(chunk), m_nCount((n + chunk - 1) / chunk),
          m_nBack(m_nCount) {}

    // Where chunk k begins: the first line start from k chunks on, or the end.
    std::size_t Start(std::size_t k) const {
        if (k == 0)
            return 0;
        const std::size_t at = k * m_nChunk;
        if (at >= m_nSize)
            return m_nSize;
        const void* lf = std::memchr(m_pData + at - 1, '\n', m_nSize - at + 1);
        return lf ? static_cast<const std::uint8_t*>(lf) - m_pData + 1 : m_nSize;
    }
    std::size_t Count() const { return m_nCount; }
    // Takes the first chunk nobody has; false when none is left.
    bool TakeFront(std::size_t& k) {
        const std::lock_guard lock(m_mutex);
        if (m_nFront >= m_nBack)
            return false;
        k = m_nFront++;
        return true;
    }
    // Takes the last chunk nobody has; false when none is left.
    bool TakeBack(std::size_t& k) {
        const std::lock_guard lock(m_mutex);
        if (m_nFront >= m_nBack)
            return false;
        k = --m_nBack;
        return true;
    }

private:
    const std::uint8_t* m_pData;
    std::size_t m_nSize;
    std::size_t m_nChunk;
    std::size_t m_nCount;
    std::mutex m_mutex;
    std::size_t m_nFront = 0;
    std::size_t m_nBack;
};

// What the search of one chunk found, in both code pages at once.
struct SChunkFound {
    std::int32_t count = 0;    // head lines in the chunk
    std::int32_t hit = -1;     // the first of them whose name begins with the term in a page
    std::size_t start = 0;     // where that head line starts
    std::size_t next = 0;      // and where the line after it starts
    bool utf8Found = false;    // its name begins with the term read as UTF-8
    bool otherFound = false;   // or read in the other page
    bool otherSkipped = false; // a non-ASCII name was read as UTF-8 only
    std::u16string nameUtf8;   // the name as UTF-8, where that page found it
    std::u16string nameOther;  // the name in the other page, where it found it
};

// The first line start in [from, n) whose byte is lower or upper, from counting as one; n when
// there is none. A line start is tested with the line feed before it, 64 bytes at a time.
std::size_t FindLineStartWith(const std::uint8_t* d, std::size_t from, std::size_t n,
                              std::uint8_t lower, std::uint8_t upper) {
    if (from >= n || d[from] == lower || d[from] == upper)
        return from < n ? from : n;
    std::size_t i = from + 1;
#if defined(__SSE2__)
    const __m128i lo = _mm_set1_epi8(static_cast<char>(lower));
    const __m128i up = _mm_set1_epi8(static_cast<char>(upper));
    const __m128i lf = _mm_set1_epi8('\n');
    auto load = [d](std::size_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
    };
    for (; i + 64 <= n; i += 64) {
        std::uint64_t starts = 0;
        for (int k = 0; k < 4; ++k) {
            const __m128i v = load(i + 16 * k);
            const __m128i hit =
                _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lo), _mm_cmpeq_epi8(v, up)),
                              _mm_cmpeq_epi8(load(i + 16 * k - 1), lf));
            starts |= static_cast<std::uint64_t>(static_cast<std::uint16_t>(_mm_movemask_epi8(hit)))
                      << (16 * k);
        }
        if (starts)
            return i + static_cast<std::size_t>(__builtin_ctzll(starts));
    }
#endif
    for (; i < n; ++i)
        if (d[i - 1] == '\n' && (d[i] == lower || d[i] == upper))
            return i;
    return n;
}

// Reads a head line's name in both code pages, as far as the term needs, into found; true when
// it begins with the term in either.
bool TryName(const std::uint8_t* d, const SHeadLine& head, const CTextCodec& utf8,
             const CTextCodec& other, std::u16string_view term, SChunkFound& found,
             const std::atomic<bool>& refuted) {
    const std::size_t length = head.marker - head.start;
    // Refuted bytes are not read as UTF-8, so that page's match no longer matters.
    const bool tryUtf8 = !refuted.load(std::memory_order_relaxed);
    if (length == 0) {
        found.utf8Found = tryUtf8 && term.empty();
        found.otherFound = term.empty();
    } else if (FirstByteMayBegin(d[head.start], term)) {
        const std::string_view bytes = Bytes(d + head.start, length);
        if (tryUtf8) {
            utf8.DecodeAppend(bytes, found.nameUtf8);
            found.utf8Found = NameBeginsWith(found.nameUtf8, term);
        }
        // ASCII reads alike in both pages. A name with other bytes is read in the other page
        // only once the bytes are refuted: until then nothing says they will be, and if they
        // are, that page's first match is looked for by a search of its own.
        if (tryUtf8 && SkipAscii(d, head.start, head.marker) == head.marker) {
            found.nameOther = found.nameUtf8;
            found.otherFound = found.utf8Found;
        } else if (tryUtf8) {
            found.otherSkipped = true;
        } else {
            other.DecodeAppend(bytes, found.nameOther);
            found.otherFound = NameBeginsWith(found.nameOther, term);
        }
    }
    if (found.utf8Found || found.otherFound)
        return true;
    found.nameUtf8.clear();
    found.nameOther.clear();
    return false;
}

// Goes through the head lines of [from, to), from a line start, until test accepts one; only
// those whose names may begin with term are given to it. The head lines before it are counted
// into count, and from is left at the start of the line after it. False when test accepts
// none: then every head line is counted. With reach, the bytes' UTF-8 evidence is fed on the
// way.
template <class Test>
bool SearchHeadLines(const std::uint8_t* d, std::size_t& from, std::size_t to,
                     std::u16string_view term, std::int32_t& count, CEvidenceReach* reach,
                     SHeadLine& head, Test test) {
    if (!term.empty() && term[0] < 0x80) {
        // Only a line that starts with the term's first letter, in either case, may be the
        // item: the lines between are counted by blocks, and only such a line is read.
        const auto lower = static_cast<std::uint8_t>(FoldAscii(term[0]));
        const auto upper =
            static_cast<std::uint8_t>(lower >= 'a' && lower <= 'z' ? lower - 'a' + 'A' : lower);
        for (;;) {
            const std::size_t at = FindLineStartWith(d, from, to, lower, upper);
            count += reach ? CountHeadLines<true>(d, from, at, reach) : CountHeadLines(d, from, at);
            const void* lf = at < to ? std::memchr(d + at, '\n', to - at) : nullptr;
            if (!lf)
                break; // what is left is no line
            from = static_cast<const std::uint8_t*>(lf) - d + 1;
            std::size_t line = at;
            if (!NextHeadLine(d, from, line, head))
                continue;
            if (test(head))
                return true;
            ++count;
        }
    } else {
        for (;;) {
            // The evidence runs a little ahead of the search, through bytes soon in the cache.
            if (reach && reach->Done() < from + CEvidenceReach::kAhead / 2)
                reach->To(from + CEvidenceReach::kAhead);
            // The range ends after a line feed or at the book's end, so its lines are all in it.
            if (!NextHeadLine(d, to, from, head))
                break;
            if (FirstByteMayBegin(head.marker > head.start ? d[head.start] : 0, term) && test(head))
                return true;
            ++count;
        }
    }
    from = to;
    if (reach)
        reach->To(to);
    return false;
}

// Searches the head lines of the chunk [from, to) in both code pages until a name begins with
// term, then only counts the rest; only counts when search is false. The chunk's UTF-8
// evidence goes to reach on the way.
SChunkFound SearchChunk(const std::uint8_t* d, std::size_t from, std::size_t to,
                        const CTextCodec& utf8, const CTextCodec& other, std::u16string_view term,
                        bool search, CEvidenceReach& reach, const std::atomic<bool>& refuted) {
    SChunkFound found;
    if (!search) {
        found.count = CountHeadLines<true>(d, from, to, &reach);
        return found;
    }
    SHeadLine head;
    if (SearchHeadLines(d, from, to, term, found.count, &reach, head, [&](const SHeadLine& h) {
            return TryName(d, h, utf8, other, term, found, refuted);
        })) {
        // The rest of the chunk is only counted.
        found.hit = found.count++;
        found.start = head.start;
        found.next = from;
        found.count += CountHeadLines<true>(d, from, to, &reach);
    }
    return found;
}

} // namespace

SFoundItem FindMarkedTextItem(std::span<const std::uint8_t> data, const CTextCodec& codec,
                              std::u16string_view term, std::size_t splitAt,
                              const ScanPassed& passed) {
    const std::uint8_t* d = data.data();
    const std::size_t n = data.size();
    if (!codec.IsAsciiCompatible()) {
        CFirstMatch match(term, n); // every line is converted anyway
        ScanMarkedTextLines(data, codec, match);
        return match.found;
    }
    // Only names that may begin with the term are converted, and after the item is found the
    // rest of the book is only counted.
    SFoundItem found;
    found.end = static_cast<std::uint32_t>(n);
    std::u16string name;
    std::size_t from = 0;
    SHeadLine head;
    std::int32_t count = 0;
    if (SearchHeadLines(d, from, n, term, count, nullptr, head, [&](const SHeadLine& h) {
            name.clear();
            codec.DecodeAppend(Bytes(d + h.start, h.marker - h.start), name);
            return NameBeginsWith(name, term);
        })) {
        found.index = count++;
        found.start = static_cast<std::uint32_t>(head.start);
        found.name = name;
    }
    // The rest is only counted, for the last index; the next head line ends the item.
    if (found.index >= 0 && NextHeadLine(d, n, from, head)) {
        found.end = static_cast<std::uint32_t>(head.start);
        count += 1 + CountRestInHalves(d, from, n, splitAt, passed);
    }
    found.last = count - 1;
    return found;
}

SFoundItem FindMarkedTextItemChoosingCodec(std::span<const std::uint8_t> data,
                                           const CTextCodec& utf8, const CTextCodec& other,
                                           std::u16string_view term, bool& looksUtf8,
                                           std::size_t splitAt, const ScanPassed& passed) {
    if (!utf8.IsAsciiCompatible() || !other.IsAsciiCompatible()) {
        looksUtf8 = MarkedTextLooksUtf8(data, splitAt);
        return FindMarkedTextItem(data, looksUtf8 ? utf8 : other, term, splitAt);
    }
    const std::uint8_t* d = data.data();
    const std::size_t n = data.size();
    std::atomic<bool> refuted{false};
    // A large book is searched from both ends at once, a chunk at a time: the first item lies
    // in the first chunk that holds a match, and the chunks after one that does are only
    // counted.
    const bool halves = n >= splitAt && utf8.PrepareConcurrentUse() && other.PrepareConcurrentUse();
    CChunks chunks(d, n, halves ? (splitAt / 4 > 0 ? splitAt / 4 : 1) : (n > 0 ? n : 1));
    std::vector<SChunkFound> found(chunks.Count());
    std::atomic<std::size_t> firstHit{chunks.Count()}; // the first chunk known to hold a match
    auto work = [&](bool fromFront, bool& utf8Seen) {
        std::size_t k = 0;
        while (fromFront ? chunks.TakeFront(k) : chunks.TakeBack(k)) {
            const std::size_t start = chunks.Start(k), end = chunks.Start(k + 1);
            CEvidenceReach reach(d, start, end, refuted);
            found[k] =
                SearchChunk(d, start, end, utf8, other, term, firstHit.load() > k, reach, refuted);
            utf8Seen |= reach.Evidence().LooksUtf8();
            // Pages given back here cost the two threads what the unmapping would have cost
            // one after them.
            if (halves && passed)
                passed(start, end);
            if (found[k].hit < 0)
                continue;
            std::size_t known = firstHit.load();
            while (k < known && !firstHit.compare_exchange_weak(known, k)) {
            }
        }
    };
    bool utf8Front = false, utf8Back = false;
    if (halves)
        RunSideBySide([&] { work(true, utf8Front); }, [&] { work(false, utf8Back); });
    else
        work(true, utf8Front);
    looksUtf8 = !refuted && (utf8Front || utf8Back);

    SFoundItem item;
    std::int32_t count = 0;
    const SChunkFound* hit = nullptr;
    bool otherSkipped = false;
    for (const SChunkFound& chunk : found) {
        otherSkipped |= chunk.otherSkipped;
        if (!hit && chunk.hit >= 0) {
            hit = &chunk;
            item.index = count + chunk.hit;
        }
        count += chunk.count;
    }
    item.last = count - 1;
    item.end = static_cast<std::uint32_t>(n);
    if (!looksUtf8 && otherSkipped)
        return FindMarkedTextItem(data, other, term, splitAt);
    if (!hit)
        return item;
    if (!(looksUtf8 ? hit->utf8Found : hit->otherFound)) {
        // Only the page the evidence ruled out found an item here: the other one's lies
        // further on, or nowhere.
        return FindMarkedTextItem(data, looksUtf8 ? utf8 : other, term, splitAt);
    }
    item.start = static_cast<std::uint32_t>(hit->start);
    item.name = looksUtf8 ? hit->nameUtf8 : hit->nameOther;
    // The next head line ends the item, wherever it lies.
    std::size_t from = hit->next;
    SHeadLine head;
    if (NextHeadLine(d, n, from, head))
        item.end = static_cast<std::uint32_t>(head.start);
    return item;
}
