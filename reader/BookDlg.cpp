#include "BookDlg.h"

#include "AbsolutePath.h"
#include "Edit.h"
#include "FileDialog.h"
#include "ItemListModel.h"
#include "ListBox.h"
#include "LocalPath.h"
#include "MessageBox.h"
#include "SettingsFile.h"
#include "TitleEdit.h"

#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace {

constexpr char16_t kSettingsMissing[] =
    u"환경 설정 파일을 열 수 없습니다.\n기본 설정으로 동작합니다";
constexpr char16_t kOpenFilter[] =
    u"텍스트 파일(*.txt)|*.txt|CVD 파일(*.cvd)|*.cvd|모든 파일(*.*)|*.*||";

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

// Whether the book at path builds in a few milliseconds, sooner than a frame is drawn; a file
// that can't be measured counts as large.
bool BuildsQuickly(const std::string& path) {
    constexpr std::uintmax_t kQuickBytes = 8 << 20;
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(path, error);
    return !error && bytes < kQuickBytes;
}

// The part of path after its last slash.
std::string_view NameOf(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

} // namespace

CBookDlg::CBookDlg(const std::string& forcedCodePage, QWidget* parent)
    : QWidget(parent), m_ctlFileName(new QLabel(this)), m_ctlTitle(new CTitleEdit(this)),
      m_ctlSplitter(new QSplitter(Qt::Vertical, this)), m_ctlItemList(new CListBox(this)),
      m_ctlBody(new CEdit(this)), m_ctlCounter(new QLabel(this)),
      m_pBook(CBook::Create(forcedCodePage)), m_strCodePage(forcedCodePage),
      m_strBookCodePage(forcedCodePage), m_pNames(new CItemListModel(m_pBook->Names(), this)),
      m_pTimer(new QTimer(this)) {
    Q_ASSERT(m_pBook);
    setObjectName(QStringLiteral("CBookDlg"));
    m_ctlFileName->setObjectName(QStringLiteral("IDC_FILE_NAME"));
    m_ctlTitle->setObjectName(QStringLiteral("IDC_TITLE"));
    m_ctlItemList->setObjectName(QStringLiteral("IDC_ITEM_LIST"));
    m_ctlBody->setObjectName(QStringLiteral("IDC_BODY"));
    m_ctlCounter->setObjectName(QStringLiteral("IDC_COUNTER"));
    m_ctlSplitter->setObjectName(QStringLiteral("ItemSplitter"));
    // The fields have no label of their own: a screen reader names them by what they hold.
    m_ctlTitle->setAccessibleName(QStringLiteral("제목"));
    m_ctlItemList->setAccessibleName(QStringLiteral("항목 목록"));
    m_ctlBody->setAccessibleName(QStringLiteral("본문"));
    m_ctlFileName->setTextFormat(Qt::PlainText);
    m_ctlCounter->setTextFormat(Qt::PlainText);
    m_ctlCounter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    m_ctlSplitter->addWidget(m_ctlItemList);
    m_ctlSplitter->addWidget(m_ctlBody);
    m_ctlSplitter->setChildrenCollapsible(false);
    m_ctlSplitter->setStretchFactor(0, 2);
    m_ctlSplitter->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_ctlFileName);
    layout->addWidget(m_ctlTitle);
    layout->addWidget(m_ctlSplitter, /*stretch=*/1);
    layout->addWidget(m_ctlCounter);
    // The order of the form as the handheld laid it out: body, title, list.
    setTabOrder(m_ctlBody, m_ctlTitle);
    setTabOrder(m_ctlTitle, m_ctlItemList);
    // The window opens in the list, where the arrow keys choose items.
    m_ctlItemList->setFocus();

    m_ctlItemList->setModel(m_pNames);
    m_ctlItemList->SetPrefixSearch([this](int after, QStringView term) {
        // Every search of the names, the list's own typing included, looks through them all.
        CompleteIndex();
        return m_pBook->Names().FindPrefix(
            after, std::u16string_view(reinterpret_cast<const char16_t*>(term.utf16()),
                                       static_cast<std::size_t>(term.size())));
    });
    connect(m_ctlItemList, &CListBox::selchange, this, &CBookDlg::ShowSelectedItem);
    // Ctrl+wheel zooms over the three and their scroll bars, which would page instead.
    for (QAbstractScrollArea* area : {static_cast<QAbstractScrollArea*>(m_ctlTitle),
                                      static_cast<QAbstractScrollArea*>(m_ctlItemList),
                                      static_cast<QAbstractScrollArea*>(m_ctlBody)}) {
        area->viewport()->installEventFilter(this);
        area->verticalScrollBar()->installEventFilter(this);
    }
    // Precise: a coarse timer may fire up to 5 % early.
    m_pTimer->setTimerType(Qt::PreciseTimer);
    connect(m_pTimer, &QTimer::timeout, this, &CBookDlg::OnTimer);
    LoadSettings();
}

CBookDlg::~CBookDlg() = default;

void CBookDlg::PushFormData() {
    m_ctlTitle->SetTitle(m_strTitle);
    m_ctlBody->SetText(m_strBody);
    m_ctlFileName->setText(m_strFileName);
    m_ctlCounter->setText(m_strCounter);
}

void CBookDlg::PullFormData() {
    m_strTitle = m_ctlTitle->GetText();
    m_strBody = m_ctlBody->GetText();
    m_strFileName = m_ctlFileName->text();
    m_strCounter = m_ctlCounter->text();
}

void CBookDlg::OnBookOpen() {
    m_bLoadPending = false;
    CFileDialog dialog(/*open=*/true, QStringLiteral("txt"), QStringLiteral("Untitled.txt"),
                       OFN_FILEMUSTEXIST | OFN_SHOWHELP, Text(kOpenFilter), window());
    dialog.SetInitialDir(QFile::decodeName(QByteArray::fromStdString(m_strOpenFolder)));
    if (dialog.DoModal() == kIdOk)
        ChooseBook(PathBytesOf(dialog.GetPathName()));
    PushFormData();
}

void CBookDlg::ChooseBook(std::string path, int row) {
    // The book shown must be whole, to be gone back to if the chosen one fails.
    CompleteIndex();
    m_strPath = AbsolutePath(std::move(path));
    m_strOpenFolder = m_strPath.substr(0, m_strPath.size() - NameOf(m_strPath).size());
    m_nPendingRow = row;
    m_strFileName = ReadableName(NameOf(m_strPath));
    PushFormData();
    m_nFileKind = FileKindOf(NameOf(m_strPath));
    m_bLoadPending = true;
    m_bBuildPending = true;
    emit bookChosen(m_strFileName);
    if (!isVisible())
        return; // the first drawing of the view starts the build
    // A build long enough to be seen follows a drawing of the view, with the new name and
    // without the closed dialog over it; a quick one is drawn once, when it is done.
    if (!BuildsQuickly(m_strPath)) {
        repaint();
        return;
    }
    m_bLoadPending = false;
    QTimer::singleShot(0, this, &CBookDlg::RunDeferredLoad);
}

void CBookDlg::ReturnToBook() {
    m_strPath = m_pBook->Path();
    m_nFileKind = m_pBook->Kind();
    m_strFileName = m_strPath.empty() ? QString() : ReadableName(NameOf(m_strPath));
    PushFormData();
    emit bookChosen(m_strFileName);
}

void CBookDlg::paintEvent(QPaintEvent*) {
    if (!m_bLoadPending)
        return;
    m_bLoadPending = false;
    // The build shows message boxes and holds the thread: run it after this paint, not in it.
    QTimer::singleShot(0, this, &CBookDlg::RunDeferredLoad);
}

void CBookDlg::RunDeferredLoad() {
    // Books chosen one after the other before the first is built: the last is built, once.
    if (!m_bBuildPending)
        return;
    // A text search lets events through while it reads the open book's index: the build,
    // which replaces that index, waits until the search is over.
    if (m_bFinding) {
        QTimer::singleShot(0, this, &CBookDlg::RunDeferredLoad);
        return;
    }
    m_bBuildPending = false;
    const bool shown = ShowFirstItems();
    // The window is drawn: a build started before it may use both cores now.
    if (m_pBackgroundOpen)
        m_pBackgroundOpen->UseSecondCore();
    if (shown)
        return;
    if (m_nFileKind == EFileKind::Cvd)
        LoadCvd(m_strPath);
    else
        LoadMarkedText(m_strPath);
    const int row = m_nPendingRow;
    m_nPendingRow = 0;
    const bool loaded = m_pBook->Path() == m_strPath;
    ShowRowAfterBuild(row);
    if (loaded)
        emit bookLoaded();
}

void CBookDlg::ShowRowAfterBuild(int row) {
    m_ctlItemList->SetCurSel(row >= 0 && row < m_ctlItemList->GetCount() ? row : 0);
    // A book without items leaves nothing of the previous one on the form.
    if (m_ctlItemList->GetCount() == 0) {
        m_strTitle.clear();
        m_strBody.clear();
        m_strCounter.clear();
        PushFormData();
        return;
    }
    ShowSelectedItem();
}

bool CBookDlg::ShowSelectedItem() {
    const bool shown = m_nFileKind == EFileKind::Cvd ? ShowCvdItem() : ShowTextItem();
    if (shown)
        emit itemShown(m_ctlItemList->GetCurSel());
    return shown;
}

void CBookDlg::LoadSettings() {
    SSettingsRecord record;
    if (!ReadSettingsRecord(SettingsPath(), record)) {
        ShowMessageBox(Text(kSettingsMissing));
        m_nPeriod = 1000;
        m_nOrder = 0;
        return;
    }
    m_nPeriod = static_cast<int>(record.period);
    m_nOrder = record.order;
}

QByteArray CBookDlg::SaveState() const {
    return m_ctlSplitter->saveState();
}

void CBookDlg::RestoreState(const QByteArray& state) {
    m_ctlSplitter->restoreState(state);
}
