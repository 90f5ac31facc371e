#include "FormView.h"

#include "DataExchange.h"
#include "DialogBuilder.h"
#include "DialogTemplate.h"

CFormView::CFormView(const SDialogTemplate& form, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("IDD_%1").arg(form.id));
    BuildDialogControls(form, this);
}

bool CFormView::UpdateData(bool saveAndValidate) {
    CDataExchange dx{saveAndValidate, false, this};
    DoDataExchange(dx);
    return !dx.m_bFailed;
}

void CFormView::DoDataExchange(CDataExchange&) {}

void CFormView::OnInitialUpdate() {
    UpdateData(false);
}

void CFormView::OnDraw() {}

void CFormView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_bInitialUpdateDone)
        return;
    m_bInitialUpdateDone = true;
    OnInitialUpdate();
}

void CFormView::paintEvent(QPaintEvent*) {
    OnDraw();
}
