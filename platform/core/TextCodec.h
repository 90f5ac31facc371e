#pragma once

#include <memory>
#include <string>
#include <string_view>

// Converts 8-bit text in one code page to UTF-16 through iconv. Conversion ends at the first
// zero byte, as a zero-terminated string would. A byte sequence that is not valid in the code
// page becomes U+FFFD and conversion goes on after it: text is never shortened or dropped.
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
    // bytes before it is converted. False for stateful encodings (ISO-2022, UTF-7) and UTF-16.
    bool IsAsciiCompatible() const { return m_bAsciiCompatible; }

    std::u16string Decode(std::string_view bytes) const;
    // Appends the conversion of bytes (up to their first zero byte) to out.
    void DecodeAppend(std::string_view bytes, std::u16string& out) const;

private:
    CTextCodec(std::string name, void* handle, bool asciiCompatible);
    void DecodeNonAscii(std::string_view bytes, std::u16string& out) const;

    std::string m_strName;
    void* m_pHandle; // iconv_t; conversion state is reset before every use
    bool m_bAsciiCompatible;
};
