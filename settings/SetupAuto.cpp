#include "SetupAuto.h"

#include "DataExchange.h"
#include "DialogTemplates.h"
#include "MessageBox.h"
#include "Resource.h"
#include "SettingsFile.h"

#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr char16_t kCannotCreate[] = u"환경 파일을 생성 못합니다.";
constexpr unsigned kDefaultPeriod = 1000;

} // namespace

CSetupAuto::CSetupAuto(QWidget* parent)
    : CPropertyPage(DialogTemplateById(IDD_SETUP_AUTO), parent) {
    auto click = [this](const char* name, void (CSetupAuto::*handler)()) {
        if (auto* button = findChild<QAbstractButton*>(QString::fromLatin1(name)))
            connect(button, &QAbstractButton::clicked, this, handler);
    };
    click("IDC_SEQUENTIAL", &CSetupAuto::OnSequential);
    click("IDC_PERIOD_DOWN", &CSetupAuto::OnPeriodDown);
    click("IDC_PERIOD_UP", &CSetupAuto::OnPeriodUp);
    click("IDC_RANDOM", &CSetupAuto::OnRandom);
}

bool CSetupAuto::OnInitDialog() {
    CPropertyPage::OnInitDialog(); // binds the buttons
    if (!ReadSettings()) {
        m_nPeriod = kDefaultPeriod;
        m_nOrder = 0;
        SetOrderButtons(m_nOrder);
        UpdateData(false);
    }
    return true;
}

void CSetupAuto::DoDataExchange(CDataExchange& dx) {
    DDX_Control(dx, "IDC_RANDOM", m_btnRandom);
    DDX_Control(dx, "IDC_SEQUENTIAL", m_btnSequential);
    DDX_Text(dx, "IDC_PERIOD", m_nPeriod);
    DDV_MinMaxUInt(dx, m_nPeriod, kMinPeriod, kMaxPeriod);
}

void CSetupAuto::OnDestroy() {
    CPropertyPage::OnDestroy();
    SaveSettings();
}

bool CSetupAuto::ReadSettings() {
    SSettingsRecord record;
    if (!ReadSettingsRecord(SettingsPath(), record))
        return false;
    m_nPeriod = record.period;
    m_nOrder = record.order;
    SetOrderButtons(m_nOrder);
    UpdateData(false);
    return true;
}

void CSetupAuto::SaveSettings() {
    CSettingsWriter writer;
    if (!writer.Open(SettingsPath())) {
        ShowMessageBox(QString::fromUtf16(kCannotCreate));
        return;
    }
    UpdateData(true); // a failed check has shown its message; the members are written as left
    // A failed write leaves the old file in place: say so rather than let it pass as saved.
    if (!writer.Commit(SSettingsRecord{m_nPeriod, m_nOrder}))
        ShowMessageBox(QString::fromUtf16(kCannotCreate));
}

void CSetupAuto::OnSequential() {
    m_nOrder = 0;
    SetOrderButtons(m_nOrder);
    UpdateData(false);
}

void CSetupAuto::OnRandom() {
    m_nOrder = 1;
    SetOrderButtons(m_nOrder);
    UpdateData(false);
}

void CSetupAuto::OnPeriodDown() {
    UpdateData(true); // on bad input the step goes on from the period last taken in
    m_nPeriod = m_nPeriod >= kMinPeriod + kPeriodStep ? m_nPeriod - kPeriodStep : kMinPeriod;
    UpdateData(false);
}

void CSetupAuto::OnPeriodUp() {
    UpdateData(true);
    // Compared before adding, so that a huge period read from a file can't wrap round to a
    // small one.
    m_nPeriod = m_nPeriod >= kMaxPeriod - kPeriodStep ? kMaxPeriod : m_nPeriod + kPeriodStep;
    UpdateData(false);
}

void CSetupAuto::SetOrderButtons(int order) {
    if (!m_btnSequential || !m_btnRandom)
        return;
    m_btnSequential->setChecked(order == 0);
    m_btnRandom->setChecked(order != 0);
}
