#include "WorkRanges.h"

#include <utility>

CWorkRanges::CWorkRanges(std::size_t n, std::size_t firstCut, std::size_t piece,
                         std::size_t leastSplit, std::function<std::size_t(std::size_t)> cut)
    : m_nPiece(piece ? piece : 1), m_nLeastSplit(leastSplit), m_cut(std::move(cut)) {
    if (firstCut > n)
        firstCut = n;
    m_ranges = {{0, firstCut}, {firstCut, n}};
    m_cursors[0] = {0, firstCut, 0};
    m_cursors[1] = {firstCut, n, 1};
}

bool CWorkRanges::Next(int worker, SPiece& piece) {
    const std::lock_guard<std::mutex> hold(m_lock);
    SCursor& mine = m_cursors[worker];
    if (mine.at >= mine.end) {
        // Out of work: take the far half of what the other worker has not yet started on.
        SCursor& other = m_cursors[1 - worker];
        const std::size_t left = other.end > other.at ? other.end - other.at : 0;
        // The cut is looked for from a byte after the other's start, which it has not read.
        if (left < 2 || left < m_nLeastSplit)
            return false;
        const std::size_t middle = m_cut(other.at + left / 2);
        if (middle <= other.at || middle >= other.end)
            return false;
        m_ranges[other.range].to = middle;
        m_ranges.push_back({middle, other.end});
        mine = {middle, other.end, m_ranges.size() - 1};
        other.end = middle;
    }
    const std::size_t wanted = mine.end - mine.at > m_nPiece ? m_cut(mine.at + m_nPiece) : mine.end;
    const std::size_t to = wanted > mine.at && wanted < mine.end ? wanted : mine.end;
    piece = {mine.at, to, mine.range};
    mine.at = to;
    return true;
}

std::vector<CWorkRanges::SRange> CWorkRanges::Ranges() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_ranges;
}
