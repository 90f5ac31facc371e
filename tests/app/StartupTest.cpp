#include "ShellFixture.h"

#include "Commands.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QToolButton>

#include <algorithm>

// Start-up as main() runs it: the settings message before the window, the window's size, the
// book named on the command line, and the ways the program ends.
class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void settingsAreReadBeforeTheWindowShows_data();
    void settingsAreReadBeforeTheWindowShows();
    void viewFillsTheClientArea();
    void commandLineBookIsListedAtFirstDrawing_data();
    void commandLineBookIsListedAtFirstDrawing();
    void exitClosesWithoutQuestion_data();
    void exitClosesWithoutQuestion();
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

void StartupTest::viewFillsTheClientArea() {
    CShellFixture fixture;
    auto app = fixture.Start();
    CMainFrame& frame = *app->GetMainWnd();
    CBookDlg& view = *app->GetActiveView();
    auto* body = view.findChild<QWidget*>("IDC_BODY");
    QCOMPARE(view.size(), view.sizeHint()); // the form's own size, nothing cut off
    QVERIFY(frame.CommandBar().geometry().bottom() < view.geometry().top());
    const QSize bodyBefore = body->size();

    frame.resize(frame.size() + QSize(120, 80));
    QTRY_COMPARE(view.size(), view.sizeHint() + QSize(120, 80));
    QCOMPARE(body->size(), bodyBefore + QSize(120, 80));
}

void StartupTest::commandLineBookIsListedAtFirstDrawing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("codePage");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("CP949 book") << QByteArray("\xc1\xa6"
                                              "1\xc0\xe5///a\r\nTwo///b\r\n")
                                << "" << QStringList{"제1장", "Two"} << QStringList{};
    QTest::newRow("code page from the command line")
        << QByteArray("Caf\xe9///a\nNa\xefve///b\n") << "ISO-8859-1" << QStringList{"Café", "Naïve"}
        << QStringList{};
    QTest::newRow("missing book is reported")
        << QByteArray() << "" << QStringList{}
        << QStringList{"파일이 없습니다", "파일을 열수 없습니다"};
}

void StartupTest::commandLineBookIsListedAtFirstDrawing() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, codePage);
    QFETCH(QStringList, names);
    QFETCH(QStringList, messages);
    CShellFixture fixture;
    const QString path = fixture.Write("book.txt", bytes);
    if (bytes.isEmpty())
        QFile::remove(path);

    CTomletApp app(CShellFixture::WithBook(path, codePage.toStdString()));
    QVERIFY(app.InitInstance());
    CListBox* list = app.GetActiveView()->ItemList();
    QCOMPARE(list->GetCount(), 0); // nothing is read before the view draws
    QVERIFY(QTest::qWaitForWindowExposed(app.GetMainWnd()));
    QTRY_COMPARE(list->GetCount(), names.size());
    QTRY_COMPARE(fixture.messages, messages);

    QStringList listed;
    for (int row = 0; row < list->GetCount(); ++row)
        listed << list->GetText(row);
    QCOMPARE(listed, names);
    QCOMPARE(list->GetCurSel(), names.isEmpty() ? -1 : 0);
    QCOMPARE(app.GetActiveView()->Path(), path);
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
        frame->Router().Execute(ID_AUTO_START);
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
        QMenu* file = frame->CommandBar().findChild<QToolButton*>("ID_FILE_MENU_BUTTON")->menu();
        const QList<QAction*> items = file->actions();
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

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
