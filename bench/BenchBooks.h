#pragma once

// Books for the timings, made in memory from a fixed seed so that every run times the same
// bytes: Korean CP949 text with CR LF line ends, the kind of book Tomlet is mostly given. Each is
// made on first use and kept until the program ends.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct SBenchBook {
    std::vector<std::uint8_t> bytes;
    std::int32_t items = 0; // as made, for checking what a scan finds

    std::span<const std::uint8_t> Span() const { return bytes; }
};

// About 50 MiB of marked text: a preface line, then items of 128 to 1024 bytes.
const SBenchBook& TextBook();

// A CVD book of 1,000,000 records with Korean names and bodies of 64 to 320 bytes.
const SBenchBook& CvdBook();

// The same number of records, named in ASCII alone.
const SBenchBook& CvdAsciiBook();

// The books written once to a folder under /tmp that is removed at exit; empty when a book
// could not be written.
const std::string& TextBookPath();
const std::string& CvdBookPath();
