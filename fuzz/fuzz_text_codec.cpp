// Text conversion of any bytes in every code page iconv lists: it never crashes or hangs,
// stops at the first zero byte, the word-at-a-time path gives what iconv gives for the whole
// text (the last character included), the double-byte Korean code page never drops a byte
// silently, and the UTF-8 check in blocks of every width judges as the one a sequence at a
// time. The first two bytes choose the code page.

#include "TextCodec.h"
#include "Utf8.h"
#include "Utf8Blocks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Every name `iconv -l` lists, aliases included.
std::vector<std::string> ListedCodePages() {
    std::vector<std::string> names;
    if (FILE* list = ::popen("iconv -l", "r")) {
        std::string name;
        for (int c; (c = std::fgetc(list)) != EOF;) {
            if (c != ',' && c != ' ' && c != '\n') {
                name += static_cast<char>(c);
                continue;
            }
            if (name.size() > 2 && name.ends_with("//"))
                names.push_back(name.substr(0, name.size() - 2));
            name.clear();
        }
        ::pclose(list);
    }
    if (names.empty())
        names = {"CP949", "UTF-8", "EUC-KR", "ISO-2022-KR", "UTF-16LE", "GB18030", "CP1258"};
    return names;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string> names = ListedCodePages();
    static std::vector<std::unique_ptr<CTextCodec>> codecs(names.size());
    if (size < 2)
        return 0;
    const std::size_t pick = (data[0] << 8 | data[1]) % names.size();
    if (!codecs[pick])
        codecs[pick] = CTextCodec::Create(names[pick]);
    if (!codecs[pick])
        return 0;
    const CTextCodec& codec = *codecs[pick];
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::u16string out = codec.Decode(text);
    const void* zero = std::memchr(text.data(), 0, text.size());
    const std::size_t used = zero ? static_cast<const char*>(zero) - text.data() : text.size();
    if (codec.Name() == "CP949" && (out.size() > used || out.size() * 2 < used))
        std::abort();
    if (codec.IsAsciiCompatible() && out != codec.DecodeThroughIconv(text))
        std::abort();
    (void)ToUtf8(out);
    for (std::size_t width = 16; width <= Utf8BlockBytes(); width *= 2)
        if (IsValidUtf8InBlocks(data, size, width) != IsValidUtf8BySequence(data, size))
            std::abort();
    return 0;
}
