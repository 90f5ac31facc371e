#pragma once

#include <cstddef>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

// The memory of a CPlainArray. A block from kPlainMapBytes on is pages of its own that grow by
// remapping them, never by copying: the heap hands out such pages itself only until it raises
// its threshold, which it does once the first large block is freed (the previous book's index),
// and a copying growth then holds the old block and the new one at once. Below that size the
// blocks an array outgrew stay with the heap, resident, so the step is kept small.
// A mapped block takes address room for eight times its bytes (16 MiB at least) and grows inside
// it without a call to the system: moving pages in use, as a remap to a larger size does when
// the room after them is taken, makes every core that runs the program drop its cached
// addresses, and the scan's other thread waits for that. The room holds no pages until written.
struct SPlainBlock {
    void* data = nullptr;
    std::size_t bytes = 0;
    std::size_t room = 0; // the mapping of a block of pages of its own, bytes and more; else 0
    bool Mapped() const { return room != 0; }
};
inline constexpr std::size_t kPlainMapBytes = 64 << 10;
// Gives the block room for bytes, keeping its first `used` bytes; false, with the block as it
// was, when memory runs out.
bool ResizePlainBlock(SPlainBlock& block, std::size_t bytes, std::size_t used);
void ReleasePlainBlock(SPlainBlock& block);
// Gives the whole pages among the block's first bytes back to the system, which reads them as
// zeros after; a block on the heap keeps them.
void DropPlainBlockFront(SPlainBlock& block, std::size_t bytes);

// A growable array of plain values for an index of a million rows: it grows by half again, and
// a large one without a copy.
template <class T> class CPlainArray {
    static_assert(std::is_trivially_copyable_v<T>);

public:
    CPlainArray() = default;
    ~CPlainArray() { ReleasePlainBlock(m_block); }
    CPlainArray(const CPlainArray&) = delete;
    CPlainArray& operator=(const CPlainArray&) = delete;
    CPlainArray(CPlainArray&& other) noexcept { Swap(other); }
    CPlainArray& operator=(CPlainArray&& other) noexcept {
        CPlainArray gone(std::move(other));
        Swap(gone);
        return *this;
    }

    // Throws std::bad_alloc when memory runs out; the array is then as it was.
    void Append(const T* values, std::size_t count) {
        if (m_nSize + count > m_nCapacity)
            Grow(m_nSize + count);
        if (count)
            std::memcpy(Data() + m_nSize, values, count * sizeof(T));
        m_nSize += count;
    }
    // Makes count more values at the end and returns them, to be written in place. Throws
    // std::bad_alloc as Append does.
    T* Extend(std::size_t count) {
        if (m_nSize + count > m_nCapacity)
            Grow(m_nSize + count);
        T* added = Data() + m_nSize;
        m_nSize += count;
        return added;
    }
    // Drops the values from size on; keeps the room.
    void ShrinkTo(std::size_t size) {
        if (size < m_nSize)
            m_nSize = size;
    }
    void Reserve(std::size_t capacity) {
        if (capacity > m_nCapacity)
            Grow(capacity);
    }
    // Empties the array and gives its memory back.
    void Clear() {
        ReleasePlainBlock(m_block);
        m_nSize = m_nCapacity = 0;
    }
    // Gives back the memory of the values before index, for a reader that goes through the
    // array once, front to back: they read as zeros after. The size stays.
    void DropFront(std::size_t index) { DropPlainBlockFront(m_block, index * sizeof(T)); }
    // Empties the array and keeps its room.
    void Truncate() { m_nSize = 0; }
    // Gives back the room beyond the values. Shrinking never fails in practice; if it does,
    // the larger block stays.
    void Squeeze() {
        if (m_nCapacity == m_nSize || m_nSize == 0)
            return;
        if (ResizePlainBlock(m_block, m_nSize * sizeof(T), m_nSize * sizeof(T)))
            m_nCapacity = m_nSize;
    }
    void Swap(CPlainArray& other) noexcept {
        std::swap(m_block, other.m_block);
        std::swap(m_nSize, other.m_nSize);
        std::swap(m_nCapacity, other.m_nCapacity);
    }
    const T* Data() const { return static_cast<const T*>(m_block.data); }
    std::size_t Size() const { return m_nSize; }
    std::size_t Capacity() const { return m_nCapacity; }
    const T& operator[](std::size_t index) const { return Data()[index]; }

private:
    T* Data() { return static_cast<T*>(m_block.data); }
    void Grow(std::size_t needed) {
        std::size_t capacity = m_nCapacity + m_nCapacity / 2 + 1024;
        if (capacity < needed)
            capacity = needed;
        if (!ResizePlainBlock(m_block, capacity * sizeof(T), m_nSize * sizeof(T)))
            throw std::bad_alloc();
        m_nCapacity = capacity;
    }

    SPlainBlock m_block;
    std::size_t m_nSize = 0;
    std::size_t m_nCapacity = 0;
};
