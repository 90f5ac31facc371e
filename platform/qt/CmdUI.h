#pragma once

class QAction;
class QString;

// What a command-state handler is given: the command's id and its action to enable, check or
// rename. A handler that never calls Enable leaves enabling to the router (enabled while some
// target handles the command).
class CCmdUI {
public:
    CCmdUI(int id, QAction* action) : m_nID(id), m_pAction(action) {}

    void Enable(bool on = true);
    // 0 unchecked, anything else checked; makes the action checkable.
    void SetCheck(int check = 1);
    void SetText(const QString& text);

    int m_nID;
    bool m_bEnableChanged = false; // Enable was called
    bool m_bEnabled = false;       // what Enable was last given

private:
    QAction* m_pAction;
};
