#include "BookDlg.h"
#include "FileFaults.h"
#include "TestSeams.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The settings file when its path is anything but a good record, and when saving it fails
// part-way: the view starts with the file's values or with the defaults after its message, and
// a failed save says so and leaves the previous file as it was.
class SettingsFaultTest : public QObject {
    Q_OBJECT

public:
    enum EPath { Missing, FolderMissing, Directory, Fifo, Unreadable, TooLong, Bytes };
    Q_ENUM(EPath)

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    QStringList m_messages;
    std::unique_ptr<CSeamGuard<MessageBoxHandler>> m_pMessageSeam;

    static QString CannotRead() {
        return QString::fromUtf8("환경 설정 파일을 열 수 없습니다.\n기본 설정으로 동작합니다");
    }
    // A file anyone may write, in a folder that takes no new file.
    static constexpr QFileDevice::Permissions kEveryoneWrites =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup |
        QFile::ReadOther | QFile::WriteOther;
    static constexpr QFileDevice::Permissions kFolderLocked = QFile::ReadOwner | QFile::ExeOwner |
                                                              QFile::ReadGroup | QFile::ExeGroup |
                                                              QFile::ReadOther | QFile::ExeOther;

    static QString CannotCreate() { return QString::fromUtf8("환경 파일을 생성 못합니다."); }

    static QByteArray Record(quint32 period, qint32 order) {
        QByteArray bytes(10, '\0');
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<char>(period >> (8 * i));
            bytes[4 + i] = static_cast<char>(static_cast<quint32>(order) >> (8 * i));
        }
        return bytes;
    }

    // Readable by all, as a saved settings file is, whatever the umask.
    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                            QFile::ReadOther);
    }
    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Points the settings path at a fresh thing of the given kind; bytes fill a plain file.
    QString Prepare(EPath kind, const QByteArray& bytes) {
        const QString path = m_pDir->filePath("Tomlet.set");
        QString used = path;
        switch (kind) {
        case Missing:
            break;
        case FolderMissing:
            used = m_pDir->filePath("no such folder/Tomlet.set");
            break;
        case Directory:
            QDir().mkdir(path);
            break;
        case Fifo:
            MakeFifo(path);
            break;
        case Unreadable:
        case Bytes:
            WriteFile(path, bytes);
            break;
        case TooLong:
            used = m_pDir->filePath(QString(5000, 'x'));
            break;
        }
        qputenv("TOMLET_SETTINGS", QFile::encodeName(used));
        return used;
    }

    // Leftovers of a save that failed: anything in the folder but the settings path itself.
    QStringList Leftovers() const {
        QStringList names = QDir(m_pDir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        names.removeAll("Tomlet.set");
        return names;
    }

    // Runs the settings command, choosing the sequential order and pressing OK.
    static void SetupSequentialAndOk(CBookDlg& view) {
        CSeamGuard<ModalDialogHandler> user(ModalDialogSeam(), [](QDialog* sheet) {
            QTest::mouseClick(sheet->findChild<QAbstractButton*>("IDC_SEQUENTIAL"), Qt::LeftButton);
            QTest::mouseClick(sheet->findChild<QAbstractButton*>("IDOK"), Qt::LeftButton);
            if (sheet->isVisible())
                sheet->reject();
        });
        view.OnSetup();
    }

private slots:
    void initTestCase() {
        m_pMessageSeam = std::make_unique<CSeamGuard<MessageBoxHandler>>(
            MessageBoxSeam(), [this](const QString& text) { m_messages << text; });
    }
    void init() {
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_pDir->isValid());
        // Others may pass through the folder, so that only a file's own mode denies it.
        QFile::setPermissions(m_pDir->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                  QFile::ExeOwner | QFile::ReadGroup |
                                                  QFile::ExeGroup | QFile::ReadOther |
                                                  QFile::ExeOther);
        m_messages.clear();
    }
    void cleanup() { m_pDir.reset(); }

    void settingsReadAtStart_data() {
        QTest::addColumn<EPath>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("message");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("order");

        QTest::newRow("missing") << Missing << QByteArray() << true << 1000 << 0;
        QTest::newRow("folder missing") << FolderMissing << QByteArray() << true << 1000 << 0;
        QTest::newRow("a directory") << Directory << QByteArray() << true << 1000 << 0;
        QTest::newRow("a FIFO") << Fifo << QByteArray() << true << 1000 << 0;
        QTest::newRow("unreadable") << Unreadable << Record(500, 1) << true << 1000 << 0;
        QTest::newRow("path too long") << TooLong << QByteArray() << true << 1000 << 0;
        // Whatever a readable file holds is taken, missing bytes as zeros, extra ones unread.
        QTest::newRow("empty") << Bytes << QByteArray() << false << 0 << 0;
        QTest::newRow("short") << Bytes << QByteArray("\x10\x27\x00", 3) << false << 10000 << 0;
        QTest::newRow("long") << Bytes << Record(500, 1) + QByteArray(100000, '\xff') << false
                              << 500 << 1;
        QTest::newRow("garbage") << Bytes << QByteArray("\xff\xff\xff\xff\xfe\xff\xff\xff\x12\x34")
                                 << false << -1 << -2;
    }
    void settingsReadAtStart() {
        QFETCH(EPath, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, message);
        QFETCH(int, period);
        QFETCH(int, order);
        const QString path = Prepare(kind, bytes);
        std::unique_ptr<CRestricted> unreadable;
        if (kind == Unreadable)
            unreadable = std::make_unique<CRestricted>(path);
        CBookDlg view;
        QCOMPARE(m_messages, message ? QStringList{CannotRead()} : QStringList());
        QCOMPARE(view.Period(), period);
        QCOMPARE(view.Order(), order);
    }

    // The previous file, when there is one, survives every failed save byte for byte, no
    // temporary file is left beside it, and the view goes on with what it finds afterwards.
    void failedSaveKeepsThePreviousFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("disk full part-way") << "full" << QStringList{CannotCreate()};
        QTest::newRow("folder and file not writable") << "locked" << QStringList{CannotCreate()};
        QTest::newRow("disk full, writing in place")
            << "full in place" << QStringList{CannotCreate()};
        QTest::newRow("path is a directory")
            << "directory" << QStringList{CannotCreate(), CannotRead()};
        QTest::newRow("folder missing") << "no folder" << QStringList{CannotCreate(), CannotRead()};
    }
    void failedSaveKeepsThePreviousFile() {
        QFETCH(QString, fault);
        QFETCH(QStringList, messages);
        const QByteArray previous = Record(700, 1);
        const EPath kind = fault == "directory"   ? Directory
                           : fault == "no folder" ? FolderMissing
                                                  : Bytes;
        const QString path = Prepare(kind, previous);
        if (fault == "full in place")
            QFile::setPermissions(path, kEveryoneWrites);
        CBookDlg view;
        m_messages.clear();
        {
            // A write limit of 5 bytes cuts the 10-byte record in two.
            std::unique_ptr<CFileSizeLimit> full;
            std::unique_ptr<CRestricted> locked;
            if (fault.startsWith("full"))
                full = std::make_unique<CFileSizeLimit>(5);
            if (fault == "locked" || fault == "full in place")
                locked = std::make_unique<CRestricted>(m_pDir->path(), kFolderLocked);
            SetupSequentialAndOk(view);
        }
        QCOMPARE(m_messages, messages);
        QCOMPARE(Leftovers(), QStringList());
        if (kind == Bytes) {
            QCOMPARE(ReadFile(path), previous);
            QCOMPARE(view.Period(), 700);
            QCOMPARE(view.Order(), 1);
        } else {
            QVERIFY(!QFileInfo(path).isFile());
            QVERIFY(QFileInfo(path).isDir() == (kind == Directory));
            QCOMPARE(view.Period(), 1000);
        }
    }

    // The same saves with room to write put the record in the file, keeping its mode: the
    // faults above are what failed. A folder that takes no new file is no reason to refuse.
    void saveWithRoomWritesTheFile_data() {
        QTest::addColumn<bool>("folderLocked");
        QTest::newRow("replaced") << false;
        QTest::newRow("written in place") << true;
    }
    void saveWithRoomWritesTheFile() {
        QFETCH(bool, folderLocked);
        const QString path = Prepare(Bytes, Record(700, 1) + "and more");
        QFile::setPermissions(path, kEveryoneWrites);
        CBookDlg view;
        {
            std::unique_ptr<CRestricted> locked;
            if (folderLocked)
                locked = std::make_unique<CRestricted>(m_pDir->path(), kFolderLocked);
            SetupSequentialAndOk(view);
        }
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(ReadFile(path), Record(700, 0));
        // The mode bits only, not what this process may do (Qt's ReadUser and the like).
        const QFileDevice::Permissions mode =
            QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(mode, kEveryoneWrites);
        QCOMPARE(Leftovers(), QStringList());
        QCOMPARE(view.Order(), 0);
    }
};

QTEST_MAIN(SettingsFaultTest)
#include "SettingsFaultTest.moc"
