#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

// Converts 8-bit text in one code page to UTF-16 through iconv. Conversion ends at the first
// zero byte, as a zero-terminated string would. A byte that does not start a valid character
// of the code page becomes U+FFFD and conversion goes on with the next byte: text is never
// shortened or dropped, and a character iconv holds back to see whether a combining mark
// follows (CP1258, CP1255, TCVN) is written out at the end.
//
// Names are converted by the hundred thousand, so the common code pages avoid a call into
// iconv per character: double-byte code pages (CP949, EUC-KR, Shift_JIS, GBK, Big5) convert
// through a table that iconv fills a lead byte at a time, when text first holds that lead
// byte, and UTF-8 is decoded directly. Both give exactly what iconv alone gives
// (DecodeThroughIconv).
class CTextCodec {
public:
    // The code page Tomlet reads books in unless told otherwise.
    static constexpr const char* kDefaultCodePage = "CP949";

    // A codec for the code page as iconv names it; null when iconv does not know it.
    static std::unique_ptr<CTextCodec> Create(const std::string& codePage);
    ~CTextCodec();
    CTextCodec(const CTextCodec&) = delete;
    CTextCodec& operator=(const CTextCodec&) = delete;

    const std::string& Name() const { return m_strName; }

    // True when ASCII bytes always stand for themselves and the bytes 0x00 to 0x2F (zero, line
    // feed, '/', blank) never occur inside a multi-byte character, so text can be cut at those
    // bytes before it is converted. False for stateful encodings (ISO-2022, UTF-7), UTF-16 and
    // sets that give some ASCII bytes other characters (Shift_JIS X 0213, Latin-Greek).
    bool IsAsciiCompatible() const { return m_bAsciiCompatible; }

    // True when the line feed and '/' are bytes of their own (0x0A, 0x2F), as the line and
    // marker rules of a book need; false for UTF-16, UTF-32, UCS-2, UCS-4 and EBCDIC pages.
    bool IsByteText() const { return m_bByteText; }

    std::u16string Decode(std::string_view bytes) const;
    // Appends the conversion of bytes (up to their first zero byte) to out.
    void DecodeAppend(std::string_view bytes, std::u16string& out) const;
    // The same for bytes known to hold no zero byte, without looking for one or for ASCII
    // text: for text known to hold a byte from 0x80 up.
    void DecodeAppendNonAscii(std::string_view bytes, std::u16string& out) const;
    // Whether DecodeInto may be used: the table and UTF-8 paths make at most one UTF-16 unit of
    // each byte; iconv may make more.
    bool DecodesInPlace() const { return m_path != EPath::Iconv; }
    // As DecodeAppendNonAscii, into out, which has room for bytes.size() units; returns the
    // units written. Stops once at least `most` are written, which are then the first units of
    // the whole conversion: a caller that reads only the start of a text converts only that.
    // Only where DecodesInPlace.
    std::size_t DecodeInto(std::string_view bytes, char16_t* out,
                           std::size_t most = SIZE_MAX) const;
    // Tells whether conversions may run on several threads at once: the table and UTF-8 paths
    // may (the table's rows are filled under a lock), iconv's one handle keeps state and may
    // not.
    bool PrepareConcurrentUse() const;
    // The same conversion by iconv alone: the reference the faster paths must match. Not to be
    // run beside another conversion of the same codec.
    std::u16string DecodeThroughIconv(std::string_view bytes) const;

private:
    enum class EPath { Iconv, DoubleByteTable, Utf8 };
    struct SCodePage;

    CTextCodec(std::string name, void* handle, bool asciiCompatible, EPath path);
    void DecodeNonAscii(std::string_view bytes, std::u16string& out) const;
    void Flush(std::u16string& out, std::size_t& used) const;
    // Whether every byte from first to last stands for the ASCII character of its value.
    bool KeepsAscii(unsigned first, unsigned last) const;
    bool AsciiConvertsToItself() const;
    char16_t* DecodeByTable(std::string_view bytes, char16_t* out,
                            std::size_t most = SIZE_MAX) const;
    // Probes what this codec's code page is: ASCII kept, byte text, the single bytes' table.
    void ProbeCodePage(SCodePage& page) const;
    // Fills the table's row of one lead byte (0x80 to 0xFF) unless another call has.
    void BuildLead(unsigned lead) const;
    // Fills the table's bytes from 0x80 up alone unless another call has.
    void BuildHighSingles() const;
    // Fills one entry of the table as iconv converts the pair alone.
    void ProbePair(unsigned lead, unsigned trail) const;

    // What iconv makes of the first character of a few bytes, from a clean state.
    struct SProbe {
        std::size_t consumed = 0;
        std::size_t produced = 0; // UTF-16 units
        bool refused = false;     // stopped at an invalid sequence
        bool cut = false;         // stopped at a sequence the bytes end inside
        char16_t first = 0;
    };
    SProbe Probe(const char* bytes, std::size_t count) const;
    // How many bytes at `at` to step over after iconv refused them.
    std::size_t RefusedBytes(const char* at, std::size_t left) const;

    std::string m_strName;
    void* m_pHandle; // iconv_t; conversion state is reset before every use
    bool m_bAsciiCompatible;
    bool m_bByteText = false;
    EPath m_path;
    // What iconv says of a code page does not change while the program runs: every codec of
    // one code page shares what the first one probed and the table rows any of them filled.
    std::shared_ptr<SCodePage> m_pCodePage;
    // Double-byte table, the code page's: the character of lead byte << 8 | trail byte, then
    // of each byte alone; 0 where iconv finds no character. The bytes below 0x80 alone are
    // filled when the first codec is made; a lead byte's row when text first holds it (a
    // book's names use few of the 128 lead bytes), and the bytes from 0x80 up alone when text
    // first needs one. Each entry is read and written whole (std::atomic_ref), so that a row
    // may be filled while another thread reads the table. Two codecs filling one row write the
    // same characters.
    char16_t* m_pTable = nullptr;
    // Whether the row of lead byte 0x80 + i is filled; set after the row.
    std::atomic<bool>* m_pLeadReady = nullptr;
    // Whether the bytes from 0x80 up alone are filled; set after them.
    std::atomic<bool>* m_pHighSinglesReady = nullptr;
    mutable std::mutex m_mutex; // one row filled at a time, through the one iconv handle
};
