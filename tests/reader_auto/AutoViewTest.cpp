#include "BookDlg.h"
#include "ListBox.h"
#include "LocalPath.h"
#include "ReaderFixture.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(QList<int>)

// Auto view on real books: the steps in both orders, starting and stopping through the
// view's slots and signals, settings changed while it runs, and the view going away while it runs.
class AutoViewTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CReaderFixture> m_pFixture;

    CReaderFixture& Fixture() { return *m_pFixture; }

    QString ThreeItems() { return Fixture().WriteBook("three.txt", {"zero", "one", "two"}); }

    // Runs the settings command, the sheet answered by act; a sheet act leaves open is
    // cancelled.
    static void RunSetup(CBookDlg& view, const std::function<void(QDialog*)>& act) {
        CSeamGuard<ModalDialogHandler> user(ModalDialogSeam(), [&act](QDialog* sheet) {
            act(sheet);
            if (sheet->isVisible())
                sheet->reject();
        });
        view.OnSetup();
    }

    static void Click(QDialog* sheet, const char* name) {
        QTest::mouseClick(sheet->findChild<QAbstractButton*>(name), Qt::LeftButton);
    }

    static void SetPeriod(QDialog* sheet, const QString& text) {
        auto* edit = sheet->findChild<QLineEdit*>("IDC_PERIOD");
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

private slots:
    void init() { m_pFixture = std::make_unique<CReaderFixture>(); }
    void cleanup() { m_pFixture.reset(); }

    void sequentialSteps_data() {
        QTest::addColumn<int>("items");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QList<int>>("steps");
        QTest::newRow("three items from item 1") << 3 << 1 << QList<int>{2, 0, 1, 2};
        QTest::newRow("no selection") << 3 << -1 << QList<int>{0, 1};
        QTest::newRow("one item") << 1 << 0 << QList<int>{0, 0, 0};
    }
    void sequentialSteps() {
        QFETCH(int, items);
        QFETCH(int, selected);
        QFETCH(QList<int>, steps);
        const QStringList names = QStringList{"zero", "one", "two"}.mid(0, items);
        auto view = Fixture().OpenView(Fixture().WriteBook("book.txt", names));
        QCOMPARE(view->ItemList()->GetCount(), items);
        view->ItemList()->SetCurSel(selected);
        for (int expected : steps) {
            view->findChild<QWidget*>("IDC_TITLE")->setProperty("plainText", "typed");
            view->OnTimer();
            QCOMPARE(view->ItemList()->GetCurSel(), expected);
            // Shown anew from the file, even when the same item is chosen again.
            QCOMPARE(CReaderFixture::Title(*view), names[expected]);
            QCOMPARE(CReaderFixture::Body(*view), "body of " + names[expected] + "\n");
        }
        QCOMPARE(Fixture().m_messages, QStringList());
    }

    void stepOnAnEmptyListShowsNothing() {
        auto view = Fixture().OpenView(Fixture().WriteBook("empty.txt", {}));
        QCOMPARE(view->ItemList()->GetCount(), 0);
        view->OnAutoStart();
        QVERIFY(view->IsAutoRunning());
        view->findChild<QWidget*>("IDC_TITLE")->setProperty("plainText", "typed");
        view->OnTimer();
        QCOMPARE(view->ItemList()->GetCurSel(), -1);
        QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("typed"));
        QCOMPARE(Fixture().m_messages, QStringList());
        QVERIFY(view->IsAutoRunning());
    }

    void randomStepsStayInRange_data() {
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("items");
        QTest::newRow("order 1, one item") << 1 << 1;
        QTest::newRow("order -1, seven items") << -1 << 7;
    }
    void randomStepsStayInRange() {
        QFETCH(int, order);
        QFETCH(int, items);
        Fixture().WriteSettings(1000, order);
        QStringList names;
        for (int i = 0; i < items; ++i)
            names << QStringLiteral("item%1").arg(i);
        auto view = Fixture().OpenView(Fixture().WriteBook("book.txt", names));
        QCOMPARE(view->Order(), order);
        QSet<int> seen;
        for (int step = 0; step < 200; ++step) {
            view->OnTimer();
            const int row = view->ItemList()->GetCurSel();
            QVERIFY2(row >= 0 && row < items, qPrintable(QString::number(row)));
            QCOMPARE(CReaderFixture::Title(*view), names[row]);
            seen.insert(row);
        }
        QCOMPARE(seen.size(), items); // every item is reachable
    }

    void startAndStop() {
        Fixture().WriteSettings(0, 0);
        CBookDlg view;
        QSignalSpy running(&view, &CBookDlg::autoRunningChanged);

        // No book chosen: only the message, and auto view stays stopped.
        view.OnAutoStart();
        QCOMPARE(Fixture().m_messages, QStringList{QString::fromUtf8("열린 파일이 없습니다")});
        QVERIFY(!view.IsAutoRunning());
        view.OnAutoStop();
        QCOMPARE(running.count(), 0);

        // A chosen book is enough, loaded or not. A period of 0 runs at the 10 ms floor.
        view.ChooseBook(PathBytesOf(ThreeItems()));
        view.OnAutoStart();
        view.OnAutoStart();
        QVERIFY(view.IsAutoRunning());
        QVERIFY(view.AutoTimer()->isActive());
        QCOMPARE(view.AutoTimer()->interval(), 10);
        view.OnAutoStop();
        view.OnAutoStop();
        QVERIFY(!view.IsAutoRunning());
        QVERIFY(!view.AutoTimer()->isActive());
        QCOMPARE(running.count(), 2);
        QCOMPARE(running[0][0].toBool(), true);
        QCOMPARE(running[1][0].toBool(), false);
        QCOMPARE(Fixture().m_messages.size(), 1);
    }

    // Order and period changed in the settings sheet while auto view runs.
    void settingsChangedWhileRunning() {
        Fixture().WriteSettings(1000, 1);
        auto view = Fixture().OpenView(ThreeItems());
        view->OnAutoStart();
        RunSetup(*view, [](QDialog* sheet) {
            Click(sheet, "IDC_SEQUENTIAL");
            SetPeriod(sheet, "2000");
            Click(sheet, "IDOK");
        });
        QCOMPARE(view->Order(), 0);
        QCOMPARE(view->Period(), 2000);
        QCOMPARE(Fixture().ReadSettings(), SettingsRecord(2000, 0));
        // The new order at the next step, the old period until the next start.
        view->ItemList()->SetCurSel(1);
        view->OnTimer();
        QCOMPARE(view->ItemList()->GetCurSel(), 2);
        view->OnTimer();
        QCOMPARE(view->ItemList()->GetCurSel(), 0);
        QVERIFY(view->IsAutoRunning());
        QCOMPARE(view->AutoTimer()->interval(), 1000);
        view->OnAutoStop();
        view->OnAutoStart();
        QCOMPARE(view->AutoTimer()->interval(), 2000);
    }

    void cancelledSheetLeavesTheViewAlone() {
        Fixture().WriteSettings(1000, 0);
        auto view = Fixture().OpenView(ThreeItems());
        RunSetup(*view, [](QDialog* sheet) {
            Click(sheet, "IDC_RANDOM");
            Click(sheet, "IDC_PERIOD_UP");
            Click(sheet, "IDCANCEL");
        });
        QCOMPARE(view->Order(), 0);
        QCOMPARE(view->Period(), 1000);
        QCOMPARE(Fixture().ReadSettings(), SettingsRecord(1010, 1));
        QCOMPARE(Fixture().m_messages, QStringList());
    }

    void openingAnotherBookKeepsRunning() {
        auto view = Fixture().OpenView(ThreeItems());
        view->OnAutoStart();
        view->ItemList()->SetCurSel(2);
        CReaderFixture::Open(*view, Fixture().WriteBook("other.txt", {"alpha", "beta"}));
        QVERIFY(view->IsAutoRunning());
        QCOMPARE(view->ItemList()->GetCurSel(), 0);
        view->OnTimer();
        QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("beta"));
    }

    // A step whose book has gone shows the display's message once and stops auto view, so
    // that a message can't follow every OK; while it is open no other piles on top. A later
    // start tries again.
    void failedStepStopsAutoView() {
        Fixture().WriteSettings(0, 0);
        const QString path = ThreeItems();
        auto view = Fixture().OpenView(path);
        QVERIFY(QFile::remove(path));
        QSignalSpy running(view.get(), &CBookDlg::autoRunningChanged);
        int depth = 0;
        int deepest = 0;
        CSeamGuard<MessageBoxHandler> box(MessageBoxSeam(), [&](const QString& text) {
            Fixture().m_messages << text;
            deepest = std::max(deepest, ++depth);
            QTest::qWait(60); // the box stays open for several periods
            --depth;
        });
        for (int start = 1; start <= 2; ++start) {
            view->OnAutoStart();
            QTRY_VERIFY(!view->IsAutoRunning());
            QTest::qWait(50);
            QCOMPARE(Fixture().m_messages.size(), start);
        }
        QCOMPARE(Fixture().m_messages.front(), QString::fromUtf8("파일을 열수 없습니다"));
        QCOMPARE(deepest, 1);
        QCOMPARE(running.count(), 4);
        QCOMPARE(running.last().first().toBool(), false);
    }

    void destroyedWhileRunning() {
        Fixture().WriteSettings(0, 0);
        auto view = Fixture().OpenView(ThreeItems());
        view->OnAutoStart();
        QPointer<const QTimer> timer = view->AutoTimer();
        QVERIFY(timer->isActive());
        view.reset();
        QVERIFY(timer.isNull());
        QTest::qWait(50);
        QCOMPARE(Fixture().m_messages, QStringList());
    }
};

QTEST_MAIN(AutoViewTest)
#include "AutoViewTest.moc"
