#pragma once

#include "CmdUI.h"

#include <QKeySequence>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QAction;

// Delivers commands to the objects that handle them and keeps every command's QAction enabled
// exactly while the command can run. A command has one QAction, named after its id
// ("ID_BOOK_OPEN"), which the menu item, the toolbar button and the shortcut share, so they
// always enable together.
//
// Handlers are member functions of targets. A command or a state query goes to the first
// target in routing order that has a handler for it: the targets of SetRouteOrder first (the
// active view, the frame, the application), then any other target in the order it was first
// registered. A command without a handler anywhere is disabled. A target's handlers go away
// with the target.
//
// States are refreshed before any menu shows, right after every command, and once the event
// loop is idle after a click, a key or a CTimer expiry.
class CCommandRouter : public QObject {
    Q_OBJECT
public:
    explicit CCommandRouter(QObject* parent = nullptr);
    ~CCommandRouter() override;

    // Creates the router's own action for id, named after it (CommandName, or "ID_<id>" for an
    // id not listed there). An id that has an action already keeps it.
    QAction* AddCommand(int id, const QString& text = QString(),
                        const QKeySequence& shortcut = QKeySequence());
    // Uses action, kept by its owner, for id; an action without a name gets the id's name.
    void AddAction(int id, QAction* action);
    QAction* Action(int id) const;

    template <class T> void Route(int id, QObject* target, void (T::*handler)()) {
        T* object = dynamic_cast<T*>(target);
        if (!object) {
            WarnTargetType(id);
            return;
        }
        AddCommandHandler(id, target, [object, handler] { (object->*handler)(); });
    }
    template <class T> void RouteUpdate(int id, QObject* target, void (T::*update)(CCmdUI*)) {
        T* object = dynamic_cast<T*>(target);
        if (!object) {
            WarnTargetType(id);
            return;
        }
        AddUpdateHandler(id, target, [object, update](CCmdUI* ui) { (object->*update)(ui); });
    }
    // The targets to try first, in order; replaces the previous order.
    void SetRouteOrder(std::vector<QObject*> targets);

    // Runs the command's handler after refreshing its state; false when the command is
    // disabled or nothing handles it.
    bool Execute(int id);
    // Asks every command's state handler and enables or disables every action.
    void UpdateCommandStates();
    // Refreshes the states once the event loop is idle; repeated calls before then merge.
    void ScheduleUpdate();
    // Whether the command can run now, by the same rule as its action's state.
    bool IsEnabled(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct STarget {
        QObject* object;
        std::map<int, std::function<void()>> commands;
        std::map<int, std::function<void(CCmdUI*)>> updates;
    };

    void AddCommandHandler(int id, QObject* target, std::function<void()> handler);
    void AddUpdateHandler(int id, QObject* target, std::function<void(CCmdUI*)> update);
    void WarnTargetType(int id) const;
    STarget& TargetOf(QObject* object);
    void ForgetTarget(QObject* object);
    // The targets in routing order.
    std::vector<STarget*> Chain() const;
    // Applies the command's state to its action (if any) and answers it.
    bool RefreshState(int id);

    std::map<int, QPointer<QAction>> m_actions;
    std::vector<std::unique_ptr<STarget>> m_targets; // in order of first registration
    std::vector<QPointer<QObject>> m_routeOrder;
    bool m_bUpdateQueued = false;
};
