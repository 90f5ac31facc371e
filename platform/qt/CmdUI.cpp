#include "CmdUI.h"

#include <QAction>

void CCmdUI::Enable(bool on) {
    m_bEnableChanged = true;
    m_bEnabled = on;
    if (m_pAction)
        m_pAction->setEnabled(on);
}

void CCmdUI::SetCheck(int check) {
    if (!m_pAction)
        return;
    m_pAction->setCheckable(true);
    m_pAction->setChecked(check != 0);
}

void CCmdUI::SetText(const QString& text) {
    if (m_pAction)
        m_pAction->setText(text);
}
