#pragma once

#include <cstddef>
#include <cstdint>

// Takes down a mapping of size bytes at area, of which only the first `held` may hold pages.
// Taking down the page entries of tens of MiB costs milliseconds that nobody has to wait for:
// from 4 MiB held on, another thread does it while the caller goes on (or the caller, when no
// thread is to be had). Room never written to costs next to nothing to take down.
void UnmapAside(void* area, std::size_t size, std::size_t held = SIZE_MAX);
