#include "BookDlg.h"
#include "FileFaults.h"
#include "ListBox.h"
#include "ReaderFixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <memory>

// The reader view while its book changes on disk between the index build and a display, and
// with files chosen as books that can't be read as one. Every case ends in its message or in a
// sound display, never a crash, a read outside the file or a hang.
class BookChangesTest : public QObject {
    Q_OBJECT

public:
    enum EChange {
        Removed,
        Directory,
        Fifo,
        Shortened,
        Emptied,
        Lengthened,
        OtherFormat,
        Unreadable
    };
    Q_ENUM(EChange)

private:
    std::unique_ptr<CReaderFixture> m_pFixture;

    CReaderFixture& Fixture() { return *m_pFixture; }
    QStringList& Messages() { return m_pFixture->m_messages; }

    struct SForm {
        QString title, body, counter;
        bool operator==(const SForm&) const = default;
    };
    static SForm Form(const CBookDlg& view) {
        return {CReaderFixture::Title(view), CReaderFixture::Body(view),
                view.findChild<QLabel*>("IDC_COUNTER")->text()};
    }

    static QString Message(const char* utf8) { return QString::fromUtf8(utf8); }
    static QString FileMissing() { return Message("파일이 없습니다"); }
    static QString CannotOpen() { return Message("파일을 열수 없습니다"); }
    static QString PositionNotFound() { return Message("파일에서 해당 위치를 찾을 수 없습니다"); }

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(Fixture().m_dir.filePath(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        return file.fileName();
    }

    // Items at 8 ("a"), 16 ("b") and 24 ("c"); the file is 34 bytes long.
    static QByteArray TextBook() { return "preface\na///one\nb///two\nc///three\n"; }

    // Records chained as the format chains them: every body but the last ends in the zero
    // byte that starts the next record.
    static QByteArray CvdBook(const QList<std::pair<QByteArray, QByteArray>>& records) {
        auto le32 = [](qsizetype v) {
            QByteArray bytes(4, '\0');
            bytes[0] = static_cast<char>(v);
            bytes[1] = static_cast<char>(v >> 8);
            return bytes;
        };
        QByteArray book(74, 'H');
        for (qsizetype i = 0; i < records.size(); ++i) {
            const auto& [title, body] = records[i];
            QByteArray record = QByteArray("\0\2\0\2", 4) + le32(title.size()) + title +
                                "\x1e\x03" + le32(body.size()) + body;
            if (i + 1 < records.size())
                record.chop(1);
            book += record;
        }
        return book;
    }
    static QByteArray ThreeRecords() {
        return CvdBook({{QByteArray("A\0", 2), QByteArray("one\0", 4)},
                        {QByteArray("B\0", 2), QByteArray("two\0", 4)},
                        {QByteArray("C\0", 2), QByteArray("three!")}});
    }

    // Applies change to the book at path; the returned guard keeps an unreadable book so.
    std::unique_ptr<CRestricted> Change(EChange change, const QString& path, qint64 shortLength) {
        QFile file(path);
        switch (change) {
        case Removed:
            QFile::remove(path);
            break;
        case Directory:
            QFile::remove(path);
            QDir().mkdir(path);
            break;
        case Fifo:
            QFile::remove(path);
            MakeFifo(path);
            break;
        case Shortened:
            file.resize(shortLength);
            break;
        case Emptied:
            file.resize(0);
            break;
        case Lengthened:
            if (file.open(QIODevice::Append))
                file.write("d///four\n");
            break;
        case OtherFormat:
            Write(QFileInfo(path).fileName(), path.endsWith(".cvd") ? TextBook() : ThreeRecords());
            break;
        case Unreadable:
            return std::make_unique<CRestricted>(path);
        }
        return nullptr;
    }

    // Selects row as the user's click would and lets the view show it.
    static void Select(CBookDlg& view, int row) {
        view.ItemList()->SetCurSel(row);
        view.ShowSelectedItem();
    }

private slots:
    void init() {
        m_pFixture = std::make_unique<CReaderFixture>();
        // Other users may pass through the folder: an unreadable book is then denied by its
        // own mode, not by the folder's.
        QFile::setPermissions(Fixture().m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                          QFile::ExeOwner | QFile::ReadGroup |
                                                          QFile::ExeGroup | QFile::ReadOther |
                                                          QFile::ExeOther);
    }
    void cleanup() { m_pFixture.reset(); }

    void textBookChangedBeforeDisplay_data() {
        QTest::addColumn<EChange>("change");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("message");   // empty: none
        QTest::addColumn<QStringList>("shown"); // title, body; empty: the form is unchanged

        QTest::newRow("removed") << Removed << 1 << CannotOpen() << QStringList();
        QTest::newRow("a directory") << Directory << 1 << CannotOpen() << QStringList();
        QTest::newRow("a FIFO") << Fifo << 1 << CannotOpen() << QStringList();
        QTest::newRow("unreadable") << Unreadable << 1 << CannotOpen() << QStringList();
        QTest::newRow("cut before the item")
            << Shortened << 2 << PositionNotFound() << QStringList();
        QTest::newRow("emptied") << Emptied << 1 << PositionNotFound() << QStringList();
        // Only the bytes still in the file are read, and without their marker they are body.
        QTest::newRow("cut inside the item")
            << Shortened << 1 << QString() << QStringList{"", "b/"};
        QTest::newRow("last item grew")
            << Lengthened << 2 << QString() << QStringList{"c", "three\nd///four\n"};
        QTest::newRow("now a CVD book")
            << OtherFormat << 1 << QString() << QStringList{"", QString(8, 'H')};
    }
    void textBookChangedBeforeDisplay() {
        QFETCH(EChange, change);
        QFETCH(int, row);
        QFETCH(QString, message);
        QFETCH(QStringList, shown);
        const QString path = Write("book.txt", TextBook());
        auto view = Fixture().OpenView(path);
        QCOMPARE(view->ItemList()->GetCount(), 3);
        const SForm before = Form(*view);
        QCOMPARE(before.body, QString("one\n"));

        const auto guard = Change(change, path, /*shortLength=*/18);
        Select(*view, row);
        QCOMPARE(Messages(), message.isEmpty() ? QStringList() : QStringList{message});
        if (shown.isEmpty()) {
            QVERIFY(Form(*view) == before);
            return;
        }
        QCOMPARE(Form(*view).title, shown[0]);
        QCOMPARE(Form(*view).body, shown[1]);
        QCOMPARE(Form(*view).counter, QString("%1 /     2").arg(row, 5));
    }

    void cvdBookChangedBeforeDisplay_data() {
        QTest::addColumn<EChange>("change");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("body"); // null: the form is unchanged

        QTest::newRow("removed") << Removed << 1 << CannotOpen() << QString();
        QTest::newRow("a directory") << Directory << 2 << CannotOpen() << QString();
        QTest::newRow("unreadable") << Unreadable << 1 << CannotOpen() << QString();
        // A record that fails its re-check is passed over without a message.
        QTest::newRow("cut inside the record") << Shortened << 1 << QString() << QString();
        QTest::newRow("cut before the record") << Shortened << 2 << QString() << QString();
        QTest::newRow("emptied") << Emptied << 0 << QString() << QString();
        QTest::newRow("now marked text") << OtherFormat << 1 << QString() << QString();
        QTest::newRow("bytes added after the last record")
            << Lengthened << 2 << QString() << QString("three");
    }
    void cvdBookChangedBeforeDisplay() {
        QFETCH(EChange, change);
        QFETCH(int, row);
        QFETCH(QString, message);
        QFETCH(QString, body);
        const QString path = Write("book.cvd", ThreeRecords());
        auto view = Fixture().OpenView(path);
        QCOMPARE(view->ItemList()->GetCount(), 3);
        QCOMPARE(Messages(), QStringList());
        const SForm before = Form(*view);
        QCOMPARE(before.body, QString("one"));

        const auto guard = Change(change, path, /*shortLength=*/100);
        Select(*view, row);
        QCOMPARE(Messages(), message.isEmpty() ? QStringList() : QStringList{message});
        if (body.isNull()) {
            QVERIFY(Form(*view) == before);
            return;
        }
        QCOMPARE(Form(*view).title, QString("C"));
        QCOMPARE(Form(*view).body, body);
    }

    // Files that are no book: refused at once by the build and by the display, with the
    // previous book kept listed. A FIFO or a device read as a book would block or never end.
    void unusableFilesChosenAsBooks_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO without a writer") << "fifo";
        QTest::newRow("FIFO with a silent writer") << "fifo-writer";
        QTest::newRow("endless device") << "/dev/zero";
        QTest::newRow("empty device") << "/dev/null";
        QTest::newRow("directory") << "dir";
        QTest::newRow("unreadable file") << "unreadable";
        QTest::newRow("path through a file") << "through-file";
    }
    void unusableFilesChosenAsBooks() {
        QFETCH(QString, kind);
        auto view = Fixture().OpenView(Write("old.txt", TextBook()));
        QCOMPARE(view->ItemList()->GetCount(), 3);

        QString path = Fixture().m_dir.filePath("book.txt");
        int writer = -1;
        std::unique_ptr<CRestricted> unreadable;
        if (kind.startsWith("fifo")) {
            QVERIFY(MakeFifo(path));
            // Opened for reading and writing, so that this open itself does not block.
            if (kind == "fifo-writer")
                writer = ::open(QFile::encodeName(path).constData(), O_RDWR);
        } else if (kind == "dir") {
            QVERIFY(QDir().mkdir(path));
        } else if (kind == "unreadable") {
            Write("book.txt", TextBook());
            unreadable = std::make_unique<CRestricted>(path);
        } else if (kind == "through-file") {
            path = Write("book.txt", TextBook()) + "/inner.txt";
        } else {
            path = kind;
        }
        CReaderFixture::Open(*view, path);
        if (writer >= 0)
            ::close(writer);
        QCOMPARE(Messages(), (QStringList{FileMissing(), CannotOpen()}));
        QCOMPARE(view->ItemList()->GetCount(), 3);
        QCOMPARE(view->ItemList()->GetText(2), QString("c"));
    }

    // Books of every kind opened one after another in one view: each replaces the last
    // whole. Under the sanitizer build the leak check at exit covers these loads.
    void booksOpenedOneAfterAnother() {
        auto view = Fixture().OpenView(Write("one.txt", TextBook()));
        const QList<std::pair<QString, QByteArray>> books = {
            {"two.cvd", ThreeRecords()},
            {"three.txt", "\xea\xb0\x80///\xeb\x82\x98\n"},
            {"four.cvd", ThreeRecords() + "stray bytes in another format"},
            {"five.txt", ""},
            {"six.log", TextBook()},
        };
        for (const auto& [name, bytes] : books)
            CReaderFixture::Open(*view, Write(name, bytes));
        QCOMPARE(Messages(), QStringList{Message("파일의 일부 형식이 다릅니다")});
        QCOMPARE(view->ItemList()->GetCount(), 3);
        QCOMPARE(view->LastIndex(), 2);
        QCOMPARE(Form(*view).body, QString("one\n"));
    }
};

QTEST_MAIN(BookChangesTest)
#include "BookChangesTest.moc"
