#include "AboutDlg.h"

#include "DialogTemplates.h"
#include "Resource.h"

CAboutDlg::CAboutDlg(QWidget* parent) : CDialog(DialogTemplateById(IDD_ABOUTBOX), parent) {
    setObjectName(QStringLiteral("CAboutDlg"));
}

CAboutDlg::~CAboutDlg() = default;

bool CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow();
    return true;
}
