#include "ReaderFixture.h"

#include "LocalPath.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

QByteArray SettingsRecord(quint32 period, qint32 order) {
    QByteArray bytes(10, '\0');
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<char>(period >> (8 * i));
        bytes[4 + i] = static_cast<char>(static_cast<quint32>(order) >> (8 * i));
    }
    return bytes;
}

CReaderFixture::CReaderFixture()
    : m_messageSeam(MessageBoxSeam(), [this](const QString& text) { m_messages << text; }) {
    qputenv("TOMLET_SETTINGS", QFile::encodeName(m_dir.filePath("Tomlet.set")));
    WriteSettings(1000, 0);
}

void CReaderFixture::WriteSettings(quint32 period, qint32 order) {
    QFile file(m_dir.filePath("Tomlet.set"));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(SettingsRecord(period, order));
}

QByteArray CReaderFixture::ReadSettings() const {
    QFile file(m_dir.filePath("Tomlet.set"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString CReaderFixture::WriteBook(const QString& fileName, const QStringList& names) {
    QByteArray text = "A preface before the first item\n";
    for (const QString& name : names)
        text += name.toLatin1() + "///body of " + name.toLatin1() + "\n";
    QFile file(m_dir.filePath(fileName));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(text);
    return file.fileName();
}

std::unique_ptr<CBookDlg> CReaderFixture::OpenView(const QString& path) {
    auto view = std::make_unique<CBookDlg>();
    view->resize(view->sizeHint());
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get()))
        qWarning("view not exposed");
    Open(*view, path);
    return view;
}

void CReaderFixture::Open(CBookDlg& view, const QString& path) {
    view.ChooseBook(PathBytesOf(path));
    // The load runs just after the next paint of the view.
    view.repaint();
    QTest::qWait(20);
}

QString CReaderFixture::Title(const CBookDlg& view) {
    return view.findChild<QPlainTextEdit*>("IDC_TITLE")->toPlainText();
}

QString CReaderFixture::Body(const CBookDlg& view) {
    return view.findChild<QPlainTextEdit*>("IDC_BODY")->toPlainText();
}
