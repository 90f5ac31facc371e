#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class COffsetTable;
class CTextCodec;
class CTextEncoder;

// Finds words in the titles and bodies of a book's items without an index of their text: the
// term is turned into the book's code page once and looked for in the book's bytes, and an
// item whose bytes hold it is then read as it would be shown, so that only a real match of
// characters counts (never one that starts inside a double-byte character or a UTF-8
// sequence, never one across the marker between title and body). ASCII letters match without
// case; every other character must be equal.
class CTextSearch {
public:
    // Tells how far a search has come (bytes looked at of all); false stops it.
    using Progress = std::function<bool(std::int64_t done, std::int64_t total)>;
    static constexpr std::int32_t kCancelled = -2;

    // The term in the codec's code page. A term that has no bytes there matches nothing.
    CTextSearch(std::u16string_view term, const CTextCodec& codec);
    ~CTextSearch();

    // The first item after `after` whose title or body holds the term, trying the items to
    // the last and then from item 0 up to `after` itself, which is tried last (`after` out of
    // range tries every item from 0). -1 when none holds it, kCancelled when progress said so.
    // book is the whole book the offsets were taken from; cvd tells its format.
    std::int32_t FindNext(std::span<const std::uint8_t> book, const COffsetTable& offsets, bool cvd,
                          std::int32_t after, const Progress& progress = {}) const;

    // The mirror of FindNext: the last item before `before` whose title or body holds the
    // term, trying the items down to 0 and then from the last down to `before` itself, which
    // is tried last (`before` out of range tries every item from the last). The book is read
    // once, forwards, so this takes no longer than FindNext.
    std::int32_t FindPrevious(std::span<const std::uint8_t> book, const COffsetTable& offsets,
                              bool cvd, std::int32_t before, const Progress& progress = {}) const;

    // The first item from `first` to the last whose title or body holds the term; -1 when none.
    std::int32_t FindFrom(std::span<const std::uint8_t> book, const COffsetTable& offsets, bool cvd,
                          std::int32_t first) const;

    // Whether item i, as it is shown, holds the term.
    bool ItemHolds(std::span<const std::uint8_t> book, const COffsetTable& offsets, bool cvd,
                   std::int32_t i) const;

    // Where the term first stands in text, by the same rule; npos when it does not. An empty
    // term stands at 0.
    static std::size_t Find(std::u16string_view text, std::u16string_view term);

private:
    struct SProgressState;
    std::int32_t SearchItems(std::span<const std::uint8_t> book, const COffsetTable& offsets,
                             bool cvd, std::int32_t first, std::int32_t last,
                             SProgressState& state) const;
    // The last item from first to last that holds the term, -1 or kCancelled.
    std::int32_t LastIn(std::span<const std::uint8_t> book, const COffsetTable& offsets, bool cvd,
                        std::int32_t first, std::int32_t last, SProgressState& state) const;
    // The first position from `from` to `to` where the term's bytes may stand.
    std::size_t NextCandidate(const std::uint8_t* book, std::size_t from, std::size_t to) const;

    std::u16string m_strTerm;
    const CTextCodec& m_codec;
    std::string m_strBytes; // the term in the code page
    bool m_bEncodable = false;
    bool m_bBytesCanFilter = false; // the bytes of a match are the term's bytes
};
