#include "CommandBar.h"

#include "CommandRouter.h"
#include "Resource.h"
#include "ShellResources.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QShortcut>
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

// The key that opens a menu with Alt: the initial of its English name, as desktop users expect,
// while the title keeps its Korean word. 0 for none.
Qt::Key MenuKey(int command) {
    switch (command) {
    case ID_FILE_MENU_BUTTON:
        return Qt::Key_F;
    case ID_HELP_MENU_BUTTON:
        return Qt::Key_H;
    default:
        return Qt::Key(0);
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
    // A lone Alt reaches the focused control, not the bar: watch the whole application and
    // keep to this window's keys.
    qApp->installEventFilter(this);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] { OpenMenu(/*index=*/0); });
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
        tool->setAccessibleName(tool->text());
        if (const Qt::Key key = MenuKey(entry.command); key != Qt::Key(0)) {
            const QKeySequence sequence(QKeyCombination(Qt::AltModifier, key));
            const auto index = static_cast<int>(m_btnMenus.size());
            auto* shortcut = new QShortcut(sequence, this);
            connect(shortcut, &QShortcut::activated, this, [this, index] { OpenMenu(index); });
            tool->setToolTip(QStringLiteral("%1 (%2)").arg(
                tool->text(), sequence.toString(QKeySequence::NativeText)));
        }
        insertWidget(before, tool);
        m_btnMenus.append(tool);
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

bool CCommandBar::OpenMenu(int index) {
    QToolButton* button = m_btnMenus.value(index);
    if (!button)
        return false;
    // The drop-down runs its own event loop: start it after the key or the closing menu that
    // asked for it has been handled.
    QMetaObject::invokeMethod(button, &QToolButton::showMenu, Qt::QueuedConnection);
    return true;
}

bool CCommandBar::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress) {
        m_bAltAlone = false;
        return false;
    }
    // A key held with Alt may be taken as a shortcut before it arrives as a key press: its
    // shortcut override, sent first, says that Alt was not alone.
    if (type == QEvent::ShortcutOverride) {
        if (static_cast<const QKeyEvent*>(event)->key() != Qt::Key_Alt)
            m_bAltAlone = false;
        return false;
    }
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (type == QEvent::KeyPress) {
        if (auto* menu = qobject_cast<QMenu*>(watched);
            menu && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            const auto count = static_cast<int>(m_btnMenus.size());
            for (int i = 0; i < count; ++i) {
                if (m_btnMenus[i]->menu() != menu)
                    continue;
                menu->close();
                OpenMenu((i + (key->key() == Qt::Key_Right ? 1 : count - 1)) % count);
                return true;
            }
        }
        if (!key->isAutoRepeat())
            m_bAltAlone = key->key() == Qt::Key_Alt;
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (key->key() == Qt::Key_Alt && m_bAltAlone && widget && widget->window() == window()) {
        m_bAltAlone = false;
        OpenMenu(/*index=*/0);
    }
    return false;
}

void CCommandBar::SetBarStyle(std::uint32_t style) {
    m_nBarStyle = style;
    const bool fixed = (style & kBarSizeFixed) != 0;
    setMovable(!fixed);
    setFloatable(!fixed);
}
