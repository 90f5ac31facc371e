#include "SetupAuto.h"
#include "TestSeams.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// The settings dialog run as the user would: the arrows, typing, the radio buttons,
// OK and Cancel, and what reaches the settings file.
class SetupAutoTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    QStringList m_messages;
    std::unique_ptr<CSeamGuard<MessageBoxHandler>> m_pMessageSeam;

    QString SettingsFile() const { return m_pDir->filePath("Tomlet.set"); }

    static QByteArray Record(quint32 period, qint32 order) {
        QByteArray bytes(10, '\0');
        for (int i = 0; i < 4; ++i) {
            bytes[i] = static_cast<char>(period >> (8 * i));
            bytes[4 + i] = static_cast<char>(static_cast<quint32>(order) >> (8 * i));
        }
        return bytes;
    }

    static void WriteFile(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    static QByteArray ReadFile(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }

    // Runs the settings dialog; act plays the user and closes it.
    static int RunSheet(const std::function<void(QDialog* sheet)>& act) {
        CSetupAuto dialog;
        // A failed check inside act leaves the sheet open: close it so the test goes on.
        CSeamGuard<ModalDialogHandler> user(ModalDialogSeam(), [&act](QDialog* sheet) {
            act(sheet);
            if (sheet->isVisible())
                sheet->reject();
        });
        return ExecModal(dialog);
    }

    static QLineEdit* PeriodEdit(QDialog* sheet) {
        return sheet->findChild<QLineEdit*>("IDC_PERIOD");
    }
    static QRadioButton* Radio(QDialog* sheet, const char* name) {
        return sheet->findChild<QRadioButton*>(name);
    }
    static void Click(QDialog* sheet, const char* name) {
        QAbstractButton* button = sheet->findChild<QAbstractButton*>(name);
        QVERIFY2(button, name);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static void Type(QDialog* sheet, const QString& text) {
        QLineEdit* edit = PeriodEdit(sheet);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

private slots:
    void init() {
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_pDir->isValid());
        qputenv("TOMLET_SETTINGS", QFile::encodeName(SettingsFile()));
        m_messages.clear();
        m_pMessageSeam = std::make_unique<CSeamGuard<MessageBoxHandler>>(
            MessageBoxSeam(), [this](const QString& text) { m_messages << text; });
    }

    void cleanup() { m_pMessageSeam.reset(); }

    // What the page shows of the file, and what closing it writes back unless the user
    // changes something.
    void pageRoundTripsTheFile_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("period");
        QTest::addColumn<bool>("sequential");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file, Cancel") << QByteArray() << "IDCANCEL"
                                         << "1000" << true << Record(1000, 0);
        QTest::newRow("random, OK") << Record(40, 1) << "IDOK"
                                    << "40" << false << Record(40, 1);
        QTest::newRow("order 5 kept") << Record(300, 5) << "IDOK"
                                      << "300" << false << Record(300, 5);
        QTest::newRow("order 7 kept on Cancel") << Record(300, 7) << "IDCANCEL"
                                                << "300" << false << Record(300, 7);
    }
    void pageRoundTripsTheFile() {
        QFETCH(QByteArray, before);
        QFETCH(QString, button);
        QFETCH(QString, period);
        QFETCH(bool, sequential);
        if (!before.isNull())
            WriteFile(SettingsFile(), before);
        const int result = RunSheet([&](QDialog* sheet) {
            QCOMPARE(sheet->findChild<QTabWidget*>()->tabText(0), QStringLiteral("자동 보기"));
            QCOMPARE(PeriodEdit(sheet)->text(), period);
            QCOMPARE(Radio(sheet, "IDC_SEQUENTIAL")->isChecked(), sequential);
            QCOMPARE(Radio(sheet, "IDC_RANDOM")->isChecked(), !sequential);
            Click(sheet, button.toLatin1().constData());
        });
        QCOMPARE(result, button == "IDOK" ? QDialog::Accepted : QDialog::Rejected);
        QCOMPARE(m_messages, QStringList());
        QTEST(ReadFile(SettingsFile()), "after");
        QCOMPARE(QDir(m_pDir->path()).entryList(QDir::Files), QStringList{"Tomlet.set"});
    }

    // The order can be chosen without a mouse: Tab reaches the radio buttons, Space picks.
    void orderIsChosenFromTheKeyboard() {
        WriteFile(SettingsFile(), Record(500, 0));
        RunSheet([&](QDialog* sheet) {
            QRadioButton* random = Radio(sheet, "IDC_RANDOM");
            QVERIFY(random->focusPolicy() & Qt::TabFocus);
            random->setFocus();
            QTest::keyClick(random, Qt::Key_Space);
            QVERIFY(random->isChecked());
            QVERIFY(!Radio(sheet, "IDC_SEQUENTIAL")->isChecked());
            Click(sheet, "IDOK");
        });
        QCOMPARE(ReadFile(SettingsFile()), Record(500, 1));
    }

    // Each case by a click on the arrow and by Up or Down in the period edit.
    void arrowsStepWithinBounds_data() {
        QTest::addColumn<quint32>("start");
        QTest::addColumn<bool>("up");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<quint32>("shown");
        QTest::addColumn<int>("messages"); // the range check's, for a start out of range
        const struct {
            const char* name;
            quint32 start;
            bool up;
            quint32 shown;
            int messages;
        } cases[] = {{"< at 0", 0, false, 0, 0},
                     {"< at 5", 5, false, 0, 0},
                     {"< at 1000", 1000, false, 990, 0},
                     {"> at 0", 0, true, 10, 0},
                     {"> at 49995", 49995, true, 50000, 0},
                     {"> at 50000", 50000, true, 50000, 0},
                     // Must not wrap round to a tiny period.
                     {"> at 2^32 - 6", 4294967290u, true, 50000, 1}};
        for (const auto& c : cases) {
            for (bool byKey : {false, true}) {
                QTest::addRow("%s%s", c.name, byKey ? ", key" : "")
                    << c.start << c.up << byKey << c.shown << c.messages;
            }
        }
    }
    void arrowsStepWithinBounds() {
        QFETCH(quint32, start);
        QFETCH(bool, up);
        QFETCH(bool, byKey);
        QFETCH(quint32, shown);
        WriteFile(SettingsFile(), Record(start, 0));
        RunSheet([&](QDialog* sheet) {
            if (byKey)
                QTest::keyClick(PeriodEdit(sheet), up ? Qt::Key_Up : Qt::Key_Down);
            else
                Click(sheet, up ? "IDC_PERIOD_UP" : "IDC_PERIOD_DOWN");
            QCOMPARE(PeriodEdit(sheet)->text(), QString::number(shown));
            Click(sheet, "IDOK");
        });
        QTEST(int(m_messages.size()), "messages");
        QCOMPARE(ReadFile(SettingsFile()), Record(shown, 0));
    }

    // A held arrow steps on by itself; after bad input it lets go before the report, so that
    // no step runs, and reports again, while the message is open.
    void heldArrowRepeats_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("good period") << "1000";
        QTest::newRow("bad period") << "12ab";
    }
    void heldArrowRepeats() {
        QFETCH(QString, typed);
        WriteFile(SettingsFile(), Record(1000, 0));
        QAbstractButton* up = nullptr;
        CSeamGuard<MessageBoxHandler> reader(MessageBoxSeam(), [&](const QString& text) {
            m_messages << text;
            if (m_messages.size() == 1) // the user reads the first message a while
                QTest::qWait(up->autoRepeatDelay() + 3 * up->autoRepeatInterval());
        });
        RunSheet([&](QDialog* sheet) {
            Type(sheet, typed);
            up = sheet->findChild<QAbstractButton*>("IDC_PERIOD_UP");
            QTest::mousePress(up, Qt::LeftButton);
            if (typed == "1000")
                QTRY_VERIFY(PeriodEdit(sheet)->text().toUInt() >= 1030);
            else
                QTRY_COMPARE(PeriodEdit(sheet)->text(), QStringLiteral("1010"));
            QTest::mouseRelease(up, Qt::LeftButton);
            Click(sheet, "IDCANCEL");
        });
        QCOMPARE(m_messages.size(), typed == "1000" ? 0 : 1);
    }

    void radioReplacesTypedText() {
        WriteFile(SettingsFile(), Record(1000, 0));
        RunSheet([&](QDialog* sheet) {
            Type(sheet, "2500");
            Click(sheet, "IDC_RANDOM");
            QCOMPARE(PeriodEdit(sheet)->text(), QStringLiteral("1000"));
            QVERIFY(!Radio(sheet, "IDC_SEQUENTIAL")->isChecked());
            Click(sheet, "IDC_RANDOM"); // clicking the checked button keeps it checked
            QVERIFY(Radio(sheet, "IDC_RANDOM")->isChecked());
            Click(sheet, "IDC_SEQUENTIAL");
            QVERIFY(!Radio(sheet, "IDC_RANDOM")->isChecked());
            Click(sheet, "IDC_RANDOM");
            Click(sheet, "IDOK");
        });
        QCOMPARE(ReadFile(SettingsFile()), Record(1000, 1));
    }

    void badPeriodIsReported_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("letters") << "12ab" << QString::fromUtf8("0 이상의 정수를 입력하십시오.")
                                 << Record(700, 0);
        QTest::newRow("above range")
            << "50001" << QString::fromUtf8("0에서 50000 사이의 정수를 입력하십시오.")
            << Record(50001, 0);
    }
    void badPeriodIsReported() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        WriteFile(SettingsFile(), Record(700, 0));
        RunSheet([&](QDialog* sheet) {
            Type(sheet, typed);
            Click(sheet, "IDOK"); // refused: the sheet stays open
            QVERIFY(sheet->isVisible());
            Click(sheet, "IDCANCEL");
        });
        // Closing checks once more and writes what the members then hold.
        QCOMPARE(m_messages, (QStringList{message, message}));
        QTEST(ReadFile(SettingsFile()), "written");
    }

    // The file can't be saved: the folder is missing, the new file's temporary name is too
    // long for the file system, or a folder stands in the file's place. Each is reported,
    // and whatever was there stays as it was.
    void failedSaveIsReported_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("folder missing") << "missing/Tomlet.set" << QByteArray();
        QTest::newRow("folder in the way") << "Tomlet.set" << QByteArray();
    }
    void failedSaveIsReported() {
        QFETCH(QString, name);
        QFETCH(QByteArray, before);
        const QString path = m_pDir->filePath(name);
        qputenv("TOMLET_SETTINGS", QFile::encodeName(path));
        if (!before.isNull())
            WriteFile(path, before);
        if (name == "Tomlet.set")
            QVERIFY(QDir(m_pDir->path()).mkpath("Tomlet.set/inside"));
        const QStringList entries = QDir(m_pDir->path()).entryList(QDir::AllEntries);
        RunSheet([&](QDialog* sheet) {
            Click(sheet, "IDC_PERIOD_UP");
            Click(sheet, "IDOK");
        });
        QCOMPARE(m_messages, QStringList{QString::fromUtf8("환경 파일을 생성 못합니다.")});
        QCOMPARE(QDir(m_pDir->path()).entryList(QDir::AllEntries), entries);
        if (!before.isNull())
            QCOMPARE(ReadFile(path), before);
    }
};

QTEST_MAIN(SetupAutoTest)
#include "SetupAutoTest.moc"
