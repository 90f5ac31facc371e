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
    if (status != EBookStatus::FileMissing && status != EBookStatus::TooLarge)
        return;
    // The book kept its previous index: the view goes back to describing that book, so that
    // nothing reads the chosen file at the old book's positions. A missing file is also what
    // its display would have found.
    if (status == EBookStatus::FileMissing)
        Report(EBookStatus::CannotOpen);
    ReturnToBook();
}

bool CBookDlg::ShowTextItem() {
    return ShowItem();
}

bool CBookDlg::ShowCvdItem() {
    return ShowItem();
}

bool CBookDlg::ShowItem() {
    PullFormData();
    const int s = m_ctlItemList->GetCurSel();
    STextItem item;
    const EBookStatus status = m_pBook->ReadItem(s, item);
    if (status != EBookStatus::Ok) {
        // A CVD record that fails its re-check leaves the form as it was, silently.
        Report(status);
        return MessageOf(status) == nullptr;
    }
    m_strTitle = Text(item.title);
    m_strBody = Text(item.body);
    m_strCounter = Text(FormatCounter(s, m_pBook->LastIndex()));
    PushFormData();
    return true;
}
