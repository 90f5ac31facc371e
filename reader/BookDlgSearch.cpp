// The reader view's search of item names by prefix.

#include "BookDlg.h"

#include "CommandIds.h"
#include "ListBox.h"
#include "MessageBox.h"
#include "SearchDlg.h"

#include <QPointer>

namespace {

constexpr char16_t kTermNotFound[] = u"찾는 검색어가 없습니다";

// Cleared by Qt when the view is destroyed, so the dialog never reaches a dead view.
QPointer<CBookDlg>& ActiveView() {
    static QPointer<CBookDlg> view;
    return view;
}

} // namespace

void CBookDlg::SetActiveView(CBookDlg* view) {
    ActiveView() = view;
}

CBookDlg* CBookDlg::GetActiveView() {
    return ActiveView().data();
}

void CBookDlg::OnSearch() {
    CSearchDlg dialog;
    // The dialog stores the confirmed term in the view itself, an empty one included.
    if (dialog.DoModal() != kIdOk || m_strSearch.isEmpty())
        return;
    FindItemName(m_strSearch);
}

void CBookDlg::FindItemName(QString term) {
    const int found = m_ctlItemList->FindString(m_ctlItemList->GetCurSel(), term);
    if (found < 0) {
        ShowMessageBox(QString::fromUtf16(kTermNotFound));
        return;
    }
    m_ctlItemList->SetCurSel(found);
    ShowSelectedItem();
}
