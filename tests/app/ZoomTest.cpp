#include "ShellFixture.h"

#include <QApplication>
#include <QGlyphRun>
#include <QRawFont>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>

// The text's size and fonts: the zoom keys and Ctrl+wheel over the title, the list and the
// body, its limits, the zoom kept between runs, and Latin text drawn in a Latin font.
class ZoomTest : public QObject {
    Q_OBJECT

private slots:
    void keysAndWheelZoomTheText_data();
    void keysAndWheelZoomTheText();
    void zoomIsKeptBetweenRuns_data();
    void zoomIsKeptBetweenRuns();
    void latinFromALatinFontHangulFromAKoreanOne();
};

namespace {

const char* const kControls[] = {"IDC_TITLE", "IDC_ITEM_LIST", "IDC_BODY"};

// Ctrl+wheel turned by delta (120 a notch) over the widget.
void Wheel(QWidget* widget, int delta) {
    const QPointF at = widget->rect().center();
    QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

// The font the glyphs of text[from, from + length) come from, laid out in font.
QStringList FamiliesOf(const QString& text, int from, int length, const QFont& font) {
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList families;
    for (const QGlyphRun& run : layout.glyphRuns(from, length))
        families << run.rawFont().familyName();
    return families;
}

} // namespace

void ZoomTest::keysAndWheelZoomTheText_data() {
    QTest::addColumn<QString>("over"); // the control the keys and the wheel go to
    // "+", "=", "-", "0": Ctrl and the key; "w60": wheel, "s60" over the scroll bar
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<int>("zoom");
    const QStringList in20(20, QStringLiteral("+"));
    const QStringList out20(20, QStringLiteral("-"));
    QTest::newRow("Ctrl+plus") << "IDC_ITEM_LIST" << QStringList{"+"} << 110;
    QTest::newRow("Ctrl+= twice") << "IDC_TITLE" << QStringList{"=", "="} << 125;
    QTest::newRow("Ctrl+minus") << "IDC_BODY" << QStringList{"-"} << 90;
    QTest::newRow("Ctrl+0 after zooming") << "IDC_BODY" << QStringList{"+", "+", "0"} << 100;
    QTest::newRow("not above 300%") << "IDC_ITEM_LIST" << in20 << 300;
    QTest::newRow("not below 50%") << "IDC_ITEM_LIST" << out20 << 50;
    QTest::newRow("wheel over the title") << "IDC_TITLE" << QStringList{"w120"} << 110;
    QTest::newRow("wheel over the list") << "IDC_ITEM_LIST" << QStringList{"w-240"} << 80;
    QTest::newRow("wheel over the body, in halves")
        << "IDC_BODY" << QStringList{"w60", "w60", "w60"} << 110;
    QTest::newRow("wheel over the list's scroll bar")
        << "IDC_ITEM_LIST" << QStringList{"s120"} << 110;
    QTest::newRow("wheel turned back starts afresh")
        << "IDC_BODY" << QStringList{"w60", "w-120"} << 90;
}

// The three controls change together, whichever has the focus or the pointer.
void ZoomTest::keysAndWheelZoomTheText() {
    QFETCH(QString, over);
    QFETCH(QStringList, input);
    QFETCH(int, zoom);
    CShellFixture fixture;
    auto app = fixture.Start(CShellFixture::WithBook(fixture.WriteBook()));
    CBookDlg& view = *app->GetActiveView();
    QTRY_COMPARE(view.ItemList()->GetCount(), 3);
    auto* target = view.findChild<QAbstractScrollArea*>(over);
    target->setFocus();
    const QHash<QString, Qt::Key> keys{
        {"+", Qt::Key_Plus}, {"=", Qt::Key_Equal}, {"-", Qt::Key_Minus}, {"0", Qt::Key_0}};
    for (const QString& step : input) {
        if (step.startsWith('w'))
            Wheel(target->viewport(), step.mid(1).toInt());
        else if (step.startsWith('s'))
            Wheel(target->verticalScrollBar(), step.mid(1).toInt());
        else
            QTest::keyClick(target, keys.value(step), Qt::ControlModifier);
    }
    QCOMPARE(view.Zoom(), zoom);
    for (const char* name : kControls) {
        QWidget* control = view.findChild<QWidget*>(name);
        const qreal desktop = QApplication::font(control).pointSizeF();
        QVERIFY2(qAbs(control->font().pointSizeF() - desktop * zoom / 100) < 0.01, name);
    }
    QCOMPARE(fixture.messages, QStringList());
}

void ZoomTest::zoomIsKeptBetweenRuns_data() {
    QTest::addColumn<QByteArray>("stored"); // written over the saved value; empty: kept
    QTest::addColumn<int>("zoom");
    QTest::newRow("kept") << QByteArray() << 200;
    QTest::newRow("not a number") << QByteArray("2OO") << 100;
    QTest::newRow("out of range") << QByteArray("5000") << 100;
    QTest::newRow("damaged file") << QByteArray("\xff\xfe\x00@Invalid(", 12) << 100;
}

void ZoomTest::zoomIsKeptBetweenRuns() {
    QFETCH(QByteArray, stored);
    QFETCH(int, zoom);
    CShellFixture fixture;
    {
        auto app = fixture.Start();
        app->GetActiveView()->SetZoom(200);
        app->GetMainWnd()->close();
        QTRY_VERIFY(!app->GetMainWnd());
    }
    if (!stored.isEmpty())
        QVERIFY(fixture.EditStateFile("zoom=200", "zoom=" + stored));
    auto app = fixture.Start();
    QCOMPARE(app->GetActiveView()->Zoom(), zoom);
    QCOMPARE(fixture.messages, QStringList());
}

// Korean fonts draw "\" as the won sign: in every widget, zoomed too, the backslash must come
// from the Latin font and the Hangul from the Korean one, also where the desktop's own font is
// Korean.
void ZoomTest::latinFromALatinFontHangulFromAKoreanOne() {
    const QFont desktop = QApplication::font();
    QApplication::setFont(QFont(QStringLiteral("NanumGothic")));
    CShellFixture fixture;
    auto app = fixture.Start();
    app->GetActiveView()->SetZoom(200);
    QList<QWidget*> widgets = app->GetMainWnd()->findChildren<QWidget*>();
    widgets << app->GetMainWnd();
    const QString text = QStringLiteral("a\\한");
    for (QWidget* widget : widgets) {
        const QString name =
            widget->metaObject()->className() + QStringLiteral(" ") + widget->objectName();
        QVERIFY2(FamiliesOf(text, 0, 2, widget->font()) == QStringList{"DejaVu Sans"},
                 qPrintable(name));
        QVERIFY2(FamiliesOf(text, 2, 1, widget->font()) == QStringList{"NanumGothic"},
                 qPrintable(name));
    }
    QApplication::setFont(desktop);
}

QTEST_MAIN(ZoomTest)
#include "ZoomTest.moc"
