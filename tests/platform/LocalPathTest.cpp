#include "LocalPath.h"
#include "../ScratchDir.h"
#include "FileDialog.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// Files named in bytes that need not be UTF-8, and the Open dialog's listing of them.
class LocalPathTest : public QObject {
    Q_OBJECT

public:
    // "한국" in CP949, as names come out of Korean archives.
    static constexpr const char* kKorean = "\xc7\xd1\xb1\xb9";

private:
    CScratchDir m_dir;

    std::string Folder() const { return QFile::encodeName(m_dir.path()).toStdString(); }
    static void Touch(const std::string& path) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0)
            ::close(fd);
    }

private slots:
    void pathBytesAndReadableName_data() {
        QTest::addColumn<QByteArray>("name");     // bytes of a name under the scratch folder
        QTest::addColumn<QByteArray>("expected"); // what PathBytesOf gives; empty: name itself
        QTest::addColumn<QString>("label");

        const QByteArray korean(kKorean);
        QTest::newRow("CP949 name") << korean + ".txt" << QByteArray() << "한국.txt";
        QTest::newRow("in a CP949 folder")
            << korean + "/" + korean + ".cvd" << QByteArray() << "한국.cvd";
        QTest::newRow("UTF-8 name") << QByteArray("책.txt") << QByteArray() << "책.txt";
        // Qt reads both \xfe.txt and \xff.txt as "\ufffd.txt": no guess at which was chosen.
        QTest::newRow("two names read alike")
            << QByteArray("\xfe.txt") << QByteArray("\xef\xbf\xbd.txt") << "\ufffd.txt";
    }
    void pathBytesAndReadableName() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, expected);
        QFETCH(QString, label);
        const std::string folder = Folder() + "/";
        ::mkdir((folder + kKorean).c_str(), 0755);
        Touch(folder + "\xff.txt");
        Touch(folder + name.toStdString());
        // The path as a Qt dialog hands it over: decoded, with losses.
        const QString chosen = QFile::decodeName(QByteArray::fromStdString(folder) + name);
        QCOMPARE(QByteArray::fromStdString(PathBytesOf(chosen)),
                 QByteArray::fromStdString(folder) + (expected.isEmpty() ? name : expected));
        const QByteArray base = name.mid(name.lastIndexOf('/') + 1);
        QCOMPARE(ReadableName(base.toStdString()), label);
    }

    // The real dialog, shown on the offscreen platform: each choice lists what its caption
    // says and shows that caption exactly.
    void allFilesListsNamesWithoutExtension() {
        CScratchDir scratch;
        const std::string folder = QFile::encodeName(scratch.path()).toStdString() + "/";
        Touch(folder + "README");
        Touch(folder + "book.txt");
        QStringList captions;
        QStringList listed[3];
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->setDirectory(scratch.path());
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            auto* view = dialog->findChild<QListView*>("listView");
            for (int i = 0; types && view && i < types->count(); ++i) {
                captions << types->itemText(i);
                dialog->selectNameFilter(dialog->nameFilters().value(i));
                QStringList& names = listed[std::min(i, 2)];
                // The folder is read on a thread of the model's: wait for the listing.
                for (int wait = 0; wait < 100 && !names.contains("book.txt") && i != 1; ++wait) {
                    QTest::qWait(20);
                    names.clear();
                    const QAbstractItemModel* model = view->model();
                    for (int row = 0; row < model->rowCount(view->rootIndex()); ++row)
                        names << model->index(row, 0, view->rootIndex()).data().toString();
                }
            }
            dialog->reject();
        });
        CFileDialog dialog(true, "txt", "Untitled.txt", OFN_FILEMUSTEXIST | OFN_SHOWHELP,
                           "텍스트 파일(*.txt)|*.txt|CVD 파일(*.cvd)|*.cvd|모든 파일(*.*)|*.*||");
        QCOMPARE(dialog.DoModal(), kIdCancel);
        QCOMPARE(captions,
                 QStringList({"텍스트 파일(*.txt)", "CVD 파일(*.cvd)", "모든 파일(*.*)"}));
        QCOMPARE(listed[0], QStringList({"book.txt"}));
        listed[2].sort();
        QCOMPARE(listed[2], QStringList({"README", "book.txt"}));
    }
};

QTEST_MAIN(LocalPathTest)
#include "LocalPathTest.moc"
