// The byte-level pieces of the marked-text scan that the lookup of one name shares with it.
#include "MarkedTextBytes.h"

#include "BlockMasks.h"
#include "HeldItems.h"

#include <cstring>

namespace {

// Offset of the first "///" in [from, n), or n. Most bytes are not '/', so blocks without
// one are passed whole; only a block holding a '/' is tested for three in a row.
std::size_t FindMarker(const std::uint8_t* d, std::size_t from, std::size_t n) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i slash = _mm_set1_epi8('/');
    auto load = [d](std::size_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
    };
    // The three-in-a-row test of the last block reads two bytes past it.
    for (; i + 66 <= n; i += 64) {
        const __m128i v0 = load(i), v1 = load(i + 16), v2 = load(i + 32), v3 = load(i + 48);
        const __m128i any =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v0, slash), _mm_cmpeq_epi8(v1, slash)),
                         _mm_or_si128(_mm_cmpeq_epi8(v2, slash), _mm_cmpeq_epi8(v3, slash)));
        if (!_mm_movemask_epi8(any))
            continue;
        for (std::size_t k = i; k < i + 64; k += 16) {
            const __m128i three = _mm_and_si128(
                _mm_and_si128(_mm_cmpeq_epi8(load(k), slash), _mm_cmpeq_epi8(load(k + 1), slash)),
                _mm_cmpeq_epi8(load(k + 2), slash));
            if (const int mask = _mm_movemask_epi8(three))
                return k + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        }
    }
#endif
    // A byte that is not '/' at i + 2 rules out a marker at i, i + 1 and i + 2.
    while (i + 3 <= n) {
        if (d[i + 2] != '/')
            i += 3;
        else if (d[i + 1] != '/')
            i += 2;
        else if (d[i] != '/')
            i += 1;
        else
            return i;
    }
    return n;
}

} // namespace

// Names are short: eight bytes at a time, the last eight overlapping the ones before, and a
// name shorter than that as two overlapping fours, so that no byte is read alone but in names
// of one to three bytes.
SNameBytes WeighName(const std::uint8_t* p, std::size_t n) {
    constexpr std::uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    std::uint64_t zeros = 0, high = 0;
    // A zero byte flags its own top bit (the bits above it may be flagged falsely).
    auto weigh = [&](std::uint64_t word) {
        zeros |= (word - kLow) & ~word & kHigh;
        high |= word;
    };
    auto load = [p](std::size_t at, auto word) {
        std::memcpy(&word, p + at, sizeof word);
        return static_cast<std::uint64_t>(word);
    };
    if (n >= 8) {
        for (std::size_t i = 0; i + 8 < n; i += 8)
            weigh(load(i, std::uint64_t{}));
        weigh(load(n - 8, std::uint64_t{}));
    } else if (n >= 4) {
        weigh(load(0, std::uint32_t{}) | load(n - 4, std::uint32_t{}) << 32);
    } else {
        for (std::size_t i = 0; i < n; ++i) {
            zeros |= p[i] == 0;
            high |= p[i];
        }
    }
    return {zeros != 0, zeros == 0 && !(high & kHigh)};
}

std::string_view Bytes(const std::uint8_t* p, std::size_t n) {
    return {reinterpret_cast<const char*>(p), n};
}

// Where the bytes from from on stop being ASCII, at most to; passes 64 bytes at a time.
std::size_t SkipAscii(const std::uint8_t* d, std::size_t from, std::size_t to) {
#if defined(__SSE2__)
    auto load = [d](std::size_t at) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + at));
    };
    while (from + 64 <= to &&
           !_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(load(from), load(from + 16)),
                                           _mm_or_si128(load(from + 32), load(from + 48)))))
        from += 64;
#endif
    while (from < to && d[from] < 0x80)
        ++from;
    return from;
}

// Feeds the UTF-8 evidence of bytes [from, to) a piece at a time, each piece ending after an
// ASCII byte so that no UTF-8 sequence is cut, and stops once the bytes are refuted here or
// by another thread.
void GatherUtf8Evidence(const std::uint8_t* d, std::size_t from, std::size_t to,
                        CUtf8Evidence& evidence, std::atomic<bool>& refuted) {
    constexpr std::size_t kPiece = 1 << 20;
    while (from < to && !refuted.load(std::memory_order_relaxed)) {
        std::size_t end = to - from > kPiece ? from + kPiece : to;
        while (end < to && d[end - 1] >= 0x80)
            ++end;
        from = SkipAscii(d, from, end);
        evidence.Feed(d + from, end - from);
        if (evidence.Refuted()) {
            refuted.store(true, std::memory_order_relaxed);
            return;
        }
        from = end;
    }
}

// For code pages in which the marker, the line feed and the zero byte are always those bytes:
// finds the next head line from from, always a line start, and moves from past its line end.
// The line start is looked for back from the marker, once for each head line.
bool NextHeadLine(const std::uint8_t* d, std::size_t n, std::size_t& from, SHeadLine& head) {
    while (from < n) {
        const std::size_t q = FindMarker(d, from, n);
        if (q == n)
            return false;
        const void* lf = std::memchr(d + q + 3, '\n', n - q - 3);
        if (!lf)
            return false; // the last line has no line feed: it is no line
        const auto* before = static_cast<const std::uint8_t*>(::memrchr(d + from, '\n', q - from));
        const std::size_t lineStart = before ? before - d + 1 : from;
        from = static_cast<const std::uint8_t*>(lf) - d + 1;
        if (const SNameBytes name = WeighName(d + lineStart, q - lineStart); !name.zero) {
            head = {lineStart, q, name.ascii};
            return true;
        }
    }
    return false;
}

// The number of head lines in [from, n), from being a line start: lines that end in a line
// feed and whose first marker has no zero byte before it. Only counts, so 64 bytes at a time
// are reduced to bit masks of their markers, line feeds and zero bytes, and only those bits
// are looked at, in order. With kGather the UTF-8 evidence of the bytes is fed to reach on the
// way, only for the blocks that hold a byte of 0x80 or more.
template <bool kGather>
std::int32_t CountHeadLines(const std::uint8_t* d, std::size_t from, std::size_t n,
                            CEvidenceReach* reach) {
    if constexpr (kGather)
        reach->To(from);
    std::int32_t count = 0;
    // Where the line being read stands: nothing decided yet, its first marker seen (a head
    // line if a line feed ends it), or a zero byte seen first (no head line).
    enum { kOpen, kMarked, kZeroed } line = kOpen;
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i zero = _mm_setzero_si128();
    // A marker at the block's last two bytes reads two bytes past it.
    for (; i + 66 <= n; i += 64) {
        __m128i v[4];
        for (int k = 0; k < 4; ++k)
            v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 16 * k));
        if constexpr (kGather) {
            if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3]))))
                reach->Block(i);
        }
        auto any = [&](__m128i want) {
            return _mm_movemask_epi8(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v[0], want), _mm_cmpeq_epi8(v[1], want)),
                             _mm_or_si128(_mm_cmpeq_epi8(v[2], want), _mm_cmpeq_epi8(v[3], want))));
        };
        const bool hasZero = _mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_min_epu8(_mm_min_epu8(v[0], v[1]), _mm_min_epu8(v[2], v[3])), zero));
        // Most blocks hold no '/' and no zero byte: only whether a line ends in them counts.
        if (!hasZero && !any(slash)) {
            if (any(lf)) {
                count += line == kMarked;
                line = kOpen;
            }
            continue;
        }
        const std::uint64_t zeros = hasZero ? ByteMask(v, zero) : 0;
        const std::uint64_t feeds = ByteMask(v, lf);
        const std::uint64_t markers = MarkerMask(d, i, ByteMask(v, slash));
        if (!zeros && line != kZeroed) {
            // Without zero bytes a line is a head line when a marker stands anywhere in it.
            // Adding the markers (and the line carried in) to the non-line-feed bits carries
            // each one up to the line feed that ends its line, and out of the block when its
            // line goes on.
            std::uint64_t sum = 0;
            bool out = __builtin_add_overflow(~feeds, markers, &sum);
            out |= __builtin_add_overflow(sum, std::uint64_t{line == kMarked}, &sum);
            // A few lines end in a block: one step for each beats a popcount the baseline
            // instruction set lacks.
            for (std::uint64_t ends = sum & feeds; ends; ends &= ends - 1)
                ++count;
            line = out ? kMarked : kOpen;
            continue;
        }
        for (std::uint64_t events = markers | zeros | feeds; events; events &= events - 1) {
            const std::uint64_t bit = events & (~events + 1);
            if (feeds & bit) {
                count += line == kMarked;
                line = kOpen;
            } else if (line == kOpen) {
                line = zeros & bit ? kZeroed : kMarked;
            }
        }
    }
    if constexpr (kGather)
        reach->Passed(i); // every block before i was tested for bytes of 0x80 or more
#endif
    for (; i < n; ++i) {
        if (d[i] == '\n') {
            count += line == kMarked;
            line = kOpen;
        } else if (line == kOpen && d[i] == 0) {
            line = kZeroed;
        } else if (line == kOpen && i + 3 <= n && d[i] == '/' && d[i + 1] == '/' &&
                   d[i + 2] == '/') {
            line = kMarked;
        }
    }
    if constexpr (kGather)
        reach->To(n);
    return count;
}

template std::int32_t CountHeadLines<false>(const std::uint8_t*, std::size_t, std::size_t,
                                            CEvidenceReach*);
template std::int32_t CountHeadLines<true>(const std::uint8_t*, std::size_t, std::size_t,
                                           CEvidenceReach*);

namespace {

// CountHeadLines over [from, to), from a line start, a few MiB at a time when passed is given,
// telling it of each piece once counted.
std::int32_t CountTelling(const std::uint8_t* d, std::size_t from, std::size_t to,
                          const ScanPassed& passed) {
    constexpr std::size_t kPiece = 4 << 20;
    if (!passed)
        return CountHeadLines(d, from, to);
    std::int32_t count = 0;
    while (from < to) {
        std::size_t end = to;
        if (to - from > kPiece) {
            const void* lf = std::memchr(d + from + kPiece - 1, '\n', to - from - kPiece + 1);
            end = lf ? static_cast<const std::uint8_t*>(lf) - d + 1 : to;
        }
        count += CountHeadLines(d, from, end);
        passed(from, end);
        from = end;
    }
    return count;
}

} // namespace

// CountHeadLines over [from, n), in two halves at once from splitAt bytes on: counting is bound
// by the memory's speed, and two cores draw more of it than one.
std::int32_t CountRestInHalves(const std::uint8_t* d, std::size_t from, std::size_t n,
                               std::size_t splitAt, const ScanPassed& passed) {
    const std::size_t middle = from + (n - from) / 2;
    const void* lf = n - from >= splitAt ? std::memchr(d + middle, '\n', n - middle) : nullptr;
    if (!lf)
        return CountTelling(d, from, n, passed);
    const std::size_t cut = static_cast<const std::uint8_t*>(lf) - d + 1;
    std::int32_t first = 0, second = 0;
    RunSideBySide([&] { first = CountTelling(d, from, cut, passed); },
                  [&] { second = CountTelling(d, cut, n, passed); });
    return first + second;
}
