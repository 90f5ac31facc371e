#pragma once

#include <QAbstractListModel>
#include <QStringView>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

// The rows of a list box: one string per row, in the order appended. Built for books with a
// million items: all names live in one UTF-16 pool and a row is only its start offset, so a
// row costs four bytes plus its characters and no QString exists until a view asks for one.
//
// Appends are batched. Append() records the row at once (Count(), Text() and FindPrefix() see
// it) but views learn of new rows only at the next Flush(), which announces all pending rows
// in one insertion; a flush is also queued on the event loop when the first row is pending, so
// a shown list catches up by itself. rowCount() answers the announced rows only.
class CItemListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CItemListModel(QObject* parent = nullptr);

    // Appends a row at the end; returns its index, or -1 when the pool is full (4 Gi chars).
    int Append(QStringView text);
    // Removes every row, announced or pending, as one model reset.
    void Clear();
    // Announces the pending rows to the views; nothing when none are pending.
    void Flush();
    // Gives back the room kept for more rows, for when no more are coming: appends grow the
    // storage by half again, up to a third of it unused. Later appends still work.
    void Squeeze();

    // All rows, pending ones included.
    int Count() const { return static_cast<int>(m_starts.Size()); }
    // The text of a row; empty for a row out of range.
    QString Text(int row) const;
    // The same without a copy; valid until the next Append or Clear.
    QStringView TextView(int row) const;

    // The first row whose text begins with term, trying the rows after `after` to the end and
    // then from row 0 up to `after` itself, so that row is tried last. `after` outside the rows
    // (-1 by custom) tries every row from 0. ASCII letters compare without case; every other
    // character, Hangul and accented Latin included, must be equal. An empty term matches the
    // first row tried. -1 when no row matches.
    int FindPrefix(int after, QStringView term) const;

    QModelIndex index(int row, int column = 0,
                      const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    // A growable array of plain values. It grows with realloc, which moves a large block by
    // remapping its pages rather than copying them and faulting fresh ones in: that is most of
    // the cost of a million appends.
    template <class T> class CPlainArray {
        static_assert(std::is_trivially_copyable_v<T>);

    public:
        CPlainArray() = default;
        ~CPlainArray() { std::free(m_pData); }
        CPlainArray(const CPlainArray&) = delete;
        CPlainArray& operator=(const CPlainArray&) = delete;

        void Append(const T* values, std::size_t count) {
            if (m_nSize + count > m_nCapacity)
                Grow(m_nSize + count);
            if (count)
                std::memcpy(m_pData + m_nSize, values, count * sizeof(T));
            m_nSize += count;
        }
        void Clear() {
            std::free(m_pData);
            m_pData = nullptr;
            m_nSize = m_nCapacity = 0;
        }
        void Squeeze() {
            if (m_nCapacity == m_nSize || m_nSize == 0)
                return;
            // Shrinking in place never fails in practice; if it does, the larger block stays.
            if (void* data = std::realloc(m_pData, m_nSize * sizeof(T))) {
                m_pData = static_cast<T*>(data);
                m_nCapacity = m_nSize;
            }
        }
        const T* Data() const { return m_pData; }
        std::size_t Size() const { return m_nSize; }
        const T& operator[](std::size_t index) const { return m_pData[index]; }

    private:
        void Grow(std::size_t needed) {
            std::size_t capacity = m_nCapacity + m_nCapacity / 2 + 1024;
            if (capacity < needed)
                capacity = needed;
            void* data = std::realloc(m_pData, capacity * sizeof(T));
            if (!data)
                throw std::bad_alloc();
            m_pData = static_cast<T*>(data);
            m_nCapacity = capacity;
        }

        T* m_pData = nullptr;
        std::size_t m_nSize = 0;
        std::size_t m_nCapacity = 0;
    };

    CPlainArray<char16_t> m_pool;        // the texts of all rows, back to back, no terminators
    CPlainArray<std::uint32_t> m_starts; // offset of each row's text in m_pool
    int m_nShown = 0;                    // rows announced to the views
    bool m_bFlushQueued = false;
};
