#include "TomletApp.h"

#include "AboutDlg.h"
#include "BookDlg.h"
#include "Commands.h"
#include "MainFrame.h"
#include "Resource.h"
#include "ShellResources.h"
#include "TomletDoc.h"
#include "Version.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

CTomletApp::CTomletApp(SCommandLine command, QObject* parent)
    : QObject(parent), m_cmdInfo(std::move(command)) {
    setObjectName(QStringLiteral("CTomletApp"));
    QCoreApplication::setApplicationName(QStringLiteral("Tomlet"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    // Lets the desktop match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tomlet.Tomlet"));
    InitShellResources();
}

CTomletApp::~CTomletApp() {
    delete m_pMainWnd.data();
}

bool CTomletApp::InitInstance() {
    QCoreApplication::setOrganizationName(QString::fromLatin1(kRegistryKey));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/%1").arg(IDR_MAINFRAME)));
    if (!ProcessShellCommand())
        return false;
    m_pMainWnd->show();
    m_pMainWnd->update();
    return true;
}

bool CTomletApp::ProcessShellCommand() {
    m_pDocument = std::make_unique<CTomletDoc>();
    auto frame = std::make_unique<CMainFrame>(this);
    if (!frame->Create())
        return false;
    CCommandRouter& router = frame->Router();
    router.Route(ID_APP_ABOUT, this, &CTomletApp::OnAppAbout);
    router.Route(ID_FILE_NEW, this, &CTomletApp::OnFileNew);
    router.Route(ID_FILE_OPEN, this, &CTomletApp::OnFileOpen);
    router.Route(ID_APP_EXIT, this, &CTomletApp::OnAppExit);
    // The view reads the settings file as it is built: a missing file is reported here,
    // before the frame is shown.
    auto* view = new CBookDlg(m_cmdInfo.codePage);
    frame->SetView(view);
    if (!m_pDocument->OnNewDocument())
        return false;
    m_pMainWnd = frame.release();
    // A book named on the command line is opened as if chosen with Open, so that a file the
    // user asked for is read (or its failure reported) rather than passed over.
    if (!m_cmdInfo.book.empty())
        view->ChooseBook(QFile::decodeName(m_cmdInfo.book.c_str()));
    return true;
}

CMainFrame* CTomletApp::GetMainWnd() const {
    return m_pMainWnd;
}

CBookDlg* CTomletApp::GetActiveView() const {
    return m_pMainWnd ? m_pMainWnd->GetActiveView() : nullptr;
}

void CTomletApp::OnAppAbout() {
    CAboutDlg dialog(m_pMainWnd);
    dialog.DoModal();
}

void CTomletApp::OnFileNew() {
    // The view is not initialised again: what it shows, typed text included, stays.
    m_pDocument->OnNewDocument();
}

void CTomletApp::OnFileOpen() {
    // The document can't hold a book; asking for a file would only load nothing.
}

void CTomletApp::OnAppExit() {
    if (m_pMainWnd)
        m_pMainWnd->close();
}
