#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string_view>
#include <type_traits>
#include <utility>

// The names of a book's items, row i naming item i, in the order appended. Built for books
// with a million items: all names live end to end in one UTF-16 pool and a row is only its
// start offset, so a row costs four bytes plus its characters.
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
    void Clear();
    // Gives back the room kept for more rows, for when no more are coming: appends grow the
    // storage by half again, up to a third of it unused. Later appends still work.
    void Squeeze();

    std::int32_t Count() const { return static_cast<std::int32_t>(m_starts.Size()); }
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
        m_starts.Swap(other.m_starts);
    }

private:
    // The memory of the arrays below. A block from kMapBytes on is pages of its own that grow
    // by remapping them, never by copying: the heap hands out such pages itself only until it
    // raises its threshold, which it does once the first large block is freed (the previous
    // book's names), and a copying growth then holds the old block and the new one at once.
    struct SBlock {
        void* data = nullptr;
        std::size_t bytes = 0;
        bool mapped = false;
    };
    static constexpr std::size_t kMapBytes = 1 << 20;
    // Gives the block room for bytes, keeping its first `used` bytes; false, with the block
    // as it was, when memory runs out.
    static bool Resize(SBlock& block, std::size_t bytes, std::size_t used);
    static void Release(SBlock& block);

    // A growable array of plain values, a million appends of which must not cost a copy each
    // time it grows.
    template <class T> class CPlainArray {
        static_assert(std::is_trivially_copyable_v<T>);

    public:
        CPlainArray() = default;
        ~CPlainArray() { Release(m_block); }
        CPlainArray(const CPlainArray&) = delete;
        CPlainArray& operator=(const CPlainArray&) = delete;

        void Append(const T* values, std::size_t count) {
            if (m_nSize + count > m_nCapacity)
                Grow(m_nSize + count);
            if (count)
                std::memcpy(Data() + m_nSize, values, count * sizeof(T));
            m_nSize += count;
        }
        void Clear() {
            Release(m_block);
            m_nSize = m_nCapacity = 0;
        }
        void Squeeze() {
            if (m_nCapacity == m_nSize || m_nSize == 0)
                return;
            // Shrinking never fails in practice; if it does, the larger block stays.
            if (Resize(m_block, m_nSize * sizeof(T), m_nSize * sizeof(T)))
                m_nCapacity = m_nSize;
        }
        void Swap(CPlainArray& other) noexcept {
            std::swap(m_block, other.m_block);
            std::swap(m_nSize, other.m_nSize);
            std::swap(m_nCapacity, other.m_nCapacity);
        }
        const T* Data() const { return static_cast<const T*>(m_block.data); }
        std::size_t Size() const { return m_nSize; }
        const T& operator[](std::size_t index) const { return Data()[index]; }

    private:
        T* Data() { return static_cast<T*>(m_block.data); }
        void Grow(std::size_t needed) {
            std::size_t capacity = m_nCapacity + m_nCapacity / 2 + 1024;
            if (capacity < needed)
                capacity = needed;
            if (!Resize(m_block, capacity * sizeof(T), m_nSize * sizeof(T)))
                throw std::bad_alloc();
            m_nCapacity = capacity;
        }

        SBlock m_block;
        std::size_t m_nSize = 0;
        std::size_t m_nCapacity = 0;
    };

    CPlainArray<char16_t> m_pool;        // the names of all rows, back to back, no terminators
    CPlainArray<std::uint32_t> m_starts; // offset of each row's name in m_pool
};
