#include "BinaryFile.h"
#include "BookFile.h"
#include "BookFixture.h"
#include "Cvd.h"
#include "MarkedText.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

// Books built to break the numbers: CVD lengths at and past their limits, a million empty
// items, a 100 MB line, a book of markers only. Each is indexed from its file as the reader
// builds it and its items are read back as the reader shows them.
namespace {

Bytes Le32(std::uint32_t v) {
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

// A record with the lengths written as given, whatever the bytes that follow.
Bytes Record(std::uint32_t titleLength, const Bytes& title, std::uint32_t bodyLength,
             const Bytes& body) {
    return Bytes("\x00\x02\x00\x02", 4) + Le32(titleLength) + title + "\x1e\x03" +
           Le32(bodyLength) + body;
}
Bytes Record(const Bytes& title, const Bytes& body) {
    return Record(static_cast<std::uint32_t>(title.size()), title,
                  static_cast<std::uint32_t>(body.size()), body);
}

const Bytes kHeader(74, 'H');

// The index of a book file and the bodies of the items shown (nullopt where the display's
// re-check passes the item over): every item, or those listed in shown.
struct SCvdBook {
    std::vector<std::u16string> names;
    bool formatMessage = false;
    std::vector<std::optional<std::u16string>> bodies;
};

SCvdBook OpenCvd(const CTempDir& dir, const Bytes& bytes, std::vector<std::int32_t> shown = {}) {
    const std::string path = dir.Write("book.cvd", bytes);
    SBookBytes book;
    EXPECT_EQ(ReadWholeBook(path, book), EReadBook::Ok);
    CCollect index;
    const std::uint32_t end = ScanCvd({book.data.get(), book.size}, Cp949(), index);
    SCvdBook out{index.names, CvdEndIsMalformed(end, book.size), {}};
    if (shown.empty())
        for (std::int32_t s = 0; s < index.table.Count(); ++s)
            shown.push_back(s);
    for (std::int32_t s : shown) {
        CBinaryFile file;
        EXPECT_TRUE(file.Open(path, CBinaryFile::Mode::Read));
        std::u16string body;
        const EItemRead result =
            ReadCvdItem(file, index.table, s, index.table.Count() - 1, Cp949(), body);
        EXPECT_TRUE(result == EItemRead::Shown || result == EItemRead::Malformed);
        out.bodies.push_back(result == EItemRead::Shown ? std::optional(body) : std::nullopt);
    }
    return out;
}

struct SCvdCase {
    const char* name;
    Bytes book;
    std::vector<std::u16string> names;
    bool formatMessage;
    std::vector<std::optional<std::u16string>> bodies;
};

// Cases print by their names, in test names and failures alike.
void PrintTo(const SCvdCase& c, std::ostream* os) {
    *os << c.name;
}

// Texts as compared: a long run of one character prints as its length and the character.
std::string Summary(const std::optional<std::u16string>& text) {
    if (!text)
        return "(not shown)";
    if (text->size() > 16 && text->find_first_not_of(text->front()) == std::u16string::npos)
        return std::to_string(text->size()) + " x " + Utf8(text->substr(0, 1));
    return '"' + Utf8(*text) + '"';
}
template <class Texts> std::vector<std::string> Summary(const Texts& texts) {
    std::vector<std::string> out;
    for (const auto& text : texts)
        out.push_back(Summary(std::optional<std::u16string>(text)));
    return out;
}

class CvdLengths : public testing::TestWithParam<SCvdCase> {};

TEST_P(CvdLengths, IndexAndDisplayStayInsideTheFile) {
    const SCvdCase& c = GetParam();
    CTempDir dir;
    const SCvdBook book = OpenCvd(dir, c.book);
    EXPECT_EQ(Summary(book.names), Summary(c.names));
    EXPECT_EQ(book.formatMessage, c.formatMessage);
    EXPECT_EQ(Summary(book.bodies), Summary(c.bodies));
}

const std::u16string kMaxTitle(65534, u't');
const std::u16string kMaxBody(65534, u'b');

INSTANTIATE_TEST_SUITE_P(
    Hostile, CvdLengths,
    testing::Values(
        SCvdCase{"Zero", kHeader + Record(0, "", 0, ""), {u""}, false, {u""}},
        // A length of 1 holds only the byte taken as zero.
        SCvdCase{"One", kHeader + Record(Bytes(1, '\0'), "B"), {u""}, false, {u""}},
        SCvdCase{"Max",
                 kHeader + Record(Bytes(65534, 't') + '\0', Bytes(65534, 'b') + '\0') +
                     Record(Bytes(1, '\0'), "y").substr(1),
                 {kMaxTitle, u""},
                 false,
                 {kMaxBody, u""}},
        // A body length past the end: listed without a message, never shown.
        SCvdCase{"BodyPastTheEndByOne",
                 kHeader + Record(2, Bytes("T\0", 2), 5, "body"),
                 {u"T"},
                 false,
                 {std::nullopt}},
        SCvdCase{"BodyPastTheEndBy65535",
                 kHeader + Record(2, Bytes("T\0", 2), 65535, ""),
                 {u"T"},
                 false,
                 {std::nullopt}},
        SCvdCase{"SecondBodyPastTheEnd",
                 kHeader + Record(Bytes("A\0", 2), Bytes("one\0", 4)).substr(0, 19) +
                     Record(2, Bytes("B\0", 2), 65535, "two"),
                 {u"A", u"B"},
                 false,
                 {u"one", std::nullopt}},
        // A title length past its bytes fails a check inside the file: the format message.
        SCvdCase{
            "TitlePastItsBytesByOne", kHeader + Record(3, Bytes("T\0", 2), 2, "b\0"), {}, true, {}},
        // Past the end of the file the checks fail for want of data: no item, no message.
        SCvdCase{"TitlePastTheEndBy65535",
                 kHeader + Record(65535, "", 0, "").substr(0, 8),
                 {},
                 false,
                 {}}),
    [](const testing::TestParamInfo<SCvdCase>& info) { return std::string(info.param.name); });

TEST(HostileBook, MillionEmptyItems) {
    CTempDir dir;
    constexpr std::int32_t kItems = 1'000'000;
    // Marked text: a million head lines with neither name nor body.
    Bytes text;
    for (std::int32_t i = 0; i < kItems; ++i)
        text += "///\n";
    const std::string textPath = dir.Write("empty.txt", text);
    CCollect textIndex;
    ScanMarkedText(Span(text), Cp949(), textIndex);
    ASSERT_EQ(textIndex.table.Count(), kItems);
    EXPECT_EQ(textIndex.positions.back(), 4 * (kItems - 1));
    for (std::int32_t s : {0, kItems / 2, kItems - 1}) {
        CBinaryFile file;
        ASSERT_TRUE(file.Open(textPath, CBinaryFile::Mode::Read));
        STextItem item;
        ASSERT_EQ(ReadTextItem(file, textIndex.table, s, kItems - 1, Cp949(), item),
                  EItemRead::Shown);
        EXPECT_EQ(item.title, u"");
        EXPECT_EQ(item.body, u"\n");
    }

    // CVD: a million records with both lengths 0, each 13 bytes on from the last.
    Bytes cvd = kHeader;
    const Bytes empty = Record(0, "", 0, "");
    for (std::int32_t i = 0; i < kItems; ++i)
        cvd += empty.substr(0, 13);
    cvd += '\0';
    const SCvdBook book = OpenCvd(dir, cvd, {0, kItems / 2, kItems - 1});
    ASSERT_EQ(book.names.size(), static_cast<std::size_t>(kItems));
    EXPECT_FALSE(book.formatMessage);
    EXPECT_EQ(book.bodies, (std::vector<std::optional<std::u16string>>(3, u"")));
}

TEST(HostileBook, HundredMegabyteLine) {
    CTempDir dir;
    constexpr std::size_t kLine = 100u << 20;
    const std::string path = dir.Write("line.txt", "name///" + Bytes(kLine, 'x') + "\n");
    SBookBytes book;
    ASSERT_EQ(ReadWholeBook(path, book), EReadBook::Ok);
    CCollect index;
    ScanMarkedText({book.data.get(), book.size}, Cp949(), index);
    ASSERT_EQ(index.names, std::vector<std::u16string>{u"name"});
    book.data.reset();

    CBinaryFile file;
    ASSERT_TRUE(file.Open(path, CBinaryFile::Mode::Read));
    STextItem item;
    ASSERT_EQ(ReadTextItem(file, index.table, 0, 0, Cp949(), item), EItemRead::Shown);
    EXPECT_EQ(item.title, u"name");
    ASSERT_EQ(item.body.size(), kLine + 1);
    EXPECT_EQ(item.body.back(), u'\n');

    // The same line with its marker last names the item with all of it; without a line
    // feed it is no line at all.
    const Bytes named = Bytes(kLine, 'x') + "///\n";
    CCollect longName;
    ScanMarkedText(Span(named), Cp949(), longName);
    ASSERT_EQ(longName.names.size(), 1u);
    EXPECT_EQ(longName.names[0].size(), kLine);
    CCollect unended;
    ScanMarkedText(Span(named).first(named.size() - 1), Cp949(), unended);
    EXPECT_TRUE(unended.names.empty());
}

TEST(HostileBook, OnlyMarkers) {
    CTempDir dir;
    // The last "///" has no line feed: it is no head line but the last item's body.
    const Bytes bytes = "///\n//////\n/////\n///";
    const std::string path = dir.Write("markers.txt", bytes);
    CCollect index;
    ScanMarkedText(Span(bytes), Cp949(), index);
    EXPECT_EQ(index.positions, (std::vector<std::int32_t>{0, 4, 11}));
    EXPECT_EQ(index.names, (std::vector<std::u16string>{u"", u"", u""}));
    const std::u16string bodies[] = {u"\n", u"///\n", u"//\n///"};
    for (std::int32_t s = 0; s < 3; ++s) {
        CBinaryFile file;
        ASSERT_TRUE(file.Open(path, CBinaryFile::Mode::Read));
        STextItem item;
        ASSERT_EQ(ReadTextItem(file, index.table, s, 2, Cp949(), item), EItemRead::Shown);
        EXPECT_EQ(item.title, u"");
        EXPECT_EQ(item.body, bodies[s]);
    }
}

// A CVD book cut short by another program while its bytes are held for the build: the records
// in the pages it kept are indexed, the lost pages read as zeros, so the scan stops at the cut
// and the format message comes, and nothing past the held bytes is touched. A book of a few MiB
// may be mapped 2 MiB to an entry, which the cut breaks up.
TEST(HostileBook, CvdShortenedWhileHeld) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (const std::size_t size : {4 * page, std::size_t{3} << 20}) {
        SCOPED_TRACE(size);
        CTempDir dir;
        // Each body's last byte is the zero that opens the next record.
        Bytes bytes = kHeader + Record(Bytes("n0\0", 3), Bytes(100, 'b') + '\0');
        for (int i = 1; bytes.size() < size; ++i) {
            Bytes title = std::to_string(i);
            title.insert(title.begin(), 'n');
            title += '\0';
            bytes += Record(title, Bytes(100, 'b') + '\0').substr(1);
        }
        const std::string path = dir.Write("book.cvd", bytes);
        SBookBytes book;
        ASSERT_EQ(ReadWholeBook(path, book), EReadBook::Ok);
        {
            CCollect whole;
            EXPECT_FALSE(CvdEndIsMalformed(ScanCvd({book.data.get(), book.size}, Cp949(), whole),
                                           book.size));
            EXPECT_GT(whole.table.Count(), 100);
        }
        std::filesystem::resize_file(path, page);

        CCollect index;
        const std::uint32_t end = ScanCvd({book.data.get(), book.size}, Cp949(), index);
        EXPECT_TRUE(CvdEndIsMalformed(end, book.size));
        EXPECT_LE(end, page + 120); // within the record the cut went through
        ASSERT_FALSE(index.names.empty());
        EXPECT_EQ(index.names.front(), u"n0");
        EXPECT_LT(index.table[index.table.Count() - 1], static_cast<std::int32_t>(page));
    }
}

// The guard for held books takes only the faults of their pages: any other SIGBUS still ends
// the process, and a handler the program had before still gets it.
TEST(HostileBookDeathTest, OtherBusErrorsKeepTheirHandling) {
    CTempDir dir;
    const std::string path = dir.Write("book.txt", "a///b\n");
    EXPECT_EXIT(
        {
            SBookBytes book;
            ReadWholeBook(path, book);
            std::raise(SIGBUS);
        },
        // Killed by the default action, or (in a sanitizer build) ended by its report.
        [](int status) {
            return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS : WEXITSTATUS(status) != 0;
        },
        "");
    EXPECT_EXIT(
        {
            std::signal(SIGBUS, [](int) { std::_Exit(7); });
            SBookBytes book;
            ReadWholeBook(path, book);
            std::raise(SIGBUS);
        },
        testing::ExitedWithCode(7), "");
}

} // namespace
