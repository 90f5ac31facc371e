#include "Random.h"

#include <cstdlib>

int SystemRandom() {
    return std::rand();
}
