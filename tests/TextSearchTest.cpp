#include "TextSearch.h"
#include "Book.h"
#include "BookFixture.h"
#include "Cvd.h"
#include "MarkedText.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <random>

namespace {

CCollect Index(const Bytes& book, bool cvd, const CTextCodec& codec) {
    CCollect items;
    if (cvd)
        ScanCvd(Span(book), codec, items);
    else
        ScanMarkedTextLines(Span(book), codec, items);
    return items;
}

std::int32_t FindIn(const Bytes& book, const std::u16string& term, std::int32_t after,
                    bool cvd = false, const CTextCodec& codec = Cp949()) {
    const CCollect items = Index(book, cvd, codec);
    return CTextSearch(term, codec).FindNext(Span(book), items.table, cvd, after);
}

Bytes CvdRecord(const Bytes& title, const Bytes& body) {
    auto length = [](std::size_t n) {
        return Bytes{static_cast<char>(n & 0xFF), static_cast<char>(n >> 8), '\0', '\0'};
    };
    return Bytes("\x00\x02\x00\x02", 4) + length(title.size() + 1) + title + Bytes(1, '\0') +
           "\x1E\x03" + length(body.size() + 1) + body;
}

struct SCase {
    const char* what;
    Bytes book;
    std::u16string term;
    std::int32_t after;
    std::int32_t found;
};

TEST(TextSearchTest, FindsRealMatchesOfCharactersInTitleOrBody) {
    // In CP949 "한" is C7 D1 and "국" B1 B9; 81 41 is one Hangul syllable whose second byte
    // is the letter A's.
    const SCase cases[] = {
        {"body, after the selection", "a///x\nb///y\n\xC7\xD1\xB1\xB9\nc///z\n", u"한국", 0, 1},
        {"title", "a///x\n\xC7\xD1///y\n", u"한", -1, 1},
        {"wraps, selection tried last", "a///key\nb///x\nc///y\n", u"key", 1, 0},
        {"selection itself, last", "a///key\nb///x\n", u"key", 0, 0},
        {"ASCII letters without case", "a///x\nb///Hello World\n", u"hELLO", 0, 1},
        {"no match", "a///x\nb///y\n", u"zz", 0, -1},
        {"never on a trail byte", "x///\x81\x41\ny///A\n", u"A", 1, 1},
        {"never across the marker", "ab///cd\nx///abcd\n", u"bc", 1, 1},
        {"nothing after a zero byte", Bytes("a///ab\0cd\nx///y\n", 16), u"cd", -1, -1},
        {"text before the first item", "cd\na///x\n", u"cd", -1, -1},
        {"term the code page lacks", "a///x\n", u"\u00E9", -1, -1},
        {"empty book", "", u"x", -1, -1},
        {"last item to the file's end", "a///x\nb///y\ntail", u"tail", 0, 1},
        {"a head line without its line feed is body", "a///x\nb///tail", u"tail", -1, 0},
    };
    for (const SCase& c : cases)
        EXPECT_EQ(FindIn(c.book, c.term, c.after), c.found) << c.what;
}

TEST(TextSearchTest, FindPreviousGoesBackAndWraps) {
    const Bytes book = "a///key\nb///x\nc///KEY\nd///y\n";
    const struct {
        std::int32_t before, found;
    } cases[] = {{3, 2}, {2, 0}, {1, 0}, {0, 2}, {-1, 2}, {4, 2}};
    const CCollect items = Index(book, false, Cp949());
    const CTextSearch search(u"key", Cp949());
    for (const auto& c : cases)
        EXPECT_EQ(search.FindPrevious(Span(book), items.table, false, c.before), c.found)
            << "before " << c.before;
    const Bytes one = "a///key\nb///x\n";
    EXPECT_EQ(search.FindPrevious(Span(one), Index(one, false, Cp949()).table, false, 0), 0)
        << "the selection itself, last";
}

TEST(TextSearchTest, CvdTitlesAndBodies) {
    // The last body's last byte is the file's last byte, never shown.
    const Bytes book = Bytes(74, 'h') + CvdRecord("AB", "x\ry") + CvdRecord("\xC7\xD1", "zz") + "q";
    EXPECT_EQ(FindIn(book, u"ab", -1, /*cvd=*/true), 0);
    EXPECT_EQ(FindIn(book, u"한", 0, /*cvd=*/true), 1);
    EXPECT_EQ(FindIn(book, u"y", 1, /*cvd=*/true), 0);
    // The body's last byte is never shown, and the mark bytes belong to no text.
    EXPECT_EQ(FindIn(book, u"zzq", 0, /*cvd=*/true), -1);
    EXPECT_EQ(FindIn(book, u"\x1E\x03", 0, /*cvd=*/true), -1);
}

TEST(TextSearchTest, OtherCodePages) {
    auto utf8 = CTextCodec::Create("UTF-8");
    EXPECT_EQ(FindIn("a///x\nb///caf\xC3\xA9\n", u"CAFÉ", -1, false, *utf8), -1);
    EXPECT_EQ(FindIn("a///x\nb///caf\xC3\xA9\n", u"CAFé", -1, false, *utf8), 1);
    // A stateful code page has no byte filter: every item is read as shown.
    auto iso2022 = CTextCodec::Create("ISO-2022-KR");
    ASSERT_TRUE(iso2022);
    const Bytes book = "\x1B$)Ca///x\nb///\x0E\x47\x51\x0F\n";
    EXPECT_EQ(FindIn(book, u"한", -1, false, *iso2022), 1);
}

// The search agrees with reading every item as shown, on random books full of near misses: in
// each code page, bytes that make characters whose later bytes are ASCII letters or the bytes
// of other characters.
TEST(TextSearchTest, AgreesWithReadingEveryItem) {
    const struct {
        const char* codePage;
        Bytes alphabet;
        std::vector<std::u16string> terms;
    } pages[] = {
        {"CP949",
         Bytes("///aAb\n\n\r\0\x81\x41\xC7\xD1\xB1\xB9", 16),
         {u"a", u"ab", u"한", u"한국", u"/a", u"A\r"}},
        {"SHIFT_JIS",
         Bytes("///aA\\\n\n\r\0\x83\x41\x83\x5C\x82\xA0", 16),
         {u"a", u"ア", u"ソ", u"あ", u"アa", u"\u00A5"}},
        {"BIG5",
         Bytes("///aA@\n\n\r\0\xA1\x41\xA4\x40\xA4\x41", 16),
         {u"a", u"@", u"，", u"一", u"乙a", u"一乙"}},
        {"GBK", Bytes("///aA\n\n\r\0\x81\x41\xB0\xA1\xB0", 14), {u"a", u"丄", u"啊", u"啊a"}},
        {"EUC-JP",
         Bytes("///aA\n\n\r\0\x8F\xB0\xA1\xA1\xB0\xB0", 15),
         {u"a", u"丂", u"亜", u"＾", u"亜亜"}},
    };
    std::mt19937 random(7);
    for (const auto& page : pages) {
        const auto codec = CTextCodec::Create(page.codePage);
        ASSERT_TRUE(codec) << page.codePage;
        for (int round = 0; round < 300; ++round) {
            Bytes book;
            const std::size_t size = random() % 200;
            for (std::size_t k = 0; k < size; ++k)
                book += page.alphabet[random() % page.alphabet.size()];
            const CCollect items = Index(book, false, *codec);
            const std::int32_t count = items.table.Count();
            for (const std::u16string& term : page.terms) {
                const CTextSearch search(term, *codec);
                const std::int32_t after =
                    count == 0 ? -1 : static_cast<std::int32_t>(random() % count);
                auto holds = [&](std::int32_t i) {
                    const auto start = static_cast<std::size_t>(items.table[i]);
                    const std::size_t end = i + 1 < count ? items.table[i + 1] : book.size();
                    const STextItem item =
                        CutTextItem(Span(book).subspan(start, end - start), *codec);
                    return CTextSearch::Find(item.title, term) != std::u16string::npos ||
                           CTextSearch::Find(item.body, term) != std::u16string::npos;
                };
                // Forwards and backwards from the selection, the selection itself last.
                std::int32_t next = -1, previous = -1;
                for (std::int32_t k = 1; k <= count && next == -1; ++k)
                    next = holds((after + k) % count) ? (after + k) % count : -1;
                for (std::int32_t k = 1; k <= count && previous == -1; ++k)
                    previous =
                        holds((after - k + count) % count) ? (after - k + count) % count : -1;
                ASSERT_EQ(search.FindNext(Span(book), items.table, false, after), next)
                    << page.codePage << " round " << round << " term " << Utf8(term);
                ASSERT_EQ(search.FindPrevious(Span(book), items.table, false, after), previous)
                    << page.codePage << " round " << round << " term " << Utf8(term);
            }
        }
    }
}

TEST(TextSearchTest, ProgressCanStopALongSearch) {
    Bytes book = "a///x\n";
    book += Bytes(20 << 20, 'y') + "\nb///needle\n";
    const CCollect items = Index(book, false, Cp949());
    int reports = 0;
    const CTextSearch search(u"needle", Cp949());
    EXPECT_EQ(search.FindNext(Span(book), items.table, false, /*after=*/-1,
                              [&](std::int64_t done, std::int64_t total) {
                                  EXPECT_LE(done, total);
                                  return ++reports < 2;
                              }),
              CTextSearch::kCancelled);
    EXPECT_EQ(reports, 2);
    reports = 0;
    EXPECT_EQ(search.FindPrevious(Span(book), items.table, false, 1,
                                  [&](auto, auto) { return ++reports < 2; }),
              CTextSearch::kCancelled);
    EXPECT_EQ(search.FindNext(Span(book), items.table, false, -1, [](auto, auto) { return true; }),
              1);
}

} // namespace

namespace {

TEST(TextSearchTest, ThroughTheBookOfEitherKind) {
    CTempDir dir;
    auto book = CBook::Create();
    std::int32_t found = 0;
    EXPECT_EQ(book->FindText(u"x", -1, found), EBookStatus::CannotOpen);
    EXPECT_EQ(found, -1);
    ASSERT_EQ(book->Open(dir.Write("b.txt", "a///x\n\xC7\xD1///y\n"), EFileKind::MarkedText),
              EBookStatus::Ok);
    EXPECT_EQ(book->FindText(u"한", -1, found), EBookStatus::Ok);
    EXPECT_EQ(found, 1);
    const Bytes cvd = Bytes(74, 'h') + CvdRecord("AB", "x") + CvdRecord("C", "key") + "q";
    ASSERT_EQ(book->Open(dir.Write("b.cvd", cvd), EFileKind::Cvd), EBookStatus::Ok);
    EXPECT_EQ(book->FindText(u"KEY", 1, found), EBookStatus::Ok);
    EXPECT_EQ(found, 1);
}

} // namespace

namespace {

// Code pages whose characters hold ASCII bytes after their first byte, or run to three bytes:
// the item list, the name lookup and the text search of the book all see characters, never the
// bytes of one or the bytes across two.
TEST(TextSearchTest, MatchesWholeCharactersInEveryCodePage) {
    const struct {
        const char* codePage;
        Bytes book;
        std::u16string term; // in the second item's name and text only
    } cases[] = {
        // ア, "，" and 丄 end in 0x41, the letter A.
        {"SHIFT_JIS", "\x83\x41///\x83\x41\nA///A\n", u"a"},
        {"BIG5", "\xA1\x41///\xA1\x41\nA///A\n", u"a"},
        {"GBK", "\x81\x41///\x81\x41\nA///A\n", u"a"},
        // 丂 is 8F B0 A1, whose last two bytes are 亜.
        {"EUC-JP", "\x8F\xB0\xA1///\x8F\xB0\xA1\n\xB0\xA1///\xB0\xA1\n", u"亜"},
        // 亜亜 holds A1 B0, the bytes of ＾, across its two characters.
        {"EUC-JP", "\xB0\xA1\xB0\xA1///\xB0\xA1\xB0\xA1\n\xA1\xB0///\xA1\xB0\n", u"＾"},
    };
    CTempDir dir;
    for (const auto& c : cases) {
        auto book = CBook::Create(c.codePage);
        ASSERT_TRUE(book) << c.codePage;
        const std::string path = dir.Write("b.txt", c.book);
        ASSERT_EQ(book->Open(path, EFileKind::MarkedText), EBookStatus::Ok);
        ASSERT_EQ(book->LastIndex(), 1) << c.codePage;
        EXPECT_EQ(book->Names().FindPrefix(-1, c.term), 1) << c.codePage;
        SFoundItem first;
        STextItem item;
        ASSERT_EQ(book->FindFirst(path, EFileKind::MarkedText, c.term, first, item),
                  EBookStatus::Ok);
        EXPECT_EQ(first.index, 1) << c.codePage;
        std::vector<std::int32_t> holding;
        ASSERT_EQ(book->FindAllText(c.term, holding), EBookStatus::Ok);
        EXPECT_EQ(holding, std::vector<std::int32_t>{1}) << c.codePage;
    }
}

} // namespace
