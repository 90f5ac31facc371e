#include "BookDlg.h"
#include "ListBox.h"
#include "ReaderFixture.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>

// The search command with its real dialog: what the dialog opens with, how repeated searches
// move through the list, and what is kept when nothing is searched.
class SearchTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CReaderFixture> m_pFixture;

    CReaderFixture& Fixture() { return *m_pFixture; }

    // Rows 0 to 5; "ap" begins rows 0, 2 and 4 (4 in capitals), and ends row 5.
    QString Fruit() {
        return Fixture().WriteBook("fruit.txt",
                                   {"apple", "Banana", "apricot", "cherry", "APEX", "pineapple"});
    }

    struct SOpened {
        QString term;  // what the edit showed when the dialog opened
        QString focus; // the control that had the focus then
    };

    // Runs the search command: typed (when given) replaces the edit's text, then OK or Cancel
    // closes the dialog.
    static SOpened Search(CBookDlg& view, std::optional<QString> typed, bool ok = true) {
        SOpened opened;
        CSeamGuard<ModalDialogHandler> user(ModalDialogSeam(), [&](QDialog* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>("IDC_TERM");
            opened.term = edit->text();
            opened.focus = dialog->focusWidget() ? dialog->focusWidget()->objectName() : "";
            if (typed) {
                edit->setFocus();
                edit->clear();
                QTest::keyClicks(edit, *typed);
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(ok ? "IDOK" : "IDCANCEL"),
                              Qt::LeftButton);
            if (dialog->isVisible())
                dialog->reject();
        });
        view.OnSearch();
        return opened;
    }

    static QString NotFound() { return QString::fromUtf8("찾는 검색어가 없습니다"); }

private slots:
    void init() { m_pFixture = std::make_unique<CReaderFixture>(); }
    void cleanup() { m_pFixture.reset(); }

    void repeatedSearchWalksTheMatches() {
        auto view = Fixture().OpenView(Fruit());
        QCOMPARE(view->ItemList()->GetCurSel(), 0);
        const SOpened first = Search(*view, QStringLiteral("ap"));
        QCOMPARE(first.term, QString());
        QCOMPARE(first.focus, QStringLiteral("IDOK"));
        QCOMPARE(view->ItemList()->GetCurSel(), 2);
        QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("apricot"));
        for (int expected : {4, 0, 2}) {
            const SOpened again = Search(*view, std::nullopt);
            QCOMPARE(again.term, QStringLiteral("ap"));
            QCOMPARE(view->ItemList()->GetCurSel(), expected);
            QCOMPARE(CReaderFixture::Title(*view), view->ItemList()->GetText(expected));
        }
        QCOMPARE(Fixture().m_messages, QStringList());
    }

    void searchFromTheSelection_data() {
        QTest::addColumn<QString>("term");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("found"); // -1: not found
        QTest::newRow("term in capitals") << "BAN" << 0 << 1;
        QTest::newRow("name in capitals") << "apex" << 0 << 4;
        QTest::newRow("whole name") << "pineapple" << 0 << 5;
        QTest::newRow("no selection starts at row 0") << "ap" << -1 << 0;
        QTest::newRow("wraps past the last row") << "b" << 4 << 1;
        QTest::newRow("only match is the selected row") << "cherry" << 3 << 3;
        QTest::newRow("middle of a name") << "nana" << 0 << -1;
        QTest::newRow("longer than the name") << "applesauce" << 3 << -1;
        QTest::newRow("blanks are searched") << "  " << 0 << -1;
    }
    void searchFromTheSelection() {
        QFETCH(QString, term);
        QFETCH(int, selected);
        QFETCH(int, found);
        auto view = Fixture().OpenView(Fruit());
        view->ItemList()->SetCurSel(selected);
        view->findChild<QWidget*>("IDC_TITLE")->setProperty("plainText", "typed");
        Search(*view, term);
        QCOMPARE(view->SearchTerm(), term);
        if (found < 0) {
            QCOMPARE(Fixture().m_messages, QStringList{NotFound()});
            QCOMPARE(view->ItemList()->GetCurSel(), selected);
            QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("typed"));
            return;
        }
        QCOMPARE(Fixture().m_messages, QStringList());
        QCOMPARE(view->ItemList()->GetCurSel(), found);
        // Shown anew, also when the row found is the one already selected.
        QCOMPARE(CReaderFixture::Title(*view), view->ItemList()->GetText(found));
    }

    void emptyTermSearchesNothing() {
        auto view = Fixture().OpenView(Fruit());
        Search(*view, QStringLiteral("ch"));
        QCOMPARE(view->ItemList()->GetCurSel(), 3);
        Search(*view, QString());
        QCOMPARE(view->SearchTerm(), QString());
        QCOMPARE(view->ItemList()->GetCurSel(), 3);
        QCOMPARE(Fixture().m_messages, QStringList());
        QCOMPARE(Search(*view, std::nullopt, /*ok=*/false).term, QString());
    }

    void cancelKeepsTheTerm() {
        auto view = Fixture().OpenView(Fruit());
        Search(*view, QStringLiteral("ch"));
        Search(*view, QStringLiteral("zz"), /*ok=*/false);
        QCOMPARE(view->SearchTerm(), QStringLiteral("ch"));
        QCOMPARE(view->ItemList()->GetCurSel(), 3);
        QCOMPARE(Fixture().m_messages, QStringList());
        QCOMPARE(Search(*view, std::nullopt, /*ok=*/false).term, QStringLiteral("ch"));
    }

    void termIsKeptAcrossBooks() {
        auto view = Fixture().OpenView(Fruit());
        Search(*view, QStringLiteral("p"));
        QCOMPARE(view->ItemList()->GetCurSel(), 5);
        CReaderFixture::Open(*view, Fixture().WriteBook("other.txt", {"one", "pear", "two"}));
        const SOpened opened = Search(*view, std::nullopt);
        QCOMPARE(opened.term, QStringLiteral("p"));
        QCOMPARE(view->ItemList()->GetCurSel(), 1);
        QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("pear"));
    }

    void noBookLoaded() {
        CBookDlg view;
        Search(view, QStringLiteral("x"));
        QCOMPARE(Fixture().m_messages, QStringList{NotFound()});
        QCOMPARE(view.SearchTerm(), QStringLiteral("x"));
        QCOMPARE(view.ItemList()->GetCurSel(), -1);
    }
};

QTEST_MAIN(SearchTest)
#include "SearchTest.moc"
