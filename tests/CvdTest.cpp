#include "Cvd.h"
#include "BinaryFile.h"
#include "Book.h"
#include "BookFixture.h"
#include "CodePage.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <iterator>
#include <optional>
#include <random>
#include <span>

namespace {

Bytes Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

Bytes Header() {
    return Bytes(74, 'H');
}

// One record whose title and body are given whole; the caller drops the body's last byte when
// the next record starts on it.
Bytes Record(const Bytes& title, const Bytes& body) {
    return Bytes("\x00\x02\x00\x02", 4) + Le32(static_cast<std::uint32_t>(title.size())) + title +
           "\x1e\x03" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

// A book of records chained as the format chains them: each body's last byte (a zero) is the
// next record's first byte.
Bytes Book(const std::vector<std::pair<Bytes, Bytes>>& records) {
    Bytes book = Header();
    for (std::size_t i = 0; i < records.size(); ++i) {
        Bytes r = Record(records[i].first, records[i].second);
        if (i + 1 < records.size())
            r.pop_back();
        book += r;
    }
    return book;
}

struct SScan {
    CCollect index;
    std::uint32_t end;
    bool message;
};

SScan Scan(const Bytes& book) {
    SScan s;
    s.end = ScanCvd(Span(book), Cp949(), s.index);
    s.message = CvdEndIsMalformed(s.end, static_cast<std::uint32_t>(book.size()));
    return s;
}

std::optional<std::string> ShowBody(const std::string& path, const CCollect& index,
                                    std::int32_t s) {
    CBinaryFile file;
    EXPECT_TRUE(file.Open(path, CBinaryFile::Mode::Read));
    std::u16string body;
    if (ReadCvdItem(file, index.table, s, index.table.Count() - 1, Cp949(), body) !=
        EItemRead::Shown)
        return std::nullopt;
    return Utf8(body);
}

const Bytes kExample =
    Book({{Bytes("AB\0", 3), Bytes("x\ry\0", 4)}, {Bytes("C\0", 2), Bytes("z\0", 2)}});

TEST(Cvd, WorkedExampleByteForByte) {
    ASSERT_EQ(kExample.size(), 112u);
    const SScan scan = Scan(kExample);
    EXPECT_EQ(scan.index.positions, (std::vector<std::int32_t>{82, 102}));
    EXPECT_EQ(Utf8(scan.index.names[0]), "AB");
    EXPECT_EQ(Utf8(scan.index.names[1]), "C");
    EXPECT_FALSE(scan.message);

    CTempDir dir;
    const std::string path = dir.Write("example.cvd", kExample);
    EXPECT_EQ(ShowBody(path, scan.index, 0), "x\r\ny");
    EXPECT_EQ(ShowBody(path, scan.index, 1), "z");
}

TEST(Cvd, FormatMessageOnlyWhenBytesAreLeftInAnotherFormat) {
    EXPECT_TRUE(Scan("").message);
    for (std::size_t n : {1u, 10u, 73u, 74u}) {
        const SScan short_ = Scan(Bytes(n, '\0'));
        EXPECT_FALSE(short_.message) << n;
        EXPECT_TRUE(short_.index.positions.empty()) << n;
    }
    // One record whose body ends at the file's last byte.
    const SScan one = Scan(Header() + Record(Bytes("T\0", 2), "body"));
    EXPECT_EQ(one.index.positions.size(), 1u);
    EXPECT_FALSE(one.message);
    // One stray byte after the last complete record, then ten.
    const Bytes complete = Book({{Bytes("T\0", 2), Bytes("b\0", 2)}});
    EXPECT_FALSE(Scan(complete + "x").message);
    EXPECT_TRUE(Scan(complete + Bytes(10, 'x')).message);
    // Records laid end to end, not sharing the zero byte: only the first is indexed.
    const Bytes apart = Header() + Record(Bytes("A\0", 2), "ab") + Record(Bytes("B\0", 2), "cd");
    const SScan laid = Scan(apart);
    EXPECT_EQ(laid.index.positions.size(), 1u);
    EXPECT_TRUE(laid.message);
}

// Each check of a record, broken in turn, ends the scan where the format says.
TEST(Cvd, EveryCheckEndsTheScanAtItsOwnPosition) {
    const Bytes good = Book({{Bytes("ABC\0", 4), Bytes("body\0", 5)}, {Bytes("D\0", 2), "zz"}});
    const std::uint32_t p = 74, N = 4;
    struct SBreak {
        std::uint32_t at;
        std::uint32_t end;
    };
    const SBreak breaks[] = {{p, p + 1},
                             {p + 1, p + 2},
                             {p + 2, p + 3},
                             {p + 3, p + 4},
                             {p + 6, p + 7},
                             {p + 7, p + 7},
                             {p + N + 7, p + N + 8},
                             {p + N + 8, p + N + 9},
                             {p + N + 9, p + N + 10},
                             {p + N + 12, p + N + 13},
                             {p + N + 13, p + N + 13}};
    for (const SBreak& b : breaks) {
        Bytes book = good;
        book[b.at] = static_cast<char>(book[b.at] ^ 0x55);
        const SScan scan = Scan(book);
        EXPECT_EQ(scan.end, b.end) << "byte " << b.at;
        EXPECT_TRUE(scan.index.positions.empty()) << "byte " << b.at;
        EXPECT_TRUE(scan.message) << "byte " << b.at;
    }
    const SScan whole = Scan(good);
    EXPECT_EQ(whole.index.positions.size(), 2u);
    EXPECT_FALSE(whole.message);
}

TEST(Cvd, BodiesAsShown) {
    const Bytes book = Book({{Bytes("crlf\0", 5), Bytes("a\r\nb\0", 5)},
                             {Bytes("lf\0", 3), Bytes("a\nb\0", 4)},
                             {Bytes("zero\0", 5), Bytes("ab\0cd\0", 6)},
                             {Bytes("ti\0tle\0", 7), Bytes("x\0", 2)},
                             {Bytes("\xc1\xa6"
                                    "1\xc0\xe5\0",
                                    6),
                              Bytes("\xba\xbd\0", 3)},
                             {Bytes("last\0", 5), "end!"}});
    CTempDir dir;
    const std::string path = dir.Write("bodies.cvd", book);
    const SScan scan = Scan(book);
    ASSERT_EQ(scan.index.positions.size(), 6u);
    EXPECT_FALSE(scan.message);
    EXPECT_EQ(ShowBody(path, scan.index, 0), "a\r\n\nb");
    EXPECT_EQ(ShowBody(path, scan.index, 1), "a\nb");
    EXPECT_EQ(ShowBody(path, scan.index, 2), "ab");
    EXPECT_EQ(Utf8(scan.index.names[3]), "ti");
    EXPECT_EQ(Utf8(scan.index.names[4]), "제1장");
    EXPECT_EQ(ShowBody(path, scan.index, 4), "봄");
    // The last record's final byte, the file's last byte, never shows.
    EXPECT_EQ(ShowBody(path, scan.index, 5), "end");
}

TEST(Cvd, LengthsAtTheirLimits) {
    CTempDir dir;
    // Title length 0 and body length 0: an empty name and an empty body.
    const Bytes empty = Header() + Bytes("\x00\x02\x00\x02", 4) + Le32(0) + "\x1e\x03" + Le32(0);
    const SScan emptyScan = Scan(empty);
    ASSERT_EQ(emptyScan.index.positions.size(), 1u);
    EXPECT_EQ(emptyScan.index.names[0], u"");
    EXPECT_EQ(ShowBody(dir.Write("empty.cvd", empty), emptyScan.index, 0), "");

    // A body length past the end of the file: listed without a message, but not shown.
    const Bytes cut = Header() + Record(Bytes("T\0", 2), "body").substr(0, 18);
    const SScan cutScan = Scan(cut);
    ASSERT_EQ(cutScan.index.positions.size(), 1u);
    EXPECT_FALSE(cutScan.message);
    EXPECT_EQ(ShowBody(dir.Write("cut.cvd", cut), cutScan.index, 0), std::nullopt);

    // The largest lengths the format allows.
    const Bytes big =
        Book({{Bytes(65534, 't') + '\0', Bytes(65534, 'b') + '\0'}, {Bytes("x\0", 2), "y"}});
    const SScan bigScan = Scan(big);
    ASSERT_EQ(bigScan.index.positions.size(), 2u);
    EXPECT_EQ(bigScan.index.names[0].size(), 65534u);
    EXPECT_EQ(ShowBody(dir.Write("big.cvd", big), bigScan.index, 0)->size(), 65534u);
}

TEST(Cvd, ManyRecordsOfEveryTitleShape) {
    const Bytes titles[] = {Bytes(),
                            Bytes("\0", 1),
                            Bytes("a\0", 2),
                            Bytes("ab\0cd\0", 6),
                            Bytes("\xc1\xa6\0", 3),
                            Bytes("\xb0\0", 2),
                            Bytes("x/y\0", 4)};
    std::mt19937 rng(5);
    std::vector<std::pair<Bytes, Bytes>> records;
    for (int i = 0; i < 20001; ++i)
        records.push_back({titles[rng() % std::size(titles)], Bytes(rng() % 40, 'b') + '\0'});
    const Bytes book = Book(records);
    for (const Bytes& tail : {Bytes(), Bytes(20, '\x7f')}) {
        const SScan scan = Scan(book + tail);
        EXPECT_EQ(scan.index.positions.size(), records.size());
        EXPECT_EQ(scan.message, !tail.empty());
    }
}

// Looking one name up must find what the whole index finds, with the scan's end.
TEST(Cvd, LookupAgreesWithTheWholeIndex) {
    const Bytes titles[] = {Bytes(),           Bytes("\0", 1),     Bytes("ab\0", 3),
                            Bytes("AB\0", 3),  Bytes("\0ab\0", 4), Bytes("\xb0\xa1\0", 3),
                            Bytes("a\0b\0", 4)};
    const std::u16string terms[] = {u"", u"a", u"Ab", u"b", u"\uac00", u"abc"};
    std::mt19937 rng(9);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::pair<Bytes, Bytes>> records;
        for (int i = rng() % 8; i > 0; --i)
            records.push_back({titles[rng() % std::size(titles)], Bytes(rng() % 5, 'b') + '\0'});
        const Bytes book = Book(records) + (round % 3 ? Bytes() : Bytes(12, '\x7f'));
        const SScan scan = Scan(book);
        const auto last = static_cast<std::int32_t>(scan.index.positions.size()) - 1;
        for (const std::u16string& term : terms) {
            std::uint32_t end = 0;
            const SFoundItem found = FindCvdItem(Span(book), Cp949(), term, end);
            std::int32_t want = -1;
            for (std::int32_t i = 0; i <= last && want < 0; ++i)
                if (NameBeginsWith(scan.index.names[i], term))
                    want = i;
            ASSERT_EQ(end, scan.end) << "round " << round;
            ASSERT_EQ(found.index, want) << "round " << round;
            ASSERT_EQ(found.last, last) << "round " << round;
            if (want < 0)
                continue;
            EXPECT_EQ(found.name, scan.index.names[want]);
            EXPECT_EQ(found.start, static_cast<std::uint32_t>(scan.index.positions[want]));
            EXPECT_EQ(found.end, want < last ? scan.index.positions[want + 1] : book.size());
        }
    }
}

// A name of ASCII bytes alone is widened without the code page, others converted in place where
// the code page allows: each must read as converting it does, in every code page, those that
// compose characters or change ASCII included.
TEST(Cvd, AsciiNamesReadAsTheirConversion) {
    const Bytes titles[] = {Bytes("Apple pie\0", 10),       Bytes("a\0b\0", 4),
                            Bytes("~\\[]\x7f\0", 6),        Bytes("Cafe\xcc\x81\0", 7),
                            Bytes("\xb0\xa1x\0", 4),        Bytes("abcdefghij\0\xb0\xa1\0", 14),
                            Bytes("abcdefg\xb0\xa1\0", 10), Bytes("abcdefgh\1\0", 10)};
    std::vector<std::pair<Bytes, Bytes>> records;
    for (const Bytes& title : titles)
        records.push_back({title, Bytes("b\0", 2)});
    const Bytes book = Book(records);
    CTempDir dir;
    const std::string path = dir.Write("book.cvd", book);
    for (const char* name :
         {"CP949", "UTF-8", "CP1252", "CP1258", "SHIFT_JISX0213", "SHIFT_JIS", "UTF-16LE"}) {
        const auto codec = CTextCodec::Create(name);
        ASSERT_TRUE(codec) << name;
        CCollect index;
        ScanCvd(Span(book), *codec, index);
        // The book's own index, which converts names in place where the code page allows.
        const auto opened = CBook::Create(name);
        if (opened) {
            ASSERT_EQ(opened->Open(path, EFileKind::Cvd), EBookStatus::Ok) << name;
        }
        ASSERT_EQ(index.names.size(), std::size(titles)) << name;
        for (std::size_t i = 0; i < std::size(titles); ++i) {
            const Bytes& title = titles[i];
            const std::u16string want =
                codec->DecodeThroughIconv(std::string_view(title).substr(0, title.size() - 1));
            EXPECT_EQ(index.names[i], want) << name << " title " << i;
            if (opened) {
                EXPECT_EQ(opened->Names().Name(static_cast<std::int32_t>(i)), want)
                    << name << " title " << i;
            }
        }
    }
}

// A book scanned as two parts must give what one scan gives: items, end and UTF-8 evidence;
// also where the record found near the middle is a fake inside a body, where the book breaks
// before the middle, and where the evidence lies only in the second part.
TEST(Cvd, TwoPartsFindWhatOneScanFinds) {
    const Bytes fakes = Book({{Bytes("f\0", 2), Bytes("g\0", 2)},
                              {Bytes("f\0", 2), Bytes("g\0", 2)},
                              {Bytes("f\0", 2), Bytes("g\0", 2)},
                              {Bytes("f\0", 2), Bytes("g\0", 2)},
                              {Bytes("f\0", 2), Bytes("g\0", 2)}})
                            .substr(74);
    const Bytes titles[] = {Bytes("ab\0", 3), Bytes("\xb0\xa1\0", 3), Bytes("\0x\0", 3),
                            Bytes("abcdefghij\0", 11)};
    std::mt19937 rng(3);
    std::vector<std::pair<std::string, Bytes>> books;
    for (const std::size_t pad : {0, 300, 600, 900, 1200}) {
        std::vector<std::pair<Bytes, Bytes>> records;
        for (int i = 0; i < 40; ++i)
            records.push_back({titles[rng() % 4], Bytes(rng() % 20, 'b') + '\0'});
        records.push_back({Bytes("big\0", 4), Bytes(pad, 'x') + fakes + Bytes(900, 'y') + '\0'});
        for (int i = 0; i < 40; ++i)
            records.push_back({titles[rng() % 4], Bytes(rng() % 20, 'b') + '\0'});
        const std::string why = "fake record in a body, padded by " + std::to_string(pad);
        books.push_back({why, Book(records)});
        const Bytes book = Book(records);
        books.push_back({why + ", broken early",
                         book.substr(0, book.size() / 3) + "junk" + book.substr(book.size() / 3)});
        books.push_back({why + ", a fake chain to the end", book + fakes});
    }
    std::vector<std::pair<Bytes, Bytes>> late;
    for (int i = 0; i < 200; ++i)
        late.push_back({Bytes("t\0", 2), Bytes("b\0", 2)});
    for (const auto& [title, body] :
         {std::pair{"\xea\xb0\x80" + Bytes(1, '\0'), Bytes("b\0", 2)},
          std::pair{Bytes("\xb0\xa1\0", 3), Bytes("b\0", 2)},
          std::pair{Bytes("t\0", 2), "\xea\xb0\x80" + Bytes(1, '\0')}}) {
        std::vector<std::pair<Bytes, Bytes>> records = late;
        records.push_back({title, body});
        books.push_back({"evidence in the second part", Book(records)});
    }
    for (const auto& [why, book] : books) {
        for (const char* name : {"CP949", "UTF-8"}) {
            const auto codec = CTextCodec::Create(name);
            CCollect one, two;
            SCvdUtf8Evidence oneEvidence, twoEvidence;
            const std::uint32_t oneEnd =
                ScanCvd(Span(book), *codec, one, &oneEvidence, book.size() + 1);
            const std::uint32_t twoEnd = ScanCvd(Span(book), *codec, two, &twoEvidence, 1);
            ASSERT_EQ(twoEnd, oneEnd) << why << " " << name;
            ASSERT_EQ(two.positions, one.positions) << why << " " << name;
            ASSERT_EQ(two.names, one.names) << why << " " << name;
            EXPECT_EQ(twoEvidence.titlesRefuted, oneEvidence.titlesRefuted) << why;
            EXPECT_EQ(twoEvidence.titlesNonAscii, oneEvidence.titlesNonAscii) << why;
            EXPECT_EQ(twoEvidence.bodiesLookUtf8, oneEvidence.bodiesLookUtf8) << why;
        }
    }
}

// The walk from the middle tells of the bytes it leaves behind and never reads them again:
// bytes spoilt as soon as they are told change nothing, and the ranges lie in order after the
// middle, a few MiB at a time.
TEST(Cvd, SecondPartDoesNotReadWhatItHasPassed) {
    std::vector<std::pair<Bytes, Bytes>> records;
    for (int i = 0; i < 40000; ++i)
        records.push_back({"name" + std::to_string(i) + '\0', Bytes(300 + i % 200, 'b') + '\0'});
    const Bytes book = Book(records);
    CCollect want;
    const std::uint32_t end = ScanCvd(Span(book), Cp949(), want, nullptr, book.size() + 1);
    Bytes spoilt = book;
    std::vector<std::pair<std::size_t, std::size_t>> told;
    CCollect got;
    EXPECT_EQ(ScanCvd(Span(spoilt), Cp949(), got, nullptr, 1,
                      [&](std::size_t from, std::size_t to) {
                          std::fill(spoilt.begin() + from, spoilt.begin() + to, '\xff');
                          told.emplace_back(from, to);
                      }),
              end);
    EXPECT_EQ(got.positions, want.positions);
    EXPECT_EQ(got.names, want.names);
    ASSERT_GE(told.size(), 2u);
    EXPECT_GT(told.front().first, book.size() / 3);
    for (std::size_t i = 1; i < told.size(); ++i)
        EXPECT_EQ(told[i].first, told[i - 1].second);
    EXPECT_LE(told.back().second, book.size());
}

TEST(Cvd, ReCheckRejectsABookThatChanged) {
    CTempDir dir;
    const std::string path = dir.Write("book.cvd", kExample);
    const CCollect index = Scan(kExample).index;
    dir.Write("book.cvd", Bytes(112, '\x1e'));
    EXPECT_EQ(ShowBody(path, index, 0), std::nullopt);
    dir.Write("book.cvd", kExample.substr(0, 90));
    EXPECT_EQ(ShowBody(path, index, 1), std::nullopt);
    dir.Write("book.cvd", "");
    EXPECT_EQ(ShowBody(path, index, 0), std::nullopt);
}

TEST(Cvd, Utf8EvidenceFromTitlesAndFirstBodies) {
    EXPECT_TRUE(CvdLooksUtf8(Span(Book({{"\xea\xb0\x80" + Bytes(1, '\0'), Bytes("b\0", 2)}}))));
    EXPECT_TRUE(CvdLooksUtf8(Span(Book({{Bytes("T\0", 2), "\xea\xb0\x80" + Bytes(1, '\0')}}))));
    EXPECT_FALSE(
        CvdLooksUtf8(Span(Book({{Bytes("\xb0\xa1\0", 3), "\xea\xb0\x80" + Bytes(1, '\0')}}))));
    EXPECT_FALSE(CvdLooksUtf8(Span(kExample)));
}

// Choosing the code page on the scan's way must give what choosing it first by a walk of its
// own gives: the code page, the end, every position and name; whatever the guess from the
// first bytes was.
void ExpectChoiceAsSeparate(const Bytes& book, const std::string& why) {
    static const auto page = CCodePage::Create();
    const bool looksUtf8 = CvdLooksUtf8(Span(book));
    CCollect want;
    const std::uint32_t end = ScanCvd(Span(book), page->CodecFor(looksUtf8), want);
    for (const std::size_t guess : {std::size_t{0}, std::size_t{90}, kCvdGuessBytes}) {
        std::optional<CCollect> got;
        int sinks = 0;
        const SCvdScan scan = ScanCvdChoosingCodePage(
            Span(book), *page,
            [&]() -> CItemSink& {
                ++sinks;
                return got.emplace();
            },
            guess);
        const std::string where = why + ", guess " + std::to_string(guess);
        ASSERT_EQ(scan.looksUtf8, looksUtf8) << where;
        ASSERT_EQ(scan.end, end) << where;
        ASSERT_LE(sinks, 2) << where;
        ASSERT_EQ(got->positions, want.positions) << where;
        ASSERT_EQ(got->names, want.names) << where;
    }
    // The book's own Open, whose index takes ASCII names in place.
    static const CTempDir dir;
    const auto opened = CBook::Create();
    const bool malformed = CvdEndIsMalformed(end, static_cast<std::uint32_t>(book.size()));
    ASSERT_EQ(opened->Open(dir.Write("book.cvd", book), EFileKind::Cvd),
              malformed ? EBookStatus::CvdFormat : EBookStatus::Ok)
        << why;
    EXPECT_EQ(opened->Codec().Name(), page->CodecFor(looksUtf8).Name()) << why;
    ExpectIndex(*opened, want, why);
}

TEST(Cvd, CodePageChosenOnTheScansWayAsBeforeIt) {
    const Bytes utf8("\xea\xb0\x80\0", 4), cp949("\xb0\xa1\0", 3), ascii("ab\0", 3);
    const Bytes body("b\0", 2);
    auto many = [](const Bytes& title, const Bytes& b, int n) {
        return std::vector<std::pair<Bytes, Bytes>>(n, {title, b});
    };
    auto join = [](std::vector<std::pair<Bytes, Bytes>> a,
                   const std::vector<std::pair<Bytes, Bytes>>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    // Bodies past the first MiB are not weighed.
    const Bytes big = Bytes(65533, 'b') + '\0';
    const Bytes kilobyte = Bytes(1000, 'b') + '\0';
    static_assert(18000 * 1000 > kCvdSplitBytes);
    const struct {
        const char* why;
        Bytes book;
    } cases[] = {
        {"ASCII titles, UTF-8 bodies", Book(many(ascii, utf8, 20))},
        {"UTF-8 titles", Book(many(utf8, body, 20))},
        {"CP949 titles", Book(many(cp949, utf8, 20))},
        {"UTF-8 titles, then a CP949 one", Book(join(many(utf8, body, 20), many(cp949, body, 1)))},
        {"ASCII titles, then a UTF-8 one", Book(join(many(ascii, body, 20), many(utf8, body, 1)))},
        {"ASCII titles, then a UTF-8 body",
         Book(join(many(ascii, body, 20), many(ascii, utf8, 1)))},
        {"UTF-8 after a title's zero byte",
         Book(join(many(ascii, body, 9), many("a\0" + utf8, body, 1)))},
        {"UTF-8 titles, then another format", Book(many(utf8, body, 20)) + Bytes(30, '\xb0')},
        {"UTF-8 title cut short", Book(many(utf8, body, 20)).substr(0, 400)},
        {"a UTF-8 body past the first MiB", Book(join(many(ascii, big, 17), many(ascii, utf8, 1)))},
        {"a book walked as two parts, its index taking the second's names whole",
         Book(join(many(ascii, kilobyte, 9000), many(cp949, kilobyte, 9000)))},
    };
    for (const auto& c : cases)
        ExpectChoiceAsSeparate(c.book, c.why);

    const Bytes titles[] = {ascii, ascii, ascii,         Bytes(),           Bytes("\0", 1),
                            utf8,  cp949, "a\0" + cp949, Bytes("\xff\0", 2)};
    const Bytes bodies[] = {body, body, utf8, cp949};
    std::mt19937 rng(14);
    for (int round = 0; round < 400; ++round) {
        std::vector<std::pair<Bytes, Bytes>> records;
        for (int i = rng() % 30; i > 0; --i)
            records.push_back({titles[rng() % (round % 2 ? 5 : std::size(titles))],
                               bodies[rng() % std::size(bodies)]});
        const Bytes book = Book(records) + (round % 5 ? Bytes() : Bytes(rng() % 20, '\x1e'));
        ExpectChoiceAsSeparate(book, "round " + std::to_string(round));
    }
}

} // namespace
