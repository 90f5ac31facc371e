#pragma once

#include "CommandIds.h"
#include "DialogTemplate.h"

#include <QDialog>

struct CDataExchange;
class QDialogButtonBox;

// A modal dialog built from a template. The controls exist from construction on; each run of
// DoModal calls OnInitDialog, then shows the dialog until EndDialog. The IDOK button, Enter
// (the default button) and the OK of a caption-OK template run OnOK; the IDCANCEL button,
// Escape and the window's close button run OnCancel.
//
// A template with WS_EX_CAPTIONOKBTN (a dialog whose only way out was an OK button in its
// caption) gets an OK button box below the template's area instead. A dialog whose controls
// have no anchors keeps the template's size; otherwise it may grow.
class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(const SDialogTemplate& dialog, QWidget* parent = nullptr);

    // Runs the dialog modally; kIdOk or kIdCancel (or what else EndDialog was given).
    int DoModal();

    // Pushes the data once and answers true, which puts the focus on the template's first
    // tab stop; a dialog that sets the focus itself answers false.
    virtual bool OnInitDialog();
    // Exchanges the dialog's members with its controls; nothing in the base.
    virtual void DoDataExchange(CDataExchange& dx);
    // Pulls the data and ends with kIdOk, unless the pull failed: then the dialog stays open.
    virtual void OnOK();
    // Ends with kIdCancel.
    virtual void OnCancel();

    // Runs DoDataExchange in one direction; false when a pull failed.
    bool UpdateData(bool saveAndValidate = true);
    void EndDialog(int result);
    // Centres the dialog over its parent window, or the active window, or the screen.
    void CenterWindow();

    void accept() override;
    void reject() override;

private:
    void FocusFirstTabStop();

    QWidget* m_pFirstTabStop = nullptr;
};
