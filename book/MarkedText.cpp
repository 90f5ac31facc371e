#include "MarkedText.h"

#include "BinaryFile.h"
#include "ItemSink.h"
#include "OffsetTable.h"
#include "TextCodec.h"
#include "Utf8.h"

#include <cstring>
#include <exception>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

namespace {

constexpr std::u16string_view kMarker = u"///";

std::string_view Bytes(const std::uint8_t* p, std::size_t n) {
    return {reinterpret_cast<const char*>(p), n};
}

// Offset of the first "///" in [from, n), or n.
std::size_t FindMarker(const std::uint8_t* d, std::size_t from, std::size_t n) {
    while (from + 3 <= n) {
        const void* hit = std::memchr(d + from, '/', n - from - 2);
        if (!hit)
            return n;
        const std::size_t q = static_cast<const std::uint8_t*>(hit) - d;
        if (d[q + 1] != '/') {
            from = q + 2;
            continue;
        }
        if (d[q + 2] != '/') {
            from = q + 3;
            continue;
        }
        return q;
    }
    return n;
}

// For code pages in which the marker, the line feed and the zero byte are always those bytes:
// look for the marker in the raw bytes and convert only the names of head lines.
void ScanBytes(const std::uint8_t* d, std::size_t n, const CTextCodec& codec, CItemSink& sink) {
    std::u16string name;
    std::size_t from = 0; // always the start of a line
    while (from < n) {
        const std::size_t q = FindMarker(d, from, n);
        if (q == n)
            return;
        const void* lf = std::memchr(d + q + 3, '\n', n - q - 3);
        if (!lf)
            return; // the last line has no line feed: it is no line
        const auto* before = static_cast<const std::uint8_t*>(::memrchr(d + from, '\n', q - from));
        const std::size_t lineStart = before ? before - d + 1 : from;
        if (!std::memchr(d + lineStart, 0, q - lineStart)) {
            name.clear();
            codec.DecodeAppend(Bytes(d + lineStart, q - lineStart), name);
            sink.AddItem(static_cast<std::int32_t>(lineStart), name);
        }
        from = static_cast<const std::uint8_t*>(lf) - d + 1;
    }
}

// The items of a part of the book, held to be reported after the parts before it.
class CHeldItems : public CItemSink {
public:
    void AddItem(std::int32_t position, std::u16string_view name) override {
        m_positions.push_back(position);
        m_names.append(name);
        m_ends.push_back(m_names.size());
    }
    void ReportTo(CItemSink& sink, std::int32_t shift) const {
        std::size_t start = 0;
        for (std::size_t i = 0; i < m_positions.size(); ++i) {
            sink.AddItem(m_positions[i] + shift,
                         std::u16string_view(m_names).substr(start, m_ends[i] - start));
            start = m_ends[i];
        }
    }

private:
    std::vector<std::int32_t> m_positions;
    std::vector<std::size_t> m_ends;
    std::u16string m_names;
};

// Scanning is bound by the memory's speed and the names' conversion: two threads, each over
// one half, nearly halve a large book's build. Lines never straddle the cut, so the halves
// find exactly the items a single scan finds.
void ScanBytesInHalves(const std::uint8_t* d, std::size_t n, const CTextCodec& codec,
                       CItemSink& sink) {
    const void* lf = std::memchr(d + n / 2, '\n', n - n / 2);
    if (!lf) {
        ScanBytes(d, n, codec, sink);
        return;
    }
    const std::size_t cut = static_cast<const std::uint8_t*>(lf) - d + 1;
    CHeldItems second;
    std::exception_ptr secondFailed;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                ScanBytes(d + cut, n - cut, codec, second);
            } catch (...) {
                secondFailed = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        ScanBytes(d, n, codec, sink); // no thread to be had: one scan does it all
        return;
    }
    std::exception_ptr firstFailed;
    try {
        ScanBytes(d, cut, codec, sink);
    } catch (...) {
        firstFailed = std::current_exception();
    }
    worker.join();
    if (firstFailed)
        std::rethrow_exception(firstFailed);
    if (secondFailed)
        std::rethrow_exception(secondFailed);
    second.ReportTo(sink, static_cast<std::int32_t>(cut));
}

// For any other code page: convert every line and look for the marker in its text.
void ScanLines(const std::uint8_t* d, std::size_t n, const CTextCodec& codec, CItemSink& sink) {
    std::u16string text;
    std::size_t lineStart = 0;
    while (lineStart < n) {
        const void* lf = std::memchr(d + lineStart, '\n', n - lineStart);
        if (!lf)
            return;
        const std::size_t lineEnd = static_cast<const std::uint8_t*>(lf) - d;
        text.clear();
        codec.DecodeAppend(Bytes(d + lineStart, lineEnd - lineStart), text);
        const std::size_t marker = text.find(kMarker);
        if (marker != std::u16string::npos)
            sink.AddItem(static_cast<std::int32_t>(lineStart),
                         std::u16string_view(text).substr(0, marker));
        lineStart = lineEnd + 1;
    }
}

} // namespace

void ScanMarkedText(std::span<const std::uint8_t> data, const CTextCodec& codec, CItemSink& sink,
                    std::size_t splitAt) {
    if (codec.IsAsciiCompatible() && data.size() >= splitAt && codec.PrepareConcurrentUse())
        ScanBytesInHalves(data.data(), data.size(), codec, sink);
    else if (codec.IsAsciiCompatible())
        ScanBytes(data.data(), data.size(), codec, sink);
    else
        ScanLines(data.data(), data.size(), codec, sink);
}

void ScanMarkedTextLines(std::span<const std::uint8_t> data, const CTextCodec& codec,
                         CItemSink& sink) {
    ScanLines(data.data(), data.size(), codec, sink);
}

bool MarkedTextLooksUtf8(std::span<const std::uint8_t> data) {
    CUtf8Evidence evidence;
    evidence.Feed(data.data(), data.size());
    return evidence.LooksUtf8();
}

STextItem CutTextItem(std::span<const std::uint8_t> bytes, const CTextCodec& codec) {
    STextItem item;
    const std::u16string text = codec.Decode(Bytes(bytes.data(), bytes.size()));
    const std::size_t marker = text.find(kMarker);
    if (marker == std::u16string::npos) {
        item.body = text;
        return item;
    }
    item.title = text.substr(0, marker);
    item.body = text.substr(marker + kMarker.size());
    return item;
}

EItemRead ReadTextItem(CBinaryFile& file, const COffsetTable& table, std::int32_t s,
                       std::int32_t last, const CTextCodec& codec, STextItem& out) {
    if (s < 0 || s > last || s >= table.Count())
        return EItemRead::NoSelection;
    const SItemRange range = ItemRange(table, s, last, file.GetLength());
    if (file.Seek(range.start) != range.start)
        return EItemRead::PositionNotFound;
    std::int64_t read = 0;
    auto bytes = ReadItemBytes(file, range.length, read);
    file.Close();
    if (!bytes)
        return EItemRead::TooLarge;
    out = CutTextItem({bytes.get(), static_cast<std::size_t>(read)}, codec);
    return EItemRead::Shown;
}
