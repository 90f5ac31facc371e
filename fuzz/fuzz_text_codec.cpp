// Text conversion of any bytes in several code pages: it never crashes or hangs, stops at the
// first zero byte, and for the double-byte Korean code page never drops a byte silently.

#include "TextCodec.h"
#include "Utf8.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<CTextCodec> codecs[] = {
        CTextCodec::Create("CP949"),    CTextCodec::Create("UTF-8"),
        CTextCodec::Create("EUC-KR"),   CTextCodec::Create("ISO-2022-KR"),
        CTextCodec::Create("UTF-16LE"), CTextCodec::Create("GB18030")};
    if (size == 0)
        return 0;
    const CTextCodec& codec = *codecs[data[0] % std::size(codecs)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::u16string out = codec.Decode(text);
    const void* zero = std::memchr(text.data(), 0, text.size());
    const std::size_t used = zero ? static_cast<const char*>(zero) - text.data() : text.size();
    if (codec.Name() == "CP949" && (out.size() > used || out.size() * 2 < used))
        std::abort();
    (void)ToUtf8(out);
    (void)IsValidUtf8(data, size);
    return 0;
}
