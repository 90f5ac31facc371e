#include "SearchDlg.h"

#include "InputPanel.h"
#include "OkCancelButtons.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSearchDlg::CSearchDlg(const QString& term, QWidget* parent)
    : QDialog(parent), m_strTerm(term), m_ctlTerm(new QLineEdit(term, this)) {
    setObjectName(QStringLiteral("CSearchDlg"));
    setWindowTitle(QStringLiteral("검색"));
    m_ctlTerm->setObjectName(QStringLiteral("IDC_TERM"));
    m_ctlTerm->installEventFilter(this);
    auto* label = new QLabel(QStringLiteral("검색어"), this);
    label->setBuddy(m_ctlTerm);

    QDialogButtonBox* buttons = AddOkCancelButtons(this);
    auto* ok = buttons->findChild<QPushButton*>(QStringLiteral("IDOK"));
    auto* cancel = buttons->findChild<QPushButton*>(QStringLiteral("IDCANCEL"));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_ctlTerm, /*stretch=*/1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addStretch();
    layout->addWidget(buttons);
    setTabOrder(ok, cancel);
    setTabOrder(cancel, m_ctlTerm);
    ok->setFocus();
}

void CSearchDlg::accept() {
    m_strTerm = m_ctlTerm->text();
    QDialog::accept();
}

bool CSearchDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ctlTerm && event->type() == QEvent::FocusIn)
        ShowInputPanel(true);
    else if (watched == m_ctlTerm && event->type() == QEvent::FocusOut)
        ShowInputPanel(false);
    return QDialog::eventFilter(watched, event);
}
