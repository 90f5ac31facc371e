// The marked-text scan over any bytes: the byte scan, the scan of a book's first items and the
// lookup of one name (in a given code page, or choosing it as it reads), and the scan choosing
// its code page as it reads, must agree with converting every line, and cutting any item's bytes
// must be safe.

#include "CodePage.h"
#include "IndexSink.h"
#include "ItemNames.h"
#include "ItemSink.h"
#include "MarkedText.h"
#include "OffsetTable.h"
#include "TextCodec.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
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
        ScanMarkedText(bytes, *codec, halves, 1); // as a large book is: on two threads at once
        ScanMarkedTextLines(bytes, *codec, plain);
        if (fast.positions != plain.positions || fast.names != plain.names)
            std::abort();
        if (halves.positions != plain.positions || halves.names != plain.names)
            std::abort();
        // An index takes the parts held by the threads whole or copies them.
        COffsetTable table;
        CItemNames names;
        CIndexSink index(table, names);
        ScanMarkedText(bytes, *codec, index, 1);
        if (table.Count() != static_cast<std::int32_t>(plain.positions.size()))
            std::abort();
        for (std::int32_t i = 0; i < table.Count(); ++i) {
            if (table[i] != plain.positions[i] || names.Name(i) != plain.names[i])
                std::abort();
        }
        // A book's first items, from its start's whole lines, are the whole book's first items
        // but for the last one found there, which ends where they do.
        for (const std::size_t limit : {size / 3, size / 2, size - size / 4}) {
            const std::span<const std::uint8_t> lines = WholeLines(bytes, limit);
            SItems first;
            const std::size_t end = ScanFirstMarkedTextItems(lines, *codec, first);
            std::size_t heads = 0;
            while (heads < plain.positions.size() &&
                   static_cast<std::size_t>(plain.positions[heads]) < lines.size())
                ++heads;
            const std::size_t listed = heads ? heads - 1 : 0;
            if (first.positions.size() != listed ||
                !std::equal(first.positions.begin(), first.positions.end(),
                            plain.positions.begin()) ||
                !std::equal(first.names.begin(), first.names.end(), plain.names.begin()) ||
                end !=
                    (heads ? static_cast<std::size_t>(plain.positions[heads - 1]) : lines.size()))
                std::abort();
        }
        // Bytes spoilt as soon as the scan says it has passed them change nothing.
        std::vector<std::uint8_t> spoilt(data, data + size);
        SItems passedOver;
        ScanMarkedText(spoilt, *codec, passedOver, 1, [&](std::size_t from, std::size_t to) {
            for (std::size_t i = from; i < to; ++i)
                spoilt[i] = "x///\n"[i % 5];
        });
        if (passedOver.positions != plain.positions || passedOver.names != plain.names)
            std::abort();
        if (MarkedTextLooksUtf8(bytes, 1) != MarkedTextLooksUtf8(bytes))
            std::abort(); // the evidence in two halves is the evidence of the whole
        // Looking a name up finds what the whole index finds: for the start of the last name,
        // upper-cased, the first item whose name begins with it.
        std::u16string term = plain.names.empty() ? u"x" : plain.names.back().substr(0, 3);
        for (char16_t& c : term)
            c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
        const SFoundItem found = FindMarkedTextItem(bytes, *codec, term);
        std::int32_t want = -1;
        for (std::size_t i = 0; i < plain.names.size() && want < 0; ++i)
            if (NameBeginsWith(plain.names[i], term))
                want = static_cast<std::int32_t>(i);
        if (found.index != want || found.last + 1 != static_cast<std::int32_t>(plain.names.size()))
            std::abort();
        // The items after the first counted by blocks, whole and in two halves at once.
        for (const std::size_t splitAt : {kScanSplitBytes, std::size_t{1}})
            if (FindMarkedTextItem(bytes, *codec, u"", splitAt).last != found.last)
                std::abort();
        if (want >= 0 && (found.name != plain.names[want] ||
                          found.start != static_cast<std::uint32_t>(plain.positions[want])))
            std::abort();
        // Choosing the code page while looking up finds what choosing it first finds: for this
        // page's term, the plain scan's item where the book is read in this page.
        const bool looksUtf8 = MarkedTextLooksUtf8(bytes);
        const CTextCodec& chosen = looksUtf8 ? *utf8 : *cp949;
        const SFoundItem want2 = &chosen == codec ? found : FindMarkedTextItem(bytes, chosen, term);
        // A large book is counted in chunks of a quarter of splitAt, from both ends at once.
        const std::size_t fine = size < 4096 ? 1 : size / 64 + 1;
        for (const std::size_t splitAt : {kScanSplitBytes, fine, size / 3 + 1}) {
            bool chose = !looksUtf8;
            const SFoundItem both =
                FindMarkedTextItemChoosingCodec(bytes, *utf8, *cp949, term, chose, splitAt);
            if (chose != looksUtf8 || both.index != want2.index || both.last != want2.last ||
                both.start != want2.start || both.end != want2.end || both.name != want2.name)
                std::abort();
            if (&chosen == codec &&
                (both.index != want || (want >= 0 && both.name != plain.names[want])))
                std::abort();
        }
        // The scan that chooses the code page on its way finds what choosing first and then
        // scanning finds: the plain scan's items where the book is read in this page.
        static const auto page = CCodePage::Create();
        for (const std::size_t splitAt : {kScanSplitBytes, std::size_t{1}}) {
            for (const std::size_t guess : {kTextGuessBytes, size / 2}) {
                if (&chosen != codec)
                    continue;
                std::optional<SItems> got;
                const bool chose = ScanMarkedTextChoosingCodePage(
                    bytes, *page, [&]() -> CItemSink& { return got.emplace(); }, splitAt, guess);
                if (chose != looksUtf8 || got->positions != plain.positions ||
                    got->names != plain.names)
                    std::abort();
            }
        }
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
