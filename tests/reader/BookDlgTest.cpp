#include "BookDlg.h"
#include "../ScratchDir.h"
#include "Edit.h"
#include "ListBox.h"
#include "LocalPath.h"
#include "TestSeams.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>
#include <QTextDocumentFragment>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

// The reader view driven through its real widgets: Open (through the file dialog seam), the
// deferred load, selection by mouse and keys, and what the user sees when files go wrong.
class BookDlgTest : public QObject {
    Q_OBJECT

private:
    CScratchDir m_dir;
    QStringList m_messages;
    std::unique_ptr<CSeamGuard<MessageBoxHandler>> m_messageSeam;

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(m_dir.filePath(name));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
        return file.fileName();
    }

    void WriteSettings(const QByteArray& bytes) { Write("Tomlet.set", bytes); }

    // A shown view, as the frame would hold it.
    std::unique_ptr<CBookDlg> NewView() {
        auto view = std::make_unique<CBookDlg>();
        view->resize(view->sizeHint());
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            qWarning("view not exposed");
        return view;
    }

    // Runs Open with the file dialog answering path (or Cancel), then lets the view draw.
    void Open(CBookDlg& view, std::optional<QString> path) {
        CSeamGuard<FileDialogHandler> chooser(FileDialogSeam(), [path] { return path; });
        view.OnBookOpen();
        QTest::qWait(50);
    }

    static QString Label(CBookDlg& view, const char* name) {
        return view.findChild<QLabel*>(name)->text();
    }
    static QString Edit(CBookDlg& view, const char* name) {
        return view.findChild<QPlainTextEdit*>(name)->toPlainText();
    }

    static QByteArray Cp949Book() {
        // "머리말" preface, then items 제1장 (Chapter 1) and 제2장 with Korean bodies, CR LF.
        return QByteArray("\xb8\xd3\xb8\xae\xb8\xbb\r\n"
                          "\xc1\xa6"
                          "1\xc0\xe5///\xba\xbd\r\n"
                          "\xb2\xc9\r\n"
                          "\xc1\xa6"
                          "2\xc0\xe5///\xbf\xa9\xb8\xa7\r\n"
                          "Chapter three///three\r\n");
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        qputenv("TOMLET_SETTINGS", m_dir.filePath("Tomlet.set").toLocal8Bit());
        m_messageSeam = std::make_unique<CSeamGuard<MessageBoxHandler>>(
            MessageBoxSeam(), [this](const QString& text) { m_messages << text; });
    }

    void init() {
        WriteSettings(QByteArray("\xe8\x03\0\0\0\0\0\0\0\0", 10));
        m_messages.clear();
    }

    void settingsAtConstruction_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("message");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("order");
        QTest::newRow("missing") << QByteArray() << true << 1000 << 0;
        QTest::newRow("present") << QByteArray("\x88\x13\0\0\x07\0\0\0\0\0", 10) << false << 5000
                                 << 7;
        QTest::newRow("short") << QByteArray("\x10\x27\0", 3) << false << 10000 << 0;
        QTest::newRow("empty") << QByteArray("") << false << 0 << 0;
    }
    void settingsAtConstruction() {
        QFETCH(QByteArray, file);
        QFETCH(bool, message);
        QFile::remove(m_dir.filePath("Tomlet.set"));
        if (!file.isNull())
            WriteSettings(file);
        CBookDlg view;
        QCOMPARE(m_messages.size(), message ? 1 : 0);
        if (message)
            QCOMPARE(m_messages.front(), QString::fromUtf8("환경 설정 파일을 열 수 없습니다.\n"
                                                           "기본 설정으로 동작합니다"));
        QTEST(view.Period(), "period");
        QTEST(view.Order(), "order");
    }

    void labelsAreEmptyAtStart() {
        auto view = NewView();
        QCOMPARE(Label(*view, "IDC_FILE_NAME"), QString());
        QCOMPARE(Label(*view, "IDC_COUNTER"), QString());
        QCOMPARE(view->ItemList()->GetCount(), 0);
    }

    void openLoadsOnceAtTheNextDrawing() {
        const QString path = Write("book.txt", Cp949Book());
        auto view = NewView();
        Open(*view, path);
        QCOMPARE(Label(*view, "IDC_FILE_NAME"), QStringLiteral("book.txt"));
        QTRY_COMPARE(view->ItemList()->GetCount(), 3);
        QCOMPARE(view->ItemList()->GetText(0), QString::fromUtf8("제1장"));
        QCOMPARE(view->ItemList()->GetCurSel(), 0);
        QCOMPARE(Edit(*view, "IDC_TITLE"), QString::fromUtf8("제1장"));
        QCOMPARE(Edit(*view, "IDC_BODY"), QString::fromUtf8("봄\n꽃\n"));
        QCOMPARE(Label(*view, "IDC_COUNTER"), QStringLiteral("    0 /     2"));
        QVERIFY(m_messages.isEmpty());

        // More drawings build nothing again: a changed file stays unlisted until the next Open.
        Write("book.txt", "only///one\n");
        for (int i = 0; i < 3; ++i) {
            view->repaint();
            QTest::qWait(20);
        }
        QCOMPARE(view->ItemList()->GetCount(), 3);
        Open(*view, path);
        QTRY_COMPARE(view->ItemList()->GetCount(), 1);
    }

    void selectionByClickAndArrowKeyShowsTheItem() {
        auto view = NewView();
        Open(*view, Write("book.txt", Cp949Book()));
        QTRY_COMPARE(view->ItemList()->GetCount(), 3);
        CListBox* list = view->ItemList();
        const QRect row2 = list->visualRect(list->model()->index(2, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row2.center());
        QCOMPARE(list->GetCurSel(), 2);
        QCOMPARE(Edit(*view, "IDC_TITLE"), QStringLiteral("Chapter three"));
        QCOMPARE(Label(*view, "IDC_COUNTER"), QStringLiteral("    2 /     2"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->GetCurSel(), 1);
        QCOMPARE(Edit(*view, "IDC_TITLE"), QString::fromUtf8("제2장"));
        QCOMPARE(Edit(*view, "IDC_BODY"), QString::fromUtf8("여름\n"));
    }

    // A build that fails keeps the old book whole, and the view goes back to naming it: the
    // list, the form, the label and the kind all describe one book.
    void failedBuildReturnsToTheOldBook_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("missing") << "gone.CVD"
                                 << QStringList{"파일이 없습니다", "파일을 열수 없습니다"};
        QTest::newRow("too large")
            << "huge.txt" << QStringList{"파일이 너무 커서 읽을 수 없습니다"};
    }
    void failedBuildReturnsToTheOldBook() {
        QFETCH(QString, name);
        auto view = NewView();
        Open(*view, Write("book.txt", Cp949Book()));
        QTRY_COMPARE(view->ItemList()->GetCount(), 3);
        view->ItemList()->SetCurSel(2);
        view->ShowSelectedItem();
        m_messages.clear();
        if (name == "huge.txt") { // sparse: no disk is used
            QFile huge(m_dir.filePath(name));
            QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(3) << 30));
        }

        Open(*view, m_dir.filePath(name));
        QTRY_VERIFY(!m_messages.isEmpty());
        QTEST(m_messages, "messages");
        QCOMPARE(view->ItemList()->GetCount(), 3);
        QCOMPARE(view->ItemList()->GetCurSel(), 0);
        QCOMPARE(Label(*view, "IDC_FILE_NAME"), QStringLiteral("book.txt"));
        QCOMPARE(view->FileKind(), EFileKind::MarkedText);
        QCOMPARE(view->Path(), PathBytesOf(m_dir.filePath("book.txt")));
        QCOMPARE(Edit(*view, "IDC_TITLE"), QString::fromUtf8("제1장"));
    }

    void cancelKeepsEverythingAndReplacesTypedText() {
        auto view = NewView();
        Open(*view, Write("book.txt", Cp949Book()));
        QTRY_COMPARE(view->ItemList()->GetCount(), 3);
        view->ItemList()->SetCurSel(1);
        view->ShowSelectedItem();
        auto* title = view->findChild<QPlainTextEdit*>("IDC_TITLE");
        title->setFocus();
        QTest::keyClicks(title, "typed");
        Open(*view, std::nullopt);
        QCOMPARE(view->ItemList()->GetCurSel(), 1);
        QCOMPARE(Edit(*view, "IDC_TITLE"), QString::fromUtf8("제2장"));
        QCOMPARE(Label(*view, "IDC_FILE_NAME"), QStringLiteral("book.txt"));
        QVERIFY(m_messages.isEmpty());
    }

    void fileKindFollowsTheExtension_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("txt") << "a.txt" << int(EFileKind::MarkedText);
        QTest::newRow("TXT") << "a.TXT" << int(EFileKind::MarkedText);
        QTest::newRow("CVD") << "a.CVD" << int(EFileKind::Cvd);
        QTest::newRow("text") << "a.text" << int(EFileKind::OtherText);
        QTest::newRow("htm") << "a.htm" << int(EFileKind::OtherText);
        QTest::newRow("none") << "noext" << int(EFileKind::OtherText);
        QTest::newRow("dots") << "my.cvd.log" << int(EFileKind::OtherText);
    }
    void fileKindFollowsTheExtension() {
        QFETCH(QString, name);
        auto view = NewView();
        Open(*view, Write(name, "a///b\n"));
        QTEST(int(view->FileKind()), "kind");
    }

    void cvdBookWithStrayBytesListsItsItemsAfterTheMessage() {
        QByteArray book(74, 'H');
        book += QByteArray("\x00\x02\x00\x02\x03\0\0\0AB\0\x1e\x03\x04\0\0\0x\ry", 20);
        book += QByteArray("\x00\x02\x00\x02\x02\0\0\0C\0\x1e\x03\x02\0\0\0z\0", 18);
        auto view = NewView();
        Open(*view, Write("b.cvd", book + QByteArray(10, 'x')));
        QTRY_COMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages[0], QString::fromUtf8("파일의 일부 형식이 다릅니다"));
        QTRY_COMPARE(Edit(*view, "IDC_TITLE"), QStringLiteral("AB"));
        QCOMPARE(view->ItemList()->GetCount(), 2);
        QCOMPARE(Edit(*view, "IDC_BODY"), QStringLiteral("x\ny"));
        QCOMPARE(view->findChild<CEdit*>("IDC_BODY")->GetText(), QStringLiteral("x\r\ny"));
    }

    void bookWithoutItemsClearsTheForm() {
        auto view = NewView();
        Open(*view, Write("book.txt", Cp949Book()));
        QTRY_COMPARE(view->ItemList()->GetCount(), 3);
        Open(*view, Write("plain.txt", "no markers here\n"));
        QTRY_COMPARE(view->ItemList()->GetCount(), 0);
        // Nothing of the previous book stays under the new name.
        QCOMPARE(Label(*view, "IDC_FILE_NAME"), QStringLiteral("plain.txt"));
        QCOMPARE(Edit(*view, "IDC_TITLE"), QString());
        QCOMPARE(Edit(*view, "IDC_BODY"), QString());
        QCOMPARE(Label(*view, "IDC_COUNTER"), QString());
        QCOMPARE(view->ItemList()->GetCurSel(), -1);
        QCOMPARE(view->LastIndex(), -1);
        QVERIFY(m_messages.isEmpty());
    }

    void bookNamedOnTheCommandLineLoadsAtTheFirstDrawing() {
        CBookDlg view;
        view.ChooseBook(PathBytesOf(Write("named.txt", Cp949Book())));
        QCOMPARE(view.ItemList()->GetCount(), 0);
        view.resize(view.sizeHint());
        view.show();
        QTRY_COMPARE(view.ItemList()->GetCount(), 3);
        QCOMPARE(Label(view, "IDC_FILE_NAME"), QStringLiteral("named.txt"));
    }

    // A relative name is joined to the working folder's own bytes, which need not be UTF-8.
    void relativeNameIsReadInANonUtf8Folder() {
        const std::string folder = QFile::encodeName(m_dir.path()).toStdString() + "/\xb9\xae";
        QVERIFY(::mkdir(folder.c_str(), 0700) == 0);
        std::ofstream(folder + "/named.txt", std::ios::binary) << Cp949Book().toStdString();
        const std::unique_ptr<char, decltype(&std::free)> before(getcwd(nullptr, 0), &std::free);
        QVERIFY(::chdir(folder.c_str()) == 0);
        CBookDlg view;
        view.ChooseBook("named.txt");
        QVERIFY(::chdir(before.get()) == 0);
        view.show();
        QTRY_COMPARE(view.ItemList()->GetCount(), 3);
        QCOMPARE(view.Path(), folder + "/named.txt");
        QVERIFY(m_messages.isEmpty());
    }

    // The list and the body share what the window gives, and the user moves the line between.
    void listAndBodyShareTheHeight() {
        auto view = NewView();
        auto* body = view->findChild<QWidget*>("IDC_BODY");
        auto* list = view->findChild<QWidget*>("IDC_ITEM_LIST");
        const QSize bodyAt = body->size();
        const QSize listAt = list->size();
        view->resize(view->size() + QSize(200, 300));
        QTRY_COMPARE(body->width(), bodyAt.width() + 200);
        QCOMPARE(list->width(), listAt.width() + 200);
        QVERIFY(list->height() > listAt.height() + 50);
        QVERIFY(body->height() > bodyAt.height() + 50);
        QCOMPARE(list->height() + body->height(), listAt.height() + bodyAt.height() + 300);

        auto* splitter = view->findChild<QSplitter*>();
        const int total = list->height() + body->height();
        splitter->setSizes({total - 100, 100});
        const QByteArray state = view->SaveState();
        auto again = NewView();
        again->resize(view->size());
        again->RestoreState(state);
        QTRY_COMPARE(again->findChild<QWidget*>("IDC_BODY")->height(), 100);
    }

    // A line without a space to break at is shown at once, all of it, as title and as body,
    // and copied whole (laid out as one paragraph broken at words it took over a minute).
    void longLinesShowAtOnce() {
        const QByteArray line(1'000'000, 'n');
        auto view = NewView();
        Open(*view, Write("long.txt", line + "///" + line + "\n"));
        QTRY_COMPARE(view->ItemList()->GetCount(), 1);
        QElapsedTimer clock;
        clock.start();
        view->ShowSelectedItem();
        view->repaint();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(view->findChild<CEdit*>("IDC_TITLE")->GetText(), QString::fromLatin1(line));
        auto* body = view->findChild<CEdit*>("IDC_BODY");
        QCOMPARE(body->GetText(), QString::fromLatin1(line + "\n"));
        body->selectAll();
        body->copy();
        QCOMPARE(QApplication::clipboard()->text(), QString::fromLatin1(line + "\n"));
    }

    // A title wider than its field is cut short, shown whole in the tooltip (as text, never as
    // markup) and while the user works in it, and read back whole.
    void longTitleIsElidedOnOneLine() {
        const QString longName = "<b>" + QString(60, u'가') + "end";
        auto view = NewView();
        Open(*view, Write("long.txt", longName.toUtf8() + "///body\nshort///b\n"));
        QTRY_COMPARE(view->ItemList()->GetCount(), 2);
        auto* title = view->findChild<CEdit*>("IDC_TITLE");
        QVERIFY(title->height() < 2 * title->fontMetrics().lineSpacing());
        QVERIFY(title->toPlainText().size() < longName.size());
        QCOMPARE(QTextDocumentFragment::fromHtml(title->toolTip()).toPlainText(), longName);
        QCOMPARE(title->GetText(), longName);
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        title->setFocus();
        QTRY_COMPARE(title->toPlainText(), longName);
        view->ItemList()->SetCurSel(1);
        view->ShowSelectedItem();
        QCOMPARE(title->toPlainText(), QStringLiteral("short"));
        QCOMPARE(title->toolTip(), QString());
    }

    // A book chosen while another waits for its build replaces it: the last one is built, once,
    // whether the view draws before the build (a large book) or not (a small one).
    void booksChosenBeforeABuildBuildTheLastOnce() {
        QByteArray large;
        while (large.size() < (9 << 20))
            large += "large///" + QByteArray(1000, 'x') + "\n";
        for (const QByteArray& last : {QByteArray("b///\nc///\n"), large}) {
            auto view = NewView();
            QSignalSpy loaded(view.get(), &CBookDlg::bookLoaded);
            view->ChooseBook(Write("first.txt", "a///\n").toStdString());
            view->ChooseBook(Write("last.txt", last).toStdString());
            QTRY_COMPARE(loaded.size(), 1);
            QTest::qWait(50);
            QCOMPARE(loaded.size(), 1);
            QCOMPARE(Label(*view, "IDC_FILE_NAME"), QStringLiteral("last.txt"));
            QCOMPARE(view->ItemList()->GetText(0), last.left(last.indexOf('/')));
        }
    }

    // The view sets every field after each step: the item shown again leaves the reader's place
    // in its body, while a body the user changed gets the file's text back.
    void sameItemShownAgainKeepsThePlace() {
        QByteArray body = "\n"; // the head line's end
        for (int line = 0; line < 200; ++line)
            body += "line " + QByteArray::number(line) + "\n";
        auto view = NewView();
        Open(*view, Write("long.txt", "one///" + body + "two///\nb\n"));
        QTRY_COMPARE(view->ItemList()->GetCount(), 2);
        auto* edit = view->findChild<CEdit*>("IDC_BODY");
        QScrollBar* scroll = edit->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum());
        view->ShowSelectedItem();
        QCOMPARE(scroll->value(), scroll->maximum());
        edit->setFocus();
        QTest::keyClicks(edit, "typed");
        view->ShowSelectedItem();
        QCOMPARE(edit->GetText(), QString::fromLatin1(body));
        QCOMPARE(edit->toPlainText(), QString::fromLatin1(body));
    }
};

QTEST_MAIN(BookDlgTest)
#include "BookDlgTest.moc"
