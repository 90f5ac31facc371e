#include "Book.h"

#include "BinaryFile.h"
#include "BookFile.h"
#include "BookMessages.h"
#include "CodePage.h"
#include "Cvd.h"
#include "IndexSink.h"
#include "ItemSink.h"

#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

// Gives the book's pages back as a scan passes them. A book scanned as two parts keeps two
// cores busy: without a third, a thread of its own for the pages only takes turns with the
// scan, so they go on the scan's own threads. A small book is told of in one piece, at the
// scan's end: starting a thread for it would cost more than giving its pages back at once.
ScanPassed ReleaseAsPassed(SBookBytes& book, std::size_t splitAt) {
    constexpr std::size_t kOwnThreadFrom = 4 << 20;
    const auto on = book.size < kOwnThreadFrom ||
                            (book.size >= splitAt && std::thread::hardware_concurrency() <= 2)
                        ? BookBuffer::EReleaseOn::Caller
                        : BookBuffer::EReleaseOn::OwnThread;
    return [&book, on](std::size_t from, std::size_t to) { book.data.Release(from, to, on); };
}

// Gives back the previous book's index, then the heap the new one's growth left, on a thread of
// their own: for a large book that is tens of MiB of pages, which nobody waits for. Here when no
// thread is to be had, or the index is too small to be worth one (the first book's: none). The
// thread is joined before the next one starts and with the book, so that none is left running
// when the program ends.
std::thread ReleaseAside(COffsetTable offsets, CItemNames names) {
    constexpr std::size_t kOwnThreadFrom = 1 << 20;
    if (names.NameBytes() + static_cast<std::size_t>(offsets.Count()) * 8 < kOwnThreadFrom)
        return {};
    auto index =
        std::make_unique<std::pair<COffsetTable, CItemNames>>(std::move(offsets), std::move(names));
    auto release = [index = std::move(index)]() mutable {
        index.reset();
#ifdef __GLIBC__
        malloc_trim(0);
#endif
    };
    try {
        return std::thread(std::move(release));
    } catch (const std::system_error&) {
        release();
    }
    return {};
}

} // namespace

EFileKind FileKindOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return EFileKind::OtherText;
    std::string ext(path.substr(dot + 1));
    for (char& c : ext) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    if (ext == "cvd")
        return EFileKind::Cvd;
    return ext == "txt" ? EFileKind::MarkedText : EFileKind::OtherText;
}

const char16_t* MessageOf(EBookStatus status) {
    switch (status) {
    case EBookStatus::FileMissing:
        return BookMessages::kFileMissing;
    case EBookStatus::TooLarge:
        return BookMessages::kTooLarge;
    case EBookStatus::CvdFormat:
        return BookMessages::kCvdFormat;
    case EBookStatus::CannotOpen:
        return BookMessages::kCannotOpen;
    case EBookStatus::PositionNotFound:
        return BookMessages::kPositionNotFound;
    case EBookStatus::Ok:
    case EBookStatus::Malformed:
    case EBookStatus::NoSelection:
        break;
    }
    return nullptr;
}

ECodePageFit CodePageFit(const std::string& codePage) {
    const auto codec = CTextCodec::Create(codePage);
    if (!codec)
        return ECodePageFit::Unknown;
    return codec->IsByteText() ? ECodePageFit::Ok : ECodePageFit::NotByteText;
}

std::unique_ptr<CBook> CBook::Create(const std::string& forcedCodePage) {
    auto codePage = CCodePage::Create(forcedCodePage);
    if (!codePage)
        return nullptr;
    return std::unique_ptr<CBook>(new CBook(std::move(codePage)));
}

CBook::CBook(std::unique_ptr<CCodePage> codePage)
    : m_pOffsets(std::make_unique<COffsetTable>()), m_pCodePage(std::move(codePage)),
      m_pCodec(&m_pCodePage->CodecFor(/*looksUtf8=*/false)) {}

CBook::~CBook() {
    if (m_releasing.joinable())
        m_releasing.join();
}

namespace {

// Maps the whole book; cannotOpen is the status its failure to open is reported as.
EBookStatus MapBook(const std::string& path, SBookBytes& book, EBookStatus cannotOpen) {
    switch (ReadWholeBook(path, book)) {
    case EReadBook::CannotOpen:
        return cannotOpen;
    case EReadBook::TooLarge:
        return EBookStatus::TooLarge;
    case EReadBook::Ok:
        break;
    }
    return EBookStatus::Ok;
}

} // namespace

const CTextCodec& CBook::ChooseCodec(std::span<const std::uint8_t> bytes, bool cvd) const {
    if (m_pCodePage->IsForced())
        return m_pCodePage->CodecFor(/*looksUtf8=*/false);
    return m_pCodePage->CodecFor(cvd ? CvdLooksUtf8(bytes) : MarkedTextLooksUtf8(bytes));
}

EBookStatus CBook::Open(const std::string& path, EFileKind kind) {
    SBookBytes book;
    if (const EBookStatus status = MapBook(path, book, EBookStatus::FileMissing);
        status != EBookStatus::Ok)
        return status;
    const std::span<const std::uint8_t> bytes(book.data.get(), book.size);
    const bool cvd = kind == EFileKind::Cvd;
    const CTextCodec* codec = nullptr;

    // The new index is built beside the old one and replaces it only when whole, so a build
    // that runs out of memory leaves the previous book as it was.
    COffsetTable offsets;
    CItemNames names;
    bool format = false;
    // The book's pages the scan has read for the last time go back as it reads on.
    const ScanPassed release = ReleaseAsPassed(book, cvd ? kCvdSplitBytes : kScanSplitBytes);
    try {
        if (cvd && !m_pCodePage->IsForced()) {
            // The code page is chosen on the scan's way through the book, which may then
            // make the names again from the start.
            std::optional<CIndexSink> sink;
            const SCvdScan scan = ScanCvdChoosingCodePage(
                bytes, *m_pCodePage,
                [&]() -> CItemSink& {
                    offsets.Clear();
                    names.Clear();
                    return sink.emplace(offsets, names, &release);
                },
                kCvdGuessBytes, release);
            codec = &m_pCodePage->CodecFor(scan.looksUtf8);
            format = CvdEndIsMalformed(scan.end, book.size);
        } else if (!cvd && !m_pCodePage->IsForced()) {
            // The same for a text book: one read of it, two only when it ends by ruling out
            // the page its first bytes argued for and a name depends on the page.
            std::optional<CIndexSink> sink;
            const bool looksUtf8 = ScanMarkedTextChoosingCodePage(
                bytes, *m_pCodePage,
                [&]() -> CItemSink& {
                    offsets.Clear();
                    names.Clear();
                    return sink.emplace(offsets, names);
                },
                kScanSplitBytes, kTextGuessBytes, release);
            codec = &m_pCodePage->CodecFor(looksUtf8);
        } else {
            codec = &ChooseCodec(bytes, cvd);
            CIndexSink sink(offsets, names, cvd ? &release : nullptr);
            if (cvd)
                format = CvdEndIsMalformed(
                    ScanCvd(bytes, *codec, sink, nullptr, kCvdSplitBytes, release), book.size);
            else
                ScanMarkedText(bytes, *codec, sink, kScanSplitBytes, release);
        }
    } catch (const std::bad_alloc&) {
        return EBookStatus::TooLarge;
    }
    book.data.reset();

    TakeIndex(path, kind, *codec, std::move(offsets), std::move(names), /*listedEnd=*/-1);
    return format ? EBookStatus::CvdFormat : EBookStatus::Ok;
}

void CBook::TakeIndex(const std::string& path, EFileKind kind, const CTextCodec& codec,
                      COffsetTable offsets, CItemNames names, std::int64_t listedEnd) {
    // The index keeps only what it holds: the room its growth left over and the heap the
    // growth freed go back to the system, which a book of a million items makes tens of MiB.
    offsets.Squeeze();
    names.Squeeze();
    if (m_releasing.joinable())
        m_releasing.join();
    m_releasing = ReleaseAside(std::exchange(*m_pOffsets, std::move(offsets)),
                               std::exchange(m_names, std::move(names)));
    m_strPath = path;
    m_nFileKind = kind;
    m_pCodec = &codec;
    m_nLastIndex = m_pOffsets->Count() - 1;
    m_nListedEnd = listedEnd;
}

EBookStatus CBook::OpenFirstItems(const std::string& path, EFileKind kind, std::size_t bytes) {
    if (kind == EFileKind::Cvd)
        return Open(path, kind);
    SBookBytes book;
    if (const EBookStatus status = MapBook(path, book, EBookStatus::FileMissing);
        status != EBookStatus::Ok)
        return status;
    if (book.size <= bytes) {
        book.data.reset();
        return Open(path, kind);
    }
    const std::span<const std::uint8_t> first = WholeLines({book.data.get(), book.size}, bytes);
    const CTextCodec& codec = ChooseCodec(first, /*cvd=*/false);
    COffsetTable offsets;
    CItemNames names;
    std::size_t listedEnd = 0;
    try {
        CIndexSink sink(offsets, names);
        listedEnd = ScanFirstMarkedTextItems(first, codec, sink);
    } catch (const std::bad_alloc&) {
        return EBookStatus::TooLarge;
    }
    book.data.reset();
    TakeIndex(path, kind, codec, std::move(offsets), std::move(names),
              static_cast<std::int64_t>(listedEnd));
    return EBookStatus::Ok;
}

std::span<const std::uint8_t> CBook::ListedBytes(const SBookBytes& book) const {
    std::size_t size = book.size;
    if (m_nListedEnd >= 0 && static_cast<std::uint64_t>(m_nListedEnd) < size)
        size = static_cast<std::size_t>(m_nListedEnd);
    return {book.data.get(), size};
}

EBookStatus CBook::ReadItem(std::int32_t s, STextItem& item) const {
    CBinaryFile file;
    if (!file.Open(m_strPath, CBinaryFile::Mode::Read))
        return EBookStatus::CannotOpen;
    EItemRead result;
    try {
        if (m_nFileKind == EFileKind::Cvd) {
            std::u16string body;
            result = ReadCvdItem(file, *m_pOffsets, s, m_nLastIndex, *m_pCodec, body);
            // The title shown is the name the build listed; the file's title bytes are not
            // read again.
            if (result == EItemRead::Shown)
                item = {m_names.Name(s), std::move(body)};
        } else {
            result =
                ReadTextItem(file, *m_pOffsets, s, m_nLastIndex, *m_pCodec, item, m_nListedEnd);
        }
    } catch (const std::bad_alloc&) {
        return EBookStatus::TooLarge; // the item's text does not fit beside its bytes
    }
    switch (result) {
    case EItemRead::Shown:
        return EBookStatus::Ok;
    case EItemRead::NoSelection:
        return EBookStatus::NoSelection;
    case EItemRead::PositionNotFound:
        return EBookStatus::PositionNotFound;
    case EItemRead::Malformed:
        return EBookStatus::Malformed;
    case EItemRead::TooLarge:
        return EBookStatus::TooLarge;
    }
    return EBookStatus::NoSelection;
}

EBookStatus CBook::FindText(std::u16string_view term, std::int32_t after, std::int32_t& found,
                            const CTextSearch::Progress& progress) const {
    found = -1;
    SBookBytes book;
    if (const EBookStatus status = MapBook(m_strPath, book, EBookStatus::CannotOpen);
        status != EBookStatus::Ok)
        return status;
    const CTextSearch search(term, *m_pCodec);
    found = search.FindNext(ListedBytes(book), *m_pOffsets, m_nFileKind == EFileKind::Cvd, after,
                            progress);
    return EBookStatus::Ok;
}

EBookStatus CBook::FindPreviousText(std::u16string_view term, std::int32_t before,
                                    std::int32_t& found,
                                    const CTextSearch::Progress& progress) const {
    found = -1;
    SBookBytes book;
    if (const EBookStatus status = MapBook(m_strPath, book, EBookStatus::CannotOpen);
        status != EBookStatus::Ok)
        return status;
    const CTextSearch search(term, *m_pCodec);
    found = search.FindPrevious(ListedBytes(book), *m_pOffsets, m_nFileKind == EFileKind::Cvd,
                                before, progress);
    return EBookStatus::Ok;
}

EBookStatus CBook::FindAllText(std::u16string_view term, std::vector<std::int32_t>& found) const {
    found.clear();
    SBookBytes book;
    if (const EBookStatus status = MapBook(m_strPath, book, EBookStatus::CannotOpen);
        status != EBookStatus::Ok)
        return status;
    const CTextSearch search(term, *m_pCodec);
    const std::span<const std::uint8_t> bytes = ListedBytes(book);
    const bool cvd = m_nFileKind == EFileKind::Cvd;
    for (std::int32_t i = search.FindFrom(bytes, *m_pOffsets, cvd, 0); i >= 0;
         i = search.FindFrom(bytes, *m_pOffsets, cvd, i + 1))
        found.push_back(i);
    return EBookStatus::Ok;
}

EBookStatus CBook::FindFirst(const std::string& path, EFileKind kind, std::u16string_view term,
                             SFoundItem& found, STextItem& item) const {
    SBookBytes book;
    if (const EBookStatus status = MapBook(path, book, EBookStatus::FileMissing);
        status != EBookStatus::Ok)
        return status;
    const std::span<const std::uint8_t> bytes(book.data.get(), book.size);
    const bool cvd = kind == EFileKind::Cvd;
    const ScanPassed release = ReleaseAsPassed(book, kScanSplitBytes);
    try {
        if (!cvd) {
            const CTextCodec* codec = &m_pCodePage->CodecFor(/*looksUtf8=*/false);
            if (m_pCodePage->IsForced()) {
                found = FindMarkedTextItem(bytes, *codec, term, kScanSplitBytes, release);
            } else {
                // The code page is chosen in the same pass over the book as the search.
                bool looksUtf8 = false;
                found = FindMarkedTextItemChoosingCodec(bytes, m_pCodePage->CodecFor(true), *codec,
                                                        term, looksUtf8, kScanSplitBytes, release);
                codec = &m_pCodePage->CodecFor(looksUtf8);
            }
            if (found.index >= 0)
                item = CutTextItem(bytes.subspan(found.start, found.end - found.start), *codec);
            return EBookStatus::Ok;
        }
        const CTextCodec* codec = &ChooseCodec(bytes, cvd);
        std::uint32_t end = 0;
        found = FindCvdItem(bytes, *codec, term, end);
        found.formatFault = CvdEndIsMalformed(end, book.size);
        if (found.index < 0)
            return EBookStatus::Ok;
        // As a display reads it: from the title length, four bytes before the position.
        const std::uint32_t from = found.start - 4;
        auto body = CutCvdBody(bytes.subspan(from, found.end - from), *codec);
        if (!body)
            return EBookStatus::Malformed;
        item = {found.name, std::move(*body)};
    } catch (const std::bad_alloc&) {
        return EBookStatus::TooLarge;
    }
    return EBookStatus::Ok;
}
