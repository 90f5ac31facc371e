#include "Book.h"
#include "BackgroundOpen.h"
#include "BookFixture.h"
#include "Cvd.h"
#include "TextCodec.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>
#include <vector>

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

// The first items listed from a book's first bytes are the whole book's first items, read
// alike; the item the bytes may cut short is left out, and nothing reads past the listed ones.
TEST(Book, FirstItemsAreTheWholeBooksFirstItems) {
    const Bytes text = "preface\n"
                       "\xc1\xa6"
                       "1\xc0\xe5///\xba\xbd\r\n"
                       "more of it\n"
                       "b///\n"
                       "c///a long line without its end, then the end\n"
                       "d///\n"
                       "e///last\n";
    CTempDir dir;
    const std::string path = dir.Write("k.txt", text);
    auto whole = CBook::Create();
    ASSERT_EQ(whole->Open(path, EFileKind::MarkedText), EBookStatus::Ok);
    for (std::size_t bytes = 0; bytes <= text.size() + 1; ++bytes) {
        auto first = CBook::Create();
        ASSERT_EQ(first->OpenFirstItems(path, EFileKind::MarkedText, bytes), EBookStatus::Ok);
        // The head lines whole in the bytes up to the last line feed; the last of them is
        // left out.
        const std::size_t cut = bytes == 0 ? 0 : text.rfind('\n', bytes - 1) + 1;
        std::int32_t heads = 0;
        while (heads <= whole->LastIndex() &&
               static_cast<std::size_t>(whole->Offsets()[heads]) < cut)
            ++heads;
        const bool all = bytes >= text.size();
        EXPECT_EQ(first->IsWhole(), all) << bytes;
        ASSERT_EQ(first->LastIndex(), all ? whole->LastIndex() : std::max(heads - 1, 0) - 1)
            << bytes;
        for (std::int32_t s = 0; s <= first->LastIndex(); ++s) {
            EXPECT_EQ(first->Offsets()[s], whole->Offsets()[s]) << bytes;
            EXPECT_EQ(first->Names().Name(s), whole->Names().Name(s)) << bytes;
            EXPECT_EQ(Read(*first, s), Read(*whole, s)) << bytes << " item " << s;
        }
        Read(*first, first->LastIndex() + 1, EBookStatus::NoSelection);
        // A text search finds only listed items, and none in the bytes after them.
        std::vector<std::int32_t> found;
        ASSERT_EQ(first->FindAllText(u"e", found), EBookStatus::Ok);
        for (const std::int32_t s : found)
            EXPECT_NE(Read(*first, s).find('e'), std::string::npos) << bytes << " item " << s;
    }

    // The code page is the one the first bytes argue for; the whole book may argue otherwise.
    const std::string utf8Later = dir.Write("u.txt", "a///x\nb///y\nc\xc3\xa9///z\n");
    auto first = CBook::Create();
    ASSERT_EQ(first->OpenFirstItems(utf8Later, EFileKind::MarkedText, 12), EBookStatus::Ok);
    EXPECT_EQ(first->LastIndex(), 0);
    EXPECT_EQ(first->Codec().Name(), "CP949");
    ASSERT_EQ(whole->Open(utf8Later, EFileKind::MarkedText), EBookStatus::Ok);
    EXPECT_EQ(whole->Codec().Name(), "UTF-8");

    // A CVD book is opened whole; a missing one fails as Open does.
    ASSERT_EQ(first->OpenFirstItems(dir.Write("b.cvd", kCvd), EFileKind::Cvd, 10), EBookStatus::Ok);
    EXPECT_TRUE(first->IsWhole());
    EXPECT_EQ(first->LastIndex(), 1);
    EXPECT_EQ(first->OpenFirstItems(dir.Path("none.txt"), EFileKind::MarkedText, 10),
              EBookStatus::FileMissing);
    EXPECT_EQ(first->Path(), dir.Path("b.cvd"));
}

// A build in the background tells when it ends, and only then; its second thread waits until
// it is let use the second core, or its book is taken.
TEST(Book, BackgroundOpenTellsWhenItEnds) {
    CTempDir dir;
    const std::string small = dir.Write("k.txt", kCp949);
    std::promise<void> hold;
    CBackgroundOpen early(small, EFileKind::MarkedText, "",
                          [held = hold.get_future().share()] { held.wait(); });
    std::atomic<int> told{0};
    early.WhenDone([&] { ++told; });
    EXPECT_FALSE(early.IsDone());
    EXPECT_EQ(told, 0);
    hold.set_value();
    early.Wait();
    EXPECT_TRUE(early.IsDone());
    EXPECT_EQ(told, 1);
    early.WhenDone([&] { told += 10; }); // ended: told at once, here
    EXPECT_EQ(told, 11);
    EXPECT_EQ(early.Take().book->LastIndex(), 1);

    // A book read on two threads: the build can't end before its second thread may start.
    const Bytes line = "name///a line of the body, long enough to fill the book soon enough\n";
    Bytes large;
    while (large.size() <= kScanSplitBytes)
        large += line;
    const std::string path = dir.Write("large.txt", large);
    for (const bool letUse : {true, false}) {
        CBackgroundOpen build(path, EFileKind::MarkedText, "");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(build.IsDone());
        if (letUse)
            build.UseSecondCore();
        const CBackgroundOpen::SOutcome outcome = build.Take();
        ASSERT_EQ(outcome.status, EBookStatus::Ok);
        EXPECT_EQ(static_cast<std::size_t>(outcome.book->LastIndex() + 1),
                  large.size() / line.size());
    }
    // A CVD book has no first items to show: its build uses both cores from the start and ends
    // on its own.
    const Bytes record("\x00\x02\x00\x02\x03\0\0\0AB\0\x1e\x03\x04\0\0\0x\ry", 20);
    Bytes cvd(74, 'H');
    while (cvd.size() <= kCvdSplitBytes)
        cvd += record;
    CBackgroundOpen build(dir.Write("large.cvd", cvd), EFileKind::Cvd, "");
    for (int wait = 0; wait < 6000 && !build.IsDone(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(build.IsDone());
    EXPECT_EQ(static_cast<std::size_t>(build.Take().book->LastIndex() + 1), (cvd.size() - 74) / 20);
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
