#pragma once

#include <QAbstractListModel>

class CItemNames;

// The book's item names as rows for a list view: row i is names.Name(i), a name of more than
// 1,000 characters shown cut short. The model keeps no copy; no QString exists until a view
// asks for a row. The names are the book's own object, which must outlive the model (or be
// replaced by EndReset's) and change only between BeginReset and EndReset.
class CItemListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CItemListModel(const CItemNames& names, QObject* parent = nullptr);

    // Around a change of the names (a build): the views forget every row, then learn the new
    // ones in one go.
    void BeginReset();
    void EndReset();
    // As EndReset, the rows now taken from names, as when the view reads its book again as
    // another book object.
    void EndReset(const CItemNames& names);
    // The rows now taken from names, which begin with the rows shown so far, the same names:
    // the views keep their rows, selection and place, and learn of the rows after them.
    void GrowTo(const CItemNames& names);

    // The name of row; empty for a row out of range.
    QString Text(int row) const;

    QModelIndex index(int row, int column = 0,
                      const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const CItemNames* m_pNames;
    int m_nRows = 0; // the rows the views know of
};
