#include "ShellFixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>

#include <algorithm>
#include <future>
#include <utility>

// Start-up as main() runs it: the settings message before the window, the window's size, the
// book named on the command line, and the ways the program ends.
class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void settingsAreReadBeforeTheWindowShows_data();
    void settingsAreReadBeforeTheWindowShows();
    void windowOpensAtADesktopSizeAndRemembersIt();
    void windowTitleNamesTheBook();
    void commandLineBookIsListedAtFirstDrawing_data();
    void commandLineBookIsListedAtFirstDrawing();
    void largeBookShowsItsFirstItemsUntilItsIndexIsWhole_data();
    void largeBookShowsItsFirstItemsUntilItsIndexIsWhole();
    void exitClosesWithoutQuestion_data();
    void exitClosesWithoutQuestion();
    void qtButtonsSpeakKorean();
};

void StartupTest::settingsAreReadBeforeTheWindowShows_data() {
    QTest::addColumn<bool>("hasFile");
    QTest::addColumn<int>("period");
    QTest::newRow("no settings file") << false << 1000;
    QTest::newRow("settings file") << true << 2500;
}

void StartupTest::settingsAreReadBeforeTheWindowShows() {
    QFETCH(bool, hasFile);
    QFETCH(int, period);
    CShellFixture fixture;
    hasFile ? fixture.WriteSettings(2500) : fixture.RemoveSettings();
    QStringList seenWhileHidden;
    CSeamGuard<MessageBoxHandler> seam(MessageBoxSeam(), [&](const QString& text) {
        fixture.messages << text;
        const QWidgetList windows = QApplication::topLevelWidgets();
        if (std::none_of(windows.begin(), windows.end(), [](QWidget* w) { return w->isVisible(); }))
            seenWhileHidden << text;
    });

    auto app = fixture.Start();

    QVERIFY(app->GetMainWnd()->isVisible());
    QCOMPARE(app->GetActiveView()->Period(), period);
    QCOMPARE(fixture.messages.size(), hasFile ? 0 : 1);
    QCOMPARE(seenWhileHidden, fixture.messages);
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Tomlet"));
    QCOMPARE(app->GetMainWnd()->windowTitle(), QStringLiteral("Tomlet"));
}

// The first window is a desktop size within the screen; the list and the body grow with it;
// its size and the splitter come back at the next start.
void StartupTest::windowOpensAtADesktopSizeAndRemembersIt() {
    CShellFixture fixture;
    QSettings(QSettings::IniFormat, QSettings::UserScope, "tomlet", "window").clear();
    auto app = fixture.Start();
    CMainFrame* frame = app->GetMainWnd();
    CBookDlg& view = *app->GetActiveView();
    QCOMPARE(frame->size(), QSize(560, 720).boundedTo(frame->screen()->availableGeometry().size()));
    QVERIFY(frame->menuBar()->geometry().bottom() < view.geometry().top());
    auto* body = view.findChild<QWidget*>("IDC_BODY");
    auto* list = view.findChild<QWidget*>("IDC_ITEM_LIST");
    const int shared = body->height() + list->height();
    QVERIFY(list->height() > 100);

    frame->resize(frame->size() - QSize(100, 100));
    QTRY_COMPARE(body->height() + list->height(), shared - 100);
    view.findChild<QSplitter*>()->setSizes({shared - 100 - 150, 150});
    const QSize size = frame->size();
    frame->close();
    QTRY_VERIFY(!app->GetMainWnd());

    auto again = fixture.Start();
    QCOMPARE(again->GetMainWnd()->size(), size);
    QTRY_COMPARE(again->GetActiveView()->findChild<QWidget*>("IDC_BODY")->height(), 150);
}

void StartupTest::windowTitleNamesTheBook() {
    CShellFixture fixture;
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    QCOMPARE(app->GetMainWnd()->windowTitle(), QStringLiteral("book.txt — Tomlet"));
}

void StartupTest::commandLineBookIsListedAtFirstDrawing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("codePage");
    QTest::addColumn<QString>("earlyCodePage");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("messages");
    const QByteArray cp949("\xc1\xa6"
                           "1\xc0\xe5///a\r\nTwo///b\r\n");
    const QByteArray latin1("Caf\xe9///a\nNa\xefve///b\n");
    const QStringList missing{"파일이 없습니다", "파일을 열수 없습니다"};
    // earlyCodePage: "main" for the build main() starts before the window, "-" for none, else
    // the code page of a build started otherwise. One in another code page is not taken: the
    // view reads the book itself.
    for (const QString& early : {QStringLiteral("-"), QStringLiteral("main")}) {
        const QString how = early == "main" ? QStringLiteral(", read early") : QString();
        QTest::newRow(qPrintable("CP949 book" + how))
            << cp949 << "" << early << QStringList{"제1장", "Two"} << QStringList{};
        QTest::newRow(qPrintable("code page from the command line" + how))
            << latin1 << "ISO-8859-1" << early << QStringList{"Café", "Naïve"} << QStringList{};
        QTest::newRow(qPrintable("missing book is reported" + how))
            << QByteArray() << "" << early << QStringList{} << missing;
    }
    QTest::newRow("early build in another code page")
        << cp949 << ""
        << "ISO-8859-1" << QStringList{"제1장", "Two"} << QStringList{};
    // The list is the early build's, of the book as it was; the item is read from the file.
    QTest::newRow("early build of a book removed since")
        << cp949 << ""
        << "removed" << QStringList{"제1장", "Two"} << QStringList{"파일을 열수 없습니다"};
}

void StartupTest::commandLineBookIsListedAtFirstDrawing() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, codePage);
    QFETCH(QString, earlyCodePage);
    QFETCH(QStringList, names);
    QFETCH(QStringList, messages);
    CShellFixture fixture;
    const QString path = fixture.Write("book.txt", bytes);
    if (bytes.isEmpty())
        QFile::remove(path);
    const SCommandLine command = CShellFixture::WithBook(path, codePage.toStdString());
    std::unique_ptr<CBackgroundOpen> early;
    if (earlyCodePage == "main")
        early = CTomletApp::ReadBookEarly(command);
    else if (earlyCodePage != "-")
        early = std::make_unique<CBackgroundOpen>(
            QFile::encodeName(path).toStdString(), EFileKind::MarkedText,
            earlyCodePage == "removed" ? std::string() : earlyCodePage.toStdString());
    if (earlyCodePage == "removed") {
        early->Wait();
        QFile::remove(path);
    }

    CTomletApp app(command, std::move(early));
    QVERIFY(app.InitInstance());
    CListBox* list = app.GetActiveView()->ItemList();
    QCOMPARE(list->GetCount(), 0); // nothing is listed before the view draws
    QVERIFY(QTest::qWaitForWindowExposed(app.GetMainWnd()));
    QTRY_COMPARE(list->GetCount(), names.size());
    QTRY_COMPARE(fixture.messages, messages);

    QStringList listed;
    for (int row = 0; row < list->GetCount(); ++row)
        listed << list->GetText(row);
    QCOMPARE(listed, names);
    QCOMPARE(list->GetCurSel(), names.isEmpty() ? -1 : 0);
    // A book that could not be read leaves the view as it was: without a book.
    QCOMPARE(app.GetActiveView()->Path(),
             names.isEmpty() ? std::string() : QFile::encodeName(path).toStdString());
}

void StartupTest::largeBookShowsItsFirstItemsUntilItsIndexIsWhole_data() {
    QTest::addColumn<QByteArray>("tail"); // after 50,000 items of ASCII
    QTest::addColumn<QString>("then");    // done while the build is held, or as it is let go
    QTest::addColumn<int>("row");         // selected once the index is whole
    QTest::addColumn<QString>("counter");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("keepsPlace"); // the list stays scrolled where the user left it
    QTest::newRow("the list grows under the row chosen")
        << QByteArray() << "choose row 7" << 7 << "    7 / 49999" << QStringList{} << true;
    QTest::newRow("a search waits for the whole index")
        << QByteArray() << "search the last name" << 49999 << "49999 / 49999" << QStringList{}
        << false;
    QTest::newRow("later bytes choose UTF-8: the list is read again")
        << QByteArray("caf\xc3\xa9///x\n") << "choose row 7" << 7 << "    7 / 50000"
        << QStringList{} << false;
    QTest::newRow("a book removed before its index is whole")
        << QByteArray() << "remove the book" << -1 << ""
        << QStringList{"파일이 없습니다", "파일을 열수 없습니다"} << false;
}

// A book whose build, started before the window, has not ended when the window is drawn: its
// first items are listed and the first shown at once, and the whole index follows.
void StartupTest::largeBookShowsItsFirstItemsUntilItsIndexIsWhole() {
    QFETCH(QByteArray, tail);
    QFETCH(QString, then);
    QFETCH(int, row);
    QFETCH(QString, counter);
    QFETCH(QStringList, messages);
    QFETCH(bool, keepsPlace);
    CShellFixture fixture;
    QByteArray bytes;
    for (int i = 0; i < 50000; ++i)
        bytes += QStringLiteral("item %1///body %1\n").arg(i, 5, 10, QChar('0')).toLatin1();
    const QString path = fixture.Write("large.txt", bytes + tail);
    std::promise<void> hold;
    auto early = std::make_unique<CBackgroundOpen>(
        QFile::encodeName(path).toStdString(), EFileKind::MarkedText, std::string(),
        [held = hold.get_future().share()] { held.wait(); });
    CTomletApp app(CShellFixture::WithBook(path), std::move(early));
    struct SLetGo {
        std::promise<void>& hold;
        bool done = false;
        void Now() {
            if (!std::exchange(done, true))
                hold.set_value();
        }
        ~SLetGo() { Now(); }
    } letGo{hold};
    QVERIFY(app.InitInstance());
    CBookDlg& view = *app.GetActiveView();
    CListBox* list = view.ItemList();
    auto* title = view.findChild<QPlainTextEdit*>("IDC_TITLE");
    auto* counterLabel = view.findChild<QLabel*>("IDC_COUNTER");

    QTRY_VERIFY(list->GetCount() > 30000);
    QVERIFY(list->GetCount() < 50000);
    QCOMPARE(list->GetCurSel(), 0);
    QCOMPARE(title->toPlainText(), QStringLiteral("item 00000"));
    QCOMPARE(counterLabel->text(), QString()); // the count is not known yet
    QVERIFY(!view.Book().IsWhole());

    const int place = 1000;
    if (then == "choose row 7") {
        list->SetCurSel(7);
        view.ShowSelectedItem();
        list->verticalScrollBar()->setValue(place);
        letGo.Now();
    } else if (then == "search the last name") {
        letGo.Now();
        view.FindItemName(QStringLiteral("item 49999"));
    } else {
        QFile::remove(path);
        letGo.Now();
    }
    QTRY_VERIFY(view.Book().IsWhole());
    QCOMPARE(counterLabel->text(), counter);
    QCOMPARE(list->GetCurSel(), row);
    QCOMPARE(list->GetCount(), row < 0 ? 0 : 50000 + (tail.isEmpty() ? 0 : 1));
    QCOMPARE(title->toPlainText(), row < 0 ? QString() : list->GetText(row));
    QCOMPARE(fixture.messages, messages);
    QCOMPARE(view.Path(), row < 0 ? std::string() : QFile::encodeName(path).toStdString());
    QCOMPARE(list->verticalScrollBar()->value() == place, keepsPlace);
}

void StartupTest::exitClosesWithoutQuestion_data() {
    QTest::addColumn<bool>("byKeys");
    QTest::addColumn<bool>("autoView");
    QTest::newRow("종료") << false << false;
    QTest::newRow("종료 while auto view runs") << false << true;
    QTest::newRow("Ctrl+Q") << true << false;
}

void StartupTest::exitClosesWithoutQuestion() {
    QFETCH(bool, byKeys);
    QFETCH(bool, autoView);
    CShellFixture fixture;
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    QPointer<CMainFrame> frame = app->GetMainWnd();
    QPointer<CBookDlg> view = app->GetActiveView();
    QTRY_COMPARE(view->ItemList()->GetCount(), 3);
    if (autoView) {
        frame->findChild<QAction*>("ID_AUTO_START")->trigger();
        QVERIFY(view->IsAutoRunning());
    }
    bool asked = false;
    CSeamGuard<ModalDialogHandler> seam(ModalDialogSeam(), [&](QDialog* dialog) {
        asked = true;
        dialog->reject();
    });

    if (byKeys) {
        QTest::keyClick(frame->focusWidget(), Qt::Key_Q, Qt::ControlModifier);
    } else {
        const QList<QAction*> items = frame->findChild<QMenu*>("FileMenu")->actions();
        const auto exit = std::find_if(items.begin(), items.end(),
                                       [](QAction* item) { return item->text() == "종료"; });
        QVERIFY(exit != items.end());
        (*exit)->trigger();
    }

    QTRY_VERIFY(frame.isNull());
    QVERIFY(view.isNull()); // and with it the auto-view timer, its child
    QVERIFY(!app->GetMainWnd());
    QVERIFY(!asked);
    QVERIFY(fixture.messages.isEmpty());
}

void StartupTest::qtButtonsSpeakKorean() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + QStringLiteral("/qtbase_ko.qm")))
        QSKIP("Qt's Korean translation (qt6-translations-l10n) is not installed");
    CShellFixture fixture;
    auto app = fixture.Start();
    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("취소"));
    QCOMPARE(buttons.button(QDialogButtonBox::Ok)->text(), QStringLiteral("확인"));
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
