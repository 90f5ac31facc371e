// The reader view's auto view, which steps through the items on a timer, and its settings
// command.

#include "BookDlg.h"

#include "ListBox.h"
#include "MessageBox.h"
#include "Random.h"
#include "SetupAuto.h"
#include "TestSeams.h"

#include <QTimer>

#include <algorithm>
#include <climits>

namespace {

constexpr char16_t kNoOpenFile[] = u"열린 파일이 없습니다";
// A period of 0 would spin the processor: the timer runs no faster than this.
constexpr unsigned kMinimumPeriodMs = 10;

} // namespace

void CBookDlg::OnAutoStart() {
    if (m_bAutoRunning)
        return;
    // A chosen book is enough: the steps work on whatever the list holds when they come.
    if (m_strPath.empty()) {
        ShowMessageBox(QString::fromUtf16(kNoOpenFile));
        return;
    }
    m_bAutoRunning = true;
    // The settings hold the period as a signed number; the timer takes its bits unsigned.
    const unsigned period = static_cast<unsigned>(m_nPeriod);
    m_pTimer->start(static_cast<int>(std::clamp<unsigned>(period, kMinimumPeriodMs, INT_MAX)));
    emit autoRunningChanged(true);
}

void CBookDlg::OnAutoStop() {
    if (!m_bAutoRunning)
        return;
    m_bAutoRunning = false;
    m_pTimer->stop();
    emit autoRunningChanged(false);
}

void CBookDlg::OnTimer() {
    CompleteIndex();
    const int count = m_ctlItemList->GetCount();
    if (count == 0)
        return;
    int next = 0;
    if (m_nOrder == 0) {
        // No selection (-1) goes to item 0, the last item wraps to item 0.
        next = (m_ctlItemList->GetCurSel() + 1) % count;
    } else {
        // One draw, brought into range by its remainder: bounded for every count.
        next = SystemRandom() % count;
    }
    m_ctlItemList->SetCurSel(next);
    if (!ShowSelectedItem())
        OnAutoStop();
}

void CBookDlg::OnSetup() {
    CSetupAuto dialog(window());
    // The dialog writes the settings file as it closes, by OK and by Cancel alike; only an OK
    // makes the view take the new values over.
    if (ExecModal(dialog) == QDialog::Accepted)
        LoadSettings();
}
