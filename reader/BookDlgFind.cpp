// The reader view's search of the items' text: the book looks through its own bytes, the view
// asks for the term, shows the item found and marks the term in the body.

#include "BookDlg.h"

#include "Edit.h"
#include "ListBox.h"
#include "MessageBox.h"
#include "TestSeams.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QProgressDialog>
#include <QTextCursor>

namespace {

// The name search's words: to the user both searches look for a term that is not there.
constexpr char16_t kTermNotFound[] = u"찾는 검색어가 없습니다";
// A search shows its progress only when it lasts longer than this.
constexpr int kProgressDelayMs = 500;
constexpr int kProgressSteps = 1000;

} // namespace

void CBookDlg::OnFindText() {
    QInputDialog dialog(window());
    dialog.setWindowTitle(QStringLiteral("본문 검색"));
    dialog.setLabelText(QStringLiteral("찾을 말:"));
    dialog.setOkButtonText(QStringLiteral("찾기"));
    dialog.setCancelButtonText(QStringLiteral("취소"));
    dialog.setTextValue(m_strFindText);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.textValue().isEmpty())
        return;
    m_strFindText = dialog.textValue();
    FindText(m_strFindText, true);
}

void CBookDlg::OnFindNext() {
    if (m_strFindText.isEmpty())
        OnFindText();
    else
        FindText(m_strFindText, true);
}

void CBookDlg::OnFindPrevious() {
    if (m_strFindText.isEmpty())
        OnFindText();
    else
        FindText(m_strFindText, false);
}

bool CBookDlg::FindText(const QString& term, bool forward) {
    if (m_bFinding)
        return false;
    CompleteIndex();
    m_bFinding = true;
    QProgressDialog progress(QStringLiteral("본문에서 찾는 중입니다..."), QStringLiteral("취소"), 0,
                             kProgressSteps, window());
    progress.setObjectName(QStringLiteral("FindProgress"));
    progress.setWindowTitle(QStringLiteral("본문 검색"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(kProgressDelayMs);
    progress.setAutoReset(false);
    progress.setValue(0);
    const CTextSearch::Progress report = [&progress](std::int64_t done, std::int64_t total) {
        progress.setValue(total > 0 ? static_cast<int>(done * kProgressSteps / total) : 0);
        // Until the modal dialog shows, the user's input waits, so that no command starts
        // in the middle of this one.
        QCoreApplication::processEvents(progress.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents);
        return !progress.wasCanceled();
    };
    const std::u16string what = term.toStdU16String();
    const std::int32_t selected = m_ctlItemList->GetCurSel();
    std::int32_t found = -1;
    const EBookStatus status = forward ? m_pBook->FindText(what, selected, found, report)
                                       : m_pBook->FindPreviousText(what, selected, found, report);
    progress.close();
    m_bFinding = false;
    if (status != EBookStatus::Ok) {
        if (const char16_t* message = MessageOf(status))
            ShowMessageBox(QString::fromUtf16(message));
        return false;
    }
    if (found == CTextSearch::kCancelled)
        return false;
    if (found < 0) {
        ShowMessageBox(QString::fromUtf16(kTermNotFound));
        return false;
    }
    m_ctlItemList->SetCurSel(found);
    if (!ShowSelectedItem())
        return false;
    MarkInBody(term);
    return true;
}

void CBookDlg::MarkInBody(const QString& term) {
    QTextCursor cursor(m_ctlBody->document());
    const std::size_t at =
        CTextSearch::Find(m_ctlBody->toPlainText().toStdU16String(), term.toStdU16String());
    if (at != std::u16string::npos) {
        cursor.setPosition(static_cast<int>(at));
        cursor.setPosition(static_cast<int>(at + term.size()), QTextCursor::KeepAnchor);
    }
    m_ctlBody->setTextCursor(cursor);
    m_ctlBody->ensureCursorVisible();
}
