#pragma once

#include "FoundItem.h"
#include "ItemNames.h"
#include "MarkedText.h"
#include "OffsetTable.h"
#include "TextSearch.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class CCodePage;
class CTextCodec;

// How a book is read: 0 marked text (extension txt), 1 CVD (extension cvd), 2 any other
// extension, read as marked text.
enum class EFileKind { MarkedText = 0, Cvd = 1, OtherText = 2 };

// The kind of the file at path by its extension, compared in lower case; a name without an
// extension is of kind 2.
EFileKind FileKindOf(std::string_view path);

// Outcome of building an index or reading an item.
enum class EBookStatus {
    Ok,
    FileMissing,      // build: the book can't be opened; the book is unchanged
    TooLarge,         // build or item: it does not fit in memory; the book is unchanged
    CvdFormat,        // build: part of the file is in another format; the items before it are
                      // indexed
    CannotOpen,       // item: the book can't be opened
    PositionNotFound, // item: the recorded position lies beyond the file's end now
    Malformed,        // item: a CVD record fails its re-check; nothing to show, silently
    NoSelection,      // item: no such item; nothing read, silently
};

// The Korean message the user is shown for a status; null for Ok, Malformed and NoSelection.
const char16_t* MessageOf(EBookStatus status);

// Whether books can be read in a code page: iconv may not know it, or the line feed and '/'
// may not be bytes of their own in it (UTF-16, UTF-32, UCS-2, EBCDIC), which the line and
// marker rules need.
enum class ECodePageFit { Ok, Unknown, NotByteText };
ECodePageFit CodePageFit(const std::string& codePage);

// One open book for both front ends: its path and kind, its index (offset table and item
// names) and the code page it is read in. The index holds positions and names only; every
// item is read from the file again when it is wanted.
class CBook {
public:
    // forcedCodePage: an iconv name every book is read in, or empty to choose per book (UTF-8
    // when the book is valid UTF-8 with non-ASCII bytes, else CP949). Null for a name refused
    // (CodePageFit says why).
    static std::unique_ptr<CBook> Create(const std::string& forcedCodePage = {});
    ~CBook();
    CBook(const CBook&) = delete;
    CBook& operator=(const CBook&) = delete;

    // Builds the index of the book at path (the file system's bytes) read as kind. On
    // FileMissing and TooLarge path, kind, code page and index stay those of the previous
    // book; on CvdFormat the book is open with the items found before the fault.
    EBookStatus Open(const std::string& path, EFileKind kind);

    // As Open, but lists only the items that lie whole in the book's first `bytes` bytes, read
    // in the code page those bytes argue for: for a window to show the start of a large book at
    // once while its whole index is built elsewhere. A book no longer than that, and a CVD book,
    // is opened whole. An item, a text search, reads no further than the listed items reach.
    EBookStatus OpenFirstItems(const std::string& path, EFileKind kind, std::size_t bytes);
    // Whether the index lists every item of the book: false after OpenFirstItems left some out.
    bool IsWhole() const { return m_nListedEnd < 0; }

    // Reads item s from the file again and makes its title and body (a CVD item's title is its
    // listed name). item is changed only on Ok.
    EBookStatus ReadItem(std::int32_t s, STextItem& item) const;

    // Looks for the first item after `after` (wrapping, `after` itself last) whose title or
    // body holds term, in the file's bytes: found is its index, -1 when no item holds it, or
    // CTextSearch::kCancelled when progress stopped the search. CannotOpen or TooLarge when
    // the file can't be read now; found is then -1.
    EBookStatus FindText(std::u16string_view term, std::int32_t after, std::int32_t& found,
                         const CTextSearch::Progress& progress = {}) const;

    // As FindText, backwards: the last item before `before` (wrapping, `before` itself last).
    EBookStatus FindPreviousText(std::u16string_view term, std::int32_t before, std::int32_t& found,
                                 const CTextSearch::Progress& progress = {}) const;

    // Looks up the first item of the book at path whose name begins with term (ASCII letters
    // without case), read as kind, without building the book's index: the scan stops listing
    // at that item and only counts the rest. found tells which item it is and the book's last
    // index (index -1: no name begins with term); item gets its title and body, made from the
    // bytes just read. The open book is left as it was. FileMissing and TooLarge as Open;
    // Malformed when the item's CVD record is cut short.
    EBookStatus FindFirst(const std::string& path, EFileKind kind, std::u16string_view term,
                          SFoundItem& found, STextItem& item) const;

    // Every item whose title or body holds term, in file order, looked up as FindText does.
    EBookStatus FindAllText(std::u16string_view term, std::vector<std::int32_t>& found) const;

    const std::string& Path() const { return m_strPath; }
    EFileKind Kind() const { return m_nFileKind; }
    // Number of items minus one: -1 for a book without items, 0 before any book.
    std::int32_t LastIndex() const { return m_nLastIndex; }
    // The offset table and the names stay the same objects for the book's life: a view may
    // keep references to them across Open.
    const COffsetTable& Offsets() const { return *m_pOffsets; }
    const CItemNames& Names() const { return m_names; }
    // The code page the open book is read in.
    const CTextCodec& Codec() const { return *m_pCodec; }

private:
    explicit CBook(std::unique_ptr<CCodePage> codePage);
    // The code page a book with these bytes is read in: the forced one, else by its bytes.
    const CTextCodec& ChooseCodec(std::span<const std::uint8_t> bytes, bool cvd) const;
    // The bytes of a mapped book the listed items lie in.
    std::span<const std::uint8_t> ListedBytes(const SBookBytes& book) const;
    // Makes the index built the book's, handing the previous one to m_releasing.
    void TakeIndex(const std::string& path, EFileKind kind, const CTextCodec& codec,
                   COffsetTable offsets, CItemNames names, std::int64_t listedEnd);

    std::string m_strPath;
    EFileKind m_nFileKind = EFileKind::MarkedText;
    std::int32_t m_nLastIndex = 0;
    std::int64_t m_nListedEnd = -1; // where the listed items end, when not at the file's end
    std::unique_ptr<COffsetTable> m_pOffsets;
    CItemNames m_names;
    std::unique_ptr<CCodePage> m_pCodePage;
    const CTextCodec* m_pCodec; // one of m_pCodePage's
    std::thread m_releasing;    // giving back the index of the book before, if still running
};
