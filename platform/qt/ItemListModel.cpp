#include "ItemListModel.h"

#include <QMetaObject>

#include <limits>
#include <vector>

namespace {

char16_t FoldAscii(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

} // namespace

CItemListModel::CItemListModel(QObject* parent) : QAbstractListModel(parent) {}

int CItemListModel::Append(QStringView text) {
    const std::size_t start = m_pool.Size();
    if (start + static_cast<std::size_t>(text.size()) > std::numeric_limits<std::uint32_t>::max() ||
        m_starts.Size() >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return -1;
    const auto offset = static_cast<std::uint32_t>(start);
    m_pool.Append(text.utf16(), static_cast<std::size_t>(text.size()));
    m_starts.Append(&offset, 1);
    if (!m_bFlushQueued) {
        m_bFlushQueued = true;
        QMetaObject::invokeMethod(this, &CItemListModel::Flush, Qt::QueuedConnection);
    }
    return Count() - 1;
}

void CItemListModel::Clear() {
    beginResetModel();
    m_pool.Clear();
    m_starts.Clear();
    m_nShown = 0;
    endResetModel();
}

void CItemListModel::Flush() {
    m_bFlushQueued = false;
    if (m_nShown == Count())
        return;
    beginInsertRows(QModelIndex(), m_nShown, Count() - 1);
    m_nShown = Count();
    endInsertRows();
}

void CItemListModel::Squeeze() {
    m_pool.Squeeze();
    m_starts.Squeeze();
}

QStringView CItemListModel::TextView(int row) const {
    if (row < 0 || row >= Count())
        return {};
    const std::size_t start = m_starts[row];
    const std::size_t end =
        static_cast<std::size_t>(row) + 1 < m_starts.Size() ? m_starts[row + 1] : m_pool.Size();
    return QStringView(m_pool.Data() + start, static_cast<qsizetype>(end - start));
}

QString CItemListModel::Text(int row) const {
    return TextView(row).toString();
}

int CItemListModel::FindPrefix(int after, QStringView term) const {
    const int count = Count();
    if (count == 0)
        return -1;
    if (after < 0 || after >= count)
        after = count - 1; // so that the first row tried is row 0
    std::vector<char16_t> folded(term.utf16(), term.utf16() + term.size());
    for (char16_t& c : folded)
        c = FoldAscii(c);
    const std::size_t length = folded.size();
    // Straight over the pool: this runs over every row of a large book on each search.
    const char16_t* pool = m_pool.Data();
    const std::uint32_t* starts = m_starts.Data();
    const std::size_t poolSize = m_pool.Size();
    auto matches = [&](int row) {
        const std::size_t start = starts[row];
        const std::size_t end = row + 1 < count ? starts[row + 1] : poolSize;
        if (end - start < length)
            return false;
        for (std::size_t i = 0; i < length; ++i) {
            if (FoldAscii(pool[start + i]) != folded[i])
                return false;
        }
        return true;
    };
    for (int row = after + 1; row < count; ++row) {
        if (matches(row))
            return row;
    }
    for (int row = 0; row <= after; ++row) {
        if (matches(row))
            return row;
    }
    return -1;
}

// The list view asks for the index of every row as it lays a book's rows out; answering from
// the announced rows directly spares the base class's virtual row and column counts each time.
QModelIndex CItemListModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || row >= m_nShown || column != 0 || parent.isValid())
        return {};
    return createIndex(row, column);
}

int CItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nShown;
}

QVariant CItemListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.parent().isValid() ||
        index.column() != 0 || index.row() >= m_nShown)
        return {};
    return Text(index.row());
}

Qt::ItemFlags CItemListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
