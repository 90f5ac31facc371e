#include "ShellFixture.h"

#include "AboutDlg.h"
#include "Edit.h"
#include "SearchDlg.h"
#include "SetupAuto.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <optional>

// The window as desktop users meet it: a name for every control that a screen reader can say,
// the whole window from the keyboard, the desktop's palette (dark included) and scale factor.
class DesktopTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlHasAName_data();
    void everyControlHasAName();
    void windowWorksFromTheKeyboard();
    void menusOpenFromTheKeyboard_data();
    void menusOpenFromTheKeyboard();
    void windowFollowsThePalette();
    void windowFollowsTheScaleFactor();
};

namespace {

QString AccessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name) : QString();
}

// The widgets a user works with or looks at: every button, everything that takes the focus
// and every picture. Texts are read as they stand.
QList<QWidget*> Controls(QWidget* top) {
    QList<QWidget*> controls;
    for (QWidget* widget : top->findChildren<QWidget*>()) {
        auto* label = qobject_cast<QLabel*>(widget);
        if (qobject_cast<QAbstractButton*>(widget) || (label && !label->pixmap().isNull()) ||
            (widget->objectName().startsWith("IDC_") && widget->focusPolicy() != Qt::NoFocus))
            controls << widget;
    }
    return controls;
}

// Presses keys in whatever menu is open, one per look, and notes the title of the menu each
// key went to with its current item ("파일: 열기"). A menu runs its own event loop, so the walk
// runs on a timer inside it.
class CMenuWalk : public QObject {
public:
    explicit CMenuWalk(QList<QKeyCombination> keys) : m_keys(std::move(keys)) {
        connect(&m_timer, &QTimer::timeout, this, &CMenuWalk::Step);
        m_timer.start(20);
    }
    // The last key, Escape, has been pressed and no menu is open any more.
    bool Done() const { return m_bEscaped && !QApplication::activePopupWidget(); }

    QStringList titles;

private:
    void Step() {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        titles << menu->title() + QStringLiteral(": ") +
                      (menu->activeAction() ? menu->activeAction()->text() : QString());
        m_bEscaped = m_keys.isEmpty();
        const QKeyCombination key =
            m_bEscaped ? QKeyCombination(Qt::Key_Escape) : m_keys.takeFirst();
        QTest::keyClick(menu, key.key(), key.keyboardModifiers());
    }

    QList<QKeyCombination> m_keys;
    QTimer m_timer;
    bool m_bEscaped = false;
};

// A dark palette as a desktop's dark theme gives it.
QPalette DarkPalette() {
    QPalette palette;
    const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe8, 0xe8, 0xe8);
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::Button, window);
        palette.setColor(group, QPalette::Base, base);
        palette.setColor(group, QPalette::AlternateBase, window);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::ButtonText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Light, window.lighter(150));
        palette.setColor(group, QPalette::Midlight, window.lighter(120));
        palette.setColor(group, QPalette::Mid, window.darker(120));
        palette.setColor(group, QPalette::Dark, window.darker(150));
        palette.setColor(group, QPalette::Shadow, Qt::black);
    }
    return palette;
}

// Relative luminance, as contrast ratios are defined on it.
double Luminance(QColor color) {
    auto channel = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double Contrast(QColor a, QColor b) {
    const double first = Luminance(a), second = Luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

double MeanLuminance(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += Luminance(image.pixelColor(x, y));
    }
    return sum / (image.width() * image.height());
}

// The share of the picture's visible pixels that stand out from background by the 3:1 that
// a graphic needs to be made out.
double ShareStandingOut(const QImage& picture, QColor background) {
    int visible = 0, standing = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            if (pixel.alphaF() < 0.5)
                continue;
            ++visible;
            standing += Contrast(pixel, background) >= 3.0;
        }
    }
    return visible == 0 ? 0 : double(standing) / visible;
}

// Keeps a grab for a person to look at when TOMLET_DESKTOP_SHOTS names a folder.
void KeepShot(const QImage& image, const QString& name) {
    const QString folder = qEnvironmentVariable("TOMLET_DESKTOP_SHOTS");
    if (!folder.isEmpty())
        image.save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace

void DesktopTest::everyControlHasAName_data() {
    QTest::addColumn<int>("dialog");
    QTest::addColumn<QStringList>("names"); // "objectName=accessible name" of some controls
    QTest::newRow("reader window")
        << 0 << QStringList{"IDC_TITLE=제목", "IDC_BODY=본문", "IDC_ITEM_LIST=항목 목록"};
    QTest::newRow("search dialog")
        << 1 << QStringList{"IDC_TERM=검색어", "IDOK=OK", "IDCANCEL=Cancel"};
    QTest::newRow("settings page")
        << 2
        << QStringList{"IDC_PERIOD=주기(ms)", "IDC_PERIOD_DOWN=주기(ms) <",
                       "IDC_PERIOD_UP=주기(ms) >", "IDC_SEQUENTIAL=순차적으로 바꿈"};
    QTest::newRow("About box") << 3 << QStringList{};
}

// Names come from a control's caption, the label in front of it, or what it holds; a control
// without one is read out as nothing at all.
void DesktopTest::everyControlHasAName() {
    QFETCH(int, dialog);
    QFETCH(QStringList, names);
    CShellFixture fixture;
    std::unique_ptr<CTomletApp> app;
    std::unique_ptr<QWidget> host;
    if (dialog == 0)
        app = fixture.Start();
    else if (dialog == 1)
        host = std::make_unique<CSearchDlg>(QString());
    else if (dialog == 2)
        host = std::make_unique<CSetupAuto>();
    else
        host = std::make_unique<CAboutDlg>();
    QWidget* top = app ? app->GetMainWnd() : host.get();
    const QList<QWidget*> controls = Controls(top);
    QVERIFY(!controls.isEmpty());
    for (QWidget* control : controls) {
        if (!control->isVisibleTo(top) && dialog == 0)
            continue; // the bar's hidden extension button
        QVERIFY2(!AccessibleName(control).isEmpty(),
                 qPrintable(control->objectName() + QLatin1Char(' ') +
                            control->metaObject()->className()));
    }
    for (const QString& pair : names) {
        const QString object = pair.section(QLatin1Char('='), 0, 0);
        auto* control = top->findChild<QWidget*>(object);
        QVERIFY2(control, qPrintable(object));
        QCOMPARE(AccessibleName(control), pair.section(QLatin1Char('='), 1));
    }
    // A toolbar button is named after its command, though it shows only a picture.
    if (dialog == 0) {
        CMainFrame* frame = app->GetMainWnd();
        auto* open = frame->findChild<QToolBar*>()->widgetForAction(
            frame->findChild<QAction*>("ID_BOOK_OPEN"));
        QCOMPARE(AccessibleName(open), QStringLiteral("열기"));
    }
}

// Tab goes round the form in the template's order; the arrow keys choose items, each shown at
// once as a click would show it.
void DesktopTest::windowWorksFromTheKeyboard() {
    CShellFixture fixture;
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    CBookDlg* view = app->GetActiveView();
    CListBox* list = view->ItemList();
    QTRY_COMPARE(list->GetCount(), 3);

    auto* body = view->findChild<QWidget*>("IDC_BODY");
    body->setFocus();
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, (QStringList{"IDC_BODY", "IDC_TITLE", "IDC_ITEM_LIST", "IDC_BODY"}));

    auto* title = view->findChild<CEdit*>("IDC_TITLE");
    list->setFocus();
    QCOMPARE(list->GetCurSel(), 0);
    const struct {
        Qt::Key key;
        int row;
    } steps[] = {{Qt::Key_Down, 1}, {Qt::Key_End, 2}, {Qt::Key_Up, 1}, {Qt::Key_Home, 0}};
    for (const auto& step : steps) {
        QTest::keyClick(list, step.key);
        QCOMPARE(list->GetCurSel(), step.row);
        QCOMPARE(title->GetText(), list->GetText(step.row));
    }
}

void DesktopTest::menusOpenFromTheKeyboard_data() {
    QTest::addColumn<QKeyCombination>("opening");
    QTest::addColumn<QList<QKeyCombination>>("keys"); // pressed in the open menus
    QTest::addColumn<QStringList>("titles");          // the menu each key went to
    const QList<QKeyCombination> none;
    QTest::newRow("F10") << QKeyCombination(Qt::Key_F10) << none << QStringList{"파일: 열기"};
    QTest::newRow("Alt+F") << QKeyCombination(Qt::AltModifier, Qt::Key_F) << none
                           << QStringList{"파일: 열기"};
    QTest::newRow("Alt+H") << QKeyCombination(Qt::AltModifier, Qt::Key_H) << none
                           << QStringList{"도움말: About Tomlet..."};
    // Without a book the find commands are off: the menu shows none current.
    QTest::newRow("left and right, round")
        << QKeyCombination(Qt::Key_F10)
        << QList<QKeyCombination>{Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right,
                                  Qt::Key_Left}
        << QStringList{"파일: 열기", "찾기: ",
                       "보기: 확대", "도움말: About Tomlet...",
                       "파일: 열기", "도움말: About Tomlet..."};
}

// The menus open without a pointer and without changing their Korean titles; Escape closes.
void DesktopTest::menusOpenFromTheKeyboard() {
    QFETCH(QKeyCombination, opening);
    QFETCH(QList<QKeyCombination>, keys);
    QFETCH(QStringList, titles);
    CShellFixture fixture;
    auto app = fixture.Start();
    CMainFrame* frame = app->GetMainWnd();
    frame->GetActiveView()->findChild<QWidget*>("IDC_TITLE")->setFocus();

    CMenuWalk walk(keys);
    QTest::keyClick(QApplication::focusWidget(), opening.key(), opening.keyboardModifiers());
    QTRY_VERIFY(walk.Done());
    QCOMPARE(walk.titles, titles);
    QCOMPARE(frame->menuBar()->actions().first()->text(), QStringLiteral("파일"));
}

// Nothing of the window keeps colours of its own: under a dark palette it is dark, its
// pictures still stand out, and it turns light again when the desktop does.
void DesktopTest::windowFollowsThePalette() {
    const QPalette light = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    CShellFixture fixture;
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    CMainFrame* frame = app->GetMainWnd();
    QTRY_COMPARE(app->GetActiveView()->ItemList()->GetCount(), 3);

    const QColor window = DarkPalette().color(QPalette::Window);
    for (QWidget* widget : frame->findChildren<QWidget*>()) {
        QCOMPARE(widget->palette().color(QPalette::Window), window);
        QCOMPARE(widget->palette().color(QPalette::Base), DarkPalette().color(QPalette::Base));
    }
    const QImage dark = frame->grab().toImage();
    KeepShot(dark, QStringLiteral("window-dark"));
    QVERIFY2(MeanLuminance(dark) < 0.1, qPrintable(QString::number(MeanLuminance(dark))));

    QToolBar& bar = *frame->findChild<QToolBar*>();
    for (QAction* action : bar.actions()) {
        if (action->icon().isNull())
            continue;
        const QImage icon = action->icon().pixmap(bar.iconSize()).toImage();
        const double share = ShareStandingOut(icon, window);
        QVERIFY2(share >= 0.25, qPrintable(action->objectName() + ": " + QString::number(share)));
    }

    QApplication::setPalette(light);
    QTRY_VERIFY(MeanLuminance(frame->grab().toImage()) > 0.5);
    KeepShot(frame->grab().toImage(), QStringLiteral("window-light"));
}

// Under the desktop's scale factor (QT_SCALE_FACTOR here) the window and its pictures are
// drawn at the screen's own resolution, not enlarged from small bitmaps.
void DesktopTest::windowFollowsTheScaleFactor() {
    bool given = false;
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&given);
    const double expected = given ? scale : 1.0;
    CShellFixture fixture;
    auto app = fixture.Start();
    CMainFrame* frame = app->GetMainWnd();
    QCOMPARE(frame->devicePixelRatioF(), expected);
    const QPixmap grab = frame->grab();
    QCOMPARE(grab.size(), (frame->size() * expected));
    KeepShot(grab.toImage(), QStringLiteral("window-x%1").arg(expected));

    std::optional<QSize> picture;
    CSeamGuard guard(ModalDialogSeam(), [&](QDialog* dialog) {
        for (auto* label : dialog->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull())
                picture = label->pixmap().size();
        }
        dialog->accept();
    });
    frame->OnAppAbout();
    QVERIFY(picture);
    QCOMPARE(*picture, QSize(32, 32) * expected);
}

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
