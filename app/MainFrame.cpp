#include "MainFrame.h"

#include "AboutDlg.h"
#include "BookDlg.h"
#include "TestSeams.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QToolBar>

namespace {

constexpr QSize kFirstSize(560, 720);

// The window's own state, apart from the settings file: $XDG_CONFIG_HOME/tomlet/window.ini.
QSettings WindowState() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tomlet"),
                     QStringLiteral("window"));
}

} // namespace

CMainFrame::CMainFrame(const std::string& forcedCodePage, QWidget* parent)
    : QMainWindow(parent), m_pView(new CBookDlg(forcedCodePage)) {
    setObjectName(QStringLiteral("CMainFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tomlet"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tomlet.svg")));
    setCentralWidget(m_pView);
    CreateMenusAndToolBar();
    connect(m_pView, &CBookDlg::bookChosen, this, [this](const QString& name) {
        setWindowTitle(name.isEmpty() ? QStringLiteral("Tomlet")
                                      : QStringLiteral("%1 — Tomlet").arg(name));
    });
    RestoreWindowState();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(const char* id, const QString& text, const QString& icon) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(id));
    if (!icon.isEmpty())
        action->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(icon)));
    return action;
}

void CMainFrame::CreateMenusAndToolBar() {
    QAction* open = AddCommand("ID_BOOK_OPEN", QStringLiteral("열기"), QStringLiteral("open"));
    QAction* start =
        AddCommand("ID_AUTO_START", QStringLiteral("자동보기 시작"), QStringLiteral("auto-start"));
    QAction* stop =
        AddCommand("ID_AUTO_STOP", QStringLiteral("자동보기 멈춤"), QStringLiteral("auto-stop"));
    QAction* search = AddCommand("ID_SEARCH", QStringLiteral("검색"), QStringLiteral("search"));
    QAction* findText = AddCommand("ID_FIND_TEXT", QStringLiteral("본문 검색"), QString());
    QAction* findNext = AddCommand("ID_FIND_NEXT", QStringLiteral("다음 찾기"), QString());
    QAction* findPrevious = AddCommand("ID_FIND_PREVIOUS", QStringLiteral("이전 찾기"), QString());
    QAction* setup = AddCommand("ID_SETUP", QStringLiteral("환경 설정"), QStringLiteral("setup"));
    QAction* exit = AddCommand("ID_EXIT", QStringLiteral("종료"), QString());
    QAction* about =
        AddCommand("ID_APP_ABOUT", QStringLiteral("About Tomlet..."), QStringLiteral("about"));
    about->setToolTip(QStringLiteral("About"));
    about->setStatusTip(
        QStringLiteral("Display program information, version number and copyright"));
    // Ctrl+Q ends the program as 종료 does; the edits keep Ctrl+Z, X, C and V.
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    exit->setShortcutContext(Qt::WindowShortcut);
    addAction(exit);
    findText->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    findNext->setShortcut(QKeySequence(Qt::Key_F3));
    findPrevious->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
    // There is text to look through only once a book has been chosen.
    for (QAction* find : {findText, findNext, findPrevious}) {
        find->setShortcutContext(Qt::WindowShortcut);
        find->setEnabled(false);
        addAction(find);
        connect(m_pView, &CBookDlg::bookChosen, find,
                [find](const QString& name) { find->setEnabled(!name.isEmpty()); });
    }

    connect(open, &QAction::triggered, m_pView, &CBookDlg::OnBookOpen);
    connect(start, &QAction::triggered, m_pView, &CBookDlg::OnAutoStart);
    connect(stop, &QAction::triggered, m_pView, &CBookDlg::OnAutoStop);
    connect(search, &QAction::triggered, m_pView, &CBookDlg::OnSearch);
    connect(setup, &QAction::triggered, m_pView, &CBookDlg::OnSetup);
    connect(findText, &QAction::triggered, m_pView, &CBookDlg::OnFindText);
    connect(findNext, &QAction::triggered, m_pView, &CBookDlg::OnFindNext);
    connect(findPrevious, &QAction::triggered, m_pView, &CBookDlg::OnFindPrevious);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(about, &QAction::triggered, this, &CMainFrame::OnAppAbout);
    stop->setEnabled(false);
    connect(m_pView, &CBookDlg::autoRunningChanged, start, &QAction::setDisabled);
    connect(m_pView, &CBookDlg::autoRunningChanged, stop, &QAction::setEnabled);

    QMenu* file = menuBar()->addMenu(QStringLiteral("파일"));
    file->setObjectName(QStringLiteral("FileMenu"));
    file->addActions({open});
    file->addSeparator();
    file->addActions({start, stop});
    file->addSeparator();
    file->addAction(search);
    file->addSeparator();
    file->addAction(setup);
    file->addSeparator();
    file->addAction(exit);
    QMenu* find = menuBar()->addMenu(QStringLiteral("찾기"));
    find->setObjectName(QStringLiteral("FindMenu"));
    find->addActions({findText, findNext, findPrevious});
    QMenu* help = menuBar()->addMenu(QStringLiteral("도움말"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    help->addAction(about);
    // The titles keep their Korean words without mnemonics: F10 opens the first menu, Alt+F
    // and Alt+H open their own.
    const struct {
        QKeySequence keys;
        QMenu* menu;
    } openers[] = {{QKeySequence(Qt::Key_F10), file},
                   {QKeySequence(Qt::ALT | Qt::Key_F), file},
                   {QKeySequence(Qt::ALT | Qt::Key_H), help}};
    for (const auto& opener : openers) {
        auto* shortcut = new QShortcut(opener.keys, this);
        QMenu* menu = opener.menu;
        connect(shortcut, &QShortcut::activated, this,
                [this, menu] { menuBar()->setActiveAction(menu->menuAction()); });
    }

    QToolBar* bar = addToolBar(QStringLiteral("Tomlet"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->addActions({open, start, stop});
    bar->addSeparator();
    bar->addActions({search, setup});
    bar->addSeparator();
    bar->addAction(about);
}

void CMainFrame::RestoreWindowState() {
    QSettings state = WindowState();
    if (!restoreGeometry(state.value(QStringLiteral("geometry")).toByteArray())) {
        const QSize room = screen() ? screen()->availableGeometry().size() : kFirstSize;
        resize(kFirstSize.boundedTo(room));
    }
    m_pView->RestoreState(state.value(QStringLiteral("splitter")).toByteArray());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QSettings state = WindowState();
    state.setValue(QStringLiteral("geometry"), saveGeometry());
    state.setValue(QStringLiteral("splitter"), m_pView->SaveState());
    QMainWindow::closeEvent(event);
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dialog(this);
    ExecModal(dialog);
}
