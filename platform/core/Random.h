#pragma once

// The C library's pseudo-random generator, never seeded: a number from 0 to RAND_MAX.
int SystemRandom();
