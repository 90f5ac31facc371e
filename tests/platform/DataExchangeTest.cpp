#include "DataExchange.h"
#include "Edit.h"
#include "TestSeams.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextDocument>

// Edits keep what was pushed into them, and the exchange moves text and numbers between a
// form's members and its controls.
class DataExchangeTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void textComesBackAsPushed_data();
    void textComesBackAsPushed();
    void typingReplacesThePushedText();
    void unsignedPull_data();
    void unsignedPull();

private:
    QWidget m_form;
    CEdit* m_pBody = new CEdit(&m_form);
    QLineEdit* m_pPeriod = new QLineEdit(&m_form);
    QLabel* m_pName = new QLabel(&m_form);
    QStringList m_messages;
};

void DataExchangeTest::init() {
    m_pBody->setObjectName("IDC_BODY");
    m_pPeriod->setObjectName("IDC_PERIOD");
    m_pName->setObjectName("IDC_NAME");
    m_messages.clear();
    MessageBoxSeam() = [this](const QString& text) { m_messages << text; };
}

void DataExchangeTest::textComesBackAsPushed_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("lines"); // as the multi-line edit shows them

    QTest::newRow("CR LF") << "title\r\nbody\r\n" << 3;
    QTest::newRow("bare LF") << "a\nb\nc" << 3;
    QTest::newRow("bare CR") << "a\rb" << 2;
    QTest::newRow("mixed") << "a\r\nb\nc\rd" << 4;
    QTest::newRow("CR CR LF") << "a\r\r\nb" << 3;
    QTest::newRow("no-break space, markup") << QString::fromUtf16(u"<b>a\u00a0b</b>") << 1;
}

void DataExchangeTest::textComesBackAsPushed() {
    QFETCH(QString, text);
    QFETCH(int, lines);
    QString body = text, period = text, name = text;
    CDataExchange push{false, false, &m_form};
    DDX_Text(push, "IDC_BODY", body);
    DDX_Text(push, "IDC_PERIOD", period);
    DDX_Text(push, "IDC_NAME", name);
    QCOMPARE(m_pBody->document()->blockCount(), lines);

    body = period = name = QString();
    CDataExchange pull{true, false, &m_form};
    DDX_Text(pull, "IDC_BODY", body);
    DDX_Text(pull, "IDC_PERIOD", period);
    DDX_Text(pull, "IDC_NAME", name);
    QCOMPARE(body, text);
    QCOMPARE(name, text);
    if (!text.contains(u'\n') && !text.contains(u'\r'))
        QCOMPARE(period, text);
}

void DataExchangeTest::typingReplacesThePushedText() {
    m_pBody->SetText("one\r\ntwo");
    m_pBody->moveCursor(QTextCursor::End);
    QTest::keyClicks(m_pBody, "!");
    QCOMPARE(m_pBody->GetText(), QStringLiteral("one\ntwo!"));
    QTest::keyClick(m_pBody, Qt::Key_Z, Qt::ControlModifier); // undone: as pushed again
    QCOMPARE(m_pBody->GetText(), QStringLiteral("one\r\ntwo"));
}

void DataExchangeTest::unsignedPull_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty when the pull succeeds
    QTest::addColumn<unsigned>("expected");

    const QString notANumber = "0 이상의 정수를 입력하십시오.";
    const QString outOfRange = "0에서 50000 사이의 정수를 입력하십시오.";
    QTest::newRow("number") << "1000"
                            << "" << 1000u;
    QTest::newRow("blanks around") << " 42 "
                                   << "" << 42u;
    QTest::newRow("range ends") << "50000"
                                << "" << 50000u;
    QTest::newRow("above the range") << "50001" << outOfRange << 50001u;
    QTest::newRow("largest unsigned") << "4294967295" << outOfRange << 4294967295u;
    QTest::newRow("one above largest") << "4294967296" << notANumber << 7u;
    QTest::newRow("empty") << "" << notANumber << 7u;
    QTest::newRow("minus") << "-1" << notANumber << 7u;
    QTest::newRow("letters after") << "12ms" << notANumber << 7u;
    QTest::newRow("blank inside") << "1 2" << notANumber << 7u;
    QTest::newRow("full-width digits") << QString::fromUtf16(u"\uff11\uff12") << notANumber << 7u;
}

// The period's pull as a settings page runs it: the number, then its range.
void DataExchangeTest::unsignedPull() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(unsigned, expected);
    m_pPeriod->setText(text);
    m_pName->setText("label");
    unsigned period = 7;
    QString after = "unchanged";
    CDataExchange pull{true, false, &m_form};
    DDX_Text(pull, "IDC_PERIOD", period);
    DDV_MinMaxUInt(pull, period, 0, 50000);
    DDX_Text(pull, "IDC_NAME", after); // a failed run leaves later members alone
    QCOMPARE(period, expected);
    QCOMPARE(pull.m_bFailed, !message.isEmpty());
    QCOMPARE(m_messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(after, message.isEmpty() ? "label" : "unchanged");

    CDataExchange push{false, false, &m_form};
    DDX_Text(push, "IDC_PERIOD", period);
    DDV_MinMaxUInt(push, period, 0, 10); // a push checks nothing
    QVERIFY(!push.m_bFailed);
    QCOMPARE(m_pPeriod->text(), QString::number(period));
}

QTEST_MAIN(DataExchangeTest)
#include "DataExchangeTest.moc"
