#include "TextCodec.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iconv.h>

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

} // namespace

std::unique_ptr<CTextCodec> CTextCodec::Create(const std::string& codePage) {
    if (codePage.empty())
        return nullptr;
    iconv_t cd = ::iconv_open(kUtf16Native, codePage.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return std::unique_ptr<CTextCodec>(
        new CTextCodec(codePage, cd, KnownAsciiCompatible(codePage)));
}

CTextCodec::CTextCodec(std::string name, void* handle, bool asciiCompatible)
    : m_strName(std::move(name)), m_pHandle(handle), m_bAsciiCompatible(asciiCompatible) {}

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
    if (m_bAsciiCompatible) {
        // Most text is largely ASCII: widen it without iconv, and hand iconv only the stretches
        // from a non-ASCII byte to the next byte below 0x30, which always ends a character.
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t n = bytes.size();
        std::size_t i = 0;
        while (i < n) {
            if (p[i] < 0x80) {
                out += static_cast<char16_t>(p[i++]);
                continue;
            }
            std::size_t end = i + 1;
            while (end < n && p[end] >= 0x30)
                ++end;
            DecodeNonAscii(bytes.substr(i, end - i), out);
            i = end;
        }
        return;
    }
    DecodeNonAscii(bytes, out);
}

void CTextCodec::DecodeNonAscii(std::string_view bytes, std::u16string& out) const {
    iconv_t cd = Handle(m_pHandle);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    const std::size_t start = out.size();
    std::size_t used = start;
    out.resize(start + bytes.size() + 8);
    for (;;) {
        char* outPtr = reinterpret_cast<char*>(out.data() + used);
        std::size_t outLeft = (out.size() - used) * sizeof(char16_t);
        const std::size_t outBefore = outLeft;
        std::size_t rc =
            ::iconv(cd, inLeft ? &in : nullptr, inLeft ? &inLeft : nullptr, &outPtr, &outLeft);
        used += (outBefore - outLeft) / sizeof(char16_t);
        if (rc != static_cast<std::size_t>(-1)) {
            if (inLeft == 0)
                break; // all converted, and the shift state flushed
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() + inLeft + 16);
            continue;
        }
        // EILSEQ (invalid) or EINVAL (incomplete at the end): one replacement character for
        // the offending byte, then go on with the next byte from a clean state.
        if (used == out.size())
            out.resize(out.size() + inLeft + 16);
        out[used++] = u'\uFFFD';
        ++in;
        --inLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (inLeft == 0)
            break;
    }
    out.resize(used);
}
