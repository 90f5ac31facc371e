#pragma once

#include "PlainArray.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class CTextCodec;

// The names of a book's items, row i naming item i, in the order appended. Built for books
// with a million items: all names live end to end in one pool and a row is only its start
// offset. Names are kept as the book's own bytes and converted when read: the list shows a
// screenful of a million names, so converting every one as the book opens would cost the open
// most of its time. Where that can't be done (a name given converted, or a code page that is not
// ASCII-compatible with a table or UTF-8 conversion) the pool turns to UTF-16 once, every row so
// far converted. A book scanned as two parts has two pools: the second part's is taken whole.
class CItemNames {
public:
    CItemNames() = default;
    CItemNames(CItemNames&& other) noexcept { Swap(other); }
    CItemNames& operator=(CItemNames&& other) noexcept {
        CItemNames gone(static_cast<CItemNames&&>(other));
        Swap(gone);
        return *this;
    }

    // Appends a row at the end; returns its index, or -1 when the pool is full (4 GiB or 2 Gi
    // rows). Throws std::bad_alloc when memory runs out.
    std::int32_t Append(std::u16string_view name);
    // As Append, for a name of bytes below 0x80 that stand for their own characters.
    std::int32_t AppendAscii(std::string_view name);
    // As Append, for a name of bytes (no zero among them) in the code page of codec, which
    // must outlive the rows; they are converted by it when read.
    std::int32_t AppendCoded(std::string_view bytes, const CTextCodec& codec);
    // Appends the rows of held, taking its pool whole instead of a copy, and leaves held empty;
    // false, with nothing taken, when rows were taken so once before, held itself holds taken
    // rows, or the rows would pass 2 Gi. Where the two keep names in different forms, both turn
    // to UTF-16 first. Appends after go after them.
    bool AdoptHeld(CItemNames& held);
    // Appends copies of the rows of other, in order, as AdoptHeld would take them but for a part
    // too small to be worth a pool of its own; other keeps its rows (turned to UTF-16 where the
    // two keep different forms). Returns how many were appended: fewer once the pool is full.
    std::int32_t AppendRowsOf(CItemNames& other);
    void Clear();
    // Gives back the room kept for more rows, for when no more are coming: appends grow the
    // storage by half again, up to a third of it unused. Later appends still work.
    void Squeeze();

    std::int32_t Count() const {
        return static_cast<std::int32_t>(m_parts[0].starts.Size() + m_parts[1].starts.Size());
    }
    // The bytes the names take in their pools (the rows' starts not counted).
    std::size_t NameBytes() const { return m_parts[0].bytes.Size() + m_parts[1].bytes.Size(); }
    // The name of a row; empty for a row out of range.
    std::u16string Name(std::int32_t row) const {
        std::u16string name;
        NameInto(row, name);
        return name;
    }
    // The same into out, replacing what it held, for a reader of many rows.
    void NameInto(std::int32_t row, std::u16string& out) const;

    // The first row whose name begins with term, trying the rows after `after` to the end and
    // then from row 0 up to `after` itself, so that row is tried last. `after` outside the
    // rows (-1 by custom) tries every row from 0. ASCII letters compare without case; every
    // other character, Hangul and accented Latin included, must be equal. An empty term
    // matches the first row tried. -1 when no row matches.
    std::int32_t FindPrefix(std::int32_t after, std::u16string_view term) const;

    void Swap(CItemNames& other) noexcept {
        for (int k = 0; k < 2; ++k) {
            m_parts[k].bytes.Swap(other.m_parts[k].bytes);
            m_parts[k].starts.Swap(other.m_parts[k].starts);
        }
        std::swap(m_nTailRow, other.m_nTailRow);
        std::swap(m_pCodec, other.m_pCodec);
        std::swap(m_bWide, other.m_bWide);
    }

private:
    static constexpr std::int32_t kNoTail = INT32_MAX;

    // Names back to back, no terminators; each row the offset of its start in bytes.
    struct SPart {
        CPlainArray<char> bytes;
        CPlainArray<std::uint32_t> starts;
    };

    // The pool appends go to.
    SPart& Last() { return m_parts[m_nTailRow == kNoTail ? 0 : 1]; }
    // Whether a row of length more bytes still fits; -1 from the appends when not.
    bool Fits(std::size_t length) const;
    // Appends a row of bytes as they are.
    std::int32_t AppendBytes(const char* bytes, std::size_t length);
    // Turns the pool to UTF-16, converting every row so far.
    void Widen();
    // Brings this pool and other to one form for rows of other to join these.
    void TakeFormOf(CItemNames& other);
    // The bytes of a row that exists.
    std::string_view BytesOf(std::size_t row) const;
    // The name of a row of bytes, converted into out, or its first units: conversion stops once
    // at least most are made.
    void Convert(std::string_view bytes, std::u16string& out, std::size_t most = SIZE_MAX) const;

    // The rows before m_nTailRow in part 0, those from it on in part 1, taken by AdoptHeld.
    SPart m_parts[2];
    std::int32_t m_nTailRow = kNoTail;
    // The code page of the rows' bytes; null while every row is ASCII.
    const CTextCodec* m_pCodec = nullptr;
    // Whether the rows are UTF-16 units, two bytes each, instead of the book's bytes.
    bool m_bWide = false;
};
