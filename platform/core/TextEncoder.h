#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// Converts UTF-16 text into one code page through iconv: the way back of CTextCodec, for
// looking up the user's words in a book's own bytes.
class CTextEncoder {
public:
    // An encoder for the code page as iconv names it; null when iconv does not know it.
    static std::unique_ptr<CTextEncoder> Create(const std::string& codePage);
    ~CTextEncoder();
    CTextEncoder(const CTextEncoder&) = delete;
    CTextEncoder& operator=(const CTextEncoder&) = delete;

    // The bytes of text in the code page; nothing when some character has no bytes there.
    std::optional<std::string> Encode(std::u16string_view text) const;

private:
    explicit CTextEncoder(void* handle) : m_pHandle(handle) {}
    void* m_pHandle; // iconv_t; its state is reset before every use
};
