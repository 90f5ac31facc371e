#include "Random.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <random>
#include <unistd.h>

namespace {

bool g_bSeeded = false;

} // namespace

int SystemRandom() {
    if (!g_bSeeded)
        SeedSystemRandom(RunSeed());
    return std::rand();
}

void SeedSystemRandom(unsigned seed) {
    std::srand(seed);
    g_bSeeded = true;
}

unsigned RunSeed() {
    if (const char* text = std::getenv("TOMLET_RANDOM_SEED"); text && *text) {
        char* end = nullptr;
        errno = 0;
        const unsigned long seed = std::strtoul(text, &end, 10);
        if (*end == '\0' && errno == 0)
            return static_cast<unsigned>(seed);
    }
    try {
        return std::random_device{}();
    } catch (...) { // no entropy source: the clock and the process still differ between runs
        return static_cast<unsigned>(std::time(nullptr)) ^ static_cast<unsigned>(::getpid());
    }
}
