#include "MarkedText.h"
#include "BinaryFile.h"
#include "Book.h"
#include "BookFile.h"
#include "BookFixture.h"
#include "CodePage.h"
#include "IndexSink.h"
#include "ItemNames.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <thread>
#include <unistd.h>

namespace {

CCollect Scan(const Bytes& book, const CTextCodec& codec = Cp949()) {
    CCollect items;
    ScanMarkedText(Span(book), codec, items);
    return items;
}

// Shows item s of a book file as the reader would after indexing it.
struct SShown {
    EItemRead result;
    std::string title;
    std::string body;
};

SShown Show(const std::string& path, const CCollect& index, std::int32_t s,
            const CTextCodec& codec = Cp949()) {
    CBinaryFile file;
    EXPECT_TRUE(file.Open(path, CBinaryFile::Mode::Read));
    STextItem item;
    const EItemRead result =
        ReadTextItem(file, index.table, s, index.table.Count() - 1, codec, item);
    return {result, Utf8(item.title), Utf8(item.body)};
}

const Bytes kExample = "Preface\r\n"
                       "Chapter 1///The beginning\r\n"
                       "Once upon a time.\r\n"
                       "Chapter 2///\r\n"
                       "The end.\r\n";

TEST(MarkedText, WorkedExampleByteForByte) {
    ASSERT_EQ(kExample.size(), 79u);
    CTempDir dir;
    const std::string path = dir.Write("example.txt", kExample);
    const CCollect index = Scan(kExample);
    EXPECT_EQ(index.positions, (std::vector<std::int32_t>{9, 55}));
    ASSERT_EQ(index.names.size(), 2u);
    EXPECT_EQ(Utf8(index.names[0]), "Chapter 1");
    EXPECT_EQ(Utf8(index.names[1]), "Chapter 2");

    const SShown first = Show(path, index, 0);
    EXPECT_EQ(first.result, EItemRead::Shown);
    EXPECT_EQ(first.title, "Chapter 1");
    EXPECT_EQ(first.body, "The beginning\r\nOnce upon a time.\r\n");
    const SShown second = Show(path, index, 1);
    EXPECT_EQ(second.title, "Chapter 2");
    EXPECT_EQ(second.body, "\r\nThe end.\r\n");
}

struct SScanCase {
    const char* what;
    Bytes book;
    std::vector<std::int32_t> positions;
    std::vector<std::string> names;
};

class MarkedTextScan : public testing::TestWithParam<SScanCase> {};

TEST_P(MarkedTextScan, FindsHeadLinesAndNames) {
    const SScanCase& c = GetParam();
    for (const bool byLines : {false, true}) {
        CCollect index;
        if (byLines)
            ScanMarkedTextLines(Span(c.book), Cp949(), index);
        else
            ScanMarkedText(Span(c.book), Cp949(), index);
        EXPECT_EQ(index.positions, c.positions) << c.what << (byLines ? " (by lines)" : "");
        std::vector<std::string> names;
        for (const auto& n : index.names)
            names.push_back(Utf8(n));
        EXPECT_EQ(names, c.names) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MarkedTextScan,
    testing::Values(
        SScanCase{"empty file", "", {}, {}}, SScanCase{"no line feed", "a///b", {}, {}},
        SScanCase{"no marker", "one\ntwo\n", {}, {}},
        SScanCase{"head line last, without line feed", "a///\nb///c", {0}, {"a"}},
        SScanCase{"marker alone", "///\n", {0}, {""}},
        SScanCase{"two markers", "x\na///b///c\n", {2}, {"a"}},
        SScanCase{"four slashes", "////x\n", {0}, {""}},
        SScanCase{"two slashes are no marker", "a//b\n//\n", {}, {}},
        SScanCase{"zero byte before the marker", Bytes("a\0///\nb///\n", 11), {6}, {"b"}},
        SScanCase{"zero byte after the marker", Bytes("a///\0\n", 6), {0}, {"a"}},
        SScanCase{"CR LF keeps CR out of names", "a///\r\nb///x\r\n", {0, 6}, {"a", "b"}},
        SScanCase{"CR before the marker stays in the name", "a\r///\n", {0}, {"a\r"}},
        SScanCase{"names are not trimmed", "  a b ///\n", {0}, {"  a b "}},
        SScanCase{"Korean CP949 names",
                  "\xc1\xa6"
                  "1\xc0\xe5///\n",
                  {0},
                  {"제1장"}},
        SScanCase{"marker split by a line feed", "//\n/x\n", {}, {}}));

TEST(MarkedText, ItemsAndBodiesAtTheEdges) {
    CTempDir dir;
    // The last line has no line feed: it is no item, and shows at the end of the previous body.
    const Bytes book = "intro\na///one\nb///two";
    const std::string path = dir.Write("a.log", book);
    const CCollect index = Scan(book);
    ASSERT_EQ(index.positions, (std::vector<std::int32_t>{6}));
    EXPECT_EQ(Show(path, index, 0).body, "one\nb///two");

    // A zero byte inside an item ends the body shown there.
    const Bytes zero = Bytes("a///x\0y\nb///\n", 13);
    const std::string zeroPath = dir.Write("zero.txt", zero);
    const CCollect zeroIndex = Scan(zero);
    ASSERT_EQ(zeroIndex.positions.size(), 2u);
    EXPECT_EQ(Show(zeroPath, zeroIndex, 0).body, "x");

    // a///b///c: the title is a, the body begins with b///c.
    const Bytes two = "a///b///c\n";
    const std::string twoPath = dir.Write("two.txt", two);
    const SShown shown = Show(twoPath, Scan(two), 0);
    EXPECT_EQ(shown.title, "a");
    EXPECT_EQ(shown.body, "b///c\n");
}

TEST(MarkedText, MoreThanFiftyThousandItemsAreAllIndexed) {
    Bytes book;
    for (int i = 0; i < 60000; ++i)
        book += "item " + std::to_string(i) + "///body " + std::to_string(i) + "\n";
    CTempDir dir;
    const std::string path = dir.Write("many.txt", book);
    CCollect index = Scan(book);
    ASSERT_EQ(index.table.Count(), 60000);
    EXPECT_EQ(Utf8(index.names[59999]), "item 59999");
    // The room the growth left is given back after the build; the entries stay.
    index.table.Squeeze();
    EXPECT_EQ(index.table.Capacity(), 60000u);
    EXPECT_EQ(index.table[59999], index.positions[59999]);
    COffsetTable small;
    small.Append(0);
    small.Squeeze(); // never below the first 50000 entries
    EXPECT_GE(small.Capacity(), COffsetTable::kInitialEntries);
    const SShown last = Show(path, index, 59999);
    EXPECT_EQ(last.title, "item 59999");
    EXPECT_EQ(last.body, "body 59999\n");
}

TEST(MarkedText, LinesLongerThanTheLineBufferKeepTruePositions) {
    const Bytes longLine = Bytes(70000, 'x') + "///tail\n";
    const Bytes book = "a///\n" + longLine + "b///\n";
    const CCollect index = Scan(book);
    EXPECT_EQ(index.positions,
              (std::vector<std::int32_t>{0, 5, static_cast<std::int32_t>(5 + longLine.size())}));
    EXPECT_EQ(index.names[1].size(), 70000u);
}

TEST(MarkedText, BookChangedOnDiskAfterItsBuild) {
    CTempDir dir;
    const std::string path = dir.Write("book.txt", kExample);
    const CCollect index = Scan(kExample);

    // Shortened into the last item: it shows what can still be read.
    std::filesystem::resize_file(path, 69);
    const SShown shortened = Show(path, index, 1);
    EXPECT_EQ(shortened.title, "Chapter 2");
    EXPECT_EQ(shortened.body, "\r\n");
    // Shortened before the last item's position: it can't be found.
    std::filesystem::resize_file(path, 40);
    EXPECT_EQ(Show(path, index, 1).result, EItemRead::PositionNotFound);
    // The first item reads only what is left of its range; without a marker it is all body.
    dir.Write("book.txt", Bytes(9, '-') + "no marker here");
    const SShown changed = Show(path, index, 0);
    EXPECT_EQ(changed.result, EItemRead::Shown);
    EXPECT_EQ(changed.title, "");
    EXPECT_EQ(changed.body, "no marker here");
    // Nothing selected, or a row beyond the table: nothing is read.
    EXPECT_EQ(Show(path, index, -1).result, EItemRead::NoSelection);
    EXPECT_EQ(Show(path, index, 2).result, EItemRead::NoSelection);
}

// The build holds the whole book: every byte as on disk and ten zero bytes after it, whatever
// its size against the memory page.
TEST(MarkedText, WholeBookHeldForTheBuild) {
    CTempDir dir;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (const std::size_t size : {std::size_t{0}, std::size_t{7}, page - 3, 3 * page}) {
        const Bytes text = size < 5 ? Bytes(size, 'x') : "a///\n" + Bytes(size - 5, 'x');
        const std::string path = dir.Write("book.txt", text);
        SBookBytes book;
        ASSERT_EQ(ReadWholeBook(path, book), EReadBook::Ok);
        ASSERT_EQ(book.size, size);
        EXPECT_EQ(Bytes(reinterpret_cast<const char*>(book.data.get()), size), text);
        EXPECT_EQ(Bytes(reinterpret_cast<const char*>(book.data.get()) + size, 10),
                  Bytes(10, '\0'));
    }

    // Shortened by another program while held, the lost pages read as zeros instead of
    // stopping the process, and the marker line that went with them is no item.
    const std::string path = dir.Write("book.txt", Bytes(3 * page - 5, 'x') + "b///\n");
    SBookBytes book;
    ASSERT_EQ(ReadWholeBook(path, book), EReadBook::Ok);
    std::filesystem::resize_file(path, page);
    CCollect index;
    ScanMarkedText({book.data.get(), book.size}, Cp949(), index);
    EXPECT_TRUE(index.names.empty());
    EXPECT_EQ(book.data.get()[page - 1], 'x');
    EXPECT_EQ(book.data.get()[2 * page], 0);
    EXPECT_EQ(book.data.get()[3 * page - 1], 0);
    book.data.reset();
    ASSERT_EQ(ReadWholeBook(path, book), EReadBook::Ok);
    EXPECT_EQ(book.size, page);
}

// Whether the page of address is mapped into the process now (bit 63 of its pagemap entry).
bool PagePresent(const void* address) {
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const int pagemap = ::open("/proc/self/pagemap", O_RDONLY);
    std::uint64_t entry = 0;
    const auto at = static_cast<off_t>(reinterpret_cast<std::uintptr_t>(address) / page * 8);
    EXPECT_EQ(::pread(pagemap, &entry, sizeof entry, at), static_cast<ssize_t>(sizeof entry));
    ::close(pagemap);
    return entry >> 63;
}

// A mapped book gives back only the whole pages of a range, which read as before.
TEST(MarkedText, ReleasedPagesOfTheBookLeaveTheProcess) {
    CTempDir dir;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    Bytes text(8 * page, 'x');
    for (std::size_t i = 0; i < text.size(); i += 97)
        text[i] = static_cast<char>('a' + i % 26);
    SBookBytes book;
    ASSERT_EQ(ReadWholeBook(dir.Write("book.txt", text), book), EReadBook::Ok);
    const std::uint8_t* d = book.data.get();
    ASSERT_EQ(Bytes(reinterpret_cast<const char*>(d), book.size), text); // every page mapped in
    book.data.Release(page + 1, 5 * page + 7);
    // They go on a thread of their own.
    for (int wait = 0; wait < 500 && PagePresent(d + 4 * page); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool want[] = {true, true, false, false, false, true, true, true};
    for (std::size_t k = 0; k < 8; ++k)
        EXPECT_EQ(PagePresent(d + k * page), want[k]) << "page " << k;
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(d), book.size), text);
    // On the caller's thread they are gone when it returns.
    book.data.Release(6 * page, 7 * page, BookBuffer::EReleaseOn::Caller);
    EXPECT_FALSE(PagePresent(d + 6 * page));
    EXPECT_TRUE(PagePresent(d + 7 * page));
    EXPECT_EQ(Bytes(reinterpret_cast<const char*>(d), book.size), text);
    // Pages still waiting when the book is let go are the unmapping's.
    book.data.Release(0, 8 * page);
    SBookBytes moved;
    moved.data = std::move(book.data);
    EXPECT_FALSE(book.data);
    moved.data.Release(0, 8 * page);
    moved.data.reset();
}

// The scan tells every byte as passed once, and never reads it again: bytes overwritten as
// soon as they are told change nothing, whole and in two halves, with steps of several MiB;
// nor does the scan that gathers the UTF-8 evidence on its way, in a book that a CP949 pair near
// its end refutes.
TEST(MarkedText, ScanDoesNotReadWhatItHasPassed) {
    Bytes book;
    for (int i = 0; book.size() < (20 << 20); ++i)
        book += "name" + std::to_string(i) + "///" + Bytes(200 + i % 300, 'b') +
                (i % 1000 ? "" : "\xea\xb0\x80") + "\n";
    book += "\xb0\xa1\ntail without a line feed///";
    const CCollect want = Scan(book);
    const bool looksUtf8 = MarkedTextLooksUtf8(Span(book));
    static const auto page = CCodePage::Create();
    for (const bool choosing : {false, true}) {
        for (const std::size_t splitAt : {kScanSplitBytes, std::size_t{1}, book.size() + 1}) {
            Bytes spoilt = book;
            std::mutex lock;
            std::vector<std::pair<std::size_t, std::size_t>> told;
            const ScanPassed spoil = [&](std::size_t from, std::size_t to) {
                for (std::size_t i = from; i < to; ++i)
                    spoilt[i] = "z///\n"[i % 5];
                const std::lock_guard hold(lock);
                told.emplace_back(from, to);
            };
            std::optional<CCollect> got;
            if (choosing) {
                EXPECT_EQ(ScanMarkedTextChoosingCodePage(
                              Span(spoilt), *page, [&]() -> CItemSink& { return got.emplace(); },
                              splitAt, kTextGuessBytes, spoil),
                          looksUtf8)
                    << splitAt;
            } else {
                ScanMarkedText(Span(spoilt), Cp949(), got.emplace(), splitAt, spoil);
            }
            EXPECT_EQ(got->positions, want.positions) << choosing << " " << splitAt;
            EXPECT_EQ(got->names, want.names) << choosing << " " << splitAt;
            std::sort(told.begin(), told.end());
            EXPECT_GT(told.size(), 4u) << splitAt;
            std::size_t covered = 0;
            for (const auto& [from, to] : told) {
                EXPECT_EQ(from, covered) << choosing << " " << splitAt;
                covered = to;
            }
            EXPECT_EQ(covered, book.size()) << choosing << " " << splitAt;
        }
    }
}

// The lookup tells of the bytes it only counted, a few MiB at a time: from the line after the
// item's end to the book's end, each byte once, whole and in two halves.
TEST(MarkedText, LookupTellsOfWhatItCounted) {
    Bytes book;
    for (int i = 0; book.size() < (10 << 20); ++i)
        book += "name" + std::to_string(i) + "///" + Bytes(100 + i % 300, 'b') + "\n";
    const CCollect want = Scan(book);
    for (const std::size_t splitAt : {kScanSplitBytes, std::size_t{1}}) {
        std::mutex lock;
        std::vector<std::pair<std::size_t, std::size_t>> told;
        const SFoundItem found = FindMarkedTextItem(Span(book), Cp949(), u"NAME7", splitAt,
                                                    [&](std::size_t from, std::size_t to) {
                                                        const std::lock_guard hold(lock);
                                                        told.emplace_back(from, to);
                                                    });
        ASSERT_EQ(found.index, 7);
        EXPECT_EQ(found.last + 1, static_cast<std::int32_t>(want.positions.size()));
        std::sort(told.begin(), told.end());
        EXPECT_GE(told.size(), 3u) << splitAt;
        std::size_t covered = book.find('\n', found.end) + 1;
        for (const auto& [from, to] : told) {
            EXPECT_EQ(from, covered) << splitAt;
            covered = to;
        }
        EXPECT_EQ(covered, book.size()) << splitAt;
    }
}

TEST(MarkedText, CodePageIsChosenPerBook) {
    auto page = CCodePage::Create();
    const Bytes utf8 = "머리말\n제1장///봄\n";
    page->ChooseFor(MarkedTextLooksUtf8(Span(utf8)));
    EXPECT_EQ(page->Codec().Name(), "UTF-8");
    EXPECT_EQ(Utf8(Scan(utf8, page->Codec()).names.at(0)), "제1장");

    const Bytes cp949 = "\xc1\xa6"
                        "1\xc0\xe5///\xba\xbd\n";
    page->ChooseFor(MarkedTextLooksUtf8(Span(cp949)));
    EXPECT_EQ(page->Codec().Name(), "CP949");
    EXPECT_EQ(Utf8(Scan(cp949, page->Codec()).names.at(0)), "제1장");

    auto forced = CCodePage::Create("EUC-KR");
    forced->ChooseFor(true);
    EXPECT_EQ(forced->Codec().Name(), "EUC-KR");
    EXPECT_FALSE(CCodePage::Create("NOT-A-CODE-PAGE"));
}

// The byte scan, whole and in two halves, and the lookup's count must find exactly what
// converting every line finds.
void ExpectSameAsLineScan(const Bytes& book, const CTextCodec& codec, const std::string& what) {
    CCollect fast, halves, plain;
    ScanMarkedText(Span(book), codec, fast);
    ScanMarkedText(Span(book), codec, halves, 1); // cut near the middle, two threads
    ScanMarkedTextLines(Span(book), codec, plain);
    ASSERT_EQ(fast.positions, plain.positions) << what;
    ASSERT_EQ(fast.names, plain.names) << what;
    ASSERT_EQ(halves.positions, plain.positions) << what;
    ASSERT_EQ(halves.names, plain.names) << what;
    // An index takes the parts the threads held whole or copies them, keeping the book's bytes.
    COffsetTable table;
    CItemNames names;
    CIndexSink index(table, names);
    ScanMarkedText(Span(book), codec, index, 1);
    ASSERT_EQ(table.Count(), static_cast<std::int32_t>(plain.positions.size())) << what;
    for (std::int32_t i = 0; i < table.Count(); ++i) {
        ASSERT_EQ(table[i], plain.positions[i]) << what;
        ASSERT_EQ(names.Name(i), plain.names[i]) << what;
    }
    // The scan that gathers the UTF-8 evidence finds its head lines another way, 32 bytes at a
    // time where the processor can and 16 bytes at a time.
    static const auto page = CCodePage::Create();
    for (const bool wide : {true, false}) {
        AllowWideScan(wide);
        for (const std::size_t splitAt : {kScanSplitBytes, std::size_t{1}}) {
            std::optional<CCollect> chosen;
            const bool utf8 = ScanMarkedTextChoosingCodePage(
                Span(book), *page, [&]() -> CItemSink& { return chosen.emplace(); }, splitAt,
                /*guessBytes=*/0);
            if (page->CodecFor(utf8).Name() != codec.Name())
                break;
            ASSERT_EQ(chosen->positions, plain.positions) << what << (wide ? "" : ", narrow");
            ASSERT_EQ(chosen->names, plain.names) << what << (wide ? "" : ", narrow");
        }
    }
    AllowWideScan(true);
    // The lookup counts every item after the first by the block count alone.
    for (const std::size_t splitAt : {kScanSplitBytes, std::size_t{1}}) {
        const SFoundItem first = FindMarkedTextItem(Span(book), codec, u"", splitAt);
        ASSERT_EQ(first.last + 1, static_cast<std::int32_t>(plain.positions.size())) << what;
        ASSERT_EQ(first.end, plain.positions.size() > 1 ? plain.positions[1] : book.size()) << what;
    }
    // The lookup that chooses its code page finds where head lines start as it counts them.
    static const auto utf8 = CTextCodec::Create("UTF-8");
    for (const std::u16string_view term : {u"x", u"z", u"a"}) {
        bool looksUtf8 = false;
        const SFoundItem found =
            FindMarkedTextItemChoosingCodec(Span(book), *utf8, Cp949(), term, looksUtf8);
        if (looksUtf8 != (codec.Name() == utf8->Name()))
            continue; // read in the other page
        std::int32_t want = -1;
        for (std::size_t i = 0; i < plain.names.size() && want < 0; ++i)
            if (NameBeginsWith(plain.names[i], term))
                want = static_cast<std::int32_t>(i);
        ASSERT_EQ(found.index, want) << what;
        ASSERT_EQ(found.last + 1, static_cast<std::int32_t>(plain.positions.size())) << what;
        if (want >= 0) {
            ASSERT_EQ(found.start, static_cast<std::uint32_t>(plain.positions[want])) << what;
        }
    }
}

// A book whose second half holds more than the held part keeps on the heap: its memory is
// given back while it is reported, and every name must still arrive whole.
TEST(MarkedText, LargeSecondHalfIsReportedWhole) {
    Bytes book;
    for (int i = 0; i < 300000; ++i)
        book += "name" + std::to_string(1000000 + i) + "///b\n";
    ExpectSameAsLineScan(book, Cp949(), "300,000 items");
}

// Random books of any bytes, long enough for the block search and dense in '/'.
TEST(MarkedText, ByteScanMatchesLineScanOnRandomBooks) {
    const char alphabet[] = {'/',    '/',    '/',    '\n', '\r',   '\0',   'a',    ' ',
                             '\xb0', '\xa1', '\x81', 'A',  '\xea', '\x80', '\xff', '\xc3'};
    std::mt19937 rng(3);
    for (const char* name : {"CP949", "UTF-8"}) {
        auto codec = CTextCodec::Create(name);
        for (int round = 0; round < 3000; ++round) {
            Bytes book(rng() % (round % 2 ? 80 : 400), '\0');
            for (char& c : book)
                c = alphabet[rng() % (round % 3 ? sizeof alphabet : 4)];
            ASSERT_NO_FATAL_FAILURE(ExpectSameAsLineScan(
                book, *codec, std::string(name) + " round " + std::to_string(round)));
        }
    }
}

// The block search looks at 16 and 64 bytes at a time: each hard case at every offset around
// those edges, in a long line and after a line feed, with and without a final line feed.
TEST(MarkedText, ByteScanMatchesLineScanAtBlockEdges) {
    const Bytes cases[] = {
        "///",
        "////",
        "//",
        "/ //",
        "// /",
        "//\n/",
        "/\n//",
        "\r///\r",
        "a///b///c",
        Bytes("\0///", 4),
        Bytes("///\0", 4),
        Bytes("a\0b///", 6),
        "\xb0\xa1///\xb0",
        // line starts the lookup tests, for its terms x, z and a
        "\nx///",
        "\nA///",
        Bytes("\nz\0///", 6),
        "\nzz\n///",
    };
    for (const Bytes& c : cases) {
        for (std::size_t at = 0; at < 140; ++at) {
            for (const Bytes& before : {Bytes(at, 'x'), "k///\n" + Bytes(at, 'x')}) {
                const Bytes line = before + c + Bytes(150 - at, 'y');
                const std::string what = "case \"" + c + "\" at " + std::to_string(at);
                ASSERT_NO_FATAL_FAILURE(ExpectSameAsLineScan(line + "\n", Cp949(), what));
                ASSERT_NO_FATAL_FAILURE(
                    ExpectSameAsLineScan(line, Cp949(), what + ", no final LF"));
                ASSERT_NO_FATAL_FAILURE(
                    ExpectSameAsLineScan(line + "\nz///\n", Cp949(), what + ", then an item"));
            }
        }
    }
}

// The UTF-8 evidence is gathered a MiB at a time and, for a large book, in two halves: a
// sequence across either cut must count as whole, and a fault in either half must refute.
TEST(MarkedText, Utf8EvidenceAcrossItsPieces) {
    const std::size_t mib = 1 << 20;
    const Bytes hangul = "\xea\xb0\x80", cp949 = "\xb0\xa1";
    struct SCase {
        const char* what;
        Bytes book;
        bool utf8;
    };
    const SCase cases[] = {
        {"ASCII only", Bytes(3 * mib, 'a') + "\n", false},
        {"UTF-8 across a piece's end", Bytes(mib - 1, 'a') + hangul + "\n" + Bytes(mib, 'b'), true},
        {"UTF-8 in the second half only", Bytes(2 * mib, 'a') + "\n" + hangul, true},
        {"CP949 in the second half", hangul + Bytes(2 * mib, 'a') + "\n" + cp949 + "\n", false},
        {"CP949 in the first half", cp949 + Bytes(2 * mib, 'a') + "\n" + hangul + "\n", false},
        {"a cut UTF-8 sequence at the end", Bytes(2 * mib, 'a') + "\n" + hangul.substr(0, 2),
         false},
    };
    for (const SCase& c : cases) {
        EXPECT_EQ(MarkedTextLooksUtf8(Span(c.book)), c.utf8) << c.what;
        EXPECT_EQ(MarkedTextLooksUtf8(Span(c.book), 1), c.utf8) << c.what << ", in halves";
    }
}

TEST(MarkedText, NamePrefixRule) {
    struct SCase {
        std::u16string name, term;
        bool begins;
    };
    const SCase cases[] = {{u"Apple", u"aP", true},  {u"apple", u"APPLE!", false},
                           {u"abc", u"", true},      {u"", u"", true},
                           {u"", u"a", false},       {u"\u00c4rger", u"\u00e4", false},
                           {u"제1장", u"제1", true}, {u"Zebra", u"zEB", true},
                           {u"[x]", u"{X}", false},  {u"a b", u"A B", true}};
    for (const SCase& c : cases)
        EXPECT_EQ(NameBeginsWith(c.name, c.term), c.begins)
            << Utf8(c.name) << " / " << Utf8(c.term);
}

// Looking one name up must find what the whole index finds: the first item whose name begins
// with the term, its number, the last index, and the item's range.
TEST(MarkedText, LookupAgreesWithTheWholeIndex) {
    const char alphabet[] = {'/', '/', '/', '\n', '\r', '\0', 'a', 'A', 'b', '\xb0', '\xa1', ' '};
    const std::u16string terms[] = {u"", u"a", u"A", u"ab", u"B", u"\uac00", u"a\r", u"zz"};
    std::mt19937 rng(7);
    for (const char* name : {"CP949", "UTF-8", "UTF-16LE"}) {
        auto codec = CTextCodec::Create(name);
        ASSERT_TRUE(codec) << name;
        for (int round = 0; round < 1500; ++round) {
            Bytes book(rng() % 200, '\0');
            for (char& c : book)
                c = alphabet[rng() % sizeof alphabet];
            CCollect index;
            ScanMarkedTextLines(Span(book), *codec, index);
            const auto last = static_cast<std::int32_t>(index.positions.size()) - 1;
            for (const std::u16string& term : terms) {
                const SFoundItem found = FindMarkedTextItem(Span(book), *codec, term);
                std::int32_t want = -1;
                for (std::int32_t i = 0; i <= last && want < 0; ++i)
                    if (NameBeginsWith(index.names[i], term))
                        want = i;
                const std::string what = std::string(name) + " round " + std::to_string(round);
                ASSERT_EQ(found.index, want) << what;
                ASSERT_EQ(found.last, last) << what;
                if (want < 0)
                    continue;
                ASSERT_EQ(found.name, index.names[want]) << what;
                ASSERT_EQ(found.start, static_cast<std::uint32_t>(index.positions[want])) << what;
                ASSERT_EQ(found.end, want < last ? index.positions[want + 1] : book.size()) << what;
            }
        }
    }
}

// The lookup that chooses the code page as it reads must find what choosing first and then
// looking up finds: the same page, item, range, name and last index, whole and in two halves.
// Searched in chunks, it tells of each chunk once as it is done with it.
void ExpectSameAsChoosingFirst(const Bytes& book, std::u16string_view term,
                               const std::string& what) {
    static const auto utf8 = CTextCodec::Create("UTF-8");
    const bool wantUtf8 = MarkedTextLooksUtf8(Span(book));
    const SFoundItem want = FindMarkedTextItem(Span(book), wantUtf8 ? *utf8 : Cp949(), term);
    // Large books are counted in chunks of a quarter of splitAt, from both ends at once.
    const std::size_t fine = book.size() < 8192 ? 1 : book.size() / 40 + 1;
    for (const std::size_t splitAt : {kScanSplitBytes, fine, book.size() / 3 + 1}) {
        bool looksUtf8 = !wantUtf8;
        std::mutex lock;
        std::vector<std::pair<std::size_t, std::size_t>> told;
        const SFoundItem found =
            FindMarkedTextItemChoosingCodec(Span(book), *utf8, Cp949(), term, looksUtf8, splitAt,
                                            [&](std::size_t from, std::size_t to) {
                                                const std::lock_guard hold(lock);
                                                told.emplace_back(from, to);
                                            });
        const std::string where = what + ", split from " + std::to_string(splitAt);
        std::sort(told.begin(), told.end());
        std::size_t covered = 0;
        for (const auto& [from, to] : told) {
            ASSERT_EQ(from, covered) << where;
            covered = to;
        }
        ASSERT_EQ(covered, book.size() >= splitAt ? book.size() : 0) << where;
        ASSERT_EQ(looksUtf8, wantUtf8) << where;
        ASSERT_EQ(found.index, want.index) << where;
        ASSERT_EQ(found.last, want.last) << where;
        ASSERT_EQ(found.start, want.start) << where;
        ASSERT_EQ(found.end, want.end) << where;
        ASSERT_EQ(found.name, want.name) << where;
    }
}

TEST(MarkedText, LookupChoosesTheCodePageOnTheWay) {
    const Bytes hangul = "\xea\xb0\x80", cp949 = "\xb0\xa1"; // both 가
    const Bytes filler = Bytes(70000, 'x') + "\n";           // past the evidence's steps
    struct SCase {
        const char* what;
        Bytes book;
        std::u16string term;
    };
    const SCase cases[] = {
        {"ASCII book", "a///1\nbee///2\nBeet///3\n" + filler + "c///\n", u"be"},
        {"ASCII book, no match", "a///1\n" + filler + "b///2\n", u"q"},
        {"UTF-8 book, Korean name", "a///\n" + hangul + "///x\n" + filler + "b///\n", u"가"},
        {"CP949 book, Korean name", "a///\n" + cp949 + "///x\n" + filler + "b///\n", u"가"},
        {"refuted after the hit: the UTF-8 reading of the hit is wrong",
         hangul + "///1\n" + filler + cp949 + "///2\n" + filler + "z///\n", u"가"},
        {"refuted after the hit, in the last line without a line feed",
         hangul + "///1\n" + filler + cp949 + "///2\n" + filler + cp949, u"가"},
        {"a name read as UTF-8 first (U+0121), then refuted: read in CP949 it matches",
         "\xc4\xa1///1\n" + filler + cp949 + "///2\n", u"치"},
        {"UTF-8 only after the hit, in a body", "be///\n" + filler + "z///" + hangul + "\n", u"b"},
        {"CP949 only after the hit, in a body", "be///\n" + filler + "z///" + cp949 + "\n", u"b"},
        {"a UTF-8 sequence cut by the book's end", "b///\n" + filler + hangul.substr(0, 2), u"b"},
        {"the empty term", hangul + "///\n" + filler + "b///\n", u""},
    };
    for (const SCase& c : cases)
        ASSERT_NO_FATAL_FAILURE(ExpectSameAsChoosingFirst(c.book, c.term, c.what));
    // A sequence across each step of the evidence and each block of the count.
    for (std::size_t at = 16300; at < 16400; ++at) {
        for (const Bytes& odd : {hangul, cp949}) {
            Bytes book = "b///\n" + Bytes(at, 'x') + odd + filler + "b///\n";
            ASSERT_NO_FATAL_FAILURE(
                ExpectSameAsChoosingFirst(book, u"b", "at " + std::to_string(at)));
        }
    }
}

// Choosing the code page on the scan's way must give what choosing it first and then scanning
// gives: the page, every position and name, whole and in two halves, whatever the guess from the
// first bytes; scans is how often the book is read with the usual guess (0: not checked).
void ExpectScanAsChoosingFirst(const Bytes& book, int scans, const std::string& why,
                               bool open = false) {
    static const auto page = CCodePage::Create();
    const bool looksUtf8 = MarkedTextLooksUtf8(Span(book));
    CCollect want;
    ScanMarkedTextLines(Span(book), page->CodecFor(looksUtf8), want);
    for (const std::size_t splitAt : {kScanSplitBytes, std::size_t{1}}) {
        for (const std::size_t guess : {std::size_t{0}, std::size_t{90}, kTextGuessBytes}) {
            std::optional<CCollect> got;
            int sinks = 0;
            const bool chose = ScanMarkedTextChoosingCodePage(
                Span(book), *page,
                [&]() -> CItemSink& {
                    ++sinks;
                    return got.emplace();
                },
                splitAt, guess);
            const std::string where =
                why + ", split " + std::to_string(splitAt) + ", guess " + std::to_string(guess);
            ASSERT_EQ(chose, looksUtf8) << where;
            ASSERT_EQ(got->positions, want.positions) << where;
            ASSERT_EQ(got->names, want.names) << where;
            if (guess == kTextGuessBytes && scans > 0) {
                ASSERT_EQ(sinks, scans) << where;
            }
        }
    }
    if (!open)
        return;
    // The book's own Open, whose index takes names in place.
    static const CTempDir dir;
    const auto opened = CBook::Create();
    ASSERT_EQ(opened->Open(dir.Write("book.txt", book), EFileKind::MarkedText), EBookStatus::Ok);
    EXPECT_EQ(opened->Codec().Name(), page->CodecFor(looksUtf8).Name()) << why;
    ExpectIndex(*opened, want, why);
}

TEST(MarkedText, CodePageChosenOnTheScansWayAsBeforeIt) {
    const Bytes hangul = "\xea\xb0\x80", cp949 = "\xb0\xa1"; // both 가
    const Bytes filler = Bytes(70000, 'x') + "\n";           // past the guess
    Bytes large;                                             // past the two-thread threshold
    while (large.size() <= kScanSplitBytes)
        large += "a///\n" + filler;
    const struct {
        const char* why;
        Bytes book;
        int scans;
    } cases[] = {
        {"ASCII book", "a///1\nbee///2\n" + filler + "c///\n", 1},
        {"UTF-8 book", "a///\n" + hangul + "///x\n" + filler + "b///\n", 1},
        {"CP949 book", "a///\n" + cp949 + "///x\n" + filler + "b///\n", 1},
        {"UTF-8 names, refuted in a body after the last name",
         hangul + "///1\n" + filler + "z///" + cp949 + "\n", 2},
        {"UTF-8 names, refuted after the last line feed", hangul + "///1\n" + filler + cp949, 2},
        {"non-ASCII bytes in bodies only", "a///\n" + filler + "b///" + hangul + "\n", 1},
        {"CP949 bytes in bodies only", "a///" + hangul + "\n" + filler + "b///" + cp949 + "\n", 1},
        {"a UTF-8 name only in the second half of a large book",
         large + hangul + "///\n" + "z///\n", 2},
        {"a UTF-8 sequence cut by the book's end", "b///\n" + filler + hangul.substr(0, 2), 1},
    };
    for (const auto& c : cases)
        ASSERT_NO_FATAL_FAILURE(ExpectScanAsChoosingFirst(c.book, c.scans, c.why, /*open=*/true));
    // A byte from 0x80 up at each place in the blocks the marker and line feed searches pass.
    for (std::size_t at = 0; at < 140; ++at) {
        for (const Bytes& odd : {hangul, cp949}) {
            const Bytes book = Bytes(at, 'x') + "///" + Bytes(at, 'y') + odd + "\n" +
                               Bytes(at, 'z') + odd + "\n" + Bytes(200, 'w') + "///\n";
            ASSERT_NO_FATAL_FAILURE(ExpectScanAsChoosingFirst(book, 0, "at " + std::to_string(at)));
        }
    }
}

// Random books mixing UTF-8 and CP949 Hangul, so that each page wins and loses on the way.
TEST(MarkedText, LookupChoosingTheCodePageOnRandomBooks) {
    const Bytes pieces[] = {
        "///",          "\n",           "\n",           "a",       "A", " ", Bytes(1, '\0'),
        "\xea\xb0\x80", "\xea\xb0\x80", Bytes(90, 'x'), "\xb0\xa1"};
    const std::u16string terms[] = {u"", u"a", u"가", u"Ax", u"\ufffd"};
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        Bytes book;
        const std::size_t count = rng() % 60;
        const std::size_t kinds = round % 2 ? std::size(pieces) : std::size(pieces) - 1;
        for (std::size_t i = 0; i < count; ++i)
            book += pieces[rng() % kinds];
        for (const std::u16string& term : terms)
            ASSERT_NO_FATAL_FAILURE(
                ExpectSameAsChoosingFirst(book, term, "round " + std::to_string(round)));
        ASSERT_NO_FATAL_FAILURE(
            ExpectScanAsChoosingFirst(book, /*scans=*/0, "scan, round " + std::to_string(round)));
    }
}

} // namespace
