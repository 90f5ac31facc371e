#include "ShellFixture.h"

#include <QAction>
#include <QMenu>

// The encoding menu: its entries and check mark, a book read again in the code page chosen,
// and the code page kept with the book in the recent list across a restart.
class EncodingMenuTest : public QObject {
    Q_OBJECT

private slots:
    void menuChecksTheCodePageInUse_data();
    void menuChecksTheCodePageInUse();
    void chosenCodePageRereadsTheBook_data();
    void chosenCodePageRereadsTheBook();
    void failedRereadKeepsBookAndCodePage();
    void codePageIsRememberedWithTheBook_data();
    void codePageIsRememberedWithTheBook();
};

namespace {

// 日本語 / こんにちは and 辞書 / 字引.
const QByteArray kEucJpBook("\xC6\xFC\xCB\xDC\xB8\xEC///\xA4\xB3\xA4\xF3\xA4\xCB\xA4\xC1\xA4\xCF\n"
                            "\xBC\xAD\xBD\xF1///\xBB\xFA\xB0\xFA\n");
// Café / crème brûlée and Naïve / € 5.
const QByteArray kWindows1252Book("Caf\xE9///cr\xE8me br\xFBl\xE9"
                                  "e\nNa\xEFve///\x80 5\n");

QMenu* EncodingMenu(CMainFrame& frame) {
    return frame.findChild<QMenu*>(QStringLiteral("EncodingMenu"));
}

QString Checked(CMainFrame& frame) {
    for (const QAction* action : EncodingMenu(frame)->actions()) {
        if (action->isChecked())
            return action->text();
    }
    return {};
}

void Choose(CMainFrame& frame, const char* id) {
    frame.findChild<QAction*>(QString::fromLatin1(id))->trigger();
}

QStringList Names(CBookDlg& view) {
    QStringList names;
    for (int row = 0; row < view.ItemList()->GetCount(); ++row)
        names << view.ItemList()->GetText(row);
    return names;
}

QString Body(CBookDlg& view) {
    return view.findChild<QWidget*>(QStringLiteral("IDC_BODY"))->property("plainText").toString();
}

void Close(CTomletApp& app) {
    app.GetMainWnd()->close();
    QTRY_VERIFY(!app.GetMainWnd());
}

} // namespace

void EncodingMenuTest::menuChecksTheCodePageInUse_data() {
    QTest::addColumn<QString>("codePage"); // from the command line
    QTest::addColumn<QString>("checked");
    QTest::newRow("none: 자동") << ""
                                << "자동";
    QTest::newRow("listed, spelt otherwise") << "eucjp"
                                             << "EUC-JP";
    QTest::newRow("not listed: an entry of its own") << "KOI8-R"
                                                     << "KOI8-R";
}

void EncodingMenuTest::menuChecksTheCodePageInUse() {
    QFETCH(QString, codePage);
    QFETCH(QString, checked);
    CShellFixture fixture;
    SCommandLine command;
    command.codePage = codePage.toStdString();
    auto app = fixture.Start(command);
    CMainFrame& frame = *app->GetMainWnd();

    QStringList entries;
    emit EncodingMenu(frame)->aboutToShow(); // the entries are looked at as the menu opens
    for (const QAction* action : EncodingMenu(frame)->actions()) {
        QVERIFY(action->isCheckable());
        QVERIFY2(action->isEnabled(), qPrintable(action->text())); // iconv knows each one
        entries << action->text();
    }
    QStringList listed{"자동",       "CP949",     "UTF-8",  "EUC-KR", "Windows-1252",
                       "ISO-8859-1", "Shift_JIS", "EUC-JP", "GBK",    "Big5"};
    if (!listed.contains(checked))
        listed << checked;
    QCOMPARE(entries, listed);
    QCOMPARE(Checked(frame), checked);
    // Without a book the choice is only kept for the next one.
    Choose(frame, "ID_ENCODING_GBK");
    QCOMPARE(Checked(frame), QStringLiteral("GBK"));
    QVERIFY(app->GetActiveView()->Path().empty());
    QCOMPARE(app->GetActiveView()->CodePage(), std::string("GBK"));
}

void EncodingMenuTest::chosenCodePageRereadsTheBook_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("entry");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("body"); // of row 1
    QTest::newRow("EUC-JP") << kEucJpBook << QByteArray("ID_ENCODING_EUC_JP")
                            << QStringList{"日本語", "辞書"} << "字引\n";
    // 日本 / 0x5C, which Windows' Shift_JIS keeps a backslash.
    QTest::newRow("Shift_JIS") << QByteArray("\x93\xFA\x96\x7B///\x5C\nC:\\///\\\n")
                               << QByteArray("ID_ENCODING_SHIFT_JIS") << QStringList{"日本", "C:\\"}
                               << "\\\n";
    QTest::newRow("Windows-1252") << kWindows1252Book << QByteArray("ID_ENCODING_WINDOWS_1252")
                                  << QStringList{"Café", "Naïve"} << "€ 5\n";
}

void EncodingMenuTest::chosenCodePageRereadsTheBook() {
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, entry);
    QFETCH(QStringList, names);
    QFETCH(QString, body);
    CShellFixture fixture;
    const QString path = fixture.Write(QStringLiteral("book.txt"), bytes);
    auto app = fixture.Start(CShellFixture::WithBook(path));
    CBookDlg& view = *app->GetActiveView();
    QTRY_COMPARE(view.ItemList()->GetCount(), 2);
    QVERIFY(Names(view) != names); // read as CP949 at first
    view.ItemList()->SetCurSel(1);
    view.ShowSelectedItem();

    Choose(*app->GetMainWnd(), entry.constData());
    QCOMPARE(Names(view), names);
    QCOMPARE(view.ItemList()->GetCurSel(), 1);
    QCOMPARE(Body(view), body);
    QCOMPARE(app->GetMainWnd()->RecentBooks().front().codePage, view.CodePage());

    // Items that are no longer the same items start from the top.
    fixture.Write(QStringLiteral("book.txt"), bytes + "Three///3\n");
    Choose(*app->GetMainWnd(), "ID_ENCODING_AUTO");
    QCOMPARE(view.ItemList()->GetCount(), 3);
    QCOMPARE(view.ItemList()->GetCurSel(), 0);
    QCOMPARE(fixture.messages, QStringList());
}

void EncodingMenuTest::failedRereadKeepsBookAndCodePage() {
    CShellFixture fixture;
    const QString path = fixture.Write(QStringLiteral("book.txt"), kEucJpBook);
    SCommandLine command = CShellFixture::WithBook(path, "EUC-JP");
    auto app = fixture.Start(command);
    CBookDlg& view = *app->GetActiveView();
    QTRY_COMPARE(view.ItemList()->GetCount(), 2);
    QFile::remove(path);

    Choose(*app->GetMainWnd(), "ID_ENCODING_CP949");
    QCOMPARE(fixture.messages, (QStringList{"파일이 없습니다", "파일을 열수 없습니다"}));
    QCOMPARE(Names(view), (QStringList{"日本語", "辞書"}));
    QCOMPARE(view.Book().Path(), QFile::encodeName(path).toStdString());
    QCOMPARE(view.CodePage(), std::string("EUC-JP"));
    QCOMPARE(Checked(*app->GetMainWnd()), QStringLiteral("EUC-JP"));
}

void EncodingMenuTest::codePageIsRememberedWithTheBook_data() {
    QTest::addColumn<QByteArray>("stored"); // the state file's value, after the first run
    QTest::addColumn<QString>("given");     // on the command line of the second run
    QTest::addColumn<QString>("checked");
    QTest::newRow("as it was") << QByteArray() << ""
                               << "EUC-JP";
    QTest::newRow("command line wins") << QByteArray() << "Big5"
                                       << "Big5";
    QTest::newRow("unknown name ignored") << QByteArray("NO-SUCH-PAGE") << ""
                                          << "자동";
    QTest::newRow("refused name ignored") << QByteArray("UTF-16") << ""
                                          << "자동";
    QTest::newRow("damaged value ignored") << QByteArray("@Invalid(") << ""
                                           << "자동";
}

void EncodingMenuTest::codePageIsRememberedWithTheBook() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, given);
    QFETCH(QString, checked);
    CShellFixture fixture;
    const QString path = fixture.Write(QStringLiteral("jp.txt"), kEucJpBook);
    const std::string other = QFile::encodeName(fixture.WriteBook()).toStdString();
    {
        auto app = fixture.Start(CShellFixture::WithBook(path));
        CBookDlg& view = *app->GetActiveView();
        QTRY_COMPARE(view.ItemList()->GetCount(), 2);
        Choose(*app->GetMainWnd(), "ID_ENCODING_EUC_JP");
        // Another book chosen keeps the menu's code page, until 자동 reads it right.
        view.ChooseBook(other);
        QTRY_COMPARE(view.Book().Path(), other);
        QCOMPARE(view.CodePage(), std::string("EUC-JP"));
        Choose(*app->GetMainWnd(), "ID_ENCODING_AUTO");
        // The recent entry reopens its book in its own code page, and the menu follows.
        app->GetMainWnd()->findChild<QMenu*>("RecentMenu")->actions().at(1)->trigger();
        QTRY_COMPARE(Names(view), (QStringList{"日本語", "辞書"}));
        QCOMPARE(Checked(*app->GetMainWnd()), QStringLiteral("EUC-JP"));
        Close(*app);
    }
    if (!stored.isEmpty())
        QVERIFY(fixture.EditStateFile("1\\codePage=EUC-JP", "1\\codePage=" + stored));

    SCommandLine command;
    command.codePage = given.toStdString();
    auto app = fixture.Start(command);
    CBookDlg& view = *app->GetActiveView();
    QTRY_COMPARE(view.Book().Path(), QFile::encodeName(path).toStdString());
    QCOMPARE(Checked(*app->GetMainWnd()), checked);
    QCOMPARE(Names(view) == (QStringList{"日本語", "辞書"}), checked == "EUC-JP");
    QCOMPARE(fixture.messages, QStringList());
}

QTEST_MAIN(EncodingMenuTest)
#include "EncodingMenuTest.moc"
