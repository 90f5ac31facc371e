#pragma once

#include "CommandIds.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <vector>

class CPropertyPage;
class QDialogButtonBox;
class QTabWidget;

// A modal dialog of tabbed pages with OK and Cancel. OK pulls the data of every page shown in
// this run, in page order; when a pull fails (the page has shown its message) the sheet shows
// that page and stays open. Cancel, Escape and the window's close button end the run at once.
// Before DoModal returns, every page shown in the run gets OnDestroy.
//
// The sheet does not own its pages: they may be locals declared before or after the sheet.
class CPropertySheet : public QDialog {
    Q_OBJECT
public:
    explicit CPropertySheet(const QString& caption = QString(), QWidget* parent = nullptr);
    ~CPropertySheet() override;

    // Adds a page as the last tab.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetActivePage() const;

    // Runs the sheet modally: kIdOk after OK, kIdCancel otherwise.
    int DoModal();

    void accept() override;
    void reject() override;

private:
    void InitialisePage(int index);
    void DestroyPages();

    QTabWidget* m_pTabs;
    QDialogButtonBox* m_pButtons;
    std::vector<QPointer<CPropertyPage>> m_pages;
    bool m_bRunning = false;
};
