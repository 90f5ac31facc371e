// The CVD scan over any bytes, then every listed record read back as a display reads it: the
// four bytes before its position up to the next record, re-checked and cut into a body. The
// scan that chooses the code page on its way is compared with the choice made first, and the
// scan in two parts with the scan in one.

#include "CodePage.h"
#include "Cvd.h"
#include "ItemNames.h"
#include "ItemSink.h"
#include "TextCodec.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Names go through an index's pool, as the book's index takes them, ASCII ones and those kept
// as the book's bytes included; a name kept as bytes reads as its conversion at once.
struct SPositions : CItemSink {
    void AddItem(std::int32_t position, std::u16string_view name) override {
        Keep(position, pool.Append(name));
    }
    void AddAsciiItem(std::int32_t position, std::string_view name) override {
        Keep(position, pool.AppendAscii(name));
    }
    void AddCodedItem(std::int32_t position, std::string_view bytes,
                      const CTextCodec& codec) override {
        Keep(position, pool.AppendCoded(bytes, codec));
        std::u16string converted;
        codec.DecodeAppendNonAscii(bytes, converted);
        if (names.back() != converted)
            std::abort();
    }
    void Keep(std::int32_t position, std::int32_t row) {
        positions.push_back(position);
        names.emplace_back(pool.Name(row));
    }
    CItemNames pool;
    std::vector<std::int32_t> positions;
    std::vector<std::u16string> names;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto codec = CTextCodec::Create("CP949");
    const std::span<const std::uint8_t> bytes(data, size);
    SPositions items;
    SCvdUtf8Evidence evidence;
    const std::uint32_t end = ScanCvd(bytes, *codec, items, &evidence);
    (void)CvdEndIsMalformed(end, static_cast<std::uint32_t>(size));
    // Two parts at once, however small the book, find what one scan finds.
    SPositions halves;
    SCvdUtf8Evidence halvesEvidence;
    if (ScanCvd(bytes, *codec, halves, &halvesEvidence, 1) != end ||
        halves.positions != items.positions || halves.names != items.names ||
        halvesEvidence.titlesRefuted != evidence.titlesRefuted ||
        halvesEvidence.titlesNonAscii != evidence.titlesNonAscii ||
        halvesEvidence.bodiesLookUtf8 != evidence.bodiesLookUtf8)
        std::abort();
    // Looking a name up finds what the whole index finds, with the scan's end.
    const std::u16string term = items.names.empty() ? u"x" : items.names.back().substr(0, 2);
    std::uint32_t lookupEnd = 0;
    const SFoundItem found = FindCvdItem(bytes, *codec, term, lookupEnd);
    std::int32_t want = -1;
    for (std::size_t i = 0; i < items.names.size() && want < 0; ++i)
        if (NameBeginsWith(items.names[i], term))
            want = static_cast<std::int32_t>(i);
    if (lookupEnd != end || found.index != want ||
        found.last + 1 != static_cast<std::int32_t>(items.names.size()))
        std::abort();
    // The code page chosen on the scan's way, from a guess on a prefix of any length, gives
    // what choosing it first gives.
    static const auto page = CCodePage::Create();
    const bool looksUtf8 = CvdLooksUtf8(bytes);
    SPositions chosen;
    const std::uint32_t chosenEnd = ScanCvd(bytes, page->CodecFor(looksUtf8), chosen);
    std::optional<SPositions> onTheWay;
    const SCvdScan scan = ScanCvdChoosingCodePage(
        bytes, *page, [&]() -> CItemSink& { return onTheWay.emplace(); },
        size > 0 ? data[size - 1] * size / 256 : 0);
    if (scan.looksUtf8 != looksUtf8 || scan.end != chosenEnd ||
        onTheWay->positions != chosen.positions || onTheWay->names != chosen.names)
        std::abort();
    for (std::size_t i = 0; i < items.positions.size(); ++i) {
        const std::size_t start = static_cast<std::size_t>(items.positions[i]) - 4;
        const std::size_t stop = i + 1 < items.positions.size()
                                     ? static_cast<std::size_t>(items.positions[i + 1])
                                     : size;
        if (start >= stop || stop > size)
            std::abort();
        // Names, ASCII ones widened without the code page among them, read as converted.
        const std::size_t title = bytes[start] | bytes[start + 1] << 8;
        if (title > 0 && start + 4 + title <= size &&
            items.names[i] != codec->Decode(std::string_view(
                                  reinterpret_cast<const char*>(data) + start + 4, title - 1)))
            std::abort();
        // Every record the scan accepted whole passes the display's re-check.
        const bool whole = i + 1 < items.positions.size();
        if (!CutCvdBody(bytes.subspan(start, stop - start), *codec) && whole)
            std::abort();
    }
    // Any slice at all, as a book changed on disk would give.
    if (size > 8)
        (void)CutCvdBody(bytes.subspan(size / 3), *codec);
    return 0;
}
