#pragma once

// Marked-text books: plain 8-bit text in which every line holding the marker "///" starts an
// item.
//
//   line      = the bytes up to a line feed (0x0A), which ends the line and belongs to none.
//               CR and zero bytes belong to the line. Bytes after the last line feed form no
//               line and are never examined.
//   text      = a line's bytes up to its first zero byte, converted to UTF-16.
//   head line = a line whose text holds "///" (a marker after a zero byte does not count).
//   item      = from the first byte of its head line to the next head line, or to the end of
//               the file for the last item. Bytes before the first head line belong to none.
//   position  = the offset of the first byte of the item's head line.
//   name      = the head line's text before its first marker, untrimmed; also the title.
//   body      = the item's text after its first marker, line ends as in the file, ending at
//               the item's first zero byte.

#include "BookFile.h"
#include "FoundItem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

class CBinaryFile;
class CCodePage;
class CItemSink;
class COffsetTable;
class CTextCodec;

// Books from this size on are scanned on two threads at once.
inline constexpr std::size_t kScanSplitBytes = 16 << 20;

// Finds the items of the book in data and reports each to sink, in file order. Where the code
// page allows it, the marker is found in the raw bytes and only names are converted; data of
// splitAt bytes or more is then scanned on two threads, which share it out in pieces cut after
// line feeds, the items of all but the first part held and reported after it.
//
// passed, when given, is told of the bytes the scan has read for the last time.
void ScanMarkedText(std::span<const std::uint8_t> data, const CTextCodec& codec, CItemSink& sink,
                    std::size_t splitAt = kScanSplitBytes, const ScanPassed& passed = {});

// How many of a book's first bytes ScanMarkedTextChoosingCodePage guesses its code page from.
inline constexpr std::size_t kTextGuessBytes = 64 << 10;

// ScanMarkedText in the code page codePage gives the book by MarkedTextLooksUtf8, which it
// returns, without a read of its own to choose it: the scan reads names in the page the first
// guessBytes argue for and gathers the whole book's evidence on its way. When the whole book
// argues otherwise and some name holds a byte from 0x80 up, the names are made again, into the
// sink a second freshSink() call gives (names of ASCII alone read the same in either page).
// passed as ScanMarkedText's: a second scan reads the book again from its start.
bool ScanMarkedTextChoosingCodePage(std::span<const std::uint8_t> data, const CCodePage& codePage,
                                    const std::function<CItemSink&()>& freshSink,
                                    std::size_t splitAt = kScanSplitBytes,
                                    std::size_t guessBytes = kTextGuessBytes,
                                    const ScanPassed& passed = {});

// data up to its last line feed within its first `bytes` bytes (all of it when it is no longer):
// the whole lines of a book's start, no character cut in two.
std::span<const std::uint8_t> WholeLines(std::span<const std::uint8_t> data, std::size_t bytes);

// ScanMarkedText over lines, the whole lines of a book's start, but for the last item found,
// which may go on past them and is held back: what is reported are the book's first items, as
// the whole book's scan reports them. Returns where they end: the held item's position, or the
// lines' end when no item was found.
std::size_t ScanFirstMarkedTextItems(std::span<const std::uint8_t> lines, const CTextCodec& codec,
                                     CItemSink& sink);

// The same scan by the plain rule, converting every line: used for code pages in which the
// marker's bytes may be part of another character, and as the reference for the fast scan.
void ScanMarkedTextLines(std::span<const std::uint8_t> data, const CTextCodec& codec,
                         CItemSink& sink);

// The first item whose name begins with term (ASCII letters without case), found without
// listing the others: names that can't begin with it are not converted, and the items after it
// are only counted, in two halves at once when they span splitAt bytes or more, telling passed
// of the bytes counted. index is -1 when no name begins with term.
SFoundItem FindMarkedTextItem(std::span<const std::uint8_t> data, const CTextCodec& codec,
                              std::u16string_view term, std::size_t splitAt = kScanSplitBytes,
                              const ScanPassed& passed = {});

// FindMarkedTextItem in the code page MarkedTextLooksUtf8 chooses for the book (utf8 or other),
// which looksUtf8 receives, reading the book once where both pages are ASCII-compatible: the
// evidence is gathered as the search and the count go, and the search tries both pages. Data of
// splitAt bytes or more is searched in chunks from both ends at once, on two threads. Only when
// the page that finds the item first is ruled out later is the book searched again. passed, when
// given, is told of each chunk as its search is done: the bytes may still be read again (the
// item's end, a second search), so the caller may give back pages that come back from the file.
SFoundItem FindMarkedTextItemChoosingCodec(std::span<const std::uint8_t> data,
                                           const CTextCodec& utf8, const CTextCodec& other,
                                           std::u16string_view term, bool& looksUtf8,
                                           std::size_t splitAt = kScanSplitBytes,
                                           const ScanPassed& passed = {});

// Whether the book's bytes argue for reading it as UTF-8 (valid, with non-ASCII bytes). Data of
// splitAt bytes or more is read in two halves at once.
bool MarkedTextLooksUtf8(std::span<const std::uint8_t> data, std::size_t splitAt = kScanSplitBytes);

struct STextItem {
    std::u16string title;
    std::u16string body;
};

// Cuts one item's bytes (read from its position) into title and body. Bytes that no longer
// hold a marker, as when the book changed after its index was built, are all body.
STextItem CutTextItem(std::span<const std::uint8_t> bytes, const CTextCodec& codec);

// Positions the open book at item s, reads only that item's bytes and cuts them. Closes the
// file once the bytes are read. listedEnd: where the last listed item ends when the table lists
// only the book's first items (-1: at the file's end).
EItemRead ReadTextItem(CBinaryFile& file, const COffsetTable& table, std::int32_t s,
                       std::int32_t last, const CTextCodec& codec, STextItem& out,
                       std::int64_t listedEnd = -1);

// Whether the scan that gathers UTF-8 evidence may read 32 bytes at a time where the processor
// can (AVX2), as it does by default; the tests turn it off to check the 16-byte way too.
void AllowWideScan(bool allow);
