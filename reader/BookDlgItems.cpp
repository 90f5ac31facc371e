// The reader view's index builds and item displays: the book does the work, the view shows
// the outcome.

#include "BookDlg.h"

#include "Counter.h"
#include "ItemListModel.h"
#include "ListBox.h"
#include "MessageBox.h"
#include "TextCodec.h"
#include "WaitCursor.h"

#include <QTimer>

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

bool CBookDlg::BuildIndex(std::string path, EFileKind kind) {
    CWaitCursor wait;
    wait.Begin();
    EBookStatus status;
    std::unique_ptr<CBook> book; // a book built beside the open one
    std::unique_ptr<CBackgroundOpen> early = std::move(m_pBackgroundOpen);
    if (early && early->Path() == path && early->Kind() == kind &&
        early->CodePage() == m_strCodePage) {
        CBackgroundOpen::SOutcome outcome = early->Take();
        book = std::move(outcome.book);
        status = book ? outcome.status : EBookStatus::TooLarge;
    } else if (m_strCodePage == m_strBookCodePage) {
        early.reset(); // another book: its build is waited for and dropped
        m_pNames->BeginReset();
        status = m_pBook->Open(path, kind);
        m_pNames->EndReset();
    } else {
        early.reset();
        // Another code page is another book object, built beside the open one, which the list
        // goes on showing until the new one is whole; a failed build leaves it as it was.
        book = CBook::Create(m_strCodePage);
        // Only a system out of resources refuses a code page SetCodePage has let through.
        status = book ? book->Open(path, kind) : EBookStatus::TooLarge;
    }
    if (book && status != EBookStatus::FileMissing && status != EBookStatus::TooLarge) {
        m_pNames->BeginReset();
        m_pBook = std::move(book);
        m_pNames->EndReset(m_pBook->Names());
        m_strBookCodePage = m_strCodePage;
    }
    wait.End();
    if (status == EBookStatus::FileMissing || status == EBookStatus::TooLarge) {
        GoBackAfterFailedBuild(status);
        return false;
    }
    Report(status);
    return true;
}

void CBookDlg::GoBackAfterFailedBuild(EBookStatus status) {
    Report(status);
    // The book kept its previous index: the view goes back to describing that book, so that
    // nothing reads the chosen file at the old book's positions. A missing file is also what
    // its display would have found.
    if (status == EBookStatus::FileMissing)
        Report(EBookStatus::CannotOpen);
    if (m_strCodePage != m_strBookCodePage) {
        m_strCodePage = m_strBookCodePage;
        emit codePageChanged(QString::fromStdString(m_strCodePage));
    }
    ReturnToBook();
}

bool CBookDlg::ShowFirstItems() {
    // A megabyte lists a few thousand names of a dictionary, screens of the list, and is
    // read in well under a millisecond.
    constexpr std::size_t kFirstItemsBytes = 1 << 20;
    const CBackgroundOpen* early = m_pBackgroundOpen.get();
    if (!early || early->Path() != m_strPath || early->Kind() != m_nFileKind ||
        early->CodePage() != m_strCodePage || m_nFileKind == EFileKind::Cvd || early->IsDone())
        return false;
    std::unique_ptr<CBook> first = CBook::Create(m_strCodePage);
    if (!first ||
        first->OpenFirstItems(m_strPath, m_nFileKind, kFirstItemsBytes) != EBookStatus::Ok ||
        first->IsWhole() || m_nPendingRow > first->LastIndex())
        return false;
    m_pNames->BeginReset();
    m_pBookBefore = std::exchange(m_pBook, std::move(first));
    m_pNames->EndReset(m_pBook->Names());
    const int row = m_nPendingRow;
    m_nPendingRow = 0;
    ShowRowAfterBuild(row);
    // Queued: the build's thread only asks for the index to be taken on the view's.
    m_pBackgroundOpen->WhenDone([this] {
        QMetaObject::invokeMethod(this, &CBookDlg::CompleteIndex, Qt::QueuedConnection);
    });
    return true;
}

namespace {

// Whether whole lists first's items at the same places, named the same, read in the same code
// page: the rows shown and the item on the form stay as they are.
bool BeginsWith(const CBook& whole, const CBook& first) {
    if (whole.Codec().Name() != first.Codec().Name() || whole.LastIndex() < first.LastIndex())
        return false;
    for (std::int32_t i = 0; i <= first.LastIndex(); ++i) {
        if (whole.Offsets()[i] != first.Offsets()[i] ||
            whole.Names().Name(i) != first.Names().Name(i))
            return false;
    }
    return true;
}

} // namespace

void CBookDlg::CompleteIndex() {
    if (!m_pBookBefore)
        return;
    CWaitCursor wait;
    wait.Begin();
    CBackgroundOpen::SOutcome outcome = m_pBackgroundOpen->Take();
    m_pBackgroundOpen.reset();
    std::unique_ptr<CBook> before = std::move(m_pBookBefore);
    wait.End();
    const EBookStatus status = outcome.book ? outcome.status : EBookStatus::TooLarge;
    if (status == EBookStatus::FileMissing || status == EBookStatus::TooLarge) {
        m_pNames->BeginReset();
        m_pBook = std::move(before);
        m_pNames->EndReset(m_pBook->Names());
        GoBackAfterFailedBuild(status);
        ShowRowAfterBuild(0);
        return;
    }
    const int row = m_ctlItemList->GetCurSel();
    const std::unique_ptr<CBook> first = std::exchange(m_pBook, std::move(outcome.book));
    m_strBookCodePage = m_strCodePage;
    if (BeginsWith(*m_pBook, *first)) {
        m_pNames->GrowTo(m_pBook->Names());
        // The item on the form is the one the whole index lists there: only its count was
        // missing.
        if (row >= 0) {
            PullFormData();
            m_strCounter = Text(FormatCounter(row, m_pBook->LastIndex()));
            PushFormData();
        }
    } else {
        // The book changed, or its later bytes chose another code page: read it as listed now.
        m_pNames->BeginReset();
        m_pNames->EndReset(m_pBook->Names());
        ShowRowAfterBuild(row);
    }
    Report(status);
    emit bookLoaded();
}

bool CBookDlg::SetCodePage(const std::string& codePage) {
    if (!codePage.empty() && CodePageFit(codePage) != ECodePageFit::Ok) {
        emit codePageChanged(QString::fromStdString(m_strCodePage));
        return false;
    }
    // A text search reads the open book's index while it lets events through: the rebuild,
    // which replaces that index, waits until the search is over.
    if (m_bFinding) {
        QTimer::singleShot(0, this, [this, codePage] { SetCodePage(codePage); });
        return true;
    }
    CompleteIndex();
    // The code page in use, chosen again, reads nothing again.
    const bool changed = codePage != m_strCodePage;
    m_strCodePage = codePage;
    bool built = true;
    if (changed && !m_bBuildPending && !m_pBook->Path().empty()) {
        const int row = m_ctlItemList->GetCurSel();
        const int count = m_ctlItemList->GetCount();
        built = BuildIndex(m_pBook->Path(), m_pBook->Kind());
        if (built) {
            // The same items read otherwise keep their places; other items start from the top.
            ShowRowAfterBuild(m_ctlItemList->GetCount() == count ? row : 0);
            emit bookLoaded();
        }
    }
    emit codePageChanged(QString::fromStdString(m_strCodePage));
    return built;
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
    // The count is known once the whole index is.
    m_strCounter = m_pBook->IsWhole() ? Text(FormatCounter(s, m_pBook->LastIndex())) : QString();
    PushFormData();
    return true;
}
