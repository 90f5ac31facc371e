#pragma once

#include "UniformListView.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringView>

#include <functional>

// A single-selection list box over a model of one column, set with setModel. Only the user
// moves the selection with a notification: selchange is emitted when a click, a drag, a key or
// typed letters change the selected row, never for SetCurSel or a change of the model. The
// user cannot clear the selection once a row is selected.
class CListBox : public CUniformListView {
    Q_OBJECT
public:
    // The first row after `after` whose text begins with term, wrapping so that `after` is
    // tried last (-1: every row from 0); -1 when none.
    using PrefixSearch = std::function<int(int after, QStringView term)>;

    explicit CListBox(QWidget* parent = nullptr);

    // How FindString and typed letters find rows. Without one FindString finds nothing and
    // typed letters are matched by the list view's own search.
    void SetPrefixSearch(PrefixSearch search) { m_findPrefix = std::move(search); }

    int GetCount() const;
    // The selected row, or -1 when none.
    int GetCurSel() const;
    // Selects row and scrolls it into view, silently. -1 or a row out of range clears the
    // selection and returns -1; otherwise returns row.
    int SetCurSel(int row);
    // The text of row; empty for a row out of range.
    QString GetText(int row) const;
    // The prefix search above; -1 also when the list is empty.
    int FindString(int after, QStringView term) const;

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

    PrefixSearch m_findPrefix;
    QString m_strTyped;         // letters typed in quick succession, for keyboardSearch
    QElapsedTimer m_typedClock; // time since the last typed letter
};
