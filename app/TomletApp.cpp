#include "TomletApp.h"

#include "AbsolutePath.h"
#include "AppIcons.h"
#include "BookDlg.h"
#include "MainFrame.h"
#include "Version.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

// Outside any namespace: the macro declares the resource's init function at file scope.
static void InitIconResource() {
    Q_INIT_RESOURCE(icons);
}

CTomletApp::CTomletApp(SCommandLine command, std::unique_ptr<CBackgroundOpen> early,
                       QObject* parent)
    : QObject(parent), m_cmdInfo(std::move(command)), m_pEarlyBook(std::move(early)) {
    setObjectName(QStringLiteral("CTomletApp"));
    InitIconResource();
    QCoreApplication::setApplicationName(QStringLiteral("Tomlet"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QCoreApplication::setOrganizationName(QString::fromLatin1(kRegistryKey));
    // Lets the desktop match the window to the installed desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tomlet.Tomlet"));
    LoadQtTranslation();
    UseLatinThenKoreanFont();
}

void CTomletApp::UseLatinThenKoreanFont() {
    QFont font = QApplication::font();
    QStringList families{QStringLiteral("DejaVu Sans"), QStringLiteral("NanumGothic"),
                         QStringLiteral("Noto Sans CJK KR")};
    // The desktop's own family last, for scripts the others lack.
    if (!families.contains(font.family()))
        families << font.family();
    font.setFamilies(families);
    QApplication::setFont(font);
}

bool CTomletApp::LoadQtTranslation() {
    // The program speaks Korean whatever the locale, so Qt's own buttons and dialogs must too.
    auto* translator = new QTranslator(this);
    if (!translator->load(QStringLiteral("qtbase_ko"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

CTomletApp::~CTomletApp() {
    delete m_pMainWnd.data();
}

std::unique_ptr<CBackgroundOpen> CTomletApp::ReadBookEarly(const SCommandLine& command) {
    // The path, kind and code page the view will choose the book with, or the build is not
    // taken: the command line's book, else the last book in its remembered code page.
    std::string path = command.book;
    std::string codePage = command.codePage;
    if (path.empty()) {
        const std::vector<CMainFrame::SRecentBook> recent = CMainFrame::ReadRecentBooks();
        if (recent.empty())
            return nullptr;
        path = recent.front().path;
        if (codePage.empty())
            codePage = recent.front().codePage;
    }
    path = AbsolutePath(std::move(path));
    const EFileKind kind = FileKindOf(path);
    return std::make_unique<CBackgroundOpen>(std::move(path), kind, std::move(codePage));
}

bool CTomletApp::InitInstance() {
    QApplication::setWindowIcon(IconOf(QStringLiteral("tomlet")));
    m_pMainWnd = new CMainFrame(m_cmdInfo.codePage);
    // A book named on the command line is opened as if chosen with Open, so that a file the
    // user asked for is read (or its failure reported) rather than passed over.
    bool chosen = true;
    if (!m_cmdInfo.book.empty())
        m_pMainWnd->GetActiveView()->ChooseBook(m_cmdInfo.book);
    else
        chosen = m_pMainWnd->ReopenLastBook();
    if (chosen)
        m_pMainWnd->GetActiveView()->TakeBackgroundOpen(std::move(m_pEarlyBook));
    m_pEarlyBook.reset();
    m_pMainWnd->show();
    return true;
}

CMainFrame* CTomletApp::GetMainWnd() const {
    return m_pMainWnd;
}

CBookDlg* CTomletApp::GetActiveView() const {
    return m_pMainWnd ? m_pMainWnd->GetActiveView() : nullptr;
}
