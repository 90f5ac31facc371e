#include "ItemListModel.h"

#include "ItemNames.h"

CItemListModel::CItemListModel(const CItemNames& names, QObject* parent)
    : QAbstractListModel(parent), m_pNames(&names), m_nRows(names.Count()) {}

void CItemListModel::BeginReset() {
    beginResetModel();
    m_nRows = 0;
}

void CItemListModel::EndReset() {
    m_nRows = m_pNames->Count();
    endResetModel();
}

void CItemListModel::EndReset(const CItemNames& names) {
    m_pNames = &names;
    EndReset();
}

void CItemListModel::GrowTo(const CItemNames& names) {
    if (names.Count() <= m_nRows) {
        m_pNames = &names;
        return;
    }
    beginInsertRows(QModelIndex(), m_nRows, names.Count() - 1);
    m_pNames = &names;
    m_nRows = names.Count();
    endInsertRows();
}

QString CItemListModel::Text(int row) const {
    const std::u16string name = m_pNames->Name(row);
    return QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
}

// The list view asks for the index of every row as it lays a book's rows out; answering from
// the row count directly spares the base class's virtual row and column counts each time.
QModelIndex CItemListModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || row >= m_nRows || column != 0 || parent.isValid())
        return {};
    return createIndex(row, column);
}

int CItemListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_nRows;
}

QVariant CItemListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.parent().isValid() ||
        index.column() != 0 || index.row() >= m_nRows)
        return {};
    // No row can show more than its start; drawing a name of a megabyte whole would hold
    // the window.
    constexpr std::size_t kMostShown = 1000;
    const std::u16string name = m_pNames->Name(index.row());
    if (name.size() <= kMostShown)
        return QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
    return QString::fromUtf16(name.data(), kMostShown) + QChar(0x2026);
}

Qt::ItemFlags CItemListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
