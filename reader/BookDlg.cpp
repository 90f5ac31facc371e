#include "BookDlg.h"

#include "CodePage.h"
#include "CommandRouter.h"
#include "Commands.h"
#include "DataExchange.h"
#include "DialogTemplates.h"
#include "FileDialog.h"
#include "ListBox.h"
#include "MessageBox.h"
#include "OffsetTable.h"
#include "Resource.h"
#include "SettingsFile.h"

#include <QFileInfo>
#include <QTimer>

namespace {

constexpr char16_t kSettingsMissing[] =
    u"환경 설정 파일을 열 수 없습니다.\n기본 설정으로 동작합니다";
constexpr char16_t kOpenFilter[] =
    u"텍스트 파일(*.txt)|*.txt|CVD 파일(*.cvd)|*.cvd|모든 파일(*.*)|*.*||";

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}

int FileKindOf(const QString& extension) {
    const QString ext = extension.toLower();
    if (ext == u"cvd")
        return CBookDlg::kCvd;
    if (ext == u"txt")
        return CBookDlg::kMarkedText;
    return CBookDlg::kOtherText;
}

} // namespace

CBookDlg::CBookDlg(const std::string& forcedCodePage, QWidget* parent)
    : CFormView(DialogTemplateById(IDD_TOMLET_FORM), parent),
      m_pOffsets(std::make_unique<COffsetTable>()), m_pCodePage(CCodePage::Create(forcedCodePage)) {
    setObjectName(QStringLiteral("CBookDlg"));
    Q_ASSERT(m_pCodePage);
    CDataExchange bind{false, false, this};
    DDX_Control(bind, "IDC_ITEM_LIST", m_ctlItemList);
    connect(m_ctlItemList, &CListBox::selchange, this, &CBookDlg::OnSelchangeItemList);
    LoadSettings();
}

CBookDlg::~CBookDlg() {
    OnDestroy();
}

void CBookDlg::RegisterCommands(CCommandRouter& router) {
    router.Route(ID_BOOK_OPEN, this, &CBookDlg::OnBookOpen);
    router.Route(ID_SETUP, this, &CBookDlg::OnSetup);
    router.Route(ID_AUTO_START, this, &CBookDlg::OnAutoStart);
    router.RouteUpdate(ID_AUTO_START, this, &CBookDlg::OnUpdateAutoStart);
    router.Route(ID_AUTO_STOP, this, &CBookDlg::OnAutoStop);
    router.RouteUpdate(ID_AUTO_STOP, this, &CBookDlg::OnUpdateAutoStop);
    router.Route(ID_SEARCH, this, &CBookDlg::OnSearch);
}

void CBookDlg::DoDataExchange(CDataExchange& dx) {
    DDX_Control(dx, "IDC_ITEM_LIST", m_ctlItemList);
    DDX_Text(dx, "IDC_TITLE", m_strTitle);
    DDX_Text(dx, "IDC_BODY", m_strBody);
    DDX_Text(dx, "IDC_FILE_NAME", m_strFileName);
    DDX_Text(dx, "IDC_COUNTER", m_strCounter);
}

void CBookDlg::OnBookOpen() {
    m_bLoadPending = false;
    CFileDialog dialog(/*open=*/true, QStringLiteral("txt"), QStringLiteral("Untitled.txt"),
                       OFN_FILEMUSTEXIST | OFN_SHOWHELP, Text(kOpenFilter), nullptr);
    if (dialog.DoModal() == kIdOk)
        ChooseBook(dialog.GetPathName());
    UpdateData(false);
}

void CBookDlg::ChooseBook(const QString& path) {
    const QFileInfo file(path);
    m_strPath = file.absoluteFilePath();
    m_strFileName = file.fileName();
    UpdateData(false);
    m_nFileKind = FileKindOf(file.suffix());
    m_bLoadPending = true;
    // Closing a dialog need not repaint the view on a desktop; ask for the drawing that loads.
    update();
}

void CBookDlg::OnDraw() {
    if (!m_bLoadPending)
        return;
    m_bLoadPending = false;
    // The build shows message boxes; run it just after this paint rather than inside it.
    QTimer::singleShot(0, this, &CBookDlg::RunDeferredLoad);
}

void CBookDlg::RunDeferredLoad() {
    switch (m_nFileKind) {
    case kMarkedText:
    case kOtherText:
        LoadMarkedText(m_strPath);
        break;
    case kCvd:
        LoadCvd(m_strPath);
        break;
    default:
        break;
    }
    m_ctlItemList->SetCurSel(/*row=*/0);
    ShowSelectedItem();
}

void CBookDlg::OnSelchangeItemList() {
    ShowSelectedItem();
}

void CBookDlg::ShowSelectedItem() {
    switch (m_nFileKind) {
    case kMarkedText:
    case kOtherText:
        ShowTextItem();
        break;
    case kCvd:
        ShowCvdItem();
        break;
    default:
        break;
    }
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
