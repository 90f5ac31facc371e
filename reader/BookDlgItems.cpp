// The reader view's index builds and item displays: the book does the work, the view shows
// the outcome.

#include "BookDlg.h"

#include "Counter.h"
#include "ItemListModel.h"
#include "ListBox.h"
#include "MessageBox.h"
#include "WaitCursor.h"

namespace {

// The status's message, if it has one.
void Report(EBookStatus status) {
    if (const char16_t* message = MessageOf(status))
        ShowMessageBox(QString::fromUtf16(message));
}

QString Text(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

} // namespace

void CBookDlg::LoadMarkedText(const std::string& path) {
    BuildIndex(path, m_nFileKind); // kinds 0 and 2 alike
}

void CBookDlg::LoadCvd(const std::string& path) {
    BuildIndex(path, EFileKind::Cvd);
}

void CBookDlg::BuildIndex(const std::string& path, EFileKind kind) {
    CWaitCursor wait;
    wait.Begin();
    m_pNames->BeginReset();
    const EBookStatus status = m_pBook->Open(path, kind);
    m_pNames->EndReset();
    wait.End();
    Report(status);
}

void CBookDlg::ShowTextItem() {
    ShowItem();
}

void CBookDlg::ShowCvdItem() {
    ShowItem();
}

void CBookDlg::ShowItem() {
    // The chosen book is not the one indexed when its build failed: it can't be read.
    if (m_strPath != m_pBook->Path()) {
        Report(EBookStatus::CannotOpen);
        return;
    }
    PullFormData();
    const int s = m_ctlItemList->GetCurSel();
    STextItem item;
    const EBookStatus status = m_pBook->ReadItem(s, item);
    if (status != EBookStatus::Ok) {
        Report(status); // a CVD record that fails its re-check leaves the form as it was, silently
        return;
    }
    m_strTitle = Text(item.title);
    m_strBody = Text(item.body);
    m_strCounter = Text(FormatCounter(s, m_pBook->LastIndex()));
    PushFormData();
}
