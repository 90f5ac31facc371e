#include "MainFrame.h"

#include "BookDlg.h"
#include "Commands.h"
#include "Resource.h"
#include "ShellResources.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>

namespace {

constexpr std::uint32_t kCommandBarStyle = 0x50002800; // WS_CHILD | WS_VISIBLE | CBRS_TOP
constexpr int kCommandBarId = 0xE800;                  // the frame's toolbar slot
constexpr int kAppendButton = 0xFFFF;

// The focused edit handles these keys itself; a window-wide shortcut would take them from it.
bool IsEditCommand(int command) {
    return command == ID_EDIT_UNDO || command == ID_EDIT_CUT || command == ID_EDIT_COPY ||
           command == ID_EDIT_PASTE;
}

QKeySequence KeyOf(const SAccelerator& accelerator) {
    Qt::KeyboardModifiers modifiers;
    if (accelerator.flags & kAccelControl)
        modifiers |= Qt::ControlModifier;
    if (accelerator.flags & kAccelShift)
        modifiers |= Qt::ShiftModifier;
    if (accelerator.flags & kAccelAlt)
        modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(accelerator.key)));
}

// The form's fields have no labels: a screen reader names them by what they hold.
void NameFormFields(QWidget* view) {
    static const struct {
        const char* control;
        const char16_t* name;
    } kFields[] = {{"IDC_TITLE", u"제목"}, {"IDC_BODY", u"본문"}, {"IDC_ITEM_LIST", u"항목 목록"}};
    for (const auto& field : kFields) {
        if (auto* widget = view->findChild<QWidget*>(QString::fromLatin1(field.control)))
            widget->setAccessibleName(QString::fromUtf16(field.name));
    }
}

} // namespace

CMainFrame::CMainFrame(QObject* application, QWidget* parent)
    : QMainWindow(parent), m_pApplication(application), m_pRouter(new CCommandRouter(this)),
      m_wndCommandBar(*m_pRouter) {
    setObjectName(QStringLiteral("CMainFrame"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(DocString(EDocString::WindowTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/%1").arg(IDR_MAINFRAME)));
    m_pRouter->Route(ID_EXIT, this, &CMainFrame::OnExit);
    m_pRouter->SetRouteOrder({this, m_pApplication});
}

// The command bar is a member: it goes before the base takes the rest of the window down.
CMainFrame::~CMainFrame() = default;

bool CMainFrame::Create() {
    if (OnCreate() == -1)
        return false;
    LoadAccelerators(IDR_MAINFRAME);
    return true;
}

int CMainFrame::OnCreate() {
    m_wndCommandBar.m_bShowSharedNewButton = false;
    if (!m_wndCommandBar.Create(this, kCommandBarStyle, kCommandBarId) ||
        !m_wndCommandBar.InsertMenuBar(IDR_MAINFRAME, kAppendButton) ||
        !m_wndCommandBar.AddAdornments(/*flags=*/0) || !m_wndCommandBar.LoadToolBar(IDR_MAINFRAME))
        return -1;
    m_wndCommandBar.SetBarStyle(m_wndCommandBar.GetBarStyle() | CCommandBar::kBarToolTips |
                                CCommandBar::kBarFlyBy | CCommandBar::kBarSizeFixed);
    return 0;
}

void CMainFrame::LoadAccelerators(int id) {
    for (const SAccelerator& accelerator : FindAccelerators(id)) {
        if (IsEditCommand(accelerator.command))
            continue;
        QAction* action = m_pRouter->AddCommand(accelerator.command);
        action->setShortcut(KeyOf(accelerator));
        addAction(action); // active wherever the focus is in the window
    }
}

void CMainFrame::SetView(CBookDlg* view) {
    m_pView = view;
    NameFormFields(view);
    setCentralWidget(view);
    CBookDlg::SetActiveView(view);
    view->RegisterCommands(*m_pRouter);
    m_pRouter->SetRouteOrder({view, this, m_pApplication});
    // The form keeps its template size at first; growing the window gives it the extra room.
    resize(sizeHint());
}

void CMainFrame::OnExit() {
    DestroyWindow();
}

void CMainFrame::DestroyWindow() {
    close(); // the frame deletes itself on close and asks nothing before
}

QMenu* CMainFrame::createPopupMenu() {
    return nullptr;
}
