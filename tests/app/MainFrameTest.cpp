#include "ShellFixture.h"

#include "ListBox.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>

#include <cstdlib>

// The menus, the toolbar and the keys as a user meets them: what they hold, which items enable
// together, the About box, and which keys the window leaves to the edits.
class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void menusAndToolBarHoldTheCommands();
    void menuItemAndButtonEnableTogether_data();
    void menuItemAndButtonEnableTogether();
    void aboutOpensCentredAndKeepsTheView();
    void documentKeysLoadNoBook_data();
    void documentKeysLoadNoBook();
    void editKeysStayWithTheEdits();
    void findKeysNeedABookAndReachTheView();
};

namespace {

QMenu* Menu(CMainFrame& frame, const char* name) {
    return frame.findChild<QMenu*>(name);
}

// The menu's entries as the user reads them; "-" for a separator.
QStringList Entries(const QMenu* menu) {
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return entries;
}

QAction* Command(CMainFrame& frame, const char* id) {
    return frame.findChild<QAction*>(id);
}

QToolButton* ToolButton(CMainFrame& frame, const char* id) {
    return qobject_cast<QToolButton*>(
        frame.findChild<QToolBar*>()->widgetForAction(Command(frame, id)));
}

// Whether the picture has a visible pixel: a missing file or image plugin draws nothing.
bool Draws(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0)
                return true;
        }
    }
    return false;
}

} // namespace

void MainFrameTest::menusAndToolBarHoldTheCommands() {
    CShellFixture fixture;
    auto app = fixture.Start();
    CMainFrame& frame = *app->GetMainWnd();

    QStringList titles;
    for (const QAction* action : frame.menuBar()->actions())
        titles << action->text();
    QCOMPARE(titles, (QStringList{"파일", "찾기", "보기", "도움말"}));
    QCOMPARE(Entries(Menu(frame, "FileMenu")),
             (QStringList{"열기", "-", "자동보기 시작", "자동보기 멈춤", "-", "검색", "-",
                          "환경 설정", "-", "종료", "-", "최근 파일"}));
    QCOMPARE(Entries(Menu(frame, "FindMenu")),
             (QStringList{"본문 검색", "다음 찾기", "이전 찾기"}));
    QCOMPARE(Entries(Menu(frame, "ViewMenu")),
             (QStringList{"확대", "축소", "원래 크기", "-", "인코딩"}));
    QCOMPARE(Entries(Menu(frame, "HelpMenu")), QStringList{"About Tomlet..."});

    QStringList buttons;
    for (QAction* action : frame.findChild<QToolBar*>()->actions()) {
        buttons << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
        if (!action->isSeparator())
            QVERIFY2(Draws(action->icon().pixmap(16, 16)), qPrintable(action->objectName()));
    }
    QCOMPARE(buttons, (QStringList{"ID_BOOK_OPEN", "ID_AUTO_START", "ID_AUTO_STOP", "-",
                                   "ID_SEARCH", "ID_SETUP", "-", "ID_APP_ABOUT"}));
    QCOMPARE(Command(frame, "ID_APP_ABOUT")->toolTip(), QStringLiteral("About"));
    QCOMPARE(Command(frame, "ID_SEARCH")->toolTip(), QStringLiteral("검색"));
    QVERIFY(Draws(frame.windowIcon().pixmap(32, 32)));
}

void MainFrameTest::menuItemAndButtonEnableTogether_data() {
    QTest::addColumn<bool>("fromMenu");
    QTest::newRow("started from the toolbar") << false;
    QTest::newRow("started from the menu") << true;
}

void MainFrameTest::menuItemAndButtonEnableTogether() {
    QFETCH(bool, fromMenu);
    CShellFixture fixture;
    fixture.WriteSettings(60000);
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    CMainFrame& frame = *app->GetMainWnd();
    QTRY_COMPARE(app->GetActiveView()->ItemList()->GetCount(), 3);
    QMenu* fileMenu = Menu(frame, "FileMenu");
    auto item = [&](const char* id) {
        QMenu* menu = QByteArray(id) == "ID_APP_ABOUT" ? Menu(frame, "HelpMenu") : fileMenu;
        for (QAction* action : menu->actions()) {
            if (action->objectName() == QLatin1String(id))
                return action;
        }
        return static_cast<QAction*>(nullptr);
    };
    // "1" enabled, "0" disabled, as the menu item and the toolbar button show it.
    auto states = [&] {
        fileMenu->popup(QPoint()); // the states are refreshed as a menu opens
        fileMenu->hide();
        QString shown;
        for (const char* id : {"ID_BOOK_OPEN", "ID_AUTO_START", "ID_AUTO_STOP", "ID_APP_ABOUT"}) {
            shown += QStringLiteral("%1%2 ")
                         .arg(int(item(id)->isEnabled()))
                         .arg(int(ToolButton(frame, id)->isEnabled()));
        }
        return shown.trimmed();
    };
    QCOMPARE(states(), QStringLiteral("11 11 00 11"));

    if (fromMenu)
        item("ID_AUTO_START")->trigger();
    else
        QTest::mouseClick(ToolButton(frame, "ID_AUTO_START"), Qt::LeftButton);
    QVERIFY(app->GetActiveView()->IsAutoRunning());
    QCOMPARE(states(), QStringLiteral("11 00 11 11"));

    QTest::mouseClick(ToolButton(frame, "ID_AUTO_STOP"), Qt::LeftButton);
    QVERIFY(!app->GetActiveView()->IsAutoRunning());
    QCOMPARE(states(), QStringLiteral("11 11 00 11"));
}

void MainFrameTest::aboutOpensCentredAndKeepsTheView() {
    CShellFixture fixture;
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    CMainFrame& frame = *app->GetMainWnd();
    CListBox* list = app->GetActiveView()->ItemList();
    QTRY_COMPARE(list->GetCount(), 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    auto* body = app->GetActiveView()->findChild<QPlainTextEdit*>("IDC_BODY");
    const QString shown = body->toPlainText();
    frame.move(frame.pos() + QPoint(150, 90)); // centred over the frame, not the screen

    QString caption;
    QPoint offCentre;
    bool picture = false;
    CSeamGuard<ModalDialogHandler> seam(ModalDialogSeam(), [&](QDialog* dialog) {
        caption = dialog->windowTitle();
        offCentre = dialog->frameGeometry().center() - frame.frameGeometry().center();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            picture = picture || Draws(label->pixmap());
        QTest::mouseClick(dialog->findChild<QPushButton*>("IDOK"), Qt::LeftButton);
    });
    QTest::mouseClick(ToolButton(frame, "ID_APP_ABOUT"), Qt::LeftButton);

    QCOMPARE(caption, QStringLiteral("About Tomlet"));
    // The dialog's window frame is known only once it shows: a pixel or two may go astray.
    QVERIFY2(std::abs(offCentre.x()) <= 2 && std::abs(offCentre.y()) <= 2,
             qPrintable(QStringLiteral("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
    QVERIFY(picture);
    QVERIFY(!frame.findChild<QDialog*>()); // a local of the command, gone with it
    QCOMPARE(list->GetCurSel(), 1);
    QCOMPARE(body->toPlainText(), shown);
}

void MainFrameTest::documentKeysLoadNoBook_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Ctrl+N") << int(Qt::Key_N);
    QTest::newRow("Ctrl+O") << int(Qt::Key_O);
    QTest::newRow("Ctrl+S") << int(Qt::Key_S);
}

void MainFrameTest::documentKeysLoadNoBook() {
    QFETCH(int, key);
    CShellFixture fixture;
    auto app = fixture.Start();
    bool asked = false;
    CSeamGuard<FileDialogHandler> files(FileDialogSeam(), [&]() -> std::optional<QString> {
        asked = true;
        return fixture.WriteBook();
    });
    CSeamGuard<ModalDialogHandler> dialogs(ModalDialogSeam(), [&](QDialog* dialog) {
        asked = true;
        dialog->reject();
    });
    auto* title = app->GetActiveView()->findChild<QPlainTextEdit*>("IDC_TITLE");
    title->setFocus();
    QTest::keyClicks(title, "typed");

    QTest::keyClick(title, static_cast<Qt::Key>(key), Qt::ControlModifier);
    QTest::qWait(20);

    QVERIFY(!asked);
    QVERIFY(app->GetActiveView()->Path().empty());
    QCOMPARE(app->GetActiveView()->ItemList()->GetCount(), 0);
    QCOMPARE(title->toPlainText(), QStringLiteral("typed")); // nothing pushed over it
    QVERIFY(fixture.messages.isEmpty());
}

void MainFrameTest::editKeysStayWithTheEdits() {
    CShellFixture fixture;
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    QTRY_COMPARE(app->GetActiveView()->ItemList()->GetCount(), 3);
    for (const QAction* action : app->GetMainWnd()->findChildren<QAction*>()) {
        for (auto key :
             {QKeySequence::Undo, QKeySequence::Cut, QKeySequence::Copy, QKeySequence::Paste})
            QVERIFY2(!QKeySequence::keyBindings(key).contains(action->shortcut()),
                     qPrintable(action->objectName()));
    }
    auto* body = app->GetActiveView()->findChild<QPlainTextEdit*>("IDC_BODY");
    auto* title = app->GetActiveView()->findChild<QPlainTextEdit*>("IDC_TITLE");
    const QString bodyText = body->toPlainText();
    QVERIFY(bodyText.startsWith(QStringLiteral("first line")));
    QApplication::clipboard()->clear();

    body->setFocus();
    body->selectAll();
    QTest::keyClick(body, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), bodyText);

    title->setFocus();
    title->moveCursor(QTextCursor::End);
    QTest::keyClick(title, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(title->toPlainText(), QStringLiteral("제1장") + bodyText);
    QTest::keyClick(title, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(title->toPlainText(), QStringLiteral("제1장"));
}

void MainFrameTest::findKeysNeedABookAndReachTheView() {
    CShellFixture fixture;
    auto app = fixture.Start();
    CMainFrame& frame = *app->GetMainWnd();
    const char* ids[] = {"ID_FIND_TEXT", "ID_FIND_NEXT", "ID_FIND_PREVIOUS"};
    for (const char* id : ids)
        QVERIFY2(!Command(frame, id)->isEnabled(), id);

    app->GetActiveView()->ChooseBook(fixture.WriteBook().toStdString());
    CListBox* list = app->GetActiveView()->ItemList();
    QTRY_COMPARE(list->GetCount(), 3);
    for (const char* id : ids)
        QVERIFY2(Command(frame, id)->isEnabled(), id);
    QString asked;
    CSeamGuard<ModalDialogHandler> seam(ModalDialogSeam(), [&](QDialog* dialog) {
        asked = dialog->windowTitle();
        QTest::keyClicks(dialog->findChild<QLineEdit*>(), "e");
        dialog->accept();
    });
    list->setFocus();
    // Every item holds "e": Ctrl+F asks, F3 and Shift+F3 look again without asking.
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QString asked;
        int row;
    } steps[] = {{Qt::Key_F, Qt::ControlModifier, QStringLiteral("본문 검색"), 1},
                 {Qt::Key_F3, Qt::NoModifier, QString(), 2},
                 {Qt::Key_F3, Qt::ShiftModifier, QString(), 1}};
    QCOMPARE(list->GetCurSel(), 0);
    for (const auto& step : steps) {
        asked.clear();
        frame.activateWindow(); // back from the dialog
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QTest::keyClick(list, step.key, step.modifiers);
        QCOMPARE(asked, step.asked);
        QCOMPARE(list->GetCurSel(), step.row);
    }
    QCOMPARE(app->GetActiveView()->FindTerm(), QStringLiteral("e"));
}

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
