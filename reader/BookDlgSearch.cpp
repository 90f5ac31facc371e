// The reader view's search of item names by prefix.

#include "BookDlg.h"

#include "ListBox.h"
#include "MessageBox.h"
#include "SearchDlg.h"
#include "TestSeams.h"

namespace {

constexpr char16_t kTermNotFound[] = u"찾는 검색어가 없습니다";

} // namespace

void CBookDlg::OnSearch() {
    CSearchDlg dialog(m_strSearch, window());
    if (ExecModal(dialog) != QDialog::Accepted)
        return;
    // The confirmed term is kept, an empty one too; only a term that is not empty is searched.
    m_strSearch = dialog.Term();
    if (m_strSearch.isEmpty())
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
