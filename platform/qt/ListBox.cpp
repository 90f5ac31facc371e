#include "ListBox.h"

#include "ItemListModel.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>

CListBox::CListBox(QWidget* parent) : CUniformListView(parent), m_pModel(new CItemListModel(this)) {
    setModel(m_pModel);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void CListBox::ResetContent() {
    m_pModel->Clear();
}

int CListBox::GetCount() const {
    m_pModel->Flush();
    return m_pModel->Count();
}

int CListBox::AddString(QStringView text) {
    return m_pModel->Append(text);
}

int CListBox::GetCurSel() const {
    m_pModel->Flush();
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty())
        return -1;
    return selection.first().top();
}

int CListBox::SetCurSel(int row) {
    m_pModel->Flush();
    if (row < 0 || row >= m_pModel->Count()) {
        selectionModel()->clear();
        return -1;
    }
    const QModelIndex index = m_pModel->index(row);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
    return row;
}

QString CListBox::GetText(int row) const {
    m_pModel->Flush();
    return m_pModel->Text(row);
}

int CListBox::FindString(int after, QStringView term) const {
    m_pModel->Flush();
    return m_pModel->FindPrefix(after, term);
}

void CListBox::Flush() {
    m_pModel->Flush();
}

template <class Handler> void CListBox::NotifyIfMoved(Handler handler) {
    m_pModel->Flush();
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
// on a large book; the pool's own prefix search does the same in a few milliseconds.
void CListBox::keyboardSearch(const QString& search) {
    if (search.isEmpty())
        return;
    const bool extending = !m_strTyped.isEmpty() && m_typedClock.isValid() &&
                           m_typedClock.elapsed() <= QApplication::keyboardInputInterval();
    m_strTyped = extending ? m_strTyped + search : search;
    m_typedClock.start();
    const int current = GetCurSel();
    // A new letter moves past the current row; more letters may keep it if it still matches.
    const int after = extending && current >= 0 ? current - 1 : current;
    const int row = m_pModel->FindPrefix(after, m_strTyped);
    if (row < 0)
        return;
    const QModelIndex index = m_pModel->index(row);
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
