#pragma once

// The byte-level pieces of the marked-text scan that the lookup of one name shares with it:
// the UTF-8 evidence gathered as a pass reaches the bytes, the search for head lines and
// their count.

#include "BookFile.h"
#include "Utf8.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

std::string_view Bytes(const std::uint8_t* p, std::size_t n);

// What a line holds before its marker: a zero byte (then it is no head line) or else whether
// every byte is below 0x80.
struct SNameBytes {
    bool zero = false;
    bool ascii = true;
};

// What the n bytes of a name from p hold, read eight at a time.
SNameBytes WeighName(const std::uint8_t* p, std::size_t n);

// Where the bytes from from on stop being ASCII, at most to; passes 64 bytes at a time.
std::size_t SkipAscii(const std::uint8_t* d, std::size_t from, std::size_t to);

// Feeds the UTF-8 evidence of bytes [from, to) a piece at a time, each piece ending after an
// ASCII byte so that no UTF-8 sequence is cut, and stops once the bytes are refuted here or
// by another thread.
void GatherUtf8Evidence(const std::uint8_t* d, std::size_t from, std::size_t to,
                        CUtf8Evidence& evidence, std::atomic<bool>& refuted);

// The UTF-8 evidence of the bytes [from, end) of a book, gathered as a pass over them reaches
// them, so that the book is read once: every byte before Done() has been fed, and Done() follows
// an ASCII byte (or is from), so no UTF-8 sequence is cut there. Feeding stops once the bytes
// are refuted here or by another thread's reach.
class CEvidenceReach {
public:
    CEvidenceReach(const std::uint8_t* d, std::size_t from, std::size_t end,
                   std::atomic<bool>& refuted)
        : m_pData(d), m_nDone(from), m_nEnd(end), m_refuted(refuted) {}

    // Feeds the bytes up to to, or on to the next byte after an ASCII byte.
    void To(std::size_t to) {
        if (to <= m_nDone || m_refuted.load(std::memory_order_relaxed))
            return;
        std::size_t end = to < m_nEnd ? to : m_nEnd;
        if (end <= m_nDone)
            return;
        while (end < m_nEnd && m_pData[end - 1] >= 0x80)
            ++end;
        GatherUtf8Evidence(m_pData, m_nDone, end, m_evidence, m_refuted);
        m_nDone = end;
    }
    // The bytes from Done() to at hold no byte of 0x80 or more: nothing to feed, and at
    // follows an ASCII byte.
    void Passed(std::size_t at) {
        if (m_nDone < at)
            m_nDone = at;
    }
    // A 64-byte block at at holds a byte of 0x80 or more, and the bytes between Done() and at
    // none. The bytes after it are fed with it, so that the blocks that follow find theirs fed.
    void Block(std::size_t at) {
        if (m_nDone >= at + 64)
            return;
        Passed(at);
        To(at + kAhead);
    }
    std::size_t Done() const { return m_nDone; }
    const CUtf8Evidence& Evidence() const { return m_evidence; }

    static constexpr std::size_t kAhead = 16 << 10;

private:
    const std::uint8_t* m_pData;
    std::size_t m_nDone;
    std::size_t m_nEnd;
    std::atomic<bool>& m_refuted;
    CUtf8Evidence m_evidence;
};

// A head line found in the raw bytes: where it starts and where its first marker stands.
struct SHeadLine {
    std::size_t start = 0;
    std::size_t marker = 0;
    bool ascii = false; // every byte before the marker is below 0x80
};

// For code pages in which the marker, the line feed and the zero byte are always those bytes:
// finds the next head line from from, always a line start, and moves from past its line end.
// The line start is looked for back from the marker, once for each head line.
bool NextHeadLine(const std::uint8_t* d, std::size_t n, std::size_t& from, SHeadLine& head);

// The number of head lines in [from, n), from being a line start: lines that end in a line
// feed and whose first marker has no zero byte before it. Only counts, so 64 bytes at a time
// are reduced to bit masks of their markers, line feeds and zero bytes, and only those bits
// are looked at, in order. With kGather the UTF-8 evidence of the bytes is fed to reach on the
// way, only for the blocks that hold a byte of 0x80 or more.
template <bool kGather = false>
std::int32_t CountHeadLines(const std::uint8_t* d, std::size_t from, std::size_t n,
                            CEvidenceReach* reach = nullptr);
extern template std::int32_t CountHeadLines<false>(const std::uint8_t*, std::size_t, std::size_t,
                                                   CEvidenceReach*);
extern template std::int32_t CountHeadLines<true>(const std::uint8_t*, std::size_t, std::size_t,
                                                  CEvidenceReach*);

// CountHeadLines over [from, n), in two halves at once from splitAt bytes on: counting is bound
// by the memory's speed, and two cores draw more of it than one. passed, when given, is told of
// the bytes counted a few MiB at a time.
std::int32_t CountRestInHalves(const std::uint8_t* d, std::size_t from, std::size_t n,
                               std::size_t splitAt, const ScanPassed& passed = {});
