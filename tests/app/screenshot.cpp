// Takes the pictures in docs/: the main window on the sample book with an item chosen,
// and the About box. Run it on the offscreen platform:
//   QT_QPA_PLATFORM=offscreen build/tests/app/tomlet_screenshot [--dark] [OUTPUT_FOLDER]
// --dark draws under a dark palette; QT_SCALE_FACTOR=2 in the environment draws at twice the
// size. Neither changes the names of the pictures.

#include "BookDlg.h"
#include "ListBox.h"
#include "MainFrame.h"
#include "SettingsFile.h"
#include "TestSeams.h"
#include "TomletApp.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QPalette>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iostream>

namespace {

constexpr int kShownRow = 2;

bool Save(QWidget* widget, const QString& path) {
    if (!widget->grab().save(path)) {
        std::cerr << "tomlet_screenshot: can't write " << path.toStdString() << '\n';
        return false;
    }
    std::cout << path.toStdString() << '\n';
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    const QString source = QStringLiteral(TOMLET_SOURCE_DIR);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.removeAll(QStringLiteral("--dark")) > 0) {
        QPalette dark;
        const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe8, 0xe8, 0xe8);
        dark.setColor(QPalette::Window, window);
        dark.setColor(QPalette::Button, window);
        dark.setColor(QPalette::Base, base);
        dark.setColor(QPalette::WindowText, text);
        dark.setColor(QPalette::ButtonText, text);
        dark.setColor(QPalette::Text, text);
        dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
        dark.setColor(QPalette::HighlightedText, Qt::white);
        QApplication::setPalette(dark);
    }
    const QString output = args.isEmpty() ? source + "/docs" : args.first();

    // A settings file and a window state of its own, so no message box waits for an answer and
    // the window has its first size.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QTemporaryDir settings;
    const std::string settingsPath = QDir(settings.path()).filePath("Tomlet.set").toStdString();
    const auto record = EncodeSettings(SSettingsRecord{});
    std::ofstream(settingsPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(record.data()), record.size());
    qputenv("TOMLET_SETTINGS", QByteArray::fromStdString(settingsPath));

    SCommandLine command;
    command.book = QFile::encodeName(source + "/examples/sample.txt").toStdString();
    // The pointer rests near the screen's corner, over the first menu title: put it aside.
    QCursor::setPos(2000, 2000);
    CTomletApp app(command);
    if (!app.InitInstance())
        return 1;
    CMainFrame* frame = app.GetMainWnd();
    CBookDlg* view = app.GetActiveView();
    if (!QTest::qWaitForWindowExposed(frame))
        return 1;
    CListBox* list = view->ItemList();
    if (!QTest::qWaitFor([list] { return list->GetCount() > kShownRow; }))
        return 1;
    const QPoint row = list->visualRect(list->model()->index(kShownRow, 0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row);
    QTest::qWait(50);
    if (!Save(frame, QDir(output).filePath("screenshot.png")))
        return 1;

    bool saved = false;
    CSeamGuard guard(ModalDialogSeam(), [&](QDialog* dialog) {
        QTest::qWait(50);
        saved = Save(dialog, QDir(output).filePath("screenshot-about.png"));
        dialog->accept();
    });
    frame->OnAppAbout();
    return saved ? 0 : 1;
}
