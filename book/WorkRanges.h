#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

// The bytes of a book divided between two threads that read them a piece at a time. Each starts
// on a range of its own; one that runs out takes the far half of what the other has left, so
// that both end together however the cores are shared with other work (a window starting). A
// range is read by one thread only, in order, so its items come out in file order; the ranges
// laid end to end in order of their starts are the whole book.
class CWorkRanges {
public:
    struct SRange {
        std::size_t from = 0;
        std::size_t to = 0;
    };
    struct SPiece {
        std::size_t from = 0;
        std::size_t to = 0;
        std::size_t range = 0; // index into Ranges()
    };

    // Bytes [0, n), range 0 up to firstCut for worker 0 and range 1 from it for worker 1. Pieces
    // are about piece bytes (at least one) and end where cut says: cut(at) is the first place a
    // piece may end at or after at (a line start), n when there is none; firstCut is one. cut
    // is asked only of an at inside (0, n), and reads from at - 1 on, bytes no worker has taken
    // yet. What is left of a range is split only from leastSplit bytes (and two) on.
    CWorkRanges(std::size_t n, std::size_t firstCut, std::size_t piece, std::size_t leastSplit,
                std::function<std::size_t(std::size_t)> cut);

    // The next piece for worker 0 or 1; false once nothing is left for it to take.
    bool Next(int worker, SPiece& piece);
    // Every range made so far, in the order made; once both workers are done, their final ends.
    std::vector<SRange> Ranges() const;

private:
    struct SCursor {
        std::size_t at = 0;  // where the worker's next piece starts
        std::size_t end = 0; // where its range ends now: another worker may take its far part
        std::size_t range = 0;
    };

    std::size_t m_nPiece;
    std::size_t m_nLeastSplit;
    std::function<std::size_t(std::size_t)> m_cut;
    mutable std::mutex m_lock;
    SCursor m_cursors[2];
    std::vector<SRange> m_ranges;
};
