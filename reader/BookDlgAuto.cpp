// The reader view's auto view, which steps through the items on a timer, and its settings
// command.

#include "BookDlg.h"

#include "CmdUI.h"
#include "CommandIds.h"
#include "ListBox.h"
#include "MessageBox.h"
#include "PropertySheet.h"
#include "Random.h"
#include "SetupAuto.h"
#include "Timer.h"

namespace {

constexpr unsigned kAutoTimerId = 1;
constexpr char16_t kNoOpenFile[] = u"열린 파일이 없습니다";

} // namespace

void CBookDlg::OnAutoStart() {
    if (m_bAutoRunning)
        return;
    // A chosen book is enough: the steps work on whatever the list holds when they come.
    if (m_strPath.isEmpty()) {
        ShowMessageBox(QString::fromUtf16(kNoOpenFile));
        return;
    }
    if (!m_pTimer) {
        m_pTimer = new CTimer(this);
        connect(m_pTimer, &CTimer::timeout, this, &CBookDlg::OnTimer);
    }
    m_bAutoRunning = true;
    // The settings hold the period as a signed number; the timer takes its bits unchanged.
    m_pTimer->SetTimer(kAutoTimerId, static_cast<unsigned>(m_nPeriod));
}

void CBookDlg::OnAutoStop() {
    if (!m_bAutoRunning)
        return;
    m_bAutoRunning = false;
    m_pTimer->KillTimer(kAutoTimerId);
}

void CBookDlg::OnUpdateAutoStart(CCmdUI* ui) {
    ui->Enable(!m_bAutoRunning);
}

void CBookDlg::OnUpdateAutoStop(CCmdUI* ui) {
    ui->Enable(m_bAutoRunning);
}

void CBookDlg::OnTimer(unsigned /*id*/) {
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
    ShowSelectedItem();
}

void CBookDlg::OnDestroy() {
    if (m_bAutoRunning)
        m_pTimer->KillTimer(kAutoTimerId);
    m_bAutoRunning = false;
}

void CBookDlg::OnSetup() {
    CSetupAuto page;
    CPropertySheet sheet;
    sheet.AddPage(&page);
    // The page writes the settings file as the sheet closes, by OK and by Cancel alike; only
    // an OK makes the view take the new values over.
    if (sheet.DoModal() == kIdOk)
        LoadSettings();
}
