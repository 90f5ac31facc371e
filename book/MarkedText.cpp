#include "MarkedText.h"

#include "AllButLastSink.h"
#include "BinaryFile.h"
#include "BlockMasks.h"
#include "CodePage.h"
#include "HeldItems.h"
#include "ItemSink.h"
#include "MarkedTextBytes.h"
#include "OffsetTable.h"
#include "TextCodec.h"
#include "Utf8.h"
#include "WorkRanges.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#if defined(__SSE2__) && defined(__x86_64__)
#define TOMLET_WIDE_SCAN 1
#include <immintrin.h>
#endif

namespace {

constexpr std::u16string_view kMarker = u"///";

#if defined(TOMLET_WIDE_SCAN)
std::atomic<bool> g_bWideScanAllowed{true};
#endif

} // namespace

void AllowWideScan(bool allow) {
#if defined(TOMLET_WIDE_SCAN)
    g_bWideScanAllowed.store(allow, std::memory_order_relaxed);
#else
    (void)allow;
#endif
}

namespace {

#if defined(__SSE2__)
// The blocks of 64 bytes of [0, n) that hold a marker, in order, each told to onMarkers with its
// markers and line feeds as bit masks (byte k as bit k); the UTF-8 evidence of every block that
// holds a byte of 0x80 or more is fed to reach first. Returns where the blocks end: the
// three-in-a-row test of the last block reads two bytes past it.
template <class OnMarkers>
std::size_t MarkerBlocks(const std::uint8_t* d, std::size_t n, CEvidenceReach& reach,
                         OnMarkers& onMarkers) {
    const __m128i slash = _mm_set1_epi8('/');
    const __m128i feed = _mm_set1_epi8('\n');
    std::size_t i = 0;
    for (; i + 66 <= n; i += 64) {
        __m128i v[4];
        for (int k = 0; k < 4; ++k)
            v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + 16 * k));
        const __m128i any =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v[0], slash), _mm_cmpeq_epi8(v[1], slash)),
                         _mm_or_si128(_mm_cmpeq_epi8(v[2], slash), _mm_cmpeq_epi8(v[3], slash)));
        const __m128i high = _mm_or_si128(_mm_or_si128(v[0], v[1]), _mm_or_si128(v[2], v[3]));
        if (!_mm_movemask_epi8(_mm_or_si128(any, high)))
            continue;
        if (_mm_movemask_epi8(high))
            reach.Block(i);
        if (!_mm_movemask_epi8(any))
            continue;
        if (const std::uint64_t markers = MarkerMask(d, i, ByteMask(v, slash)))
            onMarkers(i, markers, ByteMask(v, feed));
    }
    return i;
}
#endif

#if defined(TOMLET_WIDE_SCAN)
// Whether the processor reads 32 bytes at a time (AVX2) and the scan may.
bool WideScan() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has && g_bWideScanAllowed.load(std::memory_order_relaxed);
}

// The 64-byte mask of the bytes equal to want in the two halves a and b.
__attribute__((target("avx2"))) inline std::uint64_t WideMask(__m256i a, __m256i b, __m256i want) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(a, want))) |
           static_cast<std::uint64_t>(
               static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(b, want))))
               << 32;
}

// MarkerBlocks, 32 bytes at a time: some 6 % less of a large book's scan's CPU time.
template <class OnMarkers>
__attribute__((target("avx2"))) std::size_t MarkerBlocksWide(const std::uint8_t* d, std::size_t n,
                                                             CEvidenceReach& reach,
                                                             OnMarkers& onMarkers) {
    const __m256i slash = _mm256_set1_epi8('/');
    const __m256i feed = _mm256_set1_epi8('\n');
    std::size_t i = 0;
    for (; i + 66 <= n; i += 64) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d + i + 32));
        const std::uint64_t slashes = WideMask(a, b, slash);
        const bool high = _mm256_movemask_epi8(_mm256_or_si256(a, b)) != 0;
        if (!slashes && !high)
            continue;
        if (high)
            reach.Block(i);
        if (!slashes)
            continue;
        if (const std::uint64_t markers = MarkerMask(d, i, slashes))
            onMarkers(i, markers, WideMask(a, b, feed));
    }
    return i;
}
#endif

// Reports each head line of [0, n) to report, in order, and feeds the UTF-8 evidence of every
// byte to reach on the way. One pass over the bytes, 64 at a time: each block is tested for
// bytes from 0x80 up and for '/', and only a block that holds a marker is looked at further,
// its markers and line feeds as bit masks. A marker's line is told from the previous marker's
// by a line feed between them, looked for in the marker's block first, so no search for line
// ends reads the bytes again. A head line is reported once a later line, or a line feed at the
// end, shows that it ends.
template <class Report>
void ForEachHeadLineGathering(const std::uint8_t* d, std::size_t n, CEvidenceReach& reach,
                              Report report) {
    bool marked = false; // a marker was found before markerEnd
    bool pending = false;
    std::size_t markerEnd = 0; // a marker overlapping the last one found is none
    SHeadLine head;
    // The marker at q, with the last line feed between the marker before it and q, if any.
    auto take = [&](std::size_t q, const std::uint8_t* lf) {
        markerEnd = q + 3;
        if (marked && !lf)
            return; // a later marker on the line of the one before
        marked = true;
        if (pending)
            report(head);
        const std::size_t lineStart = lf ? lf - d + 1 : 0;
        const SNameBytes name = WeighName(d + lineStart, q - lineStart);
        pending = !name.zero;
        head = {lineStart, q, name.ascii};
    };
    auto lineFeedBefore = [&](std::size_t at) {
        return at > markerEnd ? static_cast<const std::uint8_t*>(
                                    ::memrchr(d + markerEnd, '\n', at - markerEnd))
                              : nullptr;
    };
    // The markers of a block at i, and its line feeds.
    auto blockMarkers = [&](std::size_t i, std::uint64_t markers, std::uint64_t feeds) {
        for (; markers; markers &= markers - 1) {
            const int bit = __builtin_ctzll(markers);
            const std::size_t q = i + static_cast<std::size_t>(bit);
            if (q < markerEnd)
                continue;
            const std::uint64_t before = feeds & ((std::uint64_t{1} << bit) - 1);
            const std::size_t last =
                before ? i + 63 - static_cast<std::size_t>(__builtin_clzll(before)) : 0;
            take(q, before ? (last >= markerEnd ? d + last : nullptr) : lineFeedBefore(i));
        }
    };
    std::size_t i = 0;
#if defined(TOMLET_WIDE_SCAN)
    if (WideScan())
        i = MarkerBlocksWide(d, n, reach, blockMarkers);
    else
#endif
#if defined(__SSE2__)
        i = MarkerBlocks(d, n, reach, blockMarkers);
    reach.Passed(i); // every block before i was tested for bytes of 0x80 or more
#endif
    for (std::size_t q = i > markerEnd ? i : markerEnd; q + 3 <= n; ++q) {
        if (d[q] == '/' && d[q + 1] == '/' && d[q + 2] == '/') {
            take(q, lineFeedBefore(q));
            q += 2;
        }
    }
    reach.To(n);
    if (pending && std::memchr(d + head.marker + 3, '\n', n - head.marker - 3))
        report(head);
}

// What the scan of a part of a book saw on its way.
struct SPartSeen {
    bool looksUtf8 = false;    // its bytes, on their own, argue for UTF-8
    bool nonAsciiName = false; // a name holds a byte from 0x80 up
};

// Looks for the marker in the raw bytes and converts only the names of head lines. With
// refuted, the UTF-8 evidence of the bytes is gathered as the scan passes them, so that choosing
// the code page reads the book no second time: the blocks the scan holds in registers are tested
// for bytes of 0x80 or more, and only those that hold one are validated. The bytes are a book's
// from base on, and positions are reported in the book; passed is told of them as the scan
// leaves them behind.
SPartSeen ScanBytes(const std::uint8_t* d, std::size_t n, const CTextCodec& codec, CItemSink& sink,
                    std::atomic<bool>* refuted = nullptr, std::size_t base = 0,
                    const ScanPassed& passed = {}) {
    constexpr std::size_t kPassedStep = 4 << 20;
    std::optional<CEvidenceReach> reach;
    if (refuted)
        reach.emplace(d, 0, n, *refuted);
    SPartSeen seen;
    std::u16string name;
    std::size_t told = 0;
    // A head line holds no zero byte before its marker: its name is all of those bytes, which
    // the sink may convert straight into its own storage.
    auto report = [&](const SHeadLine& head) {
        const std::string_view bytes = Bytes(d + head.start, head.marker - head.start);
        seen.nonAsciiName |= !head.ascii;
        sink.AddNamedItem(static_cast<std::int32_t>(base + head.start), bytes,
                          codec.IsAsciiCompatible() && head.ascii, codec, name);
        // Neither way of searching looks back before a head line's marker once it is
        // reported, nor does the evidence's reach.
        if (passed && head.marker - told >= kPassedStep) {
            passed(base + told, base + head.marker);
            told = head.marker;
        }
    };
    if (reach) {
        ForEachHeadLineGathering(d, n, *reach, report);
        seen.looksUtf8 = reach->Evidence().LooksUtf8();
    } else {
        std::size_t from = 0;
        SHeadLine head;
        while (NextHeadLine(d, n, from, head))
            report(head);
    }
    if (passed)
        passed(base + told, base + n);
    return seen;
}

// Tells passed of the pieces a thread has scanned, joined while they follow one another, a few
// MiB at a time: each call gives pages back.
class CPassedPieces {
public:
    explicit CPassedPieces(const ScanPassed& passed) : m_passed(passed) {}
    ~CPassedPieces() { Tell(); }
    void Add(std::size_t from, std::size_t to) {
        if (from != m_nTo)
            Tell();
        if (m_nFrom == m_nTo)
            m_nFrom = from;
        m_nTo = to;
        if (m_nTo - m_nFrom >= kStep)
            Tell();
    }

private:
    static constexpr std::size_t kStep = 4 << 20;
    void Tell() {
        if (m_passed && m_nFrom < m_nTo)
            m_passed(m_nFrom, m_nTo);
        m_nFrom = m_nTo;
    }
    const ScanPassed& m_passed;
    std::size_t m_nFrom = 0;
    std::size_t m_nTo = 0;
};

// ScanBytes over the whole book, on two threads at once from splitAt bytes on: scanning is bound
// by the memory's speed and the names' conversion, and two threads nearly halve a large book's
// build. The threads share the book out in pieces cut after line feeds, so that no line (and no
// UTF-8 sequence) straddles two and they find exactly the items a single scan finds, and so that
// one slowed by other work (the window starting beside it) is helped by the other. The first
// thread's own range goes to sink as it is scanned; every other range is held and reported after
// it in file order, the largest taken whole and the others copied.
SPartSeen ScanBytesShared(const std::uint8_t* d, std::size_t n, const CTextCodec& codec,
                          CItemSink& sink, std::size_t splitAt,
                          std::atomic<bool>* refuted = nullptr, const ScanPassed& passed = {}) {
    const void* lf = n >= splitAt && codec.PrepareConcurrentUse()
                         ? std::memchr(d + n / 2, '\n', n - n / 2)
                         : nullptr;
    if (!lf)
        return ScanBytes(d, n, codec, sink, refuted, 0, passed);
    const std::size_t cut = static_cast<const std::uint8_t*>(lf) - d + 1;
    const std::size_t piece = std::max<std::size_t>(splitAt / 32, 1);
    // The first line start at or after at (at >= 1), or n.
    auto lineStart = [d, n](std::size_t at) {
        const void* feed = std::memchr(d + at - 1, '\n', n - at + 1);
        return feed ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(feed) - d) + 1 : n;
    };
    CWorkRanges ranges(n, cut, piece, piece, lineStart);
    struct SWorker {
        std::vector<std::pair<std::size_t, std::unique_ptr<CHeldItems>>> held; // by range
        SPartSeen seen;
    } workers[2];
    auto work = [&](int w) {
        SWorker& me = workers[w];
        CPassedPieces told(passed);
        CWorkRanges::SPiece p;
        while (ranges.Next(w, p)) {
            CItemSink* to = &sink;
            if (p.range != 0) {
                if (me.held.empty() || me.held.back().first != p.range)
                    me.held.emplace_back(p.range, std::make_unique<CHeldItems>());
                to = me.held.back().second.get();
            }
            const SPartSeen seen =
                ScanBytes(d + p.from, p.to - p.from, codec, *to, refuted, p.from);
            me.seen.looksUtf8 |= seen.looksUtf8;
            me.seen.nonAsciiName |= seen.nonAsciiName;
            told.Add(p.from, p.to);
        }
    };
    RunSideBySide([&] { work(0); }, [&] { work(1); });

    const std::vector<CWorkRanges::SRange> made = ranges.Ranges();
    std::vector<CHeldItems*> heldOf(made.size(), nullptr);
    for (SWorker& worker : workers) {
        for (auto& [range, held] : worker.held)
            heldOf[range] = held.get();
    }
    std::vector<std::size_t> order;
    std::size_t largest = 0;
    for (std::size_t r = 1; r < made.size(); ++r) {
        if (!heldOf[r])
            continue;
        order.push_back(r);
        if (!largest || heldOf[r]->Count() > heldOf[largest]->Count())
            largest = r;
    }
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return made[a].from < made[b].from; });
    for (const std::size_t r : order)
        heldOf[r]->ReportTo(sink, /*shift=*/0, /*whole=*/r == largest);
    return {workers[0].seen.looksUtf8 || workers[1].seen.looksUtf8,
            workers[0].seen.nonAsciiName || workers[1].seen.nonAsciiName};
}

// For any other code page: convert every line and look for the marker in its text.
void ScanLines(const std::uint8_t* d, std::size_t n, const CTextCodec& codec, CItemSink& sink) {
    std::u16string text;
    std::size_t lineStart = 0;
    while (lineStart < n) {
        const void* lf = std::memchr(d + lineStart, '\n', n - lineStart);
        if (!lf)
            return;
        const std::size_t lineEnd = static_cast<const std::uint8_t*>(lf) - d;
        text.clear();
        codec.DecodeAppend(Bytes(d + lineStart, lineEnd - lineStart), text);
        const std::size_t marker = text.find(kMarker);
        if (marker != std::u16string::npos)
            sink.AddItem(static_cast<std::int32_t>(lineStart),
                         std::u16string_view(text).substr(0, marker));
        lineStart = lineEnd + 1;
    }
}

} // namespace

void ScanMarkedText(std::span<const std::uint8_t> data, const CTextCodec& codec, CItemSink& sink,
                    std::size_t splitAt, const ScanPassed& passed) {
    if (codec.IsAsciiCompatible())
        ScanBytesShared(data.data(), data.size(), codec, sink, splitAt, nullptr, passed);
    else
        ScanLines(data.data(), data.size(), codec, sink);
}

bool ScanMarkedTextChoosingCodePage(std::span<const std::uint8_t> data, const CCodePage& codePage,
                                    const std::function<CItemSink&()>& freshSink,
                                    std::size_t splitAt, std::size_t guessBytes,
                                    const ScanPassed& passed) {
    const CTextCodec& utf8 = codePage.CodecFor(/*looksUtf8=*/true);
    const CTextCodec& other = codePage.CodecFor(/*looksUtf8=*/false);
    if (!utf8.IsAsciiCompatible() || !other.IsAsciiCompatible()) {
        const bool looksUtf8 = MarkedTextLooksUtf8(data, splitAt);
        ScanMarkedText(data, looksUtf8 ? utf8 : other, freshSink(), splitAt, passed);
        return looksUtf8;
    }
    const std::uint8_t* d = data.data();
    const std::size_t n = data.size();
    // The guess's bytes end after an ASCII byte, so that no UTF-8 sequence is cut: bytes refuted
    // there are refuted in the whole book, and nothing more needs to be fed.
    std::size_t guessEnd = guessBytes < n ? guessBytes : n;
    while (guessEnd > 0 && guessEnd < n && d[guessEnd - 1] >= 0x80)
        ++guessEnd;
    std::atomic<bool> refuted{false};
    CUtf8Evidence guessed;
    GatherUtf8Evidence(d, 0, guessEnd, guessed, refuted);
    const bool guess = guessed.LooksUtf8();
    const SPartSeen seen = ScanBytesShared(d, n, guess ? utf8 : other, freshSink(), splitAt,
                                           refuted ? nullptr : &refuted, passed);
    const bool looksUtf8 = !refuted && seen.looksUtf8;
    if (looksUtf8 != guess && seen.nonAsciiName)
        ScanMarkedText(data, looksUtf8 ? utf8 : other, freshSink(), splitAt, passed);
    return looksUtf8;
}

std::span<const std::uint8_t> WholeLines(std::span<const std::uint8_t> data, std::size_t bytes) {
    if (bytes >= data.size())
        return data;
    const auto* end = static_cast<const std::uint8_t*>(memrchr(data.data(), '\n', bytes));
    return data.first(end ? static_cast<std::size_t>(end - data.data()) + 1 : 0);
}

std::size_t ScanFirstMarkedTextItems(std::span<const std::uint8_t> lines, const CTextCodec& codec,
                                     CItemSink& sink) {
    CAllButLastSink allButLast(sink);
    ScanMarkedText(lines, codec, allButLast);
    const std::int32_t held = allButLast.HeldPosition();
    return held < 0 ? lines.size() : static_cast<std::size_t>(held);
}

void ScanMarkedTextLines(std::span<const std::uint8_t> data, const CTextCodec& codec,
                         CItemSink& sink) {
    ScanLines(data.data(), data.size(), codec, sink);
}

bool MarkedTextLooksUtf8(std::span<const std::uint8_t> data, std::size_t splitAt) {
    const std::uint8_t* d = data.data();
    const std::size_t n = data.size();
    std::atomic<bool> refuted{false};
    CUtf8Evidence first;
    // A large book is read on two threads, each over one half, cut after a line feed, which
    // no UTF-8 sequence holds.
    const void* lf = n >= splitAt ? std::memchr(d + n / 2, '\n', n - n / 2) : nullptr;
    if (!lf) {
        GatherUtf8Evidence(d, 0, n, first, refuted);
        return first.LooksUtf8();
    }
    const std::size_t cut = static_cast<const std::uint8_t*>(lf) - d + 1;
    CUtf8Evidence second;
    RunSideBySide([&] { GatherUtf8Evidence(d, 0, cut, first, refuted); },
                  [&] { GatherUtf8Evidence(d, cut, n, second, refuted); });
    return !refuted && (first.LooksUtf8() || second.LooksUtf8());
}

STextItem CutTextItem(std::span<const std::uint8_t> bytes, const CTextCodec& codec) {
    STextItem item;
    const std::u16string text = codec.Decode(Bytes(bytes.data(), bytes.size()));
    const std::size_t marker = text.find(kMarker);
    if (marker == std::u16string::npos) {
        item.body = text;
        return item;
    }
    item.title = text.substr(0, marker);
    item.body = text.substr(marker + kMarker.size());
    return item;
}

EItemRead ReadTextItem(CBinaryFile& file, const COffsetTable& table, std::int32_t s,
                       std::int32_t last, const CTextCodec& codec, STextItem& out,
                       std::int64_t listedEnd) {
    if (s < 0 || s > last || s >= table.Count())
        return EItemRead::NoSelection;
    std::int64_t end = file.GetLength();
    if (listedEnd >= 0 && listedEnd < end)
        end = listedEnd;
    const SItemRange range = ItemRange(table, s, last, end);
    if (file.Seek(range.start) != range.start)
        return EItemRead::PositionNotFound;
    std::int64_t read = 0;
    auto bytes = ReadItemBytes(file, range.length, read);
    file.Close();
    if (!bytes)
        return EItemRead::TooLarge;
    out = CutTextItem({bytes.get(), static_cast<std::size_t>(read)}, codec);
    return EItemRead::Shown;
}
