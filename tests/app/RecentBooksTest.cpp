#include "ShellFixture.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include <cstdio>

// Where the reader left off: the last book and row after a restart, the recent books and their
// menu, a damaged state file, and a book dropped on the window.
class RecentBooksTest : public QObject {
    Q_OBJECT

private slots:
    void startsWhereItLeftOff_data();
    void startsWhereItLeftOff();
    void recentListKeepsTenDistinctNewestFirst();
    void recentEntryReopensAtItsRow();
    void droppedFileOpensAsOpenWould_data();
    void droppedFileOpensAsOpenWould();
};

namespace {

std::string Bytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Chooses the book and waits until its index is built.
bool Open(CBookDlg& view, const std::string& path, int row = 0) {
    view.ChooseBook(path, row);
    return QTest::qWaitFor([&] { return view.Book().Path() == path; });
}

void Select(CBookDlg& view, int row) {
    view.ItemList()->SetCurSel(row);
    view.ShowSelectedItem();
}

// Closes the window as the user does and waits until it is gone.
void Close(CTomletApp& app) {
    app.GetMainWnd()->close();
    QTRY_VERIFY(!app.GetMainWnd());
}

} // namespace

void RecentBooksTest::startsWhereItLeftOff_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("row"); // -1: no book
    QTest::newRow("book as it was") << "none" << 2;
    QTest::newRow("book named in CP949") << "cp949" << 2;
    QTest::newRow("book shrank") << "shrink" << 0;
    QTest::newRow("book gone: empty and silent") << "remove" << -1;
    QTest::newRow("damaged state file") << "damage" << -1;
    QTest::newRow("state file unreadable (a folder)") << "unreadable" << -1;
}

void RecentBooksTest::startsWhereItLeftOff() {
    QFETCH(QString, change);
    QFETCH(int, row);
    CShellFixture fixture;
    const QString utf8Book = fixture.WriteBook();
    // The path's bytes: a CP949 name is no QString.
    std::string book = Bytes(utf8Book);
    if (change == "cp949") {
        book = Bytes(fixture.Dir()) + "/\xb9\xae.txt";
        QVERIFY(std::rename(Bytes(utf8Book).c_str(), book.c_str()) == 0);
    }
    {
        SCommandLine command;
        command.book = book;
        auto app = fixture.Start(command);
        CBookDlg& view = *app->GetActiveView();
        QTRY_COMPARE(view.ItemList()->GetCount(), 3);
        Select(view, 2);
        Close(*app);
    }
    if (change == "shrink")
        fixture.Write(QStringLiteral("book.txt"), "Only///one item\r\n");
    else if (change == "remove")
        QFile::remove(utf8Book);
    else if (change == "damage")
        fixture.Write(QStringLiteral("tomlet/window.ini"),
                      QByteArray("[recent\n\xff\xfe\x00size=zz\n1\\path=@Invalid(\n1\\row=", 40));
    else if (change == "unreadable")
        QVERIFY(QFile::remove(fixture.StateFile()) && QDir().mkdir(fixture.StateFile()));

    auto app = fixture.Start();
    CBookDlg& view = *app->GetActiveView();
    if (row < 0) {
        QTest::qWait(50);
        QCOMPARE(view.ItemList()->GetCount(), 0);
        QVERIFY(view.Path().empty());
    } else {
        QTRY_COMPARE(view.Book().Path(), book);
        QCOMPARE(view.ItemList()->GetCurSel(), row);
    }
    QCOMPARE(fixture.messages, QStringList());
    // The Open dialog starts where the last book was, gone or not.
    if (change == "none" || change == "remove" || change == "cp949")
        QCOMPARE(view.OpenFolder(), Bytes(fixture.Dir()) + '/');
}

// Newest first, each book once, ten at most; a name that is not UTF-8 survives a restart.
void RecentBooksTest::recentListKeepsTenDistinctNewestFirst() {
    CShellFixture fixture;
    std::vector<std::string> books;
    for (int i = 0; i < 11; ++i)
        books.push_back(Bytes(fixture.Dir()) + "/b" + std::to_string(i) + ".txt");
    books.push_back(Bytes(fixture.Dir()) + "/\xc1\xa6\xb8\xf1.txt"); // not UTF-8
    for (const std::string& path : books) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        QVERIFY(file);
        std::fputs("One///a\r\nTwo///b\r\n", file);
        std::fclose(file);
    }
    auto app = fixture.Start();
    CBookDlg& view = *app->GetActiveView();
    for (const std::string& path : books)
        QVERIFY(Open(view, path));
    QVERIFY(Open(view, books[5]));

    const std::vector<std::string> expected{books[5], books[11], books[10], books[9], books[8],
                                            books[7], books[6],  books[4],  books[3], books[2]};
    const auto paths = [](const CMainFrame& frame) {
        std::vector<std::string> paths;
        for (const CMainFrame::SRecentBook& book : frame.RecentBooks())
            paths.push_back(book.path);
        return paths;
    };
    QCOMPARE(paths(*app->GetMainWnd()), expected);
    const QList<QAction*> entries = app->GetMainWnd()->findChild<QMenu*>("RecentMenu")->actions();
    QCOMPARE(entries.size(), 10);
    QCOMPARE(entries[0]->text(), QStringLiteral("b5.txt"));
    Close(*app);

    auto again = fixture.Start();
    QCOMPARE(paths(*again->GetMainWnd()), expected);
    QTRY_COMPARE(again->GetActiveView()->Book().Path(), books[5]);
}

void RecentBooksTest::recentEntryReopensAtItsRow() {
    CShellFixture fixture;
    const std::string first = Bytes(fixture.WriteBook());
    const std::string second = Bytes(fixture.Write("other.txt", "A///a\r\nB///b\r\n"));
    auto app = fixture.Start();
    CBookDlg& view = *app->GetActiveView();
    QVERIFY(Open(view, first));
    Select(view, 2);
    QVERIFY(Open(view, second));
    Select(view, 1);

    app->GetMainWnd()->findChild<QMenu*>("RecentMenu")->actions().at(1)->trigger();
    QTRY_COMPARE(view.Book().Path(), first);
    QCOMPARE(view.ItemList()->GetCurSel(), 2);
    QCOMPARE(app->GetMainWnd()->RecentBooks().at(1).row, 1);
}

void RecentBooksTest::droppedFileOpensAsOpenWould_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("opens");
    QTest::newRow("local book") << "book" << true;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("remote file") << "https://example.org/book.txt" << false;
}

void RecentBooksTest::droppedFileOpensAsOpenWould() {
    QFETCH(QString, url);
    QFETCH(bool, opens);
    CShellFixture fixture;
    const QString book = fixture.WriteBook();
    auto app = fixture.Start();
    CMainFrame& frame = *app->GetMainWnd();
    QMimeData data;
    data.setUrls({url == "book"     ? QUrl::fromLocalFile(book)
                  : url == "folder" ? QUrl::fromLocalFile(fixture.Dir())
                                    : QUrl(url)});
    const QPoint at = frame.rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    QCOMPARE(enter.isAccepted(), opens);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);

    CBookDlg& view = *app->GetActiveView();
    if (opens) {
        QTRY_COMPARE(view.ItemList()->GetCount(), 3);
        QCOMPARE(view.Book().Path(), Bytes(book));
    } else {
        QTest::qWait(50);
        QVERIFY(view.Path().empty());
    }
    QCOMPARE(fixture.messages, QStringList());
}

QTEST_MAIN(RecentBooksTest)
#include "RecentBooksTest.moc"
