#pragma once

// CVD books: a 74-byte header that is never examined, then records from byte 74 (0x4A) on.
// Numbers are unsigned little-endian; offsets are from the record's start p.
//
//   OFFSET   SIZE  FIELD         REQUIRED
//   0        4     record mark   00 02 00 02
//   4        4     title length  N; bytes 6 and 7 are 0, so N <= 65535
//   8        N     title         8-bit text; its last byte (N + 7) is 0
//   N + 8    2     body mark     1E 03
//   N + 10   4     body length   M; bytes N + 12 and N + 13 are 0, so M <= 65535
//   N + 14   M     body          8-bit text; its last byte is the next record's first
//
// The next record starts at p + N + 13 + M, on the body's last byte: every body but the last
// ends in the zero byte that opens the next record. An item is recorded at p + 8, its first
// title byte; its name is the title up to its first zero byte. The body shown is the body
// with its last byte taken as zero and a line feed written after every carriage return.

#include "BookFile.h"
#include "FoundItem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CBinaryFile;
class CCodePage;
class CItemSink;
class COffsetTable;
class CTextCodec;

inline constexpr std::uint32_t kCvdFirstRecord = 74;

// Books whose first this many bytes argue for a code page are scanned in it before the whole
// book has had its say.
inline constexpr std::size_t kCvdGuessBytes = 64 << 10;

// What CvdLooksUtf8 weighs, gathered by a scan on its way: every title, and the first bodies.
struct SCvdUtf8Evidence {
    bool titlesRefuted = false;  // some title is not UTF-8
    bool titlesNonAscii = false; // some title holds a byte from 0x80 up
    bool bodiesLookUtf8 = false;
    bool LooksUtf8() const { return !titlesRefuted && (titlesNonAscii || bodiesLookUtf8); }
};

// Books from this size on are scanned as two parts at once, where the code page allows it.
inline constexpr std::size_t kCvdSplitBytes = 16 << 20;

// Finds the records of the book in data, reports each to sink in file order and returns the
// position at which the scan ended. With evidence, the book's UTF-8 evidence is gathered into
// it too. Data of splitAt bytes or more is walked from a record near its middle on a thread of
// its own as well; what it finds counts only when the walk from the start lands on that record.
// That walk tells passed of the bytes it leaves behind (the sink is told of the first part's by
// the positions it gets); should the first walk not land, it reads them again.
std::uint32_t ScanCvd(std::span<const std::uint8_t> data, const CTextCodec& codec, CItemSink& sink,
                      SCvdUtf8Evidence* evidence = nullptr, std::size_t splitAt = kCvdSplitBytes,
                      const ScanPassed& passed = {});

struct SCvdScan {
    std::uint32_t end = 0; // as ScanCvd returns it
    bool looksUtf8 = false;
};

// ScanCvd in the code page codePage gives the book by CvdLooksUtf8, without a walk of its own
// to choose it: the scan starts in the code page the first guessBytes argue for and gathers
// the whole book's evidence on its way. When the whole book argues otherwise and some title
// holds a byte from 0x80 up, the names are made again, into the sink a second freshSink() call
// gives (titles of ASCII alone read the same in either code page).
SCvdScan ScanCvdChoosingCodePage(std::span<const std::uint8_t> data, const CCodePage& codePage,
                                 const std::function<CItemSink&()>& freshSink,
                                 std::size_t guessBytes = kCvdGuessBytes,
                                 const ScanPassed& passed = {});

// The scan's first step alone: walks the records by their lengths and notes where each one
// starts (p, in file order) in starts; returns the position at which the walk ended.
std::uint32_t WalkCvdRecords(std::span<const std::uint8_t> data,
                             std::vector<std::uint32_t>& starts);

// The name of the record that starts at start, one WalkCvdRecords found, into name.
std::u16string& CvdName(std::span<const std::uint8_t> data, std::uint32_t start,
                        const CTextCodec& codec, std::u16string& name);

// The first record whose name begins with term (ASCII letters without case), found without
// listing the others; end is set as ScanCvd would return it. index is -1 when none begins so.
SFoundItem FindCvdItem(std::span<const std::uint8_t> data, const CTextCodec& codec,
                       std::u16string_view term, std::uint32_t& end);

// True when a scan that ended at end left part of an n-byte file in another format. Compared
// as unsigned 32-bit numbers, so an empty file counts as malformed.
bool CvdEndIsMalformed(std::uint32_t end, std::uint32_t n);

// Whether the titles and the first bodies argue for reading the book as UTF-8.
bool CvdLooksUtf8(std::span<const std::uint8_t> data);

// Re-checks a record read from its title length on (offset 4 on) and makes its body; nothing
// when the bytes don't hold a whole, well-formed record.
std::optional<std::u16string> CutCvdBody(std::span<const std::uint8_t> bytes,
                                         const CTextCodec& codec);

// Reads item s of the open book, with the four bytes before its position, re-checks it and
// makes its body (the title is the item's listed name). Closes the file once it is read.
EItemRead ReadCvdItem(CBinaryFile& file, const COffsetTable& table, std::int32_t s,
                      std::int32_t last, const CTextCodec& codec, std::u16string& body);
