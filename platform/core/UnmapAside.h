#pragma once

#include <cstddef>

// Takes down a mapping of size bytes at area. Taking down the page entries of tens of MiB
// costs milliseconds that nobody has to wait for: from 4 MiB on, another thread does it while
// the caller goes on (or the caller, when no thread is to be had).
void UnmapAside(void* area, std::size_t size);
