#pragma once

#include "PlainArray.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

class CTextCodec;

// The names of a book's items, row i naming item i, in the order appended. Built for books
// with a million items: all names live end to end in a UTF-16 pool and a row is only its
// start offset, so a row costs four bytes plus its characters. A book scanned as two parts
// has two pools: the second part's names and their ends are taken whole, not copied.
class CItemNames {
public:
    CItemNames() = default;
    CItemNames(CItemNames&& other) noexcept { Swap(other); }
    CItemNames& operator=(CItemNames&& other) noexcept {
        CItemNames gone(static_cast<CItemNames&&>(other));
        Swap(gone);
        return *this;
    }

    // Appends a row at the end; returns its index, or -1 when the pool is full (4 Gi
    // characters or 2 Gi rows). Throws std::bad_alloc when memory runs out.
    std::int32_t Append(std::u16string_view name);
    // As Append, for a name of bytes below 0x80 that stand for their own characters.
    std::int32_t AppendAscii(std::string_view name);
    // As Append, for a name of bytes converted by codec, which DecodesInPlace, into the pool.
    std::int32_t AppendDecoded(std::string_view bytes, const CTextCodec& codec);
    // Appends names held back to back, taking the memory of units and ends instead of a copy:
    // name i runs from ends[i - 1] (0 for the first) to ends[i]. Both are left empty when true
    // is returned; false, and nothing taken, when names were taken so once before, units end
    // before the last name does, or the rows would pass 2 Gi. Appends after go after them.
    bool AdoptHeld(CPlainArray<char16_t>& units, CPlainArray<std::uint32_t>& ends);
    void Clear();
    // Gives back the room kept for more rows, for when no more are coming: appends grow the
    // storage by half again, up to a third of it unused. Later appends still work.
    void Squeeze();

    std::int32_t Count() const {
        return static_cast<std::int32_t>(m_starts.Size() + m_tailEnds.Size());
    }
    // The name of a row, valid until the next Append or Clear; empty for a row out of range.
    std::u16string_view Name(std::int32_t row) const;

    // The first row whose name begins with term, trying the rows after `after` to the end and
    // then from row 0 up to `after` itself, so that row is tried last. `after` outside the
    // rows (-1 by custom) tries every row from 0. ASCII letters compare without case; every
    // other character, Hangul and accented Latin included, must be equal. An empty term
    // matches the first row tried. -1 when no row matches.
    std::int32_t FindPrefix(std::int32_t after, std::u16string_view term) const;

    void Swap(CItemNames& other) noexcept {
        m_pool.Swap(other.m_pool);
        m_tail.Swap(other.m_tail);
        m_starts.Swap(other.m_starts);
        m_tailEnds.Swap(other.m_tailEnds);
        std::swap(m_nTailRow, other.m_nTailRow);
    }

private:
    static constexpr std::int32_t kNoTail = INT32_MAX;

    // The pool appends go to.
    CPlainArray<char16_t>& Last() { return m_nTailRow == kNoTail ? m_pool : m_tail; }
    // Whether a row of length more characters still fits; -1 from the appends when not.
    bool Fits(std::size_t length) const;
    // Ends the row whose name was just appended at start of the last pool. The row goes in
    // last, so a row whose name found no room is no row.
    void Close(std::uint32_t start) {
        if (m_nTailRow == kNoTail) {
            m_starts.Append(&start, 1);
        } else {
            const auto end = static_cast<std::uint32_t>(m_tail.Size());
            m_tailEnds.Append(&end, 1);
        }
    }
    // The name of a row that exists, by its pool.
    std::u16string_view NameOf(std::size_t row) const {
        if (row < m_starts.Size()) {
            const std::size_t end = row + 1 < m_starts.Size() ? m_starts[row + 1] : m_pool.Size();
            return {m_pool.Data() + m_starts[row], end - m_starts[row]};
        }
        const std::size_t k = row - m_starts.Size();
        const std::size_t start = k ? m_tailEnds[k - 1] : 0;
        return {m_tail.Data() + start, m_tailEnds[k] - start};
    }

    // The names of the rows before m_nTailRow back to back, no terminators, each row the
    // offset of its start in m_starts; those from it on in m_tail, each the offset of its end
    // in m_tailEnds, both taken whole by AdoptHeld.
    CPlainArray<char16_t> m_pool;
    CPlainArray<char16_t> m_tail;
    CPlainArray<std::uint32_t> m_starts;
    CPlainArray<std::uint32_t> m_tailEnds;
    std::int32_t m_nTailRow = kNoTail;
};
