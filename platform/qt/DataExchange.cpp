#include "DataExchange.h"

#include "Edit.h"
#include "MessageBox.h"

#include <QLabel>
#include <QLineEdit>

#include <cstdint>
#include <limits>
#include <optional>

namespace {

// Parses a decimal unsigned 32-bit number with optional blanks around it; nullopt for
// anything else, including a sign and an overflow.
std::optional<unsigned> ParseUnsigned(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        value = value * 10 + (u - u'0');
        if (value > std::numeric_limits<unsigned>::max())
            return std::nullopt;
    }
    return static_cast<unsigned>(value);
}

void Fail(CDataExchange& dx, const QString& message) {
    dx.m_bFailed = true;
    ShowMessageBox(message);
    if (QWidget* control = dx.m_pLastControl) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* line = qobject_cast<QLineEdit*>(control))
            line->selectAll();
        else if (auto* edit = qobject_cast<CEdit*>(control))
            edit->selectAll();
    }
}

QString ControlText(QWidget* control, const char* controlName) {
    if (auto* edit = qobject_cast<CEdit*>(control))
        return edit->GetText();
    if (auto* line = qobject_cast<QLineEdit*>(control))
        return line->text();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    qWarning("DDX_Text: %s is a %s, not an edit or a label", controlName,
             control->metaObject()->className());
    return {};
}

void SetControlText(QWidget* control, const char* controlName, const QString& text) {
    if (auto* edit = qobject_cast<CEdit*>(control))
        edit->SetText(text);
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        line->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else
        qWarning("DDX_Text: %s is a %s, not an edit or a label", controlName,
                 control->metaObject()->className());
}

} // namespace

QWidget* FindDialogControl(const CDataExchange& dx, const char* controlName) {
    QWidget* control = dx.m_pDlgWnd
                           ? dx.m_pDlgWnd->findChild<QWidget*>(QString::fromLatin1(controlName))
                           : nullptr;
    if (!control)
        qWarning("Data exchange: no control named %s", controlName);
    return control;
}

void DDX_Text(CDataExchange& dx, const char* controlName, QString& value) {
    if (dx.m_bFailed)
        return;
    QWidget* control = FindDialogControl(dx, controlName);
    if (!control)
        return;
    dx.m_pLastControl = control;
    if (dx.m_bSaveAndValidate)
        value = ControlText(control, controlName);
    else
        SetControlText(control, controlName, value);
}

void DDX_Text(CDataExchange& dx, const char* controlName, unsigned& value) {
    if (dx.m_bFailed)
        return;
    QWidget* control = FindDialogControl(dx, controlName);
    if (!control)
        return;
    dx.m_pLastControl = control;
    if (!dx.m_bSaveAndValidate) {
        SetControlText(control, controlName, QString::number(value));
        return;
    }
    const std::optional<unsigned> parsed = ParseUnsigned(ControlText(control, controlName));
    if (!parsed) {
        Fail(dx, QStringLiteral("0 이상의 정수를 입력하십시오."));
        return;
    }
    value = *parsed;
}

void DDV_MinMaxUInt(CDataExchange& dx, unsigned value, unsigned min, unsigned max) {
    if (!dx.m_bSaveAndValidate || dx.m_bFailed)
        return;
    if (value >= min && value <= max)
        return;
    Fail(dx, QStringLiteral("%1에서 %2 사이의 정수를 입력하십시오.").arg(min).arg(max));
}
