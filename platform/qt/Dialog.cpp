#include "Dialog.h"

#include "DataExchange.h"
#include "DialogBuilder.h"
#include "TemplateLayout.h"
#include "TestSeams.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

CDialog::CDialog(const SDialogTemplate& dialog, QWidget* parent) : QDialog(parent) {
    setWindowTitle(dialog.caption);
    auto* area = new QWidget(this);
    BuildDialogControls(dialog, area);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(area);
    if (dialog.exStyle & Style::kWsExCaptionOkButton) {
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("IDOK"));
        buttons->setContentsMargins(8, 0, 8, 8);
        outer->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &CDialog::accept);
    }
    const auto* placed = static_cast<CTemplateLayout*>(area->layout());
    if (!placed->HasAnchors())
        outer->setSizeConstraint(QLayout::SetFixedSize);
    for (const SControlTemplate& control : dialog.controls) {
        if (!control.name || !*control.name)
            continue;
        auto* button = area->findChild<QAbstractButton*>(QString::fromLatin1(control.name));
        if (button && control.id == kIdOk)
            connect(button, &QAbstractButton::clicked, this, &CDialog::accept);
        else if (button && control.id == kIdCancel)
            connect(button, &QAbstractButton::clicked, this, &CDialog::reject);
        if (!m_pFirstTabStop && (control.style & Style::kWsTabStop))
            m_pFirstTabStop = area->findChild<QWidget*>(QString::fromLatin1(control.name));
    }
    outer->activate();
    resize(sizeHint());
}

int CDialog::DoModal() {
    if (OnInitDialog())
        FocusFirstTabStop();
    QueueModalDialogSeam(this);
    const int result = exec();
    // A run ended from outside (the application quitting) counts as a cancel.
    return result == QDialog::Rejected ? kIdCancel : result;
}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::DoDataExchange(CDataExchange&) {}

void CDialog::OnOK() {
    if (!UpdateData(true))
        return;
    EndDialog(kIdOk);
}

void CDialog::OnCancel() {
    EndDialog(kIdCancel);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx{saveAndValidate, false, this};
    DoDataExchange(dx);
    return !dx.m_bFailed;
}

void CDialog::EndDialog(int result) {
    done(result);
}

void CDialog::CenterWindow() {
    QRect over;
    if (QWidget* owner = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
        owner && owner != this)
        over = owner->frameGeometry();
    else if (QScreen* screen = this->screen())
        over = screen->availableGeometry();
    else
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(over.center());
    move(frame.topLeft());
}

void CDialog::accept() {
    OnOK();
}

void CDialog::reject() {
    OnCancel();
}

void CDialog::FocusFirstTabStop() {
    if (m_pFirstTabStop && m_pFirstTabStop->isEnabled())
        m_pFirstTabStop->setFocus(Qt::TabFocusReason);
}
