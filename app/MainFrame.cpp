#include "MainFrame.h"

#include "AboutDlg.h"
#include "AppIcons.h"
#include "Book.h"
#include "BookDlg.h"
#include "ListBox.h"
#include "LocalPath.h"
#include "TestSeams.h"

#include <QAction>
#include <QActionGroup>
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
#include <QStyle>
#include <QToolBar>

#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr QSize kFirstSize(560, 720);
constexpr QLatin1StringView kZoomKey("view/zoom");

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

// The code pages the encoding menu offers, by caption and iconv name. UTF-16 is not among them:
// books can't be read in it.
struct SCodePageEntry {
    const char* id;
    const char* caption;
    const char* name; // empty: chosen per book
};
constexpr SCodePageEntry kCodePages[] = {
    {"ID_ENCODING_AUTO", "자동", ""},
    {"ID_ENCODING_CP949", "CP949", "CP949"},
    {"ID_ENCODING_UTF_8", "UTF-8", "UTF-8"},
    {"ID_ENCODING_EUC_KR", "EUC-KR", "EUC-KR"},
    {"ID_ENCODING_WINDOWS_1252", "Windows-1252", "WINDOWS-1252"},
    {"ID_ENCODING_ISO_8859_1", "ISO-8859-1", "ISO-8859-1"},
    // Japanese text labelled Shift_JIS is nearly always Windows' variant: it keeps 0x5C a
    // backslash, where the strict table draws a yen sign, and has the vendor characters.
    {"ID_ENCODING_SHIFT_JIS", "Shift_JIS", "CP932"},
    {"ID_ENCODING_EUC_JP", "EUC-JP", "EUC-JP"},
    {"ID_ENCODING_GBK", "GBK", "GBK"},
    {"ID_ENCODING_BIG5", "Big5", "BIG5"},
};

// A code page name as iconv compares it: "euc_kr", "EUC-KR" and "EUCKR" are one.
QString CodePageKey(QString name) {
    return name.remove(QLatin1Char('-')).remove(QLatin1Char('_')).toUpper();
}

// The code page of a recent book as the state file holds it; a value that is not the name of
// one books can be read in is what a damaged file leaves, and counts as none.
std::string StoredCodePage(const QVariant& value) {
    if (value.typeId() != QMetaType::QString)
        return {};
    const std::string name = value.toString().toStdString();
    return CodePageFit(name) == ECodePageFit::Ok ? name : std::string();
}

// The menu's first item a user can choose is made current, as when the menu bar is worked
// with the arrow keys, so that Enter and the arrows go on from there.
void ActivateFirstItem(QMenu* menu) {
    const bool disabledToo =
        menu->style()->styleHint(QStyle::SH_Menu_AllowActiveAndDisabled, nullptr, menu);
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->isVisible() && (action->isEnabled() || disabledToo)) {
            menu->setActiveAction(action);
            return;
        }
    }
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

CMainFrame::CMainFrame(const std::string& forcedCodePage, QWidget* parent)
    : QMainWindow(parent), m_pView(new CBookDlg(forcedCodePage)),
      m_bCodePageGiven(!forcedCodePage.empty()) {
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
    QMenu* view = menuBar()->addMenu(QStringLiteral("보기"));
    view->setObjectName(QStringLiteral("ViewMenu"));
    CreateZoomMenu(view);
    CreateEncodingMenu(view);
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
        connect(shortcut, &QShortcut::activated, this, [this, menu] {
            menuBar()->setActiveAction(menu->menuAction());
            ActivateFirstItem(menu);
        });
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

void CMainFrame::CreateEncodingMenu(QMenu* view) {
    view->addSeparator();
    m_pEncodingMenu = view->addMenu(QStringLiteral("인코딩"));
    m_pEncodingMenu->setObjectName(QStringLiteral("EncodingMenu"));
    m_pCodePages = new QActionGroup(this);
    for (const SCodePageEntry& entry : kCodePages) {
        QAction* action = m_pCodePages->addAction(QString::fromUtf8(entry.caption));
        action->setObjectName(QString::fromLatin1(entry.id));
        action->setData(QString::fromLatin1(entry.name));
        action->setCheckable(true);
        m_pEncodingMenu->addAction(action);
    }
    // The iconv of another system may lack a code page: it stays listed, greyed. Asking iconv
    // loads each code page's module, so it is asked when the menu first opens, not at start.
    connect(
        m_pEncodingMenu, &QMenu::aboutToShow, this,
        [this] {
            for (QAction* action : m_pCodePages->actions()) {
                const std::string name = action->data().toString().toStdString();
                action->setEnabled(name.empty() || CodePageFit(name) == ECodePageFit::Ok);
            }
        },
        Qt::SingleShotConnection);
    connect(m_pCodePages, &QActionGroup::triggered, this, [this](QAction* action) {
        m_pView->SetCodePage(action->data().toString().toStdString());
    });
    // The menu shows the code page the view reads in, also after a failed rebuild left it.
    connect(m_pView, &CBookDlg::codePageChanged, this, &CMainFrame::CheckCodePage);
    CheckCodePage(QString::fromStdString(m_pView->CodePage()));
}

void CMainFrame::CheckCodePage(const QString& codePage) {
    const QString key = CodePageKey(codePage);
    for (QAction* action : m_pCodePages->actions()) {
        if (CodePageKey(action->data().toString()) == key) {
            action->setChecked(true);
            return;
        }
    }
    // One named on the command line or remembered from it, which the menu does not list.
    QAction* action = m_pCodePages->addAction(codePage);
    action->setObjectName(QStringLiteral("ID_ENCODING_OTHER"));
    action->setData(codePage);
    action->setCheckable(true);
    m_pEncodingMenu->addAction(action);
    action->setChecked(true);
}

void CMainFrame::CreateZoomMenu(QMenu* view) {
    QAction* zoomIn = AddCommand("ID_VIEW_ZOOM_IN", QStringLiteral("확대"), QString());
    QAction* zoomOut = AddCommand("ID_VIEW_ZOOM_OUT", QStringLiteral("축소"), QString());
    QAction* zoomReset = AddCommand("ID_VIEW_ZOOM_RESET", QStringLiteral("원래 크기"), QString());
    // Ctrl+= as well: on most keyboards the plus needs Shift on the same key.
    zoomIn->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    zoomOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    zoomReset->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    for (QAction* zoom : {zoomIn, zoomOut, zoomReset}) {
        zoom->setShortcutContext(Qt::WindowShortcut);
        addAction(zoom);
    }
    connect(zoomIn, &QAction::triggered, m_pView, &CBookDlg::OnZoomIn);
    connect(zoomOut, &QAction::triggered, m_pView, &CBookDlg::OnZoomOut);
    connect(zoomReset, &QAction::triggered, m_pView, &CBookDlg::OnZoomReset);
    view->addActions({zoomIn, zoomOut, zoomReset});
}

void CMainFrame::RestoreWindowState() {
    QSettings state = WindowState();
    if (!restoreGeometry(state.value(QStringLiteral("geometry")).toByteArray())) {
        const QSize room = screen() ? screen()->availableGeometry().size() : kFirstSize;
        resize(kFirstSize.boundedTo(room));
    }
    m_pView->RestoreState(state.value(QStringLiteral("splitter")).toByteArray());
    // Anything but a whole number within the limits is what a damaged file leaves: skipped.
    bool isZoom = false;
    const int zoom = state.value(kZoomKey).toInt(&isZoom);
    if (isZoom && zoom >= CBookDlg::kMinZoom && zoom <= CBookDlg::kMaxZoom)
        m_pView->SetZoom(zoom);
    m_recent = ReadRecentBooks();
    if (!m_recent.empty())
        m_pView->SetOpenFolder(FolderOf(m_recent.front().path));
    FillRecentMenu();
}

std::vector<CMainFrame::SRecentBook> CMainFrame::ReadRecentBooks() {
    std::vector<SRecentBook> recent;
    QSettings state = WindowState();
    // Entries that are not a path and a row are what a damaged file leaves: skipped.
    const int count = state.beginReadArray(QStringLiteral("recent"));
    for (int i = 0; i < count && static_cast<int>(recent.size()) < kMaxRecent; ++i) {
        state.setArrayIndex(i);
        const QVariant path = state.value(QStringLiteral("path"));
        bool isRow = false;
        const int row = state.value(QStringLiteral("row")).toInt(&isRow);
        if (path.typeId() != QMetaType::QByteArray)
            continue;
        SRecentBook book{path.toByteArray().toStdString(), isRow && row >= 0 ? row : 0,
                         StoredCodePage(state.value(QStringLiteral("codePage")))};
        if (book.path.empty() || book.path.front() != '/')
            continue;
        if (std::none_of(recent.begin(), recent.end(),
                         [&](const SRecentBook& seen) { return seen.path == book.path; }))
            recent.push_back(std::move(book));
    }
    state.endArray();
    return recent;
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
        state.setValue(QStringLiteral("codePage"), QString::fromStdString(m_recent[i].codePage));
    }
    state.endArray();
}

void CMainFrame::RememberBook() {
    const std::string& path = m_pView->Book().Path();
    std::erase_if(m_recent, [&](const SRecentBook& book) { return book.path == path; });
    m_recent.insert(m_recent.begin(),
                    SRecentBook{path, m_pView->ItemList()->GetCurSel(), m_pView->CodePage()});
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
                    // Chosen first, so that the code page is the pending build's and the book
                    // shown now is not read again in it.
                    m_pView->ChooseBook(path, entry.row);
                    m_pView->SetCodePage(entry.codePage);
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
    // By the path's own bytes: a name that is not UTF-8 would not survive a QString.
    struct stat info {};
    if (::stat(last.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    m_pView->ChooseBook(last.path, last.row);
    if (!m_bCodePageGiven)
        m_pView->SetCodePage(last.codePage);
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
    // Through the bytes: a name that is not UTF-8 must reach the file it names. Like a book
    // chosen with Open it is read in the code page the menu shows.
    m_pView->ChooseBook(PathBytesOf(file));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    QSettings state = WindowState();
    state.setValue(QStringLiteral("geometry"), saveGeometry());
    state.setValue(QStringLiteral("splitter"), m_pView->SaveState());
    state.setValue(kZoomKey, m_pView->Zoom());
    SaveRecentBooks();
    QMainWindow::closeEvent(event);
}

void CMainFrame::OnAppAbout() {
    CAboutDlg dialog(this);
    ExecModal(dialog);
}
