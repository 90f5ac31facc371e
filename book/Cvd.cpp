#include "Cvd.h"

#include "BinaryFile.h"
#include "CodePage.h"
#include "HeldItems.h"
#include "ItemSink.h"
#include "OffsetTable.h"
#include "TextCodec.h"
#include "Utf8.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace {

// How far ahead of the walk the bytes are fetched into the cache.
constexpr std::uint64_t kFetchAhead = 2048;

// Bodies sampled for the UTF-8 evidence of a book whose titles are all ASCII.
constexpr std::size_t kBodySampleBytes = 1 << 20;

std::string_view Bytes(const std::uint8_t* p, std::size_t n) {
    return {reinterpret_cast<const char*>(p), n};
}

std::uint64_t LoadLe64(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    return std::endian::native == std::endian::little ? word : __builtin_bswap64(word);
}

// A record's first 8 bytes: the mark 00 02 00 02, the title length, whose upper bytes are 0.
constexpr std::uint64_t kCvdHeadBytes = 8;
constexpr std::uint64_t kHeadMask = 0xFFFF0000FFFFFFFFull;
constexpr std::uint64_t kHeadBytes = 0x0000000002000200ull;
// From the title's last byte on: 00, the mark 1E 03, the body length, whose upper bytes are 0.
constexpr std::uint64_t kTailMask = 0x00FFFF0000FFFFFFull;
constexpr std::uint64_t kTailBytes = 0x0000000000031E00ull;

// Walks the records by their chaining from the one at start, checking each one's fixed bytes in
// order; calls visit(p, N, M) for every record that passes, while visit answers true. Returns
// the end position: where the first failing check says the scan ends, or the first p not below
// n. A byte at n or beyond fails its check without being read.
template <class Visit>
std::uint32_t WalkCvd(const std::uint8_t* d, std::uint32_t n, Visit visit,
                      std::uint64_t start = kCvdFirstRecord) {
    auto is = [d, n](std::uint64_t i, std::uint8_t want) { return i < n && d[i] == want; };
    std::uint64_t p = start;
    std::uint64_t fetched = p; // the bytes below it have been asked for ahead of the walk
    while (p < n) {
        // Each record's place is known only once the one before it is read, so every step
        // would wait for memory; records lie in file order, so the bytes ahead are asked for
        // early instead.
        for (const std::uint64_t ahead = std::min<std::uint64_t>(p + kFetchAhead, n);
             fetched < ahead; fetched += 64)
            __builtin_prefetch(d + fetched);
        // Both groups of fixed bytes at once, each in one word, where the words lie inside the
        // data; any mismatch goes on to the checks below, which say where the scan ends.
        if (p + kCvdHeadBytes <= n) {
            const std::uint64_t head = LoadLe64(d + p);
            const std::uint64_t N = head >> 32 & 0xFFFF;
            if ((head & kHeadMask) == kHeadBytes && p + N + 15 <= n) {
                const std::uint64_t tail = LoadLe64(d + p + N + 7);
                if ((tail & kTailMask) == kTailBytes) {
                    if (!visit(p, N, tail >> 24 & 0xFFFF))
                        break;
                    p += N + 13 + (tail >> 24 & 0xFFFF);
                    continue;
                }
            }
        }
        if (!is(p, 0x00))
            return static_cast<std::uint32_t>(p + 1);
        if (!is(p + 1, 0x02))
            return static_cast<std::uint32_t>(p + 2);
        if (!is(p + 2, 0x00))
            return static_cast<std::uint32_t>(p + 3);
        if (!is(p + 3, 0x02))
            return static_cast<std::uint32_t>(p + 4);
        if (!is(p + 6, 0x00))
            return static_cast<std::uint32_t>(p + 7);
        if (!is(p + 7, 0x00))
            return static_cast<std::uint32_t>(p + 7);
        const std::uint64_t N = d[p + 4] | (d[p + 5] << 8);
        if (!is(p + N + 7, 0x00))
            return static_cast<std::uint32_t>(p + N + 8);
        if (!is(p + N + 8, 0x1E))
            return static_cast<std::uint32_t>(p + N + 9);
        if (!is(p + N + 9, 0x03))
            return static_cast<std::uint32_t>(p + N + 10);
        if (!is(p + N + 12, 0x00))
            return static_cast<std::uint32_t>(p + N + 13);
        if (!is(p + N + 13, 0x00))
            return static_cast<std::uint32_t>(p + N + 13);
        const std::uint64_t M = d[p + N + 10] | (d[p + N + 11] << 8);
        if (!visit(p, N, M))
            break;
        p += N + 13 + M;
    }
    return static_cast<std::uint32_t>(p);
}

// The first bodies' share of the UTF-8 evidence, fed a record at a time in file order.
class CBodySample {
public:
    void Feed(const std::uint8_t* d, std::uint32_t n, std::uint64_t p, std::uint64_t N,
              std::uint64_t M) {
        if (m_nSampled >= kBodySampleBytes || M == 0)
            return;
        // The body's last byte is the next record's first, not text.
        const std::uint64_t start = p + N + 14;
        const std::uint64_t end = std::min<std::uint64_t>(start + M - 1, n);
        if (start < end) {
            m_evidence.Feed(d + start, end - start);
            m_nSampled += end - start;
        }
    }
    bool LooksUtf8() const { return m_evidence.LooksUtf8(); }
    bool Full() const { return m_nSampled >= kBodySampleBytes; }

private:
    CUtf8Evidence m_evidence;
    std::size_t m_nSampled = 0;
};

// Reports the record at start to sink with its name; with titles, its whole title (but the
// last byte, taken as zero) goes into that evidence too.
void ReportRecord(std::span<const std::uint8_t> data, std::uint32_t start, const CTextCodec& codec,
                  CItemSink& sink, std::u16string& name, CUtf8Evidence* titles) {
    const std::uint8_t* d = data.data();
    const std::size_t N = d[start + 4] | (d[start + 5] << 8);
    const auto position = static_cast<std::int32_t>(start + 8);
    const std::uint8_t* title = d + start + 8;
    const std::size_t length = N > 0 ? N - 1 : 0;
    // The name ends at the title's first zero byte, and needs the code page where a byte
    // before it is from 0x80 up: both are found a word at a time. The title's last byte is zero
    // (the walk checked it, with the fixed bytes after it), so the word that holds it stops
    // there, and reading up to seven bytes on stays in the record.
    constexpr std::uint64_t kLow = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
    std::size_t end = length;
    std::uint64_t high = 0; // the top bits of the name's bytes, up to end
    for (std::size_t i = 0; i < length; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, title + i, 8);
        // The lowest flagged byte is the first zero (flags above it may be false).
        const std::uint64_t zeros = (word - kLow) & ~word & kHigh;
        if (zeros) {
            const int bit = std::countr_zero(zeros); // the zero byte's top bit
            end = std::min(length, i + static_cast<std::size_t>(bit) / 8);
            high |= word & kHigh & ((std::uint64_t{1} << (bit - 7)) - 1);
            break;
        }
        high |= word & kHigh;
    }
    const bool ascii = high == 0;
    // A title's bytes after its name are weighed too.
    if (titles && (!ascii || end < length))
        titles->Feed(title, length);
    sink.AddNamedItem(position, Bytes(title, end), ascii, codec, name);
}

} // namespace

std::uint32_t WalkCvdRecords(std::span<const std::uint8_t> data,
                             std::vector<std::uint32_t>& starts) {
    starts.clear();
    return WalkCvd(data.data(), static_cast<std::uint32_t>(data.size()),
                   [&](std::uint64_t p, std::uint64_t, std::uint64_t) {
                       starts.push_back(static_cast<std::uint32_t>(p));
                       return true;
                   });
}

std::u16string& CvdName(std::span<const std::uint8_t> data, std::uint32_t start,
                        const CTextCodec& codec, std::u16string& name) {
    const std::uint8_t* d = data.data();
    const std::size_t N = d[start + 4] | (d[start + 5] << 8);
    // The title's last byte is taken as zero; a title of length 0 is empty.
    name.clear();
    if (N > 0)
        codec.DecodeAppend(Bytes(d + start + 8, N - 1), name);
    return name;
}

namespace {

// Where a record seems to start at or after from: the first record mark from which the walk's
// checks pass for a few chained records (or up to the end); 0 when none does within a window.
// The walk from the book's start decides whether it truly is a record of the book.
std::uint64_t RecordNear(const std::uint8_t* d, std::uint32_t n, std::uint64_t from) {
    constexpr std::size_t kWindow = 1 << 20;
    constexpr int kChained = 4;
    const std::uint8_t mark[] = {0x00, 0x02, 0x00, 0x02};
    const std::uint64_t last = std::min<std::uint64_t>(from + kWindow, n);
    for (std::uint64_t p = from; p < last; ++p) {
        const void* found = ::memmem(d + p, last - p, mark, sizeof mark);
        if (!found)
            return 0;
        p = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(found) - d);
        int passed = 0;
        const std::uint32_t end = WalkCvd(
            d, n, [&](std::uint64_t, std::uint64_t, std::uint64_t) { return ++passed < kChained; },
            p);
        if (passed == kChained || end >= n)
            return p;
    }
    return 0;
}

// The book's records from start on, each reported to sink as the scan reports it; with titles
// and bodies, their share of the UTF-8 evidence is gathered. visit(p) answers whether to go on
// with the record at p before it is reported. Returns where the walk ended.
template <class Visit>
std::uint32_t ReportRecords(std::span<const std::uint8_t> data, std::uint64_t start,
                            const CTextCodec& codec, CItemSink& sink, CUtf8Evidence* titles,
                            CBodySample* bodies, Visit visit) {
    const std::uint8_t* d = data.data();
    const auto n = static_cast<std::uint32_t>(data.size());
    std::u16string name;
    return WalkCvd(
        d, n,
        [&](std::uint64_t p, std::uint64_t N, std::uint64_t M) {
            if (!visit(p))
                return false;
            if (bodies)
                bodies->Feed(d, n, p, N, M);
            ReportRecord(data, static_cast<std::uint32_t>(p), codec, sink, name, titles);
            return true;
        },
        start);
}

// A large book on two threads: the second starts at a record found near the middle and holds
// its items, while the first walks from the start. Only when the first lands on that very
// record are the second's items the book's, reported after the first's; otherwise the first
// goes on alone. Null when the book is scanned on one thread.
std::optional<std::uint32_t> ScanCvdInHalves(std::span<const std::uint8_t> data,
                                             const CTextCodec& codec, CItemSink& sink,
                                             SCvdUtf8Evidence* evidence, const ScanPassed& passed) {
    constexpr std::uint64_t kPassedStep = 4 << 20;
    const std::uint8_t* d = data.data();
    const auto n = static_cast<std::uint32_t>(data.size());
    const std::uint64_t middle = RecordNear(d, n, n / 2);
    if (middle <= kCvdFirstRecord)
        return std::nullopt;
    CUtf8Evidence titles[2];
    CBodySample bodies;
    const bool weigh = evidence != nullptr;
    CHeldItems second;
    bool landed = false, reached = false; // the first walk reached the middle
    std::uint32_t firstEnd = 0, secondEnd = 0;
    RunSideBySide(
        [&] {
            firstEnd =
                ReportRecords(data, kCvdFirstRecord, codec, sink, weigh ? &titles[0] : nullptr,
                              weigh ? &bodies : nullptr, [&](std::uint64_t p) {
                                  if (p < middle || reached)
                                      return true;
                                  landed = p == middle;
                                  reached = true;
                                  return !landed;
                              });
        },
        [&] {
            // The first walk lands by reading the middle record whole, up to the first byte of
            // the next, which it shares: only the bytes after that are this walk's alone.
            std::uint64_t told = 0;
            secondEnd = ReportRecords(data, middle, codec, second, weigh ? &titles[1] : nullptr,
                                      nullptr, [&](std::uint64_t p) {
                                          if (!told && p > middle) {
                                              told = p + 1;
                                          } else if (told && passed && p >= told + kPassedStep) {
                                              passed(told, p);
                                              told = p;
                                          }
                                          return true;
                                      });
        });
    if (!landed) {
        if (evidence) {
            evidence->titlesRefuted = titles[0].Refuted();
            evidence->titlesNonAscii = titles[0].LooksUtf8();
            evidence->bodiesLookUtf8 = bodies.LooksUtf8();
        }
        return firstEnd;
    }
    second.ReportTo(sink);
    if (evidence) {
        // The first bodies of the book may reach into the second part.
        if (!bodies.Full())
            WalkCvd(
                d, n,
                [&](std::uint64_t p, std::uint64_t N, std::uint64_t M) {
                    bodies.Feed(d, n, p, N, M);
                    return !bodies.Full();
                },
                middle);
        evidence->titlesRefuted = titles[0].Refuted() || titles[1].Refuted();
        evidence->titlesNonAscii =
            !evidence->titlesRefuted && (titles[0].LooksUtf8() || titles[1].LooksUtf8());
        evidence->bodiesLookUtf8 = bodies.LooksUtf8();
    }
    return secondEnd;
}

} // namespace

std::uint32_t ScanCvd(std::span<const std::uint8_t> data, const CTextCodec& codec, CItemSink& sink,
                      SCvdUtf8Evidence* evidence, std::size_t splitAt, const ScanPassed& passed) {
    if (data.size() >= splitAt && codec.PrepareConcurrentUse()) {
        if (const std::optional<std::uint32_t> end =
                ScanCvdInHalves(data, codec, sink, evidence, passed))
            return *end;
    }
    CUtf8Evidence titles;
    CBodySample bodies;
    const std::uint32_t end =
        ReportRecords(data, kCvdFirstRecord, codec, sink, evidence ? &titles : nullptr,
                      evidence ? &bodies : nullptr, [](std::uint64_t) { return true; });
    if (evidence) {
        evidence->titlesRefuted = titles.Refuted();
        evidence->titlesNonAscii = titles.LooksUtf8();
        evidence->bodiesLookUtf8 = bodies.LooksUtf8();
    }
    return end;
}

SCvdScan ScanCvdChoosingCodePage(std::span<const std::uint8_t> data, const CCodePage& codePage,
                                 const std::function<CItemSink&()>& freshSink,
                                 std::size_t guessBytes, const ScanPassed& passed) {
    // A title refuted in the first bytes is refuted in the whole book: the guess is then final.
    const bool guess = CvdLooksUtf8(data.first(std::min(guessBytes, data.size())));
    SCvdUtf8Evidence evidence;
    SCvdScan scan;
    scan.end =
        ScanCvd(data, codePage.CodecFor(guess), freshSink(), &evidence, kCvdSplitBytes, passed);
    scan.looksUtf8 = evidence.LooksUtf8();
    if (scan.looksUtf8 != guess && evidence.titlesNonAscii)
        scan.end = ScanCvd(data, codePage.CodecFor(scan.looksUtf8), freshSink(), nullptr,
                           kCvdSplitBytes, passed);
    return scan;
}

SFoundItem FindCvdItem(std::span<const std::uint8_t> data, const CTextCodec& codec,
                       std::u16string_view term, std::uint32_t& end) {
    const std::uint8_t* d = data.data();
    const auto n = static_cast<std::uint32_t>(data.size());
    SFoundItem found;
    found.end = n;
    std::u16string name;
    std::int32_t count = 0;
    end = WalkCvd(d, n, [&](std::uint64_t p, std::uint64_t N, std::uint64_t) {
        if (found.index < 0) {
            // A title of length 0 or 1, or one that opens with its zero byte, names nothing.
            const bool empty = N <= 1 || d[p + 8] == 0;
            bool hit = empty ? term.empty()
                             : !codec.IsAsciiCompatible() || FirstByteMayBegin(d[p + 8], term);
            if (hit)
                hit =
                    NameBeginsWith(CvdName(data, static_cast<std::uint32_t>(p), codec, name), term);
            if (hit) {
                found.index = count;
                found.start = static_cast<std::uint32_t>(p + 8);
                found.name = name;
            }
        } else if (count == found.index + 1) {
            found.end = static_cast<std::uint32_t>(p + 8);
        }
        ++count;
        return true;
    });
    found.last = count - 1;
    return found;
}

bool CvdEndIsMalformed(std::uint32_t end, std::uint32_t n) {
    return end < n - 1u;
}

bool CvdLooksUtf8(std::span<const std::uint8_t> data) {
    const std::uint8_t* d = data.data();
    const auto n = static_cast<std::uint32_t>(data.size());
    CUtf8Evidence titles;
    CBodySample bodies;
    WalkCvd(d, n, [&](std::uint64_t p, std::uint64_t N, std::uint64_t M) {
        if (N > 0)
            titles.Feed(d + p + 8, N - 1);
        bodies.Feed(d, n, p, N, M);
        return !titles.Refuted();
    });
    if (titles.Refuted())
        return false;
    return titles.LooksUtf8() || bodies.LooksUtf8();
}

std::optional<std::u16string> CutCvdBody(std::span<const std::uint8_t> bytes,
                                         const CTextCodec& codec) {
    // bytes[0] is record offset 4; record offset k is bytes[k - 4].
    const std::size_t m = bytes.size();
    auto is = [&](std::size_t offset, std::uint8_t want) {
        return offset >= 4 && offset - 4 < m && bytes[offset - 4] == want;
    };
    if (m < 4 || !is(6, 0x00) || !is(7, 0x00))
        return std::nullopt;
    const std::size_t N = bytes[0] | (bytes[1] << 8);
    if (!is(N + 7, 0x00) || !is(N + 8, 0x1E) || !is(N + 9, 0x03) || !is(N + 12, 0x00) ||
        !is(N + 13, 0x00))
        return std::nullopt;
    const std::size_t M = bytes[N + 10 - 4] | (bytes[N + 11 - 4] << 8);
    if (N + 13 + M - 4 >= m)
        return std::nullopt;

    std::u16string body;
    if (M == 0)
        return body;
    // The body's last byte counts as zero, so at most M - 1 bytes show.
    const std::uint8_t* in = bytes.data() + (N + 14 - 4);
    std::vector<char> out;
    out.reserve(2 * M);
    for (std::size_t i = 0; i + 1 < M && in[i] != 0; ++i) {
        out.push_back(static_cast<char>(in[i]));
        if (in[i] == '\r')
            out.push_back('\n');
    }
    codec.DecodeAppend(std::string_view(out.data(), out.size()), body);
    return body;
}

EItemRead ReadCvdItem(CBinaryFile& file, const COffsetTable& table, std::int32_t s,
                      std::int32_t last, const CTextCodec& codec, std::u16string& body) {
    if (s < 0 || s > last || s >= table.Count())
        return EItemRead::NoSelection;
    SItemRange range = ItemRange(table, s, last, file.GetLength());
    // The read starts at the title length, four bytes before the recorded position; where
    // it lands is not checked: the record's re-check catches a book that changed.
    file.Seek(range.start - 4);
    std::int64_t read = 0;
    auto bytes = ReadItemBytes(file, range.length + 4, read);
    file.Close();
    if (!bytes)
        return EItemRead::TooLarge;
    auto cut = CutCvdBody({bytes.get(), static_cast<std::size_t>(read)}, codec);
    if (!cut)
        return EItemRead::Malformed;
    body = std::move(*cut);
    return EItemRead::Shown;
}
