#include "ListBox.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

CListBox::CListBox(QWidget* parent) : CUniformListView(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int CListBox::GetCount() const {
    return model() ? model()->rowCount() : 0;
}

int CListBox::GetCurSel() const {
    if (!selectionModel())
        return -1;
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty())
        return -1;
    return selection.first().top();
}

int CListBox::SetCurSel(int row) {
    if (!selectionModel())
        return -1;
    if (row < 0 || row >= GetCount()) {
        selectionModel()->clear();
        return -1;
    }
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    return row;
}

QString CListBox::GetText(int row) const {
    if (row < 0 || row >= GetCount())
        return {};
    return model()->index(row, 0).data().toString();
}

int CListBox::FindString(int after, QStringView term) const {
    if (!m_findPrefix || GetCount() == 0)
        return -1;
    return m_findPrefix(after, term);
}

template <class Handler> void CListBox::NotifyIfMoved(Handler handler) {
    const int before = GetCurSel();
    handler();
    if (GetCurSel() != before)
        emit selchange();
}

void CListBox::mousePressEvent(QMouseEvent* event) {
    NotifyIfMoved([&] { CUniformListView::mousePressEvent(event); });
}

void CListBox::mouseMoveEvent(QMouseEvent* event) {
    NotifyIfMoved([&] { CUniformListView::mouseMoveEvent(event); });
}

void CListBox::mouseReleaseEvent(QMouseEvent* event) {
    NotifyIfMoved([&] { CUniformListView::mouseReleaseEvent(event); });
}

void CListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    NotifyIfMoved([&] { CUniformListView::mouseDoubleClickEvent(event); });
}

void CListBox::keyPressEvent(QKeyEvent* event) {
    NotifyIfMoved([&] { CUniformListView::keyPressEvent(event); });
}

// The base class matches typed letters by asking the model for every row's text, which stalls
// on a large book; a prefix search over the names themselves takes a few milliseconds.
void CListBox::keyboardSearch(const QString& search) {
    if (!m_findPrefix) {
        CUniformListView::keyboardSearch(search);
        return;
    }
    if (search.isEmpty())
        return;
    const bool extending = !m_strTyped.isEmpty() && m_typedClock.isValid() &&
                           m_typedClock.elapsed() <= QApplication::keyboardInputInterval();
    m_strTyped = extending ? m_strTyped + search : search;
    m_typedClock.start();
    const int current = GetCurSel();
    // A new letter moves past the current row; more letters may keep it if it still matches.
    const int after = extending && current >= 0 ? current - 1 : current;
    const int row = FindString(after, m_strTyped);
    if (row < 0)
        return;
    const QModelIndex index = model()->index(row, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

QItemSelectionModel::SelectionFlags CListBox::selectionCommand(const QModelIndex& index,
                                                               const QEvent* event) const {
    // Like the handheld's list box: a click or key always selects the row it lands on, and no
    // modifier deselects it, so a selected list never goes back to having no selection.
    if (!index.isValid() || (event && event->type() == QEvent::MouseButtonRelease))
        return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
}
