#include "SearchDlg.h"

#include "BookDlg.h"
#include "DataExchange.h"
#include "DialogTemplates.h"
#include "InputPanel.h"
#include "Resource.h"

#include <QEvent>
#include <QLineEdit>

CSearchDlg::CSearchDlg(QWidget* parent) : CDialog(DialogTemplateById(IDD_SEARCH), parent) {
    if (auto* term = findChild<QLineEdit*>(QStringLiteral("IDC_TERM")))
        term->installEventFilter(this);
}

bool CSearchDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    if (const CBookDlg* view = CBookDlg::GetActiveView())
        m_strTerm = view->SearchTerm();
    UpdateData(false);
    return true;
}

void CSearchDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, "IDC_TERM", m_strTerm);
}

void CSearchDlg::OnOK() {
    CBookDlg* view = CBookDlg::GetActiveView();
    UpdateData(true);
    if (view)
        view->SetSearchTerm(m_strTerm);
    CDialog::OnOK();
}

void CSearchDlg::OnSetfocusTerm() {
    ShowInputPanel(true);
}

void CSearchDlg::OnKillfocusTerm() {
    ShowInputPanel(false);
}

bool CSearchDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn)
        OnSetfocusTerm();
    else if (event->type() == QEvent::FocusOut)
        OnKillfocusTerm();
    return CDialog::eventFilter(watched, event);
}
