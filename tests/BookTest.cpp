#include "Book.h"
#include "BackgroundOpen.h"
#include "BookFixture.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

// The two-item CVD book: item 0 "AB" with body x CR y, item 1 "C" with body z.
const Bytes kCvd = Bytes(74, 'H') +
                   Bytes("\x00\x02\x00\x02\x03\0\0\0AB\0\x1e\x03\x04\0\0\0x\ry", 20) +
                   Bytes("\x00\x02\x00\x02\x02\0\0\0C\0\x1e\x03\x02\0\0\0z\0", 18);
const Bytes kCp949 = "x\n\xc1\xa6"
                     "1\xc0\xe5///\xba\xbd\r\nline\r\nb///\n";

std::string Read(const CBook& book, std::int32_t s, EBookStatus want = EBookStatus::Ok) {
    STextItem item{u"before", u"before"};
    EXPECT_EQ(book.ReadItem(s, item), want) << "item " << s;
    return Utf8(item.title) + "|" + Utf8(item.body);
}

TEST(Book, FileKindFromTheExtensionInLowerCase) {
    const std::pair<const char*, EFileKind> kinds[] = {
        {"a.txt", EFileKind::MarkedText},  {"a.TxT", EFileKind::MarkedText},
        {"a.cvd", EFileKind::Cvd},         {"/x/b.CVD", EFileKind::Cvd},
        {"a.log", EFileKind::OtherText},   {"a", EFileKind::OtherText},
        {"a.", EFileKind::OtherText},      {"a.cvd.txt", EFileKind::MarkedText},
        {"d.cvd/a", EFileKind::OtherText}, {"a.cvdx", EFileKind::OtherText},
    };
    for (const auto& [path, kind] : kinds)
        EXPECT_EQ(FileKindOf(path), kind) << path;
}

TEST(Book, BuildsAndReadsBothKinds) {
    CTempDir dir;
    auto book = CBook::Create();
    EXPECT_EQ(book->LastIndex(), 0);
    Read(*book, 0, EBookStatus::CannotOpen); // before any book

    ASSERT_EQ(book->Open(dir.Write("a.log", kCp949), EFileKind::OtherText), EBookStatus::Ok);
    EXPECT_EQ(book->LastIndex(), 1);
    EXPECT_EQ(book->Offsets()[1], 20);
    EXPECT_EQ(Utf8(std::u16string(book->Names().Name(0))), "제1장");
    EXPECT_EQ(Read(*book, 0), "제1장|봄\r\nline\r\n");
    EXPECT_EQ(Read(*book, 1), "b|\n");
    EXPECT_EQ(Read(*book, 2, EBookStatus::NoSelection), "before|before");
    EXPECT_EQ(Read(*book, -1, EBookStatus::NoSelection), "before|before");

    ASSERT_EQ(book->Open(dir.Write("a.cvd", kCvd), EFileKind::Cvd), EBookStatus::Ok);
    EXPECT_EQ(book->Kind(), EFileKind::Cvd);
    EXPECT_EQ(book->LastIndex(), 1);
    EXPECT_EQ(book->Offsets()[0], 82);
    EXPECT_EQ(book->Offsets()[1], 102);
    EXPECT_EQ(Read(*book, 0), "AB|x\r\ny");
    EXPECT_EQ(Read(*book, 1), "C|z");

    // Ten bytes in another format: the items before them stay indexed.
    ASSERT_EQ(book->Open(dir.Write("b.cvd", kCvd + Bytes(10, 'x')), EFileKind::Cvd),
              EBookStatus::CvdFormat);
    EXPECT_EQ(book->LastIndex(), 1);
    EXPECT_EQ(book->Path(), dir.Path("b.cvd"));

    ASSERT_EQ(book->Open(dir.Write("empty.txt", "no items\n"), EFileKind::MarkedText),
              EBookStatus::Ok);
    EXPECT_EQ(book->LastIndex(), -1);
    EXPECT_EQ(book->Names().Count(), 0);
    Read(*book, 0, EBookStatus::NoSelection);
}

TEST(Book, FailedBuildKeepsThePreviousBookWhole) {
    CTempDir dir;
    auto book = CBook::Create();
    const std::string path = dir.Write("a.cvd", kCvd);
    ASSERT_EQ(book->Open(path, EFileKind::Cvd), EBookStatus::Ok);
    const CItemNames& names = book->Names();
    const COffsetTable& offsets = book->Offsets();
    for (const std::string& bad : {dir.Path("missing.txt"), dir.Path("")}) {
        EXPECT_EQ(book->Open(bad, EFileKind::MarkedText), EBookStatus::FileMissing) << bad;
        EXPECT_EQ(book->Path(), path);
        EXPECT_EQ(book->Kind(), EFileKind::Cvd);
        EXPECT_EQ(book->LastIndex(), 1);
        EXPECT_EQ(Read(*book, 0), "AB|x\r\ny");
    }
    // A view may hold on to the names and the table: they are replaced in place.
    ASSERT_EQ(book->Open(dir.Write("b.txt", "n///b\n"), EFileKind::MarkedText), EBookStatus::Ok);
    EXPECT_EQ(&names, &book->Names());
    EXPECT_EQ(&offsets, &book->Offsets());
    EXPECT_EQ(names.Name(0), u"n");
    EXPECT_EQ(offsets.Count(), 1);
}

TEST(Book, ItemsOfABookThatChangedOnDisk) {
    CTempDir dir;
    auto book = CBook::Create();
    const std::string txt = dir.Write("a.txt", "a///1\nb///2\n");
    ASSERT_EQ(book->Open(txt, EFileKind::MarkedText), EBookStatus::Ok);
    std::filesystem::resize_file(txt, 3);
    Read(*book, 1, EBookStatus::PositionNotFound);
    std::filesystem::remove(txt);
    Read(*book, 0, EBookStatus::CannotOpen);

    const std::string cvd = dir.Write("a.cvd", kCvd);
    ASSERT_EQ(book->Open(cvd, EFileKind::Cvd), EBookStatus::Ok);
    std::filesystem::resize_file(cvd, 90);
    EXPECT_EQ(Read(*book, 0, EBookStatus::Malformed), "before|before");
}

TEST(Book, CodePageIsChosenPerBookUnlessForced) {
    CTempDir dir;
    const std::string utf8 = dir.Write("u.txt", "제1장///봄\n");
    const std::string cp949 = dir.Write("k.txt", kCp949);
    auto book = CBook::Create();
    ASSERT_EQ(book->Open(utf8, EFileKind::MarkedText), EBookStatus::Ok);
    EXPECT_EQ(book->Codec().Name(), "UTF-8");
    EXPECT_EQ(book->Open(dir.Path("missing"), EFileKind::MarkedText), EBookStatus::FileMissing);
    EXPECT_EQ(book->Codec().Name(), "UTF-8"); // the code page goes with the book kept
    ASSERT_EQ(book->Open(cp949, EFileKind::MarkedText), EBookStatus::Ok);
    EXPECT_EQ(book->Codec().Name(), "CP949");
    EXPECT_EQ(Read(*book, 0), "제1장|봄\r\nline\r\n");

    auto forced = CBook::Create("EUC-KR");
    ASSERT_EQ(forced->Open(utf8, EFileKind::MarkedText), EBookStatus::Ok);
    EXPECT_EQ(forced->Codec().Name(), "EUC-KR");
    EXPECT_FALSE(CBook::Create("NOT-A-CODE-PAGE"));
    EXPECT_EQ(CodePageFit("NOT-A-CODE-PAGE"), ECodePageFit::Unknown);
    // Line and marker rules are byte rules: a code page whose line feed or '/' is another
    // byte, or more than one, is refused; stateful 8-bit ones are read line by line.
    for (const char* refused :
         {"UTF-16", "UTF-16BE", "UTF-32LE", "UCS-2", "UCS-4", "IBM037", "IBM500", "EBCDIC-US"}) {
        EXPECT_FALSE(CBook::Create(refused)) << refused;
        EXPECT_EQ(CodePageFit(refused), ECodePageFit::NotByteText) << refused;
    }
    for (const char* read : {"CP949", "UTF-8", "CP1258", "ISO-2022-KR", "UTF-7", "GB18030"}) {
        EXPECT_TRUE(CBook::Create(read)) << read;
        EXPECT_EQ(CodePageFit(read), ECodePageFit::Ok) << read;
    }
}

// A build on its own thread ends as one on the caller's: same status, names, code page.
TEST(Book, BackgroundOpenEndsAsAnOpenWould) {
    CTempDir dir;
    const std::string cp949 = dir.Write("k.txt", kCp949);
    const std::string cvd = dir.Write("b.cvd", kCvd);
    const struct {
        std::string path;
        EFileKind kind;
        std::string codePage;
        EBookStatus status;
        std::string codec;
    } cases[] = {
        {cp949, EFileKind::MarkedText, "", EBookStatus::Ok, "CP949"},
        {cp949, EFileKind::MarkedText, "EUC-KR", EBookStatus::Ok, "EUC-KR"},
        {cvd, EFileKind::Cvd, "", EBookStatus::Ok, "CP949"},
        {dir.Path("missing.txt"), EFileKind::MarkedText, "", EBookStatus::FileMissing, "CP949"},
    };
    for (const auto& c : cases) {
        CBackgroundOpen early(c.path, c.kind, c.codePage);
        const CBackgroundOpen::SOutcome outcome = early.Take();
        ASSERT_TRUE(outcome.book) << c.path;
        EXPECT_EQ(outcome.status, c.status) << c.path;
        EXPECT_EQ(outcome.book->Codec().Name(), c.codec) << c.path;
        auto book = CBook::Create(c.codePage);
        book->Open(c.path, c.kind);
        EXPECT_EQ(outcome.book->LastIndex(), book->LastIndex()) << c.path;
        EXPECT_EQ(outcome.book->Path(), book->Path()) << c.path;
        for (std::int32_t s = 0; c.status == EBookStatus::Ok && s <= book->LastIndex(); ++s)
            EXPECT_EQ(Read(*outcome.book, s), Read(*book, s)) << c.path << " item " << s;
    }
    EXPECT_FALSE(CBackgroundOpen(cp949, EFileKind::MarkedText, "UTF-16").Take().book);
    // A build never taken is waited for, not left running over a freed object.
    { CBackgroundOpen dropped(cp949, EFileKind::MarkedText, ""); }
}

// The name listed and the title shown agree, whatever the code page holds back at the end
// of a name.
TEST(Book, ListedNameIsTheTitleShown) {
    const struct {
        const char* codePage;
        Bytes text;
        std::string item; // title|body
    } cases[] = {
        {"CP1258", "a//\xf9/b///c\n", "a//ù/b|c\n"},
        {"CP1258", "Vi\xea\xf2t Nam///x\n", "Việt Nam|x\n"},
        {"TCVN5712-1", "Vi\xd6t///x\n", "Việt|x\n"},
        {"CP1255", "x\xf9///y\n", "xש|y\n"},
    };
    CTempDir dir;
    for (const auto& [codePage, text, item] : cases) {
        auto book = CBook::Create(codePage);
        ASSERT_TRUE(book) << codePage;
        ASSERT_EQ(book->Open(dir.Write("b.txt", text), EFileKind::MarkedText), EBookStatus::Ok);
        ASSERT_EQ(book->LastIndex(), 0) << codePage;
        EXPECT_EQ(Utf8(std::u16string(book->Names().Name(0))), item.substr(0, item.find('|')))
            << codePage;
        EXPECT_EQ(Read(*book, 0), item) << codePage;
    }
}

TEST(Book, MessagesOfTheStatuses) {
    EXPECT_EQ(MessageOf(EBookStatus::FileMissing), std::u16string_view(u"파일이 없습니다"));
    EXPECT_EQ(MessageOf(EBookStatus::CannotOpen), std::u16string_view(u"파일을 열수 없습니다"));
    EXPECT_EQ(MessageOf(EBookStatus::PositionNotFound),
              std::u16string_view(u"파일에서 해당 위치를 찾을 수 없습니다"));
    EXPECT_EQ(MessageOf(EBookStatus::CvdFormat),
              std::u16string_view(u"파일의 일부 형식이 다릅니다"));
    EXPECT_EQ(MessageOf(EBookStatus::TooLarge),
              std::u16string_view(u"파일이 너무 커서 읽을 수 없습니다"));
    for (EBookStatus silent : {EBookStatus::Ok, EBookStatus::Malformed, EBookStatus::NoSelection})
        EXPECT_EQ(MessageOf(silent), nullptr);
}

} // namespace
