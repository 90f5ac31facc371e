#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class CBinaryFile;
class CFileMapping;

// The largest book Tomlet indexes: every position must fit the table's signed 32-bit entries.
inline constexpr std::int64_t kMaxBookBytes = 0x7FFFFFFF - 16;

enum class EReadBook { Ok, CannotOpen, TooLarge };

// Told by a scan, from its threads, of the ranges [from, to) of a book's bytes it has read for
// the last time, a few MiB at a time, so that their memory may be given back while the rest is
// read.
using ScanPassed = std::function<void(std::size_t from, std::size_t to)>;
struct SBookBytes;

// Memory read into, released with free().
struct SFreeBytes {
    void operator()(std::uint8_t* bytes) const;
};

// A whole book's bytes, size of them followed by at least 10 zero bytes: the file mapped where
// the system allows it, else read into memory.
class BookBuffer {
public:
    BookBuffer();
    ~BookBuffer();
    BookBuffer(BookBuffer&&) noexcept;
    BookBuffer& operator=(BookBuffer&&) noexcept;

    const std::uint8_t* get() const;
    explicit operator bool() const { return get() != nullptr; }
    void reset();
    // Where Release gives pages back: on a thread of its own, soon after the call, or at once
    // on the caller's thread, for readers that keep every core busy already.
    enum class EReleaseOn { OwnThread, Caller };
    // Gives back the pages that lie wholly within bytes [from, to) of a mapped book, for a
    // reader that has passed them: a book so large stays resident only where it is being read.
    // Read again, they come back from the file; memory read into is kept, being the only copy.
    // Any thread may call it.
    void Release(std::size_t from, std::size_t to, EReleaseOn on = EReleaseOn::OwnThread);

private:
    friend EReadBook ReadWholeBook(const std::string& path, SBookBytes& out);
    struct SReleaser;
    std::unique_ptr<CFileMapping> m_pMapping;
    std::unique_ptr<std::uint8_t[], SFreeBytes> m_pRead;
    std::mutex m_releaseLock;               // guards the start of m_pReleaser
    std::unique_ptr<SReleaser> m_pReleaser; // stopped before the mapping goes
};

// A book's bytes, held only while its index is built.
struct SBookBytes {
    BookBuffer data;
    std::uint32_t size = 0; // bytes actually held
};

// Opens the book, maps it whole (or, where it can't be mapped, reads it with one read) and
// closes it. On failure out is untouched. A book shortened by another program while its bytes
// are held reads as zeros past its new end instead of stopping the process.
EReadBook ReadWholeBook(const std::string& path, SBookBytes& out);

// Outcome of reading one item for display.
enum class EItemRead {
    Shown,            // title and body were made
    NoSelection,      // no valid item selected: nothing was read
    PositionNotFound, // the recorded position lies beyond the file's end now
    Malformed,        // the item's bytes fail their check (CVD): nothing to show
    TooLarge,         // the item's bytes don't fit in memory
};

// Byte range of item s: from its entry to the next entry, the last item to the file's end.
struct SItemRange {
    std::int64_t start = 0;
    std::int64_t length = 0; // never negative
};
class COffsetTable;
SItemRange ItemRange(const COffsetTable& table, std::int32_t s, std::int32_t last,
                     std::int64_t fileLength);

// Reads count bytes at the file's current position into a buffer with 10 spare zero bytes.
// Returns null when the buffer can't be had; read tells how many bytes came.
std::unique_ptr<std::uint8_t[]> ReadItemBytes(CBinaryFile& file, std::int64_t count,
                                              std::int64_t& read);
