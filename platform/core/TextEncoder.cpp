#include "TextEncoder.h"

#include <bit>
#include <cerrno>
#include <iconv.h>

namespace {

constexpr const char* kUtf16Native =
    std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

} // namespace

std::unique_ptr<CTextEncoder> CTextEncoder::Create(const std::string& codePage) {
    iconv_t cd = ::iconv_open(codePage.c_str(), kUtf16Native);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return std::unique_ptr<CTextEncoder>(new CTextEncoder(cd));
}

CTextEncoder::~CTextEncoder() {
    ::iconv_close(static_cast<iconv_t>(m_pHandle));
}

std::optional<std::string> CTextEncoder::Encode(std::u16string_view text) const {
    const auto cd = static_cast<iconv_t>(m_pHandle);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out;
    // Eight bytes a unit is room for any code page, shift sequences included.
    out.resize(text.size() * 8 + 16);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(char16_t);
    char* at = out.data();
    std::size_t outLeft = out.size();
    if (::iconv(cd, &in, &inLeft, &at, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    // A stateful code page closes its last shift here.
    if (::iconv(cd, nullptr, nullptr, &at, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}
