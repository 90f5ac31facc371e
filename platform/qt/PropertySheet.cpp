#include "PropertySheet.h"

#include "PropertyPage.h"
#include "TestSeams.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CPropertySheet::CPropertySheet(const QString& caption, QWidget* parent)
    : QDialog(parent), m_pTabs(new QTabWidget(this)),
      m_pButtons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(caption);
    m_pButtons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("IDOK"));
    m_pButtons->button(QDialogButtonBox::Ok)->setDefault(true);
    m_pButtons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("IDCANCEL"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pTabs);
    layout->addWidget(m_pButtons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &CPropertySheet::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &CPropertySheet::reject);
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (m_bRunning)
            InitialisePage(index);
    });
}

CPropertySheet::~CPropertySheet() {
    // Hand the pages back to their owners before QObject would delete them as children.
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page) {
            m_pTabs->removeTab(m_pTabs->indexOf(page));
            page->setParent(nullptr);
        }
    }
}

void CPropertySheet::AddPage(CPropertyPage* page) {
    m_pages.emplace_back(page);
    m_pTabs->addTab(page, page->GetCaption());
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    return qobject_cast<CPropertyPage*>(m_pTabs->currentWidget());
}

int CPropertySheet::DoModal() {
    m_bRunning = true;
    InitialisePage(m_pTabs->currentIndex());
    QueueModalDialogSeam(this);
    const int result = exec();
    m_bRunning = false;
    DestroyPages();
    return result == kIdOk ? kIdOk : kIdCancel;
}

void CPropertySheet::accept() {
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page && page->m_bInitialised && !page->UpdateData(true)) {
            m_pTabs->setCurrentWidget(page);
            return;
        }
    }
    done(kIdOk);
}

void CPropertySheet::reject() {
    done(kIdCancel);
}

void CPropertySheet::InitialisePage(int index) {
    auto* page = qobject_cast<CPropertyPage*>(m_pTabs->widget(index));
    if (!page || page->m_bInitialised)
        return;
    page->m_bInitialised = true;
    if (page->OnInitDialog()) {
        if (QWidget* first = page->FirstTabStop())
            first->setFocus(Qt::TabFocusReason);
    }
}

void CPropertySheet::DestroyPages() {
    for (const QPointer<CPropertyPage>& page : m_pages) {
        if (page && page->m_bInitialised) {
            page->m_bInitialised = false;
            page->OnDestroy();
        }
    }
}
