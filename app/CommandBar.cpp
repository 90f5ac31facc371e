#include "CommandBar.h"

#include "CommandRouter.h"
#include "Resource.h"
#include "ShellResources.h"

#include <QAction>
#include <QFile>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr std::uint32_t kWsVisible = 0x10000000;

QString MenuButtonName(int command) {
    switch (command) {
    case ID_FILE_MENU_BUTTON:
        return QStringLiteral("ID_FILE_MENU_BUTTON");
    case ID_HELP_MENU_BUTTON:
        return QStringLiteral("ID_HELP_MENU_BUTTON");
    default:
        return QStringLiteral("ID_%1").arg(command);
    }
}

// A string-table prompt is "status text\ntooltip"; a command without one shows its text.
void ApplyPrompt(QAction* action, int command) {
    const QString prompt = LoadString(command);
    if (prompt.isEmpty())
        return;
    const qsizetype lineFeed = prompt.indexOf(QLatin1Char('\n'));
    action->setStatusTip(prompt.left(lineFeed));
    if (lineFeed >= 0)
        action->setToolTip(prompt.mid(lineFeed + 1));
}

} // namespace

CCommandBar::CCommandBar(CCommandRouter& router) : m_router(router) {
    setObjectName(QStringLiteral("CommandBar"));
}

CCommandBar::~CCommandBar() = default;

bool CCommandBar::Create(QMainWindow* frame, std::uint32_t style, int id) {
    if (!frame)
        return false;
    setProperty("controlId", id);
    setWindowTitle(DocString(EDocString::WindowTitle));
    frame->addToolBar(Qt::TopToolBarArea, this);
    setVisible((style & kWsVisible) != 0);
    return true;
}

bool CCommandBar::InsertMenuBar(int menuBarId, int button) {
    const std::optional<SMenuBar> bar = DecodeMenuBar(FindMenuBarDescription(menuBarId));
    if (!bar)
        return false;
    const SMenu* menu = FindMenu(bar->menu);
    if (!menu)
        return false;
    for (const SMenuBarButton& entry : bar->buttons) {
        if (entry.submenu < 0 || entry.submenu >= static_cast<int>(menu->popups.size()))
            return false;
    }
    QAction* before = button == 0xFFFF ? nullptr : actions().value(button);
    for (const SMenuBarButton& entry : bar->buttons) {
        const SPopupMenu& popup = menu->popups[static_cast<std::size_t>(entry.submenu)];
        auto* dropDown = new QMenu(popup.text, this);
        for (const SMenuItem& item : popup.items) {
            if (item.command == 0) {
                dropDown->addSeparator();
                continue;
            }
            QAction* action = m_router.AddCommand(item.command);
            action->setText(item.text);
            dropDown->addAction(action);
        }
        auto* tool = new QToolButton(this);
        tool->setObjectName(MenuButtonName(entry.command));
        tool->setText(LoadString(entry.label));
        tool->setMenu(dropDown);
        tool->setPopupMode((entry.style & kButtonDropDown) ? QToolButton::InstantPopup
                                                           : QToolButton::DelayedPopup);
        tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
        tool->setAutoRaise(true);
        tool->setFocusPolicy(Qt::NoFocus); // like the bar's other buttons: the form keeps focus
        tool->setEnabled((entry.state & kButtonEnabled) != 0);
        // A menu title, not a button: no drop-down arrow beside the label.
        tool->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
        insertWidget(before, tool);
    }
    return true;
}

bool CCommandBar::AddAdornments(unsigned flags) {
    // The desktop bar has no room of its own for Help or OK: the window's title bar has only
    // the close button, which is what the bar asks for.
    return (flags & (kAdornHelp | kAdornOk)) == 0;
}

bool CCommandBar::LoadToolBar(int toolbarId) {
    const SToolBar* toolbar = FindToolBar(toolbarId);
    if (!toolbar)
        return false;
    const auto images =
        static_cast<std::size_t>(std::count_if(toolbar->buttons.begin(), toolbar->buttons.end(),
                                               [](int command) { return command != 0; }));
    if (images != toolbar->images.size())
        return false;
    for (const QString& image : toolbar->images) {
        if (!QFile::exists(image))
            return false;
    }
    setIconSize(QSize(toolbar->cx, toolbar->cy));
    // The menu buttons come first; a gap keeps the pictures apart from the menu titles.
    if (!actions().isEmpty())
        addSeparator();
    std::size_t image = 0;
    for (int command : toolbar->buttons) {
        if (command == 0) {
            addSeparator();
            continue;
        }
        QAction* action = m_router.AddCommand(command);
        action->setIcon(QIcon(toolbar->images[image++]));
        ApplyPrompt(action, command);
        addAction(action);
    }
    return true;
}

void CCommandBar::SetBarStyle(std::uint32_t style) {
    m_nBarStyle = style;
    const bool fixed = (style & kBarSizeFixed) != 0;
    setMovable(!fixed);
    setFloatable(!fixed);
}
