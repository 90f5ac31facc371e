#pragma once

// Looking up one item by the start of its name without listing the whole book: the search
// command's rule (ASCII letters without case, every other character exactly) and what a lookup
// finds.

#include <cstdint>
#include <string>
#include <string_view>

inline char16_t FoldAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

inline bool NameBeginsWith(std::u16string_view name, std::u16string_view term) {
    if (name.size() < term.size())
        return false;
    for (std::size_t i = 0; i < term.size(); ++i) {
        if (FoldAscii(name[i]) != FoldAscii(term[i]))
            return false;
    }
    return true;
}

// Whether a name whose bytes begin with first can begin with term, in a code page where a byte
// below 0x80 is always that ASCII character: a cheap test that spares converting most names.
inline bool FirstByteMayBegin(std::uint8_t first, std::u16string_view term) {
    if (term.empty())
        return true;
    if (term[0] >= 0x80)
        return first >= 0x80;
    return first < 0x80 && FoldAscii(first) == FoldAscii(term[0]);
}

// The first item whose name begins with the term, and where it lies.
struct SFoundItem {
    std::int32_t index = -1; // -1 when no name begins with the term
    std::int32_t last = -1;  // the book's last index, as its whole index would have it
    std::uint32_t start = 0; // the item's recorded position
    std::uint32_t end = 0;   // the next item's position, or the end of the data
    std::u16string name;
    bool formatFault = false; // CVD: part of the file is in another format
};
