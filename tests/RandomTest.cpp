#include "Random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

std::vector<int> Draws(int (*draw)()) {
    std::vector<int> draws;
    for (int i = 0; i < 8; ++i)
        draws.push_back(draw());
    return draws;
}

// One test, so that the generator is still untouched by Tomlet when it starts.
TEST(SystemRandom, EachRunDrawsItsOwnSequenceUnlessTheSeedIsFixed) {
    ::unsetenv("TOMLET_RANDOM_SEED");
    std::srand(1); // what a generator that is never seeded starts from
    const std::vector<int> unseeded = Draws(std::rand);
    std::srand(1);
    EXPECT_NE(Draws(SystemRandom), unseeded);
    EXPECT_NE(RunSeed(), RunSeed());

    ::setenv("TOMLET_RANDOM_SEED", "12345", 1);
    EXPECT_EQ(RunSeed(), 12345u);
    ::setenv("TOMLET_RANDOM_SEED", "12345x", 1); // not a number: ignored
    EXPECT_NE(RunSeed(), RunSeed());
    ::unsetenv("TOMLET_RANDOM_SEED");

    SeedSystemRandom(7);
    const std::vector<int> first = Draws(SystemRandom);
    SeedSystemRandom(7);
    EXPECT_EQ(Draws(SystemRandom), first);
}

} // namespace
