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
                                                  {"--find", "x"},
                                                  {"--find"},
                                                  {"--codepage"},
                                                  {"--codepage="},
                                                  {"--bogus"},
                                                  {"a", "b"},
                                                  // Two modes at once: which one is meant?
                                                  {"--show", "1", "--list", "b"},
                                                  {"--list", "--show", "1", "b"},
                                                  {"--show", "1", "--show", "2", "b"},
                                                  {"--find", "a", "--list", "b"},
                                                  {"--list", "--grep", "a", "b"},
                                                  {"--grep", "a"}}) {
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
    // Code pages unknown, or in which the line feed and '/' are not bytes of their own, are
    // refused for the window too.
    for (const char* refused : {"NO-SUCH", "UTF-16", "UTF-16LE", "UTF-32", "UCS-2", "IBM037"}) {
        const SRun run = Tomlet({"--codepage", refused, "--list", txt});
        EXPECT_EQ(run.status, kExitUsage) << refused;
        EXPECT_NE(run.err.find(refused), std::string::npos) << run.err;
        EXPECT_EQ(ParseCommandLine({"--codepage", refused, txt}).action,
                  SCommandLine::EAction::Error)
            << refused;
    }
    EXPECT_NE(Tomlet({"--codepage", "UTF-16", "--list", txt}).err.find("single bytes"),
              std::string::npos);
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

// Every item is one line of three fields, whatever its name holds.
TEST(CommandLine, ListEscapesTabsLineEndsAndBackslashes) {
    CTempDir dir;
    const Bytes title = "a\tb\\c\r\nd";
    const Bytes body = "x";
    const Bytes record = Bytes("\x00\x02\x00\x02", 4) + static_cast<char>(title.size() + 1) +
                         Bytes(3, '\0') + title + Bytes(1, '\0') + "\x1e\x03" +
                         static_cast<char>(body.size() + 1) + Bytes(3, '\0') + body;
    const SRun list =
        Tomlet({"--list", dir.Write("tabs.cvd", Bytes(74, 'H') + record + Bytes(1, '\0'))});
    EXPECT_EQ(list.status, kExitOk) << list.err;
    EXPECT_EQ(list.out, "0\t82\ta\\tb\\\\c\\r\\nd\n");
    // A backslash in a marked-text name.
    EXPECT_EQ(Tomlet({"--list", dir.Write("b.txt", "C:\\x///y\n")}).out, "0\t0\tC:\\\\x\n");
}

// A stream whose every write fails, as standard output on a full disk.
class CFullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST(CommandLine, FailedOutputIsAFailure) {
    CTempDir dir;
    const std::string txt = dir.Write("a.txt", "a///b\n");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--list", txt},
                                                 {"--show", "0", txt},
                                                 {"--help"},
                                                 {"--version"}}) {
        CFullBuffer full;
        std::ostream out(&full);
        std::ostringstream err;
        EXPECT_EQ(RunCommandLine(ParseCommandLine(args), out, err), kExitOutput) << args[0];
        EXPECT_NE(err.str().find("standard output"), std::string::npos) << err.str();
    }
}

// --find prints the first item whose name begins with the term exactly as --show prints it.
TEST(CommandLine, FindsAnItemByTheStartOfItsName) {
    CTempDir dir;
    const std::string txt = dir.Write("book.txt", "intro\nApple///red\n\xc1\xa6"
                                                  "1\xc0\xe5///one\napricot///\nZ///z\n");
    const std::string cvd =
        dir.Write("book.cvd", Bytes(74, 'H') + Bytes("\0\2\0\2\3\0\0\0ab\0\x1e\3\3\0\0\0x\r", 19) +
                                  Bytes("\0\2\0\2\3\0\0\0Bc\0\x1e\3\2\0\0\0y\0", 19));
    struct SCase {
        std::string book, term;
        int status;
        std::string out; // or, for a failure, what err holds
    };
    const SCase cases[] = {
        {txt, "ap", kExitOk, "Apple\n    0 /     3\nred\n"},
        {txt, "APR", kExitOk, "apricot\n    2 /     3\n\n"},
        {txt, "제", kExitOk, "제1장\n    1 /     3\none\n"},
        {txt, "", kExitOk, "Apple\n    0 /     3\nred\n"},
        {txt, "z", kExitOk, "Z\n    3 /     3\nz\n"},
        {txt, "Apples", kExitNoItem, "no item of"},
        {cvd, "AB", kExitOk, "ab\n    0 /     1\nx\r\n"},
        {cvd, "b", kExitOk, "Bc\n    1 /     1\ny"},
        {cvd, "c", kExitNoItem, "no item of"},
        {dir.Path("missing.txt"), "a", kExitCannotOpen, "파일이 없습니다"},
    };
    for (const SCase& c : cases) {
        const SRun find = Tomlet({"--find", c.term, c.book});
        EXPECT_EQ(find.status, c.status) << c.term;
        if (c.status == kExitOk) {
            EXPECT_EQ(find.out, c.out) << c.term;
            EXPECT_EQ(find.err, "") << c.term;
        } else {
            EXPECT_NE(find.err.find(c.out), std::string::npos) << c.term << ": " << find.err;
        }
    }
}

// --grep lists, as --list does, the items whose title or body holds the words.
TEST(CommandLine, ListsTheItemsHoldingWords) {
    CTempDir dir;
    const std::string txt = dir.Write("g.txt", "intro key\nA///one Key\nB///two\nC\\///key\n");
    const SRun grep = Tomlet({"--grep", "KEY", txt});
    EXPECT_EQ(grep.status, kExitOk) << grep.err;
    EXPECT_EQ(grep.out, "0\t10\tA\n2\t30\tC\\\\\n");
    const SRun none = Tomlet({"--grep", "three", txt});
    EXPECT_EQ(none.status, kExitNoItem);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(Tomlet({"--grep", "x", dir.Path("missing.txt")}).status, kExitCannotOpen);
}

} // namespace
