#include "TextCodec.h"

#include "Utf8.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <map>
#include <new>

namespace {

constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

iconv_t Handle(void* p) {
    return static_cast<iconv_t>(p);
}

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

// Families whose multi-byte characters start with a byte from 0x80 up and never hold a byte
// below 0x30 (the lowest trail byte of them all is GB18030's 0x30).
bool KnownAsciiCompatible(const std::string& name) {
    const std::string n = Upper(name);
    static const char* const kPrefixes[] = {
        "CP949", "UHC",      "EUC",       "CP932",  "SJIS",  "SHIFT_JIS",   "SHIFT-JIS",
        "GBK",   "CP936",    "GB18030",   "GB2312", "BIG5",  "CP950",       "UTF-8",
        "UTF8",  "ISO-8859", "ISO8859",   "LATIN",  "CP125", "WINDOWS-125", "KOI8",
        "ASCII", "US-ASCII", "ANSI_X3.4", "CP437",  "CP850", "CP866",       "MSCP949",
        "JOHAB", "TIS-620",  "CP874",
    };
    for (const char* prefix : kPrefixes) {
        if (n.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

// Code pages whose characters are one byte, or a lead byte from 0x81 and one trail byte, all
// in the Basic Multilingual Plane: a 64 K table holds them whole.
bool IsDoubleByte(const std::string& name) {
    const std::string n = Upper(name);
    for (const char* known : {"CP949", "UHC", "MSCP949", "EUC-KR", "EUCKR", "CP932", "SJIS",
                              "SHIFT_JIS", "SHIFT-JIS", "GBK", "CP936", "BIG5", "CP950"}) {
        if (n == known)
            return true;
    }
    return false;
}

bool IsUtf8(const std::string& name) {
    const std::string n = Upper(name);
    return n == "UTF-8" || n == "UTF8";
}

constexpr std::size_t kPairEntries = 0x10000;
constexpr std::size_t kSingleEntries = 0x100;

// A table's entries are read while another thread may fill a row: each is read and written
// whole.
char16_t LoadEntry(char16_t* table, std::size_t at) {
    return std::atomic_ref<char16_t>(table[at]).load(std::memory_order_relaxed);
}

void StoreEntry(char16_t* table, std::size_t at, char16_t c) {
    std::atomic_ref<char16_t>(table[at]).store(c, std::memory_order_relaxed);
}

struct SFreeTable {
    void operator()(char16_t* table) const { std::free(table); }
};

} // namespace

struct CTextCodec::SCodePage {
    bool asciiCompatible = false;
    bool byteText = false;
    std::unique_ptr<char16_t[], SFreeTable> table; // double-byte code pages only
    std::array<std::atomic<bool>, 128> leadReady{};
    std::atomic<bool> highSinglesReady{false};
};

std::unique_ptr<CTextCodec> CTextCodec::Create(const std::string& codePage) {
    if (codePage.empty())
        return nullptr;
    iconv_t cd = ::iconv_open(kUtf16Native, codePage.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    const EPath path = IsDoubleByte(codePage) ? EPath::DoubleByteTable
                       : IsUtf8(codePage)     ? EPath::Utf8
                                              : EPath::Iconv;
    std::unique_ptr<CTextCodec> codec(new CTextCodec(codePage, cd, false, path));
    {
        // Probing takes a few hundred calls into iconv; a view makes a codec for every book.
        static std::mutex mutex;
        static std::map<std::string, std::shared_ptr<SCodePage>> pages;
        std::lock_guard lock(mutex);
        std::shared_ptr<SCodePage>& page = pages[codePage];
        if (!page) {
            auto probed = std::make_shared<SCodePage>();
            codec->ProbeCodePage(*probed);
            page = std::move(probed);
        }
        codec->m_pCodePage = page;
    }
    codec->m_bAsciiCompatible = codec->m_pCodePage->asciiCompatible;
    codec->m_bByteText = codec->m_pCodePage->byteText;
    codec->m_pTable = codec->m_pCodePage->table.get();
    codec->m_pLeadReady = codec->m_pCodePage->leadReady.data();
    codec->m_pHighSinglesReady = &codec->m_pCodePage->highSinglesReady;
    return codec;
}

void CTextCodec::ProbeCodePage(SCodePage& page) const {
    // A name of a safe family is not enough: some of them read a few ASCII bytes as other
    // characters (Shift_JIS X 0213's yen sign, the Latin-Greek sets' letters).
    const bool asciiIsItself = AsciiConvertsToItself();
    page.asciiCompatible = KnownAsciiCompatible(m_strName) &&
                           (asciiIsItself || KeepsAscii(/*first=*/0x01, /*last=*/0x7F));
    page.byteText = asciiIsItself || (KeepsAscii('\n', '\n') && KeepsAscii('/', '/'));
    if (m_path != EPath::DoubleByteTable)
        return;
    // Zeroed by the system as its pages are first touched: most rows never are.
    page.table.reset(
        static_cast<char16_t*>(std::calloc(kPairEntries + kSingleEntries, sizeof(char16_t))));
    if (!page.table)
        throw std::bad_alloc();
    // Shift_JIS reads 0x5C as the yen sign. The bytes from 0x80 up, mostly lead bytes that
    // are no character alone, are probed when text first needs one.
    for (unsigned byte = 0x01; byte < 0x80; ++byte) {
        if (asciiIsItself) {
            StoreEntry(page.table.get(), kPairEntries + byte, static_cast<char16_t>(byte));
            continue;
        }
        const char c = static_cast<char>(byte);
        const SProbe alone = Probe(&c, 1);
        if (alone.produced == 1 && alone.consumed == 1)
            StoreEntry(page.table.get(), kPairEntries + byte, alone.first);
    }
}

void CTextCodec::BuildHighSingles() const {
    std::lock_guard lock(m_mutex);
    // Acquire: another codec of the code page may have filled them, under its own lock.
    if (m_pHighSinglesReady->load(std::memory_order_acquire))
        return;
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
        const char c = static_cast<char>(byte);
        const SProbe alone = Probe(&c, 1);
        if (alone.produced == 1 && alone.consumed == 1)
            StoreEntry(m_pTable, kPairEntries + byte, alone.first);
    }
    m_pHighSinglesReady->store(true, std::memory_order_release);
}

// Whether the bytes 0x01 to 0x7F, converted in one call, come out as themselves, one unit
// each: then each alone does too. Most code pages pass, and cost one call here instead of one
// for each byte; a process that reads a book makes its codecs as it starts.
bool CTextCodec::AsciiConvertsToItself() const {
    char bytes[0x7F];
    for (unsigned i = 0; i < sizeof bytes; ++i)
        bytes[i] = static_cast<char>(i + 1);
    char16_t units[0x80];
    iconv_t cd = Handle(m_pHandle);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = bytes;
    std::size_t inLeft = sizeof bytes;
    char* out = reinterpret_cast<char*>(units);
    std::size_t outLeft = sizeof units;
    std::size_t rc = ::iconv(cd, &in, &inLeft, &out, &outLeft);
    if (rc != static_cast<std::size_t>(-1))
        rc = ::iconv(cd, nullptr, nullptr, &out, &outLeft);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0 ||
        sizeof units - outLeft != sizeof bytes * sizeof(char16_t))
        return false;
    for (unsigned i = 0; i < sizeof bytes; ++i) {
        if (units[i] != i + 1)
            return false;
    }
    return true;
}

bool CTextCodec::KeepsAscii(unsigned first, unsigned last) const {
    for (unsigned byte = first; byte <= last; ++byte) {
        const char c = static_cast<char>(byte);
        const SProbe alone = Probe(&c, 1);
        if (alone.produced != 1 || alone.first != byte)
            return false;
    }
    return true;
}

CTextCodec::CTextCodec(std::string name, void* handle, bool asciiCompatible, EPath path)
    : m_strName(std::move(name)), m_pHandle(handle), m_bAsciiCompatible(asciiCompatible),
      m_path(path) {}

CTextCodec::~CTextCodec() {
    ::iconv_close(Handle(m_pHandle));
}

std::u16string CTextCodec::Decode(std::string_view bytes) const {
    std::u16string out;
    DecodeAppend(bytes, out);
    return out;
}

void CTextCodec::DecodeAppend(std::string_view bytes, std::u16string& out) const {
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    if (zero)
        bytes = bytes.substr(0, static_cast<const char*>(zero) - bytes.data());
    // Most names of an English book are ASCII, which a code page that keeps ASCII as ASCII
    // reads as itself: widened at once, without the code page's own path.
    if (m_bAsciiCompatible && std::all_of(bytes.begin(), bytes.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        })) {
        // Room made once and written in place: appending the bytes as a range would make a
        // temporary string of them first.
        const std::size_t base = out.size();
        out.resize(base + bytes.size());
        std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(base));
        return;
    }
    DecodeAppendNonAscii(bytes, out);
}

void CTextCodec::DecodeAppendNonAscii(std::string_view bytes, std::u16string& out) const {
    if (m_path == EPath::Utf8) {
        DecodeUtf8Append(bytes, out);
        return;
    }
    if (m_path == EPath::DoubleByteTable) {
        // At most one UTF-16 unit comes of each byte: room is made once, written in place.
        const std::size_t base = out.size();
        out.resize(base + bytes.size());
        out.resize(static_cast<std::size_t>(DecodeByTable(bytes, out.data() + base) - out.data()));
        return;
    }
    if (m_bAsciiCompatible) {
        // Most text is largely ASCII: widen it without iconv, and hand iconv only the words
        // that hold a non-ASCII byte, each from the byte after the last one below 0x30 to the
        // next one: such a byte always ends a character, and an ASCII letter before a
        // combining mark is converted with it, as a code page that composes them wants.
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t n = bytes.size();
        std::size_t word = 0; // where the word at i started
        std::size_t i = 0;
        while (i < n) {
            if (p[i] < 0x80) {
                if (p[i] < 0x30)
                    word = i + 1;
                out += static_cast<char16_t>(p[i++]);
                continue;
            }
            out.resize(out.size() - (i - word)); // the word's ASCII start goes to iconv again
            std::size_t end = i + 1;
            while (end < n && p[end] >= 0x30)
                ++end;
            DecodeNonAscii(bytes.substr(word, end - word), out);
            i = word = end;
        }
        return;
    }
    DecodeNonAscii(bytes, out);
}

// Ends a conversion: writes out what iconv still holds (a character it keeps until it knows
// whether a combining mark follows) and returns it to its initial state.
void CTextCodec::Flush(std::u16string& out, std::size_t& used) const {
    iconv_t cd = Handle(m_pHandle);
    for (;;) {
        char* outPtr = reinterpret_cast<char*>(out.data() + used);
        std::size_t outLeft = (out.size() - used) * sizeof(char16_t);
        const std::size_t outBefore = outLeft;
        const std::size_t rc = ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        used += (outBefore - outLeft) / sizeof(char16_t);
        if (rc != static_cast<std::size_t>(-1) || errno != E2BIG)
            return;
        out.resize(out.size() + 16);
    }
}

void CTextCodec::DecodeNonAscii(std::string_view bytes, std::u16string& out) const {
    iconv_t cd = Handle(m_pHandle);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    const std::size_t start = out.size();
    std::size_t used = start;
    out.resize(start + bytes.size() + 8);
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(out.data() + used);
        std::size_t outLeft = (out.size() - used) * sizeof(char16_t);
        const std::size_t outBefore = outLeft;
        const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        used += (outBefore - outLeft) / sizeof(char16_t);
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {
            out.resize(out.size() + inLeft + 16);
            continue;
        }
        // EILSEQ (invalid) or EINVAL (incomplete at the end): what iconv held comes first,
        // then one replacement character for the refused bytes; go on after them from the
        // initial state. Bytes cut off by the end go one at a time, as before.
        const bool cut = errno == EINVAL;
        Flush(out, used);
        if (used == out.size())
            out.resize(out.size() + inLeft + 16);
        out[used++] = u'\uFFFD';
        const std::size_t skip =
            cut ? std::max<std::size_t>(RefusedBytes(in, inLeft), 1) : RefusedBytes(in, inLeft);
        in += skip;
        inLeft -= skip;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    Flush(out, used);
    out.resize(used);
}

std::size_t CTextCodec::RefusedBytes(const char* at, std::size_t left) const {
    if (left == 0)
        return 0;
    // Some converters step over a well-formed but unmapped character before they refuse it;
    // then the bytes at `at` start the next character and nothing more is skipped: a good one
    // converts, and one refused in turn (stepped over again) gets a replacement of its own.
    // Others stop at the refused bytes: skip one byte.
    // Bytes that only end too soon (all of them seen) start the next character too: a
    // converter that stepped over a refused one leaves them for the next call, which says they
    // are cut off and gives them a replacement of their own.
    const std::size_t count = std::min<std::size_t>(left, 8);
    const SProbe probe = Probe(at, count);
    if (probe.produced > 0 || (probe.refused && probe.consumed > 0) || (probe.cut && count == left))
        return 0;
    return 1;
}

CTextCodec::SProbe CTextCodec::Probe(const char* bytes, std::size_t count) const {
    iconv_t cd = Handle(m_pHandle);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char16_t buffer[16];
    char* in = const_cast<char*>(bytes);
    std::size_t inLeft = count;
    char* out = reinterpret_cast<char*>(buffer);
    std::size_t outLeft = sizeof buffer;
    std::size_t rc = ::iconv(cd, &in, &inLeft, &out, &outLeft);
    if (rc != static_cast<std::size_t>(-1))
        rc = ::iconv(cd, nullptr, nullptr, &out, &outLeft); // a character held back counts
    SProbe probe;
    probe.consumed = count - inLeft;
    probe.produced = (sizeof buffer - outLeft) / sizeof(char16_t);
    probe.refused = rc == static_cast<std::size_t>(-1) && errno == EILSEQ;
    probe.cut = rc == static_cast<std::size_t>(-1) && errno == EINVAL;
    probe.first = probe.produced > 0 ? buffer[0] : u'\0';
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return probe;
}

std::u16string CTextCodec::DecodeThroughIconv(std::string_view bytes) const {
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    if (zero)
        bytes = bytes.substr(0, static_cast<const char*>(zero) - bytes.data());
    std::u16string out;
    DecodeNonAscii(bytes, out);
    return out;
}

void CTextCodec::ProbePair(unsigned lead, unsigned trail) const {
    const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    const SProbe both = Probe(pair, 2);
    if (both.consumed != 2)
        return;
    if (both.produced == 1 && !both.refused)
        StoreEntry(m_pTable, lead << 8 | trail, both.first);
    else if (both.produced == 0 && both.refused)
        // Well-formed, unmapped: one U+FFFD.
        StoreEntry(m_pTable, lead << 8 | trail, u'\uFFFD');
}

void CTextCodec::BuildLead(unsigned lead) const {
    std::lock_guard lock(m_mutex);
    std::atomic<bool>& ready = m_pLeadReady[lead - 0x80];
    // Acquire: another codec of the code page may have filled the row, under its own lock.
    if (ready.load(std::memory_order_acquire))
        return;
    // Trail bytes below 0x40 never continue a character in these code pages (Shift_JIS, GBK
    // and Big5 start theirs there, CP949 at 0x41): each would be one more call refused.
    constexpr unsigned kFirstTrail = 0x40;
    constexpr std::size_t kPairs = 0x100 - kFirstTrail;
    // A call into iconv costs far more than a character: the row goes in as few calls as
    // iconv allows, each pair followed by a line feed, which no character of these code pages
    // holds, so the output splits at the line feeds into one piece per pair. A pair that is
    // one character gives a piece of one unit. Where iconv stops (a pair it refuses), the next
    // call starts after that pair.
    char row[kPairs * 3];
    for (std::size_t i = 0; i < kPairs; ++i) {
        row[3 * i] = static_cast<char>(lead);
        row[3 * i + 1] = static_cast<char>(kFirstTrail + i);
        row[3 * i + 2] = '\n';
    }
    char16_t converted[kPairs * 3];
    iconv_t cd = Handle(m_pHandle);
    for (std::size_t pair = 0; pair < kPairs;) {
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = row + 3 * pair;
        std::size_t inLeft = sizeof row - 3 * pair;
        char* out = reinterpret_cast<char*>(converted);
        std::size_t outLeft = sizeof converted;
        const std::size_t rc = ::iconv(cd, &in, &inLeft, &out, &outLeft);
        const char16_t* end = converted + (sizeof converted - outLeft) / sizeof(char16_t);
        const char16_t* piece = converted;
        for (const char16_t* p = converted; p < end; ++p) {
            if (*p != u'\n')
                continue;
            if (p - piece == 1)
                StoreEntry(m_pTable, lead << 8 | (kFirstTrail + pair), *piece);
            ++pair;
            piece = p + 1;
        }
        if (rc != static_cast<std::size_t>(-1) || pair == kPairs)
            break;
        // Refused at its lead byte, the pair is no character, as a probe would find; refused
        // after it, the pair needs the probe to tell.
        if (in != row + 3 * pair)
            ProbePair(lead, kFirstTrail + static_cast<unsigned>(pair));
        ++pair;
    }
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    ready.store(true, std::memory_order_release);
}

bool CTextCodec::PrepareConcurrentUse() const {
    return m_path != EPath::Iconv;
}

std::size_t CTextCodec::DecodeInto(std::string_view bytes, char16_t* out, std::size_t most) const {
    if (m_path == EPath::Utf8)
        return DecodeUtf8Into(bytes, out, most);
    return static_cast<std::size_t>(DecodeByTable(bytes, out, most) - out);
}

char16_t* CTextCodec::DecodeByTable(std::string_view bytes, char16_t* w, std::size_t most) const {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    const char16_t* const out = w;
    for (std::size_t i = 0; i < n && static_cast<std::size_t>(w - out) < most;) {
        const unsigned char b = p[i];
        if (b >= 0x80 && i + 1 < n) {
            // Entries are written once, from 0: a character read is final. Only a 0 asks
            // whether the row is filled yet, so text costs nothing for the rows being lazy.
            const std::size_t at = b << 8 | p[i + 1];
            char16_t c = LoadEntry(m_pTable, at);
            if (!c && !m_pLeadReady[b - 0x80].load(std::memory_order_acquire)) {
                BuildLead(b);
                c = LoadEntry(m_pTable, at);
            }
            if (c && c != u'\uFFFD') {
                *w++ = c;
                i += 2;
                continue;
            }
        }
        char16_t c = LoadEntry(m_pTable, kPairEntries + b);
        if (!c && b >= 0x80 && !m_pHighSinglesReady->load(std::memory_order_acquire)) {
            BuildHighSingles();
            c = LoadEntry(m_pTable, kPairEntries + b);
        }
        if (c) {
            *w++ = c;
            ++i;
            continue;
        }
        // Bytes the code page refuses: how many iconv skips, and where it reads on, depend on
        // the bytes after them, so the rest of the text is iconv's. It makes no more units
        // than bytes, as the table does.
        std::u16string rest;
        {
            std::lock_guard lock(m_mutex);
            DecodeNonAscii(bytes.substr(i), rest);
        }
        return std::copy_n(rest.data(), std::min(rest.size(), n - i), w);
    }
    return w;
}
