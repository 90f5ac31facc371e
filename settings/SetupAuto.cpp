#include "SetupAuto.h"

#include "MessageBox.h"
#include "OkCancelButtons.h"
#include "SettingsFile.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdint>
#include <limits>
#include <optional>

namespace {

constexpr char16_t kCannotCreate[] = u"환경 파일을 생성 못합니다.";
constexpr unsigned kDefaultPeriod = 1000;

// A decimal unsigned 32-bit number with optional blanks around it; nullopt for anything else,
// a sign and an overflow included.
std::optional<unsigned> ParseUnsigned(const QString& text) {
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<unsigned>::max())
            return std::nullopt;
    }
    return static_cast<unsigned>(value);
}

QPushButton* ArrowButton(const QString& text, const char* name) {
    auto* button = new QPushButton(text);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false); // Enter in the edit means OK, not a step
    button->setAutoRepeat(true);
    button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 8);
    return button;
}

} // namespace

CSetupAuto::CSetupAuto(QWidget* parent)
    : QDialog(parent), m_btnRandom(new QRadioButton(QStringLiteral("임의로 바꿈"))),
      m_btnSequential(new QRadioButton(QStringLiteral("순차적으로 바꿈"))),
      m_ctlPeriod(new QLineEdit),
      m_btnPeriodDown(ArrowButton(QStringLiteral("<"), "IDC_PERIOD_DOWN")),
      m_btnPeriodUp(ArrowButton(QStringLiteral(">"), "IDC_PERIOD_UP")) {
    setObjectName(QStringLiteral("CSetupAuto"));
    setWindowTitle(QStringLiteral("환경 설정"));
    auto* page = new QWidget;
    auto* label = new QLabel(QStringLiteral("주기(ms) :"), page);
    label->setBuddy(m_ctlPeriod);
    m_ctlPeriod->setObjectName(QStringLiteral("IDC_PERIOD"));
    m_ctlPeriod->setAccessibleName(QStringLiteral("주기(ms)"));
    m_btnPeriodDown->setAccessibleName(QStringLiteral("주기(ms) <"));
    m_btnPeriodUp->setAccessibleName(QStringLiteral("주기(ms) >"));
    m_btnSequential->setObjectName(QStringLiteral("IDC_SEQUENTIAL"));
    m_btnRandom->setObjectName(QStringLiteral("IDC_RANDOM"));

    auto* time = new QGroupBox(QStringLiteral("자동 보기 시간"), page);
    auto* timeRow = new QHBoxLayout(time);
    timeRow->addWidget(label);
    timeRow->addWidget(m_btnPeriodDown);
    timeRow->addWidget(m_ctlPeriod);
    timeRow->addWidget(m_btnPeriodUp);
    auto* order = new QGroupBox(QStringLiteral("자동 보기 순서"), page);
    auto* orderColumn = new QVBoxLayout(order);
    // As wide as their texts: a click beside a text is no click on the button.
    orderColumn->addWidget(m_btnSequential, 0, Qt::AlignLeft);
    orderColumn->addWidget(m_btnRandom, 0, Qt::AlignLeft);
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(time);
    pageLayout->addWidget(order);
    pageLayout->addStretch();

    auto* tabs = new QTabWidget(this);
    tabs->addTab(page, QStringLiteral("자동 보기"));
    QDialogButtonBox* buttons = AddOkCancelButtons(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    // The page's order: the period, the two orders, then the arrows.
    setTabOrder(m_ctlPeriod, m_btnSequential);
    setTabOrder(m_btnSequential, m_btnRandom);
    setTabOrder(m_btnRandom, m_btnPeriodUp);
    setTabOrder(m_btnPeriodUp, m_btnPeriodDown);

    connect(m_btnSequential, &QAbstractButton::clicked, this, &CSetupAuto::OnSequential);
    connect(m_btnRandom, &QAbstractButton::clicked, this, &CSetupAuto::OnRandom);
    connect(m_btnPeriodDown, &QAbstractButton::clicked, this, &CSetupAuto::OnPeriodDown);
    connect(m_btnPeriodUp, &QAbstractButton::clicked, this, &CSetupAuto::OnPeriodUp);
    m_ctlPeriod->installEventFilter(this);

    if (!ReadSettings()) {
        m_nPeriod = kDefaultPeriod;
        m_nOrder = 0;
        PushData();
    }
}

void CSetupAuto::PushData() {
    m_ctlPeriod->setText(QString::number(m_nPeriod));
    m_btnSequential->setChecked(m_nOrder == 0);
    m_btnRandom->setChecked(m_nOrder != 0);
}

bool CSetupAuto::PullData() {
    const std::optional<unsigned> period = ParseUnsigned(m_ctlPeriod->text());
    if (period)
        m_nPeriod = *period;
    if (period && m_nPeriod >= kMinPeriod && m_nPeriod <= kMaxPeriod)
        return true;
    // A held arrow would go on stepping, and reporting, behind the message.
    ReleaseArrows();
    ShowMessageBox(period ? QStringLiteral("%1에서 %2 사이의 정수를 입력하십시오.")
                                .arg(kMinPeriod)
                                .arg(kMaxPeriod)
                          : QStringLiteral("0 이상의 정수를 입력하십시오."));
    m_ctlPeriod->setFocus();
    m_ctlPeriod->selectAll();
    return false;
}

void CSetupAuto::done(int result) {
    if (result == QDialog::Accepted && !PullData())
        return;
    SaveSettings();
    QDialog::done(result);
}

bool CSetupAuto::ReadSettings() {
    SSettingsRecord record;
    if (!ReadSettingsRecord(SettingsPath(), record))
        return false;
    m_nPeriod = record.period;
    m_nOrder = record.order;
    PushData();
    return true;
}

void CSetupAuto::SaveSettings() {
    CSettingsWriter writer;
    if (!writer.Open(SettingsPath())) {
        ShowMessageBox(QString::fromUtf16(kCannotCreate));
        return;
    }
    PullData(); // a failed check has shown its message; the members are written as left
    // A failed write leaves the old file in place: say so rather than let it pass as saved.
    if (!writer.Commit(SSettingsRecord{m_nPeriod, m_nOrder}))
        ShowMessageBox(QString::fromUtf16(kCannotCreate));
}

void CSetupAuto::OnSequential() {
    m_nOrder = 0;
    PushData();
}

void CSetupAuto::OnRandom() {
    m_nOrder = 1;
    PushData();
}

bool CSetupAuto::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ctlPeriod && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                OnPeriodUp();
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                OnPeriodDown();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CSetupAuto::ReleaseArrows() {
    m_btnPeriodDown->setDown(false);
    m_btnPeriodUp->setDown(false);
}

void CSetupAuto::OnPeriodDown() {
    PullData(); // on bad input the step goes on from the period last taken in
    m_nPeriod = m_nPeriod >= kMinPeriod + kPeriodStep ? m_nPeriod - kPeriodStep : kMinPeriod;
    PushData();
}

void CSetupAuto::OnPeriodUp() {
    PullData();
    // Compared before adding, so that a huge period read from a file can't wrap round to a
    // small one.
    m_nPeriod = m_nPeriod >= kMaxPeriod - kPeriodStep ? kMaxPeriod : m_nPeriod + kPeriodStep;
    PushData();
}
