// The marked-text scan over any bytes: the byte scan must agree with converting every line,
// and cutting any item's bytes must be safe.

#include "ItemSink.h"
#include "MarkedText.h"
#include "TextCodec.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct SItems : CItemSink {
    void AddItem(std::int32_t position, std::u16string_view name) override {
        positions.push_back(position);
        names.emplace_back(name);
    }
    std::vector<std::int32_t> positions;
    std::vector<std::u16string> names;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto cp949 = CTextCodec::Create("CP949");
    static const auto utf8 = CTextCodec::Create("UTF-8");
    const std::span<const std::uint8_t> bytes(data, size);
    for (const CTextCodec* codec : {cp949.get(), utf8.get()}) {
        SItems fast, halves, plain;
        ScanMarkedText(bytes, *codec, fast);
        ScanMarkedText(bytes, *codec, halves, 1); // as a large book is: in two halves at once
        ScanMarkedTextLines(bytes, *codec, plain);
        if (fast.positions != plain.positions || fast.names != plain.names)
            std::abort();
        if (halves.positions != plain.positions || halves.names != plain.names)
            std::abort();
        for (std::size_t i = 0; i < fast.positions.size(); ++i) {
            const std::size_t start = static_cast<std::size_t>(fast.positions[i]);
            const std::size_t end = i + 1 < fast.positions.size()
                                        ? static_cast<std::size_t>(fast.positions[i + 1])
                                        : size;
            if (start > end || end > size)
                std::abort();
            const STextItem item = CutTextItem(bytes.subspan(start, end - start), *codec);
            if (item.title != fast.names[i])
                std::abort(); // the title shown is the name listed
        }
    }
    return 0;
}
