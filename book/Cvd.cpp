#include "Cvd.h"

#include "BinaryFile.h"
#include "HeldItems.h"
#include "ItemSink.h"
#include "OffsetTable.h"
#include "TextCodec.h"
#include "Utf8.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <new>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Records the walking thread finds between two reports of its progress.
constexpr std::size_t kPublishEvery = 256;
// Records either thread claims at a time for converting their names.
constexpr std::uint64_t kClaimRecords = 4096;

// At most this share of the records (one in so many) is held by the walking thread for
// listing after the others.
constexpr std::uint64_t kTailShare = 8;

// How far ahead of the walk the bytes are fetched into the cache.
constexpr std::uint64_t kFetchAhead = 2048;
// How many records ahead of a name's conversion its title is fetched.
constexpr std::uint64_t kFetchRecords = 8;

// Bodies sampled for the UTF-8 evidence of a book whose titles are all ASCII.
constexpr std::size_t kBodySampleBytes = 1 << 20;

std::string_view Bytes(const std::uint8_t* p, std::size_t n) {
    return {reinterpret_cast<const char*>(p), n};
}

// Walks the records by their chaining, checking each one's fixed bytes in order; calls
// visit(p, N, M) for every record that passes, while visit answers true. Returns the end
// position: where the first failing check says the scan ends, or the first p not below n.
// A byte at n or beyond fails its check without being read.
template <class Visit> std::uint32_t WalkCvd(const std::uint8_t* d, std::uint32_t n, Visit visit) {
    auto is = [d, n](std::uint64_t i, std::uint8_t want) { return i < n && d[i] == want; };
    std::uint64_t p = kCvdFirstRecord;
    std::uint64_t fetched = p; // the bytes below it have been asked for ahead of the walk
    while (p < n) {
        // Each record's place is known only once the one before it is read, so every step
        // would wait for memory; records lie in file order, so the bytes ahead are asked for
        // early instead.
        for (const std::uint64_t ahead = std::min<std::uint64_t>(p + kFetchAhead, n);
             fetched < ahead; fetched += 64)
            __builtin_prefetch(d + fetched);
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

// Asks for a record's title ahead of its conversion: the walk read it on another thread, or
// long enough ago that it may have left this core's cache.
void FetchTitle(const std::uint8_t* d, std::uint32_t start) {
    __builtin_prefetch(d + start + 4);
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

std::uint32_t ScanCvd(std::span<const std::uint8_t> data, const CTextCodec& codec, CItemSink& sink,
                      std::size_t splitAt) {
    const std::uint8_t* d = data.data();
    const auto n = static_cast<std::uint32_t>(data.size());
    std::u16string name;
    auto report = [&](std::uint32_t p) {
        sink.AddItem(static_cast<std::int32_t>(p + 8), CvdName(data, p, codec, name));
    };
    // Records lie at least 13 bytes apart, so this many starts can be found at most.
    const std::size_t capacity = n / 13 + 1;
    std::unique_ptr<std::uint32_t[]> starts;
    if (n >= splitAt && codec.PrepareConcurrentUse())
        starts.reset(new (std::nothrow) std::uint32_t[capacity]);
    if (!starts) {
        return WalkCvd(d, n, [&](std::uint64_t p, std::uint64_t, std::uint64_t) {
            report(static_cast<std::uint32_t>(p));
            return true;
        });
    }

    // The walk follows one record's lengths to the next and can't be shared out, but the names
    // can be converted and listed beside it: a second thread walks ahead and publishes the
    // starts it finds, while this one reports the records behind it, in order. Once the walk
    // is done, the walking thread converts records from the end down, a chunk at a time, into
    // held chunks, until the two meet; those are reported last.
    std::atomic<std::size_t> published{0};
    std::atomic<bool> walked{false};
    // The records not yet claimed by either thread: [low, high), packed in one word so that a
    // claim from either end is one compare-and-swap. high is kUnknown until the walk is done.
    constexpr std::uint64_t kUnknown = 0xFFFFFFFFu;
    std::atomic<std::uint64_t> unclaimed{kUnknown};
    auto pack = [](std::uint64_t low, std::uint64_t high) { return high | low << 32; };
    std::vector<CHeldItems> tail; // claimed from the end: the last records first
    std::exception_ptr walkerFailed;
    std::uint32_t end = 0;
    auto walk = [&] {
        std::size_t found = 0;
        end = WalkCvd(d, n, [&](std::uint64_t p, std::uint64_t, std::uint64_t) {
            starts[found++] = static_cast<std::uint32_t>(p);
            if (found % kPublishEvery == 0)
                published.store(found, std::memory_order_release);
            return true;
        });
        published.store(found, std::memory_order_release);
        std::uint64_t state = unclaimed.load();
        while (!unclaimed.compare_exchange_weak(state, pack(state >> 32, found))) {
        }
        walked.store(true, std::memory_order_release);
        try {
            std::u16string tailName;
            // Held names are a second copy until they are listed: the tail is kept to a share
            // of the book, and this thread stops there even if that leaves the other alone.
            std::uint64_t held = 0;
            for (state = unclaimed.load();;) {
                const std::uint64_t low = state >> 32, high = state & kUnknown;
                if (high <= low || held >= found / kTailShare)
                    return;
                const std::uint64_t from =
                    high - std::min({kClaimRecords, high - low, found / kTailShare - held});
                if (!unclaimed.compare_exchange_weak(state, pack(low, from)))
                    continue;
                held += high - from;
                CHeldItems& chunk = tail.emplace_back();
                for (std::uint64_t i = from; i < high; ++i) {
                    FetchTitle(d, starts[std::min(i + kFetchRecords, high - 1)]);
                    chunk.AddItem(static_cast<std::int32_t>(starts[i] + 8),
                                  CvdName(data, starts[i], codec, tailName));
                }
                state = unclaimed.load();
            }
        } catch (...) {
            walkerFailed = std::current_exception();
        }
    };
    std::thread walker;
    try {
        walker = std::thread(walk);
    } catch (const std::system_error&) {
        walk(); // no thread to be had: walk first, then report
    }
    std::exception_ptr failed;
    try {
        for (std::uint64_t state = unclaimed.load();;) {
            const std::uint64_t ready = published.load(std::memory_order_acquire);
            const std::uint64_t low = state >> 32, high = state & kUnknown;
            const std::uint64_t limit = std::min(ready, high);
            if (low < limit) {
                const std::uint64_t to = low + std::min<std::uint64_t>(kClaimRecords, limit - low);
                if (!unclaimed.compare_exchange_weak(state, pack(to, high)))
                    continue;
                for (std::uint64_t i = low; i < to; ++i) {
                    FetchTitle(d, starts[std::min(i + kFetchRecords, to - 1)]);
                    report(starts[i]);
                }
            } else if (high != kUnknown) {
                break; // everything is claimed
            } else {
                std::this_thread::yield();
            }
            state = unclaimed.load();
        }
    } catch (...) {
        failed = std::current_exception();
    }
    if (walker.joinable())
        walker.join();
    if (failed)
        std::rethrow_exception(failed);
    if (walkerFailed)
        std::rethrow_exception(walkerFailed);
    for (auto chunk = tail.rbegin(); chunk != tail.rend(); ++chunk)
        chunk->ReportTo(sink);
    return end;
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
    CUtf8Evidence bodies;
    std::size_t sampled = 0;
    WalkCvd(d, n, [&](std::uint64_t p, std::uint64_t N, std::uint64_t M) {
        if (N > 0)
            titles.Feed(d + p + 8, N - 1);
        if (sampled < kBodySampleBytes && M > 0) {
            const std::uint64_t start = p + N + 14;
            const std::uint64_t end = std::min<std::uint64_t>(start + M - 1, n);
            if (start < end) {
                bodies.Feed(d + start, end - start);
                sampled += end - start;
            }
        }
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
