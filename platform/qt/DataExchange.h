#pragma once

#include <QObject>
#include <QString>
#include <QWidget>

// One run of a form's data exchange between its members and its controls. Controls are found
// by objectName anywhere under m_pDlgWnd. A pull stops at its first failure: once m_bFailed is
// set, the later exchange calls of the same run leave their members unchanged and show
// nothing, so the user sees one message per run.
struct CDataExchange {
    bool m_bSaveAndValidate;           // true: controls → members (pull); false: push
    bool m_bFailed = false;            // a pull found invalid input
    QWidget* m_pDlgWnd;                // the form whose controls are exchanged
    QWidget* m_pLastControl = nullptr; // the control exchanged last, focused on a failure
};

// Exchanges the text of a CEdit, QLineEdit or QLabel. A CEdit gives back the exact string
// pushed (line ends included) until the user edits it.
void DDX_Text(CDataExchange& dx, const char* controlName, QString& value);

// Exchanges an unsigned 32-bit number in decimal. A pull of anything else (a sign, letters,
// a number above 4294967295; blanks around the digits are allowed) shows a message, focuses
// the control, fails the run and leaves value unchanged.
void DDX_Text(CDataExchange& dx, const char* controlName, unsigned& value);

// On a pull that has not failed yet: a value outside min..max shows a message naming the
// range, focuses the last control and fails the run.
void DDV_MinMaxUInt(CDataExchange& dx, unsigned value, unsigned min, unsigned max);

// The control of that name under the form, or nullptr (with a warning) when there is none.
QWidget* FindDialogControl(const CDataExchange& dx, const char* controlName);

// Binds member to the control of that name, once: a member already bound is left alone. A
// control of another type leaves member null (with a warning).
template <class T> void DDX_Control(CDataExchange& dx, const char* controlName, T*& member) {
    if (member)
        return;
    QWidget* control = FindDialogControl(dx, controlName);
    member = qobject_cast<T*>(control);
    if (control && !member)
        qWarning("DDX_Control: %s is a %s", controlName, control->metaObject()->className());
}
