#include "DialogBuilder.h"
#include "Edit.h"
#include "ListBox.h"
#include "Templates.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>

class DialogBuilderTest : public QObject {
    Q_OBJECT

private slots:
    void dialogUnits_data();
    void dialogUnits();
    void controlsFollowTheTemplate();
    void settingsPageBehaves();
    void anchorsShareTheExtraSpace_data();
    void anchorsShareTheExtraSpace();
};

void DialogBuilderTest::dialogUnits_data() {
    QTest::addColumn<int>("cx");
    QTest::addColumn<int>("cy");
    for (int du : {0, 1, 2, 3, 5, 7, 137, 151, -3})
        QTest::addRow("%d du", du) << du << du;
    QTest::newRow("wide and short") << 123 << 8;
}

// Worked out apart from the builder: base units from the 52 letters and the font height, then
// du * base / 4 (or / 8) rounded half away from zero.
void DialogBuilderTest::dialogUnits() {
    QFETCH(int, cx);
    QFETCH(int, cy);
    const SDialogTemplate form = FormTemplate();
    const QFont font = TemplateFont(form);
    QCOMPARE(font.pointSize(), 10);
    if (QFontDatabase::families().contains("NanumGothic"))
        QCOMPARE(font.family(), QStringLiteral("NanumGothic"));
    const QFontMetrics metrics(font);
    const double letters =
        metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = static_cast<int>(std::floor(letters / 52.0 + 0.5));
    const QSize expected(static_cast<int>(std::lround(cx * baseX / 4.0)),
                         static_cast<int>(std::lround(cy * metrics.height() / 8.0)));
    QCOMPARE(DialogUnitsToPixels(form, cx, cy), expected);
}

void DialogBuilderTest::controlsFollowTheTemplate() {
    const SDialogTemplate form = FormTemplate();
    QWidget host;
    BuildDialogControls(form, &host);
    for (const SControlTemplate& control : form.controls) {
        auto* widget = host.findChild<QWidget*>(control.name);
        QVERIFY2(widget, control.name);
        QCOMPARE(widget->property("controlId").toInt(), control.id);
        QCOMPARE(widget->geometry(), ControlRectPixels(form, control));
    }
    auto* body = host.findChild<CEdit*>("IDC_BODY");
    QVERIFY(body && !body->isReadOnly());
    QCOMPARE(body->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(host.findChild<CListBox*>("IDC_ITEM_LIST"));
    auto* counter = host.findChild<QLabel*>("IDC_COUNTER");
    QCOMPARE(counter->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    QCOMPARE(counter->textFormat(), Qt::PlainText); // a file name is never markup

    QWidget search;
    BuildDialogControls(SearchTemplate(), &search);
    QVERIFY(search.findChild<QLineEdit*>("IDC_TERM"));
    QVERIFY(search.findChild<QPushButton*>("IDOK")->isDefault());
    QVERIFY(!search.findChild<QPushButton*>("IDCANCEL")->isDefault());
}

// Tab order, radio buttons of their own group and group boxes behind the other controls.
void DialogBuilderTest::settingsPageBehaves() {
    QWidget host;
    BuildDialogControls(SettingsTemplate(), &host);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    host.findChild<QWidget*>("IDC_PERIOD")->setFocus();
    QStringList visited;
    for (int i = 0; i < 3; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, QStringList({"IDC_PERIOD", "IDC_UP", "IDC_DOWN"})); // radios: no tab stop

    auto* sequential = host.findChild<QRadioButton*>("IDC_SEQUENTIAL");
    auto* random = host.findChild<QRadioButton*>("IDC_RANDOM");
    QTest::mouseClick(sequential, Qt::LeftButton);
    QTest::mouseClick(random, Qt::LeftButton);
    QVERIFY(sequential->isChecked() && random->isChecked());
    QCOMPARE(host.childAt(random->geometry().center()), random);
    QVERIFY(qobject_cast<QGroupBox*>(host.findChild<QWidget*>("IDC_ORDER_GROUP")));
}

void DialogBuilderTest::anchorsShareTheExtraSpace_data() {
    QTest::addColumn<int>("extraWidth");
    QTest::addColumn<int>("extraHeight");
    QTest::newRow("larger") << 100 << 60;
    QTest::newRow("wider only") << 40 << 0;
    QTest::newRow("smaller keeps the template") << -30 << -20;
}

void DialogBuilderTest::anchorsShareTheExtraSpace() {
    QFETCH(int, extraWidth);
    QFETCH(int, extraHeight);
    const SDialogTemplate form = FormTemplate();
    QWidget window;
    auto* host = new QWidget(&window);
    BuildDialogControls(form, host);
    window.show();
    const QSize size = DialogUnitsToPixels(form, form.cx, form.cy);
    host->setGeometry(QRect(QPoint(0, 0), size + QSize(extraWidth, extraHeight)));
    QApplication::sendPostedEvents();
    const int dx = std::max(0, extraWidth), dy = std::max(0, extraHeight);

    auto rectOf = [&](const char* name) { return host->findChild<QWidget*>(name)->geometry(); };
    auto templateRect = [&](int index) { return ControlRectPixels(form, form.controls[index]); };
    QCOMPARE(rectOf("IDC_BODY"), templateRect(0).adjusted(0, 0, dx, dy));
    QCOMPARE(rectOf("IDC_TITLE"), templateRect(1).adjusted(0, 0, dx, 0));
    QCOMPARE(rectOf("IDC_COUNTER"), templateRect(3).adjusted(0, dy, dx, dy));
}

QTEST_MAIN(DialogBuilderTest)
#include "DialogBuilderTest.moc"
