#include "WorkRanges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

struct SShare {
    std::vector<CWorkRanges::SPiece> pieces[2];
    std::vector<CWorkRanges::SRange> ranges;
};

// Runs both workers to the end, one Next at a time, each turn going to worker 0 with the given
// odds; the pieces each took, and the ranges made.
SShare Share(const std::string& text, std::size_t firstCut, std::size_t piece,
             std::size_t leastSplit, double odds, unsigned seed) {
    auto lineStart = [&text](std::size_t at) {
        EXPECT_GT(at, 0u); // it reads the byte before at
        EXPECT_LT(at, text.size());
        const std::size_t feed = text.find('\n', at - 1);
        return feed == std::string::npos ? text.size() : feed + 1;
    };
    CWorkRanges ranges(text.size(), firstCut, piece, leastSplit, lineStart);
    SShare share;
    std::mt19937 rng(seed);
    bool done[2] = {false, false};
    while (!done[0] || !done[1]) {
        int w = std::bernoulli_distribution(odds)(rng) ? 0 : 1;
        if (done[w])
            w = 1 - w;
        CWorkRanges::SPiece p;
        if (ranges.Next(w, p))
            share.pieces[w].push_back(p);
        else
            done[w] = true;
    }
    share.ranges = ranges.Ranges();
    return share;
}

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += std::string(i % 7, 'a') + "\n";
    return text;
}

// However the turns fall, the pieces tile the text once, each ends at a line start, and each
// range is read by one worker, in order, from its start to its end.
TEST(WorkRanges, PiecesTileTheTextAndEachRangeIsReadInOrder) {
    const std::string text = Lines(200);
    const std::size_t half = text.find('\n', text.size() / 2) + 1;
    struct SCase {
        std::size_t firstCut, piece, leastSplit;
    };
    for (const SCase c : {SCase{half, 1, 1}, SCase{half, 40, 80}, SCase{text.size(), 16, 16},
                          SCase{3, 1, 1}, SCase{1, 1, 1}, SCase{half, 1, text.size() + 1}}) {
        for (const double odds : {0.5, 0.9, 1.0, 0.0}) {
            for (unsigned seed = 0; seed < 20; ++seed) {
                const SShare share = Share(text, c.firstCut, c.piece, c.leastSplit, odds, seed);
                const std::string what = "cut " + std::to_string(c.firstCut) + " piece " +
                                         std::to_string(c.piece) + " odds " + std::to_string(odds) +
                                         " seed " + std::to_string(seed);
                std::vector<std::size_t> owner(share.ranges.size(), 2);
                std::vector<std::size_t> reached(share.ranges.size());
                for (std::size_t r = 0; r < share.ranges.size(); ++r)
                    reached[r] = share.ranges[r].from;
                std::vector<CWorkRanges::SPiece> all;
                for (int w = 0; w < 2; ++w) {
                    for (const CWorkRanges::SPiece& p : share.pieces[w]) {
                        ASSERT_LT(p.range, share.ranges.size()) << what;
                        ASSERT_TRUE(owner[p.range] == 2 || owner[p.range] == std::size_t(w))
                            << what;
                        owner[p.range] = static_cast<std::size_t>(w);
                        ASSERT_EQ(p.from, reached[p.range]) << what;
                        ASSERT_LT(p.from, p.to) << what;
                        ASSERT_TRUE(p.to == text.size() || text[p.to - 1] == '\n') << what;
                        reached[p.range] = p.to;
                        all.push_back(p);
                    }
                }
                for (std::size_t r = 0; r < share.ranges.size(); ++r)
                    ASSERT_EQ(reached[r], share.ranges[r].to) << what << " range " << r;
                EXPECT_TRUE(owner[0] != 1) << what; // range 0 is the first worker's
                std::sort(all.begin(), all.end(),
                          [](const auto& a, const auto& b) { return a.from < b.from; });
                std::size_t covered = 0;
                for (const CWorkRanges::SPiece& p : all) {
                    ASSERT_EQ(p.from, covered) << what;
                    covered = p.to;
                }
                ASSERT_EQ(covered, text.size()) << what;
            }
        }
    }
}

// A worker left without turns is helped: the other takes halves of what it has left, down to
// leastSplit bytes, and never a range with less.
TEST(WorkRanges, AnIdleWorkersRangeIsTakenByHalves) {
    const std::string text = Lines(400);
    const std::size_t half = text.find('\n', text.size() / 2) + 1;
    const SShare helped = Share(text, half, 8, 64, /*odds=*/1.0, 0);
    EXPECT_GT(helped.ranges.size(), 4u);
    for (std::size_t r = 3; r < helped.ranges.size(); ++r)
        EXPECT_LT(helped.ranges[r].from, helped.ranges[r - 1].from) << r; // each from what is left
    EXPECT_LT(helped.ranges[1].to - helped.ranges[1].from, 64u + 8u);

    const SShare alone = Share(text, half, 8, text.size(), /*odds=*/1.0, 0);
    ASSERT_EQ(alone.ranges.size(), 2u);
    EXPECT_EQ(alone.ranges[0].to, half);
}

} // namespace
