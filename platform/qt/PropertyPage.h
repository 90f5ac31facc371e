#pragma once

#include "DialogTemplate.h"

#include <QString>
#include <QWidget>

struct CDataExchange;

// One page of a CPropertySheet, built from a template; its tab shows the template's caption.
// The controls exist from construction on. The sheet calls OnInitDialog when it first shows
// the page in a modal run and OnDestroy when that run ends, whatever ended it, before
// DoModal returns and while the controls still exist.
class CPropertyPage : public QWidget {
    Q_OBJECT
public:
    explicit CPropertyPage(const SDialogTemplate& dialog, QWidget* parent = nullptr);

    // Pushes the data once and answers true (focus on the page's first tab stop).
    virtual bool OnInitDialog();
    // Exchanges the page's members with its controls; nothing in the base.
    virtual void DoDataExchange(CDataExchange& dx);
    // The page's window goes away as its sheet closes; nothing in the base.
    virtual void OnDestroy();

    // Runs DoDataExchange in one direction; false when a pull failed.
    bool UpdateData(bool saveAndValidate = true);
    QString GetCaption() const { return m_strCaption; }

private:
    friend class CPropertySheet;
    QWidget* FirstTabStop() const;

    QString m_strCaption;
    QString m_strFirstTabStop;   // objectName of the template's first tab stop
    bool m_bInitialised = false; // OnInitDialog ran in the current modal run
};
