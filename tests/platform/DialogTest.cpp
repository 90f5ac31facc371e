#include "Dialog.h"
#include "DataExchange.h"
#include "PropertyPage.h"
#include "PropertySheet.h"
#include "Templates.h"
#include "TestSeams.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class CTermDlg : public CDialog {
public:
    CTermDlg() : CDialog(SearchTemplate()) {}
    void DoDataExchange(CDataExchange& dx) override { DDX_Text(dx, "IDC_TERM", m_strTerm); }
    QString m_strTerm = "last term";
};

// A page that checks its period and logs its life, reading its edit as it goes away.
class CPeriodPage : public CPropertyPage {
public:
    explicit CPeriodPage(QStringList& log) : CPropertyPage(SettingsTemplate()), m_log(log) {}
    void DoDataExchange(CDataExchange& dx) override {
        DDX_Text(dx, "IDC_PERIOD", m_nPeriod);
        DDV_MinMaxUInt(dx, m_nPeriod, 0, 50000);
    }
    bool OnInitDialog() override {
        m_log << "init";
        return CPropertyPage::OnInitDialog();
    }
    void OnDestroy() override { m_log << "destroy " + findChild<QLineEdit*>("IDC_PERIOD")->text(); }
    unsigned m_nPeriod = 1000;
    QStringList& m_log;
};

// The ways a user ends a modal dialog, and what each answers.
void AddWaysToClose() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("result");
    QTest::newRow("OK button") << "IDOK" << kIdOk;
    QTest::newRow("Enter") << "Enter" << kIdOk;
    QTest::newRow("Cancel button") << "IDCANCEL" << kIdCancel;
    QTest::newRow("Escape") << "Escape" << kIdCancel;
    QTest::newRow("close button") << "close" << kIdCancel;
}

void Close(QDialog* dialog, const QString& way) {
    if (way.startsWith("ID"))
        dialog->findChild<QPushButton*>(way)->click();
    else if (way == "Enter")
        QTest::keyClick(dialog->findChild<QLineEdit*>(), Qt::Key_Return);
    else if (way == "Escape")
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        dialog->close();
}

} // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void dialogEnds_data() { AddWaysToClose(); }
    void dialogEnds();
    void captionOkTemplateGetsAnOkButton();
    void sheetEnds_data() { AddWaysToClose(); }
    void sheetEnds();
    void sheetRefusesOkWhileAPageIsInvalid();
    void pagesMayOutliveTheSheet();

private:
    QStringList m_messages;
};

void DialogTest::init() {
    m_messages.clear();
    MessageBoxSeam() = [this](const QString& text) { m_messages << text; };
}

void DialogTest::dialogEnds() {
    QFETCH(QString, way);
    QFETCH(int, result);
    CTermDlg dialog;
    QString shown, focused;
    CSeamGuard seam(ModalDialogSeam(), [&](QDialog* modal) {
        focused = modal->focusWidget()->objectName();
        auto* edit = modal->findChild<QLineEdit*>("IDC_TERM");
        shown = edit->text();
        edit->setText("typed");
        Close(modal, way);
    });
    QCOMPARE(dialog.DoModal(), result);
    QCOMPARE(focused, QStringLiteral("IDOK")); // the template's first tab stop
    QCOMPARE(shown, QStringLiteral("last term"));
    QCOMPARE(dialog.m_strTerm, result == kIdOk ? "typed" : "last term");
}

void DialogTest::captionOkTemplateGetsAnOkButton() {
    const SDialogTemplate aboutBox{100,
                                   "About Tomlet",
                                   "System",
                                   8,
                                   126,
                                   141,
                                   Style::kWsPopup | Style::kWsCaption,
                                   Style::kWsExCaptionOkButton,
                                   {{-1, "IDC_VERSION", EControlClass::Static, "Tomlet Version 1.0",
                                     40, 10, 65, 8, Style::kSsNoPrefix}}};
    CDialog about(aboutBox);
    about.CenterWindow();
    CSeamGuard seam(ModalDialogSeam(), [](QDialog* modal) {
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(about.DoModal(), kIdOk);
    QCOMPARE(about.windowTitle(), QStringLiteral("About Tomlet"));
}

void DialogTest::sheetEnds() {
    QFETCH(QString, way);
    QFETCH(int, result);
    QStringList log;
    CPropertySheet sheet;
    CPeriodPage page(log);
    sheet.AddPage(&page);
    CSeamGuard seam(ModalDialogSeam(), [&](QDialog* modal) {
        log << "shown " + modal->findChild<QLineEdit*>("IDC_PERIOD")->text();
        modal->findChild<QLineEdit*>("IDC_PERIOD")->setText("250");
        Close(modal, way);
    });
    const int answer = sheet.DoModal();
    log << "returned";
    QCOMPARE(answer, result);
    QCOMPARE(log, QStringList({"init", "shown 1000", "destroy 250", "returned"}));
    QCOMPARE(page.m_nPeriod, result == kIdOk ? 250u : 1000u);
}

void DialogTest::sheetRefusesOkWhileAPageIsInvalid() {
    QStringList log;
    CPropertySheet sheet;
    CPeriodPage page(log);
    sheet.AddPage(&page);
    bool stayedOpen = false;
    CSeamGuard seam(ModalDialogSeam(), [&](QDialog* modal) {
        auto* edit = modal->findChild<QLineEdit*>("IDC_PERIOD");
        edit->setText("60000");
        modal->findChild<QPushButton*>("IDOK")->click();
        stayedOpen = modal->isVisible();
        edit->setText("500");
        modal->findChild<QPushButton*>("IDOK")->click();
    });
    QCOMPARE(sheet.DoModal(), kIdOk);
    QVERIFY(stayedOpen);
    QCOMPARE(m_messages.size(), 1);
    QCOMPARE(page.m_nPeriod, 500u);
}

void DialogTest::pagesMayOutliveTheSheet() {
    QStringList log;
    CPeriodPage page(log); // declared first, so destroyed after the sheet
    {
        CPropertySheet sheet;
        sheet.AddPage(&page);
        CSeamGuard seam(ModalDialogSeam(), [](QDialog* modal) { modal->reject(); });
        sheet.DoModal();
    }
    QCOMPARE(page.parent(), nullptr);
    QCOMPARE(log, QStringList({"init", "destroy 1000"}));
}

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
