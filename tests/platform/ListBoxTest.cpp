#include "ListBox.h"
#include "ItemListModel.h"
#include "TestSeams.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

class ListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void findString_data();
    void findString();
    void userMovesNotify_data();
    void userMovesNotify();
    void programChangesAreSilentAndBatched();
    void millionRows();
    void rowsPlacedByArithmetic();
};

void ListBoxTest::findString_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("term");
    QTest::addColumn<int>("expected");

    const QStringList rows{"apple", "Banana", "apricot", "cherry", "바나나", "avocado"};
    QTest::newRow("from the start") << rows << -1 << "ap" << 0;
    QTest::newRow("after the current row") << rows << 0 << "ap" << 2;
    QTest::newRow("wraps past the end") << rows << 3 << "apr" << 2;
    QTest::newRow("current row is tried last") << rows << 3 << "cher" << 3;
    QTest::newRow("ascii letters ignore case") << rows << -1 << "BAN" << 1;
    QTest::newRow("hangul compared exactly") << rows << -1 << "바나" << 4;
    QTest::newRow("inside a name is no prefix") << rows << -1 << "nana" << -1;
    QTest::newRow("term longer than name") << rows << -1 << "apples" << -1;
    QTest::newRow("empty term takes next row") << rows << 5 << "" << 0;
    QTest::newRow("after beyond the rows") << rows << 40 << "ap" << 0;
    QTest::newRow("empty list") << QStringList{} << -1 << "" << -1;
    QTest::newRow("accented letters keep case") << QStringList{"École"} << -1 << "é" << -1;
}

void ListBoxTest::findString() {
    QFETCH(QStringList, rows);
    QFETCH(int, after);
    QFETCH(QString, term);
    QFETCH(int, expected);
    CListBox list;
    for (const QString& row : rows)
        list.AddString(row);
    QCOMPARE(list.FindString(after, term), expected);
}

void ListBoxTest::userMovesNotify_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("input"); // "click N", a key name, or letters typed
    QTest::addColumn<int>("expected");  // -1: no change, no notification

    QTest::newRow("click") << 0 << "click 3" << 3;
    QTest::newRow("click on nothing selected") << -1 << "click 2" << 2;
    QTest::newRow("ctrl-click keeps the row") << 1 << "ctrl-click 1" << -1;
    QTest::newRow("down") << 1 << "Down" << 2;
    QTest::newRow("end") << 0 << "End" << 49;
    QTest::newRow("home") << 30 << "Home" << 0;
    QTest::newRow("page down") << 0 << "PgDown" << 6;
    QTest::newRow("typed letter") << 3 << "r" << 4;
}

void ListBoxTest::userMovesNotify() {
    QFETCH(int, start);
    QFETCH(QString, input);
    QFETCH(int, expected);
    CListBox list;
    for (int i = 0; i < 50; ++i)
        list.AddString(QStringLiteral("row %1").arg(i));
    list.Flush();
    list.resize(200, 7 * list.sizeHintForRow(0) + 2 * list.frameWidth()); // seven rows
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.SetCurSel(start);
    QSignalSpy spy(&list, &CListBox::selchange);
    const QStringList words = input.split(' ');
    if (words.first().endsWith("click")) {
        const QPoint at = list.visualRect(list.Model()->index(words.last().toInt())).center();
        const auto modifiers = words.first() == "click" ? Qt::NoModifier : Qt::ControlModifier;
        QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, at);
    } else if (input == "Down" || input == "End" || input == "Home" || input == "PgDown") {
        const QKeySequence key(input);
        QTest::keyClick(&list, Qt::Key(key[0].key()));
    } else {
        QTest::keyClicks(&list, input);
    }
    QCOMPARE(spy.count(), expected < 0 ? 0 : 1);
    QCOMPARE(list.GetCurSel(), expected < 0 ? start : expected);
}

// Appends reach the model in one batch, and nothing the program does notifies selchange.
void ListBoxTest::programChangesAreSilentAndBatched() {
    CListBox list;
    QAbstractItemModelTester tester(list.Model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy inserted(list.Model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy selchange(&list, &CListBox::selchange);
    for (const char16_t* row : {u"one", u"", u"three"})
        list.AddString(row);
    QCOMPARE(list.Model()->rowCount(), 0); // not announced yet
    QCOMPARE(list.GetText(2), QStringLiteral("three"));
    QCOMPARE(list.Model()->rowCount(), 3);
    QCOMPARE(inserted.count(), 1);

    list.AddString(u"four"); // no query: the event loop announces it
    QTRY_COMPARE(list.Model()->rowCount(), 4);
    QCOMPARE(list.Model()->index(3).data().toString(), QStringLiteral("four"));
    QCOMPARE(list.GetText(4), QString());

    QCOMPARE(list.GetCurSel(), -1);
    QCOMPARE(list.SetCurSel(2), 2);
    QCOMPARE(list.GetCurSel(), 2);
    QCOMPARE(list.SetCurSel(4), -1); // out of range clears
    QCOMPARE(list.GetCurSel(), -1);
    list.SetCurSel(1);
    QCOMPARE(list.SetCurSel(-1), -1);
    QCOMPARE(list.GetCurSel(), -1);
    list.SetCurSel(0);
    list.ResetContent();
    QCOMPARE(list.GetCurSel(), -1);
    list.AddString(u"again");
    QCOMPARE(list.GetCount(), 1);
    QCOMPARE(selchange.count(), 0);
}

// Times the large cases without asserting them; the numbers go to the test log.
void ListBoxTest::millionRows() {
    constexpr int kRows = 1'000'000;
    QStringList names;
    names.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        names << QStringLiteral("항목 %1 entry").arg(i, 7, 10, QLatin1Char('0'));
    CListBox list;
    QElapsedTimer clock;
    clock.start();
    for (const QString& name : names)
        list.AddString(name);
    const qint64 appendMs = clock.restart();
    // Squeezed as after a build: every text stays where it was, and rows may still follow.
    list.Model()->Squeeze();
    const int last = list.FindString(-1, u"항목 0999999");
    const int none = list.FindString(0, u"없음");
    const qint64 findMs = clock.restart();
    list.show();
    list.SetCurSel(last);
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    qInfo("1M rows: append %lld ms, two searches %lld ms, show and select the last %lld ms",
          appendMs, findMs, clock.elapsed());
    QCOMPARE(last, kRows - 1);
    QCOMPARE(none, -1);
    QCOMPARE(list.GetCurSel(), kRows - 1);
    QCOMPARE(list.GetText(123456), QStringLiteral("항목 0123456 entry"));
    QCOMPARE(list.AddString(u"끝"), kRows);
    QCOMPARE(list.GetText(kRows - 1), QStringLiteral("항목 0999999 entry"));
    QCOMPARE(list.GetText(kRows), QStringLiteral("끝"));
    QCOMPARE(list.FindString(0, u"끝"), kRows);
}

// Rows are found and placed by their number alone: at the far end of a million rows, after a
// resize, with an empty first row, keys and clicks land on the row drawn there.
void ListBoxTest::rowsPlacedByArithmetic() {
    constexpr int kRows = 1'000'000;
    CListBox list;
    list.AddString(u"");
    for (int i = 1; i < kRows; ++i)
        list.AddString(QStringLiteral("항목 %1").arg(i));
    list.Flush();
    const int height = list.RowHeight();
    QVERIFY(height >= list.fontMetrics().height()); // the empty first row doesn't set it low
    list.resize(200, 10 * height + 2 * list.frameWidth());
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QScrollBar* bar = list.verticalScrollBar();
    QCOMPARE(bar->maximum(), kRows - 10);
    QCOMPARE(bar->pageStep(), 10);

    list.SetCurSel(kRows - 1);
    QCOMPARE(bar->value(), kRows - 10); // the last row sits at the bottom
    const QRect last = list.visualRect(list.Model()->index(kRows - 1));
    QCOMPARE(last, QRect(0, 9 * height, list.viewport()->width(), height));
    QCOMPARE(list.indexAt(last.center()).row(), kRows - 1);

    QTest::keyClick(&list, Qt::Key_PageDown); // nothing below: stays
    QCOMPARE(list.GetCurSel(), kRows - 1);
    QTest::keyClick(&list, Qt::Key_PageUp); // a page up keeps one row in sight
    QCOMPARE(list.GetCurSel(), kRows - 10);
    QCOMPARE(bar->value(), kRows - 10);
    QTest::keyClick(&list, Qt::Key_Up); // leaves the page: the view follows by one row
    QCOMPARE(list.GetCurSel(), kRows - 11);
    QCOMPARE(bar->value(), kRows - 11);
    QTest::keyClick(&list, Qt::Key_Home);
    QCOMPARE(bar->value(), 0);
    QCOMPARE(list.GetText(list.indexAt(QPoint(5, height / 2)).row()), QString());

    // Taller: more rows a page, the range shrinks to match; a click hits the row drawn there.
    list.resize(200, 25 * height + 2 * list.frameWidth());
    QCOMPARE(bar->pageStep(), 25);
    QCOMPARE(bar->maximum(), kRows - 25);
    list.SetCurSel(500'000);
    QSignalSpy spy(&list, &CListBox::selchange);
    const QPoint below = list.visualRect(list.Model()->index(500'003)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(list.GetCurSel(), 500'003);

    // Emptied and filled again: the range follows the rows.
    list.ResetContent();
    QCOMPARE(bar->maximum(), 0);
    QVERIFY(!list.indexAt(QPoint(5, 5)).isValid());
    list.AddString(u"하나");
    list.Flush();
    QCOMPARE(list.indexAt(QPoint(5, height / 2)).row(), 0);
    QVERIFY(!list.indexAt(QPoint(5, 3 * height)).isValid()); // below the last row

    // Assistive tools still see a list of named items.
    list.SetCurSel(0);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&list);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::List);
    QCOMPARE(accessible->childCount(), 1);
    QCOMPARE(accessible->child(0)->role(), QAccessible::ListItem);
    QCOMPARE(accessible->child(0)->text(QAccessible::Name), QStringLiteral("하나"));
    QVERIFY(accessible->child(0)->state().selected);
    QCOMPARE(accessible->child(0)->rect().height(), height);

    // ...and hear which item the user moved to.
    QList<QPair<QAccessible::Event, int>> heard;
    CSeamGuard listen(AccessibleEventSeam(), [&](const QAccessibleEvent& event) {
        heard.append({event.type(), event.child()});
    });
    list.AddString(u"둘");
    list.Flush();
    list.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&list));
    list.setFocus();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(list.Model()->index(1)).center());
    QCOMPARE(list.GetCurSel(), 1);
    QVERIFY(heard.contains(qMakePair(QAccessible::Focus, 1)));
    QVERIFY(heard.contains(qMakePair(QAccessible::SelectionAdd, 1)));
    QVERIFY(heard.contains(qMakePair(QAccessible::SelectionRemove, 0)));
}

QTEST_MAIN(ListBoxTest)
#include "ListBoxTest.moc"
