#include "BenchBooks.h"

#include "BinaryFile.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string_view>

namespace {

constexpr std::uint32_t kSeed = 20240611;
constexpr std::size_t kTextBookBytes = std::size_t{50} << 20;
constexpr std::int32_t kCvdRecords = 1'000'000;

// "제" and "장" in CP949, for names like "제12장 ...".
constexpr const char kChapter[] = "\xC1\xA6";
constexpr const char kChapterEnd[] = "\xC0\xE5 ";

// Deterministic Korean text: syllables from the CP949 block of the 2350 common Hangul (lead
// 0xB0-0xC8, trail 0xA1-0xFE), words of one to four syllables, lines of a few sentences.
class CKoreanText {
public:
    explicit CKoreanText(std::uint32_t seed) : m_engine(seed) {}

    // The raw engine output is the same on every library; the standard distributions are not.
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(m_engine() % n); }

    void Word(std::string& out) {
        for (std::uint32_t n = 1 + Below(4); n > 0; --n) {
            out += static_cast<char>(0xB0 + Below(25));
            out += static_cast<char>(0xA1 + Below(94));
        }
    }

    void Line(std::string& out) {
        for (std::uint32_t sentences = 1 + Below(3); sentences > 0; --sentences) {
            for (std::uint32_t words = 3 + Below(6); words > 0; --words) {
                Word(out);
                out += words > 1 ? " " : ". ";
            }
        }
        out.back() = '\r';
        out += '\n';
    }

    // Item i's name; every 50th holds Latin letters, as books with mixed names do.
    void Name(std::int32_t i, std::string& out) {
        if (i % 50 == 0) {
            out += "Tomlet ";
            Word(out);
            out += ' ';
            out += std::to_string(i);
            return;
        }
        out += kChapter;
        out += std::to_string(i);
        out += kChapterEnd;
        Word(out);
    }

    // A name in ASCII alone, to time the scan without the cost of converting Korean.
    void AsciiName(std::int32_t i, std::string& out) {
        out += "Entry ";
        out += std::to_string(i);
        out += ' ';
        for (std::uint32_t n = 4 + Below(7); n > 0; --n)
            out += static_cast<char>('a' + Below(26));
    }

    // Lines until at least bytes more bytes stand in out.
    void Body(std::size_t bytes, std::string& out) {
        const std::size_t target = out.size() + bytes;
        while (out.size() < target)
            Line(out);
    }

private:
    std::mt19937 m_engine;
};

SBenchBook ToBook(const std::string& text, std::int32_t items) {
    return {std::vector<std::uint8_t>(text.begin(), text.end()), items};
}

// A marked-text book of about bytes bytes: a preface line, then items of 128 to 1024 bytes,
// half of them with the body starting on the head line.
SBenchBook MakeMarkedText(std::size_t bytes) {
    CKoreanText text(kSeed);
    std::string out;
    out.reserve(bytes + 4096);
    text.Line(out);
    std::int32_t items = 0;
    while (out.size() < bytes) {
        text.Name(++items, out);
        out += "///";
        if (text.Below(2) == 0)
            out += "\r\n";
        text.Body(128 + text.Below(896), out);
    }
    return ToBook(out, items);
}

// A CVD book of count records with bodies of 64 to 320 bytes. Every body ends in the zero byte
// that also opens the next record; the last one ends the file.
SBenchBook MakeCvd(std::int32_t count, bool asciiNames) {
    CKoreanText text(kSeed + 1);
    std::string out(74, ' ');
    out.replace(0, 30, "Tomlet benchmark book, CP949. ");
    std::string name;
    std::string body;
    auto put32 = [&out](std::size_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (std::int32_t i = 1; i <= count; ++i) {
        name.clear();
        if (asciiNames)
            text.AsciiName(i, name);
        else
            text.Name(i, name);
        body.clear();
        text.Body(64 + text.Below(256), body);
        out += std::string_view("\0\2\0\2", 4);
        put32(name.size() + 1);
        out += name;
        out += '\0';
        out += "\x1E\x03";
        put32(body.size() + 1);
        out += body;
    }
    out += '\0';
    return ToBook(out, count);
}

// The books as files, in a folder of their own under /tmp that is removed at exit.
class CTempBooks {
public:
    CTempBooks() {
        char pattern[] = "/tmp/tomlet-bench-XXXXXX";
        if (::mkdtemp(pattern))
            m_strDir = pattern;
    }
    ~CTempBooks() {
        std::error_code ignored;
        if (!m_strDir.empty())
            std::filesystem::remove_all(m_strDir, ignored);
    }

    // The path of the written book, or empty when it can't be written.
    std::string Write(const std::string& name, const SBenchBook& book) const {
        if (m_strDir.empty())
            return {};
        const std::string path = m_strDir + "/" + name;
        CBinaryFile file;
        if (!file.Open(path, CBinaryFile::Mode::CreateWrite) ||
            !file.Write(book.bytes.data(), book.bytes.size()))
            return {};
        return path;
    }

private:
    std::string m_strDir;
};

const CTempBooks& TempBooks() {
    static const CTempBooks books;
    return books;
}

} // namespace

const SBenchBook& TextBook() {
    static const SBenchBook book = MakeMarkedText(kTextBookBytes);
    return book;
}

const SBenchBook& CvdBook() {
    static const SBenchBook book = MakeCvd(kCvdRecords, /*asciiNames=*/false);
    return book;
}

const SBenchBook& CvdAsciiBook() {
    static const SBenchBook book = MakeCvd(kCvdRecords, /*asciiNames=*/true);
    return book;
}

const std::string& TextBookPath() {
    static const std::string path = TempBooks().Write("book.txt", TextBook());
    return path;
}

const std::string& CvdBookPath() {
    static const std::string path = TempBooks().Write("book.cvd", CvdBook());
    return path;
}
