#include "CommandRouter.h"

#include "CommandIds.h"
#include "Timer.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QTimer>

#include <algorithm>

CCommandRouter::CCommandRouter(QObject* parent) : QObject(parent) {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

CCommandRouter::~CCommandRouter() = default;

QAction* CCommandRouter::AddCommand(int id, const QString& text, const QKeySequence& shortcut) {
    if (QAction* existing = Action(id))
        return existing;
    auto* action = new QAction(text, this);
    action->setShortcut(shortcut);
    AddAction(id, action);
    return action;
}

void CCommandRouter::AddAction(int id, QAction* action) {
    if (action->objectName().isEmpty()) {
        const char* name = CommandName(id);
        action->setObjectName(name ? QString::fromLatin1(name) : QStringLiteral("ID_%1").arg(id));
    }
    m_actions[id] = action;
    connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
    ScheduleUpdate();
}

QAction* CCommandRouter::Action(int id) const {
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second.data();
}

void CCommandRouter::SetRouteOrder(std::vector<QObject*> targets) {
    m_routeOrder.assign(targets.begin(), targets.end());
    ScheduleUpdate();
}

bool CCommandRouter::Execute(int id) {
    // The action may show a stale state (a shortcut between two refreshes): ask again.
    if (!RefreshState(id))
        return false;
    for (STarget* target : Chain()) {
        const auto it = target->commands.find(id);
        if (it == target->commands.end())
            continue;
        const std::function<void()> handler = it->second; // the handler may unregister itself
        const QPointer<CCommandRouter> self(this);
        handler();
        if (self)
            UpdateCommandStates();
        return true;
    }
    return false;
}

void CCommandRouter::UpdateCommandStates() {
    for (const auto& [id, action] : m_actions) {
        if (action)
            RefreshState(id);
    }
}

void CCommandRouter::ScheduleUpdate() {
    if (m_bUpdateQueued)
        return;
    m_bUpdateQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_bUpdateQueued = false;
        UpdateCommandStates();
    });
}

bool CCommandRouter::IsEnabled(int id) {
    return RefreshState(id);
}

bool CCommandRouter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        if (qobject_cast<QMenu*>(watched))
            UpdateCommandStates(); // before the menu paints its items
        break;
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
        ScheduleUpdate();
        break;
    case QEvent::Timer:
        if (qobject_cast<CTimer*>(watched))
            ScheduleUpdate();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CCommandRouter::AddCommandHandler(int id, QObject* target, std::function<void()> handler) {
    TargetOf(target).commands[id] = std::move(handler);
    ScheduleUpdate();
}

void CCommandRouter::AddUpdateHandler(int id, QObject* target,
                                      std::function<void(CCmdUI*)> update) {
    TargetOf(target).updates[id] = std::move(update);
    ScheduleUpdate();
}

void CCommandRouter::WarnTargetType(int id) const {
    qWarning("CCommandRouter: the target of command %d is not of the handler's class", id);
}

CCommandRouter::STarget& CCommandRouter::TargetOf(QObject* object) {
    for (const std::unique_ptr<STarget>& target : m_targets) {
        if (target->object == object)
            return *target;
    }
    m_targets.push_back(std::make_unique<STarget>(STarget{object, {}, {}}));
    connect(object, &QObject::destroyed, this, [this, object] { ForgetTarget(object); });
    return *m_targets.back();
}

void CCommandRouter::ForgetTarget(QObject* object) {
    std::erase_if(m_targets, [object](const std::unique_ptr<STarget>& target) {
        return target->object == object;
    });
    ScheduleUpdate();
}

std::vector<CCommandRouter::STarget*> CCommandRouter::Chain() const {
    std::vector<STarget*> chain;
    auto add = [&chain](STarget* target) {
        if (std::find(chain.begin(), chain.end(), target) == chain.end())
            chain.push_back(target);
    };
    for (const QPointer<QObject>& object : m_routeOrder) {
        for (const std::unique_ptr<STarget>& target : m_targets) {
            if (object && target->object == object)
                add(target.get());
        }
    }
    for (const std::unique_ptr<STarget>& target : m_targets)
        add(target.get());
    return chain;
}

bool CCommandRouter::RefreshState(int id) {
    QAction* action = Action(id);
    CCmdUI ui(id, action);
    const std::vector<STarget*> chain = Chain();
    for (STarget* target : chain) {
        const auto it = target->updates.find(id);
        if (it == target->updates.end())
            continue;
        const std::function<void(CCmdUI*)> update = it->second;
        update(&ui);
        break;
    }
    if (ui.m_bEnableChanged)
        return ui.m_bEnabled;
    const bool handled = std::any_of(chain.begin(), chain.end(), [id](const STarget* target) {
        return target->commands.count(id) != 0;
    });
    if (action)
        action->setEnabled(handled);
    return handled;
}
