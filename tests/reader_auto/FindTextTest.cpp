#include "BookDlg.h"
#include "ListBox.h"
#include "ReaderFixture.h"

#include <QFile>
#include <QInputDialog>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include <memory>

// Looking through the items' text from the view: which item is shown, what is marked in its
// body, the message when no item holds the term, the dialog's last term, and cancelling.
class FindTextTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CReaderFixture> m_pFixture;

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(m_pFixture->m_dir.filePath(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        return file.fileName();
    }

    // Needle stands in the bodies of items 0 and 3 and in the title of item 2 alone.
    QString Book() {
        return Write("needles.txt", "alpha///one two\r\nthe Needle is here\r\n"
                                    "beta///nothing\r\n"
                                    "Needle title///plain\r\n"
                                    "delta///line\r\nsecond needle\r\n");
    }

    static QPlainTextEdit* Body(CBookDlg& view) {
        return view.findChild<QPlainTextEdit*>("IDC_BODY");
    }

private slots:
    void init() { m_pFixture = std::make_unique<CReaderFixture>(); }
    void cleanup() { m_pFixture.reset(); }

    void showsTheItemAndMarksTheTerm_data() {
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("markedAt"); // -1: nothing marked
        QTest::newRow("next, in the title only") << 0 << true << 2 << -1;
        QTest::newRow("next, in the body") << 2 << true << 3 << 12;
        QTest::newRow("next wraps") << 3 << true << 0 << 12;
        QTest::newRow("previous") << 3 << false << 2 << -1;
        QTest::newRow("previous wraps") << 0 << false << 3 << 12;
    }

    void showsTheItemAndMarksTheTerm() {
        QFETCH(int, selected);
        QFETCH(bool, forward);
        QFETCH(int, found);
        QFETCH(int, markedAt);
        auto view = m_pFixture->OpenView(Book());
        view->ItemList()->SetCurSel(selected);
        view->ShowSelectedItem();

        QVERIFY(view->FindText(QStringLiteral("NEEDLE"), forward));
        QCOMPARE(view->ItemList()->GetCurSel(), found);
        QCOMPARE(CReaderFixture::Body(*view), Body(*view)->toPlainText());
        const QTextCursor marked = Body(*view)->textCursor();
        QCOMPARE(marked.hasSelection() ? marked.selectionStart() : -1, markedAt);
        if (markedAt >= 0)
            QCOMPARE(marked.selectedText().toLower(), QStringLiteral("needle"));
        QVERIFY(m_pFixture->m_messages.isEmpty());
    }

    void noItemHoldingTheTermSaysSoAndKeepsTheSelection() {
        auto view = m_pFixture->OpenView(Book());
        view->ItemList()->SetCurSel(1);
        view->ShowSelectedItem();
        QVERIFY(!view->FindText(QStringLiteral("haystack"), true));
        QCOMPARE(m_pFixture->m_messages, QStringList{QStringLiteral("찾는 검색어가 없습니다")});
        QCOMPARE(view->ItemList()->GetCurSel(), 1);
        QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("beta"));
    }

    // The dialog opens with the last term; F3 then needs no dialog. Cancel and an empty term
    // look for nothing and keep the term.
    void dialogKeepsTheLastTerm() {
        auto view = m_pFixture->OpenView(Book());
        QStringList shown;
        QString answer;
        CSeamGuard<ModalDialogHandler> user(ModalDialogSeam(), [&](QDialog* dialog) {
            auto* input = qobject_cast<QInputDialog*>(dialog);
            shown << input->textValue();
            input->setTextValue(answer);
            answer.isNull() ? input->reject() : input->accept();
        });
        answer = QStringLiteral("needle");
        view->OnFindText();
        QCOMPARE(view->ItemList()->GetCurSel(), 2);
        view->OnFindNext();
        QCOMPARE(view->ItemList()->GetCurSel(), 3);
        answer = QString();
        view->OnFindText();
        answer = QStringLiteral("");
        view->OnFindText();
        QCOMPARE(shown, (QStringList{"", "needle", "needle"}));
        QCOMPARE(view->FindTerm(), QStringLiteral("needle"));
        QCOMPARE(view->ItemList()->GetCurSel(), 3);
    }

    // A long search lets the event loop run, so that its progress dialog can be cancelled;
    // the form is then left as it was, without a message.
    void cancelLeavesTheFormAsItWas() {
        QByteArray bytes("first///x\r\nbig///");
        bytes += QByteArray(40 << 20, 'y');
        bytes += "\r\nlast///needle\r\n";
        auto view = m_pFixture->OpenView(Write("big.txt", bytes));
        QCOMPARE(view->LastIndex(), 2);
        bool cancelled = false;
        QTimer::singleShot(0, view.get(), [&] {
            if (auto* progress = view->window()->findChild<QProgressDialog*>("FindProgress")) {
                progress->cancel();
                cancelled = true;
            }
        });
        QVERIFY(!view->FindText(QStringLiteral("needle"), true));
        QVERIFY(cancelled);
        QCOMPARE(view->ItemList()->GetCurSel(), 0);
        QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("first"));
        QVERIFY(m_pFixture->m_messages.isEmpty());
        QVERIFY(view->FindText(QStringLiteral("needle"), true)); // the view is ready again
        QCOMPARE(view->ItemList()->GetCurSel(), 2);
    }

    // A book chosen just before a long search is built only after it: the search never reads
    // an index that is being replaced.
    void bookChosenDuringASearchLoadsAfterIt() {
        QByteArray bytes("first///x\r\nbig///");
        bytes += QByteArray(20 << 20, 'y');
        bytes += "\r\nlast///needle\r\n";
        auto view = m_pFixture->OpenView(Write("big.txt", bytes));
        const QString other = m_pFixture->WriteBook("other.txt", {"a", "b", "c", "d", "e"});
        view->ChooseBook(other.toStdString());

        QVERIFY(view->FindText(QStringLiteral("needle"), true));
        QCOMPARE(view->ItemList()->GetCurSel(), 2);
        QCOMPARE(CReaderFixture::Title(*view), QStringLiteral("last"));
        QTRY_COMPARE(view->LastIndex(), 4);
        QVERIFY(m_pFixture->m_messages.isEmpty());
    }
};

QTEST_MAIN(FindTextTest)
#include "FindTextTest.moc"
