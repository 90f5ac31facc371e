#pragma once

// The C library's pseudo-random generator, seeded once per run so that each run draws its own
// sequence: from $TOMLET_RANDOM_SEED when it holds a number (a run that can be repeated), else
// from the system's entropy source. A number from 0 to RAND_MAX.
int SystemRandom();

// Seeds the generator now, in place of the run's own seed; later draws follow from seed.
void SeedSystemRandom(unsigned seed);

// The seed a run starts from, as described above.
unsigned RunSeed();
