#include "MainFrame.h"

#include "AboutDlg.h"
#include "AppIcons.h"
#include "BookDlg.h"
#include "ListBox.h"
#include "LocalPath.h"
#include "TestSeams.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QToolBar>

#include <algorithm>

namespace {

constexpr QSize kFirstSize(560, 720);

// The window's own state, apart from the settings file: $XDG_CONFIG_HOME/tomlet/window.ini.
QSettings WindowState() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tomlet"),
                     QStringLiteral("window"));
}

// The first local file among the dragged URLs; empty when there is none.
QString DroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            return url.toLocalFile();
    }
    return {};
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

CMainFrame::CMainFrame(const std::string& forcedCodePage, QWidget* parent)
    : QMainWindow(parent), m_pView(new CBookDlg(forcedCodePage)) {
    setObjectName(QStringLiteral("CMainFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tomlet"));
    setWindowIcon(IconOf(QStringLiteral("tomlet")));
    setCentralWidget(m_pView);
    CreateMenusAndToolBar();
    setAcceptDrops(true);
    connect(m_pView, &CBookDlg::bookChosen, this, [this](const QString& name) {
        setWindowTitle(name.isEmpty() ? QStringLiteral("Tomlet")
                                      : QStringLiteral("%1 — Tomlet").arg(name));
    });
    connect(m_pView, &CBookDlg::bookLoaded, this, &CMainFrame::RememberBook);
    connect(m_pView, &CBookDlg::itemShown, this, [this](int row) {
        if (!m_recent.empty() && m_recent.front().path == m_pView->Book().Path())
            m_recent.front().row = row;
    });
    RestoreWindowState();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::AddCommand(const char* id, const QString& text, const QString& icon) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(id));
    if (!icon.isEmpty())
        action->setIcon(IconOf(icon));
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
    // Below the fixed items, so that they keep their order.
    file->addSeparator();
    m_pRecentMenu = file->addMenu(QStringLiteral("최근 파일"));
    m_pRecentMenu->setObjectName(QStringLiteral("RecentMenu"));
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
    // Entries that are not a path and a row are what a damaged file leaves: skipped.
    const int count = state.beginReadArray(QStringLiteral("recent"));
    for (int i = 0; i < count && static_cast<int>(m_recent.size()) < kMaxRecent; ++i) {
        state.setArrayIndex(i);
        const QVariant path = state.value(QStringLiteral("path"));
        bool isRow = false;
        const int row = state.value(QStringLiteral("row")).toInt(&isRow);
        if (path.typeId() != QMetaType::QByteArray)
            continue;
        SRecentBook book{path.toByteArray().toStdString(), isRow && row >= 0 ? row : 0};
        if (book.path.empty() || book.path.front() != '/')
            continue;
        if (std::none_of(m_recent.begin(), m_recent.end(),
                         [&](const SRecentBook& seen) { return seen.path == book.path; }))
            m_recent.push_back(std::move(book));
    }
    state.endArray();
    if (!m_recent.empty())
        m_pView->SetOpenFolder(FolderOf(m_recent.front().path));
    FillRecentMenu();
}

void CMainFrame::SaveRecentBooks() const {
    QSettings state = WindowState();
    state.remove(QStringLiteral("recent"));
    state.beginWriteArray(QStringLiteral("recent"), static_cast<int>(m_recent.size()));
    for (std::size_t i = 0; i < m_recent.size(); ++i) {
        state.setArrayIndex(static_cast<int>(i));
        // Bytes, not text: a name that is not UTF-8 must come back as it was.
        state.setValue(QStringLiteral("path"), QByteArray::fromStdString(m_recent[i].path));
        state.setValue(QStringLiteral("row"), m_recent[i].row);
    }
    state.endArray();
}

void CMainFrame::RememberBook() {
    const std::string& path = m_pView->Book().Path();
    std::erase_if(m_recent, [&](const SRecentBook& book) { return book.path == path; });
    m_recent.insert(m_recent.begin(), SRecentBook{path, m_pView->ItemList()->GetCurSel()});
    if (m_recent.front().row < 0)
        m_recent.front().row = 0;
    if (m_recent.size() > static_cast<std::size_t>(kMaxRecent))
        m_recent.resize(kMaxRecent);
    FillRecentMenu();
    SaveRecentBooks();
}

void CMainFrame::FillRecentMenu() {
    m_pRecentMenu->clear();
    for (const SRecentBook& book : m_recent) {
        const std::size_t slash = book.path.rfind('/');
        QAction* action = m_pRecentMenu->addAction(ReadableName(
            std::string_view(book.path).substr(slash == std::string::npos ? 0 : slash + 1)));
        action->setToolTip(ReadableName(book.path));
        const std::string path = book.path;
        connect(action, &QAction::triggered, this, [this, path] {
            // The row of that moment, which the entry's own copy may no longer be.
            for (const SRecentBook& entry : m_recent) {
                if (entry.path == path) {
                    m_pView->ChooseBook(path, entry.row);
                    return;
                }
            }
        });
    }
    m_pRecentMenu->setEnabled(!m_recent.empty());
}

bool CMainFrame::ReopenLastBook() {
    if (m_recent.empty())
        return false;
    const SRecentBook& last = m_recent.front();
    if (!QFileInfo(QFile::decodeName(QByteArray::fromStdString(last.path))).isFile())
        return false;
    m_pView->ChooseBook(last.path, last.row);
    return true;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    // Through the bytes: a name that is not UTF-8 must reach the file it names.
    m_pView->ChooseBook(PathBytesOf(file));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QSettings state = WindowState();
    state.setValue(QStringLiteral("geometry"), saveGeometry());
    state.setValue(QStringLiteral("splitter"), m_pView->SaveState());
    SaveRecentBooks();
    QMainWindow::closeEvent(event);
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dialog(this);
    ExecModal(dialog);
}
