#include "CommandLine.h"
#include "BookFixture.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct SRun {
    int status;
    std::string out;
    std::string err;
};

SRun Tomlet(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCommandLine(ParseCommandLine(args), out, err);
    return {status, out.str(), err.str()};
}

TEST(CommandLine, ParsesActionsBooksAndCodePages) {
    using A = SCommandLine::EAction;
    EXPECT_EQ(ParseCommandLine({}).action, A::Window);
    const SCommandLine open = ParseCommandLine({"book.txt"});
    EXPECT_EQ(open.action, A::Window);
    EXPECT_EQ(open.book, "book.txt");
    const SCommandLine show = ParseCommandLine({"--codepage=EUC-KR", "--show", "3", "b.cvd"});
    EXPECT_EQ(show.action, A::Show);
    EXPECT_EQ(show.item, 3);
    EXPECT_EQ(show.codePage, "EUC-KR");
    EXPECT_EQ(ParseCommandLine({"--", "-odd-name.txt"}).book, "-odd-name.txt");
    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"--list"},
                                                  {"--show", "x", "b"},
                                                  {"--show", "-1", "b"},
                                                  {"--show"},
                                                  {"--codepage"},
                                                  {"--codepage="},
                                                  {"--bogus"},
                                                  {"a", "b"}}) {
        EXPECT_EQ(ParseCommandLine(wrong).action, A::Error) << wrong.front();
        EXPECT_EQ(Tomlet(wrong).status, kExitUsage);
    }
    EXPECT_EQ(Tomlet({"--help"}).status, kExitOk);
    // The version names the program, not the handheld build's file strings.
    const std::string version = Tomlet({"--version"}).out;
    EXPECT_EQ(version.rfind("Tomlet 1.0.0.1\n", 0), 0u) << version;
    EXPECT_EQ(version.find("WCE"), std::string::npos) << version;
    EXPECT_EQ(version.find(".EXE"), std::string::npos) << version;
}

TEST(CommandLine, ListsAndShowsItems) {
    CTempDir dir;
    const std::string txt = dir.Write("book.TXT", "x\n\xc1\xa6"
                                                  "1\xc0\xe5///\xba\xbd\r\nline\r\nb///\n");
    const SRun list = Tomlet({"--list", txt});
    EXPECT_EQ(list.status, kExitOk);
    EXPECT_EQ(list.out, "0\t2\t제1장\n1\t20\tb\n");
    const SRun show = Tomlet({"--show", "0", txt});
    EXPECT_EQ(show.status, kExitOk);
    EXPECT_EQ(show.out, "제1장\n    0 /     1\n봄\r\nline\r\n");
    // Forced code page: the same bytes read as EUC-KR give the same text.
    EXPECT_EQ(Tomlet({"--codepage", "EUC-KR", "--list", txt}).out, list.out);
    EXPECT_EQ(Tomlet({"--codepage", "NO-SUCH", "--list", txt}).status, kExitUsage);
}

TEST(CommandLine, ReportsFailuresWithStatusAndKoreanMessages) {
    CTempDir dir;
    const SRun missing = Tomlet({"--list", dir.Path("missing.txt")});
    EXPECT_EQ(missing.status, kExitCannotOpen);
    EXPECT_EQ(missing.err, "파일이 없습니다\n");
    EXPECT_EQ(Tomlet({"--list", dir.Path("")}).status, kExitCannotOpen); // a folder is no book

    const std::string txt = dir.Write("one.txt", "a///b\n");
    const SRun outside = Tomlet({"--show", "1", txt});
    EXPECT_EQ(outside.status, kExitNoItem);
    EXPECT_NE(outside.err.find("no item 1"), std::string::npos);

    // A CVD book with bytes in another format still lists its items; the extension decides
    // the format whatever its case.
    const Bytes record =
        Bytes(74, 'H') + Bytes("\x00\x02\x00\x02\x02\0\0\0T\0\x1e\x03\x05\0\0\0body", 20);
    const std::string cvd = dir.Write("book.CvD", record + Bytes(10, 'x'));
    const SRun format = Tomlet({"--list", cvd});
    EXPECT_EQ(format.status, kExitOk);
    EXPECT_EQ(format.out, "0\t82\tT\n");
    EXPECT_EQ(format.err, "파일의 일부 형식이 다릅니다\n");
    // A record that fails its re-check when shown.
    const std::string cut = dir.Write("cut.cvd", record.substr(0, 93));
    const SRun cutShow = Tomlet({"--show", "0", cut});
    EXPECT_EQ(cutShow.status, kExitNoItem);
    EXPECT_NE(cutShow.err.find("not a well-formed"), std::string::npos);
}

} // namespace
