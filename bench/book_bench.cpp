// Timings of the book layer: the scans that build a book's index, and the display of one item
// read back from a book on disk.

#include "BenchBooks.h"
#include "BinaryFile.h"
#include "BookFile.h"
#include "CodePage.h"
#include "Cvd.h"
#include "ItemSink.h"
#include "MarkedText.h"
#include "OffsetTable.h"
#include "TextCodec.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

// Counts the items and lets the names go, to time the scan alone.
class CNullSink : public CItemSink {
public:
    void AddItem(std::int32_t, std::u16string_view name) override {
        benchmark::DoNotOptimize(name.data());
        ++count;
    }
    std::int32_t count = 0;
};

// Keeps the index as the reader's list and table hold it: every position and every name.
class CListSink : public CItemSink {
public:
    void AddItem(std::int32_t position, std::u16string_view name) override {
        table.Append(position);
        names.emplace_back(name);
    }
    COffsetTable table;
    std::vector<std::u16string> names;
};

std::unique_ptr<CTextCodec> Cp949() {
    return CTextCodec::Create("CP949");
}

// Reports items (or records) per second; a scan that finds another number of items than the book
// holds is an error, not a timing.
void Finish(benchmark::State& state, const SBenchBook& book, std::int32_t found,
            const std::string& unit = "items") {
    if (found != book.items) {
        state.SkipWithError(
            ("found " + std::to_string(found) + " items of " + std::to_string(book.items)).c_str());
        return;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * book.bytes.size()));
    state.counters[unit] = book.items;
    state.counters[unit + "/s"] =
        benchmark::Counter(book.items, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ScanMarkedText_NullSink(benchmark::State& state) {
    const SBenchBook& book = TextBook();
    const auto codec = Cp949();
    std::int32_t found = 0;
    for (auto _ : state) {
        CNullSink sink;
        ScanMarkedText(book.Span(), *codec, sink);
        found = sink.count;
    }
    Finish(state, book, found);
}

// The scan that converts every line before looking for the marker, as code pages in which the
// marker's bytes may stand inside a character need: what looking in the raw bytes saves.
void BM_ScanMarkedTextLines_NullSink(benchmark::State& state) {
    const SBenchBook& book = TextBook();
    const auto codec = Cp949();
    std::int32_t found = 0;
    for (auto _ : state) {
        CNullSink sink;
        ScanMarkedTextLines(book.Span(), *codec, sink);
        found = sink.count;
    }
    Finish(state, book, found);
}

void BM_ScanMarkedText_ListSink(benchmark::State& state) {
    const SBenchBook& book = TextBook();
    const auto codec = Cp949();
    std::optional<CListSink> sink;
    for (auto _ : state) {
        // A fresh index each time, as a new book gets; dropping the last one is not timed.
        state.PauseTiming();
        sink.emplace();
        state.ResumeTiming();
        ScanMarkedText(book.Span(), *codec, *sink);
    }
    Finish(state, book, sink ? sink->table.Count() : 0);
}

void TimeScanCvd(benchmark::State& state, const SBenchBook& book) {
    const auto codec = Cp949();
    std::int32_t found = 0;
    for (auto _ : state) {
        CNullSink sink;
        const std::uint32_t end = ScanCvd(book.Span(), *codec, sink);
        found =
            CvdEndIsMalformed(end, static_cast<std::uint32_t>(book.bytes.size())) ? -1 : sink.count;
    }
    Finish(state, book, found, "records");
}

void BM_ScanCvd_NullSink(benchmark::State& state) {
    TimeScanCvd(state, CvdBook());
}

// The same walk over records whose names need no code-page conversion: what the walk itself
// costs, apart from converting the names.
void BM_ScanCvd_AsciiNames_NullSink(benchmark::State& state) {
    TimeScanCvd(state, CvdAsciiBook());
}

// The scan's first step alone: following the records' lengths, nothing converted or kept.
void BM_WalkCvdRecords(benchmark::State& state) {
    const SBenchBook& book = CvdBook();
    std::vector<std::uint32_t> starts;
    for (auto _ : state)
        WalkCvdRecords(book.Span(), starts);
    Finish(state, book, static_cast<std::int32_t>(starts.size()), "records");
}

void BM_ScanCvd_ListSink(benchmark::State& state) {
    const SBenchBook& book = CvdBook();
    const auto codec = Cp949();
    std::optional<CListSink> sink;
    for (auto _ : state) {
        state.PauseTiming();
        sink.emplace();
        state.ResumeTiming();
        ScanCvd(book.Span(), *codec, *sink);
    }
    Finish(state, book, sink ? sink->table.Count() : 0, "records");
}

// The whole index build of a text book as the reader runs it: one read of the file (from the
// page cache), the choice of code page, the scan into a list.
void BM_BuildMarkedTextIndex(benchmark::State& state) {
    const SBenchBook& book = TextBook();
    const std::string& path = TextBookPath();
    auto codePage = CCodePage::Create();
    if (path.empty()) {
        state.SkipWithError("the book could not be written");
        return;
    }
    std::int32_t found = 0;
    for (auto _ : state) {
        SBookBytes bytes;
        if (ReadWholeBook(path, bytes) != EReadBook::Ok) {
            state.SkipWithError("the book could not be read back");
            return;
        }
        const std::span<const std::uint8_t> data(bytes.data.get(), bytes.size);
        codePage->ChooseFor(MarkedTextLooksUtf8(data));
        CListSink sink;
        ScanMarkedText(data, codePage->Codec(), sink);
        found = sink.table.Count();
    }
    Finish(state, book, found);
}

// Shows the item in the middle of a book on disk: open, position, read its bytes, cut them.
template <class Read>
void TimeOneItem(benchmark::State& state, const SBenchBook& book, const std::string& path,
                 const CListSink& index, Read read) {
    if (path.empty() || index.table.Count() != book.items) {
        state.SkipWithError("the book could not be written or indexed");
        return;
    }
    const std::int32_t last = index.table.Count() - 1;
    const std::int32_t s = last / 2;
    std::size_t shown = 0;
    for (auto _ : state) {
        CBinaryFile file;
        if (!file.Open(path, CBinaryFile::Mode::Read)) {
            state.SkipWithError("the book could not be opened");
            return;
        }
        const std::optional<std::u16string> body = read(file, s, last);
        if (!body) {
            state.SkipWithError("the item could not be shown");
            return;
        }
        shown = body->size();
    }
    const std::int64_t bytes = index.table[s + 1] - index.table[s];
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["item_bytes"] = static_cast<double>(bytes);
    state.counters["body_chars"] = static_cast<double>(shown);
}

// The index of each book, built once for the item displays.
const CListSink& TextIndex() {
    static const CListSink index = [] {
        CListSink sink;
        ScanMarkedText(TextBook().Span(), *Cp949(), sink);
        return sink;
    }();
    return index;
}

const CListSink& CvdIndex() {
    static const CListSink index = [] {
        CListSink sink;
        ScanCvd(CvdBook().Span(), *Cp949(), sink);
        return sink;
    }();
    return index;
}

void BM_ReadTextItem(benchmark::State& state) {
    const CListSink& index = TextIndex();
    const auto codec = Cp949();
    TimeOneItem(
        state, TextBook(), TextBookPath(), index,
        [&](CBinaryFile& file, std::int32_t s, std::int32_t last) -> std::optional<std::u16string> {
            STextItem item;
            if (ReadTextItem(file, index.table, s, last, *codec, item) != EItemRead::Shown ||
                item.title != index.names[static_cast<std::size_t>(s)])
                return std::nullopt;
            return std::move(item.body);
        });
}

void BM_ReadCvdItem(benchmark::State& state) {
    const CListSink& index = CvdIndex();
    const auto codec = Cp949();
    TimeOneItem(
        state, CvdBook(), CvdBookPath(), index,
        [&](CBinaryFile& file, std::int32_t s, std::int32_t last) -> std::optional<std::u16string> {
            std::u16string body;
            if (ReadCvdItem(file, index.table, s, last, *codec, body) != EItemRead::Shown ||
                body.empty())
                return std::nullopt;
            return body;
        });
}

} // namespace

BENCHMARK(BM_ScanMarkedText_NullSink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMarkedText_ListSink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMarkedTextLines_NullSink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanCvd_NullSink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanCvd_AsciiNames_NullSink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WalkCvdRecords)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanCvd_ListSink)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildMarkedTextIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTextItem)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadCvdItem)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
