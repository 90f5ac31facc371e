#include "FileDialog.h"
#include "TestSeams.h"
#include "WaitCursor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class ServicesTest : public QObject {
    Q_OBJECT

private slots:
    void fileDialogFillsPathNameAndExt_data();
    void fileDialogFillsPathNameAndExt();
    void waitCursorNestsAndEndsOnDestruction();
};

void ServicesTest::fileDialogFillsPathNameAndExt_data() {
    QTest::addColumn<QString>("chosen"); // in a scratch folder holding "existing"; "-" cancels
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext");

    QTest::newRow("text book") << "book.txt"
                               << "book.txt"
                               << "txt";
    QTest::newRow("capitals kept") << "BOOK.CVD"
                                   << "BOOK.CVD"
                                   << "CVD";
    QTest::newRow("last dot counts") << "a.b.log"
                                     << "a.b.log"
                                     << "log";
    QTest::newRow("existing name without ext") << "existing"
                                               << "existing"
                                               << "";
    QTest::newRow("new name gets default ext") << "typed"
                                               << "typed.txt"
                                               << "txt";
    QTest::newRow("cancel") << "-"
                            << ""
                            << "";
}

void ServicesTest::fileDialogFillsPathNameAndExt() {
    QFETCH(QString, chosen);
    QFETCH(QString, name);
    QFETCH(QString, ext);
    QTemporaryDir folder;
    QFile existing(folder.filePath("existing"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    CSeamGuard seam(FileDialogSeam(), [&]() -> std::optional<QString> {
        if (chosen == "-")
            return std::nullopt;
        return folder.filePath(chosen);
    });
    CFileDialog dialog(true, "txt", "Untitled.txt", OFN_FILEMUSTEXIST | OFN_SHOWHELP,
                       "텍스트 파일(*.txt)|*.txt|CVD 파일(*.cvd)|*.cvd|모든 파일(*.*)|*.*||");
    QCOMPARE(dialog.DoModal(), chosen == "-" ? kIdCancel : kIdOk);
    QCOMPARE(dialog.GetFileName(), name);
    QCOMPARE(dialog.GetFileExt(), ext);
    QCOMPARE(dialog.GetPathName(), name.isEmpty() ? QString() : folder.filePath(name));

    QCOMPARE(CFileDialog::NameFilters("텍스트 파일(*.txt)|*.txt|Books|*.txt;*.cvd||"),
             QStringList({"텍스트 파일(*.txt) (*.txt)", "Books (*.txt *.cvd)"}));
}

void ServicesTest::waitCursorNestsAndEndsOnDestruction() {
    {
        CWaitCursor outer;
        outer.Begin();
        outer.Begin(); // no second layer
        {
            CWaitCursor inner;
            inner.Begin();
        }
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        outer.End();
        outer.End();
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        outer.Begin(); // left begun: the destructor ends it
    }
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(ServicesTest)
#include "ServicesTest.moc"
