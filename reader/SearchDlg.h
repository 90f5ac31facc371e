#pragma once

#include "Dialog.h"

#include <QString>

// The search dialog (template 136): one edit for the term. It opens with the active view's
// last term and, on OK, stores the typed term there, also when it is empty; Cancel stores
// nothing. The focus starts on OK so that the input panel stays down until the user goes to
// the edit.
class CSearchDlg : public CDialog {
    Q_OBJECT
public:
    explicit CSearchDlg(QWidget* parent = nullptr);

    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;

    // The term edit gains or loses the focus: raises or lowers the input panel.
    void OnSetfocusTerm();
    void OnKillfocusTerm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString m_strTerm;
};
