#include "PropertyPage.h"

#include "DataExchange.h"
#include "DialogBuilder.h"

CPropertyPage::CPropertyPage(const SDialogTemplate& dialog, QWidget* parent)
    : QWidget(parent), m_strCaption(dialog.caption) {
    setWindowTitle(dialog.caption);
    BuildDialogControls(dialog, this);
    for (const SControlTemplate& control : dialog.controls) {
        if ((control.style & Style::kWsTabStop) && control.name && *control.name) {
            m_strFirstTabStop = QString::fromLatin1(control.name);
            break;
        }
    }
}

bool CPropertyPage::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CPropertyPage::DoDataExchange(CDataExchange&) {}

void CPropertyPage::OnDestroy() {}

bool CPropertyPage::UpdateData(bool saveAndValidate) {
    CDataExchange dx{saveAndValidate, false, this};
    DoDataExchange(dx);
    return !dx.m_bFailed;
}

QWidget* CPropertyPage::FirstTabStop() const {
    return m_strFirstTabStop.isEmpty() ? nullptr : findChild<QWidget*>(m_strFirstTabStop);
}
