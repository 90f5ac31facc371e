#pragma once

#include "UniformListView.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringView>

class CItemListModel;

// A single-selection list box over a CItemListModel it owns. Rows stay in the order they were
// added. Only the user moves the selection with a notification: selchange is emitted when a
// click, a drag, a key or typed letters change the selected row, never for SetCurSel,
// ResetContent or AddString. The user cannot clear the selection once a row is selected.
class CListBox : public CUniformListView {
    Q_OBJECT
public:
    explicit CListBox(QWidget* parent = nullptr);

    // Removes every row; nothing stays selected.
    void ResetContent();
    int GetCount() const;
    // Appends a row at the end (never sorted) and returns its index; -1 when out of space.
    int AddString(QStringView text);
    // The selected row, or -1 when none.
    int GetCurSel() const;
    // Selects row and scrolls it into view, silently. -1 or a row out of range clears the
    // selection and returns -1; otherwise returns row.
    int SetCurSel(int row);
    // The text of row; empty for a row out of range.
    QString GetText(int row) const;
    // The first row after `after` whose text begins with term, wrapping so that `after` is
    // tried last; -1 searches every row from 0. ASCII letters compare without case, all other
    // characters exactly. -1 when nothing matches or the list is empty.
    int FindString(int after, QStringView term) const;
    // Shows rows added since the last flush (queries and the event loop flush by themselves).
    void Flush();

    CItemListModel* Model() const { return m_pModel; }

signals:
    void selchange();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyboardSearch(const QString& search) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;

private:
    // Runs a user input handler and emits selchange if it moved the selected row.
    template <class Handler> void NotifyIfMoved(Handler handler);

    CItemListModel* m_pModel;
    QString m_strTyped;         // letters typed in quick succession, for keyboardSearch
    QElapsedTimer m_typedClock; // time since the last typed letter
};
