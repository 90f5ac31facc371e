#include "ListBox.h"
#include "RowDelegate.h"
#include "TestSeams.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolTip>

namespace {

// The prefix search of a list over words: ASCII letters without case, the selected row last.
CListBox::PrefixSearch PrefixOf(const QStringListModel& words) {
    return [&words](int after, QStringView term) {
        const QStringList rows = words.stringList();
        const int count = static_cast<int>(rows.size());
        for (int i = 1; i <= count; ++i) {
            const int row = ((after < 0 ? -1 : after) + i) % count;
            if (rows[row].startsWith(term, Qt::CaseInsensitive))
                return row;
        }
        return -1;
    };
}

// Rows "" then "항목 1", "항목 2" and on, made up when asked for, so a million cost nothing.
class CNumberedRows : public QAbstractListModel {
public:
    explicit CNumberedRows(int rows) : m_nRows(rows) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_nRows;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return index.row() == 0 ? QString() : QStringLiteral("항목 %1").arg(index.row());
    }

private:
    int m_nRows;
};

} // namespace

class ListBoxTest : public QObject {
    Q_OBJECT

private slots:
    void userMovesNotify_data();
    void userMovesNotify();
    void programChangesAreSilent();
    void rowsPlacedByArithmetic();
    void anotherFontRemeasuresRows();
    void elidedRowShowsItsNameAsToolTip_data();
    void elidedRowShowsItsNameAsToolTip();
    void focusShowsAFrame();
    void rowsDrawAsTheStyledDelegateDraws_data();
    void rowsDrawAsTheStyledDelegateDraws();
};

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
    QStringList rows;
    for (int i = 0; i < 50; ++i)
        rows << QStringLiteral("row %1").arg(i);
    QStringListModel words(rows);
    CListBox list;
    list.setModel(&words);
    list.SetPrefixSearch(PrefixOf(words));
    list.resize(200, 7 * list.sizeHintForRow(0) + 2 * list.frameWidth()); // seven rows
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.SetCurSel(start);
    QSignalSpy spy(&list, &CListBox::selchange);
    const QStringList parts = input.split(' ');
    if (parts.first().endsWith("click")) {
        const QPoint at = list.visualRect(words.index(parts.last().toInt())).center();
        const auto modifiers = parts.first() == "click" ? Qt::NoModifier : Qt::ControlModifier;
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

// Nothing the program does notifies selchange: selecting, clearing, changing the rows.
void ListBoxTest::programChangesAreSilent() {
    QStringListModel words({"one", "", "three"});
    CListBox list;
    list.setModel(&words);
    QSignalSpy selchange(&list, &CListBox::selchange);
    QCOMPARE(list.GetCount(), 3);
    QCOMPARE(list.GetText(2), QStringLiteral("three"));
    QCOMPARE(list.GetText(3), QString());
    QCOMPARE(list.FindString(-1, u"one"), -1); // no prefix search given

    QCOMPARE(list.GetCurSel(), -1);
    QCOMPARE(list.SetCurSel(2), 2);
    QCOMPARE(list.GetCurSel(), 2);
    QCOMPARE(list.SetCurSel(3), -1); // out of range clears
    QCOMPARE(list.GetCurSel(), -1);
    list.SetCurSel(1);
    QCOMPARE(list.SetCurSel(-1), -1);
    QCOMPARE(list.GetCurSel(), -1);
    list.SetCurSel(0);
    words.setStringList({"again"});
    QCOMPARE(list.GetCurSel(), -1);
    QCOMPARE(list.GetCount(), 1);
    QCOMPARE(selchange.count(), 0);
}

// Rows are found and placed by their number alone: at the far end of a million rows, after a
// resize, with an empty first row, keys and clicks land on the row drawn there.
void ListBoxTest::rowsPlacedByArithmetic() {
    constexpr int kRows = 1'000'000;
    CNumberedRows rows(kRows);
    CListBox list;
    list.setModel(&rows);
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
    const QRect last = list.visualRect(rows.index(kRows - 1));
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
    const QPoint below = list.visualRect(rows.index(500'003)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(list.GetCurSel(), 500'003);

    // Emptied and filled again: the range follows the rows.
    QStringListModel words;
    list.setModel(&words);
    QCOMPARE(bar->maximum(), 0);
    QVERIFY(!list.indexAt(QPoint(5, 5)).isValid());
    words.setStringList({"하나"});
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
    words.setStringList({"하나", "둘"});
    list.SetCurSel(0);
    list.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&list));
    list.setFocus();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(words.index(1)).center());
    QCOMPARE(list.GetCurSel(), 1);
    QVERIFY(heard.contains(qMakePair(QAccessible::Focus, 1)));
    QVERIFY(heard.contains(qMakePair(QAccessible::SelectionAdd, 1)));
    QVERIFY(heard.contains(qMakePair(QAccessible::SelectionRemove, 0)));
}

// A larger font gives taller rows at once, even among a million, and the selected row stays in
// sight.
void ListBoxTest::anotherFontRemeasuresRows() {
    constexpr int kRows = 1'000'000;
    CNumberedRows rows(kRows);
    CListBox list;
    list.setModel(&rows);
    list.resize(200, 300);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.SetCurSel(kRows / 2);
    const int height = list.RowHeight();
    const int page = list.verticalScrollBar()->pageStep();

    QElapsedTimer clock;
    clock.start();
    QFont larger = list.font();
    larger.setPointSizeF(larger.pointSizeF() * 3);
    list.setFont(larger);
    list.repaint();
    QVERIFY2(clock.elapsed() < 200, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(list.RowHeight() >= 2 * height);
    QVERIFY(list.verticalScrollBar()->pageStep() < page);
    QVERIFY(list.viewport()->rect().contains(list.visualRect(rows.index(kRows / 2))));
}

void ListBoxTest::elidedRowShowsItsNameAsToolTip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shown");
    QTest::newRow("fits") << "짧은 이름" << false;
    QTest::newRow("too wide") << QString(80, u'긴') << true;
    QTest::newRow("too wide, looks like markup") << "<b>" + QString(80, u'x') + "</b>" << true;
}

void ListBoxTest::elidedRowShowsItsNameAsToolTip() {
    QFETCH(QString, name);
    QFETCH(bool, shown);
    QStringListModel words({name});
    CListBox list;
    list.setModel(&words);
    list.resize(200, 100);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QToolTip::hideText();
    const QPoint at = list.visualRect(words.index(0)).center();
    QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
    QApplication::sendEvent(list.viewport(), &help);
    QCOMPARE(QToolTip::isVisible(), shown);
    if (shown)
        QCOMPARE(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(), name);
    QToolTip::hideText();
}

// The frame runs round the list only while it has the keyboard focus, an empty list too.
void ListBoxTest::focusShowsAFrame() {
    QStringListModel words;
    QWidget window;
    auto* list = new CListBox(&window);
    auto* other = new QLineEdit(&window);
    list->setModel(&words);
    list->setGeometry(0, 0, 200, 100);
    other->setGeometry(0, 110, 200, 20);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QColor highlight = list->palette().color(QPalette::Highlight);
    const auto edge = [&] {
        const QImage image = list->viewport()->grab().toImage();
        return QColor(image.pixel(0, image.height() / 2));
    };
    list->setFocus();
    QTRY_COMPARE(edge(), highlight);
    other->setFocus();
    QTRY_VERIFY(edge() != highlight);
}

void ListBoxTest::rowsDrawAsTheStyledDelegateDraws_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<bool>("active");
    QTest::addColumn<Qt::LayoutDirection>("direction");
    const QString mixed = QStringLiteral("1. 정의 및 개관 (Debian)");
    const QString wide = QStringLiteral("가나다 abc ").repeated(20);
    QTest::newRow("Hangul and Latin") << mixed << false << true << Qt::LeftToRight;
    QTest::newRow("selected") << mixed << true << true << Qt::LeftToRight;
    QTest::newRow("selected, window inactive") << mixed << true << false << Qt::LeftToRight;
    QTest::newRow("cut short") << wide << false << true << Qt::LeftToRight;
    QTest::newRow("cut short, selected") << wide << true << true << Qt::LeftToRight;
    QTest::newRow("right to left")
        << QStringLiteral("שלום abc") << false << true << Qt::RightToLeft;
    QTest::newRow("empty") << QString() << true << true << Qt::LeftToRight;
    QTest::newRow("two lines") << QStringLiteral("one\ntwo") << false << true << Qt::LeftToRight;
}

// The row delegate lays a row's text out once where the styled delegate lays it out twice; what
// the user sees must not change.
void ListBoxTest::rowsDrawAsTheStyledDelegateDraws() {
    QFETCH(QString, text);
    QFETCH(bool, selected);
    QFETCH(bool, active);
    QFETCH(Qt::LayoutDirection, direction);
    QStringListModel words({text});
    CListBox list;
    list.setModel(&words);
    list.setLayoutDirection(direction);
    list.resize(160, 100);
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.widget = &list;
    option.rect = QRect(0, 0, 160, 2 * list.fontMetrics().height());
    option.showDecorationSelected = true;
    option.textElideMode = Qt::ElideRight;
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.state.setFlag(QStyle::State_Selected, selected);
    option.state.setFlag(QStyle::State_Active, active);
    const QModelIndex index = words.index(0);
    const auto draw = [&](const QAbstractItemDelegate& delegate) {
        QImage image(option.rect.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        delegate.paint(&painter, option, index);
        return image;
    };
    const QImage styled = draw(QStyledItemDelegate());
    QCOMPARE(draw(CRowDelegate()), styled);
}

QTEST_MAIN(ListBoxTest)
#include "ListBoxTest.moc"
